#include "client/board/boardimages.h"

#include "widgets/art.h"

#include <QMouseEvent>
#include <QPainter>

DieImage::DieImage(int tag, QWidget* parent) : QWidget(parent), m_tag(tag) {
    setFixedSize(48, 48);
    setCursor(Qt::PointingHandCursor);
}

void DieImage::setPicture(const Picture& picture) {
    if (picture == m_picture) return;
    m_picture = picture;
    m_cache = {};
    update();
}

void DieImage::paintEvent(QPaintEvent*) {
    if (m_picture.blank) return;
    const qreal dpr = devicePixelRatioF();
    if (m_cache.isNull() || !qFuzzyCompare(m_cache.devicePixelRatio(), dpr))
        m_cache = art::die(m_picture.value, m_picture.colour, m_picture.framed, dpr);
    QPainter p(this);
    p.drawPixmap(QPointF(0, 0), m_cache); // at its own size, as ArtPicture does
}

void DieImage::mouseReleaseEvent(QMouseEvent* event) {
    // Like a click: only a release that happens over the image counts.
    if (rect().contains(event->position().toPoint())) emit mouseUp(m_tag, event->button());
    event->accept();
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
