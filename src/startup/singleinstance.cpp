#include "startup/singleinstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>

namespace {

QString runtimeFolder() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    QDir().mkpath(dir);
    return dir;
}

} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent) : QObject(parent) {
    const QDir dir(runtimeFolder());
    m_lockPath = dir.filePath(key + QStringLiteral(".lock"));
    m_serverName = dir.filePath(key);
}

SingleInstance::~SingleInstance() = default;

int SingleInstance::takeRelaunchWait() {
    const QByteArray name = relaunchMarker().toLatin1();
    const bool relaunch = qgetenv(name.constData()) == "1";
    qunsetenv(name.constData());
    return relaunch ? kRelaunchWaitMs : 0;
}

bool SingleInstance::startReplacement(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(relaunchMarker(), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    return process.startDetached();
}

bool SingleInstance::claim(int waitMs) {
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    m_lock->setStaleLockTime(0); // a lock whose process died is taken over at once
    // Nothing is shown yet, so waiting here blocks no window.
    if (!m_lock->tryLock(std::max(0, waitMs))) {
        askFirstToRaise();
        return false;
    }
    QLocalServer::removeServer(m_serverName); // left behind by a crashed run
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->listen(m_serverName);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = m_server->nextPendingConnection()) {
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (s->readAll().contains("raise") && m_raise) m_raise();
                s->disconnectFromServer();
            });
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    return true;
}

bool SingleInstance::askFirstToRaise() {
    // The first instance may still be starting; give it a moment to open its server.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 3000) {
        QLocalSocket s;
        s.connectToServer(m_serverName);
        if (s.waitForConnected(300)) {
            s.write("raise\n");
            s.waitForBytesWritten(1000);
            s.disconnectFromServer();
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}
