#include "hoverbutton.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {
const QColor kMarker(143, 245, 5);
}

HoverButton::HoverButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    QFont f = font();
    f.setBold(true);
    setFont(f);
}

void HoverButton::setColours(const QColor& fill, const QColor& text) {
    m_fill = fill;
    m_text = text;
    update();
}

QSize HoverButton::sizeHint() const {
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(text()) + 28, fm.height() + 12);
}

QSize HoverButton::minimumSizeHint() const {
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(text()) + 12, fm.height() + 6);
}

void HoverButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = m_fill;
    QColor ink = m_text;
    if (isDown()) {
        fill = m_fill.darker(125);
    } else if (m_hovered || isChecked()) {
        fill = m_fill.lighter(m_hovered ? 175 : 140);
        ink = m_text.lighter(125);
        if (ink == m_text) // white stays white; brighten towards warm white instead
            ink = QColor(255, 255, 225);
    }
    if (!isEnabled()) {
        fill.setAlpha(fill.alpha() / 2);
        ink.setAlpha(120);
    }
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(r, 5, 5);
    p.fillPath(shape, fill);
    p.setPen(QPen(QColor(255, 230, 190, m_hovered ? 120 : 60), 1));
    p.drawPath(shape);
    if (isChecked()) {
        p.setPen(Qt::NoPen);
        p.setBrush(kMarker);
        p.drawRoundedRect(QRectF(3, 4, 3, height() - 8), 1.5, 1.5);
    }
    p.setPen(ink);
    p.setFont(font());
    p.drawText(rect().adjusted(isDown() ? 1 : 0, isDown() ? 1 : 0, 0, 0), Qt::AlignCenter, text());
}

bool HoverButton::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::Enter:
        m_hovered = true;
        update();
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
    case QEvent::Hide:
        m_hovered = false;
        update();
        break;
    default:
        break;
    }
    return QAbstractButton::event(event);
}
