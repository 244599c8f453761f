#include "widgets/art.h"
#include "widgets/hoverbutton.h"
#include "widgets/picturebutton.h"
#include "widgets/tiledpanel.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

class TestWidgetButtons : public QObject {
    Q_OBJECT
private slots:
    void pictureButtonClicks();
    void pictureButtonHoverAndPress();
    void phraseButtonTakesItsPicture();
    void hoverButtonBrightens();
    void tiledPanelPaintsTheBackground();
};

void TestWidgetButtons::pictureButtonClicks() {
    QWidget window;
    auto* button = new PictureButton(art::ButtonKind::Start, &window);
    button->move(10, 10);
    window.resize(200, 80);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(button->size(), QSize(154, 36));
    QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(70, 18));
    QCOMPARE(clicked.count(), 1);
    // A press that is released outside the button is no click.
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(70, 18));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(180, 60));
    QCOMPARE(clicked.count(), 1);
    button->setEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(70, 18));
    QCOMPARE(clicked.count(), 1);
}

void TestWidgetButtons::pictureButtonHoverAndPress() {
    QWidget window;
    auto* button = new PictureButton(art::ButtonKind::Roll, &window);
    button->move(20, 20);
    window.resize(220, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage normal = button->grab().toImage();
    QCOMPARE(button->state(), art::ButtonState::Normal);

    QTest::mouseMove(button, QPoint(60, 18));
    QTRY_COMPARE(button->state(), art::ButtonState::Hover);
    const QImage hover = button->grab().toImage();
    QVERIFY(hover != normal);

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(60, 18));
    QCOMPARE(button->state(), art::ButtonState::Pressed);
    QVERIFY(button->grab().toImage() != hover);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(60, 18));

    QTest::mouseMove(&window, QPoint(5, 90));
    QTRY_COMPARE(button->state(), art::ButtonState::Normal);
    QCOMPARE(button->grab().toImage(), normal);
}

void TestWidgetButtons::phraseButtonTakesItsPicture() {
    std::unique_ptr<PictureButton> button(PictureButton::phrase(7));
    QCOMPARE(button->sizeHint(), QSize(25, 19));
    button->setToolTip(QStringLiteral("Thanks!"));
    button->resize(button->sizeHint());
    const QImage shown = button->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QImage expected(25, 19, QImage::Format_ARGB32);
    expected.fill(Qt::transparent);
    {
        QPainter p(&expected);
        p.drawPixmap(0, 0, art::phraseButton(7, art::ButtonState::Normal));
    }
    // grab() fills the background first, so compare the opaque middle only.
    QCOMPARE(shown.pixel(12, 9), expected.pixel(12, 9));
    QCOMPARE(button->toolTip(), QStringLiteral("Thanks!"));
}

void TestWidgetButtons::hoverButtonBrightens() {
    QWidget window;
    auto* button = new HoverButton(QStringLiteral("Overview"), &window);
    button->setGeometry(10, 10, 120, 26);
    window.resize(200, 80);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage normal = button->grab().toImage();
    QSignalSpy clicked(button, &QAbstractButton::clicked);

    QTest::mouseMove(button, QPoint(60, 13));
    QTRY_VERIFY(button->isHovered());
    const QImage hover = button->grab().toImage();
    auto lightness = [](const QImage& img) {
        return QColor::fromRgb(img.pixel(8, img.height() / 2)).lightness();
    };
    QVERIFY(lightness(hover) > lightness(normal));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(60, 13));
    QCOMPARE(clicked.count(), 1);
    QTest::mouseMove(&window, QPoint(190, 70));
    QTRY_VERIFY(!button->isHovered());
}

void TestWidgetButtons::tiledPanelPaintsTheBackground() {
    TiledPanel panel;
    panel.resize(150, 120);
    const QImage shown = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage expected(150, 120, QImage::Format_RGB32);
    {
        QPainter p(&expected);
        art::paintTiledBackground(p, expected.rect());
    }
    QCOMPARE(shown, expected);
}

QTEST_MAIN(TestWidgetButtons)
#include "tst_widgetbuttons.moc"
