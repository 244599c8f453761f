// Runs one game at a time the way the game expects a lobby to: listening on
// 127.0.0.1:9001 before the game starts, and taking the game's link there as the sign
// that it runs. The game has ended when that link closes, or, for a game that never
// opened it (a solo game, a copy that was already running), when its process ends.
#pragma once

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

namespace zumvek {

class GameLauncher : public QObject {
    Q_OBJECT
public:
    explicit GameLauncher(QObject* parent = nullptr);
    ~GameLauncher() override;

    // The lobby link's port: 9001, or VIMBREL_LOBBY_PORT as the game reads it.
    static quint16 linkPort();

    // Starts `program` with `arguments`. False, with `error` in words, when a game
    // already runs or the program cannot be started.
    bool start(const QString& program, const QStringList& arguments, QString* error);
    bool running() const { return m_running; }
    // True once the game opened its link.
    bool linked() const { return m_link != nullptr; }
    // The last game's command line, for people and tests.
    QStringList lastArguments() const { return m_arguments; }
    // The game's process while it runs; null otherwise.
    QProcess* process() const { return m_process; }

signals:
    void linkOpened();
    // The game is over; `why` in words when it did not end normally.
    void ended(const QString& why);

private:
    void onConnection();
    void onProcessFinished();
    void finish(const QString& why);

    QTcpServer m_server;
    QPointer<QTcpSocket> m_link;
    bool m_everLinked = false;
    QProcess* m_process = nullptr;
    bool m_running = false;
    QStringList m_arguments;
};

} // namespace zumvek
