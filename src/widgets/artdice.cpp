// Dice, the rolls indicator and the phase examples.
#include "art.h"
#include "artpaint.h"

#include <QPainter>

#include <array>
#include <vector>

using namespace art::detail;

namespace art {

namespace {

constexpr QSize kDieSize(48, 48);
constexpr QSize kRollsSize(66, 22);
constexpr QSize kExampleSize(151, 16);

// One small die of an example row; 0 value is a wild.
struct ExampleDie {
    int value;
    int colour;
};
using ExampleGroup = std::vector<ExampleDie>;

// Each phase drawn as its groups (sets and runs), with a gap between groups.
std::vector<ExampleGroup> exampleGroups(int phase) {
    switch (phase) {
    case 1:
        return {{{3, 1}, {3, 4}, {3, 2}}, {{7, 3}, {7, 1}, {7, 4}}};
    case 2:
        return {{{4, 2}, {4, 3}, {4, 1}}, {{6, 4}, {7, 2}, {8, 1}}};
    case 3:
        return {{{2, 3}, {2, 1}, {0, 4}, {2, 2}}, {{5, 1}, {6, 4}, {7, 3}, {8, 2}}};
    case 4:
        return {{{2, 1}, {3, 2}, {4, 4}, {5, 3}, {6, 1}, {7, 2}, {8, 4}}};
    case 5:
        return {{{1, 2}, {2, 4}, {3, 1}, {4, 3}, {5, 2}, {6, 1}, {7, 4}, {8, 3}}};
    case 6:
        return {{{2, 3}, {3, 1}, {4, 2}, {5, 4}, {6, 3}, {7, 1}, {8, 2}, {9, 4}, {10, 1}}};
    case 7:
        return {{{5, 1}, {5, 2}, {5, 4}, {5, 3}}, {{9, 2}, {9, 3}, {9, 1}, {9, 4}}};
    case 8:
        return {{{1, 2}, {4, 2}, {5, 2}, {7, 2}, {8, 2}, {9, 2}, {10, 2}}};
    case 9:
        return {{{6, 4}, {6, 1}, {6, 3}, {6, 2}, {6, 1}}, {{10, 3}, {10, 2}}};
    case 10:
        return {{{8, 1}, {8, 3}, {8, 4}, {8, 2}, {0, 3}}, {{3, 2}, {3, 4}, {3, 1}}};
    default:
        return {};
    }
}

void paintExample(QPainter& p, int phase) {
    const auto groups = exampleGroups(phase);
    constexpr qreal kDie = 14;
    constexpr qreal kPitch = 15;
    constexpr qreal kGap = 9;
    qreal width = -kGap;
    for (const auto& g : groups)
        width += g.size() * kPitch - 1 + kGap;
    qreal x = qRound((kExampleSize.width() - width) / 2);
    for (const auto& g : groups) {
        for (const ExampleDie& d : g) {
            const QRectF r(x, 1, kDie, kDie);
            drawSoftShadow(
                p,
                [&] {
                    QPainterPath s;
                    s.addRoundedRect(r, 2, 2);
                    return s;
                }(),
                1, QPointF(0.5, 0.8), QColor(0, 0, 0, 120));
            paintDieBody(p, r, d.colour);
            // The numeral leans right, clear of the corner mark.
            paintDieFace(p, r.adjusted(0.5, -0.5, 1.5, 1.5), d.value);
            x += kPitch;
        }
        x += kGap - 1;
    }
}

void paintRolls(QPainter& p, int crossed) {
    for (int i = 0; i < 3; ++i) {
        const QRectF box(2.5 + i * 22, 2.5, 17, 17);
        QPainterPath shape;
        shape.addRoundedRect(box, 3, 3);
        drawSoftShadow(p, shape, 1.5, QPointF(0.5, 1), QColor(0, 0, 0, 140));
        QLinearGradient paper(box.topLeft(), box.bottomLeft());
        paper.setColorAt(0, QColor(255, 253, 244));
        paper.setColorAt(1, QColor(228, 219, 196));
        p.fillPath(shape, paper);
        p.setPen(QPen(QColor(70, 45, 22), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(shape);
        if (i >= crossed) continue;
        const QRectF c = box.adjusted(3.5, 3.5, -3.5, -3.5);
        QPainterPath x;
        x.moveTo(c.topLeft());
        x.lineTo(c.bottomRight());
        x.moveTo(c.topRight());
        x.lineTo(c.bottomLeft());
        p.setPen(QPen(QColor(80, 0, 0, 110), 3.6, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(x.translated(0.4, 0.8));
        p.setPen(QPen(QColor(214, 28, 24), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(x);
    }
}

} // namespace

QColor dieColour(int colour) {
    static const std::array<QColor, 4> colours = {QColor(184, 129, 8), QColor(30, 40, 214),
                                                  QColor(11, 157, 9), QColor(213, 27, 167)};
    if (colour < 1 || colour > 4) return QColor(128, 128, 128);
    return colours[colour - 1];
}

QPixmap diceLayer(int index, qreal dpr) {
    if (index < 0 || index > 15) return blankPixmap(kDieSize, dpr);
    return cached(QStringLiteral("dice/%1").arg(index), kDieSize, dpr, [index](QPainter& p) {
        const QRectF r(0, 0, kDieSize.width(), kDieSize.height());
        if (index <= 10)
            paintDieFace(p, r, index);
        else if (index <= 14)
            paintDieBody(p, r, index - 10);
        else
            paintDieFrame(p, r);
    });
}

QPixmap die(int value, int colour, bool held, qreal dpr) {
    const QString key = QStringLiteral("die/%1/%2/%3").arg(value).arg(colour).arg(held);
    return cached(key, kDieSize, dpr, [=](QPainter& p) {
        if (colour >= 1 && colour <= 4) p.drawPixmap(0, 0, diceLayer(colour + 10, dpr));
        if (value >= 0 && value <= 10) p.drawPixmap(0, 0, diceLayer(value, dpr));
        if (held) p.drawPixmap(0, 0, diceLayer(15, dpr));
    });
}

QPixmap rolls(int n, qreal dpr) {
    // Counts past 3 (the host's pause after a scored turn) have no picture.
    if (n < 0 || n > 3) return blankPixmap(kRollsSize, dpr);
    return cached(QStringLiteral("rolls/%1").arg(n), kRollsSize, dpr,
                  [n](QPainter& p) { paintRolls(p, n); });
}

QPixmap phaseExample(int phase, qreal dpr) {
    if (phase < 1 || phase > 10) return blankPixmap(kExampleSize, dpr);
    return cached(QStringLiteral("example/%1").arg(phase), kExampleSize, dpr,
                  [phase](QPainter& p) { paintExample(p, phase); });
}

} // namespace art
