#include "zumveklobby/tableview.h"

#include <QEvent>
#include <QHeaderView>
#include <QTextDocument>

namespace zumvek {

namespace {

QTableWidgetItem* cell(const QString& text, const QString& key) {
    auto* item = new QTableWidgetItem(text);
    item->setData(Qt::UserRole, key);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

} // namespace

TableView::TableView(QWidget* parent) : QTableWidget(0, ColumnCount, parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false); // Tab leaves the list for the buttons
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionResizeMode(Name, QHeaderView::Stretch);
    for (int c = Host; c < ColumnCount; ++c)
        horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    setHeaders();
}

void TableView::setHeaders() {
    setHorizontalHeaderLabels(
        {tr("Table"), tr("Host"), tr("Players"), tr("Spectators"), tr("State"), tr("Reachable")});
}

void TableView::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) setHeaders();
    QTableWidget::changeEvent(e);
}

void TableView::focusInEvent(QFocusEvent* e) {
    QTableWidget::focusInEvent(e);
    if (selectedItems().isEmpty() && rowCount() > 0) selectRow(qMax(0, currentRow()));
}

void TableView::setTables(const QList<lobby::Table>& tables) {
    const QString keep = selectedKey();
    setRowCount(int(tables.size()));
    int keepRow = -1;
    for (int row = 0; row < tables.size(); ++row) {
        const lobby::Table& t = tables[row];
        const QString host = t.serverTable ? tr("%1 (on the server)").arg(t.host) : t.host;
        setItem(row, Name, cell(t.name, t.key));
        setItem(row, Host, cell(host, t.key));
        setItem(row, Players, cell(QStringLiteral("%1/%2").arg(t.seats).arg(lobby::kSeats), t.key));
        setItem(row, Spectators,
                cell(QStringLiteral("%1/%2").arg(t.spectators).arg(lobby::kSpectators), t.key));
        setItem(row, State,
                cell(t.state == lobby::TableState::Playing ? tr("playing") : tr("waiting"), t.key));
        QString reach;
        switch (t.reach) {
        case lobby::Reach::Checking:
            reach = tr("checking");
            break;
        case lobby::Reach::Reachable:
            reach = tr("reachable");
            break;
        case lobby::Reach::Unreachable:
            reach = tr("not reachable");
            break;
        }
        QTableWidgetItem* r = cell(reach, t.key);
        // Tooltips take markup when they look like it: the reason is escaped text.
        if (!t.reason.isEmpty()) r->setToolTip(Qt::convertFromPlainText(t.reason));
        setItem(row, Reachable, r);
        if (t.key == keep) keepRow = row;
    }
    if (keepRow >= 0)
        selectRow(keepRow);
    else if (hasFocus() && rowCount() > 0)
        selectRow(0); // the keyboard is here: a table is picked, as on coming in
}

QString TableView::selectedKey() const {
    const QList<QTableWidgetItem*> items = selectedItems();
    return items.isEmpty() ? QString() : items.first()->data(Qt::UserRole).toString();
}

} // namespace zumvek
