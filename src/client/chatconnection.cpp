// The table's side of the connection: launch modes, log-in, arrivals, departures,
// just watch, removal, and the end of the connection.
#include "client/board/board.h"
#include "client/chatform.h"
#include "client/spylistform.h"
#include "net/Sock.h"
#include "net/hostport.h"
#include "portmap/routeraddress.h"
#include "protocol/clientlink.h"
#include "protocol/commands.h"
#include "protocol/fields.h"
#include "protocol/messages.h"
#include "protocol/requests.h"
#include "protocol/wiretext.h"
#include "version/version.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTimer>

namespace {

// One entry of the table's command table: the reader turns the body into typed
// values (throwing ConvertError on a number that is not one), the handler acts.
template <class Target, class Value>
void handle(wire::Dispatcher& queue, const char* command, Value (*reader)(const QString&), Target* target,
            void (Target::*handler)(const Value&)) {
    queue.on(QString::fromLatin1(command),
             [target, reader, handler](const QString& body, int) { (target->*handler)(reader(body)); });
}

// What the listener throws when hosting fails (ESockException), for lupdate.
[[maybe_unused]] const char* const kListenFailures[] = {
    QT_TRANSLATE_NOOP("Tchat", "Listen - Error Binding Socket"),
    QT_TRANSLATE_NOOP("Tchat", "Listen - Error Starting Listen"),
    QT_TRANSLATE_NOOP("Tchat", "Listen - Socket Already In Use"),
    QT_TRANSLATE_NOOP("Tchat", "Listen - Cannot Listen On A Datagram Socket"),
    QT_TRANSLATE_NOOP("Tchat", "Port Lookup - Could Not Find Service Entry")};

} // namespace

void Tchat::registerHandlers() {
    namespace cmd = wire::cmd;
    namespace read = wire::read;
    handle(m_queue, cmd::sendlogininfo, &read::recordName, this, &Tchat::sendloginfo);
    handle(m_queue, cmd::newplayerinfo, &read::recordName, this, &Tchat::newplayerinfo);
    handle(m_queue, cmd::existingplayers, &read::recordName, this, &Tchat::newplayerinfo);
    handle(m_queue, cmd::playerdisconnected, &read::recordName, this, &Tchat::playerdisconnected);
    handle(m_queue, cmd::justwatching, &read::justwatching, this, &Tchat::justwatching);
    handle(m_queue, cmd::rejoined, &read::recordName, this, &Tchat::rejoined);
    handle(m_queue, cmd::seatheld, &read::recordName, this, &Tchat::seatheld);
    m_queue.on(QString::fromLatin1(cmd::seattoken), [this](const QString& body, int) { seattoken(body); });
    m_queue.on(QString::fromLatin1(cmd::chat), [this](const QString& body, int) {
        chatrecieved(read::chatLine(body), IgnoreList::Relay::Chat);
    });
    m_queue.on(QString::fromLatin1(cmd::action), [this](const QString& body, int) {
        chatrecieved(read::chatLine(body), IgnoreList::Relay::Action);
    });
    handle(m_queue, cmd::createdice, &read::createdice, m_board, &Board::createdice);
    handle(m_queue, cmd::startgame, &read::startgame, m_board, &Board::startthegame);
    handle(m_queue, cmd::nextplayer, &read::nextplayer, m_board, &Board::getnextplayer);
    handle(m_queue, cmd::scores, &read::scores, m_board, &Board::scores);
    handle(m_queue, cmd::noscore, &read::noscore, m_board, &Board::noscore);
    handle(m_queue, cmd::markoff, &read::markoff, m_board, &Board::markoff);
    handle(m_queue, cmd::loadstats, &read::loadstats, m_board, &Board::loadstats);
    handle(m_queue, cmd::loadpscores, &read::loadpscores, m_board, &Board::loadpscores);
    handle(m_queue, cmd::winner, &read::winner, m_board, &Board::winner);
    m_queue.on(QString::fromLatin1(cmd::full), [this](const QString&, int) {
        showMessage(tr("Game is full"));
        closeWhenIdle();
    });
    // A dedicated host hands the first player at its table the host's powers.
    m_queue.on(QString::fromLatin1(cmd::hostpowers), [this](const QString&, int) {
        if (m_state.isHost) return;
        m_state.isHost = true;
        if (QAction* a = action(QStringLiteral("StartGame1"))) a->setEnabled(true);
        m_board->setStartVisible(m_state.turnSeat == 0);
        if (m_spylist) m_spylist->setRemoveEnabled(true);
        addlinetochat(tr("You run this table: you can start games and remove players."), m_state.systemColour);
    });
    m_queue.on(QString::fromLatin1(cmd::havewrongversion), [this](const QString& body, int) {
        addlinetochat(
            tr("%1 has a different version of the game then you.").arg(wire::singleLine(body)),
            m_state.systemColour);
    });
    m_queue.on(QString::fromLatin1(cmd::wrongversion), [this](const QString&, int) {
        addlinetochat(tr("You have a differnt version of the game then the host."),
                      m_state.systemColour);
    });
}

void Tchat::processparams() {
    setStartEnabled(false);
    readOpenPortChoice();
    if (m_args.isEmpty()) {
        addlinetochat(tr("Loading Solo Game..Please Wait."), m_state.systemColour);
        if (m_hooks.showDownload) m_hooks.showDownload();
        m_state.hostAddress = QStringLiteral("127.0.0.1");
        m_state.playerName = QStringLiteral("You");
        hostpress();
        return;
    }
    addlinetochat(tr("Loading Multi-player Game.. Please Wait."), m_state.systemColour);
    for (qsizetype i = 0; i < m_args.size() && i < 3; ++i) {
        if (i == 0) m_state.playerName = wire::singleLine(m_args[0]).left(wire::kMaxNameLength);
        if (i == 1) m_state.hostAddress = m_args[1];
        if (i == 2) {
            m_state.networkHost = m_args[2] == QLatin1String("true");
            const bool started = m_state.networkHost ? hostpress() : (joinpress(), true);
            if (started && m_hooks.openLobbyLink) m_hooks.openLobbyLink();
        }
    }
}

bool Tchat::hostpress() {
    try {
        if (m_hooks.listen) m_hooks.listen();
    } catch (const ESockException& e) {
        m_state.networkHost = false;
        // The component's own English text is the key to the player's language.
        showMessage(tr(e.message().toUtf8().constData()));
        return false;
    }
    m_state.isHost = true;
    if (m_link) m_link->open(QStringLiteral("127.0.0.1"));
    setStartEnabled(true);
    if (m_spylist) m_spylist->setRemoveEnabled(true);
    // A solo game invites nobody, so it never opens the port to the internet.
    if (m_state.networkHost && m_openPort) askRouter(true);
    return true;
}

void Tchat::askRouter(bool open) {
    if (open == m_portAsked || !m_state.networkHost) return;
    m_portAsked = open;
    if (open) m_portTroubleTold = false; // a new request gets its own answer
    if (m_hooks.routerPort) m_hooks.routerPort(open);
}

void Tchat::setOpenPortChosen(bool on) {
    m_openPort = on;
    if (QAction* a = action(QStringLiteral("OpenPort1"))) a->setChecked(on);
}

void Tchat::portOpened(const QHostAddress& external) {
    if (!m_portAsked) return;
    const QString port = QString::number(m_gamePort);
    QString line;
    if (external.isNull())
        line = tr("Your router forwards port %1 to this computer; others can join you at your "
                  "internet address.")
                   .arg(port);
    else if (!portmap::reachableFromInternet(external))
        line =
            tr("Your router forwards port %1, but it is itself behind another router (its outside "
               "address is %2), so players on the internet may still not reach you. Forward TCP "
               "port %1 on that router too, or run the dedicated host vimbrel-host on a server.")
                .arg(port, external.toString());
    else
        line = tr("Others can join you at %1.").arg(external.toString());
    addlinetochat(line, m_state.systemColour);
}

void Tchat::portNotOpened(PortMapper::Failure why, int code) {
    // Said once: a renewal that fails later is the same news.
    if (!m_portAsked || m_portTroubleTold) return;
    m_portTroubleTold = true;
    const QString port = QString::number(m_gamePort);
    const QString instead =
        tr("To let players on the internet join, forward TCP port %1 to this computer in "
           "your router's settings, or run the dedicated host vimbrel-host on a server.")
            .arg(port);
    QString reason;
    switch (why) {
    case PortMapper::Failure::NoRouter:
        reason = tr("No router answered the request to open port %1.").arg(port);
        break;
    case PortMapper::Failure::NoAnswer:
        reason = tr("Your router did not answer in time when asked to open port %1.").arg(port);
        break;
    case PortMapper::Failure::Refused:
        reason = tr("Your router did not open port %1 (error %2).").arg(port).arg(code);
        break;
    }
    addlinetochat(reason + QLatin1Char(' ') + instead, m_state.systemColour);
}

void Tchat::joinpress() {
    setStartEnabled(false);
    if (!hostport::split(m_state.hostAddress)) {
        // Said in words, naming what was given: a bad address would otherwise only fail
        // later as a lookup error about some other text.
        addlinetochat(tr("Cannot join \"%1\": that is not an address. Give a host name, an IPv4 "
                         "address or an IPv6 address, with :PORT after it for another port "
                         "than 7772 (after an IPv6 address only in brackets: [2001:db8::5]:7800).")
                          .arg(wire::singleLine(m_state.hostAddress)),
                      wire::kRed);
        return;
    }
    if (m_link) m_link->open(m_state.hostAddress);
}

void Tchat::setLink(ClientLink* link) {
    if (m_link) m_link->attach(nullptr);
    m_link = link;
    m_inbox.clear();
    if (m_link) m_link->attach(this);
}

void Tchat::sockRead(const QByteArray& bytes) {
    QList<QByteArray> messages;
    const bool withinCap = m_inbox.feed(bytes, messages);
    for (const QByteArray& message : messages)
        received(wire::decode(message));
    // A host that never ends its message is not one to wait for.
    if (!withinCap && m_link) m_link->close();
}

void Tchat::sockInfo(const QString& text) {
    // A host that cannot be reached would otherwise leave the player waiting in silence.
    if (!m_state.connected)
        addlinetochat(tr("Could not connect to the host: %1").arg(text), m_state.systemColour);
}

void Tchat::departed(Departure) {
    // Messages that arrived before the close (a "Game is full" notice, a last chat
    // line) are still handled, and a message on screen is read to the end.
    closeWhenIdle();
}

void Tchat::sendloginfo(const wire::read::Record& rec) {
    if (m_state.connected) return; // a client logs in once
    m_state.ownSeat = rec.record;
    m_state.connected = true;
    const QString version = m_hooks.version ? m_hooks.version() : QString::fromLatin1(vimbrel::kProtocolVersion);
    send(wire::msg::logininfo(m_state.ownSeat, version, m_state.playerName));
    presentToken();
}

QString Tchat::seatName(int seat) const { return m_board->playerName(seat); }

void Tchat::newplayerinfo(const wire::read::Record& rec) {
    const QString name = wire::singleLine(rec.name);
    m_present.insert(rec.record, name);
    if (rec.record == m_state.ownSeat) {
        addlinetochat(tr("You are Connected."), m_state.systemColour);
        loadinifile();
    } else {
        addlinetochat(tr("%1 is Connected.").arg(name), m_state.systemColour);
    }
    if (rec.record >= 1 && rec.record <= m_state.playingSeats) {
        m_board->setPlayerName(rec.record, name);
        m_board->setScoreVisible(rec.record, true);
    } else if (rec.record > m_state.playingSeats && rec.record <= 9) {
        if (m_spylist) m_spylist->addSpy(QStringLiteral("%1: %2").arg(rec.record).arg(name));
        addlinetochat(rec.record == m_state.ownSeat ? tr("You are spying.")
                                                    : tr("%1 is spying.").arg(name),
                      m_state.systemColour);
    }
    playsounds(QStringLiteral("entered"));
}

void Tchat::playerdisconnected(const wire::read::Record& rec) {
    if (rec.record >= 1 && rec.record <= m_state.playingSeats) {
        m_present.remove(rec.record);
        const QString shown = seatName(rec.record);
        if (shown != QLatin1String("<Waiting>"))
            addlinetochat(tr("%1 disconnected.").arg(shown), m_state.systemColour);
        m_board->setPlayerName(rec.record, rec.record == 2 ? QStringLiteral("Klot") : QStringLiteral("<Waiting>"));
        m_board->setEyesVisible(rec.record, false);
        return;
    }
    const QString name = wire::singleLine(rec.name);
    if (m_present.value(rec.record) == name) m_present.remove(rec.record);
    if (m_spylist && m_spylist->removeSpy(QStringLiteral("%1: %2").arg(rec.record).arg(name)))
        addlinetochat(tr("%1 has left.").arg(name), m_state.systemColour);
}

void Tchat::justwatching(const wire::read::SeatValue& jw) {
    if (jw.seat < 1 || jw.seat > m_state.playingSeats) return;
    const bool watching = jw.value == 1;
    if (jw.seat == m_state.ownSeat) {
        setJustWatchChecked(watching);
        m_state.computerPlaysOwnSeat = watching;
        m_board->ownSeatChangedHands();
    }
    addlinetochat(watching ? tr("%1 is just watching").arg(seatName(jw.seat))
                           : tr("%1 is now playing again").arg(seatName(jw.seat)),
                  m_state.systemColour);
    m_board->setEyesVisible(jw.seat, watching);
}

void Tchat::chatrecieved(const wire::read::ChatLine& line, IgnoreList::Relay relay) {
    const QString text = wire::singleLine(line.line);
    if (!m_ignored.names().isEmpty()) {
        // Everyone at the table competes for the line's start, so ignoring "Al" leaves
        // "Al Smith" alone; a name we share is ours, never hidden.
        const QString sender =
            IgnoreList::senderOf(text, relay, m_present.values() + m_ignored.names());
        if (sender != ownName() && m_ignored.contains(sender)) return;
    }
    addlinetochat(text, line.colour);
}

void Tchat::kicking(int record) {
    if (m_state.isHost && m_state.connected) send(wire::msg::kickhim(m_state.ownSeat, record));
}

void Tchat::JustWatch1Click() {
    if (!m_state.connected || !m_state.ownSeatPlays()) return;
    const bool ticked = action(QStringLiteral("JustWatch1"))->isChecked();
    send(wire::msg::justwatch(m_state.ownSeat, ticked ? 2 : 1));
}

void Tchat::label_playername1ContextPopup(int seat, const QPoint& globalPos) {
    QMenu* menu = findChild<QMenu*>(QStringLiteral("popup_kick"));
    if (!menu) return;
    for (const char* n : {"RemoveFromGame1", "SettoJustWatch1", "UnsetJustWatch1"})
        action(QString::fromLatin1(n))->setEnabled(m_state.isHost);
    QAction* ignore = action(QStringLiteral("IgnoreChat1"));
    ignore->setText(ignoreItemText(seat));
    ignore->setVisible(!ignore->text().isEmpty());
    if (seatName(seat) == QLatin1String("<Waiting>")) action(QStringLiteral("RemoveFromGame1"))->setEnabled(false);
    menu->setProperty("Tag", seat);
    if (!globalPos.isNull()) menu->popup(globalPos);
}

void Tchat::SpyList1Click() {
    if (!m_spylist) return;
    m_spylist->showCentredOn(this);
}
