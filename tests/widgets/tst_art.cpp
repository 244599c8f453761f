#include "widgets/art.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <map>

namespace {

QImage imageOf(const QPixmap& pm) {
    return pm.toImage().convertToFormat(QImage::Format_ARGB32);
}

int colourDistance(QRgb a, const QColor& b) {
    return qAbs(qRed(a) - b.red()) + qAbs(qGreen(a) - b.green()) + qAbs(qBlue(a) - b.blue());
}

// The most frequent opaque colour of an image.
QRgb dominantColour(const QImage& img) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) == 255) ++counts[img.pixel(x, y) & 0xffffff];
    QRgb best = 0;
    int bestCount = -1;
    for (const auto& [rgb, n] : counts)
        if (n > bestCount) {
            best = rgb;
            bestCount = n;
        }
    return best;
}

// Pixels of the top-left corner region that are much lighter than the body colour:
// the colour's own mark.
QVector<bool> cornerMark(const QImage& body, const QColor& base) {
    QVector<bool> mask;
    for (int y = 2; y < 16; ++y)
        for (int x = 2; x < 16; ++x) {
            const QColor c = QColor::fromRgb(body.pixel(x, y));
            mask.append(c.lightness() > base.lightness() + 60);
        }
    return mask;
}

int differences(const QVector<bool>& a, const QVector<bool>& b) {
    int n = 0;
    for (int i = 0; i < a.size(); ++i)
        n += a[i] != b[i];
    return n;
}

bool hasRedIn(const QImage& img, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = img.pixel(x, y);
            if (qAlpha(p) > 200 && qRed(p) > 170 && qGreen(p) < 80 && qBlue(p) < 80) return true;
        }
    return false;
}

bool fullyTransparent(const QPixmap& pm);

} // namespace

class TestArt : public QObject {
    Q_OBJECT
private slots:
    void sizes_data();
    void sizes();
    void diceLayers();
    void bodyColours();
    void cornerMarksDiffer();
    void dieComposesLayers();
    void rollsCrossTheFirstBoxes();
    void phaseExamples();
    void backgroundIsSeamlessAndAnchored();
    void iconAndCache();
};

void TestArt::sizes_data() {
    QTest::addColumn<QSize>("expected");
    QTest::addColumn<QPixmap>("one");
    QTest::addColumn<QPixmap>("two");
    using art::ButtonKind;
    using art::ButtonState;
    for (int i = 0; i <= 15; ++i)
        QTest::addRow("layer %d", i) << QSize(48, 48) << art::diceLayer(i) << art::diceLayer(i, 2);
    QTest::newRow("die") << QSize(48, 48) << art::die(7, 3, true) << art::die(7, 3, true, 2);
    for (int n = 0; n <= 3; ++n)
        QTest::addRow("rolls %d", n) << QSize(66, 22) << art::rolls(n) << art::rolls(n, 2);
    QTest::newRow("sheet") << QSize(168, 179) << art::scoreSheet() << art::scoreSheet(2);
    QTest::newRow("highlight") << QSize(171, 181) << art::turnHighlight() << art::turnHighlight(2);
    QTest::newRow("winner") << QSize(210, 43) << art::winnerBanner() << art::winnerBanner(2);
    QTest::newRow("banner") << QSize(682, 129) << art::topBanner() << art::topBanner(2);
    for (int k = 0; k <= 10; ++k)
        QTest::addRow("example %d", k)
            << QSize(151, 16) << art::phaseExample(k) << art::phaseExample(k, 2);
    QTest::newRow("logo") << QSize(155, 22) << art::logo() << art::logo(2);
    QTest::newRow("about") << QSize(243, 66) << art::aboutLogo() << art::aboutLogo(2);
    QTest::newRow("eyes") << QSize(24, 14) << art::eyes() << art::eyes(2);
    for (ButtonState s : {ButtonState::Normal, ButtonState::Hover, ButtonState::Pressed}) {
        QTest::addRow("roll %d", int(s)) << QSize(128, 36) << art::button(ButtonKind::Roll, s)
                                         << art::button(ButtonKind::Roll, s, 2);
        QTest::addRow("alldone %d", int(s)) << QSize(128, 36) << art::button(ButtonKind::AllDone, s)
                                            << art::button(ButtonKind::AllDone, s, 2);
        QTest::addRow("start %d", int(s)) << QSize(154, 36) << art::button(ButtonKind::Start, s)
                                          << art::button(ButtonKind::Start, s, 2);
        QTest::addRow("phrase %d", int(s))
            << QSize(25, 19) << art::phraseButton(10, s) << art::phraseButton(10, s, 2);
    }
}

void TestArt::sizes() {
    QFETCH(QSize, expected);
    QFETCH(QPixmap, one);
    QFETCH(QPixmap, two);
    QCOMPARE(one.size(), expected);
    QCOMPARE(one.deviceIndependentSize().toSize(), expected);
    QCOMPARE(two.size(), expected * 2);
    QCOMPARE(two.deviceIndependentSize().toSize(), expected);
    QCOMPARE(two.devicePixelRatio(), 2.0);
}

void TestArt::diceLayers() {
    for (int c = 11; c <= 14; ++c) {
        const QImage body = imageOf(art::diceLayer(c));
        // Opaque everywhere but the rounding of the four corners.
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 48; ++x) {
                const bool corner = (x < 7 || x > 40) && (y < 7 || y > 40);
                if (!corner && qAlpha(body.pixel(x, y)) != 255)
                    QFAIL(qPrintable(
                        QStringLiteral("layer %1 not opaque at %2,%3").arg(c).arg(x).arg(y)));
            }
    }
    for (int v = 0; v <= 10; ++v) {
        const QImage face = imageOf(art::diceLayer(v));
        QCOMPARE(qAlpha(face.pixel(1, 1)), 0);
        QCOMPARE(qAlpha(face.pixel(46, 46)), 0);
        // The numeral is white and sits in the middle of the die.
        int white = 0;
        for (int y = 12; y < 36; ++y)
            for (int x = 12; x < 36; ++x)
                white += colourDistance(face.pixel(x, y), Qt::white) < 30 &&
                         qAlpha(face.pixel(x, y)) == 255;
        QVERIFY2(white > 20, qPrintable(QStringLiteral("face %1").arg(v)));
    }
    const QImage frame = imageOf(art::diceLayer(15));
    for (const QPoint centre : {QPoint(24, 24), QPoint(10, 24), QPoint(24, 38)})
        QCOMPARE(qAlpha(frame.pixel(centre)), 0);
    for (const QPoint edge : {QPoint(1, 24), QPoint(24, 1), QPoint(46, 24), QPoint(24, 46)}) {
        QVERIFY(qAlpha(frame.pixel(edge)) > 200);
        QVERIFY(QColor::fromRgb(frame.pixel(edge)).lightness() < 70);
    }
}

void TestArt::bodyColours() {
    const QColor expected[4] = {QColor(184, 129, 8), QColor(30, 40, 214), QColor(11, 157, 9),
                                QColor(213, 27, 167)};
    for (int c = 1; c <= 4; ++c) {
        QCOMPARE(art::dieColour(c), expected[c - 1]);
        const QRgb dominant = dominantColour(imageOf(art::diceLayer(c + 10, 2)));
        QVERIFY2(colourDistance(dominant, expected[c - 1]) <= 9,
                 qPrintable(QStringLiteral("colour %1 shows %2").arg(c).arg(dominant, 6, 16)));
        for (int d = 1; d < c; ++d)
            QVERIFY(colourDistance(dominantColour(imageOf(art::diceLayer(d + 10))),
                                   expected[c - 1]) > 150);
    }
}

void TestArt::cornerMarksDiffer() {
    QVector<bool> marks[4];
    for (int c = 1; c <= 4; ++c) {
        marks[c - 1] = cornerMark(imageOf(art::diceLayer(c + 10)), art::dieColour(c));
        QVERIFY2(marks[c - 1].count(true) >= 12, qPrintable(QString::number(c)));
    }
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            QVERIFY2(differences(marks[a], marks[b]) >= 12,
                     qPrintable(QStringLiteral("colours %1 and %2").arg(a + 1).arg(b + 1)));
}

void TestArt::dieComposesLayers() {
    const QImage plain = imageOf(art::die(4, 2, false));
    const QImage held = imageOf(art::die(4, 2, true));
    const QImage bare = imageOf(art::die(4, 0, false));
    // No colour yet: only the face, nothing at the edge.
    QCOMPARE(qAlpha(bare.pixel(24, 2)), 0);
    // Where the face is solid it covers the body.
    const QImage face = imageOf(art::diceLayer(4));
    int covered = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
            if (qAlpha(face.pixel(x, y)) == 255) {
                QCOMPARE(plain.pixel(x, y), face.pixel(x, y));
                ++covered;
            }
    QVERIFY(covered > 20);
    QVERIFY(colourDistance(plain.pixel(24, 45), art::dieColour(2)) < 120);
    QVERIFY(QColor::fromRgb(held.pixel(24, 45)).lightness() < 50);
    // Inside the frame the held die looks the same as the free one.
    QCOMPARE(held.pixel(24, 24), plain.pixel(24, 24));
    QVERIFY(art::die(5, 1, false).toImage() != art::die(6, 1, false).toImage());
}

void TestArt::rollsCrossTheFirstBoxes() {
    for (int n = 0; n <= 3; ++n) {
        const QImage img = imageOf(art::rolls(n));
        for (int box = 0; box < 3; ++box) {
            const QRect r(2 + box * 22, 2, 18, 18);
            QCOMPARE(hasRedIn(img, r), box < n);
        }
    }
    // A count of 5 is sent while the host pauses after a scored turn: nothing to show.
    QCOMPARE(art::rolls(5).size(), QSize(66, 22));
    QVERIFY(fullyTransparent(art::rolls(5)));
}

namespace {
bool fullyTransparent(const QPixmap& pm) {
    const QImage img = imageOf(pm);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) != 0) return false;
    return true;
}
} // namespace

void TestArt::phaseExamples() {
    QVERIFY(fullyTransparent(art::phaseExample(0)));
    QVERIFY(fullyTransparent(art::phaseExample(11)));
    for (int a = 1; a <= 10; ++a)
        for (int b = a + 1; b <= 10; ++b)
            QVERIFY(art::phaseExample(a).toImage() != art::phaseExample(b).toImage());
    // Phase 8 is one colour throughout: no pixel near any other die colour.
    const QImage eight = imageOf(art::phaseExample(8));
    int own = 0;
    int others = 0;
    for (int y = 0; y < eight.height(); ++y)
        for (int x = 0; x < eight.width(); ++x) {
            const QRgb p = eight.pixel(x, y);
            if (qAlpha(p) < 255) continue;
            own += colourDistance(p, art::dieColour(2)) < 20;
            for (int c : {1, 3, 4})
                others += colourDistance(p, art::dieColour(c)) < 20;
        }
    QVERIFY2(own > 150, qPrintable(QString::number(own)));
    QCOMPARE(others, 0);
}

void TestArt::backgroundIsSeamlessAndAnchored() {
    const QImage tile = imageOf(art::backgroundTile());
    const int w = tile.width();
    const int h = tile.height();
    // Across the wrap the jump must be no bigger than between ordinary neighbours.
    auto columnJump = [&](int a, int b) {
        qint64 sum = 0;
        for (int y = 0; y < h; ++y)
            sum += colourDistance(tile.pixel(a, y), QColor::fromRgb(tile.pixel(b, y)));
        return sum;
    };
    qint64 inner = 0;
    for (int x = 1; x < w; ++x)
        inner = qMax(inner, columnJump(x - 1, x));
    QVERIFY(columnJump(w - 1, 0) <= inner);

    QImage whole(200, 150, QImage::Format_ARGB32);
    QImage parts(200, 150, QImage::Format_ARGB32);
    {
        QPainter p(&whole);
        art::paintTiledBackground(p, whole.rect());
        QPainter q(&parts);
        art::paintTiledBackground(q, QRect(0, 0, 200, 70));
        art::paintTiledBackground(q, QRect(0, 70, 130, 80));
        art::paintTiledBackground(q, QRect(130, 70, 70, 80));
    }
    QCOMPARE(parts, whole);
    QVERIFY(colourDistance(
                dominantColour(whole.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)),
                QColor(116, 66, 33)) < 30);
}

void TestArt::iconAndCache() {
    const QIcon icon = art::appIcon();
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
    QVERIFY(icon.availableSizes().contains(QSize(256, 256)));
    QCOMPARE(art::scoreSheet().cacheKey(), art::scoreSheet().cacheKey());
    QVERIFY(art::scoreSheet().cacheKey() != art::scoreSheet(2).cacheKey());
}

QTEST_MAIN(TestArt)
#include "tst_art.moc"
