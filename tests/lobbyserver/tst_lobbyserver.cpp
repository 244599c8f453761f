// Two ejabberd nodes joined as one cluster serve one lobby: an account made on one node
// logs in on the other, and the room's messages and table changes cross between them.
#include "lobbyproto/tables.h"
#include "xmpp/room.h"
#include "xmpp/testserver.h"

#include <QSignalSpy>
#include <algorithm>
#include <memory>

using namespace xmpp;

namespace {
constexpr int kWait = 15000;

Account on(const TestServer& node, const QString& jid, const QString& password = {}) {
    Account a;
    a.jid = jid;
    a.password = password;
    a.guest = password.isEmpty();
    a.host = "127.0.0.1";
    a.port = node.c2sPort;
    return a;
}

std::unique_ptr<Client> online(const Account& a) {
    auto c = std::make_unique<Client>();
    QSignalSpy up(c.get(), &Client::online);
    c->connectTo(a);
    return up.wait(kWait) ? std::move(c) : nullptr;
}

bool joined(Room& r) {
    QSignalSpy j(&r, &Room::joinedRoom);
    r.join();
    return r.joined() || j.wait(kWait);
}
} // namespace

class TstLobbyServer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void accountsAreShared();
    void roomSpansBothNodes();
    void cleanupTestCase();

private:
    TestServer m_one;
    TestServer m_two;
};

void TstLobbyServer::initTestCase() {
    if (!TestServer::inOwnNetns())
        QSKIP("run through tests/xmpp/run_in_netns.sh: the servers take fixed ports");
    m_one.node = "one";
    QVERIFY(m_one.start());
    m_two.node = "two";
    m_two.joinCluster = "one";
    m_two.c2sPort = 5223;
    m_two.httpPort = 5281;
    QVERIFY(m_two.start());
    // Figures for people, not limits: the benchmark keeps track of them.
    qInfo("single node started in %.2f s (READY after %.2f s)", m_one.loggedSeconds("started"),
          m_one.readySeconds);
    qInfo("second node joined the cluster in %.2f s (READY after %.2f s)",
          m_two.loggedSeconds("joined"), m_two.readySeconds);
    QVERIFY(m_two.loggedSeconds("joined") > 0);
}

void TstLobbyServer::accountsAreShared() {
    const QString domain = m_one.domain;
    Client reg;
    QSignalSpy done(&reg, &Client::registered);
    reg.registerAccount(on(m_one, "carol@" + domain, "carol-pw"));
    QVERIFY(done.wait(kWait));
    // Made on node one, used on node two.
    auto c = online(on(m_two, "carol@" + domain, "carol-pw"));
    QVERIFY(c);
    QVERIFY(c->boundJid().startsWith("carol@" + domain));
    // The password made by the runner on node one works on node two as well.
    QVERIFY(online(on(m_two, "admin@" + domain, m_one.password("admin"))));
}

void TstLobbyServer::roomSpansBothNodes() {
    const QString room = lobby::roomJid(m_one.domain, "1.0.7");
    auto carol = online(on(m_one, "carol@" + m_one.domain, "carol-pw"));
    auto dave = online(on(m_two, lobby::guestDomain(m_two.domain)));
    QVERIFY(carol && dave);
    Room rc(carol.get(), room, "Carol");
    Room rd(dave.get(), room, "Dave");
    QVERIFY(joined(rc));
    QSignalSpy daveCame(&rc, &Room::occupantJoined);
    QVERIFY(joined(rd));
    // One room, not one per node: each sees the other.
    QVERIFY(daveCame.count() > 0 || daveCame.wait(kWait));
    QVERIFY(rc.occupants().contains("Dave"));
    QVERIFY(rd.occupants().contains("Carol"));

    lobby::Table t;
    t.key = "t1";
    t.host = "Carol";
    t.id = "main";
    t.name = "Carol's table";
    t.ipv4 = "127.0.0.1";
    t.port = 7701;
    t.version = "1.0.7";
    lobby::Change change;
    change.seq = 1;
    change.tables = {t};
    QSignalSpy toDave(&rd, &Room::message);
    rc.sendPayload(lobby::changeElement(change));
    QVERIFY(toDave.wait(kWait));
    const auto stanza = toDave.last().at(3).value<lobby::Element>();
    const lobby::Element* tables = stanza.child("tables", lobby::kNs);
    QVERIFY(tables);
    const auto back = lobby::readChange(*tables);
    QVERIFY(back);
    QCOMPARE(back->tables.value(0).name, t.name);

    QSignalSpy toCarol(&rc, &Room::message);
    rd.say("hello from node two");
    // Carol's own payload may still be on its way back to her; wait for Dave's words.
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(toCarol.cbegin(), toCarol.cend(),
                                         [](const QList<QVariant>& m) {
                                             return m.at(0).toString() == "Dave" &&
                                                    m.at(1).toString() == "hello from node two";
                                         }),
                             kWait);
}

void TstLobbyServer::cleanupTestCase() {
    if (!TestServer::inOwnNetns()) return;
    QVERIFY(m_two.stop());
    QVERIFY(m_one.stop());
    QCOMPARE(TestServer::processesInOurNetns("beam.smp"), 0);
    QCOMPARE(TestServer::processesInOurNetns("epmd"), 0);
}

QTEST_GUILESS_MAIN(TstLobbyServer)
#include "tst_lobbyserver.moc"
