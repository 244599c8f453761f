#include "client/board/boardimages.h"

#include "widgets/art.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

DieImage::DieImage(int tag, QWidget* parent) : QWidget(parent), m_tag(tag) {
    setFixedSize(48, 48);
    setCursor(Qt::PointingHandCursor);
    // Tab reaches the die; a click leaves the focus with the board, as before.
    setFocusPolicy(Qt::TabFocus);
    installDieAccessibility();
}

void DieImage::setAccessibleState(const QString& name, bool held) {
    if (name != accessibleName()) setAccessibleName(name);
    if (held == m_held) return;
    m_held = held;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void DieImage::setPicture(const Picture& picture) {
    if (picture == m_picture) return;
    m_picture = picture;
    m_cache = {};
    update();
}

void DieImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!m_picture.blank) {
        const qreal dpr = devicePixelRatioF();
        if (m_cache.isNull() || !qFuzzyCompare(m_cache.devicePixelRatio(), dpr))
            m_cache = art::die(m_picture.value, m_picture.colour, m_picture.framed, dpr);
        p.drawPixmap(QPointF(0, 0), m_cache); // at its own size, as ArtPicture does
    }
    if (hasFocus()) {
        // The keyboard's place, also on an empty slot: a ring in the board's lime.
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(143, 245, 5), 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 7, 7);
    }
}

void DieImage::mouseReleaseEvent(QMouseEvent* event) {
    // Like a click: only a release that happens over the image counts.
    if (rect().contains(event->position().toPoint())) emit mouseUp(m_tag, event->button());
    event->accept();
}

void DieImage::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (mods == Qt::NoModifier &&
        (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        // A held-down key repeats; a repeat must not undo the hold.
        if (!event->isAutoRepeat()) activate(Qt::LeftButton);
        event->accept();
        return;
    }
    // The board's play keys (R, D, digits, S) work from a focused die as well.
    event->ignore();
}

ArtImage::ArtImage(QWidget* parent, Painter painter, int index)
    : ArtPicture(parent, std::move(painter)), m_index(index) {}

void ArtImage::setArt(Painter painter, int index) {
    m_index = index;
    setPainter(std::move(painter));
}

void ArtImage::clearArt() {
    if (hasPicture()) setPainter({});
}
