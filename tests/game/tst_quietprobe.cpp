// A lobby checks that a table answers by connecting, reading the host's greeting and
// closing without logging in. The players at a real vimbrel-host must not hear of it.
#include "client/board/board.h"
#include "client/chatpanel.h"
#include "game/loopbacktable.h"
#include "soak/loopbackhost.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

class TestQuietProbe : public QObject {
    Q_OBJECT
private slots:
    void probeComesAndGoesUnseen();
};

void TestQuietProbe::probeComesAndGoesUnseen() {
    QProcess host;
    host.start(VIMBREL_HOST_EXE, {"--port", "0"});
    QVERIFY(host.waitForStarted());
    QString log;
    const QRegularExpression listening(QStringLiteral("listening on port (\\d+) "));
    auto logged = [&](const QString& text) {
        log += QString::fromUtf8(host.readAllStandardOutput());
        return log.contains(text);
    };
    QTRY_VERIFY_WITH_TIMEOUT(logged("listening on port"), 5000);
    const QString port = listening.match(log).captured(1);

    LoopbackTable ann(port, {"Ann", "127.0.0.1", "join"});
    ann.window.show();
    QTRY_COMPARE_WITH_TIMEOUT(ann.window.state().ownSeat, 1, 5000);
    // In a game the computer plays seat 2, whose record stays free for the next comer.
    QTRY_VERIFY_WITH_TIMEOUT(ann.shows("button_start"), 5000);
    QTest::mouseClick(ann.find<QAbstractButton>("button_start"), Qt::LeftButton);
    QTRY_VERIFY(ann.window.mainchat()->toPlainText().contains("Ann has started a game."));
    const qsizetype before = ann.window.mainchat()->toPlainText().size();

    WireClient probe(quint16(port.toUInt()));
    QTRY_COMPARE(probe.record, 2);
    probe.socket.disconnectFromHost();
    QTRY_VERIFY(logged("record 2 () left"));

    // Bob comes next: once Ann hears of him, anything about the probe would have come.
    LoopbackTable bob(port, {"Bob", "127.0.0.1", "join"});
    bob.window.show();
    QTRY_VERIFY_WITH_TIMEOUT(ann.window.mainchat()->toPlainText().contains("Bob is Connected."),
                             5000);
    const QString after = ann.window.mainchat()->toPlainText().mid(before);
    QVERIFY2(!after.contains("disconnected"), qPrintable(after));
    QCOMPARE(ann.board()->playerName(2), QStringLiteral("Bob"));

    host.terminate();
    QVERIFY(host.waitForFinished(5000));
}

QTEST_MAIN(TestQuietProbe)
#include "tst_quietprobe.moc"
