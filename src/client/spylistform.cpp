#include "client/spylistform.h"

#include "protocol/fields.h"
#include "widgets/art.h"
#include "widgets/hoverbutton.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

Tspylist::Tspylist(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Tspylist"));
    setWindowTitle(tr("Vimbrel - Spys"));
    setFixedSize(240, 300);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(tr("Spy List"), this);
    // ".QLabel": the title alone, not a tooltip (a QLabel too) that would take it up.
    title->setStyleSheet(
        QStringLiteral(".QLabel { color: white; font-weight: bold; font-size: 15px; }"));
    title->setAlignment(Qt::AlignCenter);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("listbox_spys"));
    m_list->setAccessibleName(title->text());
    m_list->setMouseTracking(true);
    m_list->viewport()->installEventFilter(this);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("popup_kick"));
    m_kickItem = m_menu->addAction(tr("Remove From Game"), this, &Tspylist::popup_kickhimClick);
    m_kickItem->setObjectName(QStringLiteral("popup_kickhim"));
    m_kickItem->setEnabled(false);
    m_menu->addSeparator();
    m_ignoreItem = m_menu->addAction(QString(), this, [this] {
        if (m_ignoreToggle) m_ignoreToggle(m_ignoreItem->data().toInt());
    });
    m_ignoreItem->setObjectName(QStringLiteral("popup_ignore"));
    m_ignoreItem->setVisible(false);
    connect(m_list, &QListWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        popup_kickPopup(p);
        m_menu->popup(m_list->viewport()->mapToGlobal(p));
    });
    auto* done = new HoverButton(tr("Done"), this);
    done->setObjectName(QStringLiteral("button_done"));
    connect(done, &QAbstractButton::clicked, this, &QDialog::hide);
    layout->addWidget(title);
    layout->addWidget(m_list, 1);
    layout->addWidget(done, 0, Qt::AlignHCenter);
}

void Tspylist::paintEvent(QPaintEvent*) {
    QPainter p(this);
    art::paintTiledBackground(p, rect());
}

void Tspylist::addSpy(const QString& line) { m_list->addItem(line); }

bool Tspylist::removeSpy(const QString& line) {
    const auto found = m_list->findItems(line, Qt::MatchExactly);
    if (found.isEmpty()) return false;
    delete found.first();
    return true;
}

QStringList Tspylist::spies() const {
    QStringList out;
    for (int i = 0; i < m_list->count(); ++i) out << m_list->item(i)->text();
    return out;
}

void Tspylist::setRemoveEnabled(bool on) { m_kickItem->setEnabled(on); }
bool Tspylist::removeEnabled() const { return m_kickItem->isEnabled(); }

void Tspylist::showCentredOn(QWidget* table) {
    if (table) move(table->geometry().center() - rect().center());
    show();
    raise();
}

void Tspylist::listbox_spysMouseMove(const QPoint& pos) {
    const QListWidgetItem* item = m_list->itemAt(pos);
    m_hovered = item ? m_list->row(item) : -1;
}

int Tspylist::hoveredRecord() const {
    if (m_hovered < 0 || m_hovered >= m_list->count()) return -1;
    try {
        return wire::toInt(m_list->item(m_hovered)->text().section(QLatin1Char(':'), 0, 0));
    } catch (const wire::ConvertError&) {
        return -1; // a line whose number cannot be read is ignored
    }
}

void Tspylist::popup_kickhimClick() {
    const int record = hoveredRecord();
    if (record >= 0 && m_kick) m_kick(record);
}

void Tspylist::popup_kickPopup(const QPoint& pos) {
    // The line the menu was asked for, also when the menu key asked without a move.
    listbox_spysMouseMove(pos);
    const int record = hoveredRecord();
    m_ignoreItem->setData(record);
    m_ignoreItem->setText(record >= 0 && m_ignoreText ? m_ignoreText(record) : QString());
    m_ignoreItem->setVisible(!m_ignoreItem->text().isEmpty());
}

bool Tspylist::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->viewport() && event->type() == QEvent::MouseMove)
        listbox_spysMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
    return QDialog::eventFilter(watched, event);
}
