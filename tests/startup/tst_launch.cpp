// The launch modes, with the real program started as separate processes, each with
// its own runtime and settings folders and its own ports.
#include "common/gameprocess.h"

#include <QScopeGuard>
#include <QStandardPaths>

namespace {

// Reads messages (without terminators) from a socket until `want` is seen or time runs out.
QList<QByteArray> readUntil(QTcpSocket& s, const QByteArray& want, int ms = 8000) {
    QByteArray buf;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        s.waitForReadyRead(100);
        buf += s.readAll();
        if (buf.split('\xFF').contains(want)) break;
    }
    QList<QByteArray> out = buf.split('\xFF');
    if (!out.isEmpty()) out.removeLast();
    return out;
}

// Logs a test client in and returns everything the host told it.
QList<QByteArray> joinAs(quint16 port, const QByteArray& name, const QByteArray& want) {
    QTcpSocket s;
    if (!connectWithRetry(s, port)) return {};
    QList<QByteArray> got = readUntil(s, {}, 1500);
    for (const QByteArray& m : got)
        if (m.startsWith("CMD_sendlogininfo+")) s.write("CMD_logininfo+" + m.mid(18) + "+1.0.7+" + name + '\xFF');
    s.flush();
    got += readUntil(s, want);
    return got;
}

// The names of the visible top-level windows on an X display, as a window manager reads them.
QStringList windowNames(const QString& display) {
    QProcess search;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    search.setProcessEnvironment(env);
    search.start("xdotool", {"search", "--onlyvisible", "--name", "."});
    search.waitForFinished(5000);
    QStringList names;
    for (const QByteArray& id : search.readAllStandardOutput().split('\n')) {
        if (id.isEmpty()) continue;
        QProcess name;
        name.setProcessEnvironment(env);
        name.start("xdotool", {"getwindowname", QString::fromLatin1(id)});
        name.waitForFinished(5000);
        names << QString::fromUtf8(name.readAllStandardOutput()).trimmed();
    }
    names.sort();
    return names;
}

} // namespace

class TestLaunch : public QObject {
    Q_OBJECT
private slots:
    void infoOptionsPrintAndExit();
    void soloHostsAsYouWithoutLobbyLink();
    void hostStartConnectsToItselfAndOpensLobbyLink();
    void joinStartLogsInToTheHost_data();
    void joinStartLogsInToTheHost();
    void joinAddressCarriesItsPort_data();
    void joinAddressCarriesItsPort();
    void tooFewParametersStayIdle();
    void takenPortIsReportedAndNothingElseStarts();
    void secondStartEndsAtOnce();
    void captionsAsAWindowManagerShowsThem();
};

void TestLaunch::infoOptionsPrintAndExit() {
    QProcess p;
    p.start(VIMBREL_EXE, {"--version"});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(p.readAllStandardOutput().contains("1.0.7.8"));
    p.start(VIMBREL_EXE, {"--help"});
    QVERIFY(p.waitForFinished(10000));
    const QByteArray help = p.readAllStandardOutput();
    QVERIFY(help.contains("NAME HOST true"));
    QVERIFY(help.contains("IPv6"));
    // The word the README and the lobby use, and the port forms a dedicated host needs.
    QVERIFY2(help.contains("NAME HOST join") && !help.contains("HOST other"), help.constData());
    QVERIFY(help.contains("HOST:PORT") && help.contains("[2001:db8::5]:7800"));
}

void TestLaunch::soloHostsAsYouWithoutLobbyLink() {
    QTcpServer lobby;
    QVERIFY(lobby.listen(QHostAddress::LocalHost, 0));
    GameProcess g;
    g.start({}, lobby.serverPort());
    const auto got = joinAs(g.port, "Tester", "CMD_existingplayers+1+You");
    QVERIFY2(got.contains("CMD_existingplayers+1+You") || got.contains("CMD_newplayerinfo+1+You") ||
                 got.contains("CMD_newplayerinfo+2+You"),
             got.join(" | ").constData());
    QVERIFY(!lobby.waitForNewConnection(500));
}

void TestLaunch::hostStartConnectsToItselfAndOpensLobbyLink() {
    QTcpServer lobby;
    QVERIFY(lobby.listen(QHostAddress::LocalHost, 0));
    GameProcess g;
    // The address is ignored by the host, which always connects to itself.
    g.start({"Ann", "remote.invalid", "true", "extra"}, lobby.serverPort());
    QVERIFY(lobby.waitForNewConnection(8000));
    const auto got = joinAs(g.port, "Tester", "CMD_existingplayers+1+Ann");
    // Ann is announced to us either as already there or as arriving after us.
    QVERIFY2(got.contains("CMD_existingplayers+1+Ann") || got.contains("CMD_newplayerinfo+1+Ann"),
             got.join(" | ").constData());
}

void TestLaunch::joinStartLogsInToTheHost_data() {
    QTest::addColumn<QString>("role");
    QTest::newRow("True") << "True";
    QTest::newRow("yes") << "yes";
}

void TestLaunch::joinStartLogsInToTheHost() {
    QFETCH(QString, role);
    QTcpServer lobby, host;
    QVERIFY(lobby.listen(QHostAddress::LocalHost, 0));
    GameProcess g;
    QVERIFY(host.listen(QHostAddress::LocalHost, g.port)); // we play the host
    g.start({"Bob", "127.0.0.1", role}, lobby.serverPort());
    QVERIFY(host.waitForNewConnection(8000));
    QTcpSocket* s = host.nextPendingConnection();
    s->write("CMD_sendlogininfo+3\xFF");
    const auto got = readUntil(*s, "CMD_logininfo+3+1.0.7+Bob");
    QVERIFY2(got.contains("CMD_logininfo+3+1.0.7+Bob"), got.join(" | ").constData());
    QVERIFY(lobby.waitForNewConnection(5000));
}

void TestLaunch::joinAddressCarriesItsPort_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("peer");
    QTest::newRow("IPv4") << "127.0.0.1:%1" << "127.0.0.1";
    QTest::newRow("IPv6 in brackets") << "[::1]:%1" << "::1";
}

// A lobby passes a table's address with its port when the table is not on 7772; the game
// must go to that port, not its own (VIMBREL_PORT here, which nobody listens on).
void TestLaunch::joinAddressCarriesItsPort() {
    QFETCH(QString, address);
    QFETCH(QString, peer);
    if (peer == QLatin1String("::1")) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHostIPv6, 0)) QSKIP("no IPv6 loopback here");
    }
    QProcess host;
    host.start(VIMBREL_HOST_EXE, {"--port", "0"});
    QVERIFY(host.waitForStarted());
    auto stopHost = qScopeGuard([&host] {
        host.kill();
        host.waitForFinished();
    });
    QString log;
    quint16 port = 0;
    static const QRegularExpression listening(QStringLiteral("listening on port (\\d+) "));
    QTRY_VERIFY_WITH_TIMEOUT(
        (log += QString::fromUtf8(host.readAllStandardOutput()),
         port = quint16(listening.match(log).captured(1).toUInt())) != 0,
        5000);
    QTcpServer lobby;
    QVERIFY(lobby.listen(QHostAddress::LocalHost, 0));
    GameProcess g;
    g.start({"Bob", address.arg(port), "join"}, lobby.serverPort());
    const QString joined = QStringLiteral("connection from %1 took record 1").arg(peer);
    QTRY_VERIFY2_WITH_TIMEOUT((log += QString::fromUtf8(host.readAllStandardOutput()))
                                  .contains(QStringLiteral("record 1 logged in as Bob")),
                              qPrintable(log), 10000);
    QVERIFY2(log.contains(joined), qPrintable(log));
}

void TestLaunch::tooFewParametersStayIdle() {
    for (const QStringList& args : {QStringList{"Ann"}, QStringList{"Ann", "127.0.0.1"}}) {
        QTcpServer lobby;
        QVERIFY(lobby.listen(QHostAddress::LocalHost, 0));
        GameProcess g;
        g.start(args, lobby.serverPort());
        QTest::qWait(1500);
        QCOMPARE(g.process.state(), QProcess::Running);
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, g.port);
        QVERIFY(!s.waitForConnected(1000));
        QVERIFY(!lobby.hasPendingConnections());
    }
}

void TestLaunch::takenPortIsReportedAndNothingElseStarts() {
    QTcpServer lobby, squatter;
    QVERIFY(lobby.listen(QHostAddress::LocalHost, 0));
    GameProcess g;
    QVERIFY(squatter.listen(QHostAddress::AnyIPv4, g.port));
    g.start({"Ann", "127.0.0.1", "true"}, lobby.serverPort());
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += g.process.readAllStandardError()).contains("Listen - Error Binding Socket") ||
                                 g.process.state() != QProcess::Running,
                             8000);
    QCOMPARE(g.process.state(), QProcess::Running); // the window stays open
    QVERIFY(!squatter.waitForNewConnection(800));   // no own connection was made
    QVERIFY(!lobby.hasPendingConnections());
}

void TestLaunch::secondStartEndsAtOnce() {
    QTcpServer lobby;
    QVERIFY(lobby.listen(QHostAddress::LocalHost, 0));
    GameProcess first;
    first.start({}, lobby.serverPort());
    QTcpSocket probe;
    QVERIFY(connectWithRetry(probe, first.port)); // the first is up
    GameProcess second;
    second.start({}, lobby.serverPort(), first.home.filePath("runtime"));
    QVERIFY(second.process.waitForFinished(8000));
    QCOMPARE(second.process.exitCode(), 0);
    QCOMPARE(first.process.state(), QProcess::Running);
    // Another user (another runtime folder) is not blocked.
    GameProcess other;
    other.start({}, lobby.serverPort());
    QVERIFY(!other.process.waitForFinished(1500));
}

// Under a real X server: the title bars read exactly the windows' captions.
void TestLaunch::captionsAsAWindowManagerShowsThem() {
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
        QSKIP("needs Xvfb and xdotool (./dev installs them)");
    QProcess xvfb;
    // Nobody reads its chatter: a full pipe would stall the server. Without -noreset it
    // restarts whenever its last client leaves, refusing whoever connects meanwhile.
    xvfb.setStandardErrorFile(QProcess::nullDevice());
    xvfb.start("Xvfb", {"-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"});
    QVERIFY(xvfb.waitForStarted());
    QVERIFY(xvfb.waitForReadyRead(10000));
    const QString display = ":" + QString::fromLatin1(xvfb.readAllStandardOutput()).trimmed();
    const auto stopX = qScopeGuard([&] {
        xvfb.terminate();
        xvfb.waitForFinished();
    });
    QProcess probe;
    QProcessEnvironment probeEnv = QProcessEnvironment::systemEnvironment();
    probeEnv.insert("DISPLAY", display);
    probe.setProcessEnvironment(probeEnv);
    QTRY_VERIFY_WITH_TIMEOUT((probe.start("xdotool", {"getdisplaygeometry"}), probe.waitForFinished(5000) &&
                                                                                    probe.exitCode() == 0),
                             10000);
    QTcpServer lobby;
    QVERIFY(lobby.listen(QHostAddress::LocalHost, 0));
    GameProcess g;
    g.start({}, lobby.serverPort(), {}, {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", display}});
    const auto report = qScopeGuard([&] {
        if (QTest::currentTestFailed())
            qWarning("program said: %s", g.process.readAllStandardError().constData());
    });
    QTRY_COMPARE_WITH_TIMEOUT(windowNames(display), QStringList({"Download The Zumvek Lobby", "Vimbrel"}), 20000);
    // F1 on the table opens the help window.
    QProcess keys;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    keys.setProcessEnvironment(env);
    keys.start("sh", {"-c", "xdotool windowfocus --sync $(xdotool search --onlyvisible --name '^Vimbrel$') key F1"});
    QVERIFY(keys.waitForFinished(5000));
    QTRY_COMPARE_WITH_TIMEOUT(windowNames(display),
                              QStringList({"Download The Zumvek Lobby", "Vimbrel", "Vimbrel - Help File"}), 10000);
    g.process.kill();
    g.process.waitForFinished();
}

QTEST_GUILESS_MAIN(TestLaunch)
#include "tst_launch.moc"
