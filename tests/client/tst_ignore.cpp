// Ignoring a player's chat from the seat menu and the spectator list: which lines go,
// which stay, that the host hears nothing of it, and the list in the settings file.
#include "client/board/board.h"
#include "client/chatform.h"
#include "client/chatpanel.h"
#include "client/spylistform.h"
#include "common/tablesendrecorder.h"
#include "protocol/clientlink.h"

#include <QAction>
#include <QListWidget>
#include <QtTest>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Another program's section before ours and one after, in CR LF and Latin-1.
const QByteArray kPlayersFile = "[Lobby]\r\nName=J\xF6rg\r\n\r\n[Vimbrel]\r\nTextsize=14\r\n"
                                "Phrase1=  hi, all  \r\n\r\n[Other]\r\nkeep=me\r\n";

} // namespace

class TestIgnore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void seatMenuHidesOnlyThatPlayersLines();
    void seatMenuOffersItToEveryoneButNotForOurselvesOrTheComputer();
    void linesAlreadyShownHideAndComeBack();
    void spectatorListIgnoresToo();
    void listSurvivesARestartAndTouchesOnlyItsKey();

private:
    void newTable();
    void deliver(const QString& message);
    void loginAs(int record, const QString& name);
    QStringList lines() const {
        return m_table->mainchat()->toPlainText().split(QLatin1Char('\n'));
    }
    QAction* seatItem(int seat);

    Tchat* m_table = nullptr;
    TableSendRecorder m_link;
};

void TestIgnore::init() {
    QFile::remove(QDir(qEnvironmentVariable("VIMBREL_PROGRAM_DIR")).filePath("zumveklobby.ini"));
    newTable();
}

void TestIgnore::cleanup() {
    delete m_table;
    m_table = nullptr;
}

void TestIgnore::newTable() {
    delete m_table;
    m_link = TableSendRecorder();
    m_table = new Tchat(m_link);
    m_table->setMessageSink([](const QString&) {});
}

void TestIgnore::deliver(const QString& message) {
    m_table->received(message);
    while (m_table->queue().pending())
        m_table->queue().tick();
}

void TestIgnore::loginAs(int record, const QString& name) {
    m_table->session().setPlayerName(name);
    deliver(QStringLiteral("CMD_sendlogininfo+%1").arg(record));
    deliver(QStringLiteral("CMD_newplayerinfo+%1+%2").arg(record).arg(name));
}

// The seat menu's ignore item as it stands after a right click on that seat.
QAction* TestIgnore::seatItem(int seat) {
    m_table->label_playername1ContextPopup(seat, {});
    return m_table->action("IgnoreChat1");
}

void TestIgnore::seatMenuHidesOnlyThatPlayersLines() {
    loginAs(1, "Ann");
    deliver("CMD_newplayerinfo+2+Al");
    deliver("CMD_newplayerinfo+3+Alice");
    deliver("CMD_newplayerinfo+6+Al Smith");
    m_link.sent.clear();
    QAction* item = seatItem(2);
    QCOMPARE(item->text(), QStringLiteral("Ignore Chat From Al"));
    item->trigger();
    QVERIFY(m_link.sent.isEmpty()); // Al is never told

    deliver("CMD_chat+Al chats: first secret|clBlack");
    deliver("CMD_action+Al waves at all|clBlack");
    deliver("CMD_action+Al says: Nice Try!|clBlack");
    deliver("CMD_chat+Al chats: no colour either");
    deliver("CMD_chat+Alice chats: from Alice|clBlack");
    deliver("CMD_action+Alice waves|clBlack");
    deliver("CMD_action+Al Smith nods|clBlack");
    deliver("CMD_chat+Al Smith chats: from Smith|clBlack");
    deliver("CMD_chat+Ann chats: mine|clBlack");
    deliver("CMD_justwatching+2+1");
    deliver("CMD_havewrongversion+Al");
    const QString panel = m_table->mainchat()->toPlainText();
    for (const char* gone : {"first secret", "Al waves at all", "Al says:", "no colour either"})
        QVERIFY2(!panel.contains(QLatin1String(gone)), gone);
    for (const char* kept : {"Alice chats: from Alice", "Alice waves", "Al Smith nods",
                             "Al Smith chats: from Smith", "Ann chats: mine", "Al is just watching",
                             "Al has a different version of the game then you."})
        QVERIFY2(lines().contains(QString::fromLatin1(kept)), kept);

    // The way back shows new lines again; the hidden ones stay gone.
    item = seatItem(2);
    QCOMPARE(item->text(), QStringLiteral("Show Chat From Al Again"));
    item->trigger();
    QVERIFY(m_link.sent.isEmpty());
    deliver("CMD_action+Al is back|clBlack");
    QCOMPARE(lines().constLast(), QStringLiteral("Al is back"));
    QVERIFY(!m_table->mainchat()->toPlainText().contains("first secret"));
}

void TestIgnore::linesAlreadyShownHideAndComeBack() {
    loginAs(1, "Ann");
    m_table->setTextSize(14);
    deliver("CMD_newplayerinfo+2+Al");
    deliver("CMD_newplayerinfo+6+Al Smith");
    deliver("CMD_chat+Al chats: said before|clBlack");
    deliver("CMD_action+Al Smith nods|clBlack");
    deliver("CMD_action+Al waves|clBlack");
    deliver("CMD_chat+Ann chats: mine|clBlack");
    seatItem(2)->trigger();
    QStringList shown = lines();
    QVERIFY(!shown.contains("Al chats: said before") && !shown.contains("Al waves"));
    QVERIFY(shown.contains("Al Smith nods") && shown.contains("Ann chats: mine"));
    deliver("CMD_chat+Al chats: said while hidden|clBlack");

    // Shown again in their places; what was said while hidden stays unseen.
    seatItem(2)->trigger();
    shown = lines();
    const qsizetype before = shown.indexOf("Al chats: said before");
    QVERIFY(before >= 0);
    QCOMPARE(shown.mid(before, 4), (QStringList{"Al chats: said before", "Al Smith nods",
                                                "Al waves", "Ann chats: mine"}));
    QVERIFY(!m_table->mainchat()->toPlainText().contains("said while hidden"));
    QCOMPARE(m_table->mainchat()->document()->defaultFont().pointSize(), 14); // as chosen
    // A cleared panel brings nothing back.
    seatItem(2)->trigger();
    m_table->action("ClearMainChat1")->trigger();
    seatItem(2)->trigger();
    QVERIFY(!m_table->mainchat()->toPlainText().contains("said before"));
}

void TestIgnore::seatMenuOffersItToEveryoneButNotForOurselvesOrTheComputer() {
    loginAs(3, "Cy");
    deliver("CMD_newplayerinfo+1+Tom & Jerry");
    deliver("CMD_newplayerinfo+2+Bo");
    QVERIFY(!m_table->state().isHost);
    QAction* item = seatItem(1);
    QVERIFY(item->isVisible() && item->isEnabled());
    QCOMPARE(item->text(), QStringLiteral("Ignore Chat From Tom && Jerry")); // no mnemonic
    QVERIFY(!m_table->action("RemoveFromGame1")->isEnabled()); // the host's items stay the host's
    QVERIFY(!seatItem(3)->isVisible());                        // ourselves
    QVERIFY(!seatItem(4)->isVisible());                        // "<Waiting>"
    deliver("CMD_playerdisconnected+2+Bo");
    QCOMPARE(m_table->board()->playerName(2), QStringLiteral("Klot"));
    QVERIFY(!seatItem(2)->isVisible()); // the computer never chats
    // A player who shares our name cannot be told apart from us.
    deliver("CMD_newplayerinfo+4+Cy");
    QVERIFY(!seatItem(4)->isVisible());
    seatItem(1)->trigger();
    QCOMPARE(m_table->session().ignored().names(), QStringList{"Tom & Jerry"});
    deliver("CMD_chat+Tom & Jerry chats: a secret|clBlack");
    QVERIFY(!m_table->mainchat()->toPlainText().contains("a secret"));
}

void TestIgnore::spectatorListIgnoresToo() {
    Tspylist spies;
    m_table->setSpyList(&spies);
    loginAs(6, "Zed");
    deliver("CMD_newplayerinfo+7+Bo, Jr");
    deliver("CMD_newplayerinfo+1+Ann");
    auto* list = spies.findChild<QListWidget*>("listbox_spys");
    auto* item = spies.findChild<QAction*>("popup_ignore");
    QVERIFY(list && item);
    QCOMPARE(spies.spies(), (QStringList{"6: Zed", "7: Bo, Jr"}));
    spies.popup_kickPopup(list->visualItemRect(list->item(0)).center());
    QVERIFY(!item->isVisible()); // our own line
    spies.popup_kickPopup(list->visualItemRect(list->item(1)).center());
    QVERIFY(item->isVisible());
    QVERIFY(!spies.removeEnabled()); // removal stays the host's
    m_link.sent.clear();
    item->trigger();
    QVERIFY(m_link.sent.isEmpty());
    deliver("CMD_chat+Bo, Jr chats: psst|clBlack");
    deliver("CMD_action+Bo, Jr says: Thanks!|clBlack");
    deliver("CMD_chat+Ann chats: hello|clBlack");
    QString panel = m_table->mainchat()->toPlainText();
    QVERIFY(!panel.contains("psst") && !panel.contains("Thanks!"));
    QVERIFY(panel.contains("Ann chats: hello"));
    // Below the last line there is nobody to ignore.
    const QRect last = list->visualItemRect(list->item(1));
    spies.popup_kickPopup(last.center() + QPoint(0, 2 * last.height()));
    QVERIFY(!item->isVisible());
    spies.popup_kickPopup(list->visualItemRect(list->item(1)).center());
    QCOMPARE(item->text(), QStringLiteral("Show Chat From Bo, Jr Again"));
    item->trigger();
    deliver("CMD_chat+Bo, Jr chats: psst again|clBlack");
    QVERIFY(m_table->mainchat()->toPlainText().contains("psst again"));
    // Someone leaving takes their menu item along.
    deliver("CMD_playerdisconnected+7+Bo, Jr");
    QVERIFY(m_table->session().ignoreItemText(7).isEmpty());
}

void TestIgnore::listSurvivesARestartAndTouchesOnlyItsKey() {
    const QString path = m_table->settingsPath();
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(kPlayersFile);
    f.close();
    const QString odd = QStringLiteral("50% off, really ");
    loginAs(1, "Ann");
    deliver("CMD_newplayerinfo+2+" + odd);
    deliver("CMD_newplayerinfo+3+Al");
    seatItem(2)->trigger();
    QByteArray expected = kPlayersFile;
    expected.replace("  \r\n\r\n[Other]", "  \r\nIgnored=50%25 off%2C really \r\n\r\n[Other]");
    QCOMPARE(fileBytes(path), expected);
    seatItem(3)->trigger();
    expected.replace("really \r\n", "really ,Al\r\n");
    QCOMPARE(fileBytes(path), expected);
    // Nothing else was chosen, so closing writes nothing more.
    m_table->close();
    QCOMPARE(fileBytes(path), expected);

    // The next run reads the list with the other settings when it logs in.
    newTable();
    deliver("CMD_chat+Al chats: before the log-in|clBlack"); // nothing read yet
    loginAs(4, "Dee");
    QCOMPARE(m_table->session().ignored().names(), (QStringList{odd, "Al"}));
    deliver("CMD_newplayerinfo+2+" + odd);
    deliver("CMD_chat+" + odd + " chats: still hidden|clBlack");
    deliver("CMD_action+Al shrugs|clBlack");
    QString panel = m_table->mainchat()->toPlainText();
    QVERIFY(panel.contains("before the log-in"));
    QVERIFY(!panel.contains("still hidden") && !panel.contains("Al shrugs"));
    QCOMPARE(seatItem(2)->text(), QStringLiteral("Show Chat From 50% off, really  Again"));
    seatItem(2)->trigger();
    expected.replace("Ignored=50%25 off%2C really ,Al", "Ignored=Al");
    QCOMPARE(fileBytes(path), expected);
    deliver("CMD_chat+" + odd + " chats: shown now|clBlack");
    QVERIFY(m_table->mainchat()->toPlainText().contains("shown now"));
}

QTEST_MAIN(TestIgnore)
#include "tst_ignore.moc"
