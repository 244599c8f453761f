// The lobby as this program takes part in it, over one XMPP connection: signing in,
// the room (chat, who is online, who sits where), the table list kept current from the
// bot's changes, the players' ratings, and the table this player hosts at home, announced and kept
// up to date from the presences of those who sit at it. No windows: the window observes this.
#pragma once

#include "lobbyproto/tables.h"
#include "xmpp/client.h"
#include "xmpp/room.h"
#include "zumveklobby/ratingbook.h"
#include "zumveklobby/seating.h"
#include "zumveklobby/tablelist.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

namespace zumvek {

struct SignIn {
    QString domain;     // the lobby's domain
    quint16 port = 0;   // 0: the standard port
    QString serverHost; // connect here instead of the domain's address; empty: the domain
    QString account;    // the account's name (a guest: the name to show)
    QString password;   // empty for a guest
    bool guest = false;
    QString caFile;
};

// What this player announces for a table hosted at home.
struct HomeTable {
    QString name;
    QString ipv4;
    QString ipv6;
    quint16 port = 0;
};

class LobbySession : public QObject {
    Q_OBJECT
public:
    enum class Stage { Offline, Connecting, Online, InRoom };

    explicit LobbySession(QObject* parent = nullptr);
    ~LobbySession() override;

    // Logs in (or, with `create`, registers the account first, then logs in).
    void signIn(const SignIn& how, bool create = false);
    void signOut();
    // Tries the connection again now, when it is down (a first log-in that found no server).
    void retry();

    Stage stage() const { return m_stage; }
    QString nick() const { return m_nick; }
    QString domain() const { return m_how.domain; }
    const TableList& tables() const { return m_tables; }
    // The ratings the bot told: asked for on entering the room and whenever the bot comes
    // back into it, then kept current from its changes. Empty when the bot rates nobody.
    const RatingBook& ratings() const { return m_ratings; }
    // Everyone in the room, with the table each sits at, ourselves included.
    QList<xmpp::Occupant> occupants() const;
    // The table `nick` sits at, from that occupant's presence.
    std::optional<Seat> seatOf(const QString& nick) const;

    void say(const QString& text);

    // Moderation, for a player whose own role in the room is moderator (the room's owners
    // and administrators). Muting makes `nick` a visitor, who can no longer speak in the
    // room nor announce tables; banning makes its account an outcast, whom the room
    // removes at once and refuses from then on. A refusal comes back as notice().
    bool moderator() const;
    void mute(const QString& nick, const QString& reason);
    void unmute(const QString& nick);
    void ban(const QString& nick, const QString& reason);

    // Our presence names the table we sit at; nullopt: none.
    void setSeat(const std::optional<Seat>& seat);

    // Announces our table at home and keeps announcing it (counts, refresh) until
    // withdrawn.
    void announceHome(const HomeTable& table);
    void withdrawHome();
    bool announcing() const { return m_home.has_value(); }
    // The key the bot gave our home table, once it is listed; empty before.
    QString homeKey() const;

    // Asks the bot for a table on the server; `done` gets the address to join ("ADDRESS"
    // or "ADDRESS:PORT") and the table's key, or an error text.
    void requestServerTable(
        const QString& name,
        std::function<void(const QString& address, const QString& key, const QString& error)> done);

    xmpp::Client* client() { return m_client; }

    // The id our home table goes by; one per account.
    static constexpr char kHomeId[] = "home";

signals:
    void stageChanged(zumvek::LobbySession::Stage stage, const QString& reason);
    void signInFailed(const QString& reason);
    void accountCreated();
    void tablesChanged();
    void ratingsChanged();
    void occupantsChanged();
    void chat(const QString& nick, const QString& text, bool delayed);
    // Something the player should read: a refusal from the bot, a lost list.
    void notice(const QString& text);

private:
    void newClient();
    void setStage(Stage s, const QString& reason = {});
    xmpp::Account account() const;
    void onOnline();
    void onStanza(const lobby::Element& s);
    void onTablesChange(const lobby::Element& payload, bool delayed);
    void onRoomMessage(const QString& nick, const QString& body, bool delayed,
                       const lobby::Element& stanza);
    bool fromBot(const QString& nick) const;
    void fetchTables();
    void fetchRatings();
    void clearRatings();
    void sendHome();
    void recountHome();
    lobby::Element iqToBot(const QString& type, const lobby::Element& payload) const;

    xmpp::Client* m_client = nullptr; // replaced at each sign-in
    xmpp::Room* m_room = nullptr;
    SignIn m_how;
    QString m_nick;
    bool m_registering = false;
    Stage m_stage = Stage::Offline;
    TableList m_tables;
    bool m_fetching = false;
    QTimer m_refetch; // a list request that failed is tried again
    bool m_listTroubleTold = false;
    RatingBook m_ratings;
    quint64 m_ratingsAsked = 0; // numbers the requests: only the latest answer counts
    std::optional<Seat> m_seat;
    std::optional<lobby::Table> m_home;
    QTimer m_homeRefresh;
};

} // namespace zumvek
