#include "picturebutton.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

PictureButton::PictureButton(PictureSource source, QWidget* parent)
    : QAbstractButton(parent), m_source(std::move(source)) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    // Tab reaches every button; a click leaves the focus where it was (the board
    // keeps its keys).
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    resize(sizeHint());
}

PictureButton::PictureButton(art::ButtonKind kind, QWidget* parent)
    : PictureButton([kind](art::ButtonState s, qreal dpr) { return art::button(kind, s, dpr); },
                    parent) {}

PictureButton* PictureButton::phrase(int k, QWidget* parent) {
    return new PictureButton(
        [k](art::ButtonState s, qreal dpr) { return art::phraseButton(k, s, dpr); }, parent);
}

void PictureButton::setPictureSource(PictureSource source) {
    m_source = std::move(source);
    updateGeometry();
    resize(sizeHint());
    update();
}

art::ButtonState PictureButton::state() const {
    if (isDown()) return art::ButtonState::Pressed;
    return m_hovered ? art::ButtonState::Hover : art::ButtonState::Normal;
}

QSize PictureButton::sizeHint() const {
    if (!m_source) return QSize(0, 0);
    const QPixmap pm = m_source(art::ButtonState::Normal, 1.0);
    return pm.deviceIndependentSize().toSize();
}

void PictureButton::paintEvent(QPaintEvent*) {
    if (!m_source) return;
    QPainter p(this);
    const QPixmap pm = m_source(state(), devicePixelRatioF());
    p.drawPixmap(0, 0, pm);
    if (hasFocus()) {
        // The pictures have no focus look of their own: a lime ring marks the keyboard's place.
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(143, 245, 5), 2));
        p.setBrush(Qt::NoBrush);
        const qreal radius = qMin(height() / 3.0, 8.0);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius, radius);
    }
}

void PictureButton::keyPressEvent(QKeyEvent* event) {
    // Enter presses a focused button as Space does (QAbstractButton knows only Space).
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (!event->isAutoRepeat()) click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

bool PictureButton::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::Enter:
        setHovered(true);
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
    case QEvent::Hide:
        setHovered(false);
        break;
    default:
        break;
    }
    return QAbstractButton::event(event);
}

void PictureButton::mouseMoveEvent(QMouseEvent* event) {
    // Enter events can go missing when a button appears under a still mouse.
    setHovered(rect().contains(event->position().toPoint()));
    QAbstractButton::mouseMoveEvent(event);
}

void PictureButton::setHovered(bool hovered) {
    if (m_hovered == hovered) return;
    m_hovered = hovered;
    update();
}
