// The host on real loopback sockets: every way a connection can end reaches the one
// teardown path with exactly one departure notice, requests act only for the
// connection they came from, and both ends carry the dead-peer timings.
#include "loopbackhost.h"
#include "net/sockclientlink.h"

#include <QtTest>

#include <QThread>

#include <arpa/inet.h>
#include <netinet/tcp.h>

namespace {

std::unique_ptr<WireClient> join(LoopbackHost& host, const QByteArray& name) {
    auto client = std::make_unique<WireClient>(host.port());
    if (!runUntil([&] { return client->record != 0; })) return nullptr;
    client->send("CMD_logininfo+" + QByteArray::number(client->record) + "+1.0.7+" + name);
    const int r = client->record;
    if (!runUntil([&] { return host.server.record(r).name == QString::fromUtf8(name); }))
        return nullptr;
    return client;
}

// A peer on a bare descriptor with a small receive buffer that it never reads.
int sluggishPeer(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Waits, without running any event, until the kernel has taken the peer's reset on
// the host's end of the record's connection: the host has not heard of it yet.
bool resetReachedHost(LoopbackHost& host, int record) {
    TSock* sock = host.link.socketOf(record);
    QTcpSocket* socket = sock ? sock->findChild<QTcpSocket*>() : nullptr;
    const int fd = socket ? int(socket->socketDescriptor()) : -1;
    if (fd < 0) return false;
    for (int i = 0; i < 5000; ++i) {
        tcp_info state{};
        socklen_t length = sizeof state;
        if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &state, &length) != 0) return false;
        if (state.tcpi_state == TCP_CLOSE) return true;
        QThread::msleep(1);
    }
    return false;
}

int option(int fd, int level, int name) {
    int value = -1;
    socklen_t length = sizeof value;
    return ::getsockopt(fd, level, name, &value, &length) == 0 ? value : -1;
}

} // namespace

class TestHostLinks : public QObject {
    Q_OBJECT
private slots:
    void everyEndingGivesOneDepartureNotice_data();
    void everyEndingGivesOneDepartureNotice();
    void resetSeenDuringABroadcast_data();
    void resetSeenDuringABroadcast();
    void requestsActOnlyForTheirConnection();
    void deadPeerTimingsOnBothEnds();
};

void TestHostLinks::everyEndingGivesOneDepartureNotice_data() {
    QTest::addColumn<QString>("ending");
    for (const char* e : {"orderly close", "reset", "removed by record 1", "queue flood",
                          "unterminated flood", "never reads"})
        QTest::newRow(e) << QString::fromLatin1(e);
}

void TestHostLinks::everyEndingGivesOneDepartureNotice() {
    QFETCH(QString, ending);
    LoopbackHost host;
    auto ann = join(host, "Ann");
    auto bob = join(host, "Bob");
    QVERIFY(ann && bob);
    std::unique_ptr<WireClient> cid;
    int sluggish = -1;
    if (ending == QLatin1String("never reads")) {
        sluggish = sluggishPeer(host.port());
        QVERIFY(runUntil([&] { return host.server.record(3).connected; }));
        const QByteArray login("CMD_logininfo+3+1.0.7+Cid\xFF");
        QCOMPARE(::send(sluggish, login.constData(), size_t(login.size()), 0), login.size());
        QVERIFY(runUntil([&] { return host.server.record(3).name == QLatin1String("Cid"); }));
        // The host has far more to say to it than it will ever take.
        const QByteArray chunk(256 * 1024, 'z');
        for (int i = 0; i < 256 && host.server.record(3).connected; ++i) {
            host.link.send(3, chunk);
            QCoreApplication::processEvents();
        }
    } else {
        cid = join(host, "Cid");
        QVERIFY(cid && cid->record == 3);
        if (ending == QLatin1String("orderly close")) {
            cid->socket.disconnectFromHost();
        } else if (ending == QLatin1String("reset")) {
            cid->reset();
        } else if (ending == QLatin1String("removed by record 1")) {
            ann->send("CMD_kickhim+1+3+");
        } else if (ending == QLatin1String("queue flood")) {
            QByteArray flood;
            for (int i = 0; i < 200; ++i)
                flood += "CMD_justwatch+3+2\xFF";
            cid->sendRaw(flood);
        } else {
            cid->sendRaw(QByteArray(70 * 1024, 'x'));
        }
    }
    QVERIFY(runUntil([&] { return !host.server.record(3).connected; }));
    QTest::qWait(300); // a second report of the same end would arrive by now
    const QString notice = QStringLiteral("CMD_playerdisconnected+3+Cid");
    QCOMPARE(ann->count(notice), 1);
    QCOMPARE(bob->count(notice), 1);
    if (cid) QVERIFY(runUntil([&] { return cid->closed(); }));
    if (sluggish >= 0) ::close(sluggish);

    // The record is free for the next connection.
    auto dan = join(host, "Dan");
    QVERIFY(dan);
    QCOMPARE(dan->record, 3);
}

void TestHostLinks::resetSeenDuringABroadcast_data() {
    QTest::addColumn<bool>("duringScoring");
    QTest::newRow("scoring the turn") << true;
    QTest::newRow("passing the turn") << false;
}

// Bob (seat 2) resets while the host broadcasts to him. The host must learn of it
// only after the broadcast, so everyone else hears the same story in the same order.
void TestHostLinks::resetSeenDuringABroadcast() {
    QFETCH(bool, duringScoring);
    LoopbackHost host;
    // Scoring: a short pause, so a pause that wrongly runs on would show. Passing: the
    // pause is ended by hand.
    host.server.timer1().setInterval(duringScoring ? 10 : 3600 * 1000);
    auto ann = join(host, "Ann");
    auto bob = join(host, "Bob");
    auto cid = join(host, "Cid");
    QVERIFY(ann && bob && cid);
    ann->send("CMD_startgame+Ann+0+0+f+");
    ann->send("CMD_alldone+1+none");
    const QString afterAnn = duringScoring ? QStringLiteral("CMD_nextplayer+2+1+1+")
                                           : QStringLiteral("CMD_noscore+1+none");
    QVERIFY(runUntil([&] { return ann->count(afterAnn) == 1 && cid->count(afterAnn) == 1; }));
    QCOMPARE(ann->messages.last(), afterAnn);
    QCOMPARE(cid->messages.last(), afterAnn);
    const qsizetype annMark = ann->messages.size();
    const qsizetype cidMark = cid->messages.size();

    bob->reset();
    QVERIFY(resetReachedHost(host, 2));
    QStringList expected;
    if (duringScoring) {
        // Bob's end of turn, as the dispatch tick hands it over.
        host.server.queue().enqueue(QStringLiteral("CMD_alldone+2+none"), 2);
        host.server.queue().tick();
        expected << QStringLiteral("CMD_noscore+2+none");
    } else {
        while (host.server.timer1().isActive())
            host.server.timer1Timer();
        expected << QStringLiteral("CMD_nextplayer+2+1+1+");
    }
    // Bob's seat waits for him: after his scored turn the turn moves on to seat 3;
    // when his turn was just beginning, the computer plays it for him.
    expected << QStringLiteral("CMD_playerdisconnected+2+Bob") << QStringLiteral("CMD_seatheld+2+Bob");
    if (duringScoring) expected << QStringLiteral("CMD_nextplayer+3+1+1+");

    QVERIFY(runUntil([&] {
        return ann->messages.size() >= annMark + expected.size() && cid->messages.size() >= cidMark + expected.size();
    }));
    QTest::qWait(300); // many pauses long: a second pass of the turn would be here
    QCOMPARE(ann->messages.mid(annMark, expected.size()), expected);
    QCOMPARE(cid->messages.mid(cidMark, expected.size()), expected);
    QCOMPARE(ann->count(QStringLiteral("CMD_playerdisconnected+2+Bob")), 1);
    QCOMPARE(host.server.currentseat(), duringScoring ? 3 : 2);
    QVERIFY(!host.server.record(2).connected && host.server.record(2).held);
    QVERIFY(host.server.record(3).connected);
}

void TestHostLinks::requestsActOnlyForTheirConnection() {
    LoopbackHost host;
    auto ann = join(host, "Ann");
    auto bob = join(host, "Bob");
    QVERIFY(ann && bob);
    ann->send("CMD_startgame+Ann+0+0+f+");
    QVERIFY(runUntil([&] { return ann->count(QStringLiteral("CMD_nextplayer+1+1+1+")) == 1; }));

    // Bob names record 1 in every field that says who is asking.
    for (const char* spoof :
         {"CMD_chat+1+I am Ann|clBlack", "CMD_action+1+bows|clBlack", "CMD_kickhim+1+1+",
          "CMD_botspeed+1+5+", "CMD_logininfo+1+1.0.7+Mallory", "CMD_rollthedice+1+1+2+3",
          "CMD_alldone+1+none", "CMD_rollthedice+1"})
        bob->send(spoof);
    bob->send("CMD_chat+2+done|clBlack"); // handled after all of the above
    const QString marker = QStringLiteral("CMD_chat+Bob chats: done|clBlack");
    QVERIFY(runUntil([&] { return ann->count(marker) == 1; }));

    QCOMPARE(ann->messages.last(), marker);
    QCOMPARE(host.server.record(1).name, QStringLiteral("Ann"));
    QVERIFY(host.server.record(1).connected);
    QCOMPARE(host.server.botinterval(), 0);
    QCOMPARE(host.server.rollno(), 0);
    QCOMPARE(host.server.currentseat(), 1);
    for (const QString& m : ann->messages) {
        QVERIFY2(!m.startsWith(QLatin1String("CMD_createdice+")), qPrintable(m));
        QVERIFY2(!m.startsWith(QLatin1String("CMD_noscore+")), qPrintable(m));
        QVERIFY2(!m.contains(QLatin1String("Ann chats")), qPrintable(m));
        QVERIFY2(!m.contains(QLatin1String("Ann bows")), qPrintable(m));
    }
}

void TestHostLinks::deadPeerTimingsOnBothEnds() {
    LoopbackHost host;
    SockClientLink client(QString::number(host.port()));
    client.open(QStringLiteral("127.0.0.1"));
    QVERIFY(
        runUntil([&] { return host.server.record(1).connected && client.socket()->Connected(); }));
    QTcpSocket* accepted = host.link.socketOf(1)->findChild<QTcpSocket*>();
    QTcpSocket* own = client.socket()->findChild<QTcpSocket*>();
    QVERIFY(accepted && own);
    for (QTcpSocket* s : {accepted, own}) {
        const int fd = int(s->socketDescriptor());
        QVERIFY(fd >= 0);
        QCOMPARE(option(fd, SOL_SOCKET, SO_KEEPALIVE), 1);
        QCOMPARE(option(fd, IPPROTO_TCP, TCP_KEEPIDLE), 10);
        QCOMPARE(option(fd, IPPROTO_TCP, TCP_KEEPINTVL), 5);
        QCOMPARE(option(fd, IPPROTO_TCP, TCP_KEEPCNT), 3);
        QCOMPARE(option(fd, IPPROTO_TCP, TCP_USER_TIMEOUT), 30000);
    }
}

QTEST_MAIN(TestHostLinks)
#include "tst_hostlinks.moc"
