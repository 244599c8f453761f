// The list of tables as the player reads it: name, host, players n/4, spectators n/5,
// waiting or playing, reachable or not (the reason as a tooltip). Every text in it came
// from the network and is shown as plain text.
#pragma once

#include "lobbyproto/tables.h"

#include <QTableWidget>

namespace zumvek {

class TableView : public QTableWidget {
    Q_OBJECT
public:
    enum Column { Name, Host, Players, Spectators, State, Reachable, ColumnCount };

    explicit TableView(QWidget* parent = nullptr);

    // Replaces the rows, keeping the selected table selected when it is still listed.
    void setTables(const QList<lobby::Table>& tables);
    // The key of the selected table; empty when none is selected.
    QString selectedKey() const;

protected:
    void changeEvent(QEvent* e) override;
    // Coming in from the keyboard picks a table, so Enter joins it at once.
    void focusInEvent(QFocusEvent* e) override;

private:
    void setHeaders();
};

} // namespace zumvek
