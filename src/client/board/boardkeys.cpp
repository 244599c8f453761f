// Keyboard play: each key stands for a click on the board and goes through that
// click's handler, so a key can do exactly what the mouse can and nothing more.
#include "client/board/board.h"

#include "widgets/picturebutton.h"

#include <QKeyEvent>

namespace {

// Display position 1..10 for the keys 1..9 and 0; 0 for any other key.
int positionForKey(int key) {
    if (key >= Qt::Key_1 && key <= Qt::Key_9) return key - Qt::Key_0;
    if (key == Qt::Key_0) return Board::kDice;
    return 0;
}

} // namespace

bool Board::playKey(int key) {
    if (const int k = positionForKey(key)) {
        image_d1MouseUp(m_order[k - 1], Qt::LeftButton);
        return true;
    }
    switch (key) {
    case Qt::Key_R:
        // A hidden button cannot be clicked, so its key does nothing either.
        if (!m_roll->isHidden()) button_rollClick();
        return true;
    case Qt::Key_D:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!m_allDone->isHidden()) button_alldoneClick();
        return true;
    case Qt::Key_S:
        // The right-click sort, guards included; which die is clicked does not matter.
        image_d1MouseUp(m_order[0], Qt::RightButton);
        return true;
    default:
        return false;
    }
}

void Board::keyPressEvent(QKeyEvent* event) {
    // Keys the chat boxes leave unused bubble up to the board as well; only keys
    // typed while the board, a die or a turn button holds the focus are meant for
    // play (the die and the buttons take Space and Enter for themselves).
    const Qt::KeyboardModifiers mods =
        event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (playFocus() && mods == Qt::NoModifier && !event->isAutoRepeat() && playKey(event->key())) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Board::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update(); // the focus mark around the tray
}

void Board::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}
