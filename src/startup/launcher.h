// Creates the eight windows in their fixed order, the sockets between them, and
// wires each window to the others.
#pragma once

#include "startup/clientlinkswitch.h"

#include <QObject>
#include <QStringList>

class PortMapper;
class SockClientLink;
class DesktopHostLink;
class TSock;
class TServer;
class Tabout;
class Tchat;
class Tdownload;
class Thelp;
class Tphrases;
class Tspylist;
class Ttallylist;

class Launcher : public QObject {
    Q_OBJECT
public:
    // `args` are the positional command-line parameters (name, host, "true").
    explicit Launcher(const QStringList& args, QObject* parent = nullptr);
    ~Launcher() override;

    Tchat* table() const { return m_chat; }
    TServer* server() const { return m_server; }

    // The game port (7772); VIMBREL_PORT and VIMBREL_LOBBY_PORT move the game and
    // lobby ports so tests can run beside a real game.
    static QString gamePort();
    static QString lobbyPort();

private:
    void createWindows();
    void createSockets();
    void wire();
    void askRouter(bool open);

    QStringList m_args;
    ClientLinkSwitch m_tableLink; // before the table, which speaks through it
    Tchat* m_chat = nullptr;
    Ttallylist* m_tally = nullptr;
    Tabout* m_about = nullptr;
    Tdownload* m_download = nullptr;
    Thelp* m_help = nullptr;
    Tphrases* m_phrases = nullptr;
    TServer* m_server = nullptr;
    Tspylist* m_spylist = nullptr;
    TSock* m_sock1 = nullptr;
    TSock* m_sock = nullptr;
    TSock* m_sock11 = nullptr;
    DesktopHostLink* m_serverLink = nullptr;
    SockClientLink* m_clientLink = nullptr;
    PortMapper* m_portMapper = nullptr; // made when the table first asks for the router
};
