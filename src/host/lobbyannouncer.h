// The dedicated host's entry in the lobby: it logs in with the table's account, joins
// the room and announces the table to the bot (docs/lobby-protocol.md) at start, on every
// change of seats, spectators or game, as a refresh, and again when the bot comes back.
// QtCore only; the connection is the xmpp::Client it is given.
#pragma once

#include "lobbyproto/tables.h"
#include "server/tserver.h"
#include "xmpp/client.h"
#include "xmpp/room.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace host {

// The bot forgets a table that sends nothing for 150 s; a refresh every 60 s leaves
// room for one lost on the way.
inline constexpr int kLobbyRefreshMs = 60000;
// Changes closer together than this go out as one announcement, so four players
// arriving at once stay within the bot's limit of 10 announcements in 10 s.
inline constexpr int kLobbyGapMs = 1000;
inline constexpr int kLobbyWithdrawMs = 2000; // SIGTERM waits this long for the bot
inline constexpr char kBotNick[] = "Lobby";

class LobbyAnnouncer : public QObject {
    Q_OBJECT
public:
    struct Config {
        xmpp::Account account;
        QString domain;     // the lobby's accounts domain (room and bot names come from it)
        QString nick;       // ours in the room
        lobby::Table table; // id, name, addresses, port and version; the counts come later
    };

    // Uses `client` (not owned) for everything; `log` gets one line per lobby event.
    LobbyAnnouncer(xmpp::Client* client, Config config, std::function<void(const QString&)> logger,
                   QObject* parent = nullptr);

    // Logs in, with reconnection; the room is joined and the table announced once online.
    void start();
    // The table's counts changed (TServer's table observer).
    void setCount(const server::TableCount& count);
    // A game ended (TServer's result observer): the result goes to the bot at once, once.
    // With no room to send it in, it is logged as not sent and dropped.
    void sendResult(const server::GameResult& result);
    // Takes the table back, leaves the room and logs out; `done` runs once that is
    // over, or after kLobbyWithdrawMs when the bot does not answer.
    void withdraw(std::function<void()> done);

    // Tests shorten the refresh and the gap.
    void setTimings(int refreshMs, int gapMs);
    // The next announcement as it would go out now.
    lobby::Table table() const { return m_config.table; }
    QTimer& refreshTimer() { return m_refresh; }

private:
    void joined();
    // Announces at once when the last one went out at least the gap ago; else soon.
    void announceSoon();
    void announce();
    void answered(const lobby::Element& reply, const lobby::Table& sent);
    void log(const QString& line) const;

    xmpp::Client* m_client;
    Config m_config;
    std::function<void(const QString&)> m_log;
    xmpp::Room m_room;
    QTimer m_refresh; // the next refresh, restarted by every announcement
    QTimer m_soon;    // a change waiting for the gap to pass
    QElapsedTimer m_lastSent;
    int m_gapMs = kLobbyGapMs;
    bool m_withdrawing = false;
    bool m_joinAsked = false;
    // What the bot last accepted and the refusal last logged, so a refresh that says the
    // same thing adds no line to the log.
    lobby::Table m_accepted;
    bool m_everAccepted = false;
    QString m_lastRefusal;
};

// The result as the lobby protocol carries it, for the announced table `id`.
lobby::Result lobbyResult(const server::GameResult& result, const QString& id);

// The reply's error condition and text, "policy-violation: too many tables"; empty for a
// result. The text is the bot's, so it is cleaned for the log.
QString refusalOf(const lobby::Element& reply);

} // namespace host
