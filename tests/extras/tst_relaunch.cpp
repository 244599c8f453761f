// A copy started by the File menu's network starts waits for the running copy to
// end and then takes over; it never runs beside it.
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

quint16 freePort() {
    QTcpServer s;
    s.listen(QHostAddress::AnyIPv4, 0);
    return s.serverPort();
}

// A hosting copy with its own folders and port; `runtime` is shared to share the guard.
struct Copy {
    QTemporaryDir home;
    QProcess process;
    quint16 port = freePort();

    void start(const QString& runtime, bool relaunch) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* sub : {"home", "config", "data", "program"})
            QDir().mkpath(home.filePath(sub));
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("HOME", home.filePath("home"));
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("XDG_DATA_HOME", home.filePath("data"));
        env.insert("VIMBREL_PROGRAM_DIR", home.filePath("program"));
        env.insert("VIMBREL_PORT", QString::number(port));
        env.insert("VIMBREL_LOBBY_PORT", QString::number(freePort())); // nobody listens
        env.insert("QT_QPA_PLATFORM", "offscreen");
        if (relaunch) env.insert("VIMBREL_RELAUNCH", "1");
        process.setProcessEnvironment(env);
        process.start(VIMBREL_EXE, {"Ann", "127.0.0.1", "true"});
        QVERIFY(process.waitForStarted());
    }
    ~Copy() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
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
