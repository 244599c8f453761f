// The address a join start is given: passed on with its port, or, when it is no
// address at all, refused with a line that names it.
#include "client/chatform.h"
#include "client/chatpanel.h"
#include "net/sockclientlink.h"
#include "protocol/clientlink.h"

#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTextBlock>
#include <QtTest>

namespace {

struct RecordingLink : ClientLink {
    QStringList opened;
    void attach(ClientEvents*) override {}
    void open(const QString& host) override { opened << host; }
    void send(const QByteArray&) override {}
    void close() override {}
};

} // namespace

class TestJoinAddress : public QObject {
    Q_OBJECT
private slots:
    void addressWithPortIsOpened() {
        for (const QString& address :
             {QStringLiteral("127.0.0.1:7800"), QStringLiteral("[::1]:7800")}) {
            RecordingLink link;
            Tchat table(link);
            table.setArguments({QStringLiteral("Bob"), address, QStringLiteral("join")});
            table.processparams();
            QCOMPARE(link.opened, QStringList{address});
        }
    }
    void badAddressIsNamedAndNotOpened() {
        RecordingLink link;
        Tchat table(link);
        table.setArguments(
            {QStringLiteral("Bob"), QStringLiteral("127.0.0.1:99999"), QStringLiteral("join")});
        table.processparams();
        QVERIFY(link.opened.isEmpty());
        const QString line = table.mainchat()->document()->lastBlock().text();
        QVERIFY2(line.contains(QStringLiteral("\"127.0.0.1:99999\"")), qPrintable(line));
    }

    // The forms the README gives, against a dedicated host on a port of its own; the
    // table's own game port is one nobody listens on, so only the address's port works.
    void joinsADedicatedHostOnItsPort_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("IPv4") << "127.0.0.1:%1";
        QTest::newRow("IPv6 in brackets") << "[::1]:%1";
    }
    void joinsADedicatedHostOnItsPort() {
        QFETCH(QString, address);
        if (address.startsWith(u'[') && !QTcpServer().listen(QHostAddress::LocalHostIPv6, 0))
            QSKIP("no IPv6 loopback here");
        QProcess host;
        host.start(VIMBREL_HOST_EXE, {"--port", "0"});
        QVERIFY(host.waitForStarted());
        auto stop = qScopeGuard([&host] {
            host.kill();
            host.waitForFinished();
        });
        static const QRegularExpression listening(QStringLiteral("listening on port (\\d+) "));
        QString log;
        QTRY_VERIFY_WITH_TIMEOUT(
            listening.match(log += QString::fromUtf8(host.readAllStandardOutput())).hasMatch(),
            5000);
        const QString where = address.arg(listening.match(log).captured(1));
        SockClientLink link(QString::number(closedPort()));
        Tchat table(link);
        table.setArguments({QStringLiteral("Bob"), where, QStringLiteral("join")});
        table.processparams();
        QTRY_VERIFY2_WITH_TIMEOUT(table.state().ownSeat > 0,
                                  qPrintable(table.mainchat()->toPlainText()), 8000);
    }

    // A wrong port reads as what it is, naming the address, not as a socket error code.
    void refusedJoinIsToldInWords() {
        const QString where = QStringLiteral("127.0.0.1:%1").arg(closedPort());
        SockClientLink link;
        Tchat table(link);
        table.setArguments({QStringLiteral("Bob"), where, QStringLiteral("join")});
        table.processparams();
        QTRY_VERIFY_WITH_TIMEOUT(table.mainchat()->toPlainText().contains(where + u':'), 8000);
        const QString line = table.mainchat()->document()->lastBlock().text();
        QVERIFY2(line.contains(QLatin1String("refused")), qPrintable(line));
        QVERIFY2(!line.contains(QLatin1String("WSA")) && !line.contains(u'#'), qPrintable(line));
    }

private:
    // A loopback port that was just free: nothing listens there.
    static quint16 closedPort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }
};

QTEST_MAIN(TestJoinAddress)
#include "tst_joinaddress.moc"
