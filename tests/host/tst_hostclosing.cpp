// How a table at a real vimbrel-host ends: removed by the player who runs the table, or
// the host stopped with SIGTERM. Either way the window stays and says why.
#include "client/chatpanel.h"
#include "game/loopbacktable.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

namespace {

QStringList chatLines(GameTable& t) {
    return t.window.mainchat()->toPlainText().split(QLatin1Char('\n'));
}

} // namespace

class TestHostClosing : public QObject {
    Q_OBJECT
private slots:
    void removedAndClosedTablesStayAndSayWhy();
};

void TestHostClosing::removedAndClosedTablesStayAndSayWhy() {
    QProcess host;
    host.start(VIMBREL_HOST_EXE, {"--port", "0"});
    QVERIFY(host.waitForStarted());
    QString log;
    auto logged = [&](const QString& text) {
        log += QString::fromUtf8(host.readAllStandardOutput());
        return log.contains(text);
    };
    QTRY_VERIFY_WITH_TIMEOUT(logged("listening on port"), 5000);
    const QString port =
        QRegularExpression(QStringLiteral("listening on port (\\d+) ")).match(log).captured(1);

    LoopbackTable ann(port, {"Ann", "127.0.0.1", "join"});
    ann.window.show();
    QTRY_VERIFY_WITH_TIMEOUT(ann.window.state().isHost, 5000);
    LoopbackTable bob(port, {"Bob", "127.0.0.1", "join"});
    bob.window.show();
    QTRY_COMPARE_WITH_TIMEOUT(bob.window.state().ownSeat, 2, 5000);
    LoopbackTable cid(port, {"Cid", "127.0.0.1", "join"});
    cid.window.show();
    QTRY_COMPARE_WITH_TIMEOUT(cid.window.state().ownSeat, 3, 5000);
    QTRY_VERIFY(chatLines(ann).contains("Cid is Connected."));

    ann.window.session().remove(3);
    QTRY_COMPARE_WITH_TIMEOUT(cid.boxes, QStringList{"You were removed from the table"}, 5000);
    QTRY_VERIFY(chatLines(bob).contains("Cid was removed"));
    QVERIFY(!chatLines(bob).contains("Cid disconnected."));
    QVERIFY(cid.window.isVisible());

    ::kill(pid_t(host.processId()), SIGTERM);
    QVERIFY(host.waitForFinished(10000));
    for (GameTable* t : {static_cast<GameTable*>(&ann), static_cast<GameTable*>(&bob)}) {
        QTRY_COMPARE_WITH_TIMEOUT(t->boxes, QStringList{"The table was closed by its host"}, 5000);
        QVERIFY(t->window.isVisible());
        const QStringList lines = chatLines(*t);
        QCOMPARE(lines.mid(lines.size() - 2),
                 (QStringList{"The table is closing. Thanks for playing!",
                              "The table was closed by its host"}));
    }
    QTest::qWait(100); // nothing closes them later either
    QVERIFY(ann.window.isVisible() && bob.window.isVisible());
}

QTEST_MAIN(TestHostClosing)
#include "tst_hostclosing.moc"
