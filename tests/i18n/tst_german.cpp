// The German table: the system's language picks it, every text the player reads is
// German (or a name), the committed translation covers every source text, and the
// bytes on the wire and in the settings file are the same as an English table's.
#include "client/board/board.h"
#include "client/chatform.h"
#include "client/netdialog.h"
#include "client/phrasesform.h"
#include "client/spylistform.h"
#include "common/recorderlink.h"
#include "game/loopbacktable.h"
#include "i18n/textwalk.h"
#include "lobby/aboutform.h"
#include "lobby/downloadform.h"
#include "lobby/helpform.h"
#include "protocol/locallinks.h"
#include "protocol/messages.h"
#include "rules/rules.h"
#include "server/tserver.h"
#include "startup/translations.h"
#include "tally/tallylistform.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>
#include <memory>

namespace {

// Names the scene gives its players; they come over the wire and stay as they are.
const QStringList kNames = {"Ann", "Bo", "Cy", "Klot", "XX"};

// Removes whatever installTranslators() installed, so each test starts in English.
void dropTranslators() {
    for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
}

// One .ts file: source text -> translation, per context merged.
struct TsFile {
    QMultiMap<QString, QString> translations; // source -> translation
    QSet<QString> keys;                       // "context|source"
    QStringList unfinished;
    bool read = false;
};

TsFile readTs(const QString& path) {
    TsFile ts;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return ts;
    QXmlStreamReader xml(&f);
    QString context, source, translation;
    bool finished = true;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("source"))
            source = xml.readElementText();
        else if (xml.name() == QLatin1String("translation")) {
            finished = xml.attributes().value(QLatin1String("type")).isEmpty();
            translation = xml.readElementText();
            ts.keys.insert(context + QLatin1Char('|') + source);
            ts.translations.insert(source, translation);
            if (!finished || translation.isEmpty())
                ts.unfinished << context + QLatin1Char('|') + source;
        }
    }
    ts.read = !xml.hasError();
    return ts;
}

QString bare(QString s) {
    return s.remove(QLatin1Char('&')).remove(QChar(0x2026)).trimmed();
}

// A text that may read the same in both languages: names, numbers, addresses, and
// words the translation keeps on purpose ("Normal", "Version").
bool mayStayEnglish(const QString& key, const QString& text, const TsFile& ts,
                    const QStringList& fromWire) {
    // The player's own phrases: sent on the wire as they are and kept in the settings.
    if (key.contains(QLatin1String("/b_phrase")) ||
        key.contains(QLatin1String("/Tphrases#0/phrase")))
        return true;
    if (fromWire.contains(text)) return true;
    const QString b = bare(text);
    QString words = b;
    for (const QString& n :
         kNames + QStringList{"Vimbrel", "Zumvek", "Software", "www", "zumvek", "com", "http"})
        words.replace(QRegularExpression(QStringLiteral("\\b%1\\b").arg(n)), QString());
    if (!words.contains(QRegularExpression(QStringLiteral("[A-Za-z]")))) return true;
    for (auto it = ts.translations.constFind(text);
         it != ts.translations.constEnd() && it.key() == text; ++it)
        if (*it == text) return true;
    return false;
}

// What one language shows: the texts of every window in the scene, step by step.
struct Shown {
    textwalk::Texts texts;
    QStringList boxes;
    QStringList fromWire; // chat lines relayed by the host: its words, not ours
};

void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// The table through a game's stages with scripted host messages, its menus, the
// dialogs it opens and the other windows, walked after every step.
Shown showScene(const QString& screenshots = {}) {
    QFile::remove(QDir(qEnvironmentVariable("VIMBREL_PROGRAM_DIR")).filePath("zumveklobby.ini"));
    Shown shown;
    RecorderLink link;
    Tchat table;
    table.setLink(&link);
    table.setMessageSink([&shown](const QString& t) { shown.boxes << t; });
    auto* spies = new Tspylist(&table);
    table.setSpyList(spies);
    auto* phrases = new Tphrases(&table);
    table.setPhraseEditor(phrases);
    table.state().playerName = QStringLiteral("Ann");
    table.show();
    int step = 0;
    auto deliver = [&](const QByteArray& framed) {
        table.sockRead(framed);
        while (table.queue().pending())
            table.queue().tick();
    };
    auto snap = [&] {
        settle();
        const QString at = QStringLiteral("step%1:").arg(step++);
        const textwalk::Texts t = textwalk::of(&table, at + QStringLiteral("Tchat"));
        for (auto it = t.begin(); it != t.end(); ++it)
            shown.texts.insert(it.key(), it.value());
    };
    snap();
    deliver(wire::msg::sendlogininfo(1));
    deliver(wire::msg::newplayerinfo(1, "Ann"));
    deliver(wire::msg::newplayerinfo(2, "Bo"));
    deliver(wire::msg::newplayerinfo(5, "Cy"));
    deliver(wire::msg::hostpowers());
    const QString relayed = QStringLiteral("Bo chats: hallo");
    shown.fromWire << relayed << QStringLiteral("Cy: 5") << QStringLiteral("5: Cy");
    deliver(wire::msg::chatRelay("Bo", "hallo"));
    snap();
    deliver(wire::msg::startgameRelay({"Ann", "0", "0", "f"}));
    deliver(wire::msg::nextplayer(1, 1, 1));
    snap();
    deliver(wire::msg::scores(1, 1, 25, 25, 0, QString(), {}));
    snap();
    deliver(wire::msg::nextplayer(2, 1, 1));
    snap();
    deliver(wire::msg::noscore(2, {}));
    deliver(wire::msg::justwatching(2, 1));
    snap();
    deliver(wire::msg::justwatching(2, 2));
    deliver(wire::msg::nextplayer(2, 11, 9));
    snap();
    deliver(wire::msg::winner("Bo"));
    snap();
    deliver(wire::msg::winner("Ann"));
    table.label_playername1ContextPopup(2, QPoint());
    table.toggleIgnore(2);
    deliver(wire::msg::playerdisconnected(5, "Cy"));
    deliver(wire::msg::playerdisconnected(2, "Bo"));
    deliver(wire::msg::havewrongversion("Bo"));
    deliver(wire::msg::wrongversion());
    table.SpyList1Click();
    table.action("PhraseList1")->trigger();
    table.openNetworkDialog(true);
    table.openNetworkDialog(false);
    snap();
    if (!screenshots.isEmpty()) {
        QDir().mkpath(screenshots);
        table.grab().save(screenshots + "/table.png");
        for (auto* d : table.findChildren<NetDialog*>())
            d->grab().save(screenshots +
                           (d->mode() == NetDialog::Mode::Host ? "/host.png" : "/join.png"));
        phrases->grab().save(screenshots + "/phrases.png");
        spies->grab().save(screenshots + "/spies.png");
    }
    // A message the table shows in a box, then the other windows.
    deliver(wire::msg::full());

    Ttallylist tally(nullptr, [&shown](const QString& t) { shown.boxes << t; });
    tally.setSeatSource([] { return TallySeats{{"Ann", "Bo", "<Waiting>", "<Waiting>"}, 1}; });
    tally.loadchecklist();
    tally.checklist->item(0)->setCheckState(Qt::Checked);
    tally.listbox_tally->setCurrentRow(0);
    tally.addgame(QStringLiteral("Bo"));
    tally.show();
    settle();
    shown.texts.insert(textwalk::of(&tally, "Ttallylist"));
    tally.listbox_tally->setCurrentRow(-1);
    shown.texts.insert(textwalk::of(&tally, "Ttallylist-blank"));
    Tabout about;
    shown.texts.insert(textwalk::of(&about, "Tabout"));
    Thelp help(&about);
    shown.texts.insert(textwalk::of(&help, "Thelp"));
    Tdownload download;
    shown.texts.insert(textwalk::of(&download, "Tdownload"));
    if (!screenshots.isEmpty()) {
        tally.grab().save(screenshots + "/tally.png");
        about.grab().save(screenshots + "/about.png");
        help.grab().save(screenshots + "/help.png");
        download.grab().save(screenshots + "/download.png");
    }
    // Its questions, asked of a stand-in for the Yes/No box.
    tally.setConfirm([&shown](const QString& q) {
        shown.boxes << q;
        return false;
    });
    tally.button_resetClick();
    return shown;
}

// The texts of `other` that read exactly as in `english` and are not allowed to.
QStringList leftInEnglish(const Shown& english, const Shown& other, const TsFile& ts) {
    QStringList left;
    for (auto it = english.texts.begin(); it != english.texts.end(); ++it) {
        const QString now = other.texts.value(it.key());
        if (now == it.value() && !mayStayEnglish(it.key(), now, ts, english.fromWire))
            left << it.key() + QStringLiteral(" = ") + now;
    }
    for (int i = 0; i < english.boxes.size(); ++i)
        if (other.boxes.value(i) == english.boxes[i])
            left << QStringLiteral("box: ") + english.boxes[i];
    // A text that is still an English source with a real translation, wherever it is.
    for (auto it = other.texts.begin(); it != other.texts.end(); ++it) {
        for (auto t = ts.translations.constFind(it.value());
             t != ts.translations.constEnd() && t.key() == it.value(); ++t)
            if (*t != t.key() && !mayStayEnglish(it.key(), it.value(), ts, english.fromWire))
                left << it.key() + QStringLiteral(" (source text) = ") + it.value();
    }
    left.removeDuplicates();
    return left;
}

// The bytes each way of a whole solo game against Klot, and what the table saved.
struct Exchange {
    QByteArray up, down, settings;
    QStringList tallied;
    QString ownLabel, chat; // what the solo player read
};

// The table's connection to the in-process host, recording both directions.
struct RecordingLink : ClientLink, ClientEvents {
    explicit RecordingLink(LocalServerLink& host, Exchange& into) : inner(host), log(into) {}
    void attach(ClientEvents* e) override {
        events = e;
        inner.attach(e ? this : nullptr);
    }
    void open(const QString& host) override { inner.open(host); }
    void send(const QByteArray& bytes) override {
        log.up += bytes;
        inner.send(bytes);
    }
    void close() override { inner.close(); }
    void sockRead(const QByteArray& bytes) override {
        log.down += bytes;
        if (events) events->sockRead(bytes);
    }
    void sockInfo(const QString& text) override {
        if (events) events->sockInfo(text);
    }
    LocalClientLink inner;
    Exchange& log;
    ClientEvents* events = nullptr;
};

// The seat token is drawn fresh for every game, whatever the language.
QByteArray withoutTokens(QByteArray bytes) {
    static const QRegularExpression token(QStringLiteral("[0-9a-f]{32}"));
    return QString::fromLatin1(bytes).replace(token, QStringLiteral("<token>")).toLatin1();
}

Exchange playSolo() {
    const QString ini =
        QDir(qEnvironmentVariable("VIMBREL_PROGRAM_DIR")).filePath("zumveklobby.ini");
    QFile::remove(ini);
    Exchange ex;
    LocalServerLink pair;
    TServer server(pair);
    server.setFaceSource(rules::seededFaces(20261207));
    server.queue().timer().setInterval(0);
    server.timer1().setInterval(1);
    {
        GameTable t(std::make_unique<RecordingLink>(pair, ex), {});
        Tchat::Hooks hooks;
        hooks.listen = [] {};
        hooks.addgame = [&ex](const QString& w) { ex.tallied << w; };
        t.window.setHooks(hooks);
        t.board()->setRandomSource([](int) { return 0; });
        t.window.show();
        if (!QTest::qWaitFor([&] { return t.window.state().ownSeat == 1; }, 5000)) return ex;
        // Choices that go on the wire and into the settings file.
        t.window.action("Fast1")->trigger();
        t.window.action("SkillExpert1")->trigger();
        t.window.action("TextSize12")->trigger();
        QTest::mouseClick(t.find<QAbstractButton>("b_phrase1"), Qt::LeftButton);
        t.window.mychat()->setText(QStringLiteral("Hallo Klot"));
        t.window.sendit();
        QTest::mouseClick(t.find<QAbstractButton>("button_start"), Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return server.gameon(); }, 5000)) return ex;
        QElapsedTimer clock;
        clock.start();
        while (server.gameon() && clock.elapsed() < 120000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (server.computertimer().isActive()) server.computertimerTimer();
            if (t.shows("button_alldone")) {
                // Keep what the computer's own strategy would keep, after one roll.
                rules::Dice dice{};
                for (int n = 1; n <= 10; ++n)
                    dice[n] = {t.board()->trayDie(n).value, t.board()->trayDie(n).colour, false};
                const rules::Plan plan = rules::computerplay(server.record(1).phase, dice);
                for (int n = 1; n <= 10; ++n)
                    if ((plan[n] == 1) != t.board()->trayDie(n).held)
                        QTest::mouseClick(t.find<QWidget>(QStringLiteral("image_d%1").arg(n)),
                                          Qt::LeftButton);
                QTest::mouseClick(t.find<QAbstractButton>("button_alldone"), Qt::LeftButton);
            } else if (t.shows("button_roll")) {
                QTest::mouseClick(t.find<QAbstractButton>("button_roll"), Qt::LeftButton);
            }
        }
        settle();
        ex.ownLabel = t.find<QLabel>("label_playername1")->text();
        ex.chat = t.window.mainchat()->toPlainText();
        t.window.close();
    }
    QFile f(ini);
    if (f.open(QIODevice::ReadOnly)) ex.settings = f.readAll();
    ex.up = withoutTokens(ex.up);
    ex.down = withoutTokens(ex.down);
    ex.settings = withoutTokens(ex.settings);
    return ex;
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
    void germanWindowsLeaveNoEnglish();
    void qtsOwnButtonsSpeakGerman();
    void wireAndFilesAreTheSameInEitherLanguage();
};

void TestGerman::systemLanguageChoosesTheTranslation_data() {
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("expected");
    QTest::newRow("LC_ALL German") << QStringList{"LC_ALL=de_DE.UTF-8"} << "de|&Datei";
    QTest::newRow("LANG German") << QStringList{"LANG=de_DE.UTF-8"} << "de|&Datei";
    QTest::newRow("LANG Austrian") << QStringList{"LANG=de_AT.UTF-8"} << "de|&Datei";
    QTest::newRow("LANGUAGE German")
        << QStringList{"LANG=en_US.UTF-8", "LANGUAGE=de"} << "de|&Datei";
    QTest::newRow("LANG French") << QStringList{"LANG=fr_FR.UTF-8"} << "|&File";
    QTest::newRow("LANG English") << QStringList{"LANG=en_GB.UTF-8"} << "|&File";
    QTest::newRow("C locale") << QStringList{"LC_ALL=C"} << "|&File";
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
    // The solo player is "You" on the wire in both; only the German window says "Du".
    QVERIFY(english.up.contains("CMD_startgame+You+"));
    QCOMPARE(english.ownLabel, QStringLiteral("You"));
    QCOMPARE(german.ownLabel, QStringLiteral("Du"));
    QVERIFY(english.chat.contains(QStringLiteral("You has started a game.")));
    QVERIFY2(german.chat.contains(QStringLiteral("Du hast ein Spiel gestartet.")),
             qPrintable(german.chat));
    QVERIFY(german.chat.contains(QStringLiteral("Einzelspiel wird geladen.. Bitte warten.")));
    qInfo("solo game: %lld bytes up, %lld bytes down, winner %s", qlonglong(english.up.size()),
          qlonglong(english.down.size()), qPrintable(english.tallied.value(0)));
}

int main(int argc, char** argv) {
    if (argc == 2 && qstrcmp(argv[1], "--probe-language") == 0) {
        QCoreApplication app(argc, argv);
        const QString language = i18n::installTranslators(QLocale::system());
        QTextStream(stdout) << language << '|' << QCoreApplication::translate("Tchat", "&File")
                            << '\n';
        return 0;
    }
    QApplication app(argc, argv);
    TestGerman test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_german.moc"
