// The dice tray: rolls as the host sends them, holding, sorting, the shuffle and
// the exact requests of the two turn buttons.
#include "boardrecorder.h"
#include "protocol/fields.h"

#include <QTest>

namespace {

// Seat 1's first roll: dice 1..10 with values 3,0,1,3,9,5,7,10,5,6.
const QString kFirstRoll =
    QStringLiteral("1+1+1+3+1+2+0+2+3+1+3+4+3+4+5+9+1+6+5+2+7+7+3+8+10+4+9+5+1+10+6+2");

void clickDie(BoardRig& rig, int n, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(rig.die(n), button);
}

} // namespace

class TestBoardTray : public QObject {
    Q_OBJECT
private slots:
    void createdicePaintsAndRestsRolledDice();
    void secondRollKeepsHeldDiceRaisedAndFramed();
    void buttonsFollowRollCountAndSeat();
    void holdingAndReleasing();
    void sortExampleThenHoldLeftmost();
    void clicksIgnoredWhileShufflingOrOnAnotherTurn();
    void shuffleDrawsFromInjectedSourceAndLeavesRecords();
    void rollRequestBytes();
    void allDoneRequestBytes();
    void buttonsSendNothingWhenNotConnected();
    void hostileCreatediceIsFiltered();
};

void TestBoardTray::createdicePaintsAndRestsRolledDice() {
    BoardRig rig;
    rig.board->startShuffle();
    rig.session->createdice(wire::read::createdice(kFirstRoll));
    QVERIFY(!rig.board->dicetimer().isActive());
    QCOMPARE(rig.state().turnSeat, 1);
    QCOMPARE(rig.image("image_rolls")->index(), 1);
    QCOMPARE(rig.host.sounds, QStringList{"dice"});
    const int values[] = {3, 0, 1, 3, 9, 5, 7, 10, 5, 6};
    for (int n = 1; n <= 10; ++n) {
        QCOMPARE(rig.board->trayDie(n).value, values[n - 1]);
        QCOMPARE(rig.die(n)->y(), Board::kRestingTop);
        const DieImage::Picture pic = rig.die(n)->picture();
        QVERIFY(!pic.blank);
        QCOMPARE(pic.value, values[n - 1]);
        QCOMPARE(pic.colour, rig.board->trayDie(n).colour);
        QVERIFY(!pic.framed);
    }
}

void TestBoardTray::secondRollKeepsHeldDiceRaisedAndFramed() {
    BoardRig rig;
    rig.session->createdice(wire::read::createdice(kFirstRoll));
    clickDie(rig, 1);
    clickDie(rig, 4);
    rig.board->button_rollClick();
    rig.session->createdice(wire::read::createdice(
        QStringLiteral("1+2+2+8+2+3+9+3+5+10+4+6+6+1+7+7+2+8+8+3+9+9+4+10+10+1")));
    QCOMPARE(rig.image("image_rolls")->index(), 2);
    for (int n : {1, 4}) {
        QCOMPARE(rig.die(n)->y(), Board::kRaisedTop);
        QVERIFY(rig.die(n)->picture().framed);
        QVERIFY(rig.board->trayDie(n).held);
        QCOMPARE(rig.board->trayDie(n).value, 3);
    }
    for (int n : {2, 3, 5, 10}) {
        QCOMPARE(rig.die(n)->y(), Board::kRestingTop);
        QVERIFY(!rig.die(n)->picture().framed);
    }
    QCOMPARE(rig.board->trayDie(2).value, 8);
    QCOMPARE(rig.board->trayDie(10).value, 10);
}

void TestBoardTray::buttonsFollowRollCountAndSeat() {
    BoardRig rig;
    rig.session->createdice(wire::read::createdice(QStringLiteral("1+2+1+4+1")));
    QVERIFY(rig.shows("button_roll"));
    QVERIFY(rig.shows("button_alldone"));
    rig.session->createdice(wire::read::createdice(QStringLiteral("1+3+1+4+1")));
    QVERIFY(!rig.shows("button_roll"));
    QVERIFY(rig.shows("button_alldone"));
    QCOMPARE(rig.image("image_rolls")->index(), 3);
    // A count beyond the indicator's images leaves it blank.
    rig.session->createdice(wire::read::createdice(QStringLiteral("1+4+1+4+1")));
    QCOMPARE(rig.image("image_rolls")->index(), -1);
    QVERIFY(!rig.shows("button_roll"));
    rig.session->createdice(wire::read::createdice(QStringLiteral("2+1+1+4+1")));
    QVERIFY(!rig.shows("button_roll"));
    QVERIFY(!rig.shows("button_alldone"));
    QCOMPARE(rig.state().turnSeat, 2);
}

void TestBoardTray::holdingAndReleasing() {
    BoardRig rig;
    rig.session->createdice(wire::read::createdice(kFirstRoll));
    rig.clearRecords();
    clickDie(rig, 3);
    QVERIFY(rig.board->trayDie(3).held);
    QCOMPARE(rig.die(3)->y(), Board::kRaisedTop);
    QVERIFY(rig.die(3)->picture().framed);
    clickDie(rig, 3);
    QVERIFY(!rig.board->trayDie(3).held);
    QCOMPARE(rig.die(3)->y(), Board::kRestingTop);
    QVERIFY(!rig.die(3)->picture().framed);
    QCOMPARE(rig.die(3)->picture().value, 1);
    clickDie(rig, 3);
    QCOMPARE(rig.die(3)->y(), Board::kRaisedTop);
    QCOMPARE(rig.host.sounds, (QStringList{"select", "unset", "select"}));
}

void TestBoardTray::sortExampleThenHoldLeftmost() {
    BoardRig rig;
    rig.session->createdice(wire::read::createdice(kFirstRoll));
    clickDie(rig, 5, Qt::RightButton);
    const std::array<int, 10> expected{2, 3, 1, 4, 6, 9, 10, 7, 5, 8};
    QCOMPARE(rig.board->displayOrder(), expected);
    for (int k = 1; k <= 10; ++k)
        QCOMPARE(rig.dieAt(k), expected[k - 1]);
    for (int n = 1; n <= 10; ++n)
        QCOMPARE(rig.die(n)->y(), Board::kRestingTop);
    // The leftmost image is die 2 wherever it stands.
    auto* leftmost = qobject_cast<DieImage*>(rig.board->childAt(QPoint(67 + 24, 15 + 24)));
    QVERIFY(leftmost);
    QTest::mouseClick(leftmost, Qt::LeftButton);
    QVERIFY(rig.board->trayDie(2).held);
    QCOMPARE(rig.host.sent.size(), 0);
    rig.board->button_alldoneClick();
    QCOMPARE(rig.host.sent, QList<QByteArray>{"CMD_alldone+1+2\xFF"});
}

void TestBoardTray::clicksIgnoredWhileShufflingOrOnAnotherTurn() {
    BoardRig rig;
    rig.session->getnextplayer(wire::read::nextplayer(QStringLiteral("1+1+1+")));
    rig.session->createdice(wire::read::createdice(kFirstRoll));
    rig.board->startShuffle(); // as if between a request and the host's answer
    rig.clearRecords();
    clickDie(rig, 1);
    clickDie(rig, 2, Qt::RightButton);
    QVERIFY(!rig.board->trayDie(1).held);
    QCOMPARE(rig.dieAt(1), 1);
    rig.board->dicetimer().stop();

    rig.session->createdice(wire::read::createdice(QStringLiteral("3+1+1+4+1")));
    rig.clearRecords();
    clickDie(rig, 1);
    clickDie(rig, 1, Qt::MiddleButton);
    QVERIFY(!rig.board->trayDie(1).held);
    QCOMPARE(rig.dieAt(1), 1);
    QVERIFY(rig.host.sounds.isEmpty());
}

void TestBoardTray::shuffleDrawsFromInjectedSourceAndLeavesRecords() {
    BoardRig rig;
    rig.session->createdice(wire::read::createdice(kFirstRoll));
    QList<int> bounds;
    int next = 0;
    rig.board->setRandomSource([&](int bound) {
        bounds.append(bound);
        return next++ % bound;
    });
    rig.board->dicetimerTimer();
    QCOMPARE(bounds.size(), 20);
    for (int n = 1; n <= 10; ++n) {
        QCOMPARE(bounds[2 * (n - 1)], 4);
        QCOMPARE(bounds[2 * (n - 1) + 1], 10);
        const DieImage::Picture pic = rig.die(n)->picture();
        QCOMPARE(pic.colour, 1 + (2 * (n - 1)) % 4);
        QCOMPARE(pic.value, (2 * (n - 1) + 1) % 10);
    }
    QCOMPARE(rig.board->trayDie(5).value, 9);
}

void TestBoardTray::rollRequestBytes() {
    BoardRig rig;
    rig.session->createdice(wire::read::createdice(kFirstRoll));
    clickDie(rig, 2);
    clickDie(rig, 5);
    rig.board->button_rollClick();
    QCOMPARE(rig.host.sent, QList<QByteArray>{"CMD_rollthedice+1+1+3+4+6+7+8+9+10\xFF"});
    QCOMPARE(rig.state().turnSeat, 0);
    QVERIFY(!rig.shows("button_roll") && !rig.shows("button_alldone"));

    rig.session->createdice(wire::read::createdice(QStringLiteral("1+2+1+4+1")));
    for (int n = 1; n <= 10; ++n)
        if (!rig.board->trayDie(n).held) clickDie(rig, n);
    rig.host.sent.clear();
    rig.board->button_rollClick();
    QCOMPARE(rig.host.sent, QList<QByteArray>{"CMD_rollthedice+1\xFF"});
}

void TestBoardTray::allDoneRequestBytes() {
    BoardRig rig;
    rig.session->createdice(wire::read::createdice(kFirstRoll));
    rig.board->button_alldoneClick();
    QCOMPARE(rig.host.sent, QList<QByteArray>{"CMD_alldone+1+none\xFF"});
    // The turn is over for this client until the host speaks again.
    rig.board->button_alldoneClick();
    rig.board->button_rollClick();
    QCOMPARE(rig.host.sent.size(), 1);

    rig.session->createdice(wire::read::createdice(kFirstRoll));
    clickDie(rig, 10);
    clickDie(rig, 1);
    rig.board->button_alldoneClick();
    QCOMPARE(rig.host.sent.last(), QByteArray("CMD_alldone+1+1+10\xFF"));
}

void TestBoardTray::buttonsSendNothingWhenNotConnected() {
    BoardRig rig(1, false);
    rig.session->createdice(wire::read::createdice(kFirstRoll));
    rig.board->button_rollClick();
    QVERIFY(rig.host.sent.isEmpty());
    QCOMPARE(rig.state().turnSeat, 0);
    rig.session->createdice(wire::read::createdice(kFirstRoll));
    rig.board->button_alldoneClick();
    QVERIFY(rig.host.sent.isEmpty());
    QVERIFY(!rig.shows("button_alldone"));
}

void TestBoardTray::hostileCreatediceIsFiltered() {
    BoardRig rig;
    rig.session->createdice(wire::read::createdice(QStringLiteral("9+1+1+4+1")));
    rig.session->createdice(wire::read::createdice(QStringLiteral("0+1+1+4+1")));
    QCOMPARE(rig.state().turnSeat, 0);
    QVERIFY(rig.host.sounds.isEmpty());
    rig.session->createdice(wire::read::createdice(
        QStringLiteral("1+1+11+4+1+0+4+1+-1+4+1+3+11+1+4+-1+1+5+7+5+6+2+3+7+8")));
    QCOMPARE(rig.board->trayDie(3).value, 0);
    QCOMPARE(rig.board->trayDie(4).value, 0);
    QCOMPARE(rig.board->trayDie(5).value, 0);
    QCOMPARE(rig.board->trayDie(6).value, 2);
    QCOMPARE(rig.die(5)->y(), Board::kRaisedTop); // not rolled, so still up
    QCOMPARE(rig.die(6)->y(), Board::kRestingTop);
    // A trailing, incomplete triple is dropped by the reader.
    QCOMPARE(rig.board->trayDie(7).value, 0);
    rig.board->image_d1MouseUp(0, Qt::LeftButton);
    rig.board->image_d1MouseUp(11, Qt::LeftButton);
    // A die that was never rolled this turn cannot be held.
    rig.board->image_d1MouseUp(5, Qt::LeftButton);
    QVERIFY(!rig.board->trayDie(5).held);
    QVERIFY_THROWS_EXCEPTION(wire::ConvertError, rig.session->createdice(wire::read::createdice(
                                                     QStringLiteral("1+x+1+4+1"))));
}

QTEST_MAIN(TestBoardTray)
#include "tst_boardtray.moc"
