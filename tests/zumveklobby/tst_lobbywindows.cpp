// The lobby's windows as a player and a screen reader meet them, and the game started
// for real (offscreen) through the lobby link on 127.0.0.1.
#include "common/freeport.h"
#include "startup/translations.h"
#include "zumveklobby/bestplayers.h"
#include "zumveklobby/gamelauncher.h"
#include "zumveklobby/launchplan.h"
#include "zumveklobby/lobbywindow.h"
#include "zumveklobby/passwordstore.h"
#include "zumveklobby/ratingbook.h"
#include "zumveklobby/signindialog.h"
#include "zumveklobby/tableview.h"

#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTextDocument>
#include <QTranslator>
#include <QtTest>

namespace {

lobby::Table table(const QString& key, const QString& name) {
    lobby::Table t;
    t.key = key;
    t.id = QStringLiteral("main");
    t.name = name;
    t.host = QStringLiteral("Ann");
    t.ipv4 = QStringLiteral("198.51.100.7");
    t.port = 7772;
    t.seats = 2;
    t.spectators = 1;
    return t;
}

QStringList accessibleNames(const QWidget* w) {
    QStringList names;
    for (const QWidget* c : w->findChildren<QWidget*>())
        if (!c->accessibleName().isEmpty()) names << c->accessibleName();
    return names;
}

void saveShot(QWidget* w, const QString& name) {
    QDir().mkpath(QStringLiteral(VIMBREL_SCREENSHOT_DIR));
    w->grab().save(QStringLiteral(VIMBREL_SCREENSHOT_DIR "/") + name + QStringLiteral(".png"));
}

lobby::RatedPlayer rated(const QString& name, int rating, int games) {
    return lobby::RatedPlayer{name, rating, games};
}

// The people in the room with what `book` knows of their ratings, as the program shows them.
void showRatings(zumvek::LobbyWindow& w, const zumvek::RatingBook& book, const QStringList& nicks) {
    QList<zumvek::LobbyWindow::Person> people;
    for (const QString& nick : nicks) {
        zumvek::LobbyWindow::Person p{nick, {}, false};
        if (const auto r = book.of(nick)) {
            p.rating = r->rating;
            p.games = r->games;
        }
        people << p;
    }
    w.setPeople(people);
    w.setBestPlayers(book.best());
}

QString ratingShown(const zumvek::LobbyWindow& w, int row) {
    return w.online->item(row)->data(zumvek::LobbyWindow::kRatingRole).toString();
}

QStringList bestRow(const zumvek::LobbyWindow& w, int row) {
    QStringList cells;
    for (int c = 0; c < zumvek::BestPlayersDialog::ColumnCount; ++c)
        cells << w.bestPlayers->table->item(row, c)->text();
    return cells;
}

void fillLobby(zumvek::LobbyWindow& w) {
    lobby::Table full = table("t2", QStringLiteral("Friday night"));
    full.seats = 4;
    full.state = lobby::TableState::Playing;
    full.reach = lobby::Reach::Reachable;
    lobby::Table far = table("t3", QStringLiteral("Bob's table"));
    far.host = QStringLiteral("Bob");
    far.reach = lobby::Reach::Unreachable;
    far.reason = QStringLiteral("no answer from 198.51.100.9:7772");
    lobby::Table server = table("t4", QStringLiteral("Cleo's table"));
    server.host = QStringLiteral("Cleo");
    server.serverTable = true;
    w.setTables({full, far, server});
    w.setPeople({{QStringLiteral("Ann"), QStringLiteral("Friday night"), false, false, 31, 12},
                 {QStringLiteral("Bob"), {}, false, false, -2, 3},
                 {QStringLiteral("Dora"), QStringLiteral("Friday night"), true}});
    w.setBestPlayers({rated("Cleo", 44, 30), rated("Ann", 31, 12), rated("Bob", -2, 3)});
    w.setStatus(QStringLiteral("In the lobby at lobby.zumvek.com as Bob."));
    w.addChat(QStringLiteral("Ann"), QStringLiteral("Anyone for a game?"));
    w.addChat(QStringLiteral("Bob"), QStringLiteral("Sure, I am in."));
    w.setInRoom(true);
    w.tables->selectRow(1);
}

} // namespace

class TestLobbyWindows : public QObject {
    Q_OBJECT
private slots:
    void everythingFromTheNetworkIsShownAsText() {
        zumvek::LobbyWindow w;
        lobby::Table t = table("t1", QStringLiteral("<b>Ann</b> &amp; <img src=x>"));
        t.host = QStringLiteral("<i>Eve</i>");
        t.reach = lobby::Reach::Unreachable;
        t.reason = QStringLiteral("<a href='x'>refused</a> & <b>gone</b>");
        w.setTables({t});
        QCOMPARE(w.tables->item(0, zumvek::TableView::Name)->text(), t.name);
        QCOMPARE(w.tables->item(0, zumvek::TableView::Host)->text(), t.host);
        QCOMPARE(w.tables->item(0, zumvek::TableView::Players)->text(), QStringLiteral("2/4"));
        QCOMPARE(w.tables->item(0, zumvek::TableView::Spectators)->text(), QStringLiteral("1/5"));
        // A tooltip would take markup; the reason reads back exactly as it came.
        QTextDocument tip;
        tip.setHtml(w.tables->item(0, zumvek::TableView::Reachable)->toolTip());
        QCOMPARE(tip.toPlainText().trimmed(), t.reason);

        w.addChat(QStringLiteral("<b>Eve</b>"), QStringLiteral("<a href='x'>click</a>"));
        QVERIFY(w.chatView->toPlainText().endsWith(
            QStringLiteral("<b>Eve</b>: <a href='x'>click</a>")));
        w.setPeople({{QStringLiteral("<u>Mo</u>"), QStringLiteral("<b>t</b>"), true}});
        QVERIFY(w.online->item(0)->text().startsWith(QStringLiteral("<u>Mo</u>")));
        QVERIFY(w.online->item(0)->text().contains(QStringLiteral("<b>t</b>")));
    }

    void ratingsBesideNamesAndTheBestPlayers() {
        zumvek::LobbyWindow w;
        w.setInRoom(true);
        zumvek::BestPlayersDialog* best = w.bestPlayers;
        QVERIFY(!best->isVisible());
        QTest::mouseClick(w.bestButton, Qt::LeftButton);
        QVERIFY(best->isVisible());
        QVERIFY(best->emptyLine->isVisible());
        QCOMPARE(best->emptyLine->text(), QStringLiteral("No games have been rated yet."));

        // The bot's answer, as the session receives it; markup in a name is only text.
        const QString mo = QStringLiteral("<b>Mo</b> &amp;");
        const QStringList nicks{mo, QStringLiteral("ann"), QStringLiteral("zed")};
        lobby::Ratings whole;
        whole.hasBest = true;
        whole.best = {rated(mo, 31, 12), rated("bob", -2, 3)};
        whole.online = {rated(mo, 31, 12), rated("ann", 5, 1)};
        zumvek::RatingBook book;
        QVERIFY(book.takeAnswer(lobby::make(QStringLiteral("iq"))
                                    .set(QStringLiteral("type"), QStringLiteral("result"))
                                    .add(lobby::ratingsElement(whole))));
        showRatings(w, book, nicks);
        w.resize(900, 560);
        saveShot(&w, QStringLiteral("lobby-ratings-en"));
        QCOMPARE(w.online->item(0)->text(), mo);
        QCOMPARE(ratingShown(w, 0), QStringLiteral("31"));
        QCOMPARE(ratingShown(w, 1), QStringLiteral("5"));
        QCOMPARE(ratingShown(w, 2), QString()); // no rated game: nothing beside the name
        QVERIFY(!best->emptyLine->isVisible());
        QCOMPARE(best->table->rowCount(), 2);
        QCOMPARE(bestRow(w, 0), (QStringList{"1", mo, "31", "12"}));
        QCOMPARE(bestRow(w, 1), (QStringList{"2", "bob", "-2", "3"}));

        // A change in the room: ann's rating and the best list, while the window is open.
        lobby::Ratings push;
        push.hasBest = true;
        push.best = {rated("ann", 40, 2), rated(mo, 31, 12)};
        push.online = {rated("ann", 40, 2)};
        QVERIFY(book.takeChange(lobby::ratingsElement(push)));
        showRatings(w, book, nicks);
        QCOMPARE(ratingShown(w, 0), QStringLiteral("31"));
        QCOMPARE(ratingShown(w, 1), QStringLiteral("40"));
        QCOMPARE(bestRow(w, 0), (QStringList{"1", "ann", "40", "2"}));
        QCOMPARE(bestRow(w, 1), (QStringList{"2", mo, "31", "12"}));
        // One the reader refuses (a name past the limit) shows nothing of itself.
        lobby::Ratings refused = push;
        refused.online = {rated("ann", 90, 3), rated(QString(lobby::kMaxNick + 1, u'z'), 1, 1)};
        refused.best = {rated("zed", 90, 3)};
        QVERIFY(!book.takeChange(lobby::ratingsElement(refused)));
        showRatings(w, book, nicks);
        QCOMPARE(ratingShown(w, 1), QStringLiteral("40"));
        QCOMPARE(bestRow(w, 0), (QStringList{"1", "ann", "40", "2"}));
        QCOMPARE(ratingShown(w, 2), QString());

        // Out of the room the list is gone, and the line says why.
        w.setInRoom(false);
        w.setBestPlayers({});
        QVERIFY(best->emptyLine->isVisible());
        QVERIFY(!best->table->isVisible());
        QVERIFY(best->emptyLine->text().contains(QStringLiteral("once you are in the lobby")));
    }

    void keyboardAndScreenReaderNames() {
        zumvek::LobbyWindow w;
        const QStringList names = accessibleNames(&w);
        for (const char* n :
             {"Join", "Watch", "Host a Table", "Host on the Server", "Play Solo", "Tables",
              "Online", "Chat", "Message", "Best Players", "Best players"})
            QVERIFY2(names.contains(QLatin1String(n)), n);
        for (QPushButton* b : w.findChildren<QPushButton*>())
            QVERIFY2(b->text().contains(u'&'), qPrintable(b->text())); // a mnemonic each

        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.soloButton->setFocus(); // away from the list, which would pick a table
        w.setTables({table("t1", QStringLiteral("One")), table("t2", QStringLiteral("Two"))});
        // Out of the room, or with nothing chosen, only the solo game can start.
        QVERIFY(!w.joinButton->isEnabled());
        QVERIFY(w.soloButton->isEnabled());
        w.setInRoom(true);
        QVERIFY(!w.joinButton->isEnabled());
        QVERIFY(w.hostButton->isEnabled());
        QSignalSpy joins(&w, &zumvek::LobbyWindow::joinClicked);
        // Tabbing into the list picks a table, so Enter joins it.
        w.hostButton->setFocus();
        QTest::keyClick(w.hostButton, Qt::Key_Backtab); // Join and Watch wait for a table
        QVERIFY(w.tables->hasFocus());
        QCOMPARE(w.tables->selectedKey(), QStringLiteral("t1"));
        QTest::keyClick(w.tables, Qt::Key_Down);
        QVERIFY(w.joinButton->isEnabled());
        QTest::keyClick(w.tables, Qt::Key_Return);
        QCOMPARE(joins.size(), 1);
        QCOMPARE(joins[0][0].toString(), QStringLiteral("t2"));
        QCOMPARE(joins[0][1].toBool(), false);
        QTest::mouseClick(w.watchButton, Qt::LeftButton);
        QCOMPARE(joins.size(), 2);
        QCOMPARE(joins[1][1].toBool(), true);
        // The list keeps the chosen table chosen when it changes around it.
        w.setTables({table("t0", QStringLiteral("Zero")), table("t2", QStringLiteral("Two"))});
        QCOMPARE(w.tables->selectedKey(), QStringLiteral("t2"));

        // While a game runs, no second one starts from here.
        w.setGameRunning(true);
        for (QPushButton* b :
             {w.joinButton, w.watchButton, w.hostButton, w.serverButton, w.soloButton})
            QVERIFY2(!b->isEnabled(), qPrintable(b->accessibleName()));
        QTest::keyClick(w.tables, Qt::Key_Return);
        QCOMPARE(joins.size(), 2);
    }

    void signInDialog() {
        zumvek::SignInDialog d;
        const QStringList names = accessibleNames(&d);
        for (const char* n :
             {"Server", "Account", "Password", "Log in", "Create account", "Come in as a guest"})
            QVERIFY2(names.contains(QLatin1String(n)), n);
        QCOMPARE(d.passwordEdit->echoMode(), QLineEdit::Password);
        d.setValues(QStringLiteral("lobby.zumvek.com"), QStringLiteral("ann"), {});
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QSignalSpy chosen(&d, &zumvek::SignInDialog::chosen);
        QTest::keyClicks(d.passwordEdit, QStringLiteral("secret"));
        QTest::keyClick(d.passwordEdit, Qt::Key_Return);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen[0][0].value<zumvek::SignInDialog::Way>(), zumvek::SignInDialog::Way::LogIn);
        QTest::mouseClick(d.guestButton, Qt::LeftButton);
        QCOMPARE(chosen[1][0].value<zumvek::SignInDialog::Way>(), zumvek::SignInDialog::Way::Guest);
        // A server's refusal is shown as the text it is.
        d.setProblem(QStringLiteral("<b>not-authorized</b>"));
        QCOMPARE(d.problemLabel->textFormat(), Qt::PlainText);
        saveShot(&d, QStringLiteral("signin-en"));
    }

    void withoutASecretStoreNoPasswordIsKept() {
        // No session bus here (a private runtime folder), so no secret store.
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        zumvek::PasswordStore store;
        QString problem = QStringLiteral("<none yet>");
        const QString secret = QStringLiteral("pw-9f2c81d0");
        store.write(QStringLiteral("lobby.zumvek.com"), QStringLiteral("ann"), secret,
                    [&problem](const QString& p) { problem = p; });
        QTRY_VERIFY_WITH_TIMEOUT(problem != QLatin1String("<none yet>"), 30000);
        if (problem.isEmpty()) QSKIP("this machine has a secret store; nothing to check");
        QVERIFY2(problem.contains(QStringLiteral("not saved")), qPrintable(problem));
        // And not in any file instead: the whole private home and settings are searched.
        const QString root = qEnvironmentVariable("VIMBREL_TEST_TMP");
        QVERIFY(!root.isEmpty());
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (f.fileName().endsWith(QLatin1String("output.txt")) || !f.open(QIODevice::ReadOnly))
                continue;
            QVERIFY2(!f.readAll().contains(secret.toUtf8()), qPrintable(f.fileName()));
        }
        QString read = QStringLiteral("<none yet>");
        store.read(QStringLiteral("lobby.zumvek.com"), QStringLiteral("ann"),
                   [&read](const QString& p) { read = p; });
        QTRY_COMPARE_WITH_TIMEOUT(read, QString(), 30000);
    }

    void theGameRunsThroughTheLobbyLink() {
        // Private ports for the game and its link, as the game reads them too.
        qputenv("VIMBREL_PORT", QByteArray::number(freePort()));
        qputenv("VIMBREL_LOBBY_PORT", QByteArray::number(freePort()));
        zumvek::GameLauncher launcher;
        QSignalSpy linked(&launcher, &zumvek::GameLauncher::linkOpened);
        QSignalSpy ended(&launcher, &zumvek::GameLauncher::ended);
        QString error;
        QVERIFY2(launcher.start(VIMBREL_EXE, zumvek::hostArguments("Ann"), &error),
                 qPrintable(error));
        QTRY_COMPARE_WITH_TIMEOUT(linked.size(), 1, 15000);
        QVERIFY(launcher.linked());
        // One game at a time.
        QVERIFY(!launcher.start(VIMBREL_EXE, {}, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(ended.size(), 0);
        // The game goes: its link closes, and that is the end of the game for the lobby.
        launcher.process()->terminate();
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 10000);
        QVERIFY(!launcher.running());

        // A game that never opens the link ends with its process.
        QVERIFY(launcher.start(VIMBREL_EXE, {"--version"}, &error));
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 2, 10000);
        QCOMPARE(linked.size(), 1);
        QVERIFY(!launcher.start(QStringLiteral("/nonexistent/vimbrel"), {}, &error));
        QVERIFY(!launcher.running());
    }

    void germanAndScreenshots() {
        {
            zumvek::LobbyWindow w;
            fillLobby(w);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            saveShot(&w, QStringLiteral("lobby-en"));
            w.showBestPlayers();
            QVERIFY(QTest::qWaitForWindowExposed(w.bestPlayers));
            saveShot(w.bestPlayers, QStringLiteral("bestplayers-en"));
        }
        QCOMPARE(i18n::installTranslators(QLocale(QLocale::German), QStringLiteral("zumveklobby")),
                 QStringLiteral("de"));
        zumvek::LobbyWindow w;
        fillLobby(w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.joinButton->text() != QLatin1String("&Join"));
        QVERIFY(w.tables->horizontalHeaderItem(0)->text() != QLatin1String("Table"));
        saveShot(&w, QStringLiteral("lobby-de"));
        w.showBestPlayers();
        QVERIFY(QTest::qWaitForWindowExposed(w.bestPlayers));
        QVERIFY(w.bestPlayers->windowTitle() != QLatin1String("Best Players"));
        saveShot(w.bestPlayers, QStringLiteral("bestplayers-de"));
        w.bestPlayers->hide();
        zumvek::SignInDialog d;
        d.setValues(QStringLiteral("lobby.zumvek.com"), QStringLiteral("bob"), {});
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QVERIFY(d.logInButton->text() != QLatin1String("&Log in"));
        saveShot(&d, QStringLiteral("signin-de"));
    }

    void everyTextIsTranslated() {
        // lupdate over the sources into a copy of the committed file: anything new shows
        // as unfinished there.
        QTemporaryDir dir;
        const QString fresh = dir.filePath(QStringLiteral("zumveklobby_de.ts"));
        QVERIFY(QFile::copy(QStringLiteral(ZUMVEKLOBBY_TS), fresh));
        QFile::setPermissions(fresh, QFile::ReadOwner | QFile::WriteOwner);
        QProcess lupdate;
        lupdate.start(QStringLiteral(LUPDATE_EXE),
                      {"-silent", "-no-obsolete", "-locations", "none", "-I",
                       QStringLiteral(SRC_DIR), QStringLiteral(SRC_DIR "/zumveklobby"),
                       QStringLiteral(SRC_DIR "/xmpp"), "-ts", fresh});
        QVERIFY(lupdate.waitForFinished(60000));
        QCOMPARE(lupdate.exitCode(), 0);
        QFile f(fresh);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.count("<message>") > 50);
        int at = text.indexOf("unfinished");
        QVERIFY2(at < 0, text.mid(qMax(0, at - 300), 400).constData());
    }
};

QTEST_MAIN(TestLobbyWindows)
#include "tst_lobbywindows.moc"
