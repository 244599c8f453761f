// The bot on the wire: logs in, sits in the room as "Lobby", answers the hosts' and
// lobbies' requests and sends the registry's changes to the room. Every request is
// checked against who really sent it: the server's `from`, found among the room's
// occupants by real JID.
#pragma once

#include "lobbybot/ratingbook.h"
#include "lobbybot/ratingstore.h"
#include "lobbybot/reachprober.h"
#include "lobbybot/servertablepool.h"
#include "lobbybot/tableregistry.h"
#include "xmpp/room.h"

#include <QObject>
#include <QTimer>
#include <functional>

namespace lobbybot {

inline constexpr char kBotNick[] = "Lobby";
// A host's announcement may overtake its own join presence on its way to the bot; it
// waits this long for the occupant to appear before it is refused.
inline constexpr int kOccupantGraceMs = 2000;
inline constexpr int kMaxWaitingRequests = 64;
inline constexpr int kListRequestsPerWindow = 5; // whole lists per account per 10 s
inline constexpr int kMaxWaitingGames = 256;     // rated games held until the store is read
inline constexpr int kStoreRetryMs = 10000;      // a store that could not be read is tried again

class LobbyBot : public QObject {
    Q_OBJECT
public:
    using Log = std::function<void(const QString&)>;
    LobbyBot(const xmpp::Account& account, const QString& roomJid, TableRegistry& registry,
             ReachProber& prober, ServerTablePool& pool, Log log, QObject* parent = nullptr);

    // The account that marks operators trusted (admin@D); nobody else may.
    void setAdministrator(const QString& bareJid) { m_admin = bareJid.toLower(); }

    void start();
    void stop();

signals:
    // The server refused the log-in: retrying will not help.
    void fatal(const QString& reason);

private:
    struct Waiting {
        lobby::Element iq;
        qint64 until;
    };
    void wireRegistry();
    void onStanza(const lobby::Element& s);
    void onJoined();
    void handleSet(const lobby::Element& iq, const xmpp::Occupant& o);
    void handleGet(const lobby::Element& iq);
    void announce(const lobby::Element& iq, const lobby::Element& p, const xmpp::Occupant& o);
    void withdraw(const lobby::Element& iq, const lobby::Element& p);
    void serverTable(const lobby::Element& iq, const lobby::Element& p);
    void result(const lobby::Element& iq, const lobby::Element& p);
    void trust(const lobby::Element& iq, const lobby::Element& p);
    void answerRatings(const lobby::Element& iq);
    void loadRatings();
    void rateGame(const QString& key, const QList<RatedSeat>& seats);
    // The room's entries of these rated accounts (every rated occupant when empty).
    QList<lobby::RatedPlayer> onlineEntries(const QSet<QString>& accounts = {}) const;
    QHash<QString, QString> occupantJids() const;
    QHash<QString, QString> playersAt() const; // nick → key of the table it plays at
    void pushRatings(const lobby::Ratings& r);
    void refuse(const lobby::Element& iq, const QString& condition, const QString& text);
    const xmpp::Occupant* occupantFor(const QString& fullJid) const;
    void wait(const lobby::Element& iq);
    void retryWaiting(bool expireAll);

    xmpp::Client m_client;
    xmpp::Room m_room;
    xmpp::Account m_account;
    TableRegistry& m_registry;
    ReachProber& m_prober;
    ServerTablePool& m_pool;
    Log m_log;
    RateLimit m_listRate;
    RateLimit m_ratingsRate;
    RatingBook m_book;
    RatingStore m_store;
    QString m_admin;
    QString m_domain;
    bool m_loading = false;
    bool m_askedWhileLoading = false; // someone was told to wait: tell the room once loaded
    QList<std::pair<QString, QList<RatedSeat>>> m_waitingGames; // table key, seats
    QTimer m_storeRetry;
    QList<Waiting> m_waiting;
    QTimer m_waitTimer;
};

QString bareJid(const QString& jid);

} // namespace lobbybot
