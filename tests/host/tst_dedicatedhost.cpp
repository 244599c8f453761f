// vimbrel-host as a server operator runs it: a real process on a free port, players
// joining over loopback, a whole game with the computer, and SIGTERM ending it.
#include "protocol/wiretext.h"
#include "rules/rules.h"
#include "soak/loopbackhost.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QtTest>

#include <csignal>
#include <memory>
#include <vector>

namespace {

// A player that plays its own turns as the computer would, straight from the wire.
class Player {
public:
    WireClient client;
    QString name;
    int phase = 1;
    rules::Dice dice{};

    Player(quint16 port, QString who) : client(port), name(std::move(who)) {
        client.onMessage = [this](const QString& m) { heard(m); };
    }
    bool loggedIn() const {
        return client.record != 0 && client.count("CMD_newplayerinfo+" +
                                                  QString::number(client.record) + "+" + name) == 1;
    }

private:
    void send(const QString& text) { client.send(text.toUtf8()); }
    void heard(const QString& m) {
        const QStringList f = m.split(QLatin1Char('+'));
        const int me = client.record;
        if (m.startsWith("CMD_sendlogininfo+")) {
            send(QStringLiteral("CMD_logininfo+%1+1.0.7+%2").arg(f[1], name));
        } else if (m.startsWith("CMD_nextplayer+") && f[1].toInt() == me) {
            phase = f[2].toInt();
            dice = {};
            send(QStringLiteral("CMD_rollthedice+%1+1+2+3+4+5+6+7+8+9+10").arg(me));
        } else if (m.startsWith("CMD_createdice+") && f[1].toInt() == me) {
            for (int i = 3; i + 2 < f.size(); i += 3)
                dice[f[i].toInt()] = {f[i + 1].toInt(), f[i + 2].toInt(), false};
            const rules::Plan plan = rules::computerplay(phase, dice);
            QString keep, roll;
            for (int d = 1; d <= rules::kDice; ++d)
                (plan[d] == 1 ? keep : roll) += QLatin1Char('+') + QString::number(d);
            if (f[2].toInt() >= 3 || roll.isEmpty())
                send(QStringLiteral("CMD_alldone+%1").arg(me) +
                     (keep.isEmpty() ? QStringLiteral("+none") : keep));
            else
                send(QStringLiteral("CMD_rollthedice+%1").arg(me) + roll);
        }
    }
};

// vimbrel-host on a port of its own choosing (--port 0), read back from its first line.
struct HostProcess {
    QProcess process;
    quint16 port = 0;
    QString log;

    void start(const QStringList& extra = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VIMBREL_PAUSE_TICK_MS", "1");
        env.insert("VIMBREL_BOT_STEP_MS", "5");
        process.setProcessEnvironment(env);
        process.start(VIMBREL_HOST_EXE, QStringList{"--port", "0"} + extra);
    }
    // True once the host logged the port it listens on, now in `port`.
    bool listening() {
        static const QRegularExpression line(QStringLiteral("listening on port (\\d+) "));
        if (port == 0) port = quint16(line.match(logText()).captured(1).toUInt());
        return port != 0;
    }
    bool logged(const QString& text) { return logText().contains(text); }
    const QString& logText() {
        log += QString::fromUtf8(process.readAllStandardOutput());
        return log;
    }
    ~HostProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
};

} // namespace

class TestDedicatedHost : public QObject {
    Q_OBJECT
private slots:
    void wholeGameWithTheComputerThenSigterm();
    void badArgumentsAndBusyPortExitTwo();
    void botSkillIsLoggedAtStart();
    void bothFamiliesJoinAndAreLoggedReadably();
    void oneAddressHoldsFourConnectionsAtMost();
};

void TestDedicatedHost::wholeGameWithTheComputerThenSigterm() {
    HostProcess host;
    host.start({"--bot-speed", "500"});
    QVERIFY(host.process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(host.listening(), 5000);

    // Ann takes record 1 and the host's powers; seat 2 is left to the computer.
    Player ann(host.port, "Ann");
    QTRY_VERIFY_WITH_TIMEOUT(ann.loggedIn(), 5000);
    QTRY_COMPARE(ann.client.count("CMD_hostpowers+"), 1);
    WireClient passerby(host.port);
    QTRY_COMPARE(passerby.record, 2);
    Player cid(host.port, "Cid");
    QTRY_VERIFY_WITH_TIMEOUT(cid.loggedIn(), 5000);
    QCOMPARE(cid.client.record, 3);
    QCOMPARE(cid.client.count("CMD_hostpowers+"), 0);
    passerby.socket.abort();
    QTRY_VERIFY(host.logged("record 2 () left: the connection ended"));

    // Record 1 starts; no table may ask for the computer's test pace (5 ms).
    ann.client.send("CMD_botspeed+1+5+");
    ann.client.send("CMD_startgame+Ann+0+0+f+");
    QTRY_VERIFY_WITH_TIMEOUT(!ann.client.messages.filter("CMD_winner+").isEmpty(), 120000);
    const QString winner = ann.client.messages.filter("CMD_winner+").constFirst();
    QTRY_COMPARE(cid.client.messages.filter("CMD_winner+"), QStringList{winner});
    QVERIFY(!ann.client.messages.filter(QRegularExpression("^CMD_createdice\\+2\\+"))
                 .isEmpty()); // Klot played
    QVERIFY(!cid.client.messages.filter(QRegularExpression("^CMD_scores\\+3\\+")).isEmpty());

    // SIGTERM: everybody is told, every connection closes, the host exits 0. How soon is
    // bench/hostidle.sh's figure; the deadline here only catches a host that hangs.
    ::kill(pid_t(host.process.processId()), SIGTERM);
    QVERIFY(host.process.waitForFinished(30000));
    QCOMPARE(host.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(host.process.exitCode(), 0);
    for (Player* p : {&ann, &cid}) {
        QTRY_VERIFY(p->client.closed());
        QCOMPARE(p->client.messages.last(),
                 QStringLiteral("CMD_chat+The table is closing. Thanks for playing!|clBlue"));
    }
    host.logged({});
    for (const QString& line : {QStringLiteral("connection from 127.0.0.1 took record 1"),
                                QStringLiteral("record 1 logged in as Ann"),
                                QStringLiteral("record 2 () left: the connection ended"),
                                QStringLiteral("game started by Ann"),
                                QStringLiteral("game over: ") + winner.mid(11).chopped(1) + " won",
                                QStringLiteral("stopping (SIGTERM)"), QStringLiteral("stopped")})
        QVERIFY2(host.log.contains(line), qPrintable(line + " missing in:\n" + host.log));
}

void TestDedicatedHost::botSkillIsLoggedAtStart() {
    for (const char* skill : {"expert", "normal"}) {
        HostProcess host;
        host.start({"--bot-skill", skill});
        QVERIFY(host.process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(
            host.logged(QStringLiteral("bot skill %1)").arg(QLatin1String(skill))), 5000);
    }
}

void TestDedicatedHost::badArgumentsAndBusyPortExitTwo() {
    for (const QStringList& args :
         {QStringList{"--port", "x"}, QStringList{"--port", "65536"},
          QStringList{"--bot-speed", "750"}, QStringList{"--players"},
          QStringList{"--bot-skill", "hard"}, QStringList{"--bot-skill"}}) {
        QProcess p;
        p.start(VIMBREL_HOST_EXE, args);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 2);
        const QByteArray err = p.readAllStandardError();
        QCOMPARE(err.count('\n'), 1);
        QVERIFY(err.startsWith("vimbrel-host: "));
    }
    QTcpServer busy;
    QVERIFY(busy.listen(QHostAddress::AnyIPv4, 0));
    QProcess p;
    p.start(VIMBREL_HOST_EXE, {"--port", QString::number(busy.serverPort())});
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(p.readAllStandardError().contains("Listen - Error Binding Socket"));
}

void TestDedicatedHost::bothFamiliesJoinAndAreLoggedReadably() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHostIPv6, 0))
        QSKIP("::1 cannot be bound on this machine (no IPv6 loopback): IPv6 join not run");
    probe.close();
    HostProcess host;
    host.start();
    QVERIFY(host.process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(host.listening(), 5000);
    WireClient six(host.port, QStringLiteral("::1"));
    QTRY_COMPARE(six.record, 1);
    WireClient four(host.port);
    QTRY_COMPARE(four.record, 2);
    for (const QString& line : {QStringLiteral("connection from ::1 took record 1"),
                                QStringLiteral("connection from 127.0.0.1 took record 2")})
        QTRY_VERIFY2(host.logged(line), qPrintable(line + " missing in:\n" + host.log));

    QProcess help;
    help.start(VIMBREL_HOST_EXE, {"--help"});
    QVERIFY(help.waitForFinished(5000));
    QVERIFY(help.readAllStandardOutput().contains("IPv6 address (brackets optional"));
}

void TestDedicatedHost::oneAddressHoldsFourConnectionsAtMost() {
    HostProcess host;
    host.start();
    QVERIFY(host.process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(host.listening(), 5000);
    std::vector<std::unique_ptr<WireClient>> held;
    for (int r = 1; r <= 4; ++r) {
        held.push_back(std::make_unique<WireClient>(host.port));
        QTRY_COMPARE(held.back()->record, r);
    }
    // A burst of five more from the same address: each closed at once without a byte,
    // none given a record, one log line for them all.
    std::vector<std::unique_ptr<QTcpSocket>> burst;
    for (int i = 0; i < 5; ++i) {
        burst.push_back(std::make_unique<QTcpSocket>());
        burst.back()->connectToHost(QHostAddress::LocalHost, host.port);
    }
    for (const auto& s : burst) {
        QTRY_COMPARE(s->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(s->readAll(), QByteArray());
    }
    const QString line = QStringLiteral(
        "connection from 127.0.0.1 closed: the limit of 4 connections from one address");
    QTRY_VERIFY2(host.logged(line), qPrintable(host.log));
    QCOMPARE(host.log.count(line), 1);
    QVERIFY(!host.log.contains("took record 5"));

    // The limit counts open connections: one that ends makes room.
    held.back()->socket.disconnectFromHost();
    QTRY_VERIFY(host.logged("record 4 () left"));
    WireClient again(host.port);
    QTRY_COMPARE(again.count("CMD_sendlogininfo+4"), 1);
    for (int i = 0; i < 3; ++i)
        QVERIFY(!held[size_t(i)]->closed());
}

QTEST_GUILESS_MAIN(TestDedicatedHost)
#include "tst_dedicatedhost.moc"
