#include "boardmock.h"

#include "client/board/board.h"
#include "widgets/art.h"

#include <QPainter>

namespace {

constexpr int kSlotLefts[4] = {4, 173, 342, 511};
constexpr int kRowTops[5] = {187, 206, 224, 243, 263};

void text(QPainter& p, const QRect& r, const QString& s, const QColor& c, int px, bool bold,
          Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    QFont f;
    f.setFamily(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(px);
    f.setBold(bold);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, align, s);
}

void paintSlots(QPainter& p, qreal dpr) {
    const QString names[4] = {QStringLiteral("You"), QStringLiteral("Klot"),
                              QStringLiteral("<Waiting>"), QStringLiteral("<Waiting>")};
    const QString scores[4] = {QStringLiteral("137"), QStringLiteral("58"), QStringLiteral("0"),
                               QStringLiteral("0")};
    p.drawPixmap(kSlotLefts[1] - 1, 150, art::turnHighlight(dpr));
    for (int s = 0; s < 4; ++s) {
        const int x = kSlotLefts[s];
        p.drawPixmap(x, 151, art::scoreSheet(dpr));
        text(p, QRect(x + 9, 158, 125, 18), names[s], QColor(0, 100, 0), 12, true);
        if (s < 2)
            text(p, QRect(x + 130, 158, 28, 18), s == 0 ? QStringLiteral("+30") : "-",
                 QColor(0, 100, 0), 12, true, Qt::AlignRight | Qt::AlignVCenter);
        text(p, QRect(x + 81, 308, 36, 18), scores[s], Qt::black, 12, true, Qt::AlignCenter);
        const int filled = s == 0 ? 5 : (s == 1 ? 2 : 0);
        for (int r = 0; r < filled; ++r)
            text(p, QRect(x + 44, kRowTops[r], 36, 18), QString::number(18 + r * 5),
                 QColor(0, 128, 0), 12, true, Qt::AlignCenter);
        if (s == 0) {
            text(p, QRect(x + 44, 285, 36, 18), QStringLiteral("40"), QColor(0, 100, 0), 12, true,
                 Qt::AlignCenter);
            text(p, QRect(x + 125, kRowTops[0], 36, 18), QStringLiteral("-"), QColor(0, 128, 0), 12,
                 true, Qt::AlignCenter);
        }
    }
}

void paintTray(QPainter& p, qreal dpr) {
    const int values[10] = {0, 3, 3, 3, 5, 6, 7, 7, 9, 10};
    const int colours[10] = {2, 1, 3, 4, 2, 1, 3, 4, 1, 2};
    for (int k = 1; k <= 10; ++k) {
        const bool held = k >= 2 && k <= 4;
        p.drawPixmap(56 * k + 11, held ? 5 : 15,
                     art::die(values[k - 1], colours[k - 1], held, dpr));
    }
    text(p, QRect(66, 68, 552, 18), QStringLiteral("You are trying to get: Run of 8"), Qt::white,
         13, true, Qt::AlignCenter);
    p.drawPixmap(214, 89, art::button(art::ButtonKind::Roll, art::ButtonState::Normal, dpr));
    p.drawPixmap(350, 89, art::button(art::ButtonKind::AllDone, art::ButtonState::Hover, dpr));
    text(p, QRect(8, 111, 100, 16), QStringLiteral("Round: 4"), Qt::white, 12, true);
    text(p, QRect(576, 111, 40, 16), QStringLiteral("Rolls"), Qt::white, 12, true);
    p.drawPixmap(610, 104, art::rolls(2, dpr));
    text(p, QRect(9, 130, 672, 20), QStringLiteral("Your Turn"), QColor(143, 245, 5), 16, true,
         Qt::AlignCenter);
}

void paintLowerArea(QPainter& p, qreal dpr) {
    const int lefts[10] = {4, 31, 58, 84, 111, 138, 164, 191, 218, 245};
    for (int k = 1; k <= 10; ++k)
        p.drawPixmap(lefts[k - 1], 334, art::phraseButton(k, art::ButtonState::Normal, dpr));
    p.drawPixmap(343, 333, art::logo(dpr));
    p.fillRect(QRect(4, 355, 493, 156), Qt::white);
    p.fillRect(QRect(4, 513, 493, 22), Qt::white);
    text(p, QRect(8, 513, 300, 22), QStringLiteral("<Enter Chat Here>"), Qt::black, 13, false);
    const int tops[10] = {26, 43, 60, 78, 95, 112, 129, 147, 164, 181};
    p.drawPixmap(502 + 13, 334 + 4, art::phaseExample(5, dpr));
    for (int k = 0; k < 10; ++k) {
        const QColor c =
            k < 4 ? QColor(192, 192, 192) : (k == 4 ? QColor(143, 245, 5) : QColor(Qt::white));
        text(p, QRect(502 + 8, 334 + tops[k], 170, 15), Board::phaseListText(k + 1), c, 12, k == 4);
    }
    p.drawPixmap(570, 100 + 200, art::eyes(dpr));
}

} // namespace

QImage renderBoardMock(qreal dpr) {
    QImage img(QSize(684, 538) * dpr, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    art::paintTiledBackground(p, QRect(0, 0, 684, 538));
    p.drawPixmap(1, 0, art::topBanner(dpr));
    paintTray(p, dpr);
    paintSlots(p, dpr);
    paintLowerArea(p, dpr);
    return img;
}
