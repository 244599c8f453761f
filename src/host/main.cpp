// vimbrel-host: one table on a server, with no display and no player of its own.
//   vimbrel-host [--port 7772] [--bot-speed 500|1000|2000] [--bot-skill normal|expert]
//                [--max-per-address 4] [--lobby-server HOST[:PORT] --lobby-account JID
//                 --lobby-password-file F --lobby-address ADDR ...]
// With the lobby options it announces its table in the lobby and keeps it up to date.
// It logs a line per event to standard output, and on SIGTERM or SIGINT tells every
// player, closes every connection gracefully and exits 0.
#include "host/hostoptions.h"
#include "host/lobbyannouncer.h"
#include "net/Sock.h"
#include "net/sockserverlink.h"
#include "protocol/fields.h"
#include "protocol/messages.h"
#include "protocol/requests.h"
#include "server/stopsignals.h"
#include "server/tserver.h"
#include "version/version.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

void logLine(const QString& line) {
    std::fprintf(stdout, "%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// Ends the program once every closed connection has handed over its last bytes, or
// when `deadline` runs out, whichever comes first.
void quitWhenFlushed(QDeadlineTimer deadline) {
    const bool flushed = QCoreApplication::instance()->findChildren<QTcpSocket*>().isEmpty();
    if (flushed || deadline.hasExpired()) {
        QCoreApplication::exit(0);
        return;
    }
    QTimer::singleShot(10, [deadline] { quitWhenFlushed(deadline); });
}

// The announcer for the table listening on `port`; its client lives as long as it does.
std::unique_ptr<host::LobbyAnnouncer> lobbyAnnouncer(const host::LobbyOptions& lobby,
                                                     const QString& password, quint16 port) {
    host::LobbyAnnouncer::Config config;
    config.account.jid = lobby.account;
    config.account.password = password;
    config.account.host = lobby.server;
    config.account.port = lobby.port;
    config.account.caFile = lobby.caFile;
    config.domain = lobby.domain();
    config.nick = lobby.account.section(QLatin1Char('@'), 0, 0).left(lobby::kMaxNick);
    lobby::Table& t = config.table;
    // Unique per account on one machine, and the same after a restart.
    t.id = QStringLiteral("p%1").arg(port);
    t.name = lobby.tableName;
    t.ipv4 = lobby.ipv4;
    t.ipv6 = lobby.ipv6;
    t.port = port;
    t.version = QString::fromLatin1(vimbrel::kProtocolVersion);
    auto* client = new xmpp::Client;
    auto announcer = std::make_unique<host::LobbyAnnouncer>(client, config, logLine);
    client->setParent(announcer.get());
    // Tests shorten the refresh; operators never need to.
    if (const int ms = qEnvironmentVariableIntValue("VIMBREL_LOBBY_REFRESH_MS"); ms > 0)
        announcer->setTimings(ms, std::min(ms, host::kLobbyGapMs));
    return announcer;
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const host::HostOptions options = host::parse(args);
    if (options.exit) {
        std::fputs(options.message.toLocal8Bit().constData(),
                   options.status == 0 ? stdout : stderr);
        return options.status;
    }

    QString lobbyPassword;
    if (options.lobby.enabled()) {
        QString why;
        const std::optional<QString> password =
            host::readPassword(options.lobby.passwordFile, &why);
        if (!password) {
            std::fprintf(stderr, "vimbrel-host: %s\n", why.toLocal8Bit().constData());
            return 2;
        }
        lobbyPassword = *password;
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vimbrel-host"));

    TSock Sock1;
    Sock1.setPortName(QString::number(options.port));
    SockServerLink link(&Sock1);
    // Counted where connections are taken, so one address never holds every seat.
    link.limitPerAddress(options.maxPerAddress, logLine);
    TServer server(link);
    server.setDedicated(true);
    server.setEventLog(logLine);
    server.setErrorSink([](const QString& e) { logLine(QStringLiteral("bad request: ") + e); });
    // The desktop table's first arrival sends its own speed; until then the host's.
    server.botspeed({1, options.botSpeed}, 0);
    server.botskill({1, options.expert}, 0);
    // Tests let the computer step faster than any table may ask for; players never set this.
    if (const int ms = qEnvironmentVariableIntValue("VIMBREL_BOT_STEP_MS"); ms > 0)
        server.botspeed({1, ms}, 0);
    // Tests shorten the pause between turns; players never set this.
    if (const int tick = qEnvironmentVariableIntValue("VIMBREL_PAUSE_TICK_MS"); tick > 0)
        server.timer1().setInterval(tick);
    try {
        Sock1.setListen(true);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vimbrel-host: port %d: %s\n", options.port, e.what());
        return 2;
    }

    std::unique_ptr<host::LobbyAnnouncer> announcer;
    if (options.lobby.enabled()) {
        announcer = lobbyAnnouncer(options.lobby, lobbyPassword, Sock1.localPort());
        server.setTableObserver(
            [a = announcer.get()](const server::TableCount& count) { a->setCount(count); });
        server.setResultObserver(
            [a = announcer.get()](const server::GameResult& result) { a->sendResult(result); });
    }

    const bool caught = server::catchStopSignals(&app, [&](int signal) {
        logLine(QStringLiteral("stopping (%1)").arg(server::stopSignalName(signal)));
        auto close = [&] {
            server.closeAll(QString::fromLatin1(wire::msg::kClosingNotice));
            Sock1.setListen(false);
            quitWhenFlushed(QDeadlineTimer(1500));
        };
        // The lobby hears of the game cut short, then stops listing the table, before
        // its players are told it closes.
        server.abandonGame();
        if (announcer)
            announcer->withdraw(close);
        else
            close();
    });
    if (!caught) return 1;

    logLine(QStringLiteral(
                "vimbrel-host %1 listening on port %2 (protocol %3, bot speed %4 ms, bot skill %5)")
                .arg(QString::fromLatin1(vimbrel::kRelease))
                .arg(Sock1.localPort())
                .arg(QString::fromLatin1(vimbrel::kProtocolVersion))
                .arg(options.botSpeed)
                .arg(options.expert ? QStringLiteral("expert") : QStringLiteral("normal")));
    if (Sock1.ipv6PortHeld())
        logLine(
            QStringLiteral("IPv4 only: another program holds the IPv6 side of port %1, so players "
                           "joining by IPv6 reach it instead of this table")
                .arg(Sock1.localPort()));
    if (announcer) announcer->start();
    const int status = app.exec();
    logLine(QStringLiteral("stopped"));
    return status;
}
