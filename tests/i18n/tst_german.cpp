// The German table: the system's language picks it, every text the player reads is
// German (or a name), the committed translation covers every source text, and the
// bytes on the wire and in the settings file are the same as an English table's.
#include "client/chatform.h"
#include "common/tablesendrecorder.h"
#include "i18n/germanscene.h"
#include "i18n/soloexchange.h"
#include "lobby/aboutform.h"
#include "lobby/helpform.h"
#include "protocol/messages.h"
#include "rules/rules.h"
#include "startup/translations.h"

#include <QLibraryInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTextBrowser>
#include <QTranslator>
#include <QtTest>

namespace {

// Removes whatever installTranslators() installed, so each test starts in English.
void dropTranslators() {
    for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
}

// The colour words a screen reader hears for one roll that shows all four colours.
QStringList spokenColours() {
    TableSendRecorder link;
    Tchat table(link);
    table.setMessageSink([](const QString&) {});
    table.session().setPlayerName(QStringLiteral("Ann"));
    for (const char* m : {"CMD_sendlogininfo+1", "CMD_newplayerinfo+1+Ann",
                          "CMD_startgame+Ann+0+0+f+", "CMD_nextplayer+1+1+1+",
                          "CMD_createdice+1+1+1+3+1+2+0+2+3+1+3+4+3+4+5+9+1+6+5+2+7+7+3+8+10+4+9+"
                          "5+1+10+6+2"}) {
        table.session().sockRead(QByteArray(m) + '\xFF');
        while (table.queue().pending())
            table.queue().tick();
    }
    QStringList colours;
    for (int n = 1; n <= 10; ++n) {
        const auto* die = table.findChild<QWidget*>(QStringLiteral("image_d%1").arg(n));
        colours << die->accessibleName().section(QStringLiteral(", "), 1, 1);
    }
    colours.removeDuplicates();
    return colours;
}

// What the table's menus call the things the help book explains, NAME for a name.
QStringList menuWords() {
    TableSendRecorder link;
    Tchat table(link);
    table.setMessageSink([](const QString&) {});
    table.session().setPlayerName(QStringLiteral("Ann"));
    for (const QByteArray& m : {wire::msg::sendlogininfo(1), wire::msg::newplayerinfo(1, "Ann"),
                                wire::msg::newplayerinfo(2, "Bo")}) {
        table.session().sockRead(m);
        while (table.queue().pending())
            table.queue().tick();
    }
    QStringList words;
    for (const char* item :
         {"HostGame1", "JoinGame1", "RejoinGame1", "JustWatch1", "OpenPort1", "SpyList1",
          "PhraseList1", "RemoveFromGame1", "SettoJustWatch1", "UnsetJustWatch1"})
        words << bare(table.action(QString::fromLatin1(item))->text());
    // The skill's submenu, found by the item it holds.
    for (QObject* o : table.action(QStringLiteral("SkillExpert1"))->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(o)) words << bare(menu->title());
    const QString ignore = table.session().ignoreItemText(2);
    table.session().toggleIgnore(2);
    const QString showAgain = table.session().ignoreItemText(2);
    table.session().toggleIgnore(2);
    for (QString w : {ignore, showAgain})
        words << w.replace(QStringLiteral("Bo"), QStringLiteral("NAME"));
    return words;
}

} // namespace

class TestGerman : public QObject {
    Q_OBJECT
private slots:
    void init() { dropTranslators(); }
    void cleanupTestCase() { dropTranslators(); }
    void systemLanguageChoosesTheTranslation_data();
    void systemLanguageChoosesTheTranslation();
    void committedTranslationCoversEverySourceText();
    void checkFindsEnglishWhenGermanIsMissing();
    void helpBookSaysWhatTheTableSays_data();
    void helpBookSaysWhatTheTableSays();
    void soloPlayerIsDuInTheChat();
    void germanWindowsLeaveNoEnglish();
    void qtsOwnButtonsSpeakGerman();
    void wireAndFilesAreTheSameInEitherLanguage();
};

void TestGerman::systemLanguageChoosesTheTranslation_data() {
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("expected");
    // The window's menu and the help book's first page, in one language.
    const QString german = QStringLiteral("de|&Datei|Willkommen bei Vimbrel");
    const QString english = QStringLiteral("|&File|Welcome to Vimbrel");
    QTest::newRow("LC_ALL German") << QStringList{"LC_ALL=de_DE.UTF-8"} << german;
    QTest::newRow("LANG German") << QStringList{"LANG=de_DE.UTF-8"} << german;
    QTest::newRow("LANG Austrian") << QStringList{"LANG=de_AT.UTF-8"} << german;
    QTest::newRow("LANGUAGE German") << QStringList{"LANG=en_US.UTF-8", "LANGUAGE=de"} << german;
    QTest::newRow("LANG French") << QStringList{"LANG=fr_FR.UTF-8"} << english;
    QTest::newRow("LANG English") << QStringList{"LANG=en_GB.UTF-8"} << english;
    QTest::newRow("C locale") << QStringList{"LC_ALL=C"} << english;
}

// The program's own start-up path: QLocale::system() read from the environment.
void TestGerman::systemLanguageChoosesTheTranslation() {
    QFETCH(QStringList, environment);
    QFETCH(QString, expected);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"})
        env.remove(QString::fromLatin1(name));
    for (const QString& pair : environment)
        env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    QProcess probe;
    probe.setProcessEnvironment(env);
    probe.start(QCoreApplication::applicationFilePath(), {"--probe-language"});
    QVERIFY(probe.waitForFinished(20000));
    QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(), expected);
}

// The build ran lupdate over a copy of the committed file: every text in the sources
// must already be there, translated.
void TestGerman::committedTranslationCoversEverySourceText() {
    const TsFile committed = readTs(QStringLiteral(VIMBREL_TS_COMMITTED));
    const TsFile fresh = readTs(QStringLiteral(VIMBREL_TS_FRESH));
    QVERIFY2(committed.read, VIMBREL_TS_COMMITTED);
    QVERIFY2(fresh.read, VIMBREL_TS_FRESH);
    QVERIFY(committed.keys.size() > 150);
    QStringList missing;
    for (const QString& k : fresh.keys)
        if (!committed.keys.contains(k)) missing << k;
    QVERIFY2(missing.isEmpty(),
             qPrintable("not in the committed .ts (run the update_translations target): " +
                        missing.join(QStringLiteral("; "))));
    QStringList gone;
    for (const QString& k : committed.keys)
        if (!fresh.keys.contains(k)) gone << k;
    QVERIFY2(gone.isEmpty(),
             qPrintable("no longer in the sources: " + gone.join(QStringLiteral("; "))));
    QVERIFY2(committed.unfinished.isEmpty(),
             qPrintable("unfinished: " + committed.unfinished.join(QStringLiteral("; "))));
}

void TestGerman::helpBookSaysWhatTheTableSays_data() {
    QTest::addColumn<bool>("german");
    QTest::newRow("English") << false;
    QTest::newRow("German") << true;
}

// The help book in the table's language names the phases as the board does, the colours
// as the screen reader does, and the menu items it explains as the menus do.
void TestGerman::helpBookSaysWhatTheTableSays() {
    QFETCH(bool, german);
    if (german) QCOMPARE(i18n::installTranslators(QLocale(QLocale::German)), QStringLiteral("de"));
    Tabout about;
    Thelp help(&about);
    QString book;
    for (int n = 1; n <= 6; ++n)
        book += help.page(n)->toPlainText() + QLatin1Char('\n');
    const QString play = help.page(3)->toPlainText();
    QStringList missing;
    for (int n = 1; n <= 10; ++n) {
        const QString phase = QCoreApplication::translate("Board", rules::phaseName(n).c_str());
        if (!play.contains(phase)) missing << phase;
    }
    const QStringList colours = spokenColours();
    QCOMPARE(colours.size(), 4);
    for (const QString& colour : colours)
        if (colour.isEmpty() || !play.contains(colour)) missing << colour;
    const QStringList words = menuWords();
    QCOMPARE(words.size(), 13);
    for (const QString& word : words + QStringList{"vimbrel-host --port"})
        if (word.isEmpty() || !book.contains(word)) missing << word;
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(" / "))));
    // The German book is no English one: none of its phase names is.
    QCOMPARE(play.contains(QStringLiteral("Two Sets of 3")), !german);
}

// The solo player's own lines, which the host words with the wire name "You".
void TestGerman::soloPlayerIsDuInTheChat() {
    QCOMPARE(i18n::installTranslators(QLocale(QLocale::German)), QStringLiteral("de"));
    TableSendRecorder link;
    Tchat table(link);
    table.setMessageSink([](const QString&) {});
    table.session().setPlayerName(QStringLiteral("You"));
    for (const char* m :
         {"CMD_sendlogininfo+1", "CMD_newplayerinfo+1+You", "CMD_newplayerinfo+2+Klot",
          "CMD_chat+You chats: hallo|clBlack", "CMD_action+You says: Gut gemacht!|clBlack",
          "CMD_action+You winkt.|clBlack", "CMD_action+Klot says: Danke!|clBlack",
          "CMD_justwatching+1+1", "CMD_justwatching+1+2", "CMD_justwatching+2+1",
          "CMD_chat+The table is closing. Thanks for playing!|clBlue"}) {
        table.session().sockRead(QByteArray(m) + '\xFF');
        while (table.queue().pending())
            table.queue().tick();
    }
    const QStringList lines = table.mainchat()->toPlainText().split(QLatin1Char('\n'));
    const QStringList expected{"Du schreibst: hallo", "Du sagst: Gut gemacht!",
                               // an action's words are the player's own: only the name
                               // could change, and "Du winkt." would be no better
                               "You winkt.", "Klot says: Danke!", "Du schaust nur zu",
                               "Du spielst wieder mit", "Klot schaut nur zu",
                               // the dedicated host's farewell, English on the wire
                               "Der Tisch wird geschlossen. Danke fürs Spielen!"};
    QCOMPARE(lines.mid(lines.size() - expected.size()), expected);
}

// Without the translation the comparison must complain, or it proves nothing.
void TestGerman::checkFindsEnglishWhenGermanIsMissing() {
    const TsFile ts = readTs(QStringLiteral(VIMBREL_TS_COMMITTED));
    const Shown english = showScene();
    const Shown again = showScene();
    const QStringList left = leftInEnglish(english, again, ts);
    QVERIFY2(left.size() > 100, qPrintable(QString::number(left.size())));
    QVERIFY(!left.filter(QStringLiteral("QMenu#0.title = &File")).isEmpty());
    QVERIFY(left.filter(QStringLiteral("= Your Turn")).size() >= 1);
    QVERIFY(left.filter(QStringLiteral("box: Game is full")).size() == 1);
}

void TestGerman::germanWindowsLeaveNoEnglish() {
    const TsFile ts = readTs(QStringLiteral(VIMBREL_TS_COMMITTED));
    const Shown english = showScene();
    QCOMPARE(i18n::installTranslators(QLocale(QLocale::German, QLocale::Germany)),
             QStringLiteral("de"));
    const Shown german = showScene(QStringLiteral(VIMBREL_SCREENSHOT_DIR));
    QCOMPARE(german.texts.keys(), english.texts.keys());
    const QStringList left = leftInEnglish(english, german, ts);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char('\n'))));
    // A few that the player sees first, as a German board game says them.
    QCOMPARE(german.texts.value("step0:Tchat/QMenuBar#0/QMenu#0.title"), QStringLiteral("&Datei"));
    QVERIFY(german.texts.values().contains(QStringLiteral("Du bist dran")));
    QVERIFY(german.texts.values().contains(QStringLiteral("Bo hat das Spiel gewonnen!")));
    QVERIFY(german.texts.values().contains(QStringLiteral("Du brauchst: Zwei Drillinge")));
    QVERIFY(german.boxes.contains(QStringLiteral("Das Spiel ist voll")));
    // An empty seat is shown in German but the tally still knows it as empty.
    QVERIFY(german.texts.values().contains(QStringLiteral("<Frei>")));
    QVERIFY(!german.texts.values().contains(QStringLiteral("<Waiting>")));
}

void TestGerman::qtsOwnButtonsSpeakGerman() {
    const QString qm =
        QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm");
    if (!QFile::exists(qm))
        QSKIP(qPrintable(qm + " is missing (Debian package qt6-translations-l10n)"));
    QCOMPARE(i18n::installTranslators(QLocale(QLocale::German)), QStringLiteral("de"));
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vimbrel"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(bare(box.button(QMessageBox::Yes)->text()), QStringLiteral("Ja"));
    QCOMPARE(bare(box.button(QMessageBox::No)->text()), QStringLiteral("Nein"));
}

void TestGerman::wireAndFilesAreTheSameInEitherLanguage() {
    const Exchange english = playSolo();
    QVERIFY(english.up.contains("CMD_logininfo+1+"));
    QVERIFY2(english.tallied.size() == 1, "the solo game did not reach its winner");
    QVERIFY(english.settings.contains("Textsize=12"));
    QCOMPARE(i18n::installTranslators(QLocale(QLocale::German)), QStringLiteral("de"));
    const Exchange german = playSolo();
    QCOMPARE(german.up, english.up);
    QCOMPARE(german.down, english.down);
    QCOMPARE(german.settings, english.settings);
    QCOMPARE(german.tallied, english.tallied);
    // The solo player is "You" on the wire in both; only the German window says "Du",
    // also in the chat.
    QVERIFY(english.up.contains("CMD_startgame+You+"));
    QCOMPARE(english.ownLabel, QStringLiteral("You"));
    QCOMPARE(german.ownLabel, QStringLiteral("Du"));
    QVERIFY(english.chat.contains(QStringLiteral("You has started a game.")));
    QVERIFY2(german.chat.contains(QStringLiteral("Du hast ein Spiel gestartet.")),
             qPrintable(german.chat));
    QVERIFY(german.chat.contains(QStringLiteral("Einzelspiel wird geladen.. Bitte warten.")));
    QVERIFY(english.chat.contains(QStringLiteral("You chats: Hallo Klot")));
    QVERIFY(english.chat.contains(QStringLiteral("You says: ")));
    QVERIFY2(german.chat.contains(QStringLiteral("Du schreibst: Hallo Klot")) &&
                 german.chat.contains(QStringLiteral("Du sagst: ")),
             qPrintable(german.chat));
    QVERIFY(!german.chat.contains(QStringLiteral("You ")));
    qInfo("solo game: %lld bytes up, %lld bytes down, winner %s", qlonglong(english.up.size()),
          qlonglong(english.down.size()), qPrintable(english.tallied.value(0)));
}

int main(int argc, char** argv) {
    if (argc == 2 && qstrcmp(argv[1], "--probe-language") == 0) {
        QApplication app(argc, argv);
        const QString language = i18n::installTranslators(QLocale::system());
        Thelp help;
        QTextStream(stdout) << language << '|' << QCoreApplication::translate("Tchat", "&File")
                            << '|' << help.page(1)->toPlainText().section(QLatin1Char('\n'), 0, 0)
                            << '\n';
        return 0;
    }
    QApplication app(argc, argv);
    TestGerman test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_german.moc"
