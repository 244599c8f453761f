#include "client/phrasesform.h"

#include "widgets/art.h"
#include "widgets/hoverbutton.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

Tphrases::Tphrases(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("Tphrases"));
    setWindowTitle(tr("Vimbrel - Phrase Buttons "));
    setFixedSize(368, 282);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 10, 12, 10);
    grid->setVerticalSpacing(3);
    for (int k = 1; k <= 10; ++k) {
        auto* label = new QLabel(tr("Phrase Button %1:").arg(k), this);
        // ".QLabel": the label alone, not a tooltip (a QLabel too) that would take it up.
        label->setStyleSheet(QStringLiteral(".QLabel { color: white; font-weight: bold; }"));
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("phrase%1").arg(k));
        box->setMaxLength(50);
        label->setBuddy(box); // the box's accessible name
        grid->addWidget(label, k - 1, 0);
        grid->addWidget(box, k - 1, 1);
        m_boxes[k - 1] = box;
    }
    auto* note = new QLabel(tr("Buttons can only be used once every 2 seconds"), this);
    note->setStyleSheet(QStringLiteral(".QLabel { color: #f0e0b0; font-style: italic; }"));
    auto* done = new HoverButton(tr("Done"), this);
    done->setObjectName(QStringLiteral("button_done"));
    connect(done, &QAbstractButton::clicked, this, &Tphrases::button_doneClick);
    grid->addWidget(note, 10, 0, 1, 2);
    grid->addWidget(done, 11, 0, 1, 2, Qt::AlignHCenter);
}

void Tphrases::paintEvent(QPaintEvent*) {
    QPainter p(this);
    art::paintTiledBackground(p, rect());
}

void Tphrases::edit(const QStringList& phrases, QWidget* table) {
    for (int k = 1; k <= 10; ++k) m_boxes[k - 1]->setText(phrases.value(k - 1));
    if (table) move(table->geometry().center() - rect().center());
    show();
    raise();
}

QStringList Tphrases::texts() const {
    QStringList out;
    for (const QLineEdit* box : m_boxes) out << box->text();
    return out;
}

void Tphrases::button_doneClick() {
    if (m_done) m_done(texts());
    hide();
}
