// One contract for both kinds of link: the sockets on loopback and the in-process pair
// run the same cases, so whatever the host and the table rely on holds for both.
#include "net/sockclientlink.h"
#include "net/sockserverlink.h"
#include "support/locallinks.h"

#include <QTcpSocket>
#include <QtTest>

#include <memory>
#include <sys/socket.h>

namespace {

constexpr int kWait = 10000;

// The host's side: takes every waiting connection into the next record.
struct HostEar : ServerEvents {
    ServerLink* link = nullptr;
    int nextRecord = 1;
    QList<int> accepted;
    QMap<int, QByteArray> bytes;
    QStringList departures; // "record reason"
    void Sock1Accept() override {
        if (link->accept(nextRecord)) accepted << nextRecord++;
    }
    void Sock1Read(int record, const QByteArray& b) override { bytes[record] += b; }
    void tempsockDisconnect(int record, Departure why) override {
        // Bytes after the departure would be a broken promise: mark where it came.
        bytes[record] += "|end";
        departures << QStringLiteral("%1 %2").arg(record).arg(int(why));
    }
};

struct TableEar : ClientEvents {
    QByteArray bytes;
    QList<Departure> departures;
    void sockRead(const QByteArray& b) override { bytes += b; }
    void departed(Departure why) override {
        bytes += "|end";
        departures << why;
    }
    void sockInfo(const QString&) override {}
};

// A host link and the tables that connect to it, of one kind.
struct Rig {
    HostEar host;
    virtual ~Rig() = default;
    virtual ServerLink& link() = 0;
    virtual std::unique_ptr<ClientLink> newTable() = 0;
    // Ends the table's connection abortively, as a reset.
    virtual void reset(ClientLink& table) = 0;
};

struct SocketRig : Rig {
    TSock Sock1;
    SockServerLink server{&Sock1};
    SocketRig() {
        host.link = &server;
        server.attach(&host);
        Sock1.setPortName(QStringLiteral("0"));
        Sock1.setListen(true);
    }
    ServerLink& link() override { return server; }
    std::unique_ptr<ClientLink> newTable() override {
        return std::make_unique<SockClientLink>(QString::number(Sock1.localPort()));
    }
    void reset(ClientLink& table) override {
        auto* socket = static_cast<SockClientLink&>(table).socket()->findChild<QTcpSocket*>();
        QVERIFY(socket);
        // A zero linger turns the close into a reset.
        const linger abortive{1, 0};
        QCOMPARE(setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                            sizeof abortive),
                 0);
        table.close();
    }
};

struct LocalRig : Rig {
    LocalServerLink server;
    LocalRig() {
        host.link = &server;
        server.attach(&host);
    }
    ServerLink& link() override { return server; }
    std::unique_ptr<ClientLink> newTable() override {
        return std::make_unique<LocalClientLink>(server);
    }
    void reset(ClientLink& table) override { static_cast<LocalClientLink&>(table).reset(); }
};

// A table with its ear; the ear outlives the link that reports to it.
struct Table {
    TableEar ear;
    std::unique_ptr<ClientLink> link;
};

QString departure(int record, Departure why) {
    return QStringLiteral("%1 %2").arg(record).arg(int(why));
}

} // namespace

class TestLinkContract : public QObject {
    Q_OBJECT
private slots:
    void moveOntoATakenRecordIsRefused_data() { kinds(); }
    void moveOntoATakenRecordIsRefused();
    void sendThenCloseDeliversTheBytesFirst_data() { kinds(); }
    void sendThenCloseDeliversTheBytesFirst();
    void oneDeparturePerConnection_data();
    void oneDeparturePerConnection();
    void orderKeptAcrossManySends_data() { kinds(); }
    void orderKeptAcrossManySends();

private:
    static void kinds() {
        QTest::addColumn<bool>("sockets");
        QTest::newRow("sockets") << true;
        QTest::newRow("in-process") << false;
    }
    static std::unique_ptr<Rig> rig() {
        QFETCH(bool, sockets);
        if (sockets) return std::make_unique<SocketRig>();
        return std::make_unique<LocalRig>();
    }
    // A table that the host has taken into the next record.
    static std::unique_ptr<Table> join(Rig& rig) {
        auto table = std::make_unique<Table>();
        table->link = rig.newTable();
        table->link->attach(&table->ear);
        const qsizetype before = rig.host.accepted.size();
        table->link->open(QStringLiteral("127.0.0.1"));
        if (!QTest::qWaitFor([&] { return rig.host.accepted.size() > before; }, kWait))
            return nullptr;
        return table;
    }
};

void TestLinkContract::moveOntoATakenRecordIsRefused() {
    auto r = rig();
    auto ann = join(*r), bob = join(*r);
    QVERIFY(ann && bob);
    ServerLink& link = r->link();
    QVERIFY(!link.move(1, 2)); // Bob's record is his
    QVERIFY(!link.move(1, 1));
    QVERIFY(!link.move(5, 6)); // nobody on 5
    ann->link->send("a");
    link.send(2, "to Bob");
    QTRY_COMPARE_WITH_TIMEOUT(r->host.bytes.value(1), QByteArray("a"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(bob->ear.bytes, QByteArray("to Bob"), kWait);

    // Onto a free record the connection moves, both ways.
    QVERIFY(link.move(1, 3));
    ann->link->send("b");
    link.send(3, "to Ann");
    link.send(1, "to nobody");
    QTRY_COMPARE_WITH_TIMEOUT(r->host.bytes.value(3), QByteArray("b"), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(ann->ear.bytes, QByteArray("to Ann"), kWait);
    QTest::qWait(50);
    QCOMPARE(r->host.departures, QStringList());
    QVERIFY(bob->ear.departures.isEmpty() && ann->ear.departures.isEmpty());
    QCOMPARE(bob->ear.bytes, QByteArray("to Bob"));
}

void TestLinkContract::sendThenCloseDeliversTheBytesFirst() {
    auto r = rig();
    auto ann = join(*r), bob = join(*r);
    QVERIFY(ann && bob);
    // The table's last words, then its close: heard in that order, and the close is
    // never reported from inside the call that made it.
    ann->link->send("bye ");
    ann->link->send("all");
    ann->link->close();
    QVERIFY(ann->ear.departures.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(r->host.bytes.value(1), QByteArray("bye all|end"), kWait);
    QCOMPARE(r->host.departures, QStringList{departure(1, Departure::ClosedByPeer)});
    QTRY_COMPARE_WITH_TIMEOUT(ann->ear.departures, QList<Departure>{Departure::ClosedByUs}, kWait);

    // The host's last notice, then its close: the table reads it before it hears the end,
    // and the host hears nothing back about a close it made.
    r->link().send(2, "CMD_full+");
    r->link().close(2);
    QTRY_COMPARE_WITH_TIMEOUT(bob->ear.bytes, QByteArray("CMD_full+|end"), kWait);
    QCOMPARE(bob->ear.departures, QList<Departure>{Departure::ClosedByPeer});
    QTest::qWait(50);
    QCOMPARE(r->host.departures.size(), 1);
}

void TestLinkContract::oneDeparturePerConnection_data() {
    QTest::addColumn<bool>("sockets");
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QStringList>("hostHears");
    QTest::addColumn<QList<Departure>>("tableHears");
    const QStringList byPeer{departure(1, Departure::ClosedByPeer)};
    const QStringList reset{departure(1, Departure::Reset)};
    const QList<Departure> byUs{Departure::ClosedByUs};
    for (bool sockets : {true, false}) {
        const char* kind = sockets ? "sockets" : "in-process";
        QTest::addRow("%s: the table closes", kind) << sockets << "table" << byPeer << byUs;
        QTest::addRow("%s: the table resets", kind) << sockets << "reset" << reset << byUs;
        QTest::addRow("%s: the host closes", kind)
            << sockets << "host" << QStringList() << QList<Departure>{Departure::ClosedByPeer};
        // Both ends at once: each side hears at most its own one.
        QTest::addRow("%s: both close at once", kind) << sockets << "both" << QStringList() << byUs;
    }
}

void TestLinkContract::oneDeparturePerConnection() {
    QFETCH(QString, ending);
    QFETCH(QStringList, hostHears);
    QFETCH(QList<Departure>, tableHears);
    auto r = rig();
    auto ann = join(*r);
    QVERIFY(ann);
    QTest::qWait(20); // the connection stands on both ends
    if (ending == "table") ann->link->close();
    if (ending == "reset") r->reset(*ann->link);
    if (ending == "host" || ending == "both") r->link().close(1);
    if (ending == "both") ann->link->close();
    QTRY_VERIFY_WITH_TIMEOUT(!ann->ear.departures.isEmpty(), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(r->host.departures, hostHears, kWait);
    QTest::qWait(100); // nothing more comes
    QCOMPARE(ann->ear.departures, tableHears);
    QCOMPARE(r->host.departures, hostHears);

    // The link opens again: a new connection, with a departure of its own.
    ann->link->open(QStringLiteral("127.0.0.1"));
    QTRY_COMPARE_WITH_TIMEOUT(r->host.accepted.size(), 2, kWait);
    ann->link->close();
    QTRY_COMPARE_WITH_TIMEOUT(ann->ear.departures.size(), tableHears.size() + 1, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(r->host.departures.size(), hostHears.size() + 1, kWait);
}

void TestLinkContract::orderKeptAcrossManySends() {
    auto r = rig();
    auto ann = join(*r);
    QVERIFY(ann);
    QByteArray up, down;
    for (int i = 0; i < 2000; ++i) {
        const QByteArray u = "u" + QByteArray::number(i) + ';';
        const QByteArray d = "d" + QByteArray::number(i) + ';';
        ann->link->send(u);
        r->link().send(1, d);
        up += u;
        down += d;
        if (i % 500 == 0) QCoreApplication::processEvents(); // interleaved with delivery
    }
    QTRY_COMPARE_WITH_TIMEOUT(r->host.bytes.value(1), up, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(ann->ear.bytes, down, kWait);
}

QTEST_GUILESS_MAIN(TestLinkContract)
#include "tst_linkcontract.moc"
