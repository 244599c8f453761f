// vimbrel-host against raw clients that do what a stranger on the internet would:
// log in again and again, ask for things before logging in, hide lines in fields for
// the log, and keep a full backlog to starve everybody else. Exact bytes throughout;
// the deadlines only catch a hang.
#include "common/wireclient.h"
#include "protocol/lineallowance.h"
#include "protocol/wiretext.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

constexpr int kHang = 30000;

// A connection speaking the wire format, optionally from another loopback address
// (the host limits connections per address).
class Peer : public WireClient {
public:
    Peer(quint16 port, const QString& from = {})
        : WireClient(port, QStringLiteral("127.0.0.1"), from) {}
    bool joinAs(const QString& name) {
        if (!QTest::qWaitFor([this] { return record != 0; }, kHang)) return false;
        send(QStringLiteral("CMD_logininfo+%1+1.0.7+%2")
                 .arg(QString::number(record), name)
                 .toUtf8());
        return QTest::qWaitFor(
            [&] {
                return count(QStringLiteral("CMD_newplayerinfo+%1+%2")
                                 .arg(QString::number(record), name)) == 1;
            },
            kHang);
    }
};

struct Host {
    QProcess process;
    QString log;
    quint16 port = 0;

    bool start() {
        process.start(VIMBREL_HOST_EXE, {"--port", "0"});
        static const QRegularExpression listening(QStringLiteral("listening on port (\\d+)"));
        return QTest::qWaitFor(
            [this] {
                const QRegularExpressionMatch m = listening.match(readLog());
                port = m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
                return port != 0;
            },
            kHang);
    }
    const QString& readLog() {
        log += QString::fromUtf8(process.readAllStandardOutput());
        return log;
    }
    ~Host() {
        process.kill();
        process.waitForFinished();
    }
};

// Ann on record 1, Bob on record 2, both logged in.
#define START_TABLE(host, ann, bob)                                                                \
    Host host;                                                                                     \
    QVERIFY(host.start());                                                                         \
    Peer ann(host.port);                                                                           \
    QVERIFY(ann.joinAs(QStringLiteral("Ann")));                                                    \
    Peer bob(host.port);                                                                           \
    QVERIFY(bob.joinAs(QStringLiteral("Bob")))

} // namespace

class TestHostilePeers : public QObject {
    Q_OBJECT
private slots:
    void logInFloodReachesNobody();
    void strangerNeitherStartsNorHandsOverSeats();
    void logShowsFieldsAsData();
    void backlogsDoNotDelayOthers();
};

void TestHostilePeers::logInFloodReachesNobody() {
    START_TABLE(host, ann, bob);
    QTRY_COMPARE(ann.count("CMD_hostpowers+"), 1);
    Peer mallory(host.port);
    QVERIFY(QTest::qWaitFor([&] { return mallory.record == 3; }, kHang));
    // A 60 KiB name, sent as often as the host would queue it.
    const QByteArray login = "CMD_logininfo+3+1.0.7+" + QByteArray(60 * 1024, 'M');
    for (int i = 0; i < 60; ++i) {
        mallory.send(login);
        mallory.socket.flush();
    }
    mallory.send("CMD_kickhim+1+2+");
    mallory.send("CMD_chat+3+done|clBlack");
    const QString name(24, QLatin1Char('M'));
    QTRY_VERIFY_WITH_TIMEOUT(ann.count("CMD_chat+" + name + " chats: done|clBlack") == 1, kHang);
    QCOMPARE(ann.messages.filter(QRegularExpression("^CMD_newplayerinfo\\+3\\+")),
             QStringList{"CMD_newplayerinfo+3+" + name});
    QCOMPARE(bob.messages.filter(QRegularExpression("^CMD_(newplayerinfo|playerdisconnected)\\+")),
             QStringList({"CMD_newplayerinfo+2+Bob", "CMD_newplayerinfo+3+" + name}));
    QCOMPARE(ann.socket.state(), QAbstractSocket::ConnectedState);
}

void TestHostilePeers::strangerNeitherStartsNorHandsOverSeats() {
    START_TABLE(host, ann, bob);
    ann.send("CMD_startgame+Ann+0+0+f+");
    QTRY_VERIFY_WITH_TIMEOUT(bob.count("CMD_nextplayer+1+1+1+") == 1, kHang);
    Peer zed(host.port);
    QVERIFY(QTest::qWaitFor([&] { return zed.record == 3; }, kHang));
    // Before its log-in, then after it: neither is record 1.
    for (int i = 0; i < 25; ++i) {
        zed.send("CMD_startgame+Zed+0+0+f+");
        zed.send("CMD_justwatch+2+1");
    }
    zed.send("CMD_logininfo+3+1.0.7+Zed");
    zed.send("CMD_startgame+Zed+0+0+f+");
    zed.send("CMD_justwatch+1+1");
    zed.send("CMD_chat+3+done|clBlack");
    QTRY_VERIFY_WITH_TIMEOUT(bob.count("CMD_chat+Zed chats: done|clBlack") == 1, kHang);
    QCOMPARE(bob.messages.filter(QRegularExpression("^CMD_(startgame|justwatching)\\+")),
             QStringList{"CMD_startgame+Ann+0+0+f+"});
    QCOMPARE(bob.count("CMD_nextplayer+1+1+1+"), 1);
}

void TestHostilePeers::logShowsFieldsAsData() {
    START_TABLE(host, ann, bob);
    Peer stranger(host.port);
    QVERIFY(QTest::qWaitFor([&] { return stranger.record == 3; }, kHang));
    stranger.send("CMD_kickhim+1+x\ngame over: Mallory won\n+");
    bob.send("CMD_kickhim+1+x\nrecord 1 logged in as admin\x1b[31m+");
    for (int i = 0; i < 50; ++i)
        bob.send("CMD_botspeed+2+many+");
    bob.send("CMD_chat+2+done|clBlack");
    QTRY_VERIFY_WITH_TIMEOUT(ann.count("CMD_chat+Bob chats: done|clBlack") == 1, kHang);
    // A later arrival's line comes after every line those requests wrote.
    Peer late(host.port);
    QTRY_VERIFY_WITH_TIMEOUT(host.readLog().contains("took record 4"), kHang);

    const QStringList lines = host.log.split(QLatin1Char('\n'));
    QVERIFY(lines.contains(
        "bad request: 'x?record 1 logged in as admin?[31m' is not a valid integer value"));
    QVERIFY(!lines.contains("record 1 logged in as admin"));
    QVERIFY(!host.log.contains("Mallory"));
    QVERIFY(!host.log.contains(QLatin1Char('\x1b')));
    // One window's ration, and a word that more were left out.
    QCOMPARE(lines.filter(QRegularExpression("^bad request: ")).size(), wire::kLogBurst);
    QCOMPARE(lines.filter(QRegularExpression("^record 2: too many bad requests")).size(), 1);
}

void TestHostilePeers::backlogsDoNotDelayOthers() {
    Host host;
    QVERIFY(host.start());
    Peer ann(host.port);
    QVERIFY(ann.joinAs(QStringLiteral("Ann")));
    // Seven connections, each from its own address, log in and then keep a backlog
    // as long as the host allows, ending in a line of their own.
    std::vector<std::unique_ptr<Peer>> crowd;
    for (int i = 2; i <= 8; ++i) {
        crowd.push_back(std::make_unique<Peer>(host.port, QStringLiteral("127.0.0.%1").arg(i)));
        Peer& p = *crowd.back();
        QVERIFY(QTest::qWaitFor([&] { return p.record != 0; }, kHang));
        const QByteArray r = QByteArray::number(p.record);
        QByteArray burst = "CMD_logininfo+" + r + "+1.0.7+P" + r + wire::kTerminator;
        for (int n = 0; n < 61; ++n)
            burst += "CMD_kickhim+" + r + "+1+" + wire::kTerminator;
        burst += "CMD_chat+" + r + "+last|clBlack" + wire::kTerminator;
        p.socket.write(burst);
    }
    // Every backlog is at the host once its first message was handled.
    QTRY_VERIFY_WITH_TIMEOUT(
        ann.messages.filter(QRegularExpression("^CMD_newplayerinfo\\+[2-8]\\+")).size() == 7,
        kHang);
    ann.send("CMD_chat+1+hello|clBlack");
    QTRY_VERIFY_WITH_TIMEOUT(
        ann.messages.filter(QRegularExpression(" chats: last\\|clBlack$")).size() == 7, kHang);
    const qsizetype mine = ann.indexOf("CMD_chat+Ann chats: hello|clBlack");
    QVERIFY(mine >= 0);
    QVERIFY2(mine < ann.indexOf("CMD_chat+P2 chats: last|clBlack"),
             qPrintable(ann.messages.join('\n')));
}

QTEST_GUILESS_MAIN(TestHostilePeers)
#include "tst_hostilepeers.moc"
