#include "artpaint.h"

#include "art.h"

#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPathStroker>
#include <QtMath>

#include <cstring>
#include <vector>

namespace art::detail {

QPixmap blankPixmap(QSize size, qreal dpr) {
    if (dpr <= 0) dpr = 1.0;
    QPixmap pm(qCeil(size.width() * dpr), qCeil(size.height() * dpr));
    pm.fill(Qt::transparent);
    pm.setDevicePixelRatio(dpr);
    return pm;
}

QPixmap cached(const QString& key, QSize size, qreal dpr,
               const std::function<void(QPainter&)>& paint) {
    // Everything runs on the user-interface thread, so a plain static map will do.
    static QHash<QString, QPixmap> cache;
    if (dpr <= 0) dpr = 1.0;
    const QString fullKey = key + QLatin1Char('@') + QString::number(dpr, 'f', 3);
    auto it = cache.constFind(fullKey);
    if (it != cache.constEnd()) return it.value();
    QPixmap pm = blankPixmap(size, dpr);
    {
        QPainter p(&pm);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                         QPainter::SmoothPixmapTransform);
        paint(p);
    }
    cache.insert(fullKey, pm);
    return pm;
}

QFont sansFont(qreal pixelSize, bool bold) {
    QFont f;
    f.setFamilies(
        {QStringLiteral("DejaVu Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(qMax(1, qRound(pixelSize)));
    f.setBold(bold);
    return f;
}

QFont serifFont(qreal pixelSize, bool bold, bool italic) {
    QFont f;
    f.setFamilies({QStringLiteral("DejaVu Serif"), QStringLiteral("Georgia"),
                   QStringLiteral("Times New Roman")});
    f.setStyleHint(QFont::Serif);
    f.setPixelSize(qMax(1, qRound(pixelSize)));
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QPainterPath fittedText(const QString& text, const QFont& font, const QRectF& box,
                        Qt::Alignment align) {
    QPainterPath path;
    path.addText(0, 0, font, text);
    // Centre on the glyph box rather than the font's line box, so numerals sit truly
    // centred; shrink only when the text would overflow.
    const QRectF br = path.boundingRect();
    if (br.isEmpty()) return path;
    const qreal scale = qMin(1.0, qMin(box.width() / br.width(), box.height() / br.height()));
    QTransform t;
    t.scale(scale, scale);
    t.translate(-br.left(), -br.top());
    path = t.map(path);
    const QSizeF sz = br.size() * scale;
    qreal x = box.left() + (box.width() - sz.width()) / 2;
    if (align & Qt::AlignLeft)
        x = box.left();
    else if (align & Qt::AlignRight)
        x = box.right() - sz.width();
    qreal y = box.top() + (box.height() - sz.height()) / 2;
    if (align & Qt::AlignTop)
        y = box.top();
    else if (align & Qt::AlignBottom)
        y = box.bottom() - sz.height();
    return path.translated(x, y);
}

void drawOutlinedText(QPainter& p, const QPainterPath& text, const QBrush& fill,
                      const QColor& outline, qreal outlineWidth, const QPointF& shadowOffset,
                      const QColor& shadow) {
    QPainterPathStroker stroker;
    stroker.setWidth(outlineWidth * 2);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setCapStyle(Qt::RoundCap);
    const QPainterPath halo = stroker.createStroke(text).united(text);
    if (shadow.alpha() > 0) p.fillPath(halo.translated(shadowOffset), shadow);
    if (outlineWidth > 0) p.fillPath(halo, outline);
    p.fillPath(text, fill);
}

void blurImage(QImage& image, int radius) {
    if (radius < 1 || image.isNull()) return;
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = image.width();
    const int h = image.height();
    const int r = qMax(1, radius / 2);
    const int div = 2 * r + 1;
    std::vector<quint32> line(qMax(w, h));
    // One running-sum box pass along rows or columns; samples outside the image count
    // as transparent, so shadows fade out at the edges.
    auto pass = [&](bool horizontal) {
        const int len = horizontal ? w : h;
        const int count = horizontal ? h : w;
        for (int i = 0; i < count; ++i) {
            auto px = [&](int k) -> quint32& {
                return horizontal ? reinterpret_cast<quint32*>(image.scanLine(i))[k]
                                  : reinterpret_cast<quint32*>(image.scanLine(k))[i];
            };
            for (int k = 0; k < len; ++k)
                line[k] = px(k);
            int sum[4] = {0, 0, 0, 0};
            auto add = [&](int j, int sign) {
                if (j < 0 || j >= len) return;
                for (int c = 0; c < 4; ++c)
                    sum[c] += sign * int((line[j] >> (8 * c)) & 0xff);
            };
            for (int j = -r; j < r; ++j)
                add(j, 1);
            for (int k = 0; k < len; ++k) {
                add(k + r, 1);
                quint32 out = 0;
                for (int c = 0; c < 4; ++c)
                    out |= quint32(qBound(0, sum[c] / div, 255)) << (8 * c);
                px(k) = out;
                add(k - r, -1);
            }
        }
    };
    for (int i = 0; i < 3; ++i) {
        pass(true);
        pass(false);
    }
}

void drawSoftShadow(QPainter& p, const QPainterPath& shape, qreal blur, const QPointF& offset,
                    const QColor& colour) {
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const QRectF area = shape.boundingRect().adjusted(-blur * 2, -blur * 2, blur * 2, blur * 2);
    QImage img(qCeil(area.width() * dpr), qCeil(area.height() * dpr),
               QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter ip(&img);
        ip.setRenderHint(QPainter::Antialiasing);
        ip.scale(dpr, dpr);
        ip.translate(-area.topLeft());
        ip.fillPath(shape, colour);
    }
    blurImage(img, qRound(blur * dpr));
    img.setDevicePixelRatio(dpr);
    p.drawImage(area.topLeft() + offset, img);
}

void drawColourMark(QPainter& p, int colour, const QRectF& box, const QColor& ink) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const QPointF c = box.center();
    const qreal s = box.width();
    switch (colour) {
    case 1:
        p.drawEllipse(c, s * 0.42, s * 0.42);
        break;
    case 2: {
        const QRectF bar(box.left(), c.y() - s * 0.19, s, s * 0.38);
        p.drawRoundedRect(bar, s * 0.15, s * 0.15);
        break;
    }
    case 3: {
        QPolygonF tri;
        tri << QPointF(c.x(), box.top()) << QPointF(box.right(), box.bottom() - s * 0.06)
            << QPointF(box.left(), box.bottom() - s * 0.06);
        p.drawPolygon(tri);
        break;
    }
    case 4: {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink, s * 0.2));
        p.drawEllipse(c, s * 0.38, s * 0.38);
        break;
    }
    default:
        break;
    }
    p.restore();
}

QColor shade(const QColor& c, int percent) {
    return percent >= 100 ? c.lighter(percent) : c.darker(10000 / qMax(1, percent));
}

qreal dieCornerRadius(const QRectF& rect) {
    return rect.width() * 0.13;
}

// A rim lit from the top left and in shadow at the bottom right, and a faint gloss across
// the upper part of the face; the middle keeps the plain body colour.
static void paintBevel(QPainter& p, const QPainterPath& body, const QRectF& rect,
                       const QColor& base) {
    const qreal s = rect.width();
    const qreal rad = dieCornerRadius(rect);
    const qreal rim = qMax(1.0, s * 0.08);
    QPainterPath inner;
    inner.addRoundedRect(rect.adjusted(rim, rim, -rim, -rim), rad * 0.7, rad * 0.7);
    QLinearGradient bevel(rect.topLeft(), rect.bottomRight());
    bevel.setColorAt(0.0, shade(base, 160));
    bevel.setColorAt(0.45, base);
    bevel.setColorAt(0.55, base);
    bevel.setColorAt(1.0, shade(base, 55));
    p.fillPath(body.subtracted(inner), bevel);

    QLinearGradient gloss(rect.topLeft(), QPointF(rect.left(), rect.top() + s * 0.5));
    gloss.setColorAt(0.0, QColor(255, 255, 255, 70));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
    QPainterPath glossArea;
    glossArea.addRoundedRect(rect.adjusted(rim, rim, -rim, -s * 0.5), rad * 0.6, rad * 0.6);
    p.fillPath(glossArea, gloss);
}

void paintDieBody(QPainter& p, const QRectF& rect, int colour) {
    const QColor base = art::dieColour(colour);
    const qreal s = rect.width();
    const qreal rad = dieCornerRadius(rect);
    QPainterPath body;
    body.addRoundedRect(rect, rad, rad);
    p.save();
    p.fillPath(body, base);
    p.setClipPath(body);
    paintBevel(p, body, rect, base);

    // Corner marks: top left and, turned round, bottom right, like a playing card. Small
    // dice have room for one larger mark only.
    const QColor ink(255, 255, 255, 215);
    const bool small = s < 24;
    const qreal m = small ? s * 0.27 : s * 0.17;
    const qreal inset = small ? s * 0.1 : s * 0.105;
    drawColourMark(p, colour, QRectF(rect.left() + inset, rect.top() + inset, m, m), ink);
    if (!small) {
        p.translate(rect.center());
        p.rotate(180);
        p.translate(-rect.center());
        drawColourMark(p, colour, QRectF(rect.left() + inset, rect.top() + inset, m, m), ink);
    }
    p.restore();

    p.save();
    p.setPen(QPen(shade(base, 45), qMax(0.8, s * 0.02)));
    p.setBrush(Qt::NoBrush);
    const qreal h = qMax(0.4, s * 0.01);
    p.drawRoundedRect(rect.adjusted(h, h, -h, -h), rad, rad);
    p.restore();
}

void paintDieFace(QPainter& p, const QRectF& rect, int value) {
    if (value < 0 || value > 10) return;
    const QString text = value == 0 ? QStringLiteral("W") : QString::number(value);
    const qreal s = rect.width();
    const QRectF box(rect.left() + s * 0.17, rect.top() + s * 0.22, s * 0.66, s * 0.56);
    const QPainterPath path = fittedText(text, sansFont(s * 0.62, true), box);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, QColor(255, 255, 255));
    fill.setColorAt(1, QColor(232, 232, 236));
    drawOutlinedText(p, path, fill, QColor(0, 0, 0, 150), qMax(0.6, s * 0.028),
                     QPointF(s * 0.015, s * 0.035), QColor(0, 0, 0, 90));
}

void paintDieFrame(QPainter& p, const QRectF& rect) {
    const qreal s = rect.width();
    const qreal w = qMax(2.0, s * 0.085);
    const qreal rad = dieCornerRadius(rect);
    QPainterPath outer;
    outer.addRoundedRect(rect, rad, rad);
    QPainterPath inner;
    inner.addRoundedRect(rect.adjusted(w, w, -w, -w), rad * 0.6, rad * 0.6);
    QLinearGradient g(rect.topLeft(), rect.bottomLeft());
    g.setColorAt(0, QColor(40, 30, 22, 245));
    g.setColorAt(1, QColor(12, 8, 6, 245));
    p.fillPath(outer.subtracted(inner), g);
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 226, 140, 150), qMax(0.6, s * 0.018)));
    p.drawPath(inner);
    p.restore();
}

} // namespace art::detail
