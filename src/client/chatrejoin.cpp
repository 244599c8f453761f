// Coming back after a drop: the table keeps the secret the host gave its seat, with the
// host's address and port, presents it when it joins that host again, and shows the
// seats that wait for their players.
#include "client/board/board.h"
#include "client/chatform.h"
#include "client/inifile.h"
#include "protocol/messages.h"
#include "protocol/wiretext.h"

#include <QAction>
#include <QCoreApplication>

namespace {

const QString kTokenKey = QStringLiteral("Rejointoken");
const QString kHostKey = QStringLiteral("Rejoinhost");
const QString kPortKey = QStringLiteral("Rejoinport");
const QString kNameKey = QStringLiteral("Rejoinname");

} // namespace

QString Tchat::gamePort() const {
    return QString::number(m_gamePort);
}

// Only these keys are written: the player's other settings are not touched here.
void Tchat::seattoken(const QString& body) {
    const QString token = body.trimmed();
    if (token.isEmpty() || m_state.hostAddress.isEmpty()) return;
    IniFile ini(settingsPath());
    if (!ini.load()) return;
    const QString s = programName();
    ini.writeString(s, kTokenKey, token);
    ini.writeString(s, kHostKey, m_state.hostAddress);
    ini.writeString(s, kPortKey, gamePort());
    ini.writeString(s, kNameKey, m_state.playerName);
    ini.save();
    if (QAction* a = action(QStringLiteral("RejoinGame1"))) a->setEnabled(true);
}

// After log-in: the secret, if this is the host it came from.
void Tchat::presentToken() {
    IniFile ini(settingsPath());
    if (!ini.load()) return;
    const QString s = programName();
    const QString token = ini.readString(s, kTokenKey).trimmed();
    if (token.isEmpty() || ini.readString(s, kHostKey).trimmed() != m_state.hostAddress ||
        ini.readString(s, kPortKey).trimmed() != gamePort())
        return;
    send(wire::msg::rejoin(m_state.ownSeat, token.toLatin1()));
}

void Tchat::rejoined(const wire::read::Record& rec) {
    if (rec.record < 1 || rec.record > m_state.playingSeats) return;
    m_state.ownSeat = rec.record;
    // The computer finishes whatever turn it began; the host says when the seat is
    // ours again ("justwatching" 2).
    m_state.computerPlaysOwnSeat = true;
    m_board->ownSeatChangedHands();
    addlinetochat(tr("Welcome back: your seat was kept for you, and you play it again from your next turn."),
                  m_state.systemColour);
}

void Tchat::seatheld(const wire::read::Record& rec) {
    const int seat = rec.record;
    if (seat < 1 || seat > m_state.playingSeats) return;
    const QString name = wire::singleLine(rec.name);
    if (name.isEmpty()) {
        // It waits no longer: an empty seat, or the computer's.
        m_board->setPlayerName(seat, seat == 2 ? QStringLiteral("Klot") : QStringLiteral("<Waiting>"));
        m_board->setEyesVisible(seat, false);
        return;
    }
    m_board->setPlayerName(seat, name);
    m_board->setEyesVisible(seat, true);
    addlinetochat(tr("%1's seat is kept for them; the computer plays it until they come back.").arg(name),
                  m_state.systemColour);
}

bool Tchat::canRejoin() const {
    IniFile ini(settingsPath());
    return ini.load() && !ini.readString(programName(), kHostKey).trimmed().isEmpty() &&
           !ini.readString(programName(), kTokenKey).trimmed().isEmpty();
}

// File > "Rejoin Last Game": a new copy joins the last host under the same name and
// takes over from this one, as the join dialog does.
void Tchat::RejoinGame1Click() {
    IniFile ini(settingsPath());
    if (!ini.load()) return;
    const QString s = programName();
    const QString host = ini.readString(s, kHostKey).trimmed();
    QString name = ini.readString(s, kNameKey).trimmed();
    if (name.isEmpty()) name = m_state.playerName;
    if (host.isEmpty() || name.isEmpty() || !m_hooks.startProgram) return;
    if (m_hooks.startProgram(QCoreApplication::applicationFilePath(), {name, host, QStringLiteral("join")}))
        close();
}
