// artpreview OUTDIR
// Renders every picture of the table at device pixel ratios 1 and 2 onto contact sheets,
// plus a mock of the whole board, so the artwork can be looked at without the game.
#include "boardmock.h"
#include "widgets/art.h"
#include "widgets/hoverbutton.h"
#include "widgets/picturebutton.h"
#include "widgets/tiledpanel.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QPainter>
#include <QTextStream>

#include <functional>
#include <vector>

namespace {

struct Item {
    QString name;
    QPixmap pixmap;
};

std::vector<Item> allItems(qreal dpr) {
    std::vector<Item> items;
    for (int i = 0; i <= 15; ++i)
        items.push_back({QStringLiteral("layer %1").arg(i), art::diceLayer(i, dpr)});
    for (int c = 1; c <= 4; ++c)
        for (int v : {0, 3, 10})
            items.push_back(
                {QStringLiteral("die %1/%2").arg(v).arg(c), art::die(v, c, false, dpr)});
    items.push_back({QStringLiteral("held 7/3"), art::die(7, 3, true, dpr)});
    for (int n = 0; n <= 3; ++n)
        items.push_back({QStringLiteral("rolls %1").arg(n), art::rolls(n, dpr)});
    using art::ButtonKind;
    using art::ButtonState;
    for (ButtonKind k : {ButtonKind::Roll, ButtonKind::AllDone, ButtonKind::Start})
        for (ButtonState s : {ButtonState::Normal, ButtonState::Hover, ButtonState::Pressed})
            items.push_back(
                {QStringLiteral("button %1/%2").arg(int(k)).arg(int(s)), art::button(k, s, dpr)});
    for (int k = 1; k <= 10; ++k)
        items.push_back(
            {QStringLiteral("P%1").arg(k),
             art::phraseButton(k, k == 2 ? ButtonState::Hover : ButtonState::Normal, dpr)});
    items.push_back(
        {QStringLiteral("P1 pressed"), art::phraseButton(1, ButtonState::Pressed, dpr)});
    for (int k = 0; k <= 10; ++k)
        items.push_back({QStringLiteral("phase %1").arg(k), art::phaseExample(k, dpr)});
    items.push_back({QStringLiteral("eyes"), art::eyes(dpr)});
    items.push_back({QStringLiteral("logo"), art::logo(dpr)});
    items.push_back({QStringLiteral("about logo"), art::aboutLogo(dpr)});
    items.push_back({QStringLiteral("winner"), art::winnerBanner(dpr)});
    items.push_back({QStringLiteral("tile"), art::backgroundTile(dpr)});
    items.push_back({QStringLiteral("sheet"), art::scoreSheet(dpr)});
    items.push_back({QStringLiteral("highlight"), art::turnHighlight(dpr)});
    for (int s : {16, 24, 32, 48, 64, 128})
        items.push_back({QStringLiteral("icon %1").arg(s), art::appIcon().pixmap(s, s)});
    items.push_back({QStringLiteral("top banner"), art::topBanner(dpr)});
    return items;
}

// Lays the items out in rows on the tiled background, each with its name under it.
QImage contactSheet(qreal dpr) {
    const auto items = allItems(dpr);
    const int width = 720;
    int x = 8, y = 8, rowHeight = 0;
    std::vector<QPoint> places;
    for (const Item& it : items) {
        const QSize sz = it.pixmap.deviceIndependentSize().toSize();
        if (x + sz.width() > width - 8) {
            x = 8;
            y += rowHeight + 22;
            rowHeight = 0;
        }
        places.push_back(QPoint(x, y));
        x += qMax(sz.width(), 50) + 10;
        rowHeight = qMax(rowHeight, sz.height());
    }
    const int height = y + rowHeight + 30;
    QImage img(QSize(width, height) * dpr, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    QPainter p(&img);
    art::paintTiledBackground(p, QRect(0, 0, width, height));
    QFont f;
    f.setPixelSize(9);
    p.setFont(f);
    for (size_t i = 0; i < items.size(); ++i) {
        const QSize sz = items[i].pixmap.deviceIndependentSize().toSize();
        p.drawPixmap(places[i], items[i].pixmap);
        p.setPen(QColor(255, 240, 210));
        p.drawText(QRect(places[i].x(), places[i].y() + sz.height() + 2, 120, 14), Qt::AlignLeft,
                   items[i].name);
    }
    return img;
}

// The shared widgets on a tiled panel, one of each button hovered.
QImage widgetGallery() {
    TiledPanel panel;
    panel.resize(330, 200);
    const QStringList captions = {QStringLiteral("Overview"), QStringLiteral("Connecting"),
                                  QStringLiteral("Game Play"), QStringLiteral("Done")};
    for (int i = 0; i < captions.size(); ++i) {
        auto* b = new HoverButton(captions[i], &panel);
        b->setCheckable(true);
        b->setChecked(i == 0);
        b->setGeometry(8, 8 + i * 32, 121, 26);
        if (i == 2) {
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
            QCoreApplication::sendEvent(b, &enter);
        }
    }
    auto* roll = new PictureButton(art::ButtonKind::Roll, &panel);
    roll->move(150, 8);
    auto* start = new PictureButton(art::ButtonKind::Start, &panel);
    start->move(150, 56);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(start, &enter);
    auto* phrase = PictureButton::phrase(3, &panel);
    phrase->move(150, 104);
    return panel.grab().toImage();
}

// The small pictures blown up, to judge their detail.
QImage closeUp() {
    constexpr qreal kZoom = 4;
    QImage img(QSize(330, 260) * kZoom, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(kZoom);
    QPainter p(&img);
    art::paintTiledBackground(p, QRect(0, 0, 330, 260));
    for (int k = 1; k <= 10; ++k)
        p.drawPixmap(4 + ((k - 1) % 2) * 160, 4 + ((k - 1) / 2) * 20, art::phaseExample(k, kZoom));
    for (int k = 0; k < 5; ++k)
        p.drawPixmap(4 + k * 52, 110, art::die(k * 2 + (k == 0 ? 0 : 1), k % 4 + 1, k == 3, kZoom));
    p.drawPixmap(4, 165, art::rolls(2, kZoom));
    p.drawPixmap(80, 165, art::eyes(kZoom));
    for (int k = 1; k <= 10; k += 9)
        p.drawPixmap(110 + k * 3, 165, art::phraseButton(k, art::ButtonState::Normal, kZoom));
    p.drawPixmap(4, 195, art::logo(kZoom));
    p.drawPixmap(170, 190, art::appIcon().pixmap(16, 16));
    p.drawPixmap(190, 190, art::appIcon().pixmap(32, 32));
    return img;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc < 2) {
        err << "usage: artpreview OUTDIR\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        err << "cannot create " << out.path() << "\n";
        return 1;
    }
    // First paints, timed: they are what a window pays when it opens.
    QTextStream outText(stdout);
    for (const qreal dpr : {1.0, 2.0}) {
        QElapsedTimer timer;
        timer.start();
        const auto items = allItems(dpr);
        outText << "painted " << items.size() << " pictures at dpr " << dpr << " in "
                << timer.elapsed() << " ms\n";
    }
    bool ok = true;
    ok &= contactSheet(1.0).save(out.filePath(QStringLiteral("art-sheet-1x.png")));
    ok &= contactSheet(2.0).save(out.filePath(QStringLiteral("art-sheet-2x.png")));
    ok &= renderBoardMock(1.0).save(out.filePath(QStringLiteral("board-1x.png")));
    ok &= renderBoardMock(2.0).save(out.filePath(QStringLiteral("board-2x.png")));
    ok &= closeUp().save(out.filePath(QStringLiteral("closeup-4x.png")));
    ok &= widgetGallery().save(out.filePath(QStringLiteral("widgets.png")));
    if (!ok) {
        err << "could not write the pictures to " << out.path() << "\n";
        return 1;
    }
    return 0;
}
