// Addresses to join as people and lobbies write them, with and without a port.
#include "net/hostport.h"

#include <QtTest>

class TestHostPort : public QObject {
    Q_OBJECT
private slots:
    void split_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("name") << "games.example.org" << true << "games.example.org" << 0;
        QTest::newRow("IPv4") << "192.0.2.5" << true << "192.0.2.5" << 0;
        QTest::newRow("IPv4 with port") << "127.0.0.1:7800" << true << "127.0.0.1" << 7800;
        QTest::newRow("name with port") << "host:1" << true << "host" << 1;
        QTest::newRow("bare IPv6 takes no port") << "2001:db8::5" << true << "2001:db8::5" << 0;
        QTest::newRow("loopback IPv6") << "::1" << true << "::1" << 0;
        QTest::newRow("IPv6 in brackets") << "[2001:db8::5]" << true << "2001:db8::5" << 0;
        QTest::newRow("IPv6 with port") << "[::1]:7800" << true << "::1" << 7800;
        QTest::newRow("empty") << "" << false << "" << 0;
        QTest::newRow("port too big") << "127.0.0.1:99999" << false << "" << 0;
        QTest::newRow("port zero") << "127.0.0.1:0" << false << "" << 0;
        QTest::newRow("port not a number") << "127.0.0.1:x" << false << "" << 0;
        QTest::newRow("empty port") << "127.0.0.1:" << false << "" << 0;
        QTest::newRow("no host") << ":7800" << false << "" << 0;
        QTest::newRow("unclosed bracket") << "[::1:7800" << false << "" << 0;
        QTest::newRow("junk after bracket") << "[::1]7800" << false << "" << 0;
        QTest::newRow("blank inside") << "127.0.0.1 :7800" << false << "" << 0;
    }
    void split() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QString, host);
        QFETCH(int, port);
        const auto hp = hostport::split(text);
        QCOMPARE(hp.has_value(), ok);
        if (!ok) return;
        QCOMPARE(hp->host, host);
        QCOMPARE(int(hp->port), port);
    }
    // What the join dialog and the rejoin item write is read back as they meant it.
    void joinIsReadBack() {
        for (const auto& [host, port] : {std::pair{QStringLiteral("game.example.org"), 7800},
                                         std::pair{QStringLiteral("192.0.2.5"), 1},
                                         std::pair{QStringLiteral("2001:db8::5"), 65535},
                                         std::pair{QStringLiteral("::1"), 0}}) {
            const auto hp = hostport::split(hostport::join(host, quint16(port)));
            QVERIFY(hp);
            QCOMPARE(hp->host, host);
            QCOMPARE(int(hp->port), port);
        }
        QCOMPARE(hostport::join(QStringLiteral("::1"), 7800), QStringLiteral("[::1]:7800"));
    }
};

QTEST_GUILESS_MAIN(TestHostPort)
#include "tst_hostport.moc"
