// What the board tells assistive technology: the dice as check boxes named after
// their place, colour and face, the score sheets cell by cell with the seat's name,
// and the tab order that follows the dice as they lie.
#include "client/board/board.h"

#include "client/board/boardimages.h"
#include "widgets/picturebutton.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>

namespace {

// A die reads as a check box: checked while held. Its actions are the clicks.
class DieAccessible : public QAccessibleWidget {
public:
    explicit DieAccessible(DieImage* die) : QAccessibleWidget(die, QAccessible::CheckBox) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = die()->isHeld();
        return s;
    }
    QStringList actionNames() const override {
        return QStringList{toggleAction(), pressAction(), sortAction()} +
               QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == toggleAction() || name == pressAction())
            die()->activate(Qt::LeftButton);
        else if (name == sortAction())
            die()->activate(Qt::RightButton); // the right click sorts
        else
            QAccessibleWidget::doAction(name);
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == toggleAction() || name == pressAction()) return {QStringLiteral("Space")};
        if (name == sortAction()) return {QStringLiteral("S")};
        return QAccessibleWidget::keyBindingsForAction(name);
    }

private:
    static QString sortAction() { return Board::tr("Sort the dice"); }
    DieImage* die() const { return static_cast<DieImage*>(widget()); }
};

QAccessibleInterface* dieFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("DieImage") && object && object->isWidgetType())
        return new DieAccessible(static_cast<DieImage*>(object));
    return nullptr;
}

// Die colours 1..4 by the look of their bodies (art::dieColour), each with its mark.
// The help book's dice paragraph uses the same words.
QString colourName(int colour) {
    switch (colour) {
    case 1:
        return Board::tr("gold");
    case 2:
        return Board::tr("blue");
    case 3:
        return Board::tr("green");
    case 4:
        return Board::tr("magenta");
    default:
        return {};
    }
}

// "Ann, phase 3: 25 points" from a cell's text: empty, "-" or a number ("+25" too).
QString cellName(const QString& who, const QString& what, QString text) {
    if (text.isEmpty()) return Board::tr("%1, %2: empty").arg(who, what);
    if (text == QLatin1String("-")) return Board::tr("%1, %2: none").arg(who, what);
    if (text.startsWith(QLatin1Char('+'))) text.remove(0, 1);
    return Board::tr("%1, %2: %3 points").arg(who, what, text);
}

void nameLabel(QLabel* label, const QString& name) {
    if (label->accessibleName() != name) label->setAccessibleName(name);
}

} // namespace

void installDieAccessibility() {
    // installFactory ignores a factory it already holds.
    QAccessible::installFactory(dieFactory);
}

void Board::describeDice() {
    for (int k = 1; k <= kDice; ++k) {
        const int die = m_order[k - 1];
        const TrayDie& d = m_tray[die - 1];
        QString name;
        if (d.colour == 0)
            name = tr("Die %1, not rolled").arg(k);
        else if (d.held)
            name = tr("Die %1, %2, %3, held")
                       .arg(QString::number(k), colourName(d.colour),
                            d.value == 0 ? tr("wild") : QString::number(d.value));
        else
            name = tr("Die %1, %2, %3")
                       .arg(QString::number(k), colourName(d.colour),
                            d.value == 0 ? tr("wild") : QString::number(d.value));
        m_dice[die - 1]->setAccessibleState(name, d.held);
    }
}

void Board::orderTabs() {
    // Tab goes from the board through the dice left to right, then the turn buttons.
    QWidget* previous = this;
    for (int k = 0; k < kDice; ++k) {
        QWidget::setTabOrder(previous, m_dice[m_order[k] - 1]);
        previous = m_dice[m_order[k] - 1];
    }
    for (QWidget* button : {m_roll, m_allDone, m_start}) {
        QWidget::setTabOrder(previous, button);
        previous = button;
    }
}

void Board::describeSeats() {
    for (int s = 1; s <= kSeats; ++s) {
        // The name as the seat's label shows it ("You" and "<Waiting>" in the player's language).
        const QString name = m_names[s - 1]->text();
        const bool empty = playerName(s) == QLatin1String("<Waiting>");
        const QString who = empty ? tr("Seat %1").arg(s) : name;
        QString seatName = empty ? tr("Seat %1: waiting for a player").arg(s)
                                 : tr("Seat %1: %2").arg(QString::number(s), name);
        if (m_eyes[s - 1]->isVisibleTo(this)) seatName = tr("%1, just watching").arg(seatName);
        if (m_turnSeatShown == s) seatName = tr("%1, playing now").arg(seatName);
        nameLabel(m_names[s - 1], seatName);
        for (int r = 1; r <= kRows; ++r) {
            const QString what = r <= kPhases ? tr("phase %1").arg(r)
                                 : r == 11    ? tr("bonus")
                                              : tr("going-out bonus");
            nameLabel(m_cells[s - 1][r - 1], cellName(who, what, m_cells[s - 1][r - 1]->text()));
        }
        nameLabel(m_totals[s - 1], cellName(who, tr("total"), m_totals[s - 1]->text()));
        // Never left without a name: the label would announce its bare text first.
        nameLabel(m_bonus[s - 1], cellName(who, tr("this turn"), m_bonus[s - 1]->text()));
    }
}

bool Board::playFocus() const {
    const QWidget* f = QApplication::focusWidget();
    if (!f) return false;
    if (f == this || f == m_roll || f == m_allDone || f == m_start) return true;
    return std::find(m_dice.begin(), m_dice.end(), f) != m_dice.end();
}

void Board::keepFocusOnHide(QWidget* control) {
    // Hidden, the button would pass the focus down the chain, out of the board; the
    // first die keeps it where the keys play, and its new name is read out after a roll.
    if (control->hasFocus()) m_dice[m_order[0] - 1]->setFocus(Qt::OtherFocusReason);
}

void Board::nameControls() {
    setAccessibleName(tr("Dice table"));
    setAccessibleDescription(
        tr("R rolls, D or Enter ends the turn, 1 to 9 and 0 hold or release a die, S sorts"));
    m_roll->setAccessibleName(tr("Roll Dice"));
    m_roll->setAccessibleDescription(tr("Key R"));
    m_allDone->setAccessibleName(tr("All Done"));
    m_allDone->setAccessibleDescription(tr("Key D"));
    m_start->setAccessibleName(tr("Start Game"));
    m_rolls->setAccessibleName(tr("Rolls used"));
    m_example->setAccessibleName(tr("Example of the phase to get"));
    for (ArtImage* eyes : m_eyes)
        eyes->setAccessibleName(tr("Just watching"));
}

void Board::describeRolls(int rolls) {
    m_rolls->setAccessibleName(rolls >= 0 && rolls <= 3 ? tr("Rolls used: %1 of 3").arg(rolls)
                                                        : tr("Rolls used"));
}
