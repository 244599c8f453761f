// The lobby program put together: the settings, the sign-in, the session, the main
// window and the game launcher, and the decisions between them (what to start for
// Join, Watch and Host, and what to undo when the game is over).
#pragma once

#include "zumveklobby/gamelauncher.h"
#include "zumveklobby/lobbyconfig.h"
#include "zumveklobby/lobbysession.h"
#include "zumveklobby/passwordstore.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

namespace zumvek {

class LobbyWindow;
class SignInDialog;

class LobbyApp : public QObject {
    Q_OBJECT
public:
    explicit LobbyApp(QObject* parent = nullptr);
    ~LobbyApp() override;

    // Shows the sign-in dialog (the settings are read first).
    void start();

    LobbySession* session() { return &m_session; }
    GameLauncher* launcher() { return &m_launcher; }
    LobbyWindow* window() const { return m_window; }
    SignInDialog* signInDialog() const { return m_dialog; }
    const LobbyConfig& config() const { return m_config; }
    // The game program in use, as found now.
    QString gameProgram() const;

    // What the buttons do; public so tests drive them as a click would.
    void join(const QString& key, bool watch);
    void hostAtHome();
    void hostOnServer();
    void playSolo();

private:
    void signIn(int way);
    void onStage(LobbySession::Stage stage, const QString& reason);
    void onSignInFailed(const QString& reason);
    void refreshTables();
    void refreshPeople();
    void refreshRatings();
    void launch(const QStringList& args, const std::optional<Seat>& seat);
    void onLinkOpened();
    void onGameEnded(const QString& why);
    void rememberPassword();
    void saveConfig();
    void retry();

    LobbyConfig m_config;
    LobbySession m_session;
    GameLauncher m_launcher;
    PasswordStore m_passwords;
    LobbyWindow* m_window = nullptr;
    SignInDialog* m_dialog = nullptr;
    SignIn m_how;
    bool m_create = false;
    bool m_keepPassword = false;
    bool m_everOnline = false;
    // Before the first log-in the client does not reconnect by itself; this does.
    QTimer m_retry;
    int m_retryDelay = 0;
    bool m_hostingHome = false; // the running game is a table hosted here
    HomeTable m_pendingHome;    // announced once the game holds its port
    bool m_watching = false;
};

} // namespace zumvek
