// Shared painting helpers of the artwork: the pixmap cache, text as outlined paths,
// soft shadows and the die drawing that the dice, the examples and the logos all use.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPixmap>
#include <QRectF>
#include <QSize>
#include <QString>

#include <functional>

class QPainter;

namespace art::detail {

// Returns the pixmap cached under (key, dpr), painting it on first use. The painter
// works in logical pixels; the pixmap has size * dpr device pixels.
QPixmap cached(const QString& key, QSize size, qreal dpr,
               const std::function<void(QPainter&)>& paint);

// A transparent pixmap of logical `size` at `dpr`, ready to paint on.
QPixmap blankPixmap(QSize size, qreal dpr);

QFont sansFont(qreal pixelSize, bool bold = true);
QFont serifFont(qreal pixelSize, bool bold = true, bool italic = false);

// `text` as a path centred in `box` (or aligned by `align`), shrunk to fit if needed.
QPainterPath fittedText(const QString& text, const QFont& font, const QRectF& box,
                        Qt::Alignment align = Qt::AlignCenter);

// Fills a text path over a dark outline and a small drop shadow.
void drawOutlinedText(QPainter& p, const QPainterPath& text, const QBrush& fill,
                      const QColor& outline, qreal outlineWidth,
                      const QPointF& shadowOffset = QPointF(0, 1),
                      const QColor& shadow = QColor(0, 0, 0, 110));

// A blurred copy of `shape` filled with `colour`, drawn offset under what follows.
void drawSoftShadow(QPainter& p, const QPainterPath& shape, qreal blur, const QPointF& offset,
                    const QColor& colour);

// Blurs the image in place (three box passes, close to a gaussian of `radius`).
void blurImage(QImage& image, int radius);

// The small light shape that tells colour `colour` (1..4) apart without colour vision:
// 1 a dot, 2 a bar, 3 a triangle, 4 a ring.
void drawColourMark(QPainter& p, int colour, const QRectF& box, const QColor& ink);

// Die pieces at any size; `rect` is the whole die square.
void paintDieBody(QPainter& p, const QRectF& rect, int colour);
void paintDieFace(QPainter& p, const QRectF& rect, int value);
void paintDieFrame(QPainter& p, const QRectF& rect);
qreal dieCornerRadius(const QRectF& rect);

QColor shade(const QColor& c, int percent); // >100 lighter, <100 darker

} // namespace art::detail
