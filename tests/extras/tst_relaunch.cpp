// A copy started by the File menu's network starts waits for the running copy to
// end and then takes over; it never runs beside it.
#include "common/gameprocess.h"

namespace {

// A hosting copy; `runtime` is shared to share the guard.
struct Copy : GameProcess {
    void start(const QString& runtime, bool relaunch) {
        QList<QPair<QString, QString>> env;
        if (relaunch) env.append(qMakePair(QStringLiteral("VIMBREL_RELAUNCH"), QStringLiteral("1")));
        GameProcess::start({"Ann", "127.0.0.1", "true"}, freePort(), runtime, env); // no lobby listens
    }
};

bool hosting(quint16 port, int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, port);
        if (s.waitForConnected(300)) return true;
        QTest::qWait(100);
    }
    return false;
}

} // namespace

class TestRelaunch : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_runtime.isValid()); }
    void waitsForTheRunningCopyThenTakesOver();
    void givesUpWhenTheRunningCopyStays();

private:
    QTemporaryDir m_runtime;
};

void TestRelaunch::waitsForTheRunningCopyThenTakesOver() {
    Copy first;
    first.start(m_runtime.path(), false);
    QVERIFY(hosting(first.port, 8000));
    Copy second;
    second.start(m_runtime.path(), true);
    QVERIFY(!second.process.waitForFinished(1500)); // waiting, not gone
    QVERIFY(!hosting(second.port, 300));            // and not yet playing
    first.process.kill();
    QVERIFY(first.process.waitForFinished(5000));
    QVERIFY(hosting(second.port, 10000));
    QCOMPARE(second.process.state(), QProcess::Running);
}

void TestRelaunch::givesUpWhenTheRunningCopyStays() {
    Copy first;
    first.start(m_runtime.path(), false);
    QVERIFY(hosting(first.port, 8000));
    Copy second;
    second.start(m_runtime.path(), true);
    QVERIFY(second.process.waitForFinished(30000));
    QCOMPARE(second.process.exitCode(), 0);
    QVERIFY(!hosting(second.port, 300));
    QCOMPARE(first.process.state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestRelaunch)
#include "tst_relaunch.moc"
