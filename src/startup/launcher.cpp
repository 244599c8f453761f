#include "startup/launcher.h"

#include "client/board/board.h"
#include "client/chatform.h"
#include "client/phrasesform.h"
#include "client/spylistform.h"
#include "lobby/aboutform.h"
#include "lobby/downloadform.h"
#include "lobby/helpform.h"
#include "net/Sock.h"
#include "net/desktophostlink.h"
#include "net/sockclientlink.h"
#include "portmap/portmapper.h"
#include "server/tserver.h"
#include "startup/singleinstance.h"
#include "tally/tallylistform.h"
#include "widgets/art.h"

#include <QApplication>
#include <QLabel>

Launcher::Launcher(const QStringList& args, QObject* parent) : QObject(parent), m_args(args) {
    createWindows();
    createSockets();
    wire();
}

Launcher::~Launcher() {
    // Closing sockets still report their end; nobody may hear it once the windows
    // are going.
    m_tableLink.use(nullptr);
    // The router's mapping goes first, while the program is still whole.
    delete m_portMapper;
    delete m_server;
    delete m_serverLink;
    // The tally is written when its window goes, at the end of the program.
    delete m_spylist;
    delete m_phrases;
    delete m_help;
    delete m_download;
    delete m_tally;
    delete m_chat; // and the about window it owns
}

QString Launcher::gamePort() {
    const QString p = qEnvironmentVariable("VIMBREL_PORT");
    return p.isEmpty() ? QStringLiteral("7772") : p;
}

QString Launcher::lobbyPort() {
    const QString p = qEnvironmentVariable("VIMBREL_LOBBY_PORT");
    return p.isEmpty() ? QStringLiteral("9001") : p;
}

void Launcher::createWindows() {
    // Every window, not only the table, shows the program's icon at the screen's density.
    QApplication::setWindowIcon(art::appIcon());
    m_chat = new Tchat(m_tableLink);
    m_tally = new Ttallylist;
    m_about = new Tabout(m_chat);
    m_download = new Tdownload;
    m_help = new Thelp(m_about);
    m_phrases = new Tphrases;
    m_spylist = new Tspylist;
}

void Launcher::createSockets() {
    m_sock1 = new TSock;
    m_sock1->setObjectName(QStringLiteral("Sock1"));
    m_sock1->setPortName(gamePort());
    m_serverLink = new DesktopHostLink(m_sock1);
    m_sock1->setParent(m_serverLink);
    m_server = new TServer(*m_serverLink);
    m_server->setObjectName(QStringLiteral("Server"));

    m_clientLink = new SockClientLink(gamePort(), m_chat);
    m_sock = m_clientLink->socket();
    m_sock->setObjectName(QStringLiteral("sock"));
    m_tableLink.use(m_clientLink);

    m_sock11 = new TSock(m_chat);
    m_sock11->setObjectName(QStringLiteral("Sock11"));
    m_sock11->setHostName(QStringLiteral("127.0.0.1"));
    m_sock11->setPortName(lobbyPort());
}

void Launcher::wire() {
    m_chat->setArguments(m_args);
    if (const quint16 port = gamePort().toUShort()) m_chat->setGamePort(port);
    m_chat->setSpyList(m_spylist);
    m_chat->setPhraseEditor(m_phrases);
    m_server->setErrorSink([this](const QString& e) { m_chat->addlinetochat(e, wire::kRed); });
    m_tally->setSeatSource([this] {
        TallySeats seats;
        for (int s = 1; s <= 4; ++s)
            seats.names[s - 1] = m_chat->board()->playerName(s);
        seats.ownSeat = m_chat->state().ownSeat;
        return seats;
    });
    m_download->setExitAction([this] { m_chat->close(); });

    Tchat::Hooks hooks;
    // Hosting, the table hears its own host in-process as record 1; a port that cannot
    // be had leaves it on its socket, connected to nothing, as before.
    hooks.listen = [this] {
        m_tableLink.use(m_serverLink->ownTable());
        try {
            m_serverLink->listen();
        } catch (...) {
            m_tableLink.use(m_clientLink);
            throw;
        }
        // IPv6 players would reach the other program, not this table: say so.
        if (m_chat->state().networkHost && m_sock1->ipv6PortHeld())
            m_chat->addlinetochat(tr("Another program holds port %1 for IPv6, so players can join "
                                     "this table over IPv4 only.")
                                      .arg(gamePort()),
                                  m_chat->state().systemColour);
    };
    hooks.openLobbyLink = [this] {
        try {
            m_sock11->Open();
        } catch (const ESockException&) {
            // The lobby link is a courtesy; the game goes on without it.
        }
    };
    hooks.version = [this] { return m_about->versionText(); };
    hooks.addgame = [this](const QString& w) { m_tally->addgame(w); };
    // Windows that open from the table open over it.
    auto showOverTable = [this](QWidget* w) {
        if (!w->isVisible()) w->move(m_chat->geometry().center() - w->rect().center());
        w->show();
        w->raise();
        w->activateWindow();
    };
    hooks.showTally = [this, showOverTable] {
        m_tally->loadchecklist();
        showOverTable(m_tally);
    };
    hooks.showHelp = [this, showOverTable] { showOverTable(m_help); };
    hooks.showAbout = [this] {
        m_about->show();
        m_about->raise();
    };
    hooks.showDownload = [this] {
        m_download->show();
        m_download->raise();
    };
    hooks.openMakerPage = [this] { m_about->URL1.open(); };
    hooks.startProgram = &SingleInstance::startReplacement;
    hooks.routerPort = [this](bool open) { askRouter(open); };
    m_chat->setHooks(std::move(hooks));
    connect(m_chat, &Tchat::tableClosed, qApp, &QApplication::quit, Qt::QueuedConnection);
}

void Launcher::askRouter(bool open) {
    if (!m_portMapper) {
        if (!open) return;
        PortMapper::Settings settings;
        settings.port = gamePort().toUShort();
        // A port given by service name (a test knob) has no number to forward.
        if (settings.port == 0) return;
        m_portMapper = new PortMapper(settings);
        connect(m_portMapper, &PortMapper::opened, m_chat, &Tchat::portOpened);
        connect(m_portMapper, &PortMapper::failed, m_chat, &Tchat::portNotOpened);
    }
    open ? m_portMapper->open() : m_portMapper->close();
}
