// The links a web page offers for its tables: good ones name the table, and anything
// else, however it is dressed, names none.
#include "net/joinlink.h"

#include <QtTest>

class TestJoinLink : public QObject {
    Q_OBJECT
private slots:
    void good_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("IPv4 and port") << "vimbrel://join/127.0.0.1:7800"
                                       << "127.0.0.1" << 7800;
        QTest::newRow("name, no port") << "vimbrel://join/games.example.org"
                                       << "games.example.org" << 0;
        QTest::newRow("IPv6 in brackets") << "vimbrel://join/[2001:db8::5]:7800"
                                          << "2001:db8::5" << 7800;
        QTest::newRow("IPv6, no port") << "vimbrel://join/[::1]"
                                       << "::1" << 0;
        QTest::newRow("scheme in capitals") << "VIMBREL://join/xn--wrfel-kva.de:1"
                                            << "xn--wrfel-kva.de" << 1;
    }
    void good() {
        QFETCH(QString, link);
        QFETCH(QString, host);
        QFETCH(int, port);
        QVERIFY(joinlink::isLink(link));
        const auto target = joinlink::parse(link);
        QVERIFY(target);
        QCOMPARE(target->host, host);
        QCOMPARE(int(target->port), port);
        // What make() writes, parse() reads back.
        const auto again = joinlink::parse(joinlink::make(host, quint16(port)));
        QVERIFY(again);
        QCOMPARE(again->host, host);
        QCOMPARE(int(again->port), port);
    }

    void hostile_data() {
        QTest::addColumn<QString>("link");
        QTest::newRow("empty") << "";
        QTest::newRow("other scheme") << "http://join/127.0.0.1:7800";
        QTest::newRow("other action") << "vimbrel://host/127.0.0.1:7800";
        QTest::newRow("no slashes") << "vimbrel:join/127.0.0.1:7800";
        QTest::newRow("no host") << "vimbrel://join/";
        QTest::newRow("no host, port") << "vimbrel://join/:7800";
        QTest::newRow("port zero") << "vimbrel://join/127.0.0.1:0";
        QTest::newRow("port too big") << "vimbrel://join/127.0.0.1:65536";
        QTest::newRow("port with sign") << "vimbrel://join/127.0.0.1:+80";
        QTest::newRow("more path") << "vimbrel://join/127.0.0.1:7800/x";
        QTest::newRow("query") << "vimbrel://join/127.0.0.1:7800?name=x";
        QTest::newRow("fragment") << "vimbrel://join/127.0.0.1:7800#x";
        QTest::newRow("user") << "vimbrel://join/me@127.0.0.1:7800";
        QTest::newRow("escapes") << "vimbrel://join/127.0.0.1%3A7800";
        QTest::newRow("blank") << "vimbrel://join/127.0.0.1 :7800";
        QTest::newRow("line break") << "vimbrel://join/127.0.0.1:7800\n";
        QTest::newRow("option as host") << "vimbrel://join/--help";
        QTest::newRow("shell") << "vimbrel://join/$(reboot)";
        QTest::newRow("semicolon") << "vimbrel://join/a;b:7800";
        QTest::newRow("markup") << "vimbrel://join/<b>x</b>";
        QTest::newRow("bad IPv4") << "vimbrel://join/999.1.1.1";
        QTest::newRow("short IPv4") << "vimbrel://join/127.1:7800";
        QTest::newRow("bare IPv6") << "vimbrel://join/2001:db8::5";
        QTest::newRow("not IPv6 in brackets") << "vimbrel://join/[example.org]:7800";
        QTest::newRow("IPv6 zone") << "vimbrel://join/[fe80::1%25eth0]:7800";
        QTest::newRow("non-ASCII name") << QString::fromUtf8("vimbrel://join/würfel.de");
        QTest::newRow("label too long") << "vimbrel://join/" + QString(64, u'a') + ".org";
        QTest::newRow("too long") << "vimbrel://join/" + QString(290, u'a') + ".org";
    }
    void hostile() {
        QFETCH(QString, link);
        QVERIFY(!joinlink::parse(link));
    }

    // A parameter that looks like a link is never taken for a player's name.
    void isLink() {
        QVERIFY(joinlink::isLink(QStringLiteral("Vimbrel:anything")));
        QVERIFY(!joinlink::isLink(QStringLiteral("Anna")));
        QVERIFY(!joinlink::isLink(QStringLiteral("x vimbrel://join/h")));
    }
};

QTEST_APPLESS_MAIN(TestJoinLink)
#include "tst_joinlink.moc"
