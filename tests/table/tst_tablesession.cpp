// The table's session without a window: exact bytes in through its link, exact bytes
// out, and what it tells the windows through its signals.
#include "common/tablesendrecorder.h"
#include "protocol/lineallowance.h"
#include "table/ignorelist.h"
#include "table/tablesession.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray T(1, '\xFF');

struct ClosingLink : TableSendRecorder {
    int closes = 0;
    void close() override { ++closes; }
};

} // namespace

class TestTableSession : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void logInOnceAndSayWhoArrived();
    void bytesAreCutIntoMessagesAndAnEndlessOneClosesTheLink();
    void spectatorsComeAndGo();
    void playerDepartures();
    void justWatchAndTheTurn();
    void heldSeatsAndComingBack();
    void aReturnReadsAsOneLine();
    void removalsAndWhyTheTableEnded();
    void rejoinSecretOnlyForTheSameHostAndPort();
    void hostPowersOnceAndRemovalOnlyWithThem();
    void ignoreHidesOnlyThatSenderAndNeverOurOwnName();
    void chatAllowanceAndPhraseCooldown();
    void malformedMessageChangesNothing();
    void theEndIsToldOnceAfterWhatCameBefore();
    void settingKeepsAnyName();

private:
    void deliver(const QString& message);
    void loginAs(int record, const QString& name = QStringLiteral("Ann"));
    QStringList notices() const;
    QString lastNotice() const { return notices().value(notices().size() - 1); }

    QTemporaryDir m_dir;
    ClosingLink m_link;
    TableSession* m_session = nullptr;
    QSignalSpy* m_notices = nullptr;
};

void TestTableSession::init() {
    m_link = ClosingLink();
    QFile::remove(m_dir.filePath("zumveklobby.ini"));
    m_session = new TableSession(m_link, m_dir.filePath("zumveklobby.ini"));
    m_notices = new QSignalSpy(m_session, &TableSession::notice);
}

void TestTableSession::cleanup() {
    delete m_notices;
    delete m_session;
}

void TestTableSession::deliver(const QString& message) {
    m_session->received(message);
    while (m_session->queue().pending())
        m_session->queue().tick();
}

void TestTableSession::loginAs(int record, const QString& name) {
    m_session->setPlayerName(name);
    deliver(QStringLiteral("CMD_sendlogininfo+%1").arg(record));
    deliver(QStringLiteral("CMD_newplayerinfo+%1+%2").arg(record).arg(name));
}

QStringList TestTableSession::notices() const {
    QStringList lines;
    for (const QList<QVariant>& args : *m_notices)
        lines << args.at(0).toString();
    return lines;
}

void TestTableSession::logInOnceAndSayWhoArrived() {
    QSignalSpy own(m_session, &TableSession::ownArrived);
    QSignalSpy named(m_session, &TableSession::seatNamed);
    loginAs(2, "Bo");
    QCOMPARE(m_link.sent, QList<QByteArray>{"CMD_logininfo+2+1.0.7+Bo" + T});
    QCOMPARE(m_session->state().ownSeat, 2);
    QVERIFY(m_session->state().connected);
    QCOMPARE(own.size(), 1);
    QCOMPARE(lastNotice(), QStringLiteral("You are Connected."));
    QCOMPARE(named.takeFirst(), (QList<QVariant>{2, QStringLiteral("Bo")}));
    deliver("CMD_existingplayers+1+Ann");
    QCOMPARE(lastNotice(), QStringLiteral("Ann is Connected."));
    QCOMPARE(m_session->seatName(1), QStringLiteral("Ann"));
    // A second log-in request is not answered again.
    deliver("CMD_sendlogininfo+4");
    QCOMPARE(m_link.sent.size(), 1);
    QCOMPARE(m_session->state().ownSeat, 2);
}

void TestTableSession::bytesAreCutIntoMessagesAndAnEndlessOneClosesTheLink() {
    m_session->sockRead("CMD_newplayerinfo+1+A");
    m_session->sockRead("nn" + T + "CMD_newplayerinfo+2+Bo" + T + "CMD_newpl");
    QCOMPARE(m_session->queue().pending(), 2);
    while (m_session->queue().pending())
        m_session->queue().tick();
    QCOMPARE(m_session->seatName(1), QStringLiteral("Ann"));
    QCOMPARE(m_session->seatName(2), QStringLiteral("Bo"));
    QCOMPARE(m_link.closes, 0);
    m_session->sockRead(QByteArray(128 * 1024, 'x'));
    QCOMPARE(m_link.closes, 1);
}

void TestTableSession::spectatorsComeAndGo() {
    QSignalSpy arrived(m_session, &TableSession::spectatorArrived);
    QSignalSpy left(m_session, &TableSession::spectatorLeft);
    loginAs(6, "Zed");
    QCOMPARE(lastNotice(), QStringLiteral("You are spying."));
    deliver("CMD_newplayerinfo+7+Bo");
    QCOMPARE(lastNotice(), QStringLiteral("Bo is spying."));
    QCOMPARE(m_session->roster().spectators(), (QStringList{"6: Zed", "7: Bo"}));
    QCOMPARE(arrived.size(), 2);
    deliver("CMD_playerdisconnected+7+Bo");
    QCOMPARE(lastNotice(), QStringLiteral("Bo has left."));
    QCOMPARE(left.takeFirst().at(0).toString(), QStringLiteral("7: Bo"));
    // A departure of somebody who is not there says nothing.
    const int before = m_notices->size();
    deliver("CMD_playerdisconnected+8+Nobody");
    QCOMPARE(m_notices->size(), before);
    QCOMPARE(left.size(), 0);
    for (int s = 1; s <= 4; ++s)
        QCOMPARE(m_session->seatName(s), QStringLiteral("<Waiting>"));
}

void TestTableSession::playerDepartures() {
    loginAs(1);
    deliver("CMD_newplayerinfo+2+Bo");
    deliver("CMD_playerdisconnected+2+Bo");
    QCOMPARE(lastNotice(), QStringLiteral("Bo disconnected."));
    QCOMPARE(m_session->seatName(2), QStringLiteral("Klot"));
    const int before = m_notices->size();
    deliver("CMD_playerdisconnected+3+Cy");
    QCOMPARE(m_notices->size(), before); // seat 3 was waiting: no notice
    QCOMPARE(m_session->seatName(3), QStringLiteral("<Waiting>"));
}

void TestTableSession::justWatchAndTheTurn() {
    QSignalSpy ticked(m_session, &TableSession::ownJustWatchChanged);
    loginAs(2, "Bo");
    m_link.sent.clear();
    m_session->justWatch(true);
    QCOMPARE(m_link.last(), "CMD_justwatch+2+1" + T);
    deliver("CMD_justwatching+2+1");
    QCOMPARE(ticked.takeFirst().at(0).toBool(), true);
    QVERIFY(m_session->state().computerPlaysOwnSeat);
    QCOMPARE(lastNotice(), QStringLiteral("Bo is just watching"));
    // The computer's turn for our seat: the turn buttons change and send nothing.
    deliver("CMD_createdice+2+1+1+4+1");
    QCOMPARE(m_session->state().turnSeat, 2);
    m_link.sent.clear();
    QVERIFY(!m_session->roll({1, 2}));
    QVERIFY(!m_session->endTurn({}));
    QVERIFY(m_link.sent.isEmpty());
    // A new game hands the seat back; our own turn is ours to roll.
    deliver("CMD_startgame+Ann+0+0+f+");
    QCOMPARE(ticked.takeFirst().at(0).toBool(), false);
    QCOMPARE(lastNotice(), QStringLiteral("Ann has started a game."));
    deliver("CMD_nextplayer+2+1+1+");
    QVERIFY(m_session->roll({1, 2}));
    QCOMPARE(m_link.last(), "CMD_rollthedice+2+1+2" + T);
    QCOMPARE(m_session->state().turnSeat, 0); // nothing more until the host answers
    // Seats beyond the playing seats are ignored; the host's player sets others.
    deliver("CMD_justwatching+7+1");
    QVERIFY(!m_session->state().computerPlaysOwnSeat);
    m_session->setJustWatch(3, true);
    QCOMPARE(m_link.last(), "CMD_justwatch+3+1" + T);
}

void TestTableSession::heldSeatsAndComingBack() {
    QSignalSpy eyes(m_session, &TableSession::eyesShown);
    QSignalSpy hands(m_session, &TableSession::ownSeatChangedHands);
    loginAs(1);
    deliver("CMD_seatheld+3+Cy");
    QCOMPARE(m_session->seatName(3), QStringLiteral("Cy"));
    QCOMPARE(eyes.takeFirst(), (QList<QVariant>{3, true}));
    QCOMPARE(
        lastNotice(),
        QStringLiteral("Cy's seat is kept for them; the computer plays it until they come back."));
    deliver("CMD_seatheld+2+");
    QCOMPARE(m_session->seatName(2), QStringLiteral("Klot"));
    QCOMPARE(eyes.takeFirst(), (QList<QVariant>{2, false}));
    deliver("CMD_seatheld+9+Spy"); // not a playing seat
    QVERIFY(eyes.isEmpty());
    // Back in seat 3: the computer ends the turn it began.
    deliver("CMD_rejoined+3");
    QCOMPARE(m_session->state().ownSeat, 3);
    QVERIFY(m_session->state().computerPlaysOwnSeat);
    QCOMPARE(hands.size(), 1);
    QVERIFY(lastNotice().startsWith("Welcome back"));
}

void TestTableSession::aReturnReadsAsOneLine() {
    QSignalSpy eyes(m_session, &TableSession::eyesShown);
    loginAs(1);
    deliver("CMD_newplayerinfo+2+Bob");
    deliver("CMD_playerdisconnected+2+Bob");
    deliver("CMD_seatheld+2+Bob");
    eyes.clear();
    int before = m_notices->size();
    // The others: the host announces Bob only in his own seat.
    deliver("CMD_newplayerinfo+2+Bob");
    deliver("CMD_justwatching+2+2");
    QCOMPARE(notices().mid(before), QStringList{"Bob is back"});
    QCOMPARE(eyes.takeLast(), (QList<QVariant>{2, false}));
    deliver("CMD_justwatching+2+1"); // later news is told as ever
    deliver("CMD_justwatching+2+2");
    QCOMPARE(notices().mid(before + 1),
             (QStringList{"Bob is just watching", "Bob is now playing again"}));

    // Bob himself, in by record 5 and back in seat 2: only his welcome and who is here,
    // also from a host that still announces the record he came in by.
    for (bool announced : {false, true}) {
        ClosingLink link;
        TableSession bob(link, m_session->settingsPath());
        QSignalSpy lines(&bob, &TableSession::notice);
        QSignalSpy own(&bob, &TableSession::eyesShown);
        bob.setPlayerName("Bob");
        QStringList script{"CMD_sendlogininfo+5"};
        if (announced) script << "CMD_newplayerinfo+5+Bob";
        script << "CMD_rejoined+2";
        if (announced) script << "CMD_playerdisconnected+5+Bob";
        script << "CMD_newplayerinfo+2+Bob"
               << "CMD_existingplayers+1+Ann"
               << "CMD_justwatching+2+2";
        for (const QString& m : script) {
            bob.received(m);
            while (bob.queue().pending())
                bob.queue().tick();
        }
        QStringList said;
        for (const QList<QVariant>& args : lines)
            said << args.at(0).toString();
        if (announced)
            QCOMPARE(said.mid(0, 2), (QStringList{"You are Connected.", "You are spying."}));
        if (announced) said = said.mid(2);
        QVERIFY2(said.size() == 2, qPrintable(said.join(" / ")));
        QVERIFY(said[0].startsWith("Welcome back"));
        QCOMPARE(said[1], QStringLiteral("Ann is Connected."));
        // The computer's eyes on his seat until it is his again.
        QCOMPARE(own.first(), (QList<QVariant>{2, true}));
        QCOMPARE(own.last(), (QList<QVariant>{2, false}));
        QVERIFY(bob.roster().spectators().isEmpty());
    }
}

void TestTableSession::removalsAndWhyTheTableEnded() {
    loginAs(2, "Bo");
    deliver("CMD_newplayerinfo+3+Cid");
    deliver("CMD_newplayerinfo+6+Eve");
    int before = m_notices->size();
    for (const char* m : {"CMD_removed+3+Cid", "CMD_playerdisconnected+3+Cid", "CMD_removed+6+Eve",
                          "CMD_playerdisconnected+6+Eve"})
        deliver(QString::fromLatin1(m));
    QCOMPARE(notices().mid(before), (QStringList{"Cid was removed", "Eve was removed"}));
    QCOMPARE(m_session->seatName(3), QStringLiteral("<Waiting>"));
    QVERIFY(m_session->roster().spectators().isEmpty());
    // The record is free again: its next player's leaving is told as ever.
    deliver("CMD_newplayerinfo+3+Dan");
    deliver("CMD_playerdisconnected+3+Dan");
    QCOMPARE(lastNotice(), QStringLiteral("Dan disconnected."));

    // Removed ourselves: said once, when the connection ends, and the table stays.
    QVERIFY(m_session->farewell().isEmpty());
    before = m_notices->size();
    deliver("CMD_removed+2+Bo");
    QCOMPARE(m_notices->size(), before);
    m_session->departed(Departure::ClosedByPeer);
    QCOMPARE(m_session->farewell(), QStringLiteral("You were removed from the table"));

    struct Case {
        Departure why;
        const char* farewell;
    };
    for (const Case& c : {Case{Departure::ClosedByPeer, "The table was closed by its host"},
                          Case{Departure::Reset, "The connection to the host was lost"}}) {
        ClosingLink link;
        TableSession next(link, m_session->settingsPath());
        next.departed(c.why);
        next.departed(Departure::ClosedByUs); // the first reason holds
        QCOMPARE(next.farewell(), QString::fromLatin1(c.farewell));
    }
}

void TestTableSession::rejoinSecretOnlyForTheSameHostAndPort() {
    QSignalSpy available(m_session, &TableSession::rejoinAvailable);
    m_session->setHostAddress("games.example");
    m_session->setGamePort(7800);
    loginAs(2, "Bo");
    deliver("CMD_seattoken+  s3cr3t  ");
    deliver("CMD_seattoken+");
    QCOMPARE(available.size(), 1);
    QFile f(m_session->settingsPath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("[Vimbrel]\nRejointoken=s3cr3t\nRejoinhost=games.example\n"
                                     "Rejoinport=7800\nRejoinname=Bo\n"));
    f.close();
    struct Case {
        const char* host;
        quint16 port;
        bool presented;
    };
    for (const Case& c : {Case{"games.example", 7800, true}, Case{"games.example", 7772, false},
                          Case{"other.example", 7800, false}}) {
        ClosingLink link;
        TableSession next(link, m_session->settingsPath());
        next.setHostAddress(QString::fromLatin1(c.host));
        next.setGamePort(c.port);
        next.setPlayerName("Bo");
        next.sendloginfo({4, {}});
        QCOMPARE(link.sent.size(), c.presented ? 2 : 1);
        if (c.presented) QCOMPARE(link.last(), "CMD_rejoin+4+s3cr3t" + T);
    }
}

void TestTableSession::hostPowersOnceAndRemovalOnlyWithThem() {
    QSignalSpy powers(m_session, &TableSession::hostPowersGained);
    loginAs(1);
    m_link.sent.clear();
    m_session->remove(3);
    QVERIFY(m_link.sent.isEmpty());
    deliver("CMD_hostpowers+");
    deliver("CMD_hostpowers+");
    QCOMPARE(powers.size(), 1);
    QVERIFY(m_session->state().isHost);
    QCOMPARE(notices().filter("You run this table").size(), 1);
    m_session->remove(3);
    QCOMPARE(m_link.last(), "CMD_kickhim+1+3+" + T);
}

void TestTableSession::ignoreHidesOnlyThatSenderAndNeverOurOwnName() {
    loginAs(1);
    deliver("CMD_newplayerinfo+2+Al");
    deliver("CMD_newplayerinfo+6+Al Smith");
    deliver("CMD_newplayerinfo+7+Ann"); // shares our name
    QVERIFY(m_session->ignoreItemText(1).isEmpty());
    QVERIFY(m_session->ignoreItemText(7).isEmpty());
    QVERIFY(m_session->ignoreItemText(3).isEmpty()); // nobody there
    QCOMPARE(m_session->ignoreItemText(2), QStringLiteral("Ignore Chat From Al"));
    m_link.sent.clear();
    m_session->toggleIgnore(2);
    m_session->toggleIgnore(7);
    QVERIFY(m_link.sent.isEmpty()); // nobody is told
    QCOMPARE(m_session->ignored().names(), QStringList{"Al"});
    const int before = m_notices->size();
    deliver("CMD_chat+Al chats: hidden|clBlack");
    deliver("CMD_action+Al waves|clBlack");
    deliver("CMD_action+Al Smith nods|clBlack");
    deliver("CMD_chat+Ann chats: mine|clBlack");
    QCOMPARE(notices().mid(before), (QStringList{"Al Smith nods", "Ann chats: mine"}));
    // Each line names its sender, so that ignoring them later hides it too; our own
    // lines are nobody's to hide.
    QCOMPARE(m_notices->at(before).at(2).toString(), QStringLiteral("Al Smith"));
    QCOMPARE(m_notices->at(before + 1).at(2).toString(), QString());
    QSignalSpy hidden(m_session, &TableSession::chatHidden);
    m_session->toggleIgnore(2);
    QCOMPARE(hidden.takeFirst(), (QList<QVariant>{"Al", false}));
    QFile f(m_session->settingsPath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("[Vimbrel]\nIgnored=\n"));
}

void TestTableSession::chatAllowanceAndPhraseCooldown() {
    qint64 now = 5000;
    m_session->setClock([&now] { return now; });
    QVERIFY(!m_session->say("too early", wire::kBlack, wire::kBlack)); // not connected
    loginAs(2, "Bo");
    m_link.sent.clear();
    m_session->sayPhrase("Nice Try!", wire::kBlack);
    QCOMPARE(m_link.last(), "CMD_action+2+says: Nice Try!|clBlack" + T);
    QVERIFY(!m_session->state().phraseReady);
    m_session->sayPhrase("again", wire::kBlack); // cooling down
    QCOMPARE(m_link.sent.size(), 1);
    QVERIFY(m_session->say("/nothing", wire::kBlack, wire::kBlack));
    for (int i = 1; i < wire::kLineBurst; ++i)
        QVERIFY(m_session->say(QStringLiteral("line %1").arg(i), wire::kBlack, wire::kBlack));
    QCOMPARE(m_link.sent.size(), wire::kLineBurst);
    QVERIFY(!m_session->say("one too many", wire::kBlack, wire::kBlack));
    QCOMPARE(m_link.sent.size(), wire::kLineBurst);
    QCOMPARE(m_notices->last().at(1).value<wire::BgrColour>(), wire::kRed);
    now += wire::kLineWindowMs + TableSession::kLineSlackMs;
    QVERIFY(m_session->say("/me one too many", wire::kBlack, wire::kBlue));
    QCOMPARE(m_link.last(), "CMD_action+2+one too many|clBlue" + T);
    m_session->phraseCooldown()->start(1);
    QTRY_VERIFY(m_session->state().phraseReady);
}

void TestTableSession::malformedMessageChangesNothing() {
    loginAs(1);
    QSignalSpy dice(m_session, &TableSession::diceCreated);
    deliver("CMD_createdice+x+1+1+4+1");
    deliver("CMD_nosuchthing+1");
    QCOMPARE(dice.size(), 0);
    QCOMPARE(m_session->state().turnSeat, 0);
    QCOMPARE(m_notices->last().at(1).value<wire::BgrColour>(), wire::kRed);
    deliver("CMD_createdice+1+1+1+4+1"); // the next one is handled as ever
    QCOMPARE(dice.size(), 1);
}

void TestTableSession::theEndIsToldOnceAfterWhatCameBefore() {
    QStringList order;
    connect(m_session, &TableSession::message, this, [&order](const QString& m) { order << m; });
    connect(m_session, &TableSession::ended, this, [&order] { order << "ended"; });
    m_session->sockRead("CMD_full+" + T);
    m_session->departed(Departure::ClosedByPeer);
    m_session->departed(Departure::Reset);
    QVERIFY(order.isEmpty() || order == QStringList{"ended"});
    while (m_session->queue().pending())
        m_session->queue().tick();
    // The windows wait for the queue before they close, so the message is still read.
    QCOMPARE(order.count("ended"), 1);
    QVERIFY(order.contains("Game is full"));
    QVERIFY(m_session->farewell().isEmpty()); // told already: the window may go
    // An error before the log-in is told in words naming where; after it, the departure
    // says enough.
    m_session->setHostAddress("192.0.2.5:7800");
    m_session->sockInfo("Error #10061 (WSAECONNREFUSED)");
    QCOMPARE(notices(), QStringList{"Could not join 192.0.2.5:7800: the connection was refused, "
                                    "so no game is hosted there on port 7800. Is the host "
                                    "running, and is that its port?"});
    loginAs(1);
    const int before = m_notices->size();
    m_session->sockInfo("Error #10054 (WSAECONNRESET)");
    QCOMPARE(m_notices->size(), before);
}

void TestTableSession::settingKeepsAnyName() {
    IgnoreList list;
    const QStringList names{"a,b", "100%", "%2C", " spaced ", "J\u00F6rg \u738B", "x=y;z"};
    for (const QString& n : names)
        QVERIFY(list.add(n));
    QVERIFY(!list.add("a,b") && !list.add(QString()));
    QCOMPARE(IgnoreList::fromSetting(list.toSetting()).names(), names);
    // A hand-edited value: empty items and repeats do not make names.
    QCOMPARE(IgnoreList::fromSetting(",Bo,,Bo,Cy%2C Jr,").names(), (QStringList{"Bo", "Cy, Jr"}));
}

QTEST_GUILESS_MAIN(TestTableSession)
#include "tst_tablesession.moc"
