#include "startup/singleinstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

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

bool SingleInstance::claim() {
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    m_lock->setStaleLockTime(0); // a lock whose process died is taken over at once
    if (!m_lock->tryLock(0)) {
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
