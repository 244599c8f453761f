#include "tiledpanel.h"

#include "art.h"

#include <QPaintEvent>
#include <QPainter>

TiledPanel::TiledPanel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TiledPanel::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    // Paint only the exposed part; the tiles stay anchored at the panel's origin.
    art::paintTiledBackground(p, event->rect());
}
