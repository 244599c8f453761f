// What a software centre shows of the game: screenshots of the real windows in a solo
// game (published from docs/screenshots and named in the metainfo), and the scalable
// icon, which must look like the painted one.
#include "client/board/board.h"
#include "client/chatform.h"
#include "common/freeport.h"
#include "rules/rules.h"
#include "server/tserver.h"
#include "startup/launcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QtTest>

namespace {

// Fresh shots go to the build folder; `cmake --build build --target update_screenshots`
// points this at docs/screenshots.
QString shotFolder() {
    const QString out = qEnvironmentVariable("VIMBREL_SCREENSHOT_OUT");
    return out.isEmpty() ? QStringLiteral(VIMBREL_SHOT_DIR) : out;
}

void saveShot(QWidget* window, const QString& name) {
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(QDir().mkpath(shotFolder()));
    QVERIFY(window->grab().save(QDir(shotFolder()).filePath(name)));
}

template <class W> W* find(QWidget* root, const char* name) {
    return root->findChild<W*>(QString::fromLatin1(name));
}

bool shows(QWidget* root, const char* button) {
    auto* b = find<QAbstractButton>(root, button);
    return b && b->isVisibleTo(root);
}

// The picture names the metainfo publishes, in order.
QStringList publishedShots() {
    QFile file(QStringLiteral(VIMBREL_METAINFO));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList names;
    static const QRegularExpression image(QStringLiteral("<image[^>]*>[^<]*/([^/<]+)</image>"));
    for (const QRegularExpressionMatch& m : image.globalMatch(QString::fromUtf8(file.readAll())))
        names << m.captured(1);
    return names;
}

double meanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            sum += qAbs(p.red() - q.red()) + qAbs(p.green() - q.green()) +
                   qAbs(p.blue() - q.blue()) + qAbs(p.alpha() - q.alpha());
        }
    return sum / (4.0 * a.width() * a.height());
}

} // namespace

class TestShowcase : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void soloGameAndTheRules();
    void publishedScreenshotsMatchTheWindows();
    void scalableIconLooksLikeThePaintedOne();
    void scalableIconLooksAlikeInLibrsvg();

private:
    void playOwnTurn(Tchat* table, TServer* server, bool finish);
    QMap<QString, QSize> m_taken;
};

void TestShowcase::initTestCase() {
    // Never the real game port: the launcher hosts the solo game on VIMBREL_PORT.
    qputenv("VIMBREL_PORT", QByteArray::number(freePort()));
    qputenv("VIMBREL_LOBBY_PORT", QByteArray::number(freePort()));
}

void TestShowcase::cleanupTestCase() {
    qunsetenv("VIMBREL_PORT");
    qunsetenv("VIMBREL_LOBBY_PORT");
}

// Rolls until the last roll, keeping what the computer's strategy would keep, and ends
// the turn when `finish` is set (otherwise it stops with the dice on the table).
void TestShowcase::playOwnTurn(Tchat* table, TServer* server, bool finish) {
    Board* board = table->board();
    QTRY_VERIFY_WITH_TIMEOUT(shows(table, "button_roll"), 10000);
    QTest::mouseClick(find<QAbstractButton>(table, "button_roll"), Qt::LeftButton);
    const int phase = server->record(table->state().ownSeat).phase;
    for (int roll = 1;; ++roll) {
        QTRY_VERIFY_WITH_TIMEOUT(shows(table, "button_alldone"), 10000);
        rules::Dice dice{};
        for (int n = 1; n <= 10; ++n)
            dice[n] = {board->trayDie(n).value, board->trayDie(n).colour, false};
        const rules::Plan plan = rules::computerplay(phase, dice);
        for (int n = 1; n <= 10; ++n)
            if ((plan[n] == 1) != board->trayDie(n).held)
                QTest::mouseClick(
                    find<QWidget>(table, QByteArray("image_d" + QByteArray::number(n)).constData()),
                    Qt::LeftButton);
        if (roll == 2 && !finish) return;
        if (roll == 3 || !shows(table, "button_roll")) break;
        QTest::mouseClick(find<QAbstractButton>(table, "button_roll"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!shows(table, "button_roll") && !shows(table, "button_alldone"),
                                 2000);
    }
    QTest::mouseClick(find<QAbstractButton>(table, "button_alldone"), Qt::LeftButton);
}

// The launcher builds every window as the program does; a solo game against Klot is
// played into its second round and the table and the rules are photographed.
void TestShowcase::soloGameAndTheRules() {
    Launcher launcher({});
    TServer* server = launcher.server();
    server->setFaceSource(rules::seededFaces(20261207));
    server->queue().timer().setInterval(0);
    server->timer1().setInterval(1);
    Tchat* table = launcher.table();
    table->show();
    QTRY_COMPARE_WITH_TIMEOUT(table->state().ownSeat, 1, 10000);
    QTRY_VERIFY(shows(table, "button_start"));
    QTest::mouseClick(find<QAbstractButton>(table, "button_start"), Qt::LeftButton);
    QTRY_VERIFY(server->gameon());
    // A chat line from the phrase buttons, as players send them.
    QTest::mouseClick(find<QAbstractButton>(table, "b_phrase1"), Qt::LeftButton);

    playOwnTurn(table, server, true);
    // Klot's turn goes by; then, mid-turn in the second round, the dice are on the table.
    QTRY_VERIFY_WITH_TIMEOUT(table->state().turnSeat == 1 && shows(table, "button_roll"), 60000);
    playOwnTurn(table, server, false);
    QVERIFY(shows(table, "button_alldone"));
    saveShot(table, QStringLiteral("table.png"));
    m_taken.insert(QStringLiteral("table.png"), table->size());

    QAction* help = table->findChild<QAction*>(QStringLiteral("Content1"));
    QVERIFY(help);
    help->trigger();
    QWidget* helpWindow = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QLatin1String("Vimbrel - Help File"))
            helpWindow = w;
    QVERIFY(helpWindow);
    QTest::mouseClick(find<QAbstractButton>(helpWindow, "SelButton3"), Qt::LeftButton);
    QCOMPARE(find<QLabel>(helpWindow, "caption")->text(), QStringLiteral("Game Play"));
    saveShot(helpWindow, QStringLiteral("help.png"));
    m_taken.insert(QStringLiteral("help.png"), helpWindow->size());
}

// Every picture the metainfo names is in docs/screenshots, and is as large as the
// window it shows is now: a window that changed size needs new pictures
// (`cmake --build build --target update_screenshots`).
void TestShowcase::publishedScreenshotsMatchTheWindows() {
    const QStringList names = publishedShots();
    QVERIFY2(!names.isEmpty(), VIMBREL_METAINFO);
    QCOMPARE(QSet<QString>(names.begin(), names.end()),
             QSet<QString>(m_taken.keyBegin(), m_taken.keyEnd()));
    for (const QString& name : names) {
        const QString path = QStringLiteral(VIMBREL_DOCS_SHOTS "/") + name;
        QImage shot;
        QVERIFY2(shot.load(path, "PNG"), qPrintable(path));
        QCOMPARE(shot.size(), m_taken.value(name));
    }
}

namespace {

QString iconFile(const char* relative) {
    return QStringLiteral(VIMBREL_ICON_DIR "/") + QLatin1String(relative);
}

// The drawn picture is the painted 256 pixel icon, allowing for anti-aliasing: on
// average within a few levels of 255.
void compareWithPaintedIcon(const QImage& drawn, const QString& renderer) {
    QImage painted;
    QVERIFY(painted.load(iconFile("256x256/" VIMBREL_APP_ID ".png")));
    QCOMPARE(drawn.size(), painted.size());
    QDir().mkpath(QStringLiteral(VIMBREL_SHOT_DIR));
    drawn.save(QStringLiteral(VIMBREL_SHOT_DIR "/icon-%1.png").arg(renderer));
    const double difference = meanDifference(painted.convertToFormat(QImage::Format_ARGB32),
                                             drawn.convertToFormat(QImage::Format_ARGB32));
    QVERIFY2(difference < 3.0,
             qPrintable(renderer + QStringLiteral(": ") + QString::number(difference)));
}

} // namespace

void TestShowcase::scalableIconLooksLikeThePaintedOne() {
    const QString file = iconFile("scalable/" VIMBREL_APP_ID ".svg");
    QSvgRenderer svg(file);
    QVERIFY(svg.isValid());
    QImage drawn(256, 256, QImage::Format_ARGB32);
    drawn.fill(Qt::transparent);
    QPainter p(&drawn);
    svg.render(&p, QRectF(0, 0, 256, 256));
    p.end();
    compareWithPaintedIcon(drawn, QStringLiteral("qt"));
    // Drawn as shapes, not as one picture inside the file, so it stays sharp when large.
    QFile text(file);
    QVERIFY(text.open(QIODevice::ReadOnly));
    const QByteArray body = text.readAll();
    QVERIFY(body.count("<path") >= 10);
}

// GNOME and most other desktops draw SVG icons with librsvg, not with Qt.
void TestShowcase::scalableIconLooksAlikeInLibrsvg() {
    const QString rsvg = QStandardPaths::findExecutable(QStringLiteral("rsvg-convert"));
    if (rsvg.isEmpty()) QSKIP("rsvg-convert is not installed (./dev installs librsvg2-bin)");
    QProcess convert;
    convert.start(rsvg, {QStringLiteral("-w"), QStringLiteral("256"), QStringLiteral("-h"),
                         QStringLiteral("256"), iconFile("scalable/" VIMBREL_APP_ID ".svg")});
    QVERIFY(convert.waitForFinished(30000));
    QCOMPARE(convert.exitCode(), 0);
    QImage drawn;
    QVERIFY(drawn.loadFromData(convert.readAllStandardOutput(), "PNG"));
    compareWithPaintedIcon(drawn, QStringLiteral("librsvg"));
}

QTEST_MAIN(TestShowcase)
#include "tst_showcase.moc"
