// Who comes and goes: arrivals, departures, just watch, held seats, coming back with
// the rejoin secret, and the turn as the game's messages move it.
#include "table/rejointoken.h"
#include "table/tablesession.h"

#include "protocol/wiretext.h"
#include "settings/inifile.h"

#include <QCoreApplication>
#include <utility>

namespace {

// The just-watch line of a seat. The solo player is "You" on the wire; a translation
// says their line in the second person, as the seat label says "Du".
QString watchLine(const QString& name, bool ownSolo, bool watching) {
    if (ownSolo)
        return watching ? QCoreApplication::translate("Tchat", "You is just watching",
                                                      "the solo player, as the wire names them")
                        : QCoreApplication::translate("Tchat", "You is now playing again",
                                                      "the solo player, as the wire names them");
    return watching ? QCoreApplication::translate("Tchat", "%1 is just watching").arg(name)
                    : QCoreApplication::translate("Tchat", "%1 is now playing again").arg(name);
}

} // namespace

void TableSession::newplayerinfo(const wire::read::Record& rec) {
    const QString name = wire::singleLine(rec.name);
    m_roster.arrive(rec.record, name);
    m_removed.removeAll(rec.record);
    if (rec.record == m_formerSeat) m_formerSeat = 0;
    const bool seat = isPlayingSeat(rec.record);
    if (rec.record == m_state.ownSeat) {
        // Back in our seat: the welcome said it all.
        if (!std::exchange(m_returning, false))
            tell(QCoreApplication::translate("Tchat", "You are Connected."));
        loadIgnored();
        emit ownArrived();
    } else if (seat && !m_heldFor[rec.record].isEmpty() && m_heldFor[rec.record] == name) {
        // The seat waited for this player: one line, and their "playing again" is no news.
        tell(QCoreApplication::translate("Tchat", "%1 is back").arg(name));
        m_back[rec.record] = true;
    } else {
        tell(QCoreApplication::translate("Tchat", "%1 is Connected.").arg(name));
    }
    if (seat) m_heldFor[rec.record].clear();
    if (isPlayingSeat(rec.record)) {
        m_roster.setSeatName(rec.record, name);
        emit seatNamed(rec.record, name);
        emit scoreShown(rec.record);
    } else if (rec.record > m_state.playingSeats && rec.record <= 9) {
        const QString line = TableRoster::spectatorLine(rec.record, name);
        m_roster.addSpectator(line);
        emit spectatorArrived(line);
        tell(rec.record == m_state.ownSeat
                 ? QCoreApplication::translate("Tchat", "You are spying.")
                 : QCoreApplication::translate("Tchat", "%1 is spying.").arg(name));
    }
    emit sound(QStringLiteral("entered"));
}

void TableSession::seatEmptied(int seat) {
    const QString name = TableRoster::emptySeatName(seat);
    m_roster.setSeatName(seat, name);
    emit seatNamed(seat, name);
    emit eyesShown(seat, false);
}

void TableSession::playerdisconnected(const wire::read::Record& rec) {
    // Said already ("was removed"), or our own way back to our seat.
    const bool former = m_formerSeat != 0 && rec.record == m_formerSeat;
    if (former) m_formerSeat = 0;
    if (m_removed.removeAll(rec.record) > 0 || former) {
        leaveQuietly(rec);
        return;
    }
    if (isPlayingSeat(rec.record)) {
        m_roster.leave(rec.record);
        const QString shown = m_roster.seatName(rec.record);
        if (shown != TableRoster::waiting())
            tell(QCoreApplication::translate("Tchat", "%1 disconnected.").arg(shown));
        seatEmptied(rec.record);
        return;
    }
    const QString name = wire::singleLine(rec.name);
    m_roster.leaveIfNamed(rec.record, name);
    const QString line = TableRoster::spectatorLine(rec.record, name);
    if (!m_roster.removeSpectator(line)) return;
    emit spectatorLeft(line);
    tell(QCoreApplication::translate("Tchat", "%1 has left.").arg(name));
}

void TableSession::leaveQuietly(const wire::read::Record& rec) {
    if (isPlayingSeat(rec.record)) {
        m_roster.leave(rec.record);
        seatEmptied(rec.record);
        return;
    }
    const QString name = wire::singleLine(rec.name);
    m_roster.leaveIfNamed(rec.record, name);
    const QString line = TableRoster::spectatorLine(rec.record, name);
    if (m_roster.removeSpectator(line)) emit spectatorLeft(line);
}

void TableSession::removed(const wire::read::Record& rec) {
    if (rec.record < 1 || rec.record > 9) return;
    if (rec.record == m_state.ownSeat) {
        // Said once, when the connection ends (farewell()).
        m_removedSelf = true;
        return;
    }
    if (!m_removed.contains(rec.record)) m_removed << rec.record;
    tell(QCoreApplication::translate("Tchat", "%1 was removed").arg(wire::singleLine(rec.name)));
}

void TableSession::justwatching(const wire::read::SeatValue& jw) {
    if (!isPlayingSeat(jw.seat)) return;
    const bool watching = jw.value == 1;
    if (jw.seat == m_state.ownSeat) {
        emit ownJustWatchChanged(watching);
        m_state.computerPlaysOwnSeat = watching;
        emit ownSeatChangedHands();
    }
    // A player who just came back plays again as a matter of course.
    const bool back = std::exchange(m_back[jw.seat], false);
    const QString name = m_roster.seatName(jw.seat);
    if (watching || !back)
        tell(watchLine(name, jw.seat == m_state.ownSeat && name == QLatin1String("You"), watching));
    emit eyesShown(jw.seat, watching);
}

// Only the Rejoin* keys are written: the player's other settings are not touched here.
void TableSession::seattoken(const QString& body) {
    const RejoinToken kept(m_settingsPath, section());
    if (kept.save(body.trimmed(), m_state.hostAddress, gamePort(), m_state.playerName))
        emit rejoinAvailable();
}

// After log-in: the secret, if this is the host it came from.
void TableSession::presentToken() {
    const QString token =
        RejoinToken(m_settingsPath, section()).tokenFor(m_state.hostAddress, gamePort());
    if (!token.isEmpty()) send(wire::msg::rejoin(m_state.ownSeat, token.toLatin1()));
}

void TableSession::rejoined(const wire::read::Record& rec) {
    if (!isPlayingSeat(rec.record)) return;
    // The record we came in by, if we heard of it: its departure is no news to us.
    m_formerSeat = m_roster.isPresent(m_state.ownSeat) ? m_state.ownSeat : 0;
    m_state.ownSeat = rec.record;
    m_returning = true;
    m_back[rec.record] = true;
    m_heldFor[rec.record].clear();
    // The computer finishes whatever turn it began; the host says when the seat is
    // ours again ("justwatching" 2). Until then its eyes show, as everyone else sees.
    m_state.computerPlaysOwnSeat = true;
    emit ownSeatChangedHands();
    emit eyesShown(rec.record, true);
    tell(QCoreApplication::translate(
        "Tchat",
        "Welcome back: your seat was kept for you, and you play it again from your next turn."));
}

void TableSession::seatheld(const wire::read::Record& rec) {
    const int seat = rec.record;
    if (!isPlayingSeat(seat)) return;
    const QString name = wire::singleLine(rec.name);
    m_heldFor[seat] = name;
    if (name.isEmpty()) {
        // It waits no longer: an empty seat, or the computer's.
        seatEmptied(seat);
        return;
    }
    m_roster.setSeatName(seat, name);
    emit seatNamed(seat, name);
    emit eyesShown(seat, true);
    tell(QCoreApplication::translate(
             "Tchat", "%1's seat is kept for them; the computer plays it until they come back.")
             .arg(name));
}

// ---- the turn -----------------------------------------------------------------------

bool TableSession::playsSeat(int seat) const {
    return seat >= 1 && seat <= TableRoster::kSeats && seat == m_state.ownSeat &&
           !m_state.computerPlaysOwnSeat;
}

void TableSession::createdice(const wire::read::CreateDice& roll) {
    if (roll.seat >= 1 && roll.seat <= TableRoster::kSeats) m_state.turnSeat = roll.seat;
    emit diceCreated(roll);
}

void TableSession::startthegame(const std::array<QString, 4>& fields) {
    // A new game hands every seat back to its player.
    m_state.computerPlaysOwnSeat = false;
    m_back.fill(false);
    emit ownJustWatchChanged(false);
    emit gameStarted(fields);
    // The solo player started it: the English line has always read so, the
    // translation says it in the second person.
    const QLatin1StringView solo("You");
    const bool soloStart = fields[0] == solo && m_state.ownSeat == 1 && m_state.playerName == solo;
    tell(soloStart ? QCoreApplication::translate("Board", "You has started a game.")
                   : QCoreApplication::translate("Board", "%1 has started a game.").arg(fields[0]));
    if (m_roster.seatComputerIfEmpty()) emit seatNamed(2, TableRoster::computer());
}

void TableSession::getnextplayer(const wire::read::NextPlayer& next) {
    if (next.seat >= 1 && next.seat <= TableRoster::kSeats) m_state.turnSeat = next.seat;
    emit nextPlayer(next);
}

void TableSession::loadstats(const wire::msg::LoadStats& st) {
    const int current = st.currentSeat;
    const bool valid = current == 0 || (current >= 1 && current <= TableRoster::kSeats);
    if (st.record == m_state.ownSeat && m_state.ownSeat != 0 && valid) {
        m_state.turnSeat = current;
        // A game is running: an empty seat 2 is the computer's.
        if (m_roster.seatComputerIfEmpty()) emit seatNamed(2, TableRoster::computer());
    }
    emit statsLoaded(st);
}

void TableSession::winner(const QString& text) {
    m_state.turnSeat = 0;
    const bool plays = m_state.ownSeat >= 1 && m_state.ownSeat <= TableRoster::kSeats;
    const bool won = plays && m_roster.seatName(m_state.ownSeat) == text;
    const QString banner =
        won ? QCoreApplication::translate("Board", "You have Won the Game!")
            : QCoreApplication::translate("Board", "%1 has Won the Game!").arg(text);
    emit gameWon(text, banner);
    tell(banner);
    if (!plays) return;
    // The tally counts our wins, and the games others won alone.
    if (won)
        emit tallied(QStringLiteral("addtomine"));
    else if (!text.contains(QLatin1String(" and ")))
        emit tallied(text);
}
