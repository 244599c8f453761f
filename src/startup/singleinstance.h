// One running copy per user: a second start asks the first to come to the front
// and ends before it creates any window.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `key` names the guard ("vorkel"); it lives in the user's runtime folder.
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True for the first instance, which then holds the guard until it ends. False for a
    // second one, after it has asked the first to raise its window.
    // `waitMs` > 0 is for a start that replaces a closing instance: it keeps trying to
    // take the guard for that long before it falls back to raising the other window.
    bool claim(int waitMs = 0);

    // Set in the environment of a start that replaces the running instance (the File
    // menu's host and join starts); such a start waits for the guard.
    static QString relaunchMarker() { return QStringLiteral("VIMBREL_RELAUNCH"); }
    static constexpr int kRelaunchWaitMs = 10000;
    // How long this start waits for the guard: kRelaunchWaitMs when the marker is "1" in
    // the environment, else 0. Clears the marker so programs started from this one do
    // not inherit it.
    static int takeRelaunchWait();
    // Starts `program` with `arguments`, detached and carrying the marker, as the copy
    // that takes over once this one ends. False when it could not be started.
    static bool startReplacement(const QString& program, const QStringList& arguments);
    // Called in the first instance when another start asks for the window.
    void setRaiseAction(std::function<void()> raise) { m_raise = std::move(raise); }

private:
    bool askFirstToRaise();

    QString m_lockPath;
    QString m_serverName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    std::function<void()> m_raise;
};
