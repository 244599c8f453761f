// One running copy per user: a second start asks the first to come to the front
// and ends before it creates any window.
#pragma once

#include <QDeadlineTimer>
#include <QLockFile>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QTimer;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `key` names the guard ("vorkel"); it lives in the user's runtime folder.
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Starts taking the guard. The answer comes from the event loop, never from inside
    // this call, and the thread never sleeps or waits: claimed() for the first instance,
    // which then holds the guard until it ends; declined() for a second one, once it has
    // asked the first to raise its window (or given up after kAskMs).
    // `waitMs` > 0 is for a start that replaces a closing instance: it keeps trying to
    // take the guard for that long before it falls back to raising the other window.
    void claim(int waitMs = 0);

    // Set in the environment of a start that replaces the running instance (the File
    // menu's host and join starts); such a start waits for the guard.
    static QString relaunchMarker() { return QStringLiteral("VIMBREL_RELAUNCH"); }
    static constexpr int kRelaunchWaitMs = 10000;
    // How long a second start keeps asking a first one that is still opening its server.
    static constexpr int kAskMs = 3000;
    static constexpr int kRetryMs = 100;
    // How long this start waits for the guard: kRelaunchWaitMs when the marker is "1" in
    // the environment, else 0. Clears the marker so programs started from this one do
    // not inherit it.
    static int takeRelaunchWait();
    // Starts `program` with `arguments`, detached and carrying the marker, as the copy
    // that takes over once this one ends. False when it could not be started.
    static bool startReplacement(const QString& program, const QStringList& arguments);
    // Called in the first instance when another start asks for the window.
    void setRaiseAction(std::function<void()> raise) { m_raise = std::move(raise); }

signals:
    void claimed();
    void declined();

private:
    void tryLock();
    void listen();
    void askFirstToRaise();
    void finishAsking();

    QString m_lockPath;
    QString m_serverName;
    std::unique_ptr<QLockFile> m_lock;
    QDeadlineTimer m_lockDeadline;
    QTimer* m_retry = nullptr;
    QLocalServer* m_server = nullptr;
    QLocalSocket* m_asking = nullptr;
    bool m_sent = false; // the raise line went out on m_asking
    bool m_declined = false;
    std::function<void()> m_raise;
};
