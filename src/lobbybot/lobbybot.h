// The bot on the wire: logs in, sits in the room as "Lobby", answers the hosts' and
// lobbies' requests and sends the registry's changes to the room. Every request is
// checked against who really sent it: the server's `from`, found among the room's
// occupants by real JID.
#pragma once

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

class LobbyBot : public QObject {
    Q_OBJECT
public:
    using Log = std::function<void(const QString&)>;
    LobbyBot(const xmpp::Account& account, const QString& roomJid, TableRegistry& registry,
             ReachProber& prober, ServerTablePool& pool, Log log, QObject* parent = nullptr);

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
    QList<Waiting> m_waiting;
    QTimer m_waitTimer;
};

QString bareJid(const QString& jid);

} // namespace lobbybot
