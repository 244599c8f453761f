#include "lobby/helpform.h"

#include "lobby/aboutform.h"
#include "lobby/lobbystyle.h"
#include "widgets/art.h"
#include "widgets/hoverbutton.h"

#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

constexpr int kSideWidth = 137;
constexpr int kMainWidth = 384;
constexpr int kHeight = 422;
constexpr QSize kPageSize(382, 400);
const char* const kPageFiles[6] = {"overview", "connecting",    "gameplay",
                                   "scoring",  "documentation", "license"};

// The pages follow the language of the windows' texts rather than the system's first
// choice, so the book never mixes two languages: the translation names its pages'
// folder. A page the folder lacks is read in English.
QString pageText(int n) {
    const QString name = QLatin1String(kPageFiles[n - 1]);
    const QString folder = Thelp::tr("help", "folder of the help pages in this language, "
                                             "under resources/lobby: help/de for German");
    for (const QString& dir : {folder, QStringLiteral("help")}) {
        QFile file(QStringLiteral(":/lobby/%1/%2.html").arg(dir, name));
        if (file.open(QIODevice::ReadOnly)) return QString::fromUtf8(file.readAll());
    }
    return QString();
}

} // namespace

Thelp::Thelp(Tabout* about, QWidget* parent) : QWidget(parent, Qt::Window), m_about(about) {
    lobbystyle::ensureResources();
    setWindowTitle(tr("Vimbrel - Help File"));
    setFixedSize(kSideWidth + kMainWidth, kHeight);
    setStyleSheet(lobbystyle::windowSheet());
    buildSidePanel()->setGeometry(0, 0, kSideWidth, kHeight);
    buildMainPanel()->setGeometry(kSideWidth, 0, kMainWidth, kHeight);
}

HoverButton* Thelp::pageButton(const QString& caption, int tag, QWidget* parent) {
    auto* button = new HoverButton(caption, parent);
    button->setProperty("tag", tag);
    button->setObjectName(QStringLiteral("SelButton%1").arg(tag));
    // The page in front keeps its button marked.
    button->setCheckable(true);
    button->setAutoExclusive(true);
    connect(button, &HoverButton::clicked, this, [this, button] { SelButton1Click(button); });
    return button;
}

QWidget* Thelp::buildSidePanel() {
    auto* side = new QWidget(this);
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(8, 30, 8, 12);
    layout->setSpacing(6);
    // The order on screen puts the licence before the documentation.
    SelButton1 = pageButton(tr("Overview"), 1, side);
    SelButton2 = pageButton(tr("Connecting"), 2, side);
    SelButton3 = pageButton(tr("Game Play"), 3, side);
    SelButton4 = pageButton(tr("Scoring"), 4, side);
    SelButton6 = pageButton(tr("License"), 6, side);
    SelButton5 = pageButton(tr("Documentation"), 5, side);
    button_about = new HoverButton(tr("About"), side);
    button_done = new HoverButton(tr("Done"), side);
    for (HoverButton* b : {button_about, button_done})
        b->setProperty("tag", 10);
    connect(button_about, &HoverButton::clicked, this, &Thelp::button_aboutClick);
    connect(button_done, &HoverButton::clicked, this, &Thelp::button_doneClick);
    for (HoverButton* b : {SelButton1, SelButton2, SelButton3, SelButton4, SelButton6, SelButton5})
        layout->addWidget(b);
    SelButton1->setChecked(true);
    layout->addSpacing(14);
    layout->addWidget(button_about);
    layout->addWidget(button_done);
    layout->addStretch(1);
    auto* created = new QLabel(tr("Created by:\nZumvek Software"), side);
    created->setAlignment(Qt::AlignCenter);
    created->setObjectName(QStringLiteral("note"));
    layout->addWidget(created);
    return side;
}

QWidget* Thelp::buildMainPanel() {
    auto* main = new QWidget(this);
    label_caption = new QLabel(tr("Overview"), main);
    label_caption->setObjectName(QStringLiteral("caption"));
    label_caption->setIndent(6);
    label_caption->setGeometry(1, 0, kMainWidth - 2, kHeight - kPageSize.height());
    m_pages = new QStackedWidget(main);
    m_pages->setGeometry(1, kHeight - kPageSize.height(), kPageSize.width(), kPageSize.height());
    for (int n = 1; n <= 6; ++n) {
        auto* memo = new QTextBrowser(m_pages);
        memo->setObjectName(QStringLiteral("memo%1").arg(n));
        memo->setReadOnly(true);
        memo->setOpenLinks(false);
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        memo->document()->setDocumentMargin(5);
        memo->setHtml(pageText(n));
        m_pages->addWidget(memo);
    }
    m_pages->setCurrentIndex(0);
    return main;
}

void Thelp::SelButton1Click(QAbstractButton* sender) {
    if (!sender) return;
    QTextBrowser* memo = page(sender->property("tag").toInt());
    if (!memo) return;
    m_pages->setCurrentWidget(memo);
    label_caption->setText(sender->text());
    if (sender->isCheckable()) sender->setChecked(true);
}

void Thelp::button_aboutClick() {
    if (!m_about) return;
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void Thelp::button_doneClick() {
    hide();
}

QTextBrowser* Thelp::page(int n) const {
    return m_pages->findChild<QTextBrowser*>(QStringLiteral("memo%1").arg(n));
}

QTextBrowser* Thelp::currentPage() const {
    return qobject_cast<QTextBrowser*>(m_pages->currentWidget());
}

void Thelp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    art::paintTiledBackground(painter, rect());
}
