#include "i18n/germanscene.h"

#include "client/chatform.h"
#include "client/netdialog.h"
#include "client/phrasesform.h"
#include "client/spylistform.h"
#include "common/tablesendrecorder.h"
#include "lobby/aboutform.h"
#include "lobby/downloadform.h"
#include "lobby/helpform.h"
#include "protocol/messages.h"
#include "tally/tallylistform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {

// Names the scene gives its players; they come over the wire and stay as they are.
const QStringList kNames = {"Ann", "Bo", "Cy", "Klot", "XX"};

} // namespace

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

namespace {

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

void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace

Shown showScene(const QString& screenshots) {
    QFile::remove(QDir(qEnvironmentVariable("VIMBREL_PROGRAM_DIR")).filePath("zumveklobby.ini"));
    Shown shown;
    TableSendRecorder link;
    Tchat table(link);
    table.setMessageSink([&shown](const QString& t) { shown.boxes << t; });
    auto* spies = new Tspylist(&table);
    table.setSpyList(spies);
    auto* phrases = new Tphrases(&table);
    table.setPhraseEditor(phrases);
    table.session().setPlayerName(QStringLiteral("Ann"));
    table.show();
    int step = 0;
    auto deliver = [&](const QByteArray& framed) {
        table.session().sockRead(framed);
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
    if (!screenshots.isEmpty()) {
        QDir().mkpath(screenshots);
        table.grab().save(screenshots + "/turn.png"); // the painted Roll button
    }
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
    table.session().toggleIgnore(2);
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
