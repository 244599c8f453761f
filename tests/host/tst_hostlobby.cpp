// vimbrel-host in a lobby: its lobby options, and the real program announcing itself to
// a lobby server the test runs in its own network namespace, with the test standing in
// for the lobby's bot (the bot's account, resource and nick).
#include "common/wireclient.h"
#include "host/hostoptions.h"
#include "lobbyproto/tables.h"
#include "version/version.h"
#include "xmpp/client.h"
#include "xmpp/room.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

QString writeFile(const QString& path, const QByteArray& bytes, int mode) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
    f.write(bytes);
    f.close();
    ::chmod(QFile::encodeName(path).constData(), mode_t(mode));
    return path;
}

// The project's runner on loopback inside the namespace; stopped by SIGTERM, by PID.
struct LobbyServer {
    QTemporaryDir dir{QStringLiteral("/tmp/vimbrel-hostlobby-XXXXXX")};
    QProcess runner;
    QString domain;
    quint16 c2s = 0;

    bool start() {
        runner.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        runner.start(QStringLiteral(VIMBREL_LOBBY_RUNNER),
                     {"--dir", dir.path(), "--listen", "127.0.0.1"});
        if (!runner.waitForStarted()) return false;
        static const QRegularExpression ready(QStringLiteral("^READY domain=(\\S+) c2s=(\\d+)"));
        QByteArray out;
        return QTest::qWaitFor(
                   [&] {
                       out += runner.readAllStandardOutput();
                       const auto m = ready.match(QString::fromUtf8(out));
                       if (m.hasMatch()) {
                           domain = m.captured(1);
                           c2s = quint16(m.captured(2).toUInt());
                       }
                       return c2s != 0 || runner.state() == QProcess::NotRunning;
                   },
                   60000) &&
               c2s != 0;
    }
    QString passwordFile(const QString& account) const {
        return dir.filePath(account + QStringLiteral(".password"));
    }
    ~LobbyServer() {
        if (runner.state() == QProcess::NotRunning) return;
        runner.terminate();
        if (!runner.waitForFinished(30000)) runner.kill();
    }
};

// The test in the bot's place: it answers every announcement, or refuses it when told to.
struct StandInBot {
    xmpp::Client client;
    std::unique_ptr<xmpp::Room> room;
    QList<lobby::Table> announced;
    QStringList withdrawn;
    QList<lobby::Result> results;
    QStringList heard; // "table", "result", "withdraw" in the order they came
    bool refuse = false;

    StandInBot() {
        QObject::connect(&client, &xmpp::Client::stanza, [this](const lobby::Element& s) {
            if (s.name != QLatin1String("iq") || s.attr("type") != QLatin1String("set")) return;
            if (const lobby::Element* r = s.child("result", lobby::kNs)) {
                heard.append("result");
                if (const auto result = lobby::readResult(*r)) results.append(*result);
                client.replyResult(s);
            } else if (const lobby::Element* t = s.child("table", lobby::kNs)) {
                heard.append("table");
                if (const auto table = lobby::readAnnouncement(*t)) announced.append(*table);
                if (refuse)
                    client.replyError(s, "cancel", "policy-violation", "too many tables");
                else
                    client.replyResult(s);
            } else if (const lobby::Element* w = s.child("withdraw", lobby::kNs)) {
                heard.append("withdraw");
                withdrawn.append(w->attr("id"));
                client.replyResult(s);
            }
        });
    }
};

} // namespace

class TestHostLobby : public QObject {
    Q_OBJECT
private slots:
    void lobbyOptionsBelongTogether();
    void passwordFileOnlyItsOwnerReads();
    void linksNoGuiLibrary();
    void announcesKeepsUpToDateAndWithdraws();
};

void TestHostLobby::lobbyOptionsBelongTogether() {
    const QStringList full{"--lobby-server",        "[::1]:5223",
                           "--lobby-account",       "ann@lobby.example",
                           "--lobby-password-file", "/p",
                           "--lobby-address",       "192.0.2.7",
                           "--lobby-address",       "[2001:db8::7]",
                           "--lobby-table-name",    "Ann's"};
    const host::HostOptions o = host::parse(full);
    QVERIFY2(!o.exit, qPrintable(o.message));
    QCOMPARE(o.lobby.server, QStringLiteral("::1"));
    QCOMPARE(o.lobby.port, quint16(5223));
    QCOMPARE(o.lobby.domain(), QStringLiteral("lobby.example"));
    QCOMPARE(o.lobby.ipv4, QStringLiteral("192.0.2.7"));
    QCOMPARE(o.lobby.ipv6, QStringLiteral("2001:db8::7"));
    QCOMPARE(o.lobby.tableName, QStringLiteral("Ann's"));
    QVERIFY(!host::parse({"--port", "0"}).lobby.enabled());
    // The default name fits the lobby's limit.
    const host::HostOptions named = host::parse(full.mid(0, 10));
    QVERIFY(!named.lobby.tableName.isEmpty() && named.lobby.tableName.size() <= 32);

    const QList<QPair<QStringList, QString>> refused{
        {full.mid(0, 2), "needs --lobby-account"},
        {full.mid(0, 4), "needs --lobby-password-file"},
        {full.mid(0, 6), "needs --lobby-address"},
        {full.mid(2, 8), "need --lobby-server"},
        {{"--lobby-password", "secret"}, "never taken on the command line"},
        {{"--lobby-address", "1.2.3.4", "--lobby-address", "5.6.7.8"}, "two lobby addresses"},
        {{"--lobby-address", "lobby.example"}, "bad lobby address"},
        {{"--lobby-account", "ann"}, "bad lobby account"},
        {{"--lobby-server", "host:0"}, "bad lobby server"},
        {{"--lobby-table-name", QString(33, u'x')}, "bad table name"},
        {{"--lobby-table-name", "a\nb"}, "bad table name"},
    };
    for (const auto& [args, why] : refused) {
        const host::HostOptions r = host::parse(args);
        QVERIFY2(r.exit && r.status == 2 && r.message.contains(why),
                 qPrintable(args.join(' ') + " -> " + r.message));
    }
}

void TestHostLobby::passwordFileOnlyItsOwnerReads() {
    QTemporaryDir dir;
    QString why;
    const QString good = writeFile(dir.filePath("good"), "s3cret\nignored\n", 0600);
    QCOMPARE(host::readPassword(good, &why), std::optional<QString>(QStringLiteral("s3cret")));
    const QString open = writeFile(dir.filePath("open"), "s3cret\n", 0644);
    QVERIFY(!host::readPassword(open, &why));
    QVERIFY2(why.contains("chmod 600") && why.contains("0644"), qPrintable(why));
    const QString group = writeFile(dir.filePath("group"), "s3cret\n", 0640);
    QVERIFY(!host::readPassword(group, &why));
    const QString empty = writeFile(dir.filePath("empty"), "\n", 0600);
    QVERIFY(!host::readPassword(empty, &why));
    QVERIFY(!host::readPassword(dir.filePath("missing"), &why));

    // The program refuses to start with it, before it listens anywhere.
    QProcess host;
    host.start(VIMBREL_HOST_EXE,
               {"--port", "0", "--lobby-server", "127.0.0.1", "--lobby-account", "a@lobby.example",
                "--lobby-password-file", open, "--lobby-address", "127.0.0.1"});
    QVERIFY(host.waitForFinished(10000));
    QCOMPARE(host.exitCode(), 2);
    QVERIFY(host.readAllStandardError().contains("chmod 600"));
    QVERIFY(host.readAllStandardOutput().isEmpty());
}

void TestHostLobby::linksNoGuiLibrary() {
    QProcess ldd;
    ldd.start("ldd", {VIMBREL_HOST_EXE});
    if (!ldd.waitForFinished(10000) || ldd.exitCode() != 0) QSKIP("ldd is not available");
    const QString libs = QString::fromUtf8(ldd.readAllStandardOutput());
    QVERIFY(libs.contains("libQt6Core"));
    static const QRegularExpression gui(
        QStringLiteral("libQt6(Gui|Widgets|Multimedia|OpenGL|Svg)|libGL|libEGL|libX11|libxcb|"
                       "libwayland|libfontconfig|libpulse|libgstreamer"));
    QVERIFY2(!gui.match(libs).hasMatch(), qPrintable(libs));
}

void TestHostLobby::announcesKeepsUpToDateAndWithdraws() {
    if (qEnvironmentVariableIsEmpty("VIMBREL_NETNS"))
        QSKIP("needs a network namespace of its own (root and unshare)");
    if (!QFile::exists("/usr/sbin/ejabberdctl")) QSKIP("ejabberd is not installed");
    LobbyServer server;
    QVERIFY2(server.start(), "the lobby server did not start");

    StandInBot bot;
    xmpp::Account botAccount;
    botAccount.jid = "lobbybot@" + server.domain;
    QFile botPassword(server.passwordFile("lobbybot"));
    QVERIFY(botPassword.open(QIODevice::ReadOnly));
    botAccount.password = QString::fromUtf8(botPassword.readLine()).trimmed();
    botAccount.host = "127.0.0.1";
    botAccount.port = server.c2s;
    botAccount.resource = "bot";
    bot.client.connectTo(botAccount);
    QTRY_COMPARE_WITH_TIMEOUT(bot.client.state(), xmpp::State::Online, 10000);
    const QString version = QString::fromLatin1(vimbrel::kProtocolVersion);
    bot.room =
        std::make_unique<xmpp::Room>(&bot.client, lobby::roomJid(server.domain, version), "Lobby");
    bot.room->join();
    QTRY_VERIFY_WITH_TIMEOUT(bot.room->joined(), 10000);

    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VIMBREL_LOBBY_REFRESH_MS", "1000");
    host.setProcessEnvironment(env);
    host.start(VIMBREL_HOST_EXE,
               {"--port", "0", "--lobby-server", QStringLiteral("127.0.0.1:%1").arg(server.c2s),
                "--lobby-account", "admin@" + server.domain, "--lobby-password-file",
                server.passwordFile("admin"), "--lobby-address", "127.0.0.1", "--lobby-table-name",
                "Ann's table"});
    QString log;
    auto logged = [&](const QString& text) {
        log += QString::fromUtf8(host.readAllStandardOutput());
        return log.contains(text);
    };
    QTRY_VERIFY_WITH_TIMEOUT(logged("listening on port"), 5000);
    const quint16 port =
        quint16(QRegularExpression("listening on port (\\d+) ").match(log).captured(1).toUInt());

    // At start: the table as it is, empty and waiting.
    QTRY_VERIFY2_WITH_TIMEOUT(!bot.announced.isEmpty(), qPrintable(log), 15000);
    const lobby::Table first = bot.announced.first();
    QCOMPARE(first.id, QStringLiteral("p%1").arg(port));
    QCOMPARE(first.name, QStringLiteral("Ann's table"));
    QCOMPARE(first.ipv4, QStringLiteral("127.0.0.1"));
    QCOMPARE(first.ipv6, QString());
    QCOMPARE(first.port, port);
    QCOMPARE(first.version, version);
    QCOMPARE(first.seats + first.spectators, 0);
    QVERIFY(first.state == lobby::TableState::Waiting);
    QTRY_VERIFY(logged("lobby: connected as admin@" + server.domain));
    QTRY_VERIFY(logged("lobby: announced Ann's table (0 of 4 seats, 0 of 5 spectators, waiting)"));

    // A player logs in: the seats follow.
    WireClient ann(port);
    QTRY_COMPARE(ann.record, 1);
    ann.send("CMD_logininfo+1+1.0.7+Ann");
    QTRY_VERIFY_WITH_TIMEOUT(bot.announced.last().seats == 1, 5000);
    QTRY_VERIFY(logged("lobby: announced Ann's table (1 of 4 seats"));

    // Nothing changes, yet the table is told again: the refresh.
    const qsizetype seen = bot.announced.size();
    QTRY_VERIFY_WITH_TIMEOUT(bot.announced.size() >= seen + 2, 10000);

    // The bot's refusal reaches the log with its reason.
    bot.refuse = true;
    QTRY_VERIFY_WITH_TIMEOUT(logged("lobby: refused: policy-violation: too many tables"), 10000);
    bot.refuse = false;

    // The bot comes back after a restart: the host tells it at once.
    bot.room->leave();
    QTRY_VERIFY(!bot.room->joined());
    bot.room->join();
    QTRY_VERIFY_WITH_TIMEOUT(bot.room->joined(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(logged("lobby: the lobby's bot joined the room"), 10000);

    // Ann starts a game and plays one turn by hand.
    ann.send("CMD_startgame+Ann+0+0+f+");
    ann.send("CMD_alldone+1+none");
    QTRY_VERIFY_WITH_TIMEOUT(!ann.messages.filter(QRegularExpression("^CMD_noscore\\+1")).isEmpty(),
                             5000);

    // SIGTERM: the game cut short is reported, the table withdrawn before the players
    // are told, then the host ends.
    host.terminate();
    QTRY_COMPARE_WITH_TIMEOUT(bot.withdrawn, QStringList{first.id}, 10000);
    QCOMPARE(bot.heard.mid(bot.heard.size() - 2), (QStringList{"result", "withdraw"}));
    QCOMPARE(bot.results.size(), 1);
    const lobby::Result result = bot.results.first();
    QCOMPARE(result.id, first.id);
    QVERIFY(!result.finished);
    QVERIFY(!result.seats.isEmpty());
    QCOMPARE(result.seats.first(), (lobby::ResultSeat{1, "Ann", 0, 1, 0, true, false}));
    QVERIFY2(logged("lobby: reported the game's result (abandoned)"), qPrintable(log));
    QTRY_COMPARE_WITH_TIMEOUT(host.state(), QProcess::NotRunning, 10000);
    QCOMPARE(host.exitCode(), 0);
    QVERIFY2(logged("lobby: withdrew the table"), qPrintable(log));
    QTRY_VERIFY(ann.closed());
}

QTEST_MAIN(TestHostLobby)
#include "tst_hostlobby.moc"
