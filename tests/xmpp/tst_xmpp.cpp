// The XMPP client seam against a real lobby server in the test's own network namespace:
// accounts, guests, TLS, the room with its presence, messages, payloads and kicks, no
// wake-ups while idle, and coming back after the server restarts.
#include "lobbyproto/tables.h"
#include "xmpp/room.h"
#include "xmpp/testserver.h"

#include "version/version.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace xmpp;

namespace {

constexpr int kWait = 15000;

Account account(const TestServer& s, const QString& name, const QString& password) {
    Account a;
    a.jid = name + '@' + s.domain;
    a.password = password;
    a.host = "127.0.0.1";
    a.port = s.c2sPort;
    return a;
}

Account guest(const TestServer& s) {
    Account a;
    a.jid = lobby::guestDomain(s.domain);
    a.guest = true;
    a.host = "127.0.0.1";
    a.port = s.c2sPort;
    return a;
}

// Connects and waits until online (or failed); the client is owned by the caller.
std::unique_ptr<Client> online(const Account& a) {
    auto c = std::make_unique<Client>();
    QSignalSpy up(c.get(), &Client::online);
    c->connectTo(a);
    if (!up.wait(kWait)) return nullptr;
    return c;
}

bool waitJoined(Room& r) {
    if (r.joined()) return true;
    QSignalSpy j(&r, &Room::joinedRoom);
    return j.wait(kWait);
}

} // namespace

class TstXmpp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void registerAndLogIn();
    void guestAndTls();
    void roomPresenceMessagesAndPayloads();
    void kickedClientIsTold();
    void noWakeUpsWhileIdle();
    void webSocketIsOffered();
    void sessionsPerAccountAreLimited();
    void disconnectsFromASilentServer();
    void reconnectsAfterServerRestart();
    void cleanupTestCase();

private:
    TestServer m_server;
    QString m_room;
};

void TstXmpp::initTestCase() {
    if (!TestServer::inOwnNetns())
        QSKIP("run through tests/xmpp/run_in_netns.sh: the server takes fixed ports");
    QVERIFY(m_server.start());
    qInfo("lobby server ready after %.2f s", m_server.readySeconds);
    m_room = lobby::roomJid(m_server.domain, vimbrel::kProtocolVersion);
}

void TstXmpp::registerAndLogIn() {
    Client reg;
    QSignalSpy done(&reg, &Client::registered);
    QSignalSpy failed(&reg, &Client::failed);
    reg.registerAccount(account(m_server, "ann", "s3cret-ann"));
    QVERIFY(done.wait(kWait));
    QCOMPARE(failed.count(), 0);

    auto c = online(account(m_server, "ann", "s3cret-ann"));
    QVERIFY(c);
    QVERIFY(c->boundJid().startsWith("ann@" + m_server.domain + "/"));
    QCOMPARE(c->state(), State::Online);
    QSignalSpy down(c.get(), &Client::offline);
    c->disconnectFrom();
    QVERIFY(down.wait(kWait));
    QCOMPARE(c->state(), State::Offline);

    // The same name again is refused, and says why.
    Client again;
    QSignalSpy refused(&again, &Client::failed);
    QSignalSpy wrongly(&again, &Client::registered);
    again.registerAccount(account(m_server, "ann", "other"));
    QVERIFY(refused.wait(kWait));
    QCOMPARE(wrongly.count(), 0);
    QVERIFY(!refused.first().first().toString().isEmpty());

    // A wrong password fails, is reported as a refusal, and is not retried.
    Client wrong;
    wrong.setReconnect(true);
    QSignalSpy no(&wrong, &Client::failed);
    QSignalSpy yes(&wrong, &Client::online);
    wrong.connectTo(account(m_server, "ann", "wrong"));
    QVERIFY(no.wait(kWait));
    QTest::qWait(1500);
    QCOMPARE(yes.count(), 0);
    QCOMPARE(wrong.state(), State::Offline);
}

void TstXmpp::guestAndTls() {
    auto g = online(guest(m_server));
    QVERIFY(g);
    QVERIFY(g->boundJid().contains("@" + lobby::guestDomain(m_server.domain) + "/"));
    // Connecting again at once, while the last connection still closes, connects.
    QSignalSpy again(g.get(), &Client::online);
    g->disconnectFrom();
    g->connectTo(guest(m_server));
    QVERIFY(again.wait(kWait));
    QCOMPARE(g->state(), State::Online);

    // "localhost" is a name, not a loopback address: TLS is required, with our certificate.
    Account a = account(m_server, "admin", m_server.password("admin"));
    a.host = "localhost";
    a.caFile = m_server.caFile();
    auto secure = online(a);
    QVERIFY(secure);

    // Without the certificate, the client refuses the server rather than talk in clear.
    a.caFile.clear();
    Client untrusted;
    QSignalSpy up(&untrusted, &Client::online);
    QSignalSpy down(&untrusted, &Client::offline);
    untrusted.connectTo(a);
    QVERIFY(down.wait(kWait));
    QCOMPARE(up.count(), 0);
}

void TstXmpp::roomPresenceMessagesAndPayloads() {
    // The administrator over TLS (so large stanzas cross several TLS records), a guest in clear.
    Account a = account(m_server, "admin", m_server.password("admin"));
    a.host = "localhost";
    a.caFile = m_server.caFile();
    auto admin = online(a);
    auto bob = online(guest(m_server));
    QVERIFY(admin && bob);
    Room ra(admin.get(), m_room, "Boss");
    Room rb(bob.get(), m_room, "Bob");
    ra.join();
    QVERIFY(waitJoined(ra));
    QSignalSpy bobSeen(&ra, &Room::occupantJoined);
    rb.join(lobby::make("at", lobby::kNs).set("key", "t3").set("as", "player"));
    QVERIFY(waitJoined(rb));
    QVERIFY(bobSeen.count() > 0 || bobSeen.wait(kWait));
    QVERIFY(ra.occupants().contains("Bob"));
    QVERIFY(rb.occupants().contains("Boss"));
    // The owner sees real JIDs and the payload of the presence; the guest sees no JIDs.
    const Occupant ob = ra.occupants().value("Bob");
    QVERIFY(ob.realJid.contains(lobby::guestDomain(m_server.domain)));
    QCOMPARE(ob.role, QString("participant"));
    const lobby::Element* at = ob.presence.child("at", lobby::kNs);
    QVERIFY(at);
    QCOMPARE(at->attr("key"), QString("t3"));
    QCOMPARE(rb.occupants().value("Boss").realJid, QString());
    QCOMPARE(rb.occupants().value("Boss").affiliation, QString("owner"));

    // Markup in a message is text, both ways.
    QSignalSpy toBob(&rb, &Room::message);
    ra.say("<b>hi</b> &amp; \"you\"");
    QVERIFY(toBob.wait(kWait));
    QCOMPARE(toBob.last().at(0).toString(), QString("Boss"));
    QCOMPARE(toBob.last().at(1).toString(), QString("<b>hi</b> &amp; \"you\""));
    QCOMPARE(toBob.last().at(2).toBool(), false);

    // A table change as a payload, and one over 50 kB that takes many TLS reads.
    lobby::Change change;
    change.seq = 5;
    lobby::Table t;
    t.key = "t3";
    t.host = "Boss";
    t.id = "main";
    t.name = "Boss's <table>";
    t.ipv4 = "127.0.0.1";
    t.port = 7700;
    t.version = vimbrel::kProtocolVersion;
    change.tables = {t};
    change.gone = {"t1"};
    toBob.clear();
    ra.sendPayload(lobby::changeElement(change));
    QVERIFY(toBob.wait(kWait));
    const auto stanza = toBob.last().at(3).value<lobby::Element>();
    const lobby::Element* tables = stanza.child("tables", lobby::kNs);
    QVERIFY(tables);
    const auto back = lobby::readChange(*tables);
    QVERIFY(back);
    QCOMPARE(back->seq, quint64(5));
    QCOMPARE(back->tables.value(0).name, t.name);
    QCOMPARE(back->gone, QStringList{"t1"});

    // Messages of one, two and four TLS records: the library must read all that TLS already
    // took off the socket, with no further wake-up from it.
    QSignalSpy toAdmin(&ra, &Room::message);
    for (int n : {9000, 16000, 28000}) {
        const QString big(n, QChar(0x00e9)); // two bytes each in UTF-8
        // The guest is shaped; the administrator is not, so the administrator sends it.
        toBob.clear();
        toAdmin.clear();
        ra.say(big);
        QVERIFY2(toBob.wait(kWait), qPrintable(QString::number(n)));
        QCOMPARE(toBob.last().at(1).toString(), big);
        QVERIFY(toAdmin.count() > 0 || toAdmin.wait(kWait)); // and its echo over TLS
        QCOMPARE(toAdmin.last().at(1).toString(), big);
    }

    // A late joiner with history sees the old messages marked as replayed.
    auto carl = online(guest(m_server));
    QVERIFY(carl);
    Room rc(carl.get(), m_room, "Carl");
    QSignalSpy replay(&rc, &Room::message);
    rc.join({}, 5);
    QVERIFY(waitJoined(rc));
    QVERIFY(replay.count() > 0 || replay.wait(kWait));
    QVERIFY(replay.first().at(2).toBool());

    // The same nick twice is refused.
    auto dup = online(guest(m_server));
    QVERIFY(dup);
    Room rd(dup.get(), m_room, "Bob");
    QSignalSpy dupLeft(&rd, &Room::leftRoom);
    rd.join();
    QVERIFY(dupLeft.wait(kWait));
    QVERIFY(!rd.joined());

    QSignalSpy bobLeft(&ra, &Room::occupantLeft);
    rb.leave();
    QVERIFY(bobLeft.wait(kWait));
    QCOMPARE(bobLeft.last().at(0).value<Occupant>().nick, QString("Bob"));
    QVERIFY(!ra.occupants().contains("Bob"));
}

void TstXmpp::kickedClientIsTold() {
    Account a = account(m_server, "admin", m_server.password("admin"));
    auto admin = online(a);
    auto eve = online(guest(m_server));
    QVERIFY(admin && eve);
    Room ra(admin.get(), m_room, "Boss2");
    Room re(eve.get(), m_room, "Eve");
    ra.join();
    re.join();
    QVERIFY(waitJoined(ra));
    QVERIFY(waitJoined(re));
    QSignalSpy out(&re, &Room::leftRoom);
    QSignalSpy seen(&ra, &Room::occupantLeft);
    ra.setRole("Eve", "none", "spam");
    QVERIFY(out.wait(kWait));
    QVERIFY(out.last().at(0).toString().contains("kicked"));
    QVERIFY(!re.joined());
    QVERIFY(seen.count() > 0 || seen.wait(kWait));
    // A kick is not a reason to rejoin when the client reconnects.
    QVERIFY(re.occupants().isEmpty());
}

void TstXmpp::noWakeUpsWhileIdle() {
    auto ann = online(account(m_server, "ann", "s3cret-ann"));
    QVERIFY(ann);
    Room r(ann.get(), m_room, "Ann");
    r.join();
    QVERIFY(waitJoined(r));
    QTest::qWait(300); // let the join's last stanzas settle
    int wakeUps = 0;
    for (QTimer* t : ann->findChildren<QTimer*>())
        connect(t, &QTimer::timeout, this, [&] { ++wakeUps; });
    const auto notifiers = ann->findChildren<QSocketNotifier*>();
    QVERIFY(!notifiers.isEmpty());
    for (QSocketNotifier* n : notifiers)
        connect(n, &QSocketNotifier::activated, this, [&] { ++wakeUps; });
    QTest::qWait(3000);
    QCOMPARE(wakeUps, 0);
    // And it still works after the quiet: the notifiers were only idle.
    QSignalSpy echo(&r, &Room::message);
    r.say("still here");
    QVERIFY(echo.wait(kWait));
    QVERIFY(wakeUps > 0);
}

// The web page of a later version speaks XMPP over WebSocket on the http port.
void TstXmpp::webSocketIsOffered() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QVERIFY(fd >= 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(m_server.httpPort);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const QByteArray request = "GET /xmpp-websocket HTTP/1.1\r\n"
                               "Host: " +
                               m_server.domain.toLatin1() +
                               "\r\n"
                               "Upgrade: websocket\r\nConnection: Upgrade\r\n"
                               "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                               "Sec-WebSocket-Version: 13\r\nSec-WebSocket-Protocol: xmpp\r\n\r\n";
    QCOMPARE(::write(fd, request.constData(), size_t(request.size())), ssize_t(request.size()));
    timeval tv{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    char buf[512] = {};
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    QVERIFY(n > 0);
    const QByteArray answer(buf, int(n));
    QVERIFY2(answer.startsWith("HTTP/1.1 101"), answer.constData());
    QVERIFY2(answer.toLower().replace(" ", "").contains("sec-websocket-protocol:xmpp"),
             answer.constData());
}

// The server keeps at most 5 sessions of one account: a sixth ends the oldest.
void TstXmpp::sessionsPerAccountAreLimited() {
    Client reg;
    QSignalSpy made(&reg, &Client::registered);
    reg.registerAccount(account(m_server, "sue", "sue-pw"));
    QVERIFY(made.wait(kWait));
    std::vector<std::unique_ptr<Client>> sessions;
    for (int i = 0; i < 5; ++i) {
        Account a = account(m_server, "sue", "sue-pw");
        a.resource = QString("s%1").arg(i);
        sessions.push_back(online(a));
        QVERIFY(sessions.back());
    }
    QSignalSpy oldestEnded(sessions.front().get(), &Client::offline);
    Account a = account(m_server, "sue", "sue-pw");
    a.resource = "s5";
    auto sixth = online(a);
    QVERIFY(sixth);
    QVERIFY(oldestEnded.wait(kWait));
    for (size_t i = 1; i < sessions.size(); ++i)
        QCOMPARE(sessions[i]->state(), State::Online);
}

// A server that stopped answering still lets the client go: the library's wait for the
// server's goodbye runs on the client's timer.
void TstXmpp::disconnectsFromASilentServer() {
    auto ann = online(account(m_server, "admin", m_server.password("admin")));
    QVERIFY(ann);
    const auto beams = TestServer::pidsInOurNetns("beam.smp");
    QCOMPARE(beams.size(), 1);
    QSignalSpy down(ann.get(), &Client::offline);
    ::kill(beams.first(), SIGSTOP);
    ann->disconnectFrom();
    const bool ended = down.wait(kWait);
    ::kill(beams.first(), SIGCONT);
    QVERIFY(ended);
    QCOMPARE(ann->state(), State::Offline);
}

void TstXmpp::reconnectsAfterServerRestart() {
    auto ann = std::make_unique<Client>();
    ann->setReconnect(true);
    QSignalSpy up(ann.get(), &Client::online);
    QSignalSpy down(ann.get(), &Client::offline);
    ann->connectTo(account(m_server, "ann", "s3cret-ann"));
    QVERIFY(up.wait(kWait));
    Room r(ann.get(), m_room, "Ann");
    QSignalSpy joined(&r, &Room::joinedRoom);
    QSignalSpy left(&r, &Room::leftRoom);
    r.join();
    QVERIFY(joined.wait(kWait));

    const QString dir = m_server.dir();
    QVERIFY(m_server.stop());
    QVERIFY(down.count() > 0 || down.wait(kWait));
    QCOMPARE(ann->state() == State::Online, false);
    QVERIFY(left.count() > 0);
    QVERIFY(!r.joined());
    // The same folder: the accounts and the room are still there.
    QVERIFY(m_server.start(dir));
    QVERIFY(up.count() >= 2 || up.wait(90000));
    QVERIFY(joined.count() >= 2 || joined.wait(kWait));
    QVERIFY(r.joined());
    QVERIFY(r.occupants().contains("Ann"));
}

void TstXmpp::cleanupTestCase() {
    if (!TestServer::inOwnNetns()) return;
    QVERIFY(m_server.stop());
    // Everything the runner started is gone, epmd included.
    QCOMPARE(TestServer::processesInOurNetns("beam.smp"), 0);
    QCOMPARE(TestServer::processesInOurNetns("epmd"), 0);
}

QTEST_GUILESS_MAIN(TstXmpp)
#include "tst_xmpp.moc"
