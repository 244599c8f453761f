#include "artpicture.h"

#include <QPainter>

ArtPicture::ArtPicture(QWidget* parent, Painter painter)
    : QWidget(parent), m_painter(std::move(painter)) {}

void ArtPicture::setPainter(Painter painter) {
    m_painter = std::move(painter);
    m_cache = {};
    update();
}

void ArtPicture::paintEvent(QPaintEvent*) {
    if (!m_painter) return;
    // The ratio is read at paint time: a window dragged to another screen repaints
    // everything, and the picture follows.
    const qreal dpr = devicePixelRatioF();
    if (m_cache.isNull() || !qFuzzyCompare(m_cache.devicePixelRatio(), dpr))
        m_cache = m_painter(dpr);
    QPainter p(this);
    // At its own size, one picture pixel to one device pixel: stretched to rect() it
    // would be resampled whenever size * dpr is not whole (ratios like 1.25 or 1.5).
    p.drawPixmap(QPointF(0, 0), m_cache);
}
