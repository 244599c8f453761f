// The dice tray: the host's rolls, the player's hold marks, the shuffle, the sort
// and the two turn buttons.
#include "client/board/board.h"

#include "client/board/boardimages.h"
#include "protocol/messages.h"
#include "widgets/picturebutton.h"

namespace {

bool isFace(int value) {
    return value >= 0 && value <= 10;
}
bool isColour(int colour) {
    return colour >= 0 && colour <= 4;
}

} // namespace

Board::TrayDie Board::trayDie(int die) const {
    return isDie(die) ? m_tray[die - 1] : TrayDie{};
}

void Board::paintDie(int die) {
    if (!isDie(die)) return;
    const TrayDie& d = m_tray[die - 1];
    m_dice[die - 1]->setPicture({false, d.colour, d.value, d.held});
    describeDice();
}

void Board::placeDie(int die, int top) {
    if (!isDie(die)) return;
    DieImage* image = m_dice[die - 1];
    image->move(image->x(), top);
}

void Board::raiseDie(int die) {
    placeDie(die, kRaisedTop);
}
void Board::restDie(int die) {
    placeDie(die, kRestingTop);
}

void Board::resetTray() {
    for (int n = 1; n <= kDice; ++n) {
        m_dice[n - 1]->clearPicture();
        restDie(n);
        m_tray[n - 1] = {};
    }
    describeDice();
}

void Board::startShuffle() {
    m_dicetimer.start();
}

void Board::showRolls(int rolls) {
    if (rolls >= 0 && rolls <= 3)
        m_rolls->setArt([rolls](qreal dpr) { return art::rolls(rolls, dpr); }, rolls);
    else
        m_rolls->clearArt();
    describeRolls(rolls);
}

void Board::restAllAndRaise(const QList<int>& dice) {
    for (int n = 1; n <= kDice; ++n)
        restDie(n);
    for (int n : dice)
        raiseDie(n);
}

void Board::createdice(const wire::read::CreateDice& roll) {
    m_dicetimer.stop();
    if (!isSeat(roll.seat)) return;
    showRolls(roll.rolls);
    // Dice left out of the roll were kept by the player: they stay up as they were.
    for (int n = 1; n <= kDice; ++n)
        raiseDie(n);
    for (const wire::DieFace& f : roll.dice) {
        if (!isDie(f.die) || !isFace(f.value) || !isColour(f.colour)) continue;
        m_tray[f.die - 1] = {f.value, f.colour, false};
        paintDie(f.die);
        restDie(f.die);
    }
    m_openRolls = roll.rolls >= 1 && roll.rolls <= 3 ? roll.rolls : -1;
    const bool own = playsSeat(roll.seat);
    setAllDoneVisible(own);
    setRollVisible(own && roll.rolls < 3);
    emit sound(QStringLiteral("dice"));
}

void Board::dicetimerTimer() {
    for (DieImage* image : m_dice) {
        const int colour = 1 + m_random(4);
        const int face = m_random(10);
        image->setPicture({false, colour, face, false});
    }
}

void Board::image_d1MouseUp(int die, Qt::MouseButton button) {
    if (!isDie(die) || !playsSeat(state().turnSeat)) return;
    if (m_dicetimer.isActive()) return;
    if (button != Qt::LeftButton) {
        sortthem();
        return;
    }
    TrayDie& d = m_tray[die - 1];
    if (d.colour == 0) return; // not rolled this turn: nothing to hold
    d.held = !d.held;
    paintDie(die);
    if (d.held) {
        raiseDie(die);
        emit sound(QStringLiteral("select"));
    } else {
        restDie(die);
        emit sound(QStringLiteral("unset"));
    }
}

void Board::sortthem() {
    // A stable bubble sort: equal values keep their left-to-right order.
    for (int pass = 0; pass < kDice - 1; ++pass) {
        for (int k = 1; k < kDice; ++k) {
            if (m_tray[m_order[k] - 1].value < m_tray[m_order[k - 1] - 1].value)
                std::swap(m_order[k], m_order[k - 1]);
        }
    }
    for (int k = 0; k < kDice; ++k) {
        DieImage* image = m_dice[m_order[k] - 1];
        image->move(56 * (k + 1) + 11, image->y());
    }
    describeDice();
    orderTabs();
}

void Board::button_rollClick() {
    QList<int> notHeld;
    for (int n = 1; n <= kDice; ++n)
        if (!m_tray[n - 1].held) notHeld.append(n);
    // Nothing reacts until the host answers.
    if (!m_session.roll(notHeld)) return;
    setRollVisible(false);
    setAllDoneVisible(false);
}

void Board::button_alldoneClick() {
    QList<int> held;
    for (int n = 1; n <= kDice; ++n)
        if (m_tray[n - 1].held) held.append(n);
    if (!m_session.endTurn(held)) return;
    setRollVisible(false);
    setAllDoneVisible(false);
}
