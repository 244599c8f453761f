// One running copy per user: a second start asks the first to come to the front
// and ends before it creates any window.
#pragma once

#include <QLockFile>
#include <QObject>
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
    bool claim();
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
