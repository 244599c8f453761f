// Measures whether a window shows its artwork crisp: a grab of the window (at the
// window's device pixel ratio) against the art painted straight at that ratio.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <typeinfo>

namespace artcompare {

struct Shot {
    QWidget* window = nullptr;
    QImage image; // device pixels
    qreal dpr = 1.0;
};

inline Shot grabWindow(QWidget* window) {
    const QPixmap pm = window->grab();
    return {window, pm.toImage().convertToFormat(QImage::Format_ARGB32), pm.devicePixelRatio()};
}

inline int distance(QRgb a, QRgb b) {
    return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
}

// True when `other` is painted after (over) `widget`: its child, or a later branch under
// their nearest common ancestor.
inline bool paintsOver(QWidget* other, QWidget* widget) {
    if (other == widget) return false;
    if (widget->isAncestorOf(other)) return true;
    if (other->isAncestorOf(widget)) return false;
    QWidget* common = widget->parentWidget();
    while (common && !common->isAncestorOf(other))
        common = common->parentWidget();
    if (!common) return false;
    auto branch = [common](QWidget* w) {
        while (w->parentWidget() != common)
            w = w->parentWidget();
        return common->children().indexOf(w);
    };
    return branch(other) > branch(widget);
}

// A plain QWidget that only holds others paints nothing of its own.
inline bool paintsNothing(QWidget* w) {
    return typeid(*w) == typeid(QWidget) && !w->autoFillBackground() &&
           !w->testAttribute(Qt::WA_StyledBackground);
}

// Where the picture of `widget` is hidden by widgets painted over it, as a mask over the
// grab; a device pixel that such a widget covers only in part counts as hidden.
inline QImage coveredParts(const Shot& shot, QWidget* widget) {
    QImage mask(shot.image.size(), QImage::Format_Grayscale8);
    mask.fill(0);
    QPainter p(&mask);
    for (QWidget* other : shot.window->findChildren<QWidget*>()) {
        if (!other->isVisible() || other->isWindow() || paintsNothing(other) ||
            !paintsOver(other, widget))
            continue;
        const QRectF r(QPointF(other->mapTo(shot.window, QPoint(0, 0))) * shot.dpr,
                       QSizeF(other->size()) * shot.dpr);
        p.fillRect(r.toAlignedRect(), Qt::white);
    }
    return mask;
}

struct Match {
    double mean = 1e9; // mean colour distance (0..765) over the compared pixels
    int compared = 0;  // device pixels compared
    int expected = 0;  // opaque art pixels inside the grab
};

// Compares the opaque pixels of `art` (drawn by `widget` at `at`, its logical
// coordinates) with the grab, away from other widgets. A picture drawn at a fractional
// device position lands on the pixel below or above it, so the better of those counts.
inline Match compare(const Shot& shot, QWidget* widget, const QPixmap& art, QPoint at = {}) {
    const QImage a = art.toImage().convertToFormat(QImage::Format_ARGB32);
    const QPointF origin = QPointF(widget->mapTo(shot.window, at)) * shot.dpr;
    const QImage covered = coveredParts(shot, widget);
    const QRect inside(QPoint(0, 0), shot.image.size());
    Match best;
    const QPoint floor(qFloor(origin.x()), qFloor(origin.y()));
    const QPoint ceil(qCeil(origin.x()), qCeil(origin.y()));
    for (int oy = floor.y(); oy <= ceil.y(); ++oy) {
        for (int ox = floor.x(); ox <= ceil.x(); ++ox) {
            const QPoint o(ox, oy);
            qint64 sum = 0;
            Match m;
            for (int y = 0; y < a.height(); ++y) {
                for (int x = 0; x < a.width(); ++x) {
                    const QRgb p = a.pixel(x, y);
                    const QPoint g = o + QPoint(x, y);
                    if (qAlpha(p) != 255 || !inside.contains(g)) continue;
                    ++m.expected;
                    if (qGray(covered.pixel(g)) != 0) continue;
                    sum += distance(p, shot.image.pixel(g));
                    ++m.compared;
                }
            }
            m.mean = m.compared ? double(sum) / m.compared : 1e9;
            if (m.mean < best.mean) best = m;
        }
    }
    return best;
}

// Gathers the pictures that do not match, to report them all at once.
class Failures {
public:
    explicit Failures(const Shot& shot) : m_shot(shot) {}

    // A crisp picture matches almost exactly; one scaled from another size is off by
    // tens at every edge. Some of the art must be in view, so a picture hidden by
    // accident cannot pass.
    void check(QWidget* widget, const QPixmap& art, QPoint at = {}) {
        const QString name = widget ? widget->objectName() : QStringLiteral("(missing)");
        if (!widget) {
            m_lines << name;
            return;
        }
        const Match m = compare(m_shot, widget, art, at);
        if (m.mean > kTolerance || m.compared == 0 ||
            (m.compared * 10 < m.expected && m.compared < 400))
            m_lines << QStringLiteral("%1 off by %2 over %3 of %4 pixels")
                           .arg(name)
                           .arg(m.mean, 0, 'f', 2)
                           .arg(m.compared)
                           .arg(m.expected);
    }
    bool none() const { return m_lines.isEmpty(); }
    QString text() const { return m_lines.join(QStringLiteral("; ")); }

private:
    static constexpr double kTolerance = 1.5;
    const Shot& m_shot;
    QStringList m_lines;
};

// Of the aligned 2x2 blocks on an edge (a block that differs from the block to its
// right or below), the share whose four pixels are all the same. A picture blown up
// from half the size scores 1; one painted at full size scores low.
inline double blockiness(const QImage& source, const QRect& area) {
    const QImage img = source.convertToFormat(QImage::Format_ARGB32);
    auto block = [&](int bx, int by, int k) {
        return img.pixel(bx * 2 + (k & 1), by * 2 + (k >> 1));
    };
    int edges = 0;
    int flat = 0;
    for (int by = area.top() / 2; by * 2 + 3 < area.bottom() + 1; ++by) {
        for (int bx = area.left() / 2; bx * 2 + 3 < area.right() + 1; ++bx) {
            if (block(bx, by, 0) == block(bx + 1, by, 0) &&
                block(bx, by, 0) == block(bx, by + 1, 0))
                continue;
            ++edges;
            flat += block(bx, by, 0) == block(bx, by, 1) && block(bx, by, 0) == block(bx, by, 2) &&
                    block(bx, by, 0) == block(bx, by, 3);
        }
    }
    return edges ? double(flat) / edges : 0.0;
}

} // namespace artcompare
