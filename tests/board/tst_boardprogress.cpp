// Game progress on the board: start, turns, results on the score sheets, the
// newcomer's snapshot, the winner and the tally, and hostile numbers.
#include "boardrecorder.h"
#include "protocol/fields.h"
#include "widgets/plainlabel.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QDir>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

namespace {

const QColor kSilver(192, 192, 192);
const QColor kLime(143, 245, 5);
const QColor kWhite(255, 255, 255);

QColor colourOf(const BoardRig& rig, int phase) {
    return rig.label(QStringLiteral("label_example%1").arg(phase))
        ->palette()
        .color(QPalette::WindowText);
}
bool boldOf(const BoardRig& rig, int phase) {
    return rig.label(QStringLiteral("label_example%1").arg(phase))->font().bold();
}

void saveShot(Board& board, const QString& name) {
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    QVERIFY(board.grab().save(dir + QStringLiteral("/board-") + name + QStringLiteral(".png")));
}

} // namespace

class TestBoardProgress : public QObject {
    Q_OBJECT
private slots:
    void freshBoard();
    void startButtonAndGameStart();
    void ownTurnStart();
    void otherTurnStart();
    void scoresFillCellsAndBonuses();
    void ownPhaseCompletedMovesPhaseList();
    void failedTurnAndMarkoff();
    void winnerAndTally_data();
    void winnerAndTally();
    void newcomerSnapshot();
    void newcomerSnapshotAllPhasesDone();
    void newcomerSeesTheTruth();
    void gameBoundariesResetTheTable();
    void hostileValuesIgnored();
    void longNamesEndInAnEllipsis();
    void screenshots();
};

void TestBoardProgress::freshBoard() {
    BoardRig rig;
    QCOMPARE(rig.board->size(), QSize(684, 538));
    QCOMPARE(rig.text("label_phase"), QStringLiteral("Welcome to Vimbrel by Zumvek Software"));
    QCOMPARE(rig.text("label_status"), QString());
    for (int s = 1; s <= 4; ++s) {
        QCOMPARE(rig.label(QStringLiteral("label_playername%1").arg(s))->property("Tag").toInt(),
                 s);
        QCOMPARE(rig.text(QStringLiteral("label_score%1").arg(s)), QStringLiteral("0"));
        for (int r = 1; r <= 12; ++r)
            QVERIFY(rig.label(QStringLiteral("p_%1%2").arg(s).arg(r)));
        QVERIFY(!rig.shows(QStringLiteral("image_eyes%1").arg(s)));
    }
    QCOMPARE(rig.label("p_412")->geometry(), QRect(637, 285, 36, 18));
    QCOMPARE(rig.label("p_36")->geometry(), QRect(467, 187, 36, 18));
    QVERIFY(!rig.shows("button_roll") && !rig.shows("button_alldone") &&
            !rig.shows("button_start"));
    QVERIFY(!rig.shows("image_Turn") && !rig.shows("image_winner") && !rig.shows("label_winner"));
    BoardRig waiting;
    Board fresh(*waiting.session);
    QCOMPARE(fresh.playerName(3), QStringLiteral("<Waiting>"));
}

void TestBoardProgress::startButtonAndGameStart() {
    BoardRig offline(1, false);
    offline.board->button_startClick();
    QCOMPARE(offline.host.messages, QStringList{"You are not connected"});
    QVERIFY(offline.host.sent.isEmpty());
    QCOMPARE(offline.host.saves, 0);
    BoardRig rig(1, true, false);
    rig.board->button_startClick();
    QCOMPARE(rig.host.sent, QList<QByteArray>{"CMD_startgame+Ann+0+0+f+\xFF"});
    QCOMPARE(rig.host.saves, 1);

    rig.board->setStartVisible(true);
    rig.board->scores(wire::read::scores(QStringLiteral("3+1+30+30+0+none+1+2+3+4+5+6")));
    rig.session->winner(wire::read::winner(QStringLiteral("Cy+")));
    rig.session->startthegame(wire::read::startgame(QStringLiteral("Ann+0+0+f+")));
    QCOMPARE(rig.host.chat.last(), QStringLiteral("Ann has started a game."));
    QCOMPARE(rig.host.justWatch, QList<bool>{false});
    QCOMPARE(rig.board->playerName(2), QStringLiteral("Klot"));
    QCOMPARE(rig.text("label_round"), QStringLiteral("Round: 0"));
    QCOMPARE(rig.text("p_31"), QString());
    QCOMPARE(rig.text("label_score3"), QStringLiteral("0"));
    QCOMPARE(rig.text("label_bonus3"), QString());
    QVERIFY(rig.shows("image_Turn"));
    QVERIFY(!rig.shows("button_start") && !rig.shows("image_winner") && !rig.shows("label_winner"));
    for (int k = 1; k <= 10; ++k)
        QCOMPARE(colourOf(rig, k), kWhite);
    QCOMPARE(rig.image("image_example")->tag(), 0);
    QVERIFY(rig.die(1)->picture().blank);
}

void TestBoardProgress::ownTurnStart() {
    BoardRig rig;
    rig.session->getnextplayer(wire::read::nextplayer(QStringLiteral("1+3+2+")));
    QVERIFY(rig.board->dicetimer().isActive());
    QCOMPARE(rig.state().turnSeat, 1);
    QCOMPARE(rig.text("label_round"), QStringLiteral("Round: 2"));
    QCOMPARE(rig.text("label_phase"), QStringLiteral("You are trying to get: Set of 4 + Run of 4"));
    QCOMPARE(rig.text("label_status"), QStringLiteral("Your Turn"));
    QVERIFY(rig.host.sounds.isEmpty()); // the turn's sound is the window's choice
    QCOMPARE(rig.host.turnStarts, 1);
    QVERIFY(rig.shows("button_roll") && !rig.shows("button_alldone"));
    QCOMPARE(rig.image("image_rolls")->index(), 0);
    QCOMPARE(rig.image("image_Turn")->x(), 3);
    QCOMPARE(colourOf(rig, 1), kSilver);
    QCOMPARE(colourOf(rig, 2), kSilver);
    QCOMPARE(colourOf(rig, 3), kLime);
    QVERIFY(boldOf(rig, 3) && !boldOf(rig, 2));
    QCOMPARE(colourOf(rig, 4), kWhite);
    QCOMPARE(rig.image("image_example")->index(), 3);
    QCOMPARE(rig.image("image_example")->tag(), 3);
}

void TestBoardProgress::otherTurnStart() {
    BoardRig rig;
    rig.session->createdice(wire::read::createdice(QStringLiteral("1+1+1+4+1")));
    rig.session->getnextplayer(wire::read::nextplayer(QStringLiteral("3+7+4+")));
    QCOMPARE(rig.text("label_phase"), QStringLiteral("Cy is trying to get: Two Sets of 4"));
    QCOMPARE(rig.text("label_status"), QStringLiteral("Cy's turn"));
    QCOMPARE(rig.image("image_Turn")->x(), 341);
    QCOMPARE(rig.host.sounds, QStringList{"dice"});
    QVERIFY(!rig.shows("button_roll"));
    QVERIFY(rig.die(1)->picture().blank);
    QCOMPARE(rig.board->trayDie(1).value, 0);
    QCOMPARE(rig.host.turnStarts, 0);
}

void TestBoardProgress::scoresFillCellsAndBonuses() {
    BoardRig rig;
    rig.board->scores(wire::read::scores(QStringLiteral("2+5+261+221+40+bonus+1+2+3+4+5+6+7+8")));
    QCOMPARE(rig.text("p_25"), QStringLiteral("221"));
    QCOMPARE(rig.text("p_211"), QStringLiteral("40"));
    QCOMPARE(rig.text("label_score2"), QStringLiteral("261"));
    QCOMPARE(rig.text("label_bonus2"), QStringLiteral("+221"));
    QCOMPARE(rig.text("label_phase"), QStringLiteral("Bob completed the phase."));
    QCOMPARE(rig.text("label_status"), QStringLiteral("One Moment Please.."));
    QCOMPARE(rig.host.sounds, QStringList{"gotpoints"});
    QCOMPARE(rig.die(8)->y(), Board::kRaisedTop);
    QCOMPARE(rig.die(9)->y(), Board::kRestingTop);

    rig.board->scores(wire::read::scores(QStringLiteral("3+5+220+220+0+bonus+1+2+3+4+5+6+7+8")));
    QCOMPARE(rig.text("p_311"), QStringLiteral("-"));
    QCOMPARE(rig.text("label_bonus2"), QString());

    rig.board->scores(wire::read::scores(QStringLiteral("4+10+500+50+40+goneout+1+2+3+4+5+6+7+8")));
    QCOMPARE(rig.text("p_410"), QStringLiteral("50"));
    QCOMPARE(rig.text("p_412"), QStringLiteral("40"));
    for (int s : {1, 2, 3})
        QCOMPARE(rig.text(QStringLiteral("p_%1").arg(s) + QStringLiteral("12")),
                 QStringLiteral("-"));
    QCOMPARE(rig.text("p_411"), QString());
}

void TestBoardProgress::ownPhaseCompletedMovesPhaseList() {
    BoardRig rig;
    rig.session->getnextplayer(wire::read::nextplayer(QStringLiteral("1+3+3+")));
    rig.board->dicetimer().stop();
    rig.board->scores(wire::read::scores(QStringLiteral("1+3+90+60+0+none+1+2+3+4+5+6+7+8")));
    QCOMPARE(rig.text("label_phase"), QStringLiteral("Way to Go! You completed the phase."));
    for (int k = 1; k <= 3; ++k)
        QCOMPARE(colourOf(rig, k), kSilver);
    QCOMPARE(colourOf(rig, 4), kLime);
    QVERIFY(boldOf(rig, 4) && !boldOf(rig, 3));
    QCOMPARE(rig.image("image_example")->index(), 4);
    QCOMPARE(rig.image("image_example")->tag(), 4);
    // The next turn for the same phase does not repaint the list.
    rig.session->getnextplayer(wire::read::nextplayer(QStringLiteral("1+4+4+")));
    QCOMPARE(colourOf(rig, 4), kLime);
    // Completing the last phase leaves nothing to show.
    rig.session->getnextplayer(wire::read::nextplayer(QStringLiteral("1+10+9+")));
    rig.board->scores(wire::read::scores(QStringLiteral("1+10+500+50+40+goneout+none")));
    for (int k = 1; k <= 10; ++k)
        QCOMPARE(colourOf(rig, k), kSilver);
    QCOMPARE(rig.image("image_example")->index(), -1);
}

void TestBoardProgress::failedTurnAndMarkoff() {
    BoardRig rig;
    rig.board->scores(wire::read::scores(QStringLiteral("3+1+30+30+0+none+1+2+3+4+5+6")));
    rig.board->noscore(wire::read::noscore(QStringLiteral("2+3+4")));
    QCOMPARE(rig.text("label_bonus3"), QString());
    QCOMPARE(rig.text("label_bonus2"), QStringLiteral("-"));
    QCOMPARE(rig.text("label_phase"), QStringLiteral("Bob did not complete the phase."));
    QCOMPARE(rig.die(3)->y(), Board::kRaisedTop);
    QCOMPARE(rig.die(1)->y(), Board::kRestingTop);
    QCOMPARE(rig.host.sounds.last(), QStringLiteral("nopoints"));
    rig.board->noscore(wire::read::noscore(QStringLiteral("1+none")));
    QCOMPARE(rig.text("label_phase"), QStringLiteral("You did not complete the phase."));
    QCOMPARE(rig.die(3)->y(), Board::kRaisedTop); // "none" leaves the dice as they were

    rig.board->markoff(wire::read::markoff(QStringLiteral("4+7+")));
    QCOMPARE(rig.text("p_46"), QString());
    for (int k = 7; k <= 10; ++k)
        QCOMPARE(rig.text(QStringLiteral("p_4%1").arg(k)), QStringLiteral("-"));
    QCOMPARE(rig.text("p_411"), QString());
}

void TestBoardProgress::winnerAndTally_data() {
    QTest::addColumn<int>("ownSeat");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<QStringList>("games");
    QTest::newRow("win") << 1 << "Ann+"
                         << "You have Won the Game!" << QStringList{"addtomine"};
    QTest::newRow("loss") << 1 << "Bob+"
                          << "Bob has Won the Game!" << QStringList{"Bob"};
    QTest::newRow("tie") << 1 << "Ann and Bob+"
                         << "Ann and Bob has Won the Game!" << QStringList{};
    QTest::newRow("spectator") << 6 << "Ann+"
                               << "Ann has Won the Game!" << QStringList{};
}

void TestBoardProgress::winnerAndTally() {
    QFETCH(int, ownSeat);
    QFETCH(QString, body);
    BoardRig rig(ownSeat);
    rig.session->hostpowers();
    rig.session->startthegame(wire::read::startgame(QStringLiteral("Ann+0+0+f+")));
    rig.session->getnextplayer(wire::read::nextplayer(QStringLiteral("2+1+1+")));
    rig.session->winner(wire::read::winner(body));
    QTEST(rig.text("label_winner"), "sentence");
    QTEST(rig.host.games, "games");
    QCOMPARE(rig.host.chat.last(), rig.text("label_winner"));
    QCOMPARE(rig.host.sounds.last(), QStringLiteral("winner"));
    QCOMPARE(rig.state().turnSeat, 0);
    QCOMPARE(rig.text("label_status"), QStringLiteral("Game Over!"));
    QCOMPARE(rig.text("label_phase"), QString());
    QVERIFY(rig.shows("image_winner") && rig.shows("label_winner") && rig.shows("button_start"));
    QVERIFY(!rig.shows("image_Turn") && !rig.shows("button_roll"));
    for (int k = 1; k <= 10; ++k)
        QCOMPARE(colourOf(rig, k), kSilver);
}

void TestBoardProgress::newcomerSnapshot() {
    BoardRig rig(4);
    const QString stats = QStringLiteral("4+3+4+2+2+120+95+130+0+1+5+2+2+7+1+5+10+4");
    rig.session->loadstats(wire::read::loadstats(stats));
    QCOMPARE(rig.state().turnSeat, 3);
    QCOMPARE(rig.text("label_round"), QStringLiteral("Round: 2"));
    QCOMPARE(rig.text("label_score3"), QStringLiteral("130"));
    QCOMPARE(rig.text("label_status"), QStringLiteral("Cy's turn"));
    QCOMPARE(rig.text("label_phase"), QStringLiteral("Cy is trying to get: Run of 7"));
    QCOMPARE(rig.image("image_Turn")->x(), 341);
    QCOMPARE(rig.image("image_rolls")->index(), 2);
    QVERIFY(!rig.board->dicetimer().isActive());
    QCOMPARE(rig.die(5)->picture().value, 10);
    QCOMPARE(rig.die(5)->y(), Board::kRestingTop);
    QVERIFY(rig.die(3)->picture().blank);
    rig.board->loadpscores(wire::read::loadpscores(QStringLiteral("4+1+1+30+3+1+25+3+2+40")));
    QCOMPARE(rig.text("p_11"), QStringLiteral("30"));
    QCOMPARE(rig.text("p_32"), QStringLiteral("40"));
    for (int s = 1; s <= 4; ++s)
        QCOMPARE(rig.text(QStringLiteral("label_bonus%1").arg(s)), QString());

    // Addressed to someone else: nothing changes.
    rig.session->loadstats(wire::read::loadstats(QStringLiteral("2+1+1+9+1+0+0+0+0+none")));
    rig.board->loadpscores(wire::read::loadpscores(QStringLiteral("2+1+1+99")));
    QCOMPARE(rig.text("label_round"), QStringLiteral("Round: 2"));
    QCOMPARE(rig.text("p_11"), QStringLiteral("30"));

    // Our own turn, two rolls in.
    rig.session->loadstats(wire::read::loadstats(QStringLiteral("4+4+2+3+2+0+0+0+0+1+3+1")));
    QCOMPARE(rig.text("label_status"), QStringLiteral("Your Turn"));
    QCOMPARE(rig.host.turnStarts, 1);
    QVERIFY(rig.shows("button_roll") && rig.shows("button_alldone"));
    QCOMPARE(colourOf(rig, 2), kLime);
    rig.board->image_d1MouseUp(1, Qt::LeftButton);
    QVERIFY(rig.board->trayDie(1).held);
}

// A player who joins a running game: the highlight on the current seat, the computer's
// seat named, and nothing stale from before.
void TestBoardProgress::newcomerSeesTheTruth() {
    BoardRig rig(3, true, false);
    rig.session->loadstats(wire::read::loadstats(QStringLiteral("3+2+1+1+1+0+0+0+0+none")));
    QVERIFY(rig.shows("image_Turn"));
    QCOMPARE(rig.image("image_Turn")->x(), 172);
    QCOMPARE(rig.text("label_playername2"), QStringLiteral("Klot"));
    QCOMPARE(rig.text("label_status"), QStringLiteral("Klot's turn"));
    QCOMPARE(rig.text("label_phase"), QStringLiteral("Klot is trying to get: Two Sets of 3"));
    rig.session->getnextplayer(wire::read::nextplayer(QStringLiteral("2+1+2")));
    QCOMPARE(rig.text("label_status"), QStringLiteral("Klot's turn"));
}

void TestBoardProgress::gameBoundariesResetTheTable() {
    BoardRig rig;
    rig.session->startthegame(wire::read::startgame(QStringLiteral("Ann+0+0+f")));
    rig.board->setEyesVisible(2, true);
    rig.board->setEyesVisible(4, true);
    // Our seat, played by the computer while we watch: its failed turn leaves no buttons up.
    rig.session->getnextplayer(wire::read::nextplayer(QStringLiteral("1+1+1")));
    rig.session->createdice(wire::read::createdice(QStringLiteral("1+1+1+3+2")));
    QVERIFY(rig.shows("button_alldone"));
    rig.board->noscore(wire::read::noscore(QStringLiteral("1+none")));
    QVERIFY(!rig.shows("button_roll") && !rig.shows("button_alldone"));
    // The game ends while the dice still shuffle for a turn that never rolled.
    rig.session->getnextplayer(wire::read::nextplayer(QStringLiteral("2+1+1")));
    QVERIFY(rig.board->dicetimer().isActive());
    rig.session->winner(wire::read::winner(QStringLiteral("Ann")));
    QVERIFY(!rig.board->dicetimer().isActive());
    rig.session->startthegame(wire::read::startgame(QStringLiteral("Ann+0+0+f")));
    for (int s = 1; s <= 4; ++s)
        QVERIFY(!rig.shows(QStringLiteral("image_eyes%1").arg(s)));
}

void TestBoardProgress::newcomerSnapshotAllPhasesDone() {
    BoardRig rig(4);
    rig.session->loadstats(wire::read::loadstats(QStringLiteral("4+4+11+9+5+0+0+0+500+none")));
    QCOMPARE(rig.text("label_phase"), QStringLiteral("You have completed all phases."));
    for (int k = 1; k <= 10; ++k)
        QCOMPARE(colourOf(rig, k), kSilver);
    QCOMPARE(rig.image("image_example")->index(), -1);
    QCOMPARE(rig.image("image_rolls")->index(), -1);
    // The turn was scored already: nothing left to roll or end.
    QVERIFY(!rig.shows("button_roll") && !rig.shows("button_alldone"));
    rig.board->scores(wire::read::scores(QStringLiteral("4+10+500+50+0+none+none")));
    QCOMPARE(rig.image("image_example")->index(), -1);

    BoardRig other(4);
    other.session->loadstats(wire::read::loadstats(QStringLiteral("4+2+11+9+5+0+0+0+0+none")));
    QCOMPARE(other.text("label_phase"), QStringLiteral("Bob has completed all phases."));
    QCOMPARE(colourOf(other, 1), kWhite);
}

void TestBoardProgress::hostileValuesIgnored() {
    BoardRig rig;
    for (const char* body : {"0+1+1+", "5+1+1+", "-2+1+1+"})
        rig.session->getnextplayer(wire::read::nextplayer(body));
    rig.board->scores(wire::read::scores(QStringLiteral("7+1+30+30+0+none+1")));
    rig.board->noscore(wire::read::noscore(QStringLiteral("9+1")));
    rig.board->markoff(wire::read::markoff(QStringLiteral("0+1+")));
    rig.board->markoff(wire::read::markoff(QStringLiteral("2+-5+")));
    rig.session->loadstats(wire::read::loadstats(QStringLiteral("1+6+1+1+1+0+0+0+0+none")));
    QCOMPARE(rig.state().turnSeat, 0);
    QVERIFY(rig.host.sounds.isEmpty());
    QCOMPARE(rig.text("p_21"), QString());

    rig.session->getnextplayer(wire::read::nextplayer(QStringLiteral("2+99+1+")));
    QCOMPARE(rig.text("label_status"), QStringLiteral("Bob's turn"));
    rig.board->scores(wire::read::scores(QStringLiteral("2+13+30+30+0+none+0+11+2")));
    QCOMPARE(rig.text("label_score2"), QStringLiteral("30"));
    QCOMPARE(rig.die(2)->y(), Board::kRaisedTop);
    rig.board->loadpscores(
        wire::read::loadpscores(QStringLiteral("1+5+1+30+1+13+30+0+1+30+1+12+40")));
    QCOMPARE(rig.text("p_112"), QStringLiteral("40"));
    rig.session->loadstats(
        wire::read::loadstats(QStringLiteral("1+2+1+1+2+0+0+0+0+12+1+1+1+12+1+2+1+6+3+5+0")));
    QCOMPARE(rig.board->trayDie(3).value, 5);
    QVERIFY(rig.die(1)->picture().blank);
    QVERIFY_THROWS_EXCEPTION(wire::ConvertError, rig.board->scores(wire::read::scores(
                                                     QStringLiteral("2+1+3o+30+0+none"))));
    QVERIFY_THROWS_EXCEPTION(wire::ConvertError, rig.session->getnextplayer(wire::read::nextplayer(
                                                     QStringLiteral("one+1+1+"))));
}

// A name too long for its strip ends in an ellipsis, painted inside the strip; hovering
// shows it whole, and screen readers read it whole.
void TestBoardProgress::longNamesEndInAnEllipsis() {
    BoardRig rig;
    const QString name = QStringLiteral("Maximiliane Schwarzenberger");
    rig.session->newplayerinfo({3, name});
    rig.board->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.board.get()));
    QLabel* label = rig.label(QStringLiteral("label_playername3"));
    QCOMPARE(label->text(), name);
    // The strip shows exactly what a label with the shortened name shows.
    const QString shortened = label->fontMetrics().elidedText(name, Qt::ElideRight, label->width());
    QVERIFY(shortened.endsWith(QChar(0x2026)));
    PlainLabel reference(shortened, rig.board.get());
    reference.setFont(label->font());
    reference.setPalette(label->palette());
    reference.setAlignment(label->alignment());
    reference.setGeometry(label->geometry());
    reference.show();
    QCOMPARE(label->grab().toImage(), reference.grab().toImage());
    reference.hide();

    auto hover = [&](QLabel* l) {
        QHelpEvent e(QEvent::ToolTip, l->rect().center(), l->mapToGlobal(l->rect().center()));
        QCoreApplication::sendEvent(l, &e);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(hover(rig.label(QStringLiteral("label_playername2"))), QString()); // "Bob" fits
    QCOMPARE(hover(label), Qt::convertFromPlainText(name, Qt::WhiteSpacePre));
    QToolTip::hideText();
    QCOMPARE(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name),
             QStringLiteral("Seat 3: ") + name);

    // The eyes take the strip's end: the name ends before them.
    rig.board->setEyesVisible(3, true);
    const QRect eyes = rig.image(QStringLiteral("image_eyes3"))->geometry();
    QVERIFY(label->geometry().right() < eyes.left());
}

void TestBoardProgress::screenshots() {
    BoardRig rig;
    rig.session->hostpowers();
    rig.board->setEyesVisible(4, true);
    rig.session->startthegame(wire::read::startgame(QStringLiteral("Ann+0+0+f+")));
    rig.board->scores(wire::read::scores(QStringLiteral("2+1+45+45+0+none+none")));
    rig.board->noscore(wire::read::noscore(QStringLiteral("3+none")));
    rig.session->getnextplayer(wire::read::nextplayer(QStringLiteral("1+3+2+")));
    rig.board->loadpscores(
        wire::read::loadpscores(QStringLiteral("1+1+1+38+1+2+41+2+1+45+3+1+29+4+1+33")));
    rig.board->dicetimerTimer();
    saveShot(*rig.board, QStringLiteral("turn-start"));
    rig.session->createdice(wire::read::createdice(
        QStringLiteral("1+2+1+3+1+2+0+2+3+1+3+4+3+4+5+9+1+6+5+2+7+7+3+8+10+4+9+5+1+10+6+2")));
    for (int n : {1, 4, 9})
        rig.board->image_d1MouseUp(n, Qt::LeftButton);
    rig.board->image_d1MouseUp(1, Qt::RightButton);
    saveShot(*rig.board, QStringLiteral("dice-held"));
    rig.board->scores(wire::read::scores(QStringLiteral("1+3+164+42+0+none+1+4+9+10+2+3")));
    saveShot(*rig.board, QStringLiteral("result"));
    rig.board->scores(wire::read::scores(QStringLiteral("4+10+480+60+40+goneout+none")));
    rig.board->markoff(wire::read::markoff(QStringLiteral("3+4+")));
    rig.board->scores(wire::read::scores(QStringLiteral("2+5+261+221+40+bonus+none")));
    rig.session->winner(wire::read::winner(QStringLiteral("Dee+")));
    saveShot(*rig.board, QStringLiteral("game-over"));
}

QTEST_MAIN(TestBoardProgress)
#include "tst_boardprogress.moc"
