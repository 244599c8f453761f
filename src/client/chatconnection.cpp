// How the table starts: the launch modes, hosting and joining, the router's port; and
// the items that ask the session for the seats (just watch, the seat menu, rejoin).
#include "client/board/board.h"
#include "client/chatform.h"
#include "client/spylistform.h"
#include "net/Sock.h"
#include "net/hostport.h"
#include "portmap/routeraddress.h"
#include "protocol/messages.h"
#include "protocol/requests.h"
#include "protocol/wiretext.h"
#include "table/rejointoken.h"
#include "widgets/plainlabel.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTcpSocket>
#include <QTimer>

namespace {

// How long the last game's host may take to answer a rejoin before it counts as gone.
constexpr int kRejoinProbeMs = 5000;

// What the listener throws when hosting fails (ESockException), for lupdate.
[[maybe_unused]] const char* const kListenFailures[] = {
    QT_TRANSLATE_NOOP("Tchat", "Listen - Error Binding Socket"),
    QT_TRANSLATE_NOOP("Tchat", "Listen - Error Starting Listen"),
    QT_TRANSLATE_NOOP("Tchat", "Listen - Socket Already In Use"),
    QT_TRANSLATE_NOOP("Tchat", "Listen - Cannot Listen On A Datagram Socket"),
    QT_TRANSLATE_NOOP("Tchat", "Port Lookup - Could Not Find Service Entry")};

} // namespace

void Tchat::processparams() {
    setStartEnabled(false);
    readOpenPortChoice();
    if (m_args.isEmpty()) {
        addlinetochat(tr("Loading Solo Game..Please Wait."), state().systemColour);
        if (m_hooks.showDownload) m_hooks.showDownload();
        m_session->setHostAddress(QStringLiteral("127.0.0.1"));
        m_session->setPlayerName(QStringLiteral("You"));
        hostpress();
        return;
    }
    addlinetochat(tr("Loading Multi-player Game.. Please Wait."), state().systemColour);
    for (qsizetype i = 0; i < m_args.size() && i < 3; ++i) {
        if (i == 0)
            m_session->setPlayerName(wire::singleLine(m_args[0]).left(wire::kMaxNameLength));
        if (i == 1) m_session->setHostAddress(m_args[1]);
        if (i == 2) {
            m_session->setNetworkHost(m_args[2] == QLatin1String("true"));
            const bool started = state().networkHost ? hostpress() : (joinpress(), true);
            if (started && m_hooks.openLobbyLink) m_hooks.openLobbyLink();
        }
    }
}

bool Tchat::hostpress() {
    try {
        if (m_hooks.listen) m_hooks.listen();
    } catch (const ESockException& e) {
        m_session->setNetworkHost(false);
        // The component's own English text is the key to the player's language.
        showMessage(tr(e.message().toUtf8().constData()));
        return false;
    }
    m_session->openAsHost();
    setStartEnabled(true);
    if (m_spylist) m_spylist->setRemoveEnabled(true);
    // A solo game invites nobody, so it never opens the port to the internet.
    if (state().networkHost && m_openPort) askRouter(true);
    return true;
}

void Tchat::askRouter(bool open) {
    if (open == m_portAsked || !state().networkHost) return;
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
    addlinetochat(line, state().systemColour);
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
    addlinetochat(reason + QLatin1Char(' ') + instead, state().systemColour);
}

void Tchat::joinpress() {
    setStartEnabled(false);
    if (!hostport::split(state().hostAddress)) {
        // Said in words, naming what was given: a bad address would otherwise only fail
        // later as a lookup error about some other text.
        addlinetochat(tr("Cannot join \"%1\": that is not an address. Give a host name, an IPv4 "
                         "address or an IPv6 address, with :PORT after it for another port "
                         "than 7772 (after an IPv6 address only in brackets: [2001:db8::5]:7800).")
                          .arg(wire::singleLine(state().hostAddress)),
                      wire::kRed);
        return;
    }
    m_session->openAsGuest();
}

void Tchat::JustWatch1Click() {
    // Ticked: we watch now and ask to play again.
    m_session->justWatch(!action(QStringLiteral("JustWatch1"))->isChecked());
}

void Tchat::label_playername1ContextPopup(int seat, const QPoint& globalPos) {
    QMenu* menu = findChild<QMenu*>(QStringLiteral("popup_kick"));
    if (!menu) return;
    for (const char* n : {"RemoveFromGame1", "SettoJustWatch1", "UnsetJustWatch1"})
        action(QString::fromLatin1(n))->setEnabled(state().isHost);
    QAction* ignore = action(QStringLiteral("IgnoreChat1"));
    ignore->setText(m_session->ignoreItemText(seat));
    ignore->setVisible(!ignore->text().isEmpty());
    if (seatName(seat) == QLatin1String("<Waiting>"))
        action(QStringLiteral("RemoveFromGame1"))->setEnabled(false);
    menu->setProperty("Tag", seat);
    if (!globalPos.isNull()) menu->popup(globalPos);
}

void Tchat::SpyList1Click() {
    if (!m_spylist) return;
    m_spylist->showCentredOn(this);
}

bool Tchat::canRejoin() const {
    return RejoinToken(settingsPath(), TableSession::section()).available();
}

// A new copy joins the last host under the same name and takes over from this one, as
// the join dialog does. A game open here is left only when the player agrees, and only
// once the last host answers: without one to go back to, this game goes on.
void Tchat::RejoinGame1Click() {
    RejoinToken::LastGame last = RejoinToken(settingsPath(), TableSession::section()).lastGame();
    if (last.name.isEmpty()) last.name = state().playerName;
    if (last.host.isEmpty() || last.name.isEmpty()) {
        addlinetochat(tr("There is no game to rejoin: no host has kept a seat for you."),
                      state().systemColour);
        action(QStringLiteral("RejoinGame1"))->setEnabled(false);
        return;
    }
    if (findChild<QTcpSocket*>(QStringLiteral("rejoinProbe"))) return; // asked already
    const QString where = wire::singleLine(last.host);
    if (state().connected) {
        const QString question =
            tr("Leave this game and rejoin your last game at %1? This game ends for you.")
                .arg(where);
        const bool yes = m_hooks.confirm
                             ? m_hooks.confirm(question)
                             : plain::ask(this, QMessageBox::Question, programName(), question,
                                          QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        if (!yes) return;
    }
    probeLastHost(last.host, [this, last, where](bool answers) {
        if (!answers) {
            addlinetochat(tr("The host of your last game at %1 does not answer, so there is no "
                             "game to go back to. This table stays as it is.")
                              .arg(where),
                          state().systemColour);
            return;
        }
        if (m_hooks.startProgram &&
            m_hooks.startProgram(QCoreApplication::applicationFilePath(),
                                 {last.name, last.host, QStringLiteral("join")}))
            close();
    });
}

// Connects to `address` (with its own port, or the game port) and closes again without
// logging in, which a host does not show its players; `done` hears whether it answered.
void Tchat::probeLastHost(const QString& address, std::function<void(bool)> done) {
    const auto target = hostport::split(address);
    if (!target) {
        done(false);
        return;
    }
    auto* probe = new QTcpSocket(this);
    probe->setObjectName(QStringLiteral("rejoinProbe"));
    auto* patience = new QTimer(probe);
    patience->setSingleShot(true);
    auto finish = [probe, done](bool answers) {
        // Once only: an abort reports an error of its own.
        if (probe->property("done").toBool()) return;
        probe->setProperty("done", true);
        probe->abort();
        probe->deleteLater();
        done(answers);
    };
    connect(probe, &QTcpSocket::connected, this, [finish] { finish(true); });
    connect(probe, &QTcpSocket::errorOccurred, this, [finish] { finish(false); });
    connect(patience, &QTimer::timeout, this, [finish] { finish(false); });
    patience->start(kRejoinProbeMs);
    probe->connectToHost(target->host, target->port ? target->port : m_gamePort);
}
