// Paints the picture of the lobby download window and saves it as a JPEG.
// Run once when the artwork changes: vimbrel_lobbypicture resources/lobby/lobby.jpg
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 150;

// The four die colours of the table.
const QColor kDieColours[4] = {QColor(184, 129, 8), QColor(30, 40, 214), QColor(11, 157, 9),
                               QColor(213, 27, 167)};

void paintRoom(QPainter& p) {
    QLinearGradient wall(0, 0, 0, kHeight);
    wall.setColorAt(0.0, QColor(58, 30, 14));
    wall.setColorAt(0.38, QColor(96, 54, 24));
    wall.setColorAt(0.39, QColor(70, 38, 16));
    wall.setColorAt(1.0, QColor(120, 70, 32));
    p.fillRect(0, 0, kWidth, kHeight, wall);
    // Floor boards run towards the back of the room.
    p.setPen(QPen(QColor(60, 32, 12, 150), 1));
    for (int x = -300; x <= 600; x += 36)
        p.drawLine(QPointF(150 + (x - 150) * 0.35, 58), QPointF(x, 150));
    for (int y : {70, 86, 106, 130})
        p.drawLine(0, y, kWidth, y);
    // Warm light from the ceiling lamps.
    for (int cx : {60, 150, 240}) {
        QRadialGradient glow(cx, 60, 70);
        glow.setColorAt(0.0, QColor(255, 214, 140, 90));
        glow.setColorAt(1.0, QColor(255, 214, 140, 0));
        p.fillRect(0, 0, kWidth, kHeight, glow);
    }
}

void paintDie(QPainter& p, QPointF at, qreal size, const QColor& colour, const QString& face) {
    const QRectF r(at.x() - size / 2, at.y() - size / 2, size, size);
    p.setPen(QPen(colour.darker(160), 0.8));
    p.setBrush(colour);
    p.drawRoundedRect(r, size * 0.22, size * 0.22);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(int(size * 0.62));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, face);
}

void paintTable(QPainter& p, QPointF centre, qreal rx, int seed) {
    const qreal ry = rx * 0.42;
    // Chairs in the four die colours.
    const QPointF chairs[4] = {
        {-rx - 5, -2}, {rx + 5, -2}, {-rx * 0.45, ry + 5}, {rx * 0.45, ry + 5}};
    for (int i = 0; i < 4; ++i) {
        p.setPen(QPen(kDieColours[(i + seed) % 4].darker(170), 1));
        p.setBrush(kDieColours[(i + seed) % 4]);
        p.drawEllipse(centre + chairs[i], rx * 0.2, rx * 0.14);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(centre + QPointF(2, 4), rx, ry);
    QRadialGradient felt(centre - QPointF(rx * 0.3, ry * 0.4), rx * 1.3);
    felt.setColorAt(0.0, QColor(40, 150, 70));
    felt.setColorAt(1.0, QColor(10, 80, 34));
    p.setPen(QPen(QColor(90, 52, 20), 2.2));
    p.setBrush(felt);
    p.drawEllipse(centre, rx, ry);
    const QString faces[3] = {QStringLiteral("7"), QStringLiteral("W"), QStringLiteral("3")};
    for (int i = 0; i < 3; ++i)
        paintDie(p, centre + QPointF((i - 1) * rx * 0.36, (i % 2) * 2 - 1), rx * 0.26,
                 kDieColours[(i + seed + 1) % 4], faces[(i + seed) % 3]);
}

void paintSign(QPainter& p) {
    const QRectF board(48, 6, 204, 40);
    p.setPen(QPen(QColor(40, 20, 6), 2));
    QLinearGradient wood(0, board.top(), 0, board.bottom());
    wood.setColorAt(0.0, QColor(242, 205, 120));
    wood.setColorAt(1.0, QColor(196, 140, 52));
    p.setBrush(wood);
    p.drawRoundedRect(board, 6, 6);
    // Marquee bulbs around the sign.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 250, 205));
    for (qreal x = board.left() + 8; x < board.right() - 4; x += 12) {
        p.drawEllipse(QPointF(x, board.top() + 3.5), 1.6, 1.6);
        p.drawEllipse(QPointF(x, board.bottom() - 3.5), 1.6, 1.6);
    }
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setBold(true);
    font.setPixelSize(19);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
    // Shrink the lettering until it fits inside the bulbs.
    while (QFontMetricsF(font).horizontalAdvance(QStringLiteral("ZUMVEK LOBBY")) >
           board.width() - 22)
        font.setPixelSize(font.pixelSize() - 1);
    p.setFont(font);
    p.setPen(QColor(90, 40, 8));
    p.drawText(board.adjusted(0, -3, 0, 0), Qt::AlignCenter, QStringLiteral("ZUMVEK LOBBY"));
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output.jpg\n", argv[0]);
        return 2;
    }
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintRoom(p);
    paintTable(p, {52, 88}, 36, 0);
    paintTable(p, {248, 88}, 36, 2);
    paintTable(p, {150, 118}, 44, 1);
    paintSign(p);
    p.end();
    if (!image.save(QString::fromLocal8Bit(argv[1]), "JPG", 90)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
