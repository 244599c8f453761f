// Every message box, dialog and tooltip of the game and of the lobby program can be read:
// its text reaches the contrast web accessibility guidelines ask for (4.5 : 1) against
// what is behind it, as measured on the pixels of the real windows, in English and German.
#include "client/chatform.h"
#include "common/freeport.h"
#include "startup/launcher.h"
#include "startup/translations.h"
#include "widgets/plainlabel.h"
#include "zumveklobby/lobbywindow.h"
#include "zumveklobby/signindialog.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPointer>
#include <QTimer>
#include <QToolTip>
#include <QTranslator>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kReadable = 4.5;

// Every measurement, so the run can say how many it made and which came closest.
struct Measured {
    int count = 0;
    double lowest = 1e9;
    QString where;
    void note(double ratio, const QString& what) {
        ++count;
        if (ratio < lowest) std::tie(lowest, where) = std::pair(ratio, what);
    }
} g_measured;

// Relative luminance as web accessibility guidelines define it.
double luminance(QRgb c) {
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

double contrast(QRgb a, QRgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// How the text in `shown` stands out from `bare`, the same place without the text: the
// contrast its solid pixels reach (smoothed edges lie between the two colours). No text
// to be seen counts as unreadable.
double textContrast(const QImage& shown, const QImage& bare) {
    const QImage a = shown.convertToFormat(QImage::Format_RGB32);
    const QImage b = bare.convertToFormat(QImage::Format_RGB32);
    QList<double> ratios;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int distance =
                qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
            if (distance > 30) ratios << contrast(p, q);
        }
    if (ratios.size() < 20) return 0;
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() * 9 / 10];
}

// A box of one colour without its text: filled with the colour it shows most.
QImage bareBox(const QImage& shot) {
    QHash<QRgb, int> counts;
    const QImage rgb = shot.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            ++counts[rgb.pixel(x, y)];
    QRgb most = 0;
    int best = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > best) std::tie(most, best) = std::pair(it.key(), it.value());
    QImage bare(rgb.size(), QImage::Format_RGB32);
    bare.fill(most);
    return bare;
}

QPixmap grabArea(QWidget* window, const QWidget* inner) {
    return window->grab(QRect(inner->mapTo(window, QPoint()), inner->size()));
}

void saveShot(const QImage& shot, const QString& name) {
    QDir().mkpath(QStringLiteral(VIMBREL_SHOT_DIR));
    shot.save(QStringLiteral(VIMBREL_SHOT_DIR "/%1.png").arg(name));
}

QString nameOf(const QWidget* w) {
    return QString::fromLatin1(w->metaObject()->className()) + QLatin1Char('#') + w->objectName();
}

} // namespace

class TestReadable : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void boxesDialogsAndTooltips_data();
    void boxesDialogsAndTooltips();

private:
    QList<QWidget*> openWindows(Launcher& launcher);
    void checkMessageBox(QWidget* window, const QString& language);
    void checkTooltip(QWidget* widget, const QString& text, const QString& language);
    void checkDialogText(QDialog* dialog);
};

void TestReadable::initTestCase() {
    // Never the real game port: the launcher hosts the solo game on VIMBREL_PORT.
    qputenv("VIMBREL_PORT", QByteArray::number(freePort()));
    qputenv("VIMBREL_LOBBY_PORT", QByteArray::number(freePort()));
}

void TestReadable::cleanupTestCase() {
    qInfo("%d texts measured; the lowest contrast %.2f : 1, %s", g_measured.count,
          g_measured.lowest, qPrintable(g_measured.where));
    qunsetenv("VIMBREL_PORT");
    qunsetenv("VIMBREL_LOBBY_PORT");
}

void TestReadable::cleanup() {
    for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
}

// Every window the program makes, shown, and the two network dialogs of the File menu.
QList<QWidget*> TestReadable::openWindows(Launcher& launcher) {
    Tchat* table = launcher.table();
    table->show();
    for (const char* action : {"HostGame1", "JoinGame1"})
        if (auto* a = table->findChild<QAction*>(QString::fromLatin1(action))) a->trigger();
    QList<QWidget*> windows;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = w->windowType();
        if (type != Qt::Window && type != Qt::Dialog && type != Qt::Tool) continue;
        w->show();
        windows << w;
    }
    for (QWidget* w : windows)
        if (!QTest::qWaitForWindowExposed(w)) qWarning("not exposed: %s", qPrintable(nameOf(w)));
    return windows;
}

void TestReadable::checkMessageBox(QWidget* window, const QString& language) {
    double measured = -1;
    QImage shot;
    // The box runs its own loop; it is measured and closed from inside it.
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        poll.stop();
        QApplication::processEvents();
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        shot = box->grab().toImage();
        if (label) {
            const QImage text = grabArea(box, label).toImage();
            measured = textContrast(text, bareBox(text));
        }
        box->done(QMessageBox::Ok);
    });
    poll.start();
    // The message "Play with Others" shows without a lobby, in the player's language.
    plain::ask(window, QMessageBox::Information, QStringLiteral("Vimbrel"),
               QCoreApplication::translate(
                   "Tdownload",
                   "The Zumvek Lobby is not installed on this computer. Install the package "
                   "that holds zumveklobby (your distribution's software centre or package "
                   "manager), then choose \"Play with Others\" again."));
    const QString name = nameOf(window);
    saveShot(shot, QStringLiteral("box-%1-%2").arg(language, name));
    g_measured.note(measured, QStringLiteral("message box over %1 (%2)").arg(name, language));
    QVERIFY2(measured >= kReadable,
             qPrintable(QStringLiteral("message box over %1: %2 : 1").arg(name).arg(measured)));
}

void TestReadable::checkTooltip(QWidget* widget, const QString& text, const QString& language) {
    QToolTip::showText(widget->mapToGlobal(widget->rect().center()), text, widget);
    QWidget* tip = nullptr;
    QTRY_VERIFY((tip = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("qtooltip_label") && w->isVisible()) return w;
        return static_cast<QWidget*>(nullptr);
    }()));
    QVERIFY(QTest::qWaitForWindowExposed(tip));
    // Inside its border: the text against the tooltip's own fill.
    const QImage shot = tip->grab(tip->rect().adjusted(2, 2, -2, -2)).toImage();
    const double measured = textContrast(shot, bareBox(shot));
    // Qt deletes a hidden tooltip as it likes: watch it through a guarded pointer.
    const QPointer<QWidget> shown(tip);
    QToolTip::hideText();
    QTRY_VERIFY(!shown || !shown->isVisible());
    saveShot(shot, QStringLiteral("tip-%1-%2").arg(language, nameOf(widget)));
    g_measured.note(measured, QStringLiteral("tooltip of %1 (%2)").arg(nameOf(widget), language));
    QVERIFY2(measured >= kReadable,
             qPrintable(QStringLiteral("tooltip of %1: %2 : 1").arg(nameOf(widget)).arg(measured)));
}

// Each text a dialog shows against its background, measured with the text shown and hidden.
void TestReadable::checkDialogText(QDialog* dialog) {
    int texts = 0;
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(dialog) || label->text().isEmpty()) continue;
        ++texts;
        const QImage shown = grabArea(dialog, label).toImage();
        label->setVisible(false);
        const QImage bare = grabArea(dialog, label).toImage();
        label->setVisible(true);
        const double measured = textContrast(shown, bare);
        g_measured.note(measured,
                        QStringLiteral("\"%1\" in %2").arg(label->text(), nameOf(dialog)));
        QVERIFY2(measured >= kReadable, qPrintable(QStringLiteral("\"%1\" in %2: %3 : 1")
                                                       .arg(label->text(), nameOf(dialog))
                                                       .arg(measured)));
    }
    QVERIFY2(texts > 0, qPrintable(nameOf(dialog)));
}

void TestReadable::boxesDialogsAndTooltips_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << QStringLiteral("en");
    QTest::newRow("German") << QStringLiteral("de");
}

// A message box over each window, the tooltip of each control that has one and of a text
// in each window, and the texts of each dialog.
void TestReadable::boxesDialogsAndTooltips() {
    QFETCH(QString, language);
    if (language == QLatin1String("de")) {
        const QLocale german(QLocale::German, QLocale::Germany);
        QCOMPARE(i18n::installTranslators(german), language);
        QCOMPARE(i18n::installTranslators(german, QStringLiteral("zumveklobby")), language);
    }
    Launcher launcher({});
    zumvek::LobbyWindow lobby;
    zumvek::SignInDialog signIn;
    const QList<QWidget*> windows = openWindows(launcher);
    // The table, its six other windows and two network dialogs; the lobby and its sign-in.
    QVERIFY(windows.size() >= 11);
    for (QWidget* window : windows) {
        checkMessageBox(window, language);
        if (QTest::currentTestFailed()) return;
        for (QWidget* w : window->findChildren<QWidget*>())
            if (w->isVisibleTo(window) && !w->toolTip().isEmpty())
                checkTooltip(w, w->toolTip(), language);
        // A text's tooltip takes its look from the text's window.
        for (QLabel* label : window->findChildren<QLabel*>())
            if (label->isVisibleTo(window) && !label->text().isEmpty()) {
                checkTooltip(label, QCoreApplication::translate("Board", "Just watching"),
                             language);
                break;
            }
        if (QTest::currentTestFailed()) return;
        if (auto* dialog = qobject_cast<QDialog*>(window)) checkDialogText(dialog);
    }
}

QTEST_MAIN(TestReadable)
#include "tst_readable.moc"
