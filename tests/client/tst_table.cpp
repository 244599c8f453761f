// The table window as a client: log-in, arrivals and departures, just watch, removal,
// chat and phrases, the settings file, and the end of the connection.
#include "client/board/board.h"
#include "client/chatform.h"
#include "client/chatpanel.h"
#include "client/phrasesform.h"
#include "client/sound/sounds.h"
#include "client/spylistform.h"
#include "common/tablesendrecorder.h"
#include "protocol/clientlink.h"
#include "protocol/lineallowance.h"
#include "settings/inifile.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QtTest>

namespace {

const QByteArray T(1, '\xFF');

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A player's settings in CR LF, beside a lobby section written in Latin-1.
const QByteArray kPlayersFile = "[Lobby]\r\nName=J\xF6rg\r\n\r\n[Vimbrel]\r\nTextsize=14\r\n"
                                "Textcolor=$00336699\r\nActioncolor=clPurple\r\nBotspeed=500\r\n"
                                "Turnsound=1\r\nPlaysounds=false\r\nPhrase1=  ol\xE9, all  \r\n";

} // namespace

class TestTable : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void ownArrivalLoadsSettingsAndSendsBotSpeed();
    void spectatorArrivalAndDeparture();
    void seatMenuFollowsHostAndWaitingSeats();
    void justWatchTickFollowsTheHost();
    void removalOnlyFromTheHostsPlayer();
    void chatColoursAndConversionErrors();
    void typedLines();
    void phraseButtonsAndCooldown();
    void scrollChatOffKeepsTheView();
    void settingsDefaultsAndInvalidValues();
    void savingKeepsForeignSectionsAndPhrases();
    void klotSkillIsToldSavedAndRestored();
    void gameIsFullShowsBeforeClosing();
    void anEndedTableStaysAndSaysWhy();
    void gameIsFullStaysUntilDismissed();
    void gameIsFullBoxIsModalOverTheTable();
    void linksInChatLines();
    void addressesInChatLinesStayWhole();
    void watchedOwnTurnOffersNoRollNorEnd();
    void ownTurnPlaysTheChosenTurnSound();
    void rejoinedDuringOwnTurnWatchesTheComputerFinishIt();
    void hostPowersFromADedicatedHost();
    void settingsNobodyChoseAreNeverWritten();
    void unreadableSettingsAreLeftAlone();
    void copyGivesThePanelsSelectionAsPlainText();
    void pasteReplacesTheBoxWithOneLine();
    void typedLinesKeepWithinTheHostsLimit();

private:
    void deliver(const QString& message);
    void loginAs(int record, const QString& name = QStringLiteral("Ann"));
    QString lastLine() const;
    QColor lastColour() const;
    // The last line's runs of text, bold ones in "*…*".
    QStringList lastRuns() const;
    bool shows(const char* name) const;
    QString status() const;

    Tchat* m_table = nullptr;
    TableSendRecorder m_link;
    QStringList m_boxes;
    QStringList m_played;
};

void TestTable::init() {
    QFile::remove(QDir(qEnvironmentVariable("VIMBREL_PROGRAM_DIR")).filePath("zumveklobby.ini"));
    m_link = TableSendRecorder();
    m_boxes.clear();
    m_played.clear();
    m_table = new Tchat(m_link);
    m_table->setMessageSink([this](const QString& t) { m_boxes << t; });
    connect(m_table->sounds(), &Sounds::played, this, [this](const QString& n) { m_played << n; });
    m_table->session().setPlayerName(QStringLiteral("Ann"));
}

void TestTable::cleanup() {
    delete m_table;
}

void TestTable::deliver(const QString& message) {
    m_table->received(message);
    while (m_table->queue().pending())
        m_table->queue().tick();
}

void TestTable::loginAs(int record, const QString& name) {
    m_table->session().setPlayerName(name);
    deliver(QStringLiteral("CMD_sendlogininfo+%1").arg(record));
    deliver(QStringLiteral("CMD_newplayerinfo+%1+%2").arg(record).arg(name));
}

QString TestTable::lastLine() const {
    return m_table->mainchat()->document()->lastBlock().text();
}

QColor TestTable::lastColour() const {
    const QTextBlock b = m_table->mainchat()->document()->lastBlock();
    return b.begin().fragment().charFormat().foreground().color();
}

void TestTable::ownArrivalLoadsSettingsAndSendsBotSpeed() {
    IniFile ini(m_table->settingsPath());
    ini.writeString("Vimbrel", "Botspeed", "500");
    ini.writeString("Vimbrel", "Phrase3", "Hi, \"all\"");
    QVERIFY(ini.save());
    deliver("CMD_sendlogininfo+1");
    QCOMPARE(m_link.last(), "CMD_logininfo+1+1.0.7+Ann" + T);
    deliver("CMD_newplayerinfo+1+Ann");
    QCOMPARE(lastLine(), QStringLiteral("You are Connected."));
    QCOMPARE(lastColour(), QColor(0, 0, 255));
    QCOMPARE(m_link.last(), "CMD_botspeed+1+500+" + T);
    QCOMPARE(m_table->phrase(3), QStringLiteral("Hi, \"all\""));
    QCOMPARE(m_table->board()->playerName(1), QStringLiteral("Ann"));
    QCOMPARE(m_played, QStringList{"entered"});
    // A second log-in request is not answered again.
    m_link.sent.clear();
    deliver("CMD_sendlogininfo+4");
    QVERIFY(m_link.sent.isEmpty());
    QCOMPARE(m_table->state().ownSeat, 1);
}

void TestTable::spectatorArrivalAndDeparture() {
    Tspylist spies;
    m_table->setSpyList(&spies);
    loginAs(6, "Zed");
    QCOMPARE(spies.spies(), QStringList{"6: Zed"});
    QCOMPARE(lastLine(), QStringLiteral("You are spying."));
    deliver("CMD_newplayerinfo+7+Bo");
    QCOMPARE(lastLine(), QStringLiteral("Bo is spying."));
    QCOMPARE(m_table->mainchat()->toPlainText().count("Bo is Connected."), 1);
    deliver("CMD_playerdisconnected+7+Bo");
    QCOMPARE(lastLine(), QStringLiteral("Bo has left."));
    QCOMPARE(spies.spies(), QStringList{"6: Zed"});
    // A departure of a line that is not there does nothing.
    deliver("CMD_playerdisconnected+8+Nobody");
    QCOMPARE(lastLine(), QStringLiteral("Bo has left."));
    // Spectators never get a seat on the board.
    for (int s = 1; s <= 4; ++s)
        QVERIFY(m_table->board()->playerName(s) != QLatin1String("Zed"));
}

void TestTable::seatMenuFollowsHostAndWaitingSeats() {
    loginAs(1);
    m_table->label_playername1ContextPopup(1, {});
    for (const char* n : {"RemoveFromGame1", "SettoJustWatch1", "UnsetJustWatch1"})
        QVERIFY(!m_table->action(n)->isEnabled());
    deliver("CMD_hostpowers+");
    m_table->label_playername1ContextPopup(3, {});
    QVERIFY(!m_table->action("RemoveFromGame1")->isEnabled());
    QVERIFY(m_table->action("SettoJustWatch1")->isEnabled());
    QVERIFY(m_table->action("UnsetJustWatch1")->isEnabled());
    m_table->label_playername1ContextPopup(1, {});
    QVERIFY(m_table->action("RemoveFromGame1")->isEnabled());
    m_table->action("SettoJustWatch1")->trigger();
    QCOMPARE(m_link.last(), "CMD_justwatch+1+1" + T);
}

void TestTable::justWatchTickFollowsTheHost() {
    loginAs(2, "Bo");
    QAction* jw = m_table->action("JustWatch1");
    jw->trigger();
    QCOMPARE(m_link.last(), "CMD_justwatch+2+1" + T);
    QVERIFY(!jw->isChecked()); // nothing came back yet
    deliver("CMD_justwatching+2+1");
    QVERIFY(jw->isChecked());
    QCOMPARE(lastLine(), QStringLiteral("Bo is just watching"));
    QVERIFY(m_table->board()->findChild<QWidget*>("image_eyes2")->isVisibleTo(m_table->board()));
    jw->trigger();
    QCOMPARE(m_link.last(), "CMD_justwatch+2+2" + T);
    deliver("CMD_justwatching+2+2");
    QVERIFY(!jw->isChecked());
    QCOMPARE(lastLine(), QStringLiteral("Bo is now playing again"));
    // Seats beyond the playing seats are ignored.
    deliver("CMD_justwatching+7+1");
    QCOMPARE(lastLine(), QStringLiteral("Bo is now playing again"));
}

void TestTable::removalOnlyFromTheHostsPlayer() {
    Tspylist spies;
    m_table->setSpyList(&spies);
    loginAs(1);
    m_table->session().remove(3);
    QVERIFY(!m_link.last().startsWith("CMD_kickhim")); // not the host
    deliver("CMD_hostpowers+");
    m_table->session().remove(3);
    QCOMPARE(m_link.last(), "CMD_kickhim+1+3+" + T);
    deliver("CMD_newplayerinfo+6+Spy");
    spies.listbox_spysMouseMove(QPoint(5, 5));
    QCOMPARE(spies.hoveredLine(), 0);
    spies.popup_kickhimClick();
    QCOMPARE(m_link.last(), "CMD_kickhim+1+6+" + T);
}

void TestTable::chatColoursAndConversionErrors() {
    loginAs(1);
    deliver("CMD_chat+Bo chats: hi there|clGreen");
    QCOMPARE(lastLine(), QStringLiteral("Bo chats: hi there"));
    QCOMPARE(lastColour(), QColor(0, 128, 0));
    const QTextBlock b = m_table->mainchat()->document()->lastBlock();
    QCOMPARE(b.begin().fragment().text(), QStringLiteral("Bo chats:"));
    QVERIFY(b.begin().fragment().charFormat().fontWeight() == QFont::Bold);
    deliver("CMD_chat+Bo chats: no colour");
    QCOMPARE(lastColour(), QColor(255, 0, 0));
    deliver("CMD_chat+Bo chats: a|b|clGreen");
    QCOMPARE(lastLine(), QStringLiteral("Bo chats: a"));
    QCOMPARE(lastColour(), QColor(255, 0, 0));
    deliver("CMD_action+Bo waves|$00FF8000");
    QCOMPARE(lastColour(), QColor(0, 128, 255));
    // A malformed number is a red line, never a dialog.
    deliver("CMD_justwatching+x2+1");
    QCOMPARE(lastLine(), QStringLiteral("'x2' is not a valid integer value"));
    QCOMPARE(lastColour(), QColor(255, 0, 0));
    QVERIFY(m_boxes.isEmpty());
}

void TestTable::typedLines() {
    ChatInput* box = m_table->mychat();
    QCOMPARE(box->text(), ChatInput::placeholder());
    QTest::keyClick(box, Qt::Key_H);
    QCOMPARE(box->text(), QStringLiteral("h"));
    // Not connected: nothing goes and the text stays.
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(m_link.sent.isEmpty());
    QCOMPARE(box->text(), QStringLiteral("h"));
    loginAs(2, "Bo");
    m_link.sent.clear();
    box->setText("hello, all");
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(m_link.last(), "CMD_chat+2+hello, all|clBlack" + T);
    QVERIFY(box->text().isEmpty());
    box->setText("/me dances");
    m_table->sendit();
    QCOMPARE(m_link.last(), "CMD_action+2+dances|clBlack" + T);
    box->setText("/meow");
    m_table->sendit();
    QCOMPARE(m_link.last(), "CMD_action+2+w|clBlack" + T); // the fifth character on
    const int count = int(m_link.sent.size());
    box->setText("/quit now");
    m_table->sendit();
    QCOMPARE(m_link.sent.size(), count);
    QVERIFY(box->text().isEmpty());
}

void TestTable::phraseButtonsAndCooldown() {
    loginAs(2, "Bo");
    m_link.sent.clear();
    m_table->setPhrases(
        {"/meX", "Two", "x", "x", "x", "x", "x", "x", "x", "/me waves \"Good-Bye\""});
    m_table->b_phrase1Click(1);
    m_table->b_phrase1Click(2);
    QCOMPARE(m_link.sent, QList<QByteArray>{"CMD_action+2+says: /meX|clBlack" + T});
    QVERIFY(m_table->phraseCooldown()->isActive());
    QCOMPARE(m_table->phraseCooldown()->interval(), 2000);
    m_table->phraseCooldown()->start(1); // let the cool-down run out
    QTRY_VERIFY(m_table->state().phraseReady);
    m_table->b_phrase1Click(10);
    QCOMPARE(m_link.last(), "CMD_action+2+waves \"Good-Bye\"|clBlack" + T);
    // The button's tooltip shows its phrase as typed, markup included.
    auto* b10 = m_table->board()->findChild<QWidget*>("b_phrase10");
    QCOMPARE(QTextDocumentFragment::fromHtml(b10->toolTip()).toPlainText(),
             QStringLiteral("/me waves \"Good-Bye\""));
    QStringList phrases;
    for (int k = 1; k <= 10; ++k)
        phrases << m_table->phrase(k);
    phrases[0] = QStringLiteral("<img src=\"/dev/zero\"> &amp;");
    m_table->setPhrases(phrases);
    auto* b1 = m_table->board()->findChild<QWidget*>("b_phrase1");
    QCOMPARE(QTextDocumentFragment::fromHtml(b1->toolTip()).toPlainText(), phrases[0]);
    QCOMPARE(m_table->phrase(1), phrases[0]);
}

void TestTable::scrollChatOffKeepsTheView() {
    m_table->resize(800, 640);
    m_table->show();
    for (int i = 0; i < 80; ++i)
        m_table->addlinetochat(QStringLiteral("line %1").arg(i), 0);
    QScrollBar* bar = m_table->mainchat()->verticalScrollBar();
    QCOMPARE(bar->value(), bar->maximum());
    bar->setValue(10);
    m_table->action("ScrollChatOff1")->trigger();
    for (int i = 0; i < 20; ++i)
        m_table->addlinetochat(QStringLiteral("more %1").arg(i), 0);
    QCOMPARE(bar->value(), 10);
    m_table->action("ScrollChatOff1")->trigger();
    m_table->addlinetochat("last", 0);
    QCOMPARE(bar->value(), bar->maximum());
    m_table->action("ClearMainChat1")->trigger();
    QVERIFY(m_table->mainchat()->toPlainText().isEmpty());
}

void TestTable::settingsDefaultsAndInvalidValues() {
    IniFile ini(m_table->settingsPath());
    ini.writeString("Vimbrel", "Textsize", "abc");
    ini.writeString("Vimbrel", "Textcolor", "notacolour");
    ini.writeString("Vimbrel", "Actioncolor", "clGreen");
    ini.writeString("Vimbrel", "Botspeed", "1234");
    ini.writeString("Vimbrel", "Turnsound", "yes");
    ini.writeString("Vimbrel", "Playsounds", "no");
    ini.writeString("Vimbrel", "Top", "x");
    // Phrases come back whole, however long and however spaced.
    const QString longPhrase = QStringLiteral("  %1 /me  ").arg(QString(60, QLatin1Char('w')));
    ini.writeString("Vimbrel", "Phrase4", longPhrase);
    QVERIFY(ini.save());
    loginAs(1);
    QCOMPARE(m_table->phrase(4), longPhrase);
    QCOMPARE(m_table->mainchat()->textSize(), 8);
    QVERIFY(m_table->action("TextSize8")->isChecked());
    QCOMPARE(m_table->textColour(), 0u);
    QCOMPARE(m_table->actionColour(), 0x008000u);
    QCOMPARE(m_table->botSpeed(), 1000);
    QVERIFY(m_table->action("Normal1")->isChecked());
    QCOMPARE(m_table->turnSound(), 0);
    QVERIFY(m_table->sounds()->enabled()); // only "false" turns them off
    // No readable place: the table opens where a first start does, centred.
    QCOMPARE(QRect(m_table->pos(), m_table->size()).center(),
             m_table->screen()->availableGeometry().center());
    // Choosing 12 checks only 12.
    m_table->action("TextSize12")->trigger();
    for (int pt : {8, 10, 14})
        QVERIFY(!m_table->action(QStringLiteral("TextSize%1").arg(pt))->isChecked());
    QVERIFY(m_table->action("TextSize12")->isChecked());
}

void TestTable::savingKeepsForeignSectionsAndPhrases() {
    IniFile ini(m_table->settingsPath());
    ini.parse("[Lobby]\nServer=a, b\n\n[Vimbrel]\nPhrase1=Hi, \"you\"\n");
    QVERIFY(ini.save());
    loginAs(1);
    m_table->action("Fast1")->trigger();
    QCOMPARE(m_link.last(), "CMD_botspeed+1+500+" + T);
    IniFile back(m_table->settingsPath());
    QVERIFY(back.load());
    QCOMPARE(back.readString("Lobby", "Server"), QStringLiteral("a, b"));
    QCOMPARE(back.readString("Vimbrel", "Phrase1"), QStringLiteral("Hi, \"you\""));
    QCOMPARE(back.readString("Vimbrel", "Botspeed"), QStringLiteral("500"));
    // A key that neither the file held nor the player chose stays out of it.
    QVERIFY(!back.contains("Vimbrel", "Playsounds"));
    QVERIFY(back.text().startsWith("[Lobby]\nServer=a, b\n"));
}

void TestTable::klotSkillIsToldSavedAndRestored() {
    // Normal is the host's own default: a table that never chose says nothing of it.
    loginAs(1);
    QVERIFY(m_table->action("SkillNormal1")->isChecked());
    for (const QByteArray& m : m_link.sent)
        QVERIFY2(!m.startsWith("CMD_botskill"), m.constData());
    m_table->action("SkillExpert1")->trigger();
    QCOMPARE(m_link.last(), "CMD_botskill+1+expert+" + T);
    QVERIFY(!m_table->action("SkillNormal1")->isChecked());
    IniFile back(m_table->settingsPath());
    QVERIFY(back.load());
    QCOMPARE(back.readString("Vimbrel", "Botskill"), QStringLiteral("expert"));

    // The next table of this player tells its host as soon as it arrives in seat 1.
    delete m_table;
    m_table = new Tchat(m_link);
    m_link.sent.clear();
    loginAs(1);
    QVERIFY(m_table->botExpert());
    QCOMPARE(m_link.last(), "CMD_botskill+1+expert+" + T);
    m_table->action("SkillNormal1")->trigger();
    QCOMPARE(m_link.last(), "CMD_botskill+1+normal+" + T);
    QVERIFY(back.load());
    QCOMPARE(back.readString("Vimbrel", "Botskill"), QStringLiteral("normal"));
}

void TestTable::gameIsFullShowsBeforeClosing() {
    m_table->show();
    QVERIFY(m_table->isVisible());
    m_table->received("CMD_full+");
    m_table->session().departed(Departure::ClosedByPeer);
    QTRY_VERIFY(!m_table->isVisible());
    QCOMPARE(m_boxes, QStringList{"Game is full"});
    // An error before the log-in is shown to the player and closes nothing.
    m_table->show();
    m_table->session().sockInfo("Error #10061 (WSAECONNREFUSED)");
    QTest::qWait(20);
    QVERIFY(m_table->isVisible());
    QVERIFY2(lastLine().contains(QLatin1String("the connection was refused")),
             qPrintable(lastLine()));
}

void TestTable::anEndedTableStaysAndSaysWhy() {
    m_table->show();
    loginAs(2, "Bo");
    deliver("CMD_newplayerinfo+1+Ann");
    // The host's last line and its close arrive together; both are read, in order.
    m_table->received("CMD_chat+The table is closing. Thanks for playing!|clBlue");
    m_table->session().departed(Departure::ClosedByPeer);
    QTRY_COMPARE(m_boxes, QStringList{"The table was closed by its host"});
    QTest::qWait(50);
    QVERIFY(m_table->isVisible());
    const QStringList lines = m_table->mainchat()->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.mid(lines.size() - 2), (QStringList{"The table is closing. Thanks for playing!",
                                                       "The table was closed by its host"}));
    QVERIFY(!shows("button_start"));

    // Removed: told so, once, and the window stays too.
    TableSendRecorder link;
    Tchat removed(link);
    QStringList boxes;
    removed.setMessageSink([&boxes](const QString& t) { boxes << t; });
    removed.show();
    removed.session().setPlayerName("Cy");
    for (const char* m : {"CMD_sendlogininfo+3", "CMD_newplayerinfo+3+Cy", "CMD_removed+3+Cy"})
        removed.received(QString::fromLatin1(m));
    removed.session().departed(Departure::ClosedByPeer);
    QTRY_COMPARE(boxes, QStringList{"You were removed from the table"});
    QTest::qWait(50);
    QVERIFY(removed.isVisible());
    QCOMPARE(removed.mainchat()->toPlainText().count("You were removed from the table"), 1);
}

void TestTable::linksInChatLines() {
    QCOMPARE(linkAt("Bo chats: see http://example.org/x, ok", 20),
             QStringLiteral("http://example.org/x"));
    QCOMPARE(linkAt("Bo chats: www.example.org!", 14), QStringLiteral("www.example.org"));
    QCOMPARE(linkAt("Bo chats: (mailto:a@b.org)", 15), QStringLiteral("mailto:a@b.org"));
    QVERIFY(linkAt("Bo chats: http:// ", 12).isEmpty()); // no longer than its prefix
    QVERIFY(linkAt("Bo chats: plain words", 12).isEmpty());
    QVERIFY(linkAt("Bo chats: x", 9).isEmpty()); // a space is no word
    QCOMPARE(linkAt("go to XWWW.Site.com", 8), QStringLiteral("WWW.Site.com"));
}

QStringList TestTable::lastRuns() const {
    QStringList runs;
    const QTextBlock b = m_table->mainchat()->document()->lastBlock();
    for (auto it = b.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        runs << (f.charFormat().fontWeight() == QFont::Bold ? '*' + f.text() + '*' : f.text());
    }
    return runs;
}

bool TestTable::shows(const char* name) const {
    const QWidget* w = m_table->board()->findChild<QWidget*>(QLatin1String(name));
    return w && w->isVisibleTo(m_table->board());
}

QString TestTable::status() const {
    return m_table->board()->findChild<QLabel*>(QStringLiteral("label_status"))->text();
}

// The bold start of a line is a name's; a colon inside an address is no name's end.
void TestTable::addressesInChatLinesStayWhole() {
    loginAs(1);
    deliver("CMD_action+Bo join me at 2001:db8::10|clBlack");
    QCOMPARE(lastRuns(), QStringList{"Bo join me at 2001:db8::10"});
    deliver("CMD_action+Bo is at [::1]:7772|clBlack");
    QCOMPARE(lastRuns(), QStringList{"Bo is at [::1]:7772"});
    deliver("CMD_action+Bo serves fe80:: and ::1 too|clBlack");
    QCOMPARE(lastRuns(), QStringList{"Bo serves fe80:: and ::1 too"});
    deliver("CMD_chat+Bo chats: [::1]:7772 or 2001:db8::10|clBlack");
    QCOMPARE(lastRuns(), (QStringList{"*Bo chats:*", " [::1]:7772 or 2001:db8::10"}));
    deliver("CMD_action+Bo says: Way To Go!|clBlack");
    QCOMPARE(lastRuns(), (QStringList{"*Bo says:*", " Way To Go!"}));
    // A name that is an address is still the name.
    deliver("CMD_chat+::1 chats: hi|clBlack");
    QCOMPARE(lastRuns(), (QStringList{"*::1 chats:*", " hi"}));
}

// While the computer plays our seat, the table offers no roll and no end, and never
// calls the turn ours; taking the seat back mid-turn hands the turn over as it stands.
void TestTable::watchedOwnTurnOffersNoRollNorEnd() {
    loginAs(2, "Bo");
    deliver("CMD_startgame+Ann+0+0+f+");
    deliver("CMD_justwatching+2+1");
    deliver("CMD_nextplayer+2+1+1+");
    QVERIFY(!shows("button_roll") && !shows("button_alldone"));
    QCOMPARE(status(), QStringLiteral("The computer plays your turn"));
    deliver("CMD_createdice+2+1+1+4+1+2+7+3");
    QVERIFY(!shows("button_roll") && !shows("button_alldone"));
    QCOMPARE(status(), QStringLiteral("The computer plays your turn"));
    // Neither the keys nor a click that got through send anything for the seat.
    const qsizetype before = m_link.sent.size();
    m_table->board()->playKey(Qt::Key_1);
    m_table->board()->playKey(Qt::Key_R);
    m_table->board()->playKey(Qt::Key_D);
    m_table->board()->button_rollClick();
    m_table->board()->button_alldoneClick();
    QCOMPARE(m_link.sent.size(), before);
    QVERIFY(!m_table->board()->trayDie(1).held);

    // The computer keeps die 1 and rolls die 2 again; then the player takes over, and
    // what the computer kept stays kept.
    deliver("CMD_createdice+2+2+2+5+1");
    deliver("CMD_justwatching+2+2");
    QVERIFY(shows("button_roll") && shows("button_alldone"));
    QCOMPARE(status(), QStringLiteral("Your Turn"));
    QVERIFY(m_table->board()->trayDie(1).held && !m_table->board()->trayDie(2).held);
    m_table->board()->button_rollClick();
    QCOMPARE(m_link.last(), "CMD_rollthedice+2+2+3+4+5+6+7+8+9+10" + T);
}

// Back in our seat after a drop, during the turn the computer began for it: the
// computer ends that turn, the next one is ours.
void TestTable::rejoinedDuringOwnTurnWatchesTheComputerFinishIt() {
    loginAs(5, "Cy");
    deliver("CMD_startgame+Ann+0+0+f+");
    deliver("CMD_seatheld+3+Cy");
    deliver("CMD_rejoined+3");
    deliver("CMD_loadstats+3+3+1+1+1+0+0+0+0+1+4+1");
    QCOMPARE(m_table->state().ownSeat, 3);
    QVERIFY(!shows("button_roll") && !shows("button_alldone"));
    QCOMPARE(status(), QStringLiteral("The computer plays your turn"));
    deliver("CMD_createdice+3+2+2+7+3");
    QVERIFY(!shows("button_roll") && !shows("button_alldone"));
    deliver("CMD_noscore+3+1");
    deliver("CMD_justwatching+3+2");
    QVERIFY(!shows("button_roll") && !shows("button_alldone"));
    deliver("CMD_nextplayer+4+1+1+");
    QVERIFY(!shows("button_roll"));
    deliver("CMD_nextplayer+3+1+2+");
    QVERIFY(shows("button_roll") && !shows("button_alldone"));
    QCOMPARE(status(), QStringLiteral("Your Turn"));
}

void TestTable::gameIsFullStaysUntilDismissed() {
    // A message box that blocks, as a real one does, until the player dismisses it;
    // the host's close notice arrives while it is up.
    bool openWhileShown = false;
    m_table->setMessageSink([&](const QString& text) {
        m_boxes << text;
        m_table->session().departed(Departure::ClosedByPeer);
        QEventLoop box;
        QTimer::singleShot(100, &box, [&] {
            openWhileShown = m_table->isVisible();
            box.quit();
        });
        box.exec();
    });
    m_table->show();
    m_table->received("CMD_full+");
    QTRY_VERIFY(!m_table->isVisible());
    QCOMPARE(m_boxes, QStringList{"Game is full"});
    QVERIFY(openWhileShown);
}

void TestTable::gameIsFullBoxIsModalOverTheTable() {
    TableSendRecorder link;
    Tchat table(link); // with the program's own message box
    table.show();
    QString text;
    bool modal = false, openWhileShown = false, openAfterClose = false;
    QWidget* parent = nullptr;
    QTimer::singleShot(50, &table, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        text = box->text();
        modal = box->isModal();
        parent = box->parentWidget();
        openWhileShown = table.isVisible();
        table.session().departed(Departure::ClosedByPeer);
        QTimer::singleShot(50, box, [&, box] {
            openAfterClose = table.isVisible();
            box->accept();
        });
    });
    table.received("CMD_full+");
    QTRY_VERIFY(!table.isVisible());
    QCOMPARE(text, QStringLiteral("Game is full"));
    QVERIFY(modal);
    QCOMPARE(parent, &table);
    QVERIFY(openWhileShown && openAfterClose);
}

void TestTable::settingsNobodyChoseAreNeverWritten() {
    const QString path = m_table->settingsPath();
    writeFile(path, kPlayersFile);
    // A table that never logged in (refused, full, unreachable) closes: nothing written.
    m_table->show();
    m_table->close();
    QCOMPARE(fileBytes(path), kPlayersFile);

    // One option changed before the log-in writes that key and nothing else.
    delete m_table;
    m_table = new Tchat(m_link);
    m_table->action("TextSize10")->trigger();
    QByteArray expected = kPlayersFile;
    expected.replace("Textsize=14", "Textsize=10");
    QCOMPARE(fileBytes(path), expected);
    m_table->show();
    m_table->close();
    QCOMPARE(fileBytes(path), expected);

    // After the log-in read the file, a save writes what was read plus what changed.
    delete m_table;
    m_table = new Tchat(m_link);
    loginAs(1);
    QCOMPARE(m_table->mainchat()->textSize(), 10);
    QCOMPARE(m_table->phrase(1), QString::fromUtf8("  olé, all  "));
    m_table->action("Slow1")->trigger();
    expected.replace("Botspeed=500", "Botspeed=2000");
    QCOMPARE(fileBytes(path), expected);
    // The player moves the window: its bounds join the file.
    m_table->setGeometry(40, 50, 710, 580);
    m_table->close();
    expected += "Top=50\r\nLeft=40\r\nWidth=710\r\nHeight=580\r\n";
    QCOMPARE(fileBytes(path), expected);
}

void TestTable::unreadableSettingsAreLeftAlone() {
    // A folder where the file should be: it exists but cannot be read as settings.
    const QString path = m_table->settingsPath();
    QVERIFY(QDir().mkpath(path));
    auto removeFolder = qScopeGuard([path] { QDir(path).removeRecursively(); });
    Tphrases phrases;
    m_table->setPhraseEditor(&phrases);
    const QString notice = QStringLiteral("Your settings file %1 cannot be read").arg(path);
    loginAs(1);
    m_table->action("TextSize12")->trigger();
    m_table->action("New1")->trigger();
    phrases.button_doneClick();
    m_table->setGeometry(40, 50, 710, 580);
    m_table->close();
    QVERIFY(QFileInfo(path).isDir());
    QVERIFY(QDir(path).isEmpty());
    // Told once, in the system colour, however often the table tried.
    const QString panel = m_table->mainchat()->toPlainText();
    QCOMPARE(panel.count(notice), 1);
    QTextBlock b = m_table->mainchat()->document()->begin();
    while (b.isValid() && !b.text().startsWith(notice))
        b = b.next();
    QCOMPARE(b.begin().fragment().charFormat().foreground().color(), QColor(0, 0, 255));
    // The settings still apply for this run.
    QCOMPARE(m_table->mainchat()->textSize(), 12);
    QCOMPARE(m_table->turnSound(), 1);
}

void TestTable::copyGivesThePanelsSelectionAsPlainText() {
    m_table->show();
    m_table->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_table));
    ChatPanel* panel = m_table->mainchat();
    m_table->addlinetochat("Bo chats: <b>first</b> & more", wire::kRed);
    m_table->addlinetochat("Cy chats: second", wire::kBlue);
    QTextCursor c(panel->document());
    c.setPosition(panel->document()->lastBlock().previous().position() + 10);
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    panel->setTextCursor(c);
    const QString selected = QStringLiteral("<b>first</b> & more\nCy chats: second");
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto copied = [clipboard] {
        const QMimeData* data = clipboard->mimeData();
        return data && !data->hasHtml() ? data->text() : QStringLiteral("<html or nothing>");
    };

    panel->setFocus();
    clipboard->clear();
    QTest::keyClick(panel, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(copied(), selected);
    // The input box copies its own selection; with none, the panel's.
    ChatInput* box = m_table->mychat();
    box->setFocus();
    box->setText("mine and more");
    box->setSelection(0, 4);
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("mine"));
    box->deselect();
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(copied(), selected);
    QCOMPARE(box->text(), QStringLiteral("mine and more"));
    // Anywhere else in the window, and from the menu item.
    m_table->board()->setFocus();
    clipboard->clear();
    QTest::keyClick(m_table->board(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(copied(), selected);
    clipboard->clear();
    m_table->action("Copy1")->trigger();
    QCOMPARE(copied(), selected);
}

void TestTable::pasteReplacesTheBoxWithOneLine() {
    ChatInput* box = m_table->mychat();
    box->setText("old text");
    QGuiApplication::clipboard()->setText(QStringLiteral("  two  spaces\r\nnext\nline\t end "));
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(box->text(), QStringLiteral("  two  spaces next line\t end "));
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(box->text(), QStringLiteral("  two  spaces next line\t end "));
}

void TestTable::typedLinesKeepWithinTheHostsLimit() {
    qint64 now = 5000;
    m_table->setClock([&now] { return now; });
    loginAs(2, "Bo");
    m_link.sent.clear();
    ChatInput* box = m_table->mychat();
    for (int i = 0; i < wire::kLineBurst - 1; ++i) {
        box->setText(QStringLiteral("line %1").arg(i));
        QTest::keyClick(box, Qt::Key_Return);
        now += 100;
    }
    m_table->b_phrase1Click(1); // phrases count too
    QCOMPARE(m_link.sent.size(), wire::kLineBurst);
    // One more would be dropped by the host: it stays, and the player is told.
    box->setText("one too many");
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(m_link.sent.size(), wire::kLineBurst);
    QCOMPARE(box->text(), QStringLiteral("one too many"));
    QCOMPARE(lastColour(), QColor(255, 0, 0));
    const QString note = lastLine();
    m_table->phraseCooldown()->start(1);
    QTRY_VERIFY(m_table->state().phraseReady);
    m_table->b_phrase1Click(2);
    QCOMPARE(m_link.sent.size(), wire::kLineBurst);
    QVERIFY(m_table->state().phraseReady); // the click did not count
    // Once the first line is far enough behind, Enter sends it.
    now = 5000 + wire::kLineWindowMs + TableSession::kLineSlackMs;
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(m_link.last(), "CMD_chat+2+one too many|clBlack" + T);
    QVERIFY(box->text().isEmpty());
    QCOMPARE(m_table->mainchat()->toPlainText().count(note), 2);
}

void TestTable::ownTurnPlaysTheChosenTurnSound() {
    loginAs(1);
    m_table->action("New1")->trigger();
    m_played.clear();
    deliver("CMD_nextplayer+1+1+1+");
    QCOMPARE(m_played, QStringList{"turnnew"});
    m_table->action("Classic1")->trigger();
    deliver("CMD_nextplayer+1+1+2+");
    QCOMPARE(m_played.last(), QStringLiteral("turn"));
}

// A table that joined a dedicated host and got record 1 runs that table.
void TestTable::hostPowersFromADedicatedHost() {
    loginAs(1);
    QVERIFY(!m_table->state().isHost);
    deliver(QStringLiteral("CMD_hostpowers+"));
    QVERIFY(m_table->state().isHost);
    QVERIFY(m_table->action(QStringLiteral("StartGame1"))->isEnabled());
    QVERIFY(m_table->board()->findChild<QWidget*>("button_start")->isVisibleTo(m_table));
    QVERIFY(lastLine().startsWith(QStringLiteral("You run this table")));
    m_table->session().remove(3);
    QCOMPARE(m_link.last(), "CMD_kickhim+1+3+" + T);
}

QTEST_MAIN(TestTable)
#include "tst_table.moc"
