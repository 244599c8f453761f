#include "zumveklobby/lobbywindow.h"

#include "zumveklobby/bestplayers.h"
#include "zumveklobby/tableview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTime>
#include <QVBoxLayout>

namespace zumvek {

namespace {

// The chat keeps this many lines; older ones scroll away for good.
constexpr int kChatLines = 2000;
// What one message may be: the room's own limit is larger, but a lobby line is short.
constexpr int kMaxMessage = 400;

QPushButton* button(const QString& text, const QString& accessibleName, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setAccessibleName(accessibleName);
    b->setAutoDefault(false);
    return b;
}

QLabel* heading(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

// Draws a person's rating right-aligned beside the name, so the ratings line up; the
// name keeps the rest of the row (and wraps there).
class RatingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QString rating = index.data(LobbyWindow::kRatingRole).toString();
        const int room = ratingWidth(option, rating);
        QStyleOptionViewItem name(option);
        name.rect.setRight(name.rect.right() - room);
        QStyledItemDelegate::paint(painter, name, index);
        if (rating.isEmpty()) return;
        painter->save();
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(option.rect.adjusted(0, 0, -kGap, 0), Qt::AlignRight | Qt::AlignVCenter,
                          rating);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const int room = ratingWidth(option, index.data(LobbyWindow::kRatingRole).toString());
        QStyleOptionViewItem name(option);
        name.rect.setWidth(qMax(0, name.rect.width() - room));
        return QStyledItemDelegate::sizeHint(name, index) + QSize(room, 0);
    }

private:
    static constexpr int kGap = 4;
    static int ratingWidth(const QStyleOptionViewItem& option, const QString& rating) {
        return rating.isEmpty() ? 0 : option.fontMetrics.horizontalAdvance(rating) + 3 * kGap;
    }
};

} // namespace

LobbyWindow::LobbyWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(tr("Zumvek Lobby"));
    auto* central = new QWidget(this);

    status = new QLabel(central);
    status->setTextFormat(Qt::PlainText);
    status->setWordWrap(true);
    status->setAccessibleName(tr("Connection"));

    tables = new TableView(central);
    tables->setAccessibleName(tr("Tables"));
    joinButton = button(tr("&Join"), tr("Join"), central);
    watchButton = button(tr("&Watch"), tr("Watch"), central);
    hostButton = button(tr("&Host a Table"), tr("Host a Table"), central);
    serverButton = button(tr("Host on the Ser&ver"), tr("Host on the Server"), central);
    soloButton = button(tr("Play &Solo"), tr("Play Solo"), central);
    joinButton->setToolTip(tr("Take a seat at the selected table (Enter)."));
    watchButton->setToolTip(tr("Watch the game at the selected table."));
    hostButton->setToolTip(tr("Host a table on this computer; others join you here."));
    serverButton->setToolTip(
        tr("Host a table on the lobby's server: for when others cannot reach your computer."));
    soloButton->setToolTip(tr("A game against the computer, with or without the lobby."));

    online = new QListWidget(central);
    online->setAccessibleName(tr("Online"));
    online->setSelectionMode(QAbstractItemView::NoSelection);
    online->setFocusPolicy(Qt::StrongFocus);
    online->setWordWrap(true);
    online->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    online->setContextMenuPolicy(Qt::CustomContextMenu);
    online->setItemDelegate(new RatingDelegate(online));
    bestButton = button(tr("&Best Players"), tr("Best Players"), central);
    bestButton->setToolTip(tr("The players with the best ratings in the lobby."));
    bestPlayers = new BestPlayersDialog(this);
    connect(online, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QListWidgetItem* item = online->itemAt(at);
        if (!item) item = online->currentItem();
        if (!item) return;
        if (QMenu* menu = moderationMenu(item->data(Qt::UserRole).toString())) {
            menu->exec(online->viewport()->mapToGlobal(at));
            delete menu;
        }
    });

    chatView = new QPlainTextEdit(central);
    chatView->setReadOnly(true);
    chatView->setAccessibleName(tr("Chat"));
    chatView->setMaximumBlockCount(kChatLines);
    chatView->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    message = new QLineEdit(central);
    message->setAccessibleName(tr("Message"));
    message->setMaxLength(kMaxMessage);
    message->setPlaceholderText(tr("Say something to everyone in the lobby"));
    sendButton = button(tr("Sen&d"), tr("Send"), central);

    // Tables and their buttons on the left, who is online on the right, chat below.
    auto* tableBox = new QVBoxLayout;
    tableBox->addWidget(heading(tr("&Tables:"), tables, central));
    tableBox->addWidget(tables, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {joinButton, watchButton, hostButton, serverButton})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(soloButton);
    tableBox->addLayout(buttons);
    auto* onlineBox = new QVBoxLayout;
    onlineBox->addWidget(heading(tr("&Online:"), online, central));
    onlineBox->addWidget(online, 1);
    onlineBox->addWidget(bestButton, 0, Qt::AlignRight);
    auto* top = new QHBoxLayout;
    top->addLayout(tableBox, 5);
    top->addLayout(onlineBox, 2);
    auto* chatBox = new QVBoxLayout;
    chatBox->addWidget(heading(tr("&Chat:"), chatView, central));
    chatBox->addWidget(chatView, 1);
    auto* say = new QHBoxLayout;
    say->addWidget(heading(tr("&Message:"), message, central));
    say->addWidget(message, 1);
    say->addWidget(sendButton);
    chatBox->addLayout(say);

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(status);
    layout->addLayout(top, 3);
    layout->addLayout(chatBox, 2);
    setCentralWidget(central);

    QMenu* menu = menuBar()->addMenu(tr("&Lobby"));
    menu->addAction(tr("&Sign In Again..."), this, &LobbyWindow::signInAgain);
    menu->addAction(tr("&Best Players"), this, &LobbyWindow::showBestPlayers);
    menu->addSeparator();
    menu->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);

    setTabOrder(tables, joinButton);
    setTabOrder(joinButton, watchButton);
    setTabOrder(watchButton, hostButton);
    setTabOrder(hostButton, serverButton);
    setTabOrder(serverButton, soloButton);
    setTabOrder(soloButton, online);
    setTabOrder(online, bestButton);
    setTabOrder(bestButton, chatView);
    setTabOrder(chatView, message);
    setTabOrder(message, sendButton);

    connect(joinButton, &QPushButton::clicked, this, [this] { join(false); });
    connect(watchButton, &QPushButton::clicked, this, [this] { join(true); });
    // Enter (or a double click) on a table joins it.
    connect(tables, &QAbstractItemView::activated, this, [this] { join(false); });
    connect(tables, &QTableWidget::itemSelectionChanged, this, &LobbyWindow::updateButtons);
    connect(hostButton, &QPushButton::clicked, this, &LobbyWindow::hostClicked);
    connect(serverButton, &QPushButton::clicked, this, &LobbyWindow::serverTableClicked);
    connect(soloButton, &QPushButton::clicked, this, &LobbyWindow::soloClicked);
    connect(bestButton, &QPushButton::clicked, this, &LobbyWindow::showBestPlayers);
    connect(message, &QLineEdit::returnPressed, this, &LobbyWindow::send);
    connect(sendButton, &QPushButton::clicked, this, &LobbyWindow::send);
    resize(820, 600);
    updateButtons();
}

void LobbyWindow::setTables(const QList<lobby::Table>& list) {
    tables->setTables(list);
    updateButtons();
}

void LobbyWindow::setPeople(const QList<Person>& people) {
    online->clear();
    m_muted.clear();
    for (const Person& p : people) {
        if (p.muted) m_muted.insert(p.nick);
        QString text = p.nick;
        if (!p.where.isEmpty())
            text = (p.watching ? tr("%1 (watching at %2)") : tr("%1 (playing at %2)"))
                       .arg(p.nick, p.where);
        auto* item = new QListWidgetItem(text, online);
        item->setData(Qt::UserRole, p.nick);
        if (p.games > 0) {
            item->setData(kRatingRole, QString::number(p.rating));
            // A screen reader reads the row, not the painting beside it.
            item->setData(Qt::AccessibleTextRole, tr("%1, rating %2").arg(text).arg(p.rating));
            item->setToolTip(
                tr("Rating %1 after %n rated game(s)", nullptr, p.games).arg(p.rating));
        }
    }
}

void LobbyWindow::setBestPlayers(const QList<lobby::RatedPlayer>& best) {
    bestPlayers->setPlayers(best);
}

void LobbyWindow::showBestPlayers() {
    bestPlayers->show();
    bestPlayers->raise();
    bestPlayers->activateWindow();
}

void LobbyWindow::setModerator(bool on, const QString& self) {
    m_moderator = on;
    m_self = self;
}

QMenu* LobbyWindow::moderationMenu(const QString& nick) {
    if (!m_moderator || !m_inRoom || nick.isEmpty() || nick == m_self) return nullptr;
    auto* menu = new QMenu(nick, this);
    // The reason is asked when the action is chosen; cancelling it changes nothing.
    auto reason = [this, nick](const QString& title, QString* out) {
        bool ok = false;
        *out = QInputDialog::getText(this, title, tr("Reason (%1 sees it):").arg(nick),
                                     QLineEdit::Normal, {}, &ok)
                   .trimmed()
                   .left(kMaxMessage);
        return ok;
    };
    if (m_muted.contains(nick)) {
        menu->addAction(tr("Un&mute %1").arg(nick), this,
                        [this, nick] { emit unmuteClicked(nick); });
    } else {
        menu->addAction(tr("&Mute %1...").arg(nick), this, [this, nick, reason] {
            QString why;
            if (reason(tr("Mute %1").arg(nick), &why)) emit muteClicked(nick, why);
        });
    }
    menu->addAction(tr("&Ban %1...").arg(nick), this, [this, nick, reason] {
        QString why;
        if (reason(tr("Ban %1").arg(nick), &why)) emit banClicked(nick, why);
    });
    return menu;
}

void LobbyWindow::addChat(const QString& nick, const QString& text) {
    // appendPlainText: what others wrote is never read as markup.
    chatView->appendPlainText(
        QStringLiteral("[%1] %2: %3")
            .arg(QTime::currentTime().toString(QStringLiteral("HH:mm")), nick, text));
}

void LobbyWindow::addNotice(const QString& text) {
    chatView->appendPlainText(QStringLiteral("*** ") + text);
}

void LobbyWindow::setStatus(const QString& text) {
    status->setText(text);
}

void LobbyWindow::setInRoom(bool in) {
    m_inRoom = in;
    bestPlayers->setInRoom(in);
    updateButtons();
}

void LobbyWindow::setGameRunning(bool running) {
    m_gameRunning = running;
    updateButtons();
}

void LobbyWindow::updateButtons() {
    const bool free = !m_gameRunning;
    const bool picked = !tables->selectedKey().isEmpty();
    joinButton->setEnabled(free && m_inRoom && picked);
    watchButton->setEnabled(free && m_inRoom && picked);
    hostButton->setEnabled(free && m_inRoom);
    serverButton->setEnabled(free && m_inRoom);
    soloButton->setEnabled(free);
    message->setEnabled(m_inRoom);
    sendButton->setEnabled(m_inRoom);
}

void LobbyWindow::join(bool watch) {
    const QString key = tables->selectedKey();
    if (key.isEmpty() || m_gameRunning || !m_inRoom) return;
    emit joinClicked(key, watch);
}

void LobbyWindow::send() {
    const QString text = message->text().trimmed();
    if (text.isEmpty() || !m_inRoom) return;
    message->clear();
    emit messageEntered(text);
}

void LobbyWindow::closeEvent(QCloseEvent* e) {
    emit closing();
    QMainWindow::closeEvent(e);
}

} // namespace zumvek
