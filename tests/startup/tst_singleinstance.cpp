// The single-instance guard answers from the event loop and never blocks it: a second
// start that waits for a first one still opening its server, or for a closing one to let
// go, leaves the thread free for that very first one.
#include "startup/singleinstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <memory>

class TestSingleInstance : public QObject {
    Q_OBJECT

    // Where SingleInstance keeps the guard named `key`.
    static QString guardPath(const QString& key) {
        return QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
            .filePath(key);
    }

private slots:
    void secondStartRaisesTheFirst() {
        SingleInstance first(QStringLiteral("raise"));
        int raised = 0;
        first.setRaiseAction([&raised] { ++raised; });
        QSignalSpy firstClaimed(&first, &SingleInstance::claimed);
        first.claim();
        QCOMPARE(firstClaimed.count(), 0); // never from inside the call
        QTRY_COMPARE(firstClaimed.count(), 1);

        SingleInstance second(QStringLiteral("raise"));
        QSignalSpy secondClaimed(&second, &SingleInstance::claimed);
        QSignalSpy declined(&second, &SingleInstance::declined);
        second.claim();
        QTRY_COMPARE(declined.count(), 1);
        QTRY_COMPARE(raised, 1);
        QCOMPARE(secondClaimed.count(), 0);
    }

    // A first instance holds the guard but opens its server only on its next turn of the
    // event loop: the second start's asking must leave that turn to it.
    void askingLeavesTheEventLoopFree() {
        const QString path = guardPath(QStringLiteral("starting"));
        QLockFile held(path + QStringLiteral(".lock"));
        QVERIFY(held.tryLock(0));
        QLocalServer server;
        QByteArray heard;
        connect(&server, &QLocalServer::newConnection, this, [&] {
            QLocalSocket* s = server.nextPendingConnection();
            connect(s, &QLocalSocket::readyRead, this, [&heard, s] { heard += s->readAll(); });
        });
        QTimer::singleShot(0, &server, [&server, path] { server.listen(path); });

        SingleInstance second(QStringLiteral("starting"));
        QSignalSpy declined(&second, &SingleInstance::declined);
        second.claim();
        QTRY_COMPARE(heard, QByteArray("raise\n"));
        QTRY_COMPARE(declined.count(), 1);
    }

    // A replacement start waits for the closing copy to let go of the guard, and takes it.
    void replacementTakesTheGuardOnceFreed() {
        auto closing = std::make_unique<SingleInstance>(QStringLiteral("relaunch"));
        QSignalSpy closingClaimed(closing.get(), &SingleInstance::claimed);
        closing->claim();
        QTRY_COMPARE(closingClaimed.count(), 1);

        SingleInstance replacement(QStringLiteral("relaunch"));
        QSignalSpy claimed(&replacement, &SingleInstance::claimed);
        QSignalSpy declined(&replacement, &SingleInstance::declined);
        replacement.claim(SingleInstance::kRelaunchWaitMs);
        QTimer::singleShot(0, this, [&closing] { closing.reset(); });
        QTRY_COMPARE(claimed.count(), 1);
        QCOMPARE(declined.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
