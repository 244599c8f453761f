// The address a join start is given: passed on with its port, or, when it is no
// address at all, refused with a line that names it.
#include "client/chatform.h"
#include "client/chatpanel.h"
#include "protocol/clientlink.h"

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
};

QTEST_MAIN(TestJoinAddress)
#include "tst_joinaddress.moc"
