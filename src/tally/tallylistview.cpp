// The tally window's controls and look: two panels of counters on the left, the two
// lists on the right, the buttons underneath, over the shared tiled background.
#include "tally/tallylistform.h"

#include "widgets/art.h"
#include "widgets/plainlabel.h"
#include "widgets/readablestyle.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const kStyle = R"(
QFrame#tallyPanel { background-color: rgba(32, 17, 6, 175);
    border: 1px solid rgba(255, 214, 150, 120); border-radius: 10px; }
QLabel { color: #f4e6c8; background: transparent; }
QLabel[role="heading"] { color: #ffd27a; font-weight: bold; font-size: 12pt; }
QLabel[role="column"] { color: #e9b963; font-weight: bold; }
QLabel[role="value"] { color: #ffffff; font-weight: bold; min-width: 44px; }
QLabel[role="caption"] { color: #ffe3a8; font-weight: bold; }
QListWidget { background: rgba(255, 248, 232, 238); color: #3a210c;
    border: 1px solid #c89a5a; border-radius: 6px; padding: 2px; }
QListWidget::item:selected { background: #b8692a; color: white; }
QListWidget::indicator { width: 12px; height: 12px; border: 1px solid #7a4a16;
    border-radius: 3px; background: #fffdf6; }
QListWidget::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5, radius:0.6,
    fx:0.5, fy:0.5, stop:0 #3f8f2f, stop:0.55 #3f8f2f, stop:0.6 #fffdf6); }
QPushButton { color: #3a210c; font-weight: bold; padding: 5px 18px;
    border: 1px solid #6e4014; border-radius: 6px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffe7b4, stop:1 #e2a84e); }
QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,
    stop:0 #fff3d6, stop:1 #efbd6a); }
QPushButton:pressed { background: #cf8d38; }
)";

QLabel* makeLabel(const QString& text, const char* role = nullptr, const QString& name = {}) {
    auto* label = new PlainLabel(text);
    if (role) label->setProperty("role", role);
    if (!name.isEmpty()) label->setObjectName(name);
    return label;
}

QLabel* makeValue(const QString& name) {
    QLabel* label = makeLabel(QStringLiteral("0"), "value", name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QFrame* makePanel() {
    auto* panel = new QFrame;
    panel->setObjectName(QStringLiteral("tallyPanel"));
    return panel;
}

QListWidget* makeList(const QString& name) {
    auto* list = new QListWidget;
    list->setObjectName(name);
    list->setMinimumWidth(170);
    return list;
}

} // namespace

void Ttallylist::buildLayout() {
    setStyleSheet(QString::fromLatin1(kStyle) + readable::boxesSheet());
    auto* root = new QGridLayout(this);
    root->setContentsMargins(14, 14, 14, 14);
    root->setHorizontalSpacing(14);
    root->setVerticalSpacing(12);
    auto* left = new QVBoxLayout;
    left->setSpacing(12);
    left->addWidget(buildOwnPanel());
    left->addWidget(buildOpponentPanel());
    left->addStretch();
    root->addLayout(left, 0, 0);
    root->addWidget(buildLists(), 0, 1);

    button_reset = new QPushButton(tr("Reset Tally"));
    button_reset->setObjectName(QStringLiteral("button_reset"));
    button_done = new QPushButton(tr("Done"));
    button_done->setObjectName(QStringLiteral("button_done"));
    button_done->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(button_reset);
    buttons->addWidget(button_done);
    root->addLayout(buttons, 1, 0, 1, 2);

    connect(button_reset, &QPushButton::clicked, this, &Ttallylist::button_resetClick);
    connect(button_done, &QPushButton::clicked, this, &Ttallylist::button_doneClick);
    connect(listbox_tally, &QListWidget::itemChanged, this, &Ttallylist::listbox_tallyClickCheck);
    connect(listbox_tally, &QListWidget::currentRowChanged, this, &Ttallylist::listbox_tallyClick);
    connect(checklist, &QListWidget::itemChanged, this, &Ttallylist::checklistClickCheck);
    resize(600, 420);
}

QWidget* Ttallylist::buildOwnPanel() {
    QFrame* panel = makePanel();
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(14, 10, 14, 12);
    grid->addWidget(makeLabel(tr("Your Total Tally"), "heading"), 0, 0, 1, 2);
    for (int n = 1; n <= 4; ++n)
        m_mylabels[n - 1] = makeValue(QStringLiteral("mylabel_%1").arg(n));
    grid->addWidget(makeLabel(tr("Total Games:")), 1, 0);
    grid->addWidget(mylabel(1), 1, 1);
    grid->addWidget(makeLabel(tr("Your Wins")), 2, 0);
    grid->addWidget(mylabel(2), 2, 1);
    // Columns 3 and 4 of the own row carry nothing worth showing.
    for (int n : {3, 4}) {
        mylabel(n)->setParent(panel);
        mylabel(n)->hide();
    }
    grid->setColumnStretch(0, 1);
    return panel;
}

QWidget* Ttallylist::buildOpponentPanel() {
    QFrame* panel = makePanel();
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(14, 10, 14, 12);
    grid->setHorizontalSpacing(18);
    label_hisnametop = makeLabel(tr("%1's Tally").arg(QStringLiteral("XX")), "heading",
                                 QStringLiteral("label_hisnametop"));
    grid->addWidget(label_hisnametop, 0, 0, 1, 3);
    for (int n = 1; n <= 8; ++n)
        m_labels[n - 1] = makeValue(QStringLiteral("label_%1").arg(n));
    QLabel* total = makeLabel(tr("Total"), "column");
    QLabel* session = makeLabel(tr("Session"), "column");
    total->setAlignment(Qt::AlignRight);
    session->setAlignment(Qt::AlignRight);
    grid->addWidget(total, 1, 1);
    grid->addWidget(session, 1, 2);
    label_hisname = makeLabel(tr("%1 Wins:").arg(QStringLiteral("XX")), nullptr,
                              QStringLiteral("label_hisname"));
    const std::array<QLabel*, 4> captions = {makeLabel(tr("Number of Games")), label_hisname,
                                             makeLabel(tr("Your Wins:")),
                                             makeLabel(tr("Neither Won:"))};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(captions[i], 2 + i, 0);
        grid->addWidget(label(1 + i), 2 + i, 1);
        grid->addWidget(label(5 + i), 2 + i, 2);
    }
    grid->setColumnStretch(0, 1);
    return panel;
}

QWidget* Ttallylist::buildLists() {
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    listbox_tally = makeList(QStringLiteral("listbox_tally"));
    checklist = makeList(QStringLiteral("checklist"));
    QLabel* tallied = makeLabel(tr("Players Being Tallied"), "caption");
    QLabel* inGame = makeLabel(tr("Players In Current Game"), "caption");
    // Lists take no name from a buddy label; screen readers read them by these.
    listbox_tally->setAccessibleName(tallied->text());
    checklist->setAccessibleName(inGame->text());
    column->addWidget(tallied);
    column->addWidget(listbox_tally, 3);
    column->addSpacing(6);
    column->addWidget(inGame);
    column->addWidget(checklist, 2);
    return box;
}

void Ttallylist::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    art::paintTiledBackground(painter, rect());
}
