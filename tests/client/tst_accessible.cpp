// The table as a screen reader meets it, through QAccessible: the dice as check
// boxes that say their place, colour, face and hold; the score sheets cell by cell;
// the turn buttons; the keys on a focused die; the events a change of turn, a roll,
// a scored turn and a chat line send; and a name on every control of every window.
// The table is driven with the host's exact messages.
#include "client/board/board.h"
#include "client/chatform.h"
#include "client/chatpanel.h"
#include "client/netdialog.h"
#include "client/phrasesform.h"
#include "client/spylistform.h"
#include "common/tablesendrecorder.h"
#include "lobby/aboutform.h"
#include "lobby/downloadform.h"
#include "lobby/helpform.h"
#include "tally/tallylistform.h"

#include <QAccessible>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>
#include <QtTest>

namespace {

const QByteArray T(1, '\xFF');

// Seat 1's first roll, dice 1..10 as (value, colour): (3,1) (wild,2) (1,3) (3,4)
// (9,1) (5,2) (7,3) (10,4) (5,1) (6,2).
const QString kFirstRoll = QStringLiteral(
    "CMD_createdice+1+1+1+3+1+2+0+2+3+1+3+4+3+4+5+9+1+6+5+2+7+7+3+8+10+4+9+5+1+10+6+2");

struct Event {
    QAccessible::Event type;
    QString object;
    QString text;         // the inserted text of a TextInserted event
    bool checked = false; // a StateChanged event's change includes "checked"
};
QList<Event> g_events;

void recordEvent(QAccessibleEvent* e) {
    Event r{e->type(), e->object() ? e->object()->objectName() : QString(), {}, false};
    if (e->type() == QAccessible::TextInserted)
        r.text = static_cast<QAccessibleTextInsertEvent*>(e)->textInserted();
    if (e->type() == QAccessible::StateChanged)
        r.checked = static_cast<QAccessibleStateChangeEvent*>(e)->changedStates().checked;
    g_events << r;
}

int count(QAccessible::Event type, const QString& object) {
    return int(std::count_if(g_events.begin(), g_events.end(),
                             [&](const Event& e) { return e.type == type && e.object == object; }));
}

// The table as the player sees it, for a look at the focus marks.
void saveScreenshot(QWidget* window, const QString& name) {
    QDir().mkpath(QStringLiteral(VIMBREL_SCREENSHOT_DIR));
    QVERIFY(window->grab().save(QStringLiteral(VIMBREL_SCREENSHOT_DIR "/") + name));
}

QAccessibleInterface* face(QObject* o) {
    return o ? QAccessible::queryAccessibleInterface(o) : nullptr;
}

// Controls a player acts on must say what they are.
bool isControl(QAccessible::Role role) {
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::EditableText:
    case QAccessible::List:
    case QAccessible::ComboBox:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::PageTab:
    case QAccessible::Link:
        return true;
    default:
        return false;
    }
}

void collectUnnamed(QAccessibleInterface* iface, const QString& path, QStringList& unnamed) {
    if (!iface || !iface->isValid()) return;
    const QString here = path + QLatin1Char('/') +
                         (iface->object() ? iface->object()->objectName() : QString()) +
                         QLatin1Char('[') + QString::number(iface->role(), 16) + QLatin1Char(']');
    if (isControl(iface->role()) && iface->text(QAccessible::Name).trimmed().isEmpty())
        unnamed << here;
    for (int i = 0; i < iface->childCount(); ++i)
        collectUnnamed(iface->child(i), here, unnamed);
}

} // namespace

class TestAccessible : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void diceSayPlaceColourFaceAndHold();
    void turnButtonsActOnlyWhenShown();
    void keysOnAFocusedDie();
    void turnRollAndScoreSendEvents();
    void chatLineIsOneInsertion();
    void everyControlOfEveryWindowIsNamed();

private:
    void deliver(const QString& message);
    void startOwnTurn();
    QString name(const QString& object) const;
    QWidget* dieAt(int position) const;

    Tchat* m_table = nullptr;
    TableSendRecorder m_link;
};

void TestAccessible::initTestCase() {
    // Offscreen, nothing switches accessibility on; a screen reader would.
    QPlatformIntegration* platform = QGuiApplicationPrivate::platformIntegration();
    if (!platform || !platform->accessibility()) QSKIP("this platform has no accessibility");
    platform->accessibility()->setActive(true);
    QAccessible::installUpdateHandler(recordEvent);
    QVERIFY(QAccessible::isActive());
}

void TestAccessible::init() {
    m_link = TableSendRecorder();
    m_table = new Tchat(m_link);
    m_table->setMessageSink([](const QString&) {});
    m_table->session().setPlayerName(QStringLiteral("Ann"));
    deliver(QStringLiteral("CMD_sendlogininfo+1"));
    deliver(QStringLiteral("CMD_newplayerinfo+1+Ann"));
    deliver(QStringLiteral("CMD_existingplayers+2+Bob"));
    m_table->show();
    m_table->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_table));
    m_link.sent.clear();
    g_events.clear();
}

void TestAccessible::cleanup() {
    delete m_table;
    m_table = nullptr;
}

void TestAccessible::deliver(const QString& message) {
    m_table->received(message);
    while (m_table->queue().pending())
        m_table->queue().tick();
}

void TestAccessible::startOwnTurn() {
    deliver(QStringLiteral("CMD_startgame+Ann+0+0+f+"));
    deliver(QStringLiteral("CMD_nextplayer+1+1+1+"));
    deliver(kFirstRoll);
    g_events.clear();
}

QString TestAccessible::name(const QString& object) const {
    QAccessibleInterface* iface = face(m_table->findChild<QWidget*>(object));
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("<no %1>").arg(object);
}

QWidget* TestAccessible::dieAt(int position) const {
    const int die = m_table->board()->displayOrder()[position - 1];
    return m_table->findChild<QWidget*>(QStringLiteral("image_d%1").arg(die));
}

void TestAccessible::diceSayPlaceColourFaceAndHold() {
    QCOMPARE(name("image_d1"), QStringLiteral("Die 1, not rolled"));
    startOwnTurn();
    const QStringList rolled{"Die 1, gold, 3",    "Die 2, blue, wild",  "Die 3, green, 1",
                             "Die 4, magenta, 3", "Die 5, gold, 9",     "Die 6, blue, 5",
                             "Die 7, green, 7",   "Die 8, magenta, 10", "Die 9, gold, 5",
                             "Die 10, blue, 6"};
    for (int k = 1; k <= 10; ++k) {
        QAccessibleInterface* die = face(dieAt(k));
        QCOMPARE(die->text(QAccessible::Name), rolled[k - 1]);
        QCOMPARE(die->role(), QAccessible::CheckBox);
        QVERIFY(die->state().checkable && !die->state().checked && die->state().focusable);
    }
    // The press action holds and releases, like a click.
    QAccessibleInterface* third = face(dieAt(3));
    third->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(m_table->board()->trayDie(3).held);
    QCOMPARE(third->text(QAccessible::Name), QStringLiteral("Die 3, green, 1, held"));
    QVERIFY(third->state().checked);
    QCOMPARE(count(QAccessible::NameChanged, "image_d3"), 1);
    QCOMPARE(count(QAccessible::StateChanged, "image_d3"), 1);
    QVERIFY(g_events.last().checked);
    // Sorted, the names follow the places: the wild first, then the held 1.
    third->actionInterface()->doAction(Board::tr("Sort the dice"));
    QCOMPARE(face(dieAt(1))->text(QAccessible::Name), QStringLiteral("Die 1, blue, wild"));
    QCOMPARE(face(dieAt(2))->text(QAccessible::Name), QStringLiteral("Die 2, green, 1, held"));
    QCOMPARE(face(dieAt(10))->text(QAccessible::Name), QStringLiteral("Die 10, magenta, 10"));
    // Tab follows the dice as they lie, then the turn buttons.
    const auto nextTabStop = [](QWidget* w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    QWidget* w = m_table->board();
    for (int k = 1; k <= 10; ++k) {
        w = nextTabStop(w);
        QCOMPARE(w, dieAt(k));
    }
    QCOMPARE(nextTabStop(w)->objectName(), QStringLiteral("button_roll"));
}

void TestAccessible::turnButtonsActOnlyWhenShown() {
    startOwnTurn();
    QAccessibleInterface* roll = face(m_table->findChild<QWidget*>("button_roll"));
    QAccessibleInterface* done = face(m_table->findChild<QWidget*>("button_alldone"));
    QAccessibleInterface* start = face(m_table->findChild<QWidget*>("button_start"));
    QCOMPARE(roll->text(QAccessible::Name), QStringLiteral("Roll Dice"));
    QCOMPARE(done->text(QAccessible::Name), QStringLiteral("All Done"));
    QCOMPARE(start->text(QAccessible::Name), QStringLiteral("Start Game"));
    QCOMPARE(roll->role(), QAccessible::PushButton);
    QVERIFY(start->state().invisible && start->state().disabled);
    // A hidden button's action does nothing, as the mouse cannot click it. (A button's
    // press action clicks a moment later, as a click would look.)
    start->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    face(dieAt(1))->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    roll->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(m_link.sent, QList<QByteArray>{"CMD_rollthedice+1+2+3+4+5+6+7+8+9+10" + T});
    QVERIFY(roll->state().invisible && done->state().invisible);
    done->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTest::qWait(300);
    QCOMPARE(m_link.sent.size(), 1);
    // The rest of the roll comes in: die 1 was kept.
    deliver(QStringLiteral("CMD_createdice+1+2+2+4+3"));
    QCOMPARE(face(dieAt(2))->text(QAccessible::Name), QStringLiteral("Die 2, green, 4"));
    QVERIFY(!roll->state().invisible);
    done->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(m_link.last(), "CMD_alldone+1+1" + T);
}

void TestAccessible::keysOnAFocusedDie() {
    startOwnTurn();
    Board* board = m_table->board();
    board->setFocus();
    QTest::keyClick(board, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dieAt(1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dieAt(2));
    // Enter on a die holds it; it does not end the turn.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(board->trayDie(1).held && board->trayDie(2).held);
    QVERIFY(m_link.sent.isEmpty());
    saveScreenshot(m_table, QStringLiteral("focus-on-held-die.png"));
    // The board's keys work from a focused die: 3 holds the third, S sorts.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_3);
    QVERIFY(board->trayDie(3).held);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S);
    QCOMPARE(board->displayOrder()[0], 2); // the wild
    // Enter on the focused roll button rolls; the focus stays with the dice.
    QWidget* roll = m_table->findChild<QWidget*>("button_roll");
    roll->setFocus();
    saveScreenshot(m_table, QStringLiteral("focus-on-roll.png"));
    QTest::keyClick(roll, Qt::Key_Enter);
    QCOMPARE(m_link.last(), "CMD_rollthedice+1+4+5+6+7+8+9+10" + T);
    QCOMPARE(QApplication::focusWidget(), dieAt(1));
    // With the board itself focused, Enter still ends the turn.
    deliver(QStringLiteral("CMD_createdice+1+2+4+4+3"));
    board->setFocus();
    QTest::keyClick(board, Qt::Key_Return);
    QCOMPARE(m_link.last(), "CMD_alldone+1+1+2+3" + T);
}

void TestAccessible::turnRollAndScoreSendEvents() {
    deliver(QStringLiteral("CMD_startgame+Ann+0+0+f+"));
    deliver(QStringLiteral("CMD_nextplayer+2+1+1+"));
    QCOMPARE(name("label_status"), QStringLiteral("Bob's turn"));
    QCOMPARE(name("label_playername2"), QStringLiteral("Seat 2: Bob, playing now"));
    QCOMPARE(name("label_playername1"), QStringLiteral("Seat 1: Ann"));
    QCOMPARE(name("image_rolls"), QStringLiteral("Rolls used: 0 of 3"));
    g_events.clear();

    deliver(QStringLiteral("CMD_createdice+2+1+1+3+1+2+0+2"));
    QCOMPARE(name("image_d2"), QStringLiteral("Die 2, blue, wild"));
    QCOMPARE(name("image_rolls"), QStringLiteral("Rolls used: 1 of 3"));
    QCOMPARE(count(QAccessible::NameChanged, "image_d1"), 1);
    QCOMPARE(count(QAccessible::NameChanged, "image_d2"), 1);
    QCOMPARE(count(QAccessible::NameChanged, "image_d3"), 0); // not in this roll
    QCOMPARE(count(QAccessible::NameChanged, "image_rolls"), 1);

    g_events.clear();
    deliver(QStringLiteral("CMD_scores+2+1+30+30+0+none+1+2+3+4+5+6"));
    QCOMPARE(name("p_21"), QStringLiteral("Bob, phase 1: 30 points"));
    QCOMPARE(name("p_22"), QStringLiteral("Bob, phase 2: empty"));
    QCOMPARE(name("label_score2"), QStringLiteral("Bob, total: 30 points"));
    QCOMPARE(name("label_bonus2"), QStringLiteral("Bob, this turn: 30 points"));
    QCOMPARE(name("label_phase"), QStringLiteral("Bob completed the phase."));
    for (const char* changed :
         {"p_21", "label_score2", "label_bonus2", "label_phase", "label_status"})
        QVERIFY2(count(QAccessible::NameChanged, changed) == 1, changed);
    QCOMPARE(count(QAccessible::NameChanged, "p_11"), 0);

    g_events.clear();
    deliver(QStringLiteral("CMD_nextplayer+1+1+1+"));
    QCOMPARE(name("label_status"), QStringLiteral("Your Turn"));
    QCOMPARE(name("label_playername1"), QStringLiteral("Seat 1: Ann, playing now"));
    QCOMPARE(name("image_d2"), QStringLiteral("Die 2, not rolled"));
    for (const char* changed :
         {"label_status", "label_playername1", "label_playername2", "image_d1", "image_rolls"})
        QVERIFY2(count(QAccessible::NameChanged, changed) == 1, changed);
    // A seat struck off its remaining phases reads "none".
    deliver(QStringLiteral("CMD_markoff+2+2+"));
    QCOMPARE(name("p_23"), QStringLiteral("Bob, phase 3: none"));
}

void TestAccessible::chatLineIsOneInsertion() {
    ChatPanel* chat = m_table->mainchat();
    QCOMPARE(face(chat)->text(QAccessible::Name), QStringLiteral("Chat"));
    deliver(QString::fromUtf8("CMD_chat+Bob chats: <b>gl</b> \xC3\xA9|clBlue"));
    QList<Event> inserted;
    for (const Event& e : g_events)
        if (e.type == QAccessible::TextInserted && e.object == QLatin1String("mainchat"))
            inserted << e;
    QCOMPARE(inserted.size(), 1);
    QVERIFY2(inserted[0].text.endsWith(QString::fromUtf8("Bob chats: <b>gl</b> \xC3\xA9")),
             qPrintable(inserted[0].text));
}

void TestAccessible::everyControlOfEveryWindowIsNamed() {
    startOwnTurn();
    Ttallylist tally;
    Tabout about;
    Tdownload download;
    Thelp help(&about);
    Tphrases phrases;
    Tspylist spies;
    const auto never = [](const QString&, const QStringList&) { return false; };
    NetDialog host(NetDialog::Mode::Host, QDir::temp().filePath("none.ini"), "Ann", "vimbrel",
                   never);
    NetDialog join(NetDialog::Mode::Join, QDir::temp().filePath("none.ini"), "Ann", "vimbrel",
                   never);
    QStringList unnamed;
    for (QWidget* w : std::initializer_list<QWidget*>{m_table, &tally, &about, &download, &help,
                                                      &phrases, &spies, &host, &join})
        collectUnnamed(face(w), w->metaObject()->className(), unnamed);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char('\n'))));
    QCOMPARE(name("b_phrase1"), QStringLiteral("Phrase 1: Way To Go!"));
}

QTEST_MAIN(TestAccessible)
#include "tst_accessible.moc"
