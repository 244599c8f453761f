// The host's and the table's links on real sockets: bytes per record, departures,
// the caps, and a turned-away connection that still gets its notice.
#include "net/sockclientlink.h"
#include "net/sockserverlink.h"
#include "protocol/receiveremainder.h"
#include "protocol/wiretext.h"

#include <QtTest>

#include <arpa/inet.h>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kWait = 10000;

// A table's side: cuts the host's bytes into messages as the table does.
struct Client : ClientEvents {
    QStringList messages;
    QStringList infos;
    SockClientLink link;
    wire::ReceiveRemainder inbox;
    explicit Client(quint16 port) : link(QString::number(port)) { link.attach(this); }
    void sockRead(const QByteArray& bytes) override {
        QList<QByteArray> cut;
        if (!inbox.feed(bytes, cut)) link.close();
        for (const QByteArray& m : cut) messages << wire::decode(m);
    }
    void departed(Departure why) override { departures << why; }
    void sockInfo(const QString& text) override { infos << text; }
    bool closed() const { return !departures.isEmpty(); }
    QList<Departure> departures;
};

// A host with its listener; every waiting connection goes into the next record, and
// its bytes are cut into messages per record, as the host does.
struct Host : ServerEvents {
    QStringList messages; // "record:message"
    QStringList events;   // "record:disconnect"
    int nextRecord = 1;
    TSock Sock1;
    SockServerLink link{&Sock1};
    std::map<int, wire::ReceiveRemainder> inboxes;

    Host() {
        Sock1.setPortName(QStringLiteral("0"));
        link.attach(this);
        Sock1.setListen(true);
    }
    void Sock1Accept() override {
        inboxes[nextRecord].clear();
        link.accept(nextRecord++);
    }
    void Sock1Read(int record, const QByteArray& bytes) override {
        QList<QByteArray> cut;
        const bool withinCap = inboxes[record].feed(bytes, cut);
        for (const QByteArray& m : cut) messages << QStringLiteral("%1:%2").arg(record).arg(wire::decode(m));
        if (!withinCap) link.close(record);
    }
    void tempsockDisconnect(int record, Departure why) override {
        static const char* const kWhy[] = {"closed by peer", "reset", "closed by us"};
        events << QStringLiteral("%1:%2").arg(record).arg(QLatin1String(kWhy[int(why)]));
    }
    quint16 port() const { return Sock1.localPort(); }
    bool connected(int record) const {
        TSock* sock = link.socketOf(record);
        return sock && sock->Connected();
    }
};

std::unique_ptr<Client> join(Host& host, int record) {
    auto client = std::make_unique<Client>(host.port());
    client->link.open(QStringLiteral("127.0.0.1"));
    if (!QTest::qWaitFor([&] { return host.connected(record); }, kWait)) return nullptr;
    return client;
}

} // namespace

class TestSockLinks : public QObject {
    Q_OBJECT
private slots:
    void messagesAreFramedPerRecord();
    void hostToClientIsDecoded();
    void peerCloseFreesTheRecordOnce();
    void hostCloseIsNotReportedBack();
    void unterminatedFloodCloses();
    void destroyDeliversTheNoticeFirst();
    void peerThatNeverReadsIsDropped();
    void recordTakesANewConnection();
};

void TestSockLinks::messagesAreFramedPerRecord() {
    Host host;
    auto first = join(host, 1);
    QVERIFY(first);
    auto second = join(host, 2);
    QVERIFY(second);
    QCOMPARE(host.link.socketOf(2)->Tag, 2);

    // Halves from both records interleave; each record keeps its own remainder.
    first->link.send("CMD_chat+1+hel");
    second->link.send("CMD_chat+2+wor");
    QTest::qWait(50);
    first->link.send(QByteArray("lo|clBlack\xFF"
                                "CMD_action+1+waves|clRed\xFF"));
    second->link.send(QByteArray("ld|clBlue\xFF"));
    QTRY_COMPARE_WITH_TIMEOUT(host.messages.size(), 3, kWait);
    QCOMPARE(host.messages.filter(QStringLiteral("1:")),
             QStringList({"1:CMD_chat+1+hello|clBlack", "1:CMD_action+1+waves|clRed"}));
    QCOMPARE(host.messages.filter(QStringLiteral("2:")),
             QStringList({"2:CMD_chat+2+world|clBlue"}));
}

void TestSockLinks::hostToClientIsDecoded() {
    Host host;
    auto client = join(host, 1);
    QVERIFY(client);
    host.link.send(1, QByteArray("CMD_sendlogininfo+1\xFF"
                                  "CMD_newplayerinfo+1+Zo\xC3\xAB\xFF"
                                  "CMD_chat+B\xE9"));
    host.link.send(1, QByteArray("a chats: hi|clBlack\xFF"));
    QTRY_COMPARE_WITH_TIMEOUT(client->messages.size(), 3, kWait);
    QCOMPARE(client->messages[0], QStringLiteral("CMD_sendlogininfo+1"));
    QCOMPARE(client->messages[1], QStringLiteral("CMD_newplayerinfo+1+Zo\u00EB"));
    QCOMPARE(client->messages[2], QStringLiteral("CMD_chat+B\u00E9a chats: hi|clBlack"));
    // Sends to a record without a connection go nowhere.
    host.link.send(7, "CMD_x+\xFF");
}

void TestSockLinks::peerCloseFreesTheRecordOnce() {
    Host host;
    auto client = join(host, 1);
    QVERIFY(client);
    client->link.close();
    QVERIFY(!client->closed()); // heard from the event loop, not inside close()
    QTRY_COMPARE_WITH_TIMEOUT(host.events, QStringList({"1:closed by peer"}), kWait);
    QVERIFY(!host.connected(1));
    QTest::qWait(50);
    QCOMPARE(host.events, QStringList({"1:closed by peer"}));
    QCOMPARE(client->departures, QList<Departure>{Departure::ClosedByUs});
}

void TestSockLinks::hostCloseIsNotReportedBack() {
    Host host;
    auto client = join(host, 1);
    QVERIFY(client);
    // The host closes from its handlers and has let the record go already: hearing
    // of it again, inside the call or later, would tear down whoever holds it next.
    host.link.close(1);
    QVERIFY(!host.connected(1));
    QTRY_VERIFY_WITH_TIMEOUT(client->closed(), kWait);
    QTest::qWait(50);
    QVERIFY(host.events.isEmpty());
}

void TestSockLinks::unterminatedFloodCloses() {
    Host host;
    auto client = join(host, 1);
    QVERIFY(client);
    client->link.send("CMD_ok+\xFF");
    client->link.send(QByteArray(wire::ReceiveRemainder::kMaxPending, 'x'));
    QTRY_VERIFY_WITH_TIMEOUT(!host.connected(1), kWait);
    QCOMPARE(host.messages, QStringList({"1:CMD_ok+"}));
    QTRY_VERIFY_WITH_TIMEOUT(client->closed(), kWait);

    // The same cap guards the table against a host that never ends a message.
    auto other = join(host, 2);
    QVERIFY(other);
    host.link.send(2, QByteArray(wire::ReceiveRemainder::kMaxPending + 10, 'y'));
    QTRY_VERIFY_WITH_TIMEOUT(other->closed(), kWait);
    QVERIFY(other->messages.isEmpty());
}

void TestSockLinks::destroyDeliversTheNoticeFirst() {
    Host host;
    host.nextRecord = 10;
    auto client = join(host, 10);
    QVERIFY(client);
    // Enough in front of the notice that part of it still waits in our buffer.
    const QByteArray pad = "CMD_pad+" + QByteArray(1000, 'p') + '\xFF';
    for (int i = 0; i < 8192; ++i)
        host.link.send(10, pad);
    host.link.send(10, "CMD_full+\xFF");
    QVERIFY(host.link.socketOf(10)->pendingOutgoing() > 0);
    host.link.close(10);
    QVERIFY(!host.link.socketOf(10));
    QTRY_VERIFY_WITH_TIMEOUT(client->closed(), kWait);
    QCOMPARE(client->messages.size(), 8193);
    QCOMPARE(client->messages.last(), QStringLiteral("CMD_full+"));
    QTest::qWait(50);
    QVERIFY(host.events.isEmpty()); // nothing reported back to the host
}

void TestSockLinks::peerThatNeverReadsIsDropped() {
    Host host;
    // A plain descriptor with a small receive buffer that is never read.
    const int peer = ::socket(AF_INET, SOCK_STREAM, 0);
    const int small = 4096;
    setsockopt(peer, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(host.port());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::connect(peer, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    QTRY_VERIFY_WITH_TIMEOUT(host.connected(1), kWait);
    const QByteArray chunk(256 * 1024, 'z');
    for (int i = 0; i < 64 && host.events.isEmpty(); ++i) {
        host.link.send(1, chunk);
        QCoreApplication::processEvents();
    }
    // The link's own drop: the host hears it, as closed by this side.
    QTRY_COMPARE_WITH_TIMEOUT(host.events, QStringList({"1:closed by us"}), kWait);
    QVERIFY(!host.connected(1));
    ::close(peer);
}

void TestSockLinks::recordTakesANewConnection() {
    Host host;
    auto first = join(host, 1);
    QVERIFY(first);
    QPointer<TSock> old = host.link.socketOf(1);
    first->link.close();
    QTRY_VERIFY_WITH_TIMEOUT(!host.connected(1), kWait);
    host.nextRecord = 1; // the record is free again
    auto second = join(host, 1);
    QVERIFY(second);
    QVERIFY(host.link.socketOf(1) != old);
    QTRY_VERIFY_WITH_TIMEOUT(old.isNull(), kWait); // the closed socket was released
    second->link.send("CMD_logininfo+1+1.0.7+Bo\xFF");
    QTRY_VERIFY_WITH_TIMEOUT(host.messages.contains(QStringLiteral("1:CMD_logininfo+1+1.0.7+Bo")),
                             kWait);
}

QTEST_MAIN(TestSockLinks)
#include "tst_socklinks.moc"
