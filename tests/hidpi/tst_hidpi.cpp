// The artwork at the screen's pixel density. Every picture a window shows must be the
// same art painted straight at the window's device pixel ratio: a 1x picture blown up,
// or a picture squeezed into a size that is not a whole number of device pixels, is not.
// The program runs on two screens, the second of twice the density, so moving a window
// across must re-make its pictures; ctest runs it again under several QT_SCALE_FACTORs.
#include "art_compare.h"
#include "client/board/board.h"
#include "client/board/boardimages.h"
#include "client/chatform.h"
#include "client/phrasesform.h"
#include "client/spylistform.h"
#include "common/tablesendrecorder.h"
#include "lobby/aboutform.h"
#include "lobby/helpform.h"
#include "protocol/fields.h"
#include "tally/tallylistform.h"
#include "widgets/art.h"

#include <QDir>
#include <QFile>
#include <QScreen>
#include <QtTest>

using namespace artcompare;

namespace {

// The screen of the lowest or the highest density.
QScreen* screenOf(bool highest) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* pick = screens.value(0);
    for (QScreen* s : screens)
        if ((s->devicePixelRatio() > pick->devicePixelRatio()) == highest &&
            s->devicePixelRatio() != pick->devicePixelRatio())
            pick = s;
    return pick;
}
QScreen* lowScreen() {
    return screenOf(false);
}
QScreen* highScreen() {
    return screenOf(true);
}

// Puts `window` on `screen` and waits until it paints there.
void placeOn(QWidget* window, QScreen* screen) {
    window->move(screen->geometry().topLeft() + QPoint(40, 40));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTRY_COMPARE(window->screen(), screen);
    QTRY_COMPARE(window->devicePixelRatioF(), screen->devicePixelRatio());
}

QString shotName(const QString& what) {
    const QByteArray factor = qgetenv("QT_SCALE_FACTOR");
    return what +
           (factor.isEmpty() ? QString() : QStringLiteral("-x") + QString::fromLatin1(factor)) +
           QStringLiteral(".png");
}

void saveShot(const Shot& shot, const QString& what) {
    QDir().mkpath(QStringLiteral(VIMBREL_SCREENSHOT_DIR));
    QVERIFY(shot.image.save(QStringLiteral(VIMBREL_SCREENSHOT_DIR "/") + shotName(what)));
}

// The background of a widget of `size` whose tiles are anchored at its origin: the tile
// repeated pixel for pixel at `dpr`, over `area` only (transparent elsewhere).
QPixmap tiledBackground(QSize size, const QRect& area, qreal dpr) {
    const QImage tile = art::backgroundTile(dpr).toImage().convertToFormat(QImage::Format_ARGB32);
    QImage image(qCeil(size.width() * dpr), qCeil(size.height() * dpr), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const QRect inside(qCeil(area.x() * dpr), qCeil(area.y() * dpr), qFloor(area.width() * dpr),
                       qFloor(area.height() * dpr));
    for (int y = inside.top(); y <= inside.bottom() && y < image.height(); ++y)
        for (int x = inside.left(); x <= inside.right() && x < image.width(); ++x)
            image.setPixel(x, y, tile.pixel(x % tile.width(), y % tile.height()));
    QPixmap pm = QPixmap::fromImage(image);
    pm.setDevicePixelRatio(dpr);
    return pm;
}

} // namespace

class TestHiDpi : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void tableArtFollowsTheScreen();
    void infoWindowsFollowTheScreen();
    void windowIconHasEveryDensity();

private:
    void deliver(const QString& message);
    void checkTable(const QString& when);

    Tchat* m_table = nullptr;
    TableSendRecorder m_link;
};

void TestHiDpi::initTestCase() {
    // Without the second screen the moves below would prove nothing.
    QCOMPARE(QGuiApplication::screens().size(), 2);
    QCOMPARE(highScreen()->devicePixelRatio(), 2 * lowScreen()->devicePixelRatio());
}

void TestHiDpi::init() {
    m_link = TableSendRecorder();
    m_table = new Tchat(m_link);
    m_table->setMessageSink([](const QString&) {});
    m_table->setArguments({QStringLiteral("Ann"), QStringLiteral("10.0.0.5")});
}

void TestHiDpi::cleanup() {
    QFile::remove(m_table->settingsPath());
    delete m_table;
    m_table = nullptr;
}

void TestHiDpi::deliver(const QString& message) {
    m_table->received(message);
    while (m_table->queue().pending())
        m_table->queue().tick();
}

// Compares every picture of the table with the art at the table's ratio.
void TestHiDpi::checkTable(const QString& when) {
    const Shot shot = grabWindow(m_table);
    saveShot(shot, QStringLiteral("table-") + when);
    const qreal dpr = shot.dpr;
    Failures failures(shot);
    for (int n = 1; n <= 10; ++n) {
        auto* die = m_table->findChild<DieImage*>(QStringLiteral("image_d%1").arg(n));
        const DieImage::Picture pic = die->picture();
        if (!pic.blank) failures.check(die, art::die(pic.value, pic.colour, pic.framed, dpr));
    }
    Board* board = m_table->board();
    for (int s = 1; s <= 4; ++s) {
        failures.check(board->findChild<QWidget*>(QStringLiteral("image_slot%1").arg(s)),
                       art::scoreSheet(dpr));
        auto* eyes = board->findChild<QWidget*>(QStringLiteral("image_eyes%1").arg(s));
        if (eyes->isVisible()) failures.check(eyes, art::eyes(dpr));
    }
    auto* turn = board->findChild<QWidget*>(QStringLiteral("image_Turn"));
    if (turn->isVisible()) failures.check(turn, art::turnHighlight(dpr));
    auto* rolls = board->findChild<ArtImage*>(QStringLiteral("image_rolls"));
    if (rolls->index() >= 0) failures.check(rolls, art::rolls(rolls->index(), dpr));
    auto* example = board->findChild<ArtImage*>(QStringLiteral("image_example"));
    if (example->index() >= 0) failures.check(example, art::phaseExample(example->index(), dpr));
    auto* winner = board->findChild<QWidget*>(QStringLiteral("image_winner"));
    if (winner->isVisible()) failures.check(winner, art::winnerBanner(dpr));
    const std::pair<const char*, art::ButtonKind> buttons[] = {
        {"button_roll", art::ButtonKind::Roll},
        {"button_alldone", art::ButtonKind::AllDone},
        {"button_start", art::ButtonKind::Start}};
    for (const auto& [name, kind] : buttons) {
        auto* button = board->findChild<QWidget*>(QLatin1String(name));
        if (button->isVisible())
            failures.check(button, art::button(kind, art::ButtonState::Normal, dpr));
    }
    for (int k = 1; k <= 10; ++k)
        failures.check(m_table->findChild<QWidget*>(QStringLiteral("b_phrase%1").arg(k)),
                       art::phraseButton(k, art::ButtonState::Normal, dpr));
    failures.check(m_table->findChild<QWidget*>(QStringLiteral("image_logo")), art::logo(dpr));
    failures.check(board, art::topBanner(dpr), QPoint(1, 1));
    // The bare table below the banner, between the score sheets and the other controls.
    const QRect below(0, 131, Board::kWidth, Board::kHeight - 131);
    failures.check(board, tiledBackground(board->size(), below, dpr));
    QVERIFY2(failures.none(), qPrintable(when + QStringLiteral(": ") + failures.text()));

    // The same seen without the art to compare with: at a whole ratio of 2 or more, a
    // picture painted at 1x and blown up has every aligned block of pixels alike.
    if (dpr < 2 || dpr != qFloor(dpr)) return;
    for (const char* name : {"image_d1", "image_d2", "image_d10", "button_roll", "b_phrase10"}) {
        QWidget* w = m_table->findChild<QWidget*>(QLatin1String(name));
        if (!w->isVisible()) continue;
        const QRect device(w->mapTo(m_table, QPoint(0, 0)) * dpr, w->size() * dpr);
        const double share = blockiness(shot.image, device);
        QVERIFY2(share < 0.5, qPrintable(QStringLiteral("%1 %2 looks blown up: %3")
                                             .arg(when, QLatin1String(name))
                                             .arg(share)));
    }
}

void TestHiDpi::tableArtFollowsTheScreen() {
    placeOn(m_table, lowScreen());
    deliver(QStringLiteral("CMD_sendlogininfo+1"));
    deliver(QStringLiteral("CMD_newplayerinfo+1+Ann"));
    Board* board = m_table->board();
    board->setEyesVisible(4, true);
    m_table->session().startthegame(wire::read::startgame(QStringLiteral("Ann+0+0+f+")));
    m_table->session().getnextplayer(wire::read::nextplayer(QStringLiteral("1+3+2+")));
    deliver(QStringLiteral(
        "CMD_createdice+1+2+1+3+1+2+0+2+3+1+3+4+3+4+5+9+1+6+5+2+7+7+3+8+10+4+9+5+1+10+6+2"));
    for (int n : {1, 4, 9})
        board->image_d1MouseUp(n, Qt::LeftButton);
    QVERIFY(board->findChild<ArtImage*>(QStringLiteral("image_example"))->index() > 0);
    QVERIFY(board->findChild<QWidget*>(QStringLiteral("image_Turn"))->isVisible());
    checkTable(QStringLiteral("low"));

    // A window dragged to a denser screen re-makes every picture at the new ratio.
    placeOn(m_table, highScreen());
    checkTable(QStringLiteral("high"));

    m_table->session().winner(wire::read::winner(QStringLiteral("Dee+")));
    QVERIFY(board->findChild<QWidget*>(QStringLiteral("image_winner"))->isVisible());
    checkTable(QStringLiteral("winner-high"));
    placeOn(m_table, lowScreen());
    checkTable(QStringLiteral("winner-low"));
}

void TestHiDpi::infoWindowsFollowTheScreen() {
    Tabout about;
    Thelp help(&about);
    Tphrases phrases;
    Tspylist spies;
    Ttallylist tally(nullptr, [](const QString&) {});
    const std::pair<QWidget*, QString> windows[] = {{&about, QStringLiteral("about")},
                                                    {&help, QStringLiteral("help")},
                                                    {&phrases, QStringLiteral("phrases")},
                                                    {&spies, QStringLiteral("spylist")},
                                                    {&tally, QStringLiteral("tally")}};
    // Made while the lower screen is current, then moved: the pictures must follow.
    for (bool high : {false, true}) {
        for (const auto& [window, name] : windows) {
            placeOn(window, high ? highScreen() : lowScreen());
            const Shot shot = grabWindow(window);
            const QString where = high ? QStringLiteral("-high") : QStringLiteral("-low");
            saveShot(shot, name + where);
            Failures failures(shot);
            // Wherever no control sits, every window shows the table's background.
            failures.check(window, tiledBackground(window->size(), window->rect(), shot.dpr));
            if (window == &about) {
                // Whatever shows the logo, at the top in the middle.
                QWidget* logo = about.childAt(about.width() / 2, 43);
                QVERIFY(logo);
                failures.check(logo, art::aboutLogo(shot.dpr));
            }
            QVERIFY2(failures.none(),
                     qPrintable(name + where + QStringLiteral(": ") + failures.text()));
        }
    }
}

void TestHiDpi::windowIconHasEveryDensity() {
    // What a title bar, a task bar and a switcher ask for, at each screen's ratio.
    for (QScreen* screen : QGuiApplication::screens()) {
        const qreal dpr = screen->devicePixelRatio();
        for (int size : {16, 22, 24, 32, 48, 64}) {
            const QPixmap pm = art::appIcon().pixmap(QSize(size, size), dpr);
            const QString what = QStringLiteral("%1 at %2").arg(size).arg(dpr);
            QVERIFY2(pm.width() >= qRound(size * dpr) - 1, qPrintable(what));
            QVERIFY2(blockiness(pm.toImage(), pm.rect()) < 0.5, qPrintable(what));
        }
    }
}

int main(int argc, char** argv) {
    // Two screens side by side, the second of twice the density, as a laptop beside a
    // high-density monitor. QT_SCALE_FACTOR, when set, multiplies both.
    const QString config = QDir(QString::fromLocal8Bit(qgetenv("VIMBREL_TEST_TMP")))
                               .filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) return 2;
    file.write(R"({"screens": [
        {"name": "low", "x": 0, "y": 0, "width": 4000, "height": 3000,
         "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
        {"name": "high", "x": 4000, "y": 0, "width": 4000, "height": 3000,
         "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 2}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    QApplication app(argc, argv);
    TestHiDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hidpi.moc"
