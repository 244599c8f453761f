// The help book, the about box and the address component behind its link.
#include "lobby/aboutform.h"
#include "lobby/helpform.h"
#include "lobby/urlopener.h"
#include "widgets/hoverbutton.h"

#include <QDir>
#include <QLabel>
#include <QTextBrowser>
#include <QtTest>

Q_DECLARE_METATYPE(URLType)

namespace {

void saveShot(QWidget& window, const QString& name) {
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QDir().mkpath(QStringLiteral(VIMBREL_SCREENSHOT_DIR));
    QVERIFY(window.grab().save(QStringLiteral(VIMBREL_SCREENSHOT_DIR "/") + name));
}

} // namespace

class TestInfoWindows : public QObject {
    Q_OBJECT
private slots:
    void helpPagesFollowButtonTags() {
        Thelp help;
        QCOMPARE(help.windowTitle(), QStringLiteral("Vimbrel - Help File"));
        QCOMPARE(help.size(), QSize(521, 422));
        QCOMPARE(help.currentPage(), help.page(1));
        QCOMPARE(help.label_caption->text(), QStringLiteral("Overview"));
        for (int n = 1; n <= 6; ++n) {
            QVERIFY(help.page(n));
            QVERIFY2(help.page(n)->toPlainText().size() > 300, qPrintable(QString::number(n)));
        }
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QCOMPARE(help.currentPage()->size(), QSize(382, 400));

        QTest::mouseClick(help.SelButton6, Qt::LeftButton);
        QCOMPARE(help.currentPage()->objectName(), QStringLiteral("memo6"));
        QCOMPARE(help.label_caption->text(), QStringLiteral("License"));
        QCOMPARE(help.currentPage()->size(), QSize(382, 400));
        QVERIFY(help.currentPage()->toPlainText().contains("Copyright (c) Zumvek Software"));

        QTest::mouseClick(help.SelButton5, Qt::LeftButton);
        QCOMPARE(help.currentPage()->objectName(), QStringLiteral("memo5"));
        QCOMPARE(help.label_caption->text(), QStringLiteral("Documentation"));
        const QString history = help.currentPage()->toPlainText();
        QVERIFY(history.indexOf("1.0.7.8") >= 0);
        QVERIFY(history.indexOf("1.0.7.8") < history.indexOf("1.0.0.0")); // newest first
        QVERIFY(help.SelButton5->isChecked());
        QVERIFY(!help.SelButton6->isChecked());

        // The page last chosen stays in front between showings.
        QTest::mouseClick(help.button_done, Qt::LeftButton);
        QVERIFY(!help.isVisible());
        help.show();
        QCOMPARE(help.currentPage(), help.page(5));
    }

    void aboutOpensOverHelp() {
        Tabout about;
        Thelp help(&about);
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QTest::mouseClick(help.button_about, Qt::LeftButton);
        QVERIFY(about.isVisible());
        QVERIFY(!about.isModal());
        QVERIFY(help.isVisible());
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&about));
        QTest::mouseClick(about.button_done, Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QVERIFY(help.isVisible());
    }

    void aboutShowsVersion() {
        Tabout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Vimbrel - About"));
        QCOMPARE(about.size(), QSize(304, 174));
        QCOMPARE(about.versionText(), QStringLiteral("1.0.7"));
        QCOMPARE(about.version->text(), QStringLiteral("1.0.7"));
        // The labels on the version row read, left to right, "Version 1.0.7.8".
        QList<QLabel*> row;
        for (QLabel* label : about.findChildren<QLabel*>())
            if (label->y() == about.version->y()) row << label;
        std::sort(row.begin(), row.end(), [](QLabel* a, QLabel* b) { return a->x() < b->x(); });
        QString text;
        for (int i = 0; i < row.size(); ++i) {
            if (i > 0) QVERIFY(row[i - 1]->geometry().right() < row[i]->x());
            text += row[i]->text() + (i == 0 ? QStringLiteral(" ") : QString());
        }
        QCOMPARE(text, QStringLiteral("Version 1.0.7.8"));
    }

    void aboutLinkOpensMakerPage() {
        Tabout about;
        QList<QUrl> opened;
        about.URL1.setOpener([&opened](const QUrl& url) {
            opened << url;
            return true;
        });
        about.show();
        QTest::mouseClick(about.Label7, Qt::LeftButton);
        QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("http://www.zumvek.com"))});
        QCOMPARE(about.Label7->text(), QStringLiteral("www.zumvek.com"));
    }

    void urlSchemes_data() {
        QTest::addColumn<URLType>("type");
        QTest::addColumn<QString>("address");
        QTest::newRow("file") << URLType::utFile << "file:///tmp/readme.txt";
        QTest::newRow("ftp") << URLType::utFtp << "ftp:///tmp/readme.txt";
        QTest::newRow("gopher") << URLType::utGopher << "gopher:///tmp/readme.txt";
        QTest::newRow("http") << URLType::utHttp << "http:///tmp/readme.txt";
        QTest::newRow("https") << URLType::utHttps << "https:///tmp/readme.txt";
        QTest::newRow("mailto") << URLType::utMailto << "mailto:/tmp/readme.txt";
        QTest::newRow("news") << URLType::utNews << "news:/tmp/readme.txt";
        QTest::newRow("telnet") << URLType::utTelnet << "telnet:/tmp/readme.txt";
        QTest::newRow("wais") << URLType::utWais << "wais:/tmp/readme.txt";
        QTest::newRow("none") << URLType::utnone << "/tmp/readme.txt";
    }

    void urlSchemes() {
        QFETCH(URLType, type);
        QFETCH(QString, address);
        TURL url;
        QCOMPARE(url.urlType(), URLType::utHttp);
        QString opened;
        url.setOpener([&opened](const QUrl& target) {
            opened = target.toString();
            return true;
        });
        url.setURLType(type);
        url.setURL(QStringLiteral("/tmp/readme.txt"));
        QCOMPARE(url.fullAddress(), address);
        QVERIFY(url.open());
        QCOMPARE(opened, address);
    }

    void urlOpenFailures() {
        TURL url;
        int calls = 0;
        bool accept = true;
        url.setOpener([&](const QUrl&) {
            ++calls;
            return accept;
        });
        QVERIFY(!url.open()); // empty address: nothing is opened
        QCOMPARE(calls, 0);
        url.setURL(QStringLiteral("player@example.org"));
        url.setURLType(URLType::utMailto);
        accept = false;
        QVERIFY(!url.open()); // the system refused
        QCOMPARE(calls, 1);
    }

    void screenshots() {
        Tabout about;
        Thelp help(&about);
        help.show();
        saveShot(help, QStringLiteral("help-overview.png"));
        QTest::mouseClick(help.SelButton3, Qt::LeftButton);
        saveShot(help, QStringLiteral("help-gameplay.png"));
        QTest::mouseClick(help.SelButton4, Qt::LeftButton);
        saveShot(help, QStringLiteral("help-scoring.png"));
        about.show();
        saveShot(about, QStringLiteral("about.png"));
    }
};

QTEST_MAIN(TestInfoWindows)
#include "tst_infowindows.moc"
