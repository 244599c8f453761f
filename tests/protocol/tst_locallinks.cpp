// The in-process pair keeps the sockets' promises: everything arrives later, in the
// order it was done, and a host's own close is never reported back to it.
#include "support/locallinks.h"

#include <QtTest>

namespace {

struct Host : ServerEvents {
    LocalServerLink link;
    QStringList heard;
    int nextRecord = 1;
    Host() { link.attach(this); }
    void Sock1Accept() override {
        if (link.accept(nextRecord)) heard << QStringLiteral("accept %1").arg(nextRecord++);
    }
    void Sock1Read(int record, const QByteArray& bytes) override {
        heard << QStringLiteral("%1: %2").arg(record).arg(QString::fromUtf8(bytes));
    }
    void tempsockDisconnect(int record, Departure) override {
        heard << QStringLiteral("%1 left").arg(record);
    }
};

struct Table : ClientEvents {
    LocalClientLink link;
    QStringList heard;
    explicit Table(Host& host) : link(host.link) { link.attach(this); }
    void sockRead(const QByteArray& bytes) override { heard << QString::fromUtf8(bytes); }
    void departed(Departure why) override {
        heard << (why == Departure::ClosedByUs ? QStringLiteral("closed")
                                               : QStringLiteral("ended"));
    }
    void sockInfo(const QString& text) override { heard << text; }
};

} // namespace

class TestLocalLinks : public QObject {
    Q_OBJECT
private slots:
    void deliveredLaterAndInOrder();
    void departuresBothWays();
};

void TestLocalLinks::deliveredLaterAndInOrder() {
    Host host;
    Table a(host);
    a.link.open(QString());
    a.link.send("hello"); // before the host took it: kept, then delivered first
    QVERIFY(host.heard.isEmpty());
    QCOMPARE(host.link.pump(), 2);
    QCOMPARE(host.heard, QStringList({"accept 1", "1: hello"}));
    host.link.send(1, "one");
    host.link.send(1, "two");
    host.link.close(1);
    host.link.send(1, "after the close");
    QVERIFY(a.heard.isEmpty());
    QTRY_COMPARE(a.heard, QStringList({"one", "two", "ended"}));
    QVERIFY(!a.link.connected());
    QCOMPARE(host.heard.size(), 2); // the host's own close is not reported back
}

void TestLocalLinks::departuresBothWays() {
    Host host;
    Table a(host), b(host);
    a.link.open(QString());
    b.link.open(QString());
    host.link.pump();
    QCOMPARE(b.link.record(), 2);
    a.link.send("bye");
    a.link.close();
    {
        Table c(host);
        c.link.open(QString());
        host.link.pump();
    } // a connection that goes with its table leaves too
    host.link.pump();
    QCOMPARE(host.heard, QStringList({"accept 1", "accept 2", "1: bye", "1 left", "accept 3", "3 left"}));
    QCOMPARE(a.heard, QStringList{"closed"});
    // Bytes the host sends to a record nobody holds go nowhere.
    host.link.send(1, "lost");
    host.link.pump();
    QCOMPARE(a.heard, QStringList{"closed"});
}

QTEST_GUILESS_MAIN(TestLocalLinks)
#include "tst_locallinks.moc"
