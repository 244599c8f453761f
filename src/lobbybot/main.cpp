// vimbrel-lobbybot: keeps the list of open tables in the lobby's room, checks that they
// answer, and runs tables on the server for players who cannot host. No display; one
// log line per event on standard output; SIGTERM or SIGINT stops it and its tables.
#include "lobbybot/botoptions.h"
#include "lobbybot/lobbybot.h"
#include "server/stopsignals.h"
#include "version/version.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFileInfo>

#include <cstdio>

namespace {

void logLine(const QString& line) {
    std::fprintf(stdout, "%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

lobbybot::PoolConfig poolConfig(const lobbybot::BotOptions& o) {
    lobbybot::PoolConfig c;
    if (o.hostProgram.isEmpty()) return c;
    c.program = o.hostProgram;
    c.firstPort = o.firstPort;
    c.lastPort = o.lastPort;
    c.addresses = o.publicAddresses;
    const QString server = o.server.contains(QLatin1Char(':')) && !o.server.startsWith(u'[')
                               ? QStringLiteral("[%1]").arg(o.server)
                               : o.server;
    // The tables log in as the bot's account, so the bot knows them for its own.
    c.lobbyArgs << QStringLiteral("--lobby-server")
                << QStringLiteral("%1:%2").arg(server).arg(o.port)
                << QStringLiteral("--lobby-account") << lobby::botJid(o.domain).section(u'/', 0, 0)
                << QStringLiteral("--lobby-password-file")
                << QFileInfo(o.passwordFile).absoluteFilePath();
    if (!o.caFile.isEmpty())
        c.lobbyArgs << QStringLiteral("--lobby-ca-file") << QFileInfo(o.caFile).absoluteFilePath();
    return c;
}

xmpp::Account botAccount(const lobbybot::BotOptions& o, QString* why) {
    xmpp::Account a;
    a.password = lobbybot::readPasswordFile(o.passwordFile, why);
    const QString jid = lobby::botJid(o.domain);
    a.jid = jid.section(u'/', 0, 0);
    a.resource = jid.section(u'/', 1);
    a.host = o.server;
    a.port = o.port;
    a.caFile = o.caFile;
    return a;
}

// Ends the program once every server table has stopped, or at the deadline.
void quitWhenStopped(const lobbybot::ServerTablePool& pool, QDeadlineTimer deadline, int status) {
    if (pool.running() == 0 || deadline.hasExpired()) {
        QCoreApplication::exit(status);
        return;
    }
    QTimer::singleShot(50, [&pool, deadline, status] { quitWhenStopped(pool, deadline, status); });
}

// The bot and its parts, until a signal or a refused log-in ends it.
int run(QCoreApplication& app, const lobbybot::BotOptions& options, const xmpp::Account& account) {
    // Numbers above any an earlier run sent, so lobbies that kept a list see a gap.
    lobbybot::TableRegistry registry(lobbybot::steadyClock(),
                                     quint64(QDateTime::currentMSecsSinceEpoch()));
    lobbybot::ReachProber prober;
    prober.setAllowLoopback(lobbybot::isLoopbackHost(options.server));
    lobbybot::ServerTablePool pool(poolConfig(options));
    QObject::connect(&pool, &lobbybot::ServerTablePool::logLine, &app, logLine);
    const QString room =
        lobby::roomJid(options.domain, QString::fromLatin1(vimbrel::kProtocolVersion));
    lobbybot::LobbyBot bot(account, room, registry, prober, pool, logLine);
    bot.setAdministrator(options.admin);
    QObject::connect(&bot, &lobbybot::LobbyBot::fatal, &app, [&pool] {
        pool.stopAll();
        quitWhenStopped(pool, QDeadlineTimer(lobbybot::kServerTableStopMs + 1000), 1);
    });
    const bool caught = server::catchStopSignals(&app, [&](int signal) {
        logLine(QStringLiteral("stopping (%1)").arg(server::stopSignalName(signal)));
        pool.stopAll();
        bot.stop();
        quitWhenStopped(pool, QDeadlineTimer(lobbybot::kServerTableStopMs + 1000), 0);
    });
    if (!caught) return 1;
    logLine(QStringLiteral("vimbrel-lobbybot %1 (protocol %2), room %3, %4 server tables")
                .arg(QString::fromLatin1(vimbrel::kRelease),
                     QString::fromLatin1(vimbrel::kProtocolVersion), room)
                .arg(pool.size()));
    bot.start();
    const int status = app.exec();
    logLine(QStringLiteral("stopped"));
    return status;
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const lobbybot::BotOptions options = lobbybot::parseBotOptions(args);
    if (options.exit) {
        std::fputs(options.message.toLocal8Bit().constData(),
                   options.status == 0 ? stdout : stderr);
        return options.status;
    }
    QString why;
    const xmpp::Account account = botAccount(options, &why);
    if (account.password.isEmpty()) {
        std::fprintf(stderr, "vimbrel-lobbybot: %s: %s\n", qPrintable(options.passwordFile),
                     qPrintable(why));
        return 2;
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vimbrel-lobbybot"));
    return run(app, options, account);
}
