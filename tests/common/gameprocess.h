// The real program started as a separate process with private folders and ports,
// for tests that need whole processes (launch modes, the relaunch guard).
#pragma once

#include "common/freeport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

inline bool connectWithRetry(QTcpSocket& s, quint16 port, int ms = 8000) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        s.connectToHost(QHostAddress::LocalHost, port);
        if (s.waitForConnected(300)) return true;
        s.abort();
        QTest::qWait(100);
    }
    return false;
}

struct GameProcess {
    QTemporaryDir home;
    QProcess process;
    quint16 port = freePort();

    // `runtime` names the runtime folder (shared to share the single-instance guard);
    // empty gives a private one.
    void start(const QStringList& args, quint16 lobbyPort, const QString& runtime = {},
               const QList<QPair<QString, QString>>& extraEnv = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString rt = runtime.isEmpty() ? home.filePath("runtime") : runtime;
        for (const QString& sub : {rt, home.filePath("home"), home.filePath("config"),
                                   home.filePath("data"), home.filePath("program")})
            QDir().mkpath(sub);
        QFile::setPermissions(rt, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert("XDG_RUNTIME_DIR", rt);
        env.insert("HOME", home.filePath("home"));
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("XDG_DATA_HOME", home.filePath("data"));
        env.insert("VIMBREL_PROGRAM_DIR", home.filePath("program"));
        env.insert("VIMBREL_PORT", QString::number(port));
        env.insert("VIMBREL_LOBBY_PORT", QString::number(lobbyPort));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        for (const auto& [key, value] : extraEnv)
            env.insert(key, value);
        process.setProcessEnvironment(env);
        process.start(VIMBREL_EXE, args);
        QVERIFY(process.waitForStarted());
    }
    ~GameProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
};
