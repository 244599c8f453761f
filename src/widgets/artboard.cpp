// The large pictures of the table: score sheet, highlight, banners and background.
#include "art.h"
#include "artpaint.h"

#include <QCoreApplication>
#include <QPainter>
#include <QtMath>

using namespace art::detail;

namespace art {

namespace {

QString sheetTotal() {
    return QCoreApplication::translate("art", "TOTAL");
}
QString winnerWord() {
    return QCoreApplication::translate("art", "WINNER");
}

constexpr QSize kSheetSize(168, 179);
constexpr QSize kHighlightSize(171, 181);
constexpr QSize kWinnerSize(210, 43);
const QColor kInk(74, 52, 30);

// Cell boxes of the sheet, relative to the slot's top left; the table places its labels
// at exactly these spots.
constexpr int kRowTops[5] = {36, 55, 73, 92, 112};
constexpr int kLeftCellX = 44;
constexpr int kRightCellX = 125;
constexpr int kBonusTop = 134;
constexpr QSize kCell(36, 18);

void printedBox(QPainter& p, const QRectF& box, const QColor& fill, const QColor& edge) {
    QPainterPath shape;
    shape.addRoundedRect(box, 2.5, 2.5);
    p.fillPath(shape, fill);
    // A darker upper edge makes the box look pressed into the paper.
    p.save();
    p.setClipPath(shape);
    p.setPen(QPen(QColor(0, 0, 0, 35), 2));
    p.drawLine(box.topLeft() + QPointF(0, 0.5), box.topRight() + QPointF(0, 0.5));
    p.restore();
    p.setPen(QPen(edge, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
}

void printedLabel(QPainter& p, const QString& text, const QRectF& box, qreal size,
                  Qt::Alignment align = Qt::AlignRight | Qt::AlignVCenter) {
    p.fillPath(fittedText(text, sansFont(size, true), box, align), kInk);
}

void paintSheetPaper(QPainter& p) {
    const QRectF paper(2, 2, 164, 175);
    QPainterPath shape;
    shape.addRoundedRect(paper, 5, 5);
    drawSoftShadow(p, shape, 1.5, QPointF(0.6, 1.0), QColor(0, 0, 0, 150));
    QLinearGradient g(paper.topLeft(), paper.bottomRight());
    g.setColorAt(0, QColor(253, 250, 236));
    g.setColorAt(1, QColor(236, 227, 200));
    p.fillPath(shape, g);
    p.setPen(QPen(QColor(120, 90, 50), 1));
    p.drawPath(shape);

    // Header strip for the player's name, with the last-result box at its right.
    const QRectF header(6, 5.5, 156, 21);
    QPainterPath strip;
    strip.addRoundedRect(header, 3, 3);
    QLinearGradient hg(header.topLeft(), header.bottomLeft());
    hg.setColorAt(0, QColor(226, 242, 210));
    hg.setColorAt(1, QColor(196, 224, 176));
    p.fillPath(strip, hg);
    p.setPen(QPen(QColor(70, 120, 60), 1));
    p.drawPath(strip);
    p.setPen(QPen(QColor(70, 120, 60, 170), 1, Qt::DotLine));
    p.drawLine(QPointF(130.5, 8), QPointF(130.5, 24));

    p.setPen(QPen(QColor(120, 90, 50, 160), 1));
    p.drawLine(QPointF(8, 30.5), QPointF(160, 30.5));
    p.setPen(QPen(QColor(120, 90, 50, 90), 1, Qt::DashLine));
    p.drawLine(QPointF(83.5, 34), QPointF(83.5, 152));
    p.setPen(QPen(QColor(120, 90, 50, 160), 1));
    p.drawLine(QPointF(8, 154.5), QPointF(160, 154.5));
}

void paintScoreSheet(QPainter& p) {
    paintSheetPaper(p);
    const QColor cell(255, 255, 252);
    const QColor edge(150, 120, 80);
    for (int i = 0; i < 5; ++i) {
        const qreal top = kRowTops[i];
        printedBox(p, QRectF(QPointF(kLeftCellX, top), kCell).adjusted(0.5, 0.5, -0.5, -0.5), cell,
                   edge);
        printedBox(p, QRectF(QPointF(kRightCellX, top), kCell).adjusted(0.5, 0.5, -0.5, -0.5), cell,
                   edge);
        printedLabel(p, QStringLiteral("PH%1").arg(i + 1), QRectF(8, top + 4, 33, 10), 10);
        printedLabel(p, QStringLiteral("PH%1").arg(i + 6), QRectF(88, top + 4, 34, 10), 10);
    }
    const QColor bonusFill(255, 243, 200);
    const QColor bonusEdge(170, 130, 50);
    printedBox(p, QRectF(QPointF(kLeftCellX, kBonusTop), kCell).adjusted(0.5, 0.5, -0.5, -0.5),
               bonusFill, bonusEdge);
    printedBox(p, QRectF(QPointF(kRightCellX, kBonusTop), kCell).adjusted(0.5, 0.5, -0.5, -0.5),
               bonusFill, bonusEdge);
    const QFont italic = [] {
        QFont f = sansFont(10, true);
        f.setItalic(true);
        return f;
    }();
    p.fillPath(fittedText(QStringLiteral("Bonus"), italic, QRectF(6, kBonusTop + 4, 35, 10),
                          Qt::AlignRight | Qt::AlignVCenter),
               QColor(150, 100, 20));
    p.fillPath(fittedText(QStringLiteral("Bonus"), italic, QRectF(86, kBonusTop + 4, 36, 10),
                          Qt::AlignRight | Qt::AlignVCenter),
               QColor(150, 100, 20));

    const QRectF total(81.5, 157.5, 35, 17);
    printedBox(p, total, QColor(255, 255, 255), QColor(60, 40, 20));
    p.setPen(QPen(QColor(60, 40, 20), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(total, 2.5, 2.5);
    printedLabel(p, sheetTotal(), QRectF(30, 161, 46, 11), 11);
}

void paintHighlight(QPainter& p) {
    const QColor lime(143, 245, 5);
    const QRectF outer(0, 0, kHighlightSize.width(), kHighlightSize.height());
    QPainterPath ring;
    ring.addRoundedRect(outer, 7, 7);
    QPainterPath hole;
    hole.addRoundedRect(outer.adjusted(4, 4, -4, -4), 4, 4);
    // Inner glow first, so the frame reads as lit from within.
    QColor glow = lime;
    glow.setAlpha(170);
    drawSoftShadow(p, ring.subtracted(hole), 4, QPointF(0, 0), glow);
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    QPainterPath centre;
    centre.addRoundedRect(outer.adjusted(11, 11, -11, -11), 3, 3);
    p.fillPath(centre, Qt::black);
    p.restore();
    QLinearGradient g(outer.topLeft(), outer.bottomLeft());
    g.setColorAt(0, lime.lighter(125));
    g.setColorAt(0.5, lime);
    g.setColorAt(1, lime.darker(115));
    p.fillPath(ring.subtracted(hole), g);
    p.setPen(QPen(QColor(255, 255, 220, 200), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(outer.adjusted(1.5, 1.5, -1.5, -1.5), 6, 6);
}

// The folded, notched tails of the ribbon, behind its band.
void paintRibbonTails(QPainter& p, const QColor& red) {
    for (int side = 0; side < 2; ++side) {
        QPolygonF tail;
        if (side == 0)
            tail << QPointF(2, 12) << QPointF(36, 12) << QPointF(36, 41) << QPointF(2, 41)
                 << QPointF(12, 26.5);
        else
            tail << QPointF(208, 12) << QPointF(174, 12) << QPointF(174, 41) << QPointF(208, 41)
                 << QPointF(198, 26.5);
        QPainterPath t;
        t.addPolygon(tail);
        t.closeSubpath();
        p.fillPath(t, red.darker(150));
        p.setPen(QPen(QColor(60, 0, 0), 1));
        p.drawPath(t);
    }
}

void paintWinner(QPainter& p) {
    const QColor red(176, 22, 30);
    paintRibbonTails(p, red);
    const QRectF band(22, 2, 166, 34);
    QPainterPath b;
    b.addRoundedRect(band, 3, 3);
    drawSoftShadow(p, b, 2, QPointF(0, 2), QColor(0, 0, 0, 140));
    QLinearGradient g(band.topLeft(), band.bottomLeft());
    g.setColorAt(0, red.lighter(140));
    g.setColorAt(0.5, red);
    g.setColorAt(1, red.darker(140));
    p.fillPath(b, g);
    p.setPen(QPen(QColor(255, 210, 90), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(band.adjusted(3, 3, -3, -3), 2, 2);
    QLinearGradient gold(band.topLeft(), band.bottomLeft());
    gold.setColorAt(0, QColor(255, 246, 190));
    gold.setColorAt(0.5, QColor(255, 208, 60));
    gold.setColorAt(1, QColor(220, 150, 20));
    const QPainterPath text =
        fittedText(winnerWord(), serifFont(25, true), band.adjusted(30, 6, -30, -5));
    drawOutlinedText(p, text, gold, QColor(70, 0, 0), 1.3, QPointF(0, 1.5));
    // A star either side of the word.
    for (const qreal cx : {40.0, 170.0}) {
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            const qreal a = M_PI / 2 + i * M_PI / 5;
            const qreal r = i % 2 ? 3.0 : 7.0;
            star << QPointF(cx + r * qCos(a), 19.5 - r * qSin(a));
        }
        QPainterPath sp;
        sp.addPolygon(star);
        sp.closeSubpath();
        drawOutlinedText(p, sp, gold, QColor(70, 0, 0), 0.8, QPointF(0, 1));
    }
}

} // namespace

QPixmap scoreSheet(qreal dpr) {
    // The words are in the key: a translator installed later gets pictures of its own.
    return cached(QStringLiteral("sheet/") + sheetTotal(), kSheetSize, dpr, paintScoreSheet);
}

QPixmap turnHighlight(qreal dpr) {
    return cached(QStringLiteral("highlight"), kHighlightSize, dpr, paintHighlight);
}

QPixmap winnerBanner(qreal dpr) {
    return cached(QStringLiteral("winner/") + winnerWord(), kWinnerSize, dpr, paintWinner);
}

} // namespace art
