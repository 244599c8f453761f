#include "startup/singleinstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

QString runtimeFolder() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    QDir().mkpath(dir);
    return dir;
}

} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent), m_retry(new QTimer(this)) {
    const QDir dir(runtimeFolder());
    m_lockPath = dir.filePath(key + QStringLiteral(".lock"));
    m_serverName = dir.filePath(key);
    m_retry->setSingleShot(true);
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

void SingleInstance::claim(int waitMs) {
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    m_lock->setStaleLockTime(0); // a lock whose process died is taken over at once
    m_lockDeadline = QDeadlineTimer(std::max(0, waitMs));
    m_retry->disconnect();
    connect(m_retry, &QTimer::timeout, this, &SingleInstance::tryLock);
    QTimer::singleShot(0, this, &SingleInstance::tryLock);
}

// Tried again every kRetryMs from the event loop: never a blocking wait for the lock.
void SingleInstance::tryLock() {
    if (m_lock->tryLock(0)) {
        listen();
        emit claimed();
        return;
    }
    if (!m_lockDeadline.hasExpired()) {
        m_retry->start(int(std::min<qint64>(kRetryMs, m_lockDeadline.remainingTime())));
        return;
    }
    m_retry->disconnect();
    connect(m_retry, &QTimer::timeout, this, &SingleInstance::askFirstToRaise);
    QTimer::singleShot(kAskMs, this, [this] {
        if (QLocalSocket* s = std::exchange(m_asking, nullptr)) {
            s->abort();
            s->deleteLater();
        }
        finishAsking();
    });
    askFirstToRaise();
}

void SingleInstance::listen() {
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
}

// The first instance may still be starting: until kAskMs have passed, a refused
// connection is tried again after kRetryMs.
void SingleInstance::askFirstToRaise() {
    if (m_declined) return;
    auto* s = new QLocalSocket(this);
    m_asking = s;
    m_sent = false;
    connect(s, &QLocalSocket::connected, this, [this, s] {
        m_sent = true;
        s->write("raise\n");
        s->disconnectFromServer(); // once the line is written
    });
    connect(s, &QLocalSocket::disconnected, this, [this, s] {
        if (s == m_asking) finishAsking();
    });
    connect(s, &QLocalSocket::errorOccurred, this, [this, s] {
        if (s != m_asking) return;
        s->deleteLater();
        if (m_sent) {
            finishAsking();
            return;
        }
        m_asking = nullptr;
        m_retry->start(kRetryMs);
    });
    connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
    s->connectToServer(m_serverName);
}

void SingleInstance::finishAsking() {
    m_asking = nullptr;
    m_retry->stop();
    if (m_declined) return;
    m_declined = true;
    emit declined();
}
