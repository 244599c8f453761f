// Keyboard play on the board: every key must do exactly what its click does, in
// every state of a turn, and nothing where the click does nothing.
#include "board/boardrecorder.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <functional>

namespace {

// Seat 1's first roll: dice 1..10 with values 3,0,1,3,9,5,7,10,5,6.
const QString kFirstRoll =
    QStringLiteral("1+1+1+3+1+2+0+2+3+1+3+4+3+4+5+9+1+6+5+2+7+7+3+8+10+4+9+5+1+10+6+2");

enum class Via { Keys, Mouse };
using Setup = std::function<void(BoardRig&)>;

// What a player can observe of the board after a series of inputs.
struct Outcome {
    QList<QByteArray> sent;
    QStringList sounds;
    std::array<int, 10> order{};
    QList<int> held;
    int turnSeat = 0;
    bool rollShown = false;
    bool allDoneShown = false;

    bool operator==(const Outcome&) const = default;
};

Outcome outcomeOf(const BoardRig& rig) {
    Outcome o{rig.host.sent,        rig.host.sounds,          rig.board->displayOrder(),  {},
              rig.state().turnSeat, rig.shows("button_roll"), rig.shows("button_alldone")};
    for (int n = 1; n <= 10; ++n)
        if (rig.board->trayDie(n).held) o.held << n;
    return o;
}

char* describe(const Outcome& o) {
    QStringList sent;
    for (const QByteArray& b : o.sent)
        sent << QString::fromLatin1(b.chopped(1));
    QStringList held, order;
    for (int n : o.held)
        held << QString::number(n);
    for (int n : o.order)
        order << QString::number(n);
    return qstrdup(
        QStringLiteral("sent [%1] sounds [%2] order [%3] held [%4] turn %5 roll %6 done %7")
            .arg(sent.join(' '), o.sounds.join(' '), order.join(' '), held.join(' '))
            .arg(o.turnSeat)
            .arg(o.rollShown)
            .arg(o.allDoneShown)
            .toLocal8Bit()
            .constData());
}

Qt::Key qtKey(char c) {
    if (c >= '0' && c <= '9') return Qt::Key(Qt::Key_0 + (c - '0'));
    if (c == '\n') return Qt::Key_Return;
    return Qt::Key(Qt::Key_A + (c - 'A'));
}

// One input, typed or clicked. The mouse can only click a button that is on show.
void press(BoardRig& rig, char c, Via via) {
    if (via == Via::Keys) {
        QTest::keyClick(rig.board.get(), qtKey(c));
        return;
    }
    auto clickButton = [&](const char* name) {
        if (rig.shows(QString::fromLatin1(name)))
            QTest::mouseClick(rig.board->findChild<QWidget*>(QString::fromLatin1(name)),
                              Qt::LeftButton);
    };
    if (c == 'R')
        clickButton("button_roll");
    else if (c == 'D' || c == '\n')
        clickButton("button_alldone");
    else if (c == 'S')
        QTest::mouseClick(rig.die(rig.dieAt(1)), Qt::RightButton);
    else
        QTest::mouseClick(rig.die(rig.dieAt(c == '0' ? 10 : c - '0')), Qt::LeftButton);
}

// Runs `inputs` on a fresh focused board brought into a state by `setup`.
Outcome run(const Setup& setup, const char* inputs, Via via, bool connected = true) {
    BoardRig rig(1, connected);
    rig.board->show();
    rig.board->activateWindow();
    if (!QTest::qWaitForWindowActive(rig.board.get())) qWarning("board window not active");
    rig.board->setFocus();
    setup(rig);
    rig.clearRecords();
    for (const char* c = inputs; *c; ++c)
        press(rig, *c, via);
    return outcomeOf(rig);
}

} // namespace

Q_DECLARE_METATYPE(Setup)

namespace QTest {
template <> char* toString(const Outcome& o) {
    return describe(o);
}
} // namespace QTest

class TestBoardKeys : public QObject {
    Q_OBJECT
private slots:
    void keysMatchClicks_data();
    void keysMatchClicks();
    void keysPlayAWholeTurn();
    void keysNeedTheBoardsOwnFocus();
};

void TestBoardKeys::keysMatchClicks_data() {
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("inputs");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("acts"); // whether the inputs change anything at all

    auto ownTurnStart = [](BoardRig& r) {
        r.session->getnextplayer(wire::read::nextplayer(QStringLiteral("1+1+1+")));
    };
    auto firstRoll = [](BoardRig& r) { r.session->createdice(wire::read::createdice(kFirstRoll)); };
    auto thirdRoll = [](BoardRig& r) {
        r.session->createdice(wire::read::createdice(kFirstRoll));
        r.session->createdice(wire::read::createdice(QStringLiteral("1+3+1+4+1")));
    };
    auto othersRoll = [](BoardRig& r) {
        r.session->createdice(
            wire::read::createdice(QStringLiteral("2+1+1+3+1+2+0+2+3+1+3+4+3+4+5+9+1")));
    };
    auto waitingForHost = [](BoardRig& r) {
        r.session->createdice(wire::read::createdice(kFirstRoll));
        r.board->button_rollClick();
    };
    auto shufflingAfterRoll = [](BoardRig& r) {
        r.session->createdice(wire::read::createdice(kFirstRoll));
        r.board->startShuffle();
    };
    const QString all = QStringLiteral("13S1095RD\n");
    QTest::newRow("own turn, first roll in")
        << Setup(firstRoll) << QStringLiteral("13S10") << true << true;
    QTest::newRow("own turn, hold then roll")
        << Setup(firstRoll) << QStringLiteral("25R") << true << true;
    QTest::newRow("own turn, hold then done")
        << Setup(firstRoll) << QStringLiteral("S14D") << true << true;
    QTest::newRow("own turn, enter ends it")
        << Setup(firstRoll) << QStringLiteral("7\n") << true << true;
    QTest::newRow("third roll: no roll left")
        << Setup(thirdRoll) << QStringLiteral("R1R") << true << true;
    QTest::newRow("turn start: only roll") << Setup(ownTurnStart) << all << true << true;
    QTest::newRow("another seat's dice") << Setup(othersRoll) << all << true << false;
    QTest::newRow("waiting for the host") << Setup(waitingForHost) << all << true << false;
    QTest::newRow("shuffling") << Setup(shufflingAfterRoll) << QStringLiteral("13S") << true
                               << false;
    // Not logged in, the table has no seat of its own: nothing is ours to play.
    QTest::newRow("not connected") << Setup(firstRoll) << QStringLiteral("1R") << false << false;
}

void TestBoardKeys::keysMatchClicks() {
    QFETCH(Setup, setup);
    QFETCH(QString, inputs);
    QFETCH(bool, connected);
    QFETCH(bool, acts);
    const QByteArray in = inputs.toLatin1();
    const Outcome byMouse = run(setup, in.constData(), Via::Mouse, connected);
    const Outcome byKeys = run(setup, in.constData(), Via::Keys, connected);
    QCOMPARE(byKeys, byMouse);
    const Outcome untouched = run(setup, "", Via::Keys, connected);
    QCOMPARE(byKeys != untouched, acts);
}

void TestBoardKeys::keysPlayAWholeTurn() {
    BoardRig rig;
    rig.board->show();
    rig.board->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.board.get()));
    rig.board->setFocus();
    rig.session->getnextplayer(wire::read::nextplayer(QStringLiteral("1+1+1+")));
    QTest::keyClick(rig.board.get(), Qt::Key_R);
    QCOMPARE(rig.host.sent.last(), QByteArray("CMD_rollthedice+1+1+2+3+4+5+6+7+8+9+10\xFF"));
    rig.session->createdice(wire::read::createdice(kFirstRoll));
    // Sorted: 2 3 1 4 6 9 10 7 5 8. Position 1 is die 2, position 10 die 8; the
    // keypad's digits count too.
    QTest::keyClick(rig.board.get(), Qt::Key_S, Qt::ShiftModifier);
    QTest::keyClick(rig.board.get(), Qt::Key_1);
    QTest::keyClick(rig.board.get(), Qt::Key_0, Qt::KeypadModifier);
    QVERIFY(rig.board->trayDie(2).held && rig.board->trayDie(8).held);
    QCOMPARE(rig.die(2)->y(), Board::kRaisedTop);
    // Held down, a key repeats; a repeat must not undo the hold.
    QTest::keyPress(rig.board.get(), Qt::Key_1);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"), true);
    QApplication::sendEvent(rig.board.get(), &repeat);
    QTest::keyRelease(rig.board.get(), Qt::Key_1);
    QVERIFY(!rig.board->trayDie(2).held);
    // Ctrl and Alt combinations belong to the menus.
    QTest::keyClick(rig.board.get(), Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(rig.board.get(), Qt::Key_D, Qt::AltModifier);
    QCOMPARE(rig.host.sent.size(), 1);
    QTest::keyClick(rig.board.get(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(rig.host.sent.last(), QByteArray("CMD_alldone+1+8\xFF"));
}

void TestBoardKeys::keysNeedTheBoardsOwnFocus() {
    // A key that a child box leaves unused bubbles up to the board; it must not play.
    BoardRig rig;
    auto* box = new QWidget(rig.board.get());
    box->setFocusPolicy(Qt::StrongFocus);
    rig.board->show();
    rig.board->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.board.get()));
    box->setFocus();
    rig.session->createdice(wire::read::createdice(kFirstRoll));
    rig.clearRecords();
    for (Qt::Key k : {Qt::Key_1, Qt::Key_S, Qt::Key_R, Qt::Key_D})
        QTest::keyClick(box, k);
    QVERIFY(!rig.board->trayDie(1).held);
    QVERIFY(rig.host.sent.isEmpty());
    QCOMPARE(rig.dieAt(1), 1);
    rig.board->setFocus();
    QTest::keyClick(rig.board.get(), Qt::Key_1);
    QVERIFY(rig.board->trayDie(1).held);
}

QTEST_MAIN(TestBoardKeys)
#include "tst_boardkeys.moc"
