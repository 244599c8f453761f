// TSock on loopback: info texts, event order, byte-exact data, errors.
#include "net/Sock.h"
#include "net/sockdetail.h"
#include "protocol/fields.h"
#include "sockrecorder.h"

#include <QHostInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <QThread>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kWait = 10000;

// A listener on an ephemeral port that accepts every connection, and a client.
// The recorders come first: the sockets report "Socket Closed" as they are destroyed.
struct Pair {
    SockRecorder listenerEvents;
    SockRecorder acceptedEvents; // bound on the listener, so copied by Accept
    SockRecorder clientEvents;
    QList<TSock*> accepted;
    TSock listener;
    TSock client;

    Pair() {
        acceptedEvents.bind(&listener);
        // Accept copies this handler: texts of the accepted sockets go to their recorder.
        listener.OnInfo = [this](TSock* sender, TSocketInfo code, const QString& text) {
            SockRecorder& to = sender == &listener ? listenerEvents : acceptedEvents;
            to.events << QStringLiteral("info %1 %2").arg(int(code)).arg(text);
        };
        listener.OnAccept = [this](TSock* sender) {
            TSock* sock = nullptr;
            if (sender->Accept(sock)) accepted << sock;
        };
        listener.setPortName(QStringLiteral("0"));
        listener.setListen(true);
        clientEvents.bind(&client);
        client.setHostName(QStringLiteral("127.0.0.1"));
        client.setPortName(QString::number(listener.localPort()));
    }
    bool connect() {
        client.Open();
        return QTest::qWaitFor([this] { return client.Connected() && !accepted.isEmpty(); }, kWait);
    }
};

quint16 unusedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool hasIPv6Loopback() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHostIPv6, 0);
}

#define SKIP_WITHOUT_IPV6_LOOPBACK()                                                               \
    if (!hasIPv6Loopback())                                                                        \
    QSKIP("::1 cannot be bound on this machine (no IPv6 loopback): IPv6 case not run")

template <typename F> QString thrownText(F&& call) {
    try {
        call();
    } catch (const ESockException& e) {
        return e.message();
    } catch (const wire::ConvertError& e) {
        return e.message();
    }
    return QStringLiteral("(nothing thrown)");
}

} // namespace

class TestSock : public QObject {
    Q_OBJECT
private slots:
    void errorNames();
    void listenerRules();
    void bindingHeldPortFails();
    void portHeldOnIPv6AloneIsReported();
    void badPortNames();
    void connectReportsAndAcceptedTexts();
    void messagesTogetherAndSplit();
    void everyByteValuePasses();
    void largeArrivalIsSpreadOverReads();
    void sendBeforeConnectIsKept();
    void orderlyCloseOrder();
    void closedSocketSendAndReceive();
    void refusedGivesOnlyTheError();
    void resetEndsLikeAClose_data();
    void resetEndsLikeAClose();
    void hostNameIsResolved();
    void failingInfoHandler();
    void addressTexts();
    void bothFamiliesOnOneListener_data();
    void bothFamiliesOnOneListener();
    void nameWithOnlyIPv6IsJoined();
};

void TestSock::errorNames() {
    int named = 0;
    for (int code = 0; code < 12000; ++code) {
        if (sockErrorName(code) != QLatin1String("UNKNOWN ERROR")) ++named;
    }
    QCOMPARE(named, 51);
    QCOMPARE(sockErrorName(10004), QStringLiteral("WSAEINTR"));
    QCOMPARE(sockErrorName(10035), QStringLiteral("WSAEWOULDBLOCK"));
    QCOMPARE(sockErrorName(10054), QStringLiteral("WSAECONNRESET"));
    QCOMPARE(sockErrorName(10101), QStringLiteral("WSAEDISCON"));
    QCOMPARE(sockErrorName(11001), QStringLiteral("WSAHOST_NOT_FOUND"));
    QCOMPARE(sockErrorName(11004), QStringLiteral("WSANO_DATA"));
    QCOMPARE(sockErrorName(10072), QStringLiteral("UNKNOWN ERROR"));
    QCOMPARE(sockErrorText(10061), QStringLiteral("Error #10061 (WSAECONNREFUSED)"));
    QCOMPARE(sockErrorCode(QAbstractSocket::NetworkError, QStringLiteral("Host unreachable")),
             10065);
    QCOMPARE(sockErrorCode(QAbstractSocket::NetworkError, QStringLiteral("Network unreachable")),
             10051);
}

void TestSock::listenerRules() {
    Pair pair;
    QCOMPARE(pair.listenerEvents.events,
             QStringList({"info 0 Lookup Of Port 0", "info 3 Listening Started"}));
    pair.listener.setListen(true);
    QCOMPARE(pair.listenerEvents.events.last(), QStringLiteral("info 3 Listening Already Running"));
    QVERIFY(pair.listener.Listen());
    QVERIFY(pair.connect()); // still listening after the second call

    QCOMPARE(thrownText([&] { pair.listener.Send("x"); }),
             QStringLiteral("Send - Cannot Send On A Listener Socket"));
    QCOMPARE(thrownText([&] { pair.listener.Receive(); }),
             QStringLiteral("Receive - Cannot Receive On A Listener Socket"));
    TSock* none = nullptr;
    QVERIFY(!pair.listener.Accept(none));
    QVERIFY(!none);
    QCOMPARE(pair.listenerEvents.events.last(),
             QStringLiteral("info 6 Could Not Accept Connection"));
    QCOMPARE(thrownText([&] { pair.client.Accept(none); }),
             QStringLiteral("Accept - Socket Not In Listening Mode"));
    QCOMPARE(thrownText([&] { pair.client.setListen(true); }),
             QStringLiteral("Listen - Socket Already In Use"));
    TSock datagram;
    datagram.SocketType = TSocketType::stDatagram;
    QCOMPARE(thrownText([&] { datagram.setListen(true); }),
             QStringLiteral("Listen - Cannot Listen On A Datagram Socket"));
}

void TestSock::bindingHeldPortFails() {
    Pair pair;
    TSock second;
    second.setPortName(QString::number(pair.listener.localPort()));
    QCOMPARE(thrownText([&] { second.setListen(true); }),
             QStringLiteral("Listen - Error Binding Socket"));
    QVERIFY(!second.Listen());

    // A port held by another program's listener, bound to one address only.
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress::LocalHost, 0));
    TSock third;
    third.setPortName(QString::number(other.serverPort()));
    QCOMPARE(thrownText([&] { third.setListen(true); }),
             QStringLiteral("Listen - Error Binding Socket"));
}

void TestSock::portHeldOnIPv6AloneIsReported() {
    SKIP_WITHOUT_IPV6_LOOPBACK();
    QTcpServer other; // another program on [::]:port with IPV6_V6ONLY, as Qt binds AnyIPv6
    QVERIFY(other.listen(QHostAddress::AnyIPv6, 0));
    const QString port = QString::number(other.serverPort());
    SockRecorder events;
    TSock listener;
    events.bind(&listener);
    listener.setPortName(port);
    listener.setListen(true);
    QVERIFY(listener.ipv6PortHeld());
    QCOMPARE(events.events,
             QStringList({"info 0 Lookup Of Port " + port, "info 3 Listening Started",
                          "info 3 Listening On IPv4 Only - IPv6 Port In Use"}));
    QTcpSocket four;
    four.connectToHost(QHostAddress::LocalHost, other.serverPort());
    QVERIFY(four.waitForConnected(kWait)); // IPv4 is still served
    listener.setListen(false);
    QVERIFY(!listener.ipv6PortHeld());
}

void TestSock::badPortNames() {
    TSock sock;
    sock.setHostName(QStringLiteral("127.0.0.1"));
    sock.setPortName(QStringLiteral("77x2"));
    QCOMPARE(thrownText([&] { sock.Open(); }),
             QStringLiteral("'77x2' is not a valid integer value"));
    // The handle stays until Close; Open in between does nothing.
    QVERIFY(sock.hasHandle());
    QVERIFY(!sock.Open());
    sock.Close();
    sock.setPortName(QStringLiteral("no-such-service-here"));
    QCOMPARE(thrownText([&] { sock.Open(); }),
             QStringLiteral("Port Lookup - Could Not Find Service Entry"));
    sock.Close();
    TSock listener;
    listener.setPortName(QStringLiteral("99999"));
    QCOMPARE(thrownText([&] { listener.setListen(true); }),
             QStringLiteral("Port Lookup - Could Not Find Service Entry"));
}

void TestSock::connectReportsAndAcceptedTexts() {
    Pair pair;
    const QString port = QString::number(pair.listener.localPort());
    QVERIFY(!pair.client.Open()); // the outcome comes later
    QVERIFY(QTest::qWaitFor([&] { return pair.client.Connected() && !pair.accepted.isEmpty(); },
                            kWait));
    QCOMPARE(pair.clientEvents.significant(),
             QStringList({"info 0 Lookup Of Port " + port, "info 0 Lookup Of Host 127.0.0.1",
                          "info 1 Non-Blocking Socket Connected", "connect"}));
    TSock* accepted = pair.accepted.first();
    QVERIFY(accepted->Connected());
    QCOMPARE(accepted->parent(), &pair.listener);
    QCOMPARE(accepted->HostName(), QStringLiteral("127.0.0.1"));
    QCOMPARE(accepted->PortName(), QStringLiteral("0"));
    QCOMPARE(pair.acceptedEvents.significant(),
             QStringList({"info 0 Setting PortName While Connected Has No Effect",
                          "info 0 Setting HostName While Connected Has No Effect"}));
    QCOMPARE(pair.listenerEvents.events.last(),
             QStringLiteral("info 6 Created New TSock Structure"));
    // Setting the names of a connected socket still stores them.
    pair.client.setHostName(QStringLiteral("10.0.0.1"));
    QCOMPARE(pair.clientEvents.events.last(),
             QStringLiteral("info 0 Setting HostName While Connected Has No Effect"));
    QCOMPARE(pair.client.HostName(), QStringLiteral("10.0.0.1"));
}

void TestSock::messagesTogetherAndSplit() {
    Pair pair;
    QVERIFY(pair.connect());
    SockRecorder& server = pair.acceptedEvents;
    pair.client.Send(QByteArray("CMD_chat+1+hi\xFF"
                                "CMD_action+1+waves\xFF"));
    QTRY_COMPARE_WITH_TIMEOUT(server.received.size(), 33, kWait);
    QCOMPARE(server.receiveSizes, QList<int>({33})); // both in one Receive
    QCOMPARE(server.received, QByteArray("CMD_chat+1+hi\xFF"
                                         "CMD_action+1+waves\xFF"));

    server.received.clear();
    server.receiveSizes.clear();
    pair.client.Send("CMD_rollth");
    QTRY_COMPARE_WITH_TIMEOUT(server.received.size(), 10, kWait);
    pair.client.Send("edice+1+2\xFF");
    QTRY_COMPARE_WITH_TIMEOUT(server.received, QByteArray("CMD_rollthedice+1+2\xFF"), kWait);
    QCOMPARE(server.receiveSizes.size(), 2);
}

void TestSock::everyByteValuePasses() {
    Pair pair;
    QVERIFY(pair.connect());
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    pair.client.Send(all);
    pair.accepted.first()->Send(all + all);
    QTRY_COMPARE_WITH_TIMEOUT(pair.acceptedEvents.received, all, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(pair.clientEvents.received, all + all, kWait);
}

void TestSock::largeArrivalIsSpreadOverReads() {
    Pair pair;
    QVERIFY(pair.connect());
    QByteArray big(200000, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i * 7);
    pair.client.Send(big);
    QTRY_COMPARE_WITH_TIMEOUT(pair.acceptedEvents.received.size(), big.size(), kWait);
    QCOMPARE(pair.acceptedEvents.received, big);
    QVERIFY(pair.acceptedEvents.receiveSizes.size() >= 7);
    for (int size : pair.acceptedEvents.receiveSizes)
        QVERIFY(size <= TSock::kReceiveArea);
}

void TestSock::sendBeforeConnectIsKept() {
    Pair pair;
    pair.client.Open();
    QVERIFY(!pair.client.Connected());
    QVERIFY(pair.client.Send("CMD_logininfo+1+1.0.7+Ann\xFF"));
    QVERIFY(pair.client.pendingOutgoing() > 0);
    pair.client.Send("CMD_botspeed+1+500+\xFF");
    QTRY_COMPARE_WITH_TIMEOUT(pair.acceptedEvents.received,
                              QByteArray("CMD_logininfo+1+1.0.7+Ann\xFF"
                                         "CMD_botspeed+1+500+\xFF"),
                              kWait);
}

void TestSock::orderlyCloseOrder() {
    Pair pair;
    QVERIFY(pair.connect());
    pair.acceptedEvents.events.clear();
    pair.acceptedEvents.closeOnDisconnect = true; // as the host does
    pair.client.Close();
    QCOMPARE(pair.clientEvents.events.last(), QStringLiteral("info 2 Socket Closed"));
    QVERIFY(!pair.client.hasHandle());
    QTRY_COMPARE_WITH_TIMEOUT(
        pair.acceptedEvents.significant(),
        QStringList({"disconnect", "info 2 Socket Closed", "info 2 Socket Closed"}), kWait);
    QVERIFY(!pair.accepted.first()->Connected());

    // Without a Close in the handler the close is reported once.
    Pair other;
    QVERIFY(other.connect());
    other.acceptedEvents.events.clear();
    other.client.Close();
    QTRY_COMPARE_WITH_TIMEOUT(other.acceptedEvents.significant(),
                              QStringList({"disconnect", "info 2 Socket Closed"}), kWait);
}

void TestSock::closedSocketSendAndReceive() {
    Pair pair;
    QVERIFY(pair.connect());
    pair.acceptedEvents.receiveOnRead = false; // bytes stay in the incoming buffer
    pair.client.Send("CMD_full+\xFF");
    pair.client.Close();
    TSock* accepted = pair.accepted.first();
    QTRY_VERIFY_WITH_TIMEOUT(!accepted->hasHandle(), kWait);
    QCOMPARE(accepted->Receive(), QByteArray("CMD_full+\xFF"));
    QCOMPARE(thrownText([&] { accepted->Receive(); }),
             QStringLiteral("Receive - Socket Not Connected"));
    QCOMPARE(thrownText([&] { accepted->Send("x"); }),
             QStringLiteral("Send - Socket Not Connected"));
    QCOMPARE(thrownText([&] { pair.client.Send("x"); }),
             QStringLiteral("Send - Socket Not Connected"));
}

void TestSock::refusedGivesOnlyTheError() {
    SockRecorder events;
    TSock client;
    events.bind(&client);
    client.setHostName(QStringLiteral("127.0.0.1"));
    client.setPortName(QString::number(unusedPort()));
    client.Open();
    events.events.clear();
    QTRY_VERIFY_WITH_TIMEOUT(!events.events.isEmpty(), kWait);
    QTest::qWait(200); // anything else would come right behind it
    QCOMPARE(events.events, QStringList({"info 7 Error #10061 (WSAECONNREFUSED)"}));
    // Still connecting: Open does nothing until Close.
    QVERIFY(client.hasHandle());
    QVERIFY(!client.Open());
    QTest::qWait(100);
    QCOMPARE(events.events.size(), 1);
    client.Close();
    QCOMPARE(events.events.last(), QStringLiteral("info 2 Socket Closed"));
    QVERIFY(!client.hasHandle());
}

void TestSock::resetEndsLikeAClose_data() {
    QTest::addColumn<bool>("sendFirst");
    QTest::newRow("noticed by the socket") << false;
    QTest::newRow("found by a send") << true;
}

void TestSock::resetEndsLikeAClose() {
    QFETCH(bool, sendFirst);
    SockRecorder events;
    QList<TSock*> accepted;
    TSock listener;
    events.bind(&listener);
    listener.OnAccept = [&](TSock* sender) {
        TSock* sock = nullptr;
        if (sender->Accept(sock)) accepted << sock;
    };
    listener.setPortName(QStringLiteral("0"));
    listener.setListen(true);
    // A plain descriptor as the peer, so its close can be made abortive.
    const int peer = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(listener.localPort());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::connect(peer, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!accepted.isEmpty(), kWait);
    QTest::qWait(50); // let the accepted socket settle before the reset
    events.events.clear();
    // A zero linger turns the close into a reset.
    const linger abortive{1, 0};
    QCOMPARE(setsockopt(peer, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive), 0);
    ::close(peer);
    if (sendFirst) {
        // The reset is in the kernel before the socket has had a chance to see it.
        const QTcpSocket* socket = accepted.first()->findChild<QTcpSocket*>();
        QVERIFY(socket);
        const int fd = int(socket->socketDescriptor());
        tcp_info state{};
        for (int i = 0; i < 5000 && state.tcpi_state != TCP_CLOSE; ++i) {
            socklen_t length = sizeof state;
            QCOMPARE(getsockopt(fd, IPPROTO_TCP, TCP_INFO, &state, &length), 0);
            if (state.tcpi_state != TCP_CLOSE) QThread::msleep(1);
        }
        QCOMPARE(int(state.tcpi_state), int(TCP_CLOSE));
        // Nothing is reported from inside Send; the end comes as events of its own.
        for (const char* bytes : {"CMD_chat+1+hi\xFF", "CMD_chat+1+again\xFF"}) {
            QVERIFY(accepted.first()->Send(bytes));
            QCOMPARE(events.significant(), QStringList());
            QVERIFY(accepted.first()->Connected());
        }
    }
    QTRY_COMPARE_WITH_TIMEOUT(
        events.significant(),
        QStringList({"info 7 Error #10054 (WSAECONNRESET)", "disconnect", "info 2 Socket Closed"}),
        kWait);
    QVERIFY(!accepted.first()->hasHandle());
}

void TestSock::hostNameIsResolved() {
    Pair pair;
    pair.client.setHostName(QStringLiteral("LocalHost"));
    QVERIFY(pair.connect());
    QVERIFY(pair.clientEvents.events.contains("info 0 Lookup Of Host LocalHost"));

    SockRecorder events;
    TSock lost;
    events.bind(&lost);
    lost.setHostName(QStringLiteral("no-such-host.invalid"));
    lost.setPortName(QStringLiteral("7"));
    lost.Open();
    QTRY_VERIFY_WITH_TIMEOUT(events.events.contains("info 7 Error #11001 (WSAHOST_NOT_FOUND)"),
                             30000);
    QVERIFY(lost.hasHandle());
    QVERIFY(!lost.Connected());
}

void TestSock::failingInfoHandler() {
    Pair pair;
    QVERIFY(pair.connect());
    pair.client.OnInfo = [](TSock*, TSocketInfo, const QString&) {
        throw std::runtime_error("handler failed");
    };
    QCOMPARE(thrownText([&] { pair.client.setPortName(QStringLiteral("1")); }),
             QStringLiteral("Error here"));
    // Close swallows it and still closes.
    QVERIFY(pair.client.Close());
    QVERIFY(!pair.client.hasHandle());
}

void TestSock::addressTexts() {
    // IPv6 literals, brackets optional; IPv4 and names are no IPv6 literal.
    const auto v6 = [](const char* text) {
        const auto a = sockdetail::parseIPv6(QString::fromLatin1(text));
        return a ? a->toString() : QStringLiteral("none");
    };
    QCOMPARE(v6("::1"), QStringLiteral("::1"));
    QCOMPARE(v6("[::1]"), QStringLiteral("::1"));
    QCOMPARE(v6("2001:db8::5"), QStringLiteral("2001:db8::5"));
    QCOMPARE(v6("[2001:DB8::5]"), QStringLiteral("2001:db8::5"));
    QCOMPARE(v6("[fe80::1%lo]"), QStringLiteral("fe80::1%lo"));
    QCOMPARE(v6("::ffff:10.0.0.1"), QStringLiteral("::ffff:10.0.0.1"));
    for (const char* other : {"127.0.0.1", "127.1", "localhost", "2001", "[127.0.0.1]", "[::1",
                              "::1]", "1.2.3.4:7772", "2001:db8::5::6", "game.example.org", ""})
        QVERIFY2(v6(other) == QLatin1String("none"), other);

    // A name with both families is joined over IPv4, one with only IPv6 over IPv6.
    const QHostAddress a4(QStringLiteral("192.0.2.7")), b4(QStringLiteral("192.0.2.8"));
    const QHostAddress a6(QStringLiteral("2001:db8::7")), b6(QStringLiteral("2001:db8::8"));
    QCOMPARE(sockdetail::pickAddress({a6, b6, a4, b4}).value_or(QHostAddress()), a4);
    QCOMPARE(sockdetail::pickAddress({b6, a6}).value_or(QHostAddress()), b6);
    QVERIFY(!sockdetail::pickAddress({}));

    // Peers as the host shows them: a mapped IPv4 peer in dotted form.
    QCOMPARE(sockdetail::peerText(QHostAddress(QStringLiteral("::ffff:127.0.0.1"))),
             QStringLiteral("127.0.0.1"));
    QCOMPARE(sockdetail::peerText(QHostAddress(QStringLiteral("10.1.2.3"))),
             QStringLiteral("10.1.2.3"));
    QCOMPARE(sockdetail::peerText(QHostAddress(QStringLiteral("::1"))), QStringLiteral("::1"));
    QCOMPARE(sockdetail::peerText(QHostAddress(QStringLiteral("2001:db8::1"))),
             QStringLiteral("2001:db8::1"));
}

void TestSock::bothFamiliesOnOneListener_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("peer"); // the accepted socket's HostName
    QTest::newRow("::1") << "::1"
                         << "::1";
    QTest::newRow("[::1]") << "[::1]"
                           << "::1";
    QTest::newRow("IPv6 starting with a digit") << "0:0:0:0:0:0:0:1"
                                                << "::1";
    QTest::newRow("127.0.0.1 beside them") << "127.0.0.1"
                                           << "127.0.0.1";
}

void TestSock::bothFamiliesOnOneListener() {
    QFETCH(QString, host);
    QFETCH(QString, peer);
    if (peer.contains(u':')) SKIP_WITHOUT_IPV6_LOOPBACK();
    Pair pair;
    pair.client.setHostName(host);
    QVERIFY(pair.connect());
    // A literal is parsed, never looked up: the same texts as a dotted address.
    const QString port = QString::number(pair.listener.localPort());
    QCOMPARE(pair.clientEvents.significant(),
             QStringList({"info 0 Lookup Of Port " + port, "info 0 Lookup Of Host " + host,
                          "info 1 Non-Blocking Socket Connected", "connect"}));
    QCOMPARE(pair.accepted.first()->HostName(), peer);
    pair.client.Send("CMD_logininfo+2+1.0.7+Bob\xFF");
    pair.accepted.first()->Send("CMD_sendlogininfo+2\xFF");
    QTRY_COMPARE_WITH_TIMEOUT(pair.acceptedEvents.received,
                              QByteArray("CMD_logininfo+2+1.0.7+Bob\xFF"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(pair.clientEvents.received, QByteArray("CMD_sendlogininfo+2\xFF"),
                              kWait);
}

void TestSock::nameWithOnlyIPv6IsJoined() {
    SKIP_WITHOUT_IPV6_LOOPBACK();
    QString name;
    for (const char* candidate : {"ip6-localhost", "ip6-loopback", "localhost6"}) {
        const QList<QHostAddress> found = QHostInfo::fromName(candidate).addresses();
        const bool onlyIPv6 =
            !found.isEmpty() && std::all_of(found.begin(), found.end(), [](const QHostAddress& a) {
                return a.protocol() == QAbstractSocket::IPv6Protocol && a.isLoopback();
            });
        if (onlyIPv6) {
            name = QString::fromLatin1(candidate);
            break;
        }
    }
    if (name.isEmpty())
        QSKIP("no name here resolves to ::1 alone (ip6-localhost, ip6-loopback and localhost6 "
              "are missing from /etc/hosts): joining by an IPv6-only name not run");
    Pair pair;
    pair.client.setHostName(name);
    QVERIFY(pair.connect());
    QVERIFY(pair.clientEvents.events.contains("info 0 Lookup Of Host " + name));
    QCOMPARE(pair.accepted.first()->HostName(), QStringLiteral("::1"));
}

QTEST_MAIN(TestSock)
#include "tst_sock.moc"
