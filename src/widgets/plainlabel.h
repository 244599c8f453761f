// Game text (a player's name, a winner line, a round number, an opponent's name from
// the tally file) comes from other players or from files, so it is shown exactly as
// typed and never read as markup: a name such as <img src="/dev/zero"> must neither
// change the look of the table nor make it open a file.
#pragma once

#include <QLabel>
#include <QMessageBox>

class PlainLabel : public QLabel {
    Q_OBJECT
public:
    explicit PlainLabel(QWidget* parent = nullptr);
    explicit PlainLabel(const QString& text, QWidget* parent = nullptr);
};

namespace plain {

// A modal message box whose text and title are shown as typed. Returns the button
// the player chose.
QMessageBox::StandardButton ask(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                const QString& text,
                                QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// Tooltips have no plain-text mode of their own: the text is escaped into markup that
// shows it as typed. toolTip() gives back what was set.
void setToolTip(QWidget* widget, const QString& text);
QString toolTip(const QWidget* widget);

} // namespace plain
