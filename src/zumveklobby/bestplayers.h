// The best players as the bot ranks them: rank, name, rating and rated games, kept
// current while it is open. Names came from the network and are shown as plain text.
#pragma once

#include "lobbyproto/tables.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace zumvek {

class BestPlayersDialog : public QDialog {
    Q_OBJECT
public:
    enum Column { Rank, Name, Rating, Games, ColumnCount };

    explicit BestPlayersDialog(QWidget* parent = nullptr);

    // Replaces the rows; `best` is best first. Empty: a line says no game was rated yet.
    void setPlayers(const QList<lobby::RatedPlayer>& best);
    // Out of the room the list is not kept, and the line says so instead.
    void setInRoom(bool in);

    QTableWidget* table = nullptr;
    QLabel* emptyLine = nullptr;

protected:
    void changeEvent(QEvent* e) override;

private:
    void retranslate();

    QPushButton* m_close = nullptr;
    bool m_inRoom = false;
};

} // namespace zumvek
