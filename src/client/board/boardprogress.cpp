// Game progress: the start, each turn, each result, the struck-off phases, the
// snapshot a newcomer gets in the middle of a game, and the end.
#include "client/board/board.h"
#include "rules/rules.h"

#include "client/board/boardimages.h"
#include "protocol/messages.h"
#include "widgets/art.h"
#include "widgets/picturebutton.h"

#include <QLabel>

namespace {

constexpr int kAllPhasesDone = 11;
constexpr QColor kWhite(255, 255, 255);
constexpr QColor kSilver(192, 192, 192);
constexpr QColor kLime(143, 245, 5);

bool isPhase(int phase) {
    return phase >= 1 && phase <= kAllPhasesDone;
}
// The rules' phase names (rules::phaseName), for lupdate: shown through tr().
[[maybe_unused]] const char* const kPhaseNames[] = {
    QT_TRANSLATE_NOOP("Board", "Two Sets of 3"),
    QT_TRANSLATE_NOOP("Board", "Set of 3 + Run of 3"),
    QT_TRANSLATE_NOOP("Board", "Set of 4 + Run of 4"),
    QT_TRANSLATE_NOOP("Board", "Run of 7"),
    QT_TRANSLATE_NOOP("Board", "Run of 8"),
    QT_TRANSLATE_NOOP("Board", "Run of 9"),
    QT_TRANSLATE_NOOP("Board", "Two Sets of 4"),
    QT_TRANSLATE_NOOP("Board", "7 of one color"),
    QT_TRANSLATE_NOOP("Board", "Set of 5 + Set of 2"),
    QT_TRANSLATE_NOOP("Board", "Set of 5 + Set of 3")};

bool isRow(int row) {
    return row >= 1 && row <= 12;
}

} // namespace

// ---- helpers ----------------------------------------------------------------------

void Board::setCell(int seat, int row, const QString& text) {
    if (isSeat(seat) && isRow(row)) m_cells[seat - 1][row - 1]->setText(text);
}

void Board::clearBonusLabels() {
    for (QLabel* l : m_bonus)
        l->clear();
    describeSeats();
}

void Board::moveTurnHighlight(int seat) {
    if (!isSeat(seat)) return;
    m_turn->move(m_names[seat - 1]->x() - 10, m_turn->y());
    m_turnSeatShown = seat;
    describeSeats();
}

void Board::setPhaseLine(int seat, int phase) {
    if (!isSeat(seat) || !isPhase(phase)) return;
    const bool own = isOwnSeat(seat);
    if (phase == kAllPhasesDone) {
        m_phase->setText(own ? tr("You have completed all phases.")
                             : tr("%1 has completed all phases.").arg(playerName(seat)));
        return;
    }
    // The rules' English name is the key: the host never sends it, so only the
    // player's own window needs it in their language.
    const QString name = tr(rules::phaseName(phase).c_str());
    m_phase->setText(own ? tr("You are trying to get: %1").arg(name)
                         : tr("%1 is trying to get: %2").arg(playerName(seat), name));
}

void Board::setPhaseLook(int phase, PhaseLook look) {
    if (phase < 1 || phase > kPhases) return;
    QLabel* label = m_examples[phase - 1];
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, look == PhaseLook::Current ? kLime
                                       : look == PhaseLook::Done  ? kSilver
                                                                  : kWhite);
    label->setPalette(pal);
    QFont f = label->font();
    f.setBold(look == PhaseLook::Current);
    label->setFont(f);
}

void Board::showExample(int phase) {
    if (phase >= 1 && phase <= kPhases)
        m_example->setArt([phase](qreal dpr) { return art::phaseExample(phase, dpr); }, phase);
    else
        m_example->clearArt();
}

// The local player's list: earlier phases done, this one current. Phase 11 means
// every phase is done.
void Board::showPhaseToGet(int phase) {
    if (!isPhase(phase) || m_example->tag() == phase) return;
    for (int k = 1; k < phase && k <= kPhases; ++k)
        setPhaseLook(k, PhaseLook::Done);
    setPhaseLook(phase, PhaseLook::Current);
    showExample(phase);
    m_example->setTag(phase);
}

// One turn has one player: while the computer plays our seat, nothing here offers a
// roll or an end, and nothing calls it our turn.
void Board::showOwnTurn(int phase) {
    showPhaseToGet(phase);
    const bool ours = !state().computerPlaysOwnSeat;
    setRollVisible(ours && m_openRolls >= 0 && m_openRolls < 3);
    setAllDoneVisible(ours && m_openRolls >= 1 && m_openRolls <= 3);
    if (!ours) {
        m_status->setText(tr("The computer plays your turn"));
        return;
    }
    m_status->setText(tr("Your Turn"));
    emit ownTurnStarted();
}

void Board::ownSeatChangedHands() {
    if (!isOwnSeat(state().turnSeat) || m_turnSeatShown != state().turnSeat || m_openRolls < 0)
        return;
    // Taking over mid-turn, the player goes on from the computer's hand: the dice it
    // kept (rolled, and left up by its last roll) stay kept.
    if (!state().computerPlaysOwnSeat) {
        for (int n = 1; n <= kDice; ++n) {
            TrayDie& d = m_tray[n - 1];
            if (d.colour == 0 || d.held || m_dice[n - 1]->y() != kRaisedTop) continue;
            d.held = true;
            paintDie(n);
        }
    }
    showOwnTurn(0);
}

// ---- handlers ---------------------------------------------------------------------

void Board::button_startClick() {
    emit startClicked();
}

void Board::clearall() {
    for (int s = 0; s < kSeats; ++s) {
        m_totals[s]->setText(QStringLiteral("0"));
        m_bonus[s]->clear();
        for (QLabel* cell : m_cells[s])
            cell->clear();
    }
    resetTray();
    describeSeats();
}

void Board::startthegame(const std::array<QString, 4>&) {
    setStartVisible(false);
    setAllDoneVisible(false);
    setRollVisible(false);
    m_turn->show();
    m_winnerBanner->hide();
    m_winner->hide();
    m_dicetimer.stop();
    m_openRolls = -1;
    // A new game hands every seat back to its player.
    for (int seat = 1; seat <= kSeats; ++seat)
        setEyesVisible(seat, false);
    m_round->setText(tr("Round: %1").arg(0));
    clearall();
    for (int k = 1; k <= kPhases; ++k)
        setPhaseLook(k, PhaseLook::Plain);
    m_example->clearArt();
    m_example->setTag(0);
}

void Board::getnextplayer(const wire::read::NextPlayer& next) {
    if (!isSeat(next.seat)) return;
    startShuffle();
    m_round->setText(tr("Round: %1").arg(next.round));
    setPhaseLine(next.seat, next.phase);
    moveTurnHighlight(next.seat);
    showRolls(0);
    resetTray();
    m_openRolls = 0;
    // A turn opens with Roll only, and only for its own player.
    setAllDoneVisible(false);
    setRollVisible(false);
    if (isOwnSeat(next.seat)) {
        showOwnTurn(next.phase);
    } else {
        m_status->setText(tr("%1's turn").arg(playerName(next.seat)));
    }
}

void Board::scores(const wire::read::Scores& s) {
    m_openRolls = -1;
    setRollVisible(false);
    setAllDoneVisible(false);
    clearBonusLabels();
    if (!isSeat(s.seat)) return;
    if (!s.used.isEmpty()) restAllAndRaise(s.used);
    if (s.phase >= 1 && s.phase <= kPhases) setCell(s.seat, s.phase, QString::number(s.points));
    if (s.marker == QLatin1String("goneout") && s.bonus > 0) {
        for (int seat = 1; seat <= kSeats; ++seat)
            setCell(seat, 12, seat == s.seat ? QString::number(s.bonus) : QStringLiteral("-"));
    }
    if (s.marker == QLatin1String("bonus"))
        setCell(s.seat, 11, s.bonus != 0 ? QString::number(s.bonus) : QStringLiteral("-"));
    m_totals[s.seat - 1]->setText(QString::number(s.total));
    m_bonus[s.seat - 1]->setText(QStringLiteral("+") + QString::number(s.points));
    describeSeats();
    if (isOwnSeat(s.seat)) {
        m_phase->setText(tr("Way to Go! You completed the phase."));
        int shown = m_example->tag();
        for (int k = 1; k <= shown && k <= kPhases; ++k)
            setPhaseLook(k, PhaseLook::Done);
        m_example->clearArt();
        ++shown;
        if (shown <= kPhases) {
            setPhaseLook(shown, PhaseLook::Current);
            showExample(shown);
        }
        m_example->setTag(shown);
    } else {
        m_phase->setText(tr("%1 completed the phase.").arg(playerName(s.seat)));
    }
    m_status->setText(tr("One Moment Please.."));
    emit sound(QStringLiteral("gotpoints"));
}

void Board::noscore(const wire::read::NoScore& n) {
    // The turn is over, also when the computer played it for this player.
    m_openRolls = -1;
    setRollVisible(false);
    setAllDoneVisible(false);
    clearBonusLabels();
    if (!isSeat(n.seat)) return;
    if (!n.held.isEmpty()) restAllAndRaise(n.held);
    m_phase->setText(isOwnSeat(n.seat)
                         ? tr("You did not complete the phase.")
                         : tr("%1 did not complete the phase.").arg(playerName(n.seat)));
    m_bonus[n.seat - 1]->setText(QStringLiteral("-"));
    describeSeats();
    m_status->setText(tr("One Moment Please.."));
    emit sound(QStringLiteral("nopoints"));
}

void Board::markoff(const wire::read::MarkOff& m) {
    if (!isSeat(m.seat) || m.phase < 1) return;
    for (int k = m.phase; k <= kPhases; ++k)
        setCell(m.seat, k, QStringLiteral("-"));
    describeSeats();
}

void Board::loadstats(const wire::msg::LoadStats& st) {
    if (st.record != state().ownSeat || state().ownSeat == 0) return;
    const int current = st.currentSeat;
    if (current != 0 && !isSeat(current)) return;
    m_round->setText(tr("Round: %1").arg(st.round));
    for (int s = 0; s < kSeats; ++s)
        m_totals[s]->setText(QString::number(st.scores[s]));
    describeSeats();
    resetTray();
    for (const wire::DieFace& f : st.dice) {
        if (!isDie(f.die) || f.value < 0 || f.value > 10 || f.colour < 0 || f.colour > 4) continue;
        m_tray[f.die - 1] = {f.value, f.colour, false};
        paintDie(f.die);
    }
    showRolls(st.rolls);
    // Only a turn in progress can go on: once scored (5) there is nothing left to do.
    m_openRolls = current != 0 && st.rolls >= 0 && st.rolls <= 3 ? st.rolls : -1;
    if (current == 0) return;
    setPhaseLine(current, st.phase);
    moveTurnHighlight(current);
    m_turn->show();
    if (!isOwnSeat(current)) {
        m_status->setText(tr("%1's turn").arg(playerName(current)));
        return;
    }
    showOwnTurn(st.phase);
}

void Board::loadpscores(const wire::read::PScores& p) {
    if (p.record != state().ownSeat || state().ownSeat == 0) return;
    int done = 0; // the own seat's last completed phase
    for (const wire::ScoreCell& c : p.cells) {
        setCell(c.seat, c.column, QString::number(c.points));
        if (c.seat == state().ownSeat && c.column >= 1 && c.column <= kPhases)
            done = std::max(done, c.column);
    }
    describeSeats();
    // A player back in their seat sees at once which phase is theirs to get.
    if (done > 0 && isSeat(state().ownSeat)) showPhaseToGet(done + 1);
}

void Board::winner(const QString&, const QString& banner) {
    m_openRolls = -1;
    setRollVisible(false);
    setAllDoneVisible(false);
    m_turn->hide();
    m_turnSeatShown = 0;
    describeSeats();
    m_dicetimer.stop();
    emit sound(QStringLiteral("winner"));
    m_winner->setText(banner);
    m_phase->clear();
    m_status->setText(tr("Game Over!"));
    m_winnerBanner->show();
    m_winner->show();
    for (int k = 1; k <= kPhases; ++k)
        setPhaseLook(k, PhaseLook::Done);
    m_example->clearArt();
    if (state().isHost) setStartVisible(true);
}
