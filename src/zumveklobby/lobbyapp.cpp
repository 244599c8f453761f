#include "zumveklobby/lobbyapp.h"

#include "zumveklobby/homeaddresses.h"
#include "zumveklobby/launchplan.h"
#include "zumveklobby/lobbywindow.h"
#include "zumveklobby/signindialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace zumvek {

namespace {

constexpr int kFirstRetryMs = 2000;
constexpr int kLastRetryMs = 60000;
const QString kBotNick = QStringLiteral("Lobby");

// The table's name as others see it; on the wire, so never translated.
QString tableName(const QString& nick) {
    return QStringLiteral("%1's table").arg(nick).left(lobby::kMaxTableName);
}

} // namespace

LobbyApp::LobbyApp(QObject* parent) : QObject(parent) {
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &LobbyApp::retry);
    connect(&m_session, &LobbySession::stageChanged, this, &LobbyApp::onStage);
    connect(&m_session, &LobbySession::signInFailed, this, &LobbyApp::onSignInFailed);
    connect(&m_session, &LobbySession::tablesChanged, this, &LobbyApp::refreshTables);
    connect(&m_session, &LobbySession::occupantsChanged, this, &LobbyApp::refreshPeople);
    connect(&m_session, &LobbySession::ratingsChanged, this, &LobbyApp::refreshRatings);
    connect(&m_launcher, &GameLauncher::linkOpened, this, &LobbyApp::onLinkOpened);
    connect(&m_launcher, &GameLauncher::ended, this, &LobbyApp::onGameEnded);
}

LobbyApp::~LobbyApp() {
    // The members outlive the windows by a moment; none of them may reach for one.
    m_launcher.disconnect(this);
    m_session.disconnect(this);
    m_session.disconnect(m_window);
    delete m_dialog;
    delete m_window;
}

void LobbyApp::start() {
    m_config = LobbyConfig::load(settingsPath());
    m_window = new LobbyWindow;
    if (!m_config.geometry.isNull()) m_window->setGeometry(m_config.geometry);
    m_window->setStatus(tr("Not connected to the lobby."));
    connect(m_window, &LobbyWindow::joinClicked, this, &LobbyApp::join);
    connect(m_window, &LobbyWindow::hostClicked, this, &LobbyApp::hostAtHome);
    connect(m_window, &LobbyWindow::serverTableClicked, this, &LobbyApp::hostOnServer);
    connect(m_window, &LobbyWindow::soloClicked, this, &LobbyApp::playSolo);
    connect(m_window, &LobbyWindow::messageEntered, &m_session, &LobbySession::say);
    connect(&m_session, &LobbySession::chat, m_window,
            [this](const QString& nick, const QString& text) { m_window->addChat(nick, text); });
    connect(&m_session, &LobbySession::notice, m_window, &LobbyWindow::addNotice);
    connect(m_window, &LobbyWindow::muteClicked, &m_session, &LobbySession::mute);
    connect(m_window, &LobbyWindow::unmuteClicked, &m_session, &LobbySession::unmute);
    connect(m_window, &LobbyWindow::banClicked, &m_session, &LobbySession::ban);
    connect(m_window, &LobbyWindow::signInAgain, this, [this] {
        m_dialog->setBusy(false);
        m_dialog->setProblem({});
        m_dialog->show();
        m_dialog->raise();
    });
    connect(m_window, &LobbyWindow::closing, this, [this] {
        saveConfig();
        m_session.signOut();
        QCoreApplication::quit();
    });

    m_dialog = new SignInDialog;
    connect(m_dialog, &SignInDialog::chosen, this,
            [this](SignInDialog::Way way) { signIn(int(way)); });
    // Leaving the sign-in before ever reaching the lobby ends the program.
    connect(m_dialog, &QDialog::rejected, this, [this] {
        if (!m_window->isVisible()) QCoreApplication::quit();
    });
    m_dialog->setValues(m_config.server, m_config.account, {});
    if (!m_config.guest && !m_config.account.isEmpty())
        m_passwords.read(m_config.server, m_config.account, [this](const QString& password) {
            if (m_dialog->password().isEmpty()) m_dialog->passwordEdit->setText(password);
        });
    m_dialog->show();
}

QString LobbyApp::gameProgram() const {
    return findGame(m_config.gameProgram, QCoreApplication::applicationDirPath());
}

void LobbyApp::signIn(int wayNumber) {
    const auto way = SignInDialog::Way(wayNumber);
    const auto server = parseServer(m_dialog->server());
    if (!server) {
        m_dialog->setProblem(
            tr("\"%1\" is not a server address. Give a name such as lobby.zumvek.com, with "
               ":PORT after it for another port.")
                .arg(m_dialog->server()));
        return;
    }
    QString account = m_dialog->account();
    static const QRegularExpression accountPattern(
        QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]{0,23}$"));
    if (way == SignInDialog::Way::Guest && account.isEmpty())
        account = QStringLiteral("Guest%1").arg(QRandomGenerator::global()->bounded(1000, 10000));
    if (!accountPattern.match(account).hasMatch()) {
        m_dialog->setProblem(account.isEmpty()
                                 ? tr("Please give an account name.")
                                 : tr("An account name is 1 to 24 letters, digits, dots, hyphens "
                                      "and underscores, beginning with a letter or digit."));
        return;
    }
    if (way != SignInDialog::Way::Guest && m_dialog->password().isEmpty()) {
        m_dialog->setProblem(tr("Please give the password."));
        return;
    }
    m_how = SignIn{};
    m_how.domain = server->domain;
    m_how.port = server->port;
    m_how.serverHost = m_config.serverHost;
    m_how.account = account;
    m_how.guest = way == SignInDialog::Way::Guest;
    m_how.password = m_how.guest ? QString() : m_dialog->password();
    m_how.caFile = m_config.caFile;
    m_create = way == SignInDialog::Way::Create;
    m_keepPassword = m_dialog->keepPassword();
    m_config.server = m_dialog->server();
    m_config.account = account;
    m_config.guest = m_how.guest;
    m_everOnline = false;
    m_retryDelay = kFirstRetryMs;
    m_retry.stop();

    m_dialog->setProblem(m_create ? tr("Creating the account...") : tr("Connecting..."));
    m_dialog->setBusy(true);
    m_session.signIn(m_how, m_create);
}

void LobbyApp::onStage(LobbySession::Stage stage, const QString& reason) {
    const QString server = m_how.domain;
    switch (stage) {
    case LobbySession::Stage::Offline:
        m_window->setInRoom(false);
        m_window->setStatus(reason.isEmpty() ? tr("Not connected to the lobby.")
                                             : tr("Not connected to the lobby: %1").arg(reason));
        break;
    case LobbySession::Stage::Connecting:
        m_window->setInRoom(false);
        if (reason.isEmpty()) {
            m_window->setStatus(tr("Connecting to the lobby at %1...").arg(server));
        } else {
            m_window->setStatus(tr("The lobby at %1 cannot be reached (%2). Trying again; "
                                   "meanwhile you can still play solo.")
                                    .arg(server, reason));
            if (!m_everOnline) {
                // The first connection never came up: the client only reconnects a
                // connection it once had, so the lobby keeps trying itself.
                m_retry.start(m_retryDelay);
                m_retryDelay = qMin(m_retryDelay * 2, kLastRetryMs);
            }
        }
        if (m_dialog->isVisible() && !m_create) {
            m_window->show();
            m_dialog->hide();
        }
        break;
    case LobbySession::Stage::Online:
        m_window->setInRoom(false);
        m_window->setStatus(
            tr("Signed in as %1; entering the lobby room...").arg(m_session.nick()));
        if (!m_everOnline) {
            m_everOnline = true;
            m_retry.stop();
            saveConfig();
            rememberPassword();
        }
        m_window->show();
        m_dialog->hide();
        m_dialog->setBusy(false);
        break;
    case LobbySession::Stage::InRoom:
        m_window->setInRoom(true);
        m_window->setStatus(tr("In the lobby at %1 as %2.").arg(server, m_session.nick()));
        break;
    }
}

void LobbyApp::retry() {
    if (!m_everOnline) m_session.retry();
}

void LobbyApp::onSignInFailed(const QString& reason) {
    m_retry.stop();
    m_dialog->setBusy(false);
    m_dialog->setProblem(m_create ? tr("The account was not created: %1").arg(reason)
                                  : tr("Signing in failed: %1").arg(reason));
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void LobbyApp::rememberPassword() {
    if (m_how.guest) return;
    const QString server = m_config.server;
    if (!m_keepPassword) {
        m_passwords.forget(server, m_how.account);
        return;
    }
    m_passwords.write(server, m_how.account, m_how.password, [this](const QString& problem) {
        if (!problem.isEmpty()) m_window->addNotice(problem);
    });
}

void LobbyApp::saveConfig() {
    if (m_window && m_window->isVisible() && !m_window->isMinimized())
        m_config.geometry = m_window->geometry();
    if (!m_config.save(settingsPath()) && m_window)
        m_window->addNotice(tr("The settings could not be saved in %1.").arg(settingsPath()));
}

void LobbyApp::refreshTables() {
    m_window->setTables(m_session.tables().tables());
    // Our own table at home gets its key once the bot lists it; then we sit at it.
    if (m_hostingHome && m_launcher.running()) {
        const QString key = m_session.homeKey();
        const auto seat = m_session.seatOf(m_session.nick());
        if (!key.isEmpty() && (!seat || seat->key != key)) m_session.setSeat(Seat{key, false});
    }
    refreshPeople();
}

void LobbyApp::refreshPeople() {
    QList<LobbyWindow::Person> people;
    QList<xmpp::Occupant> everyone = m_session.occupants();
    std::sort(everyone.begin(), everyone.end(), [](const auto& a, const auto& b) {
        return a.nick.compare(b.nick, Qt::CaseInsensitive) < 0;
    });
    for (const xmpp::Occupant& o : everyone) {
        if (o.nick.isEmpty() || (o.nick == kBotNick && o.affiliation == QLatin1String("owner")))
            continue;
        LobbyWindow::Person p{o.nick, {}, false, o.role == QLatin1String("visitor")};
        if (const auto rated = m_session.ratings().of(o.nick)) {
            p.rating = rated->rating;
            p.games = rated->games;
        }
        if (const auto seat = m_session.seatOf(o.nick)) {
            if (const lobby::Table* t = m_session.tables().find(seat->key)) {
                p.where = t->name;
                p.watching = seat->spectator;
            }
        }
        people << p;
    }
    m_window->setPeople(people);
    m_window->setModerator(m_session.moderator(), m_session.nick());
}

void LobbyApp::refreshRatings() {
    if (!m_window) return;
    m_window->setBestPlayers(m_session.ratings().best());
    refreshPeople();
}

void LobbyApp::launch(const QStringList& args, const std::optional<Seat>& seat) {
    QString error;
    if (!m_launcher.start(gameProgram(), args, &error)) {
        m_window->addNotice(error);
        m_hostingHome = false;
        return;
    }
    m_window->setGameRunning(true);
    m_window->addNotice(args.isEmpty() ? tr("Starting a solo game.")
                                       : tr("Starting the game: vimbrel %1").arg(args.join(u' ')));
    m_session.setSeat(seat);
    m_window->showMinimized();
}

void LobbyApp::join(const QString& key, bool watch) {
    if (m_launcher.running()) return;
    const lobby::Table* table = m_session.tables().find(key);
    if (!table) {
        m_window->addNotice(tr("That table is no longer listed."));
        return;
    }
    const QStringList args = joinArguments(m_session.nick(), *table);
    if (args.isEmpty()) {
        m_window->addNotice(tr("That table has no address to join."));
        return;
    }
    m_watching = watch;
    // The game has no spectator switch: the host seats a fifth arrival as a spectator,
    // and our presence tells the lobby how we meant to sit.
    launch(args, Seat{key, watch});
}

void LobbyApp::hostAtHome() {
    if (m_launcher.running()) return;
    const HomeAddresses home = homeAddresses(m_config.publicAddress, localAddresses(), gamePort());
    if (!home.error.isEmpty()) {
        m_window->addNotice(home.error);
        return;
    }
    m_hostingHome = true;
    m_pendingHome = HomeTable{tableName(m_session.nick()), home.ipv4, home.ipv6, home.port};
    launch(hostArguments(m_session.nick()), std::nullopt);
}

void LobbyApp::onLinkOpened() {
    // Announced once the game holds its port: the bot checks the address at once.
    if (m_hostingHome) m_session.announceHome(m_pendingHome);
}

void LobbyApp::hostOnServer() {
    if (m_launcher.running()) return;
    m_window->setGameRunning(true); // until the answer comes
    m_window->addNotice(tr("Asking the lobby's server for a table..."));
    m_session.requestServerTable(
        tableName(m_session.nick()),
        [this](const QString& address, const QString& key, const QString& error) {
            m_window->setGameRunning(false);
            if (!error.isEmpty()) {
                m_window->addNotice(tr("The server did not open a table: %1").arg(error));
                return;
            }
            launch(joinArguments(m_session.nick(), address),
                   key.isEmpty() ? std::nullopt : std::optional<Seat>(Seat{key, false}));
        });
}

void LobbyApp::playSolo() {
    if (m_launcher.running()) return;
    launch({}, std::nullopt);
}

void LobbyApp::onGameEnded(const QString& why) {
    if (m_hostingHome) m_session.withdrawHome();
    m_hostingHome = false;
    m_watching = false;
    m_session.setSeat(std::nullopt);
    m_window->setGameRunning(false);
    if (!why.isEmpty()) m_window->addNotice(why);
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace zumvek
