#include "zumveklobby/gamelauncher.h"

#include <QFileInfo>

#include <utility>

namespace zumvek {

GameLauncher::GameLauncher(QObject* parent) : QObject(parent) {
    connect(&m_server, &QTcpServer::newConnection, this, &GameLauncher::onConnection);
}

GameLauncher::~GameLauncher() {
    // The link closes as this goes; nobody is told of a game ending then.
    if (m_link) m_link->disconnect(this);
    m_server.disconnect(this);
    // The game outlives the lobby: closing the lobby must not end a game in progress.
    if (m_process) {
        m_process->disconnect(this);
        m_process->setParent(nullptr);
        m_process = nullptr; // deliberately left to run; QProcess would kill it on delete
    }
}

quint16 GameLauncher::linkPort() {
    bool ok = false;
    const int port = qEnvironmentVariable("VIMBREL_LOBBY_PORT").toInt(&ok);
    return ok && port > 0 && port < 65536 ? quint16(port) : quint16(9001);
}

bool GameLauncher::start(const QString& program, const QStringList& arguments, QString* error) {
    if (m_running) {
        if (error) *error = tr("A game is already running.");
        return false;
    }
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        if (error) *error = tr("The game program vimbrel was not found.");
        return false;
    }
    // Listening first: the game opens its link once, right after it starts.
    if (!m_server.isListening()) m_server.listen(QHostAddress::LocalHost, linkPort());
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::ForwardedChannels);
    connect(m_process, &QProcess::finished, this, &GameLauncher::onProcessFinished);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) onProcessFinished();
    });
    m_arguments = arguments;
    m_everLinked = false;
    m_running = true;
    m_process->start(program, arguments);
    return true;
}

void GameLauncher::onConnection() {
    while (QTcpSocket* s = m_server.nextPendingConnection()) {
        // One link per game; anything else knocking here is not our game.
        if (!m_running || m_link) {
            s->abort();
            s->deleteLater();
            continue;
        }
        m_link = s;
        m_everLinked = true;
        connect(s, &QTcpSocket::disconnected, this, [this] { finish({}); });
        // Nothing flows on the link; whatever comes is dropped.
        connect(s, &QTcpSocket::readyRead, s, [s] { s->readAll(); });
        emit linkOpened();
    }
}

void GameLauncher::onProcessFinished() {
    QProcess* p = m_process;
    if (!p) return;
    QString why;
    if (p->error() == QProcess::FailedToStart)
        why = tr("The game could not be started: %1").arg(p->errorString());
    else if (p->exitStatus() == QProcess::CrashExit)
        why = tr("The game ended unexpectedly.");
    // A linked game ends when its link closes, which comes with the process's end.
    if (m_link && m_link->state() == QAbstractSocket::ConnectedState && why.isEmpty()) return;
    finish(why);
}

void GameLauncher::finish(const QString& why) {
    if (!m_running) return;
    m_running = false;
    if (m_link) {
        m_link->disconnect(this);
        m_link->abort();
        m_link->deleteLater();
        m_link = nullptr;
    }
    // The listener closes between games, so nothing else lands on a lobby that waits.
    m_server.close();
    if (QProcess* p = std::exchange(m_process, nullptr)) {
        p->disconnect(this);
        // A game whose link closed first is still ending: deleting it now would kill it.
        if (p->state() == QProcess::NotRunning)
            p->deleteLater();
        else
            connect(p, &QProcess::finished, p, &QObject::deleteLater);
    }
    emit ended(why);
}

} // namespace zumvek
