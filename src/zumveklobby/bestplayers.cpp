#include "zumveklobby/bestplayers.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zumvek {

namespace {

QTableWidgetItem* cell(const QString& text, bool number) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

BestPlayersDialog::BestPlayersDialog(QWidget* parent) : QDialog(parent) {
    table = new QTableWidget(0, ColumnCount, this);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTabKeyNavigation(false);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setSectionResizeMode(Name, QHeaderView::Stretch);

    emptyLine = new QLabel(this);
    emptyLine->setTextFormat(Qt::PlainText);
    emptyLine->setWordWrap(true);
    emptyLine->setAlignment(Qt::AlignLeft | Qt::AlignTop); // it takes the table's place

    m_close = new QPushButton(this);
    m_close->setAutoDefault(false);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(emptyLine);
    layout->addWidget(table, 1);
    layout->addLayout(buttons);
    resize(380, 460);
    retranslate();
    setPlayers({});
}

void BestPlayersDialog::retranslate() {
    setWindowTitle(tr("Best Players"));
    m_close->setText(tr("&Close"));
    table->setAccessibleName(tr("Best players"));
    table->setHorizontalHeaderLabels({tr("Rank"), tr("Player"), tr("Rating"), tr("Games")});
    emptyLine->setText(m_inRoom ? tr("No games have been rated yet.")
                                : tr("The ratings show once you are in the lobby."));
}

void BestPlayersDialog::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) retranslate();
    QDialog::changeEvent(e);
}

void BestPlayersDialog::setPlayers(const QList<lobby::RatedPlayer>& best) {
    table->setRowCount(int(best.size()));
    for (int row = 0; row < best.size(); ++row) {
        const lobby::RatedPlayer& p = best[row];
        table->setItem(row, Rank, cell(QString::number(row + 1), true));
        table->setItem(row, Name, cell(p.name, false));
        table->setItem(row, Rating, cell(QString::number(p.rating), true));
        table->setItem(row, Games, cell(QString::number(p.games), true));
    }
    table->setVisible(!best.isEmpty());
    emptyLine->setVisible(best.isEmpty());
}

void BestPlayersDialog::setInRoom(bool in) {
    m_inRoom = in;
    retranslate();
}

} // namespace zumvek
