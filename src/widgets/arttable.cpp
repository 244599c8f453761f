// The top banner behind the dice and the tiled background of every window.
#include "art.h"
#include "artpaint.h"

#include <QPaintDevice>
#include <QPainter>
#include <QRandomGenerator>
#include <QtMath>

using namespace art::detail;

namespace art {

namespace {

constexpr QSize kTopBannerSize(682, 129);
constexpr QSize kTileSize(96, 96);
const QColor kBrown(116, 66, 33);

// Fixed seeds keep the textures identical on every run and at every scale.
constexpr quint32 kWoodSeed = 7772;
constexpr quint32 kFeltSeed = 1078;
constexpr quint32 kTileSeed = 2024;

void paintWood(QPainter& p, const QPainterPath& area, const QRectF& bounds) {
    p.save();
    p.setClipPath(area);
    QLinearGradient g(bounds.topLeft(), bounds.bottomLeft());
    g.setColorAt(0, QColor(150, 92, 44));
    g.setColorAt(0.5, QColor(120, 68, 30));
    g.setColorAt(1, QColor(88, 48, 20));
    p.fillPath(area, g);
    QRandomGenerator rng(kWoodSeed);
    for (int i = 0; i < 70; ++i) {
        const qreal y = bounds.top() + rng.bounded(bounds.height());
        const qreal amp = 0.4 + rng.bounded(1.4);
        const qreal period = 60 + rng.bounded(160.0);
        const qreal phase = rng.bounded(6.28);
        QPainterPath grain;
        grain.moveTo(bounds.left(), y);
        for (qreal x = bounds.left(); x <= bounds.right(); x += 6)
            grain.lineTo(x, y + amp * qSin(phase + x / period * 6.28));
        const bool dark = rng.bounded(3) != 0;
        p.setPen(QPen(dark ? QColor(50, 24, 8, 40 + rng.bounded(40))
                           : QColor(255, 200, 140, 20 + rng.bounded(25)),
                      0.6 + rng.bounded(0.8)));
        p.drawPath(grain);
    }
    p.restore();
}

void paintFelt(QPainter& p, const QPainterPath& area, const QRectF& r) {
    p.save();
    p.setClipPath(area);
    QRadialGradient g(r.center(), r.width() * 0.55);
    g.setColorAt(0, QColor(34, 120, 66));
    g.setColorAt(0.7, QColor(22, 92, 50));
    g.setColorAt(1, QColor(14, 66, 36));
    p.fillPath(area, g);
    // Fibres: short faint strokes at random angles give the cloth its nap.
    QRandomGenerator rng(kFeltSeed);
    for (int i = 0; i < 2600; ++i) {
        const QPointF at(r.left() + rng.bounded(r.width()), r.top() + rng.bounded(r.height()));
        const qreal a = rng.bounded(6.28);
        const QPointF d(qCos(a) * 1.6, qSin(a) * 1.6);
        p.setPen(QPen(rng.bounded(2) ? QColor(0, 0, 0, 22) : QColor(160, 255, 190, 16), 0.7));
        p.drawLine(at - d, at + d);
    }
    p.restore();
}

// A recessed tray shape: darker cloth with an inner shadow along its top edge.
void paintRecess(QPainter& p, const QRectF& r, qreal radius) {
    QPainterPath tray;
    tray.addRoundedRect(r, radius, radius);
    p.fillPath(tray, QColor(0, 30, 12, 60));
    p.save();
    p.setClipPath(tray);
    QPainterPath outside;
    outside.addRect(r.adjusted(-20, -20, 20, 20));
    drawSoftShadow(p, outside.subtracted(tray), 3, QPointF(0, 1.5), QColor(0, 0, 0, 150));
    p.restore();
    p.setPen(QPen(QColor(170, 255, 190, 45), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(-0.5, -0.5, 0.5, 0.5), radius, radius);
}

// A die outline pressed into the cloth, as an ornament at either end of the lane.
void paintEmbossedDie(QPainter& p, const QPointF& centre, qreal size, qreal angle, int pips) {
    p.save();
    p.translate(centre);
    p.rotate(angle);
    const QRectF r(-size / 2, -size / 2, size, size);
    QPainterPath die;
    die.addRoundedRect(r, size * 0.16, size * 0.16);
    const qreal q = size * 0.26;
    QPainterPath pipPath;
    auto pip = [&](qreal x, qreal y) {
        pipPath.addEllipse(QPointF(x, y), size * 0.08, size * 0.08);
    };
    if (pips % 2) pip(0, 0);
    if (pips >= 2) {
        pip(-q, -q);
        pip(q, q);
    }
    if (pips >= 4) {
        pip(q, -q);
        pip(-q, q);
    }
    if (pips == 6) {
        pip(-q, 0);
        pip(q, 0);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(170, 255, 200, 40), 1.2));
    p.drawPath(die.translated(0.6, 0.8));
    p.fillPath(pipPath.translated(0.6, 0.8), QColor(170, 255, 200, 40));
    p.setPen(QPen(QColor(0, 20, 8, 90), 1.2));
    p.drawPath(die);
    p.fillPath(pipPath, QColor(0, 20, 8, 90));
    p.restore();
}

void paintTopBanner(QPainter& p) {
    const QRectF outer(0, 0, kTopBannerSize.width(), kTopBannerSize.height());
    QPainterPath rim;
    rim.addRoundedRect(outer, 9, 9);
    const QRectF inner = outer.adjusted(4, 4, -4, -4);
    QPainterPath cloth;
    cloth.addRoundedRect(inner, 6, 6);
    paintWood(p, rim.subtracted(cloth), outer);
    paintFelt(p, cloth, inner);

    // A gold pinstripe just inside the rim.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(230, 190, 90, 110), 1));
    p.drawRoundedRect(inner.adjusted(3.5, 3.5, -3.5, -3.5), 4, 4);

    // The dice lane under the row of dice and trays for the turn buttons and the rolls.
    paintRecess(p, QRectF(59, 10, 568, 58), 8);
    paintRecess(p, QRectF(208, 86, 280, 38), 8);
    paintRecess(p, QRectF(606, 101, 68, 23), 5);
    paintEmbossedDie(p, QPointF(25, 30), 24, -14, 5);
    paintEmbossedDie(p, QPointF(42, 50), 16, 12, 3);
    paintEmbossedDie(p, QPointF(656, 30), 24, 12, 6);
    paintEmbossedDie(p, QPointF(640, 52), 16, -16, 2);

    // Inner shadow of the wooden rim on the cloth, and a bright bevel on the wood.
    p.save();
    p.setClipPath(cloth);
    QPainterPath around;
    around.addRect(outer.adjusted(-20, -20, 20, 20));
    drawSoftShadow(p, around.subtracted(cloth), 4, QPointF(0, 2), QColor(0, 0, 0, 170));
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 220, 170, 90), 1));
    p.drawRoundedRect(outer.adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
    p.setPen(QPen(QColor(40, 18, 4, 200), 1));
    p.drawRoundedRect(inner.adjusted(-0.5, -0.5, 0.5, 0.5), 6, 6);
}

void paintTile(QPainter& p) {
    const int w = kTileSize.width();
    const int h = kTileSize.height();
    p.fillRect(QRect(0, 0, w, h), kBrown);
    QRandomGenerator rng(kTileSeed);
    // Soft mottling, each blob drawn at its wrapped positions so the tile joins seamlessly.
    for (int i = 0; i < 46; ++i) {
        const QPointF c(rng.bounded(double(w)), rng.bounded(double(h)));
        const qreal r = 6 + rng.bounded(16.0);
        const bool light = rng.bounded(2);
        const QColor tone = light ? QColor(255, 200, 150, 8 + rng.bounded(8))
                                  : QColor(40, 16, 0, 11 + rng.bounded(10));
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                const QPointF at = c + QPointF(dx * w, dy * h);
                QRadialGradient g(at, r);
                g.setColorAt(0, tone);
                QColor clear = tone;
                clear.setAlpha(0);
                g.setColorAt(1, clear);
                p.fillRect(QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r), g);
            }
        }
    }
    // Fine grain.
    for (int i = 0; i < 900; ++i) {
        const QPointF at(rng.bounded(double(w)), rng.bounded(double(h)));
        p.fillRect(QRectF(at, QSizeF(1, 1)),
                   rng.bounded(2) ? QColor(255, 210, 160, 14) : QColor(30, 10, 0, 22));
    }
}

} // namespace

QPixmap topBanner(qreal dpr) {
    return cached(QStringLiteral("topbanner"), kTopBannerSize, dpr, paintTopBanner);
}

QPixmap backgroundTile(qreal dpr) {
    return cached(QStringLiteral("tile"), kTileSize, dpr, paintTile);
}

void paintTiledBackground(QPainter& painter, const QRect& rect) {
    painter.fillRect(rect, kBrown);
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap tile = backgroundTile(dpr);
    // Anchor the tiles at the painter's origin so neighbouring repaints line up.
    const int ox = ((rect.x() % kTileSize.width()) + kTileSize.width()) % kTileSize.width();
    const int oy = ((rect.y() % kTileSize.height()) + kTileSize.height()) % kTileSize.height();
    painter.drawTiledPixmap(rect, tile, QPoint(ox, oy));
}

} // namespace art
