// The Expert computer player: legal holds, finishing what the dice already make, and its
// look-ahead's chances against cases worked out by hand.
#include "dicebuilder.h"

#include <QtTest>

using IntList = QList<int>;

namespace {

// Dice 1..10 from faces 1..6, with the values and colours those faces really have.
rules::Dice fromFaces(const IntList& faces) {
    rules::Dice dice{};
    for (int n = 1; n <= rules::kDice; ++n) {
        dice[n].value = rules::faceValue(n, faces.value(n - 1));
        dice[n].colour = rules::findcolor(n, faces.value(n - 1));
    }
    return dice;
}

int scoreOf(int phase, const rules::Dice& dice, const rules::Plan& plan) {
    rules::Marks used{};
    for (int n = 1; n <= rules::kDice; ++n)
        used[n] = plan[n];
    return rules::checkforphase(phase, dice, used);
}

} // namespace

class TestExpert : public QObject {
    Q_OBJECT
private slots:
    void holdsOnlyRolledDice();
    void completesWhatTheDiceMake_data();
    void completesWhatTheDiceMake();
    void chanceMatchesHandCount();
    void repeatsForTheSameSeed();
};

void TestExpert::holdsOnlyRolledDice() {
    // Seeded turns of every phase, decided after each roll; some dice left unrolled.
    const rules::FaceSource faces = rules::seededFaces(7);
    for (int phase = 1; phase <= rules::kPhases; ++phase) {
        for (int turn = 0; turn < 4; ++turn) {
            rules::Dice dice{};
            for (int n = 1; n <= rules::kDice; ++n)
                if ((n + turn) % 4 != 0) rules::rolldice(dice, n, faces);
            for (int rollsLeft = 2; rollsLeft >= 0; --rollsLeft) {
                const rules::Plan plan = rules::expertplay(phase, dice, rollsLeft, faces, 40);
                for (int n = 1; n <= rules::kDice; ++n) {
                    QVERIFY2(plan[n] == 0 || plan[n] == 1, qPrintable(QString::number(n)));
                    if (dice[n].colour == 0) QCOMPARE(plan[n], 0);
                }
                for (int n = 1; n <= rules::kDice; ++n)
                    if (plan[n] == 0) rules::rolldice(dice, n, faces);
            }
        }
    }
}

void TestExpert::completesWhatTheDiceMake_data() {
    QTest::addColumn<int>("phase");
    QTest::addColumn<IntList>("values");
    QTest::addColumn<IntList>("colours");
    QTest::addColumn<int>("points");

    const IntList plain;
    QTest::newRow("p1 low sets count too") << 1 << IntList{1, 1, 1, 2, 5, 6, 7, 5, 5, 9} << plain << 18;
    QTest::newRow("p1 six of a kind") << 1 << IntList{1, 2, 3, 4, 7, 7, 7, 7, 7, 7} << plain << 42;
    QTest::newRow("p2 a fourth 6 serves the run")
        << 2 << IntList{1, 3, 3, 4, 6, 6, 6, 6, 7, 8} << plain << 39;
    QTest::newRow("p4 run with a wild gap") << 4 << IntList{4, 0, 1, 1, 5, 6, 8, 9, 10, 10} << plain << 42;
    QTest::newRow("p6 2..10") << 6 << IntList{2, 3, 4, 1, 5, 6, 7, 8, 9, 10} << plain << 54;
    QTest::newRow("p8 seven of colour 2, die 10 of another")
        << 8 << IntList{1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << IntList{2, 2, 2, 2, 2, 2, 2, 3, 3, 4} << 28;
    QTest::newRow("p9 the pair below the five") << 9 << IntList{2, 2, 3, 4, 8, 8, 8, 8, 8, 5} << plain << 44;
    QTest::newRow("p10 five and three") << 10 << IntList{0, 0, 3, 3, 9, 9, 9, 6, 6, 6} << plain << 45;
}

void TestExpert::completesWhatTheDiceMake() {
    QFETCH(int, phase);
    QFETCH(IntList, values);
    QFETCH(IntList, colours);
    QFETCH(int, points);
    const rules::Dice dice = testdice::make(values, colours);
    const rules::FaceSource faces = rules::seededFaces(3);
    // The last decision holds the best completing set; earlier ones keep a completing set.
    QCOMPARE(scoreOf(phase, dice, rules::expertplay(phase, dice, 0, faces)), points);
    QVERIFY(scoreOf(phase, dice, rules::expertplay(phase, dice, 2, faces)) > 0);
}

void TestExpert::chanceMatchesHandCount() {
    // Run of 9 lacking only a 4: dice 2, 3 and 5..10 show 2, 3, 5..10; dice 1 and 4 show
    // 1 on face 1. A reroll never repeats a colour, so each of them draws among faces
    // 2, 3, 4, 6: a 4 or a wild with 1/2. After a miss it shows face 2 (then 1/2) or
    // face 3 (then 3/5). One roll: 1 - (1/2)^2; two: 1 - (1/4)(1/2 * 1/2 + 1/2 * 2/5)^2.
    const rules::Dice dice = fromFaces({1, 2, 3, 1, 1, 2, 3, 4, 5, 6});
    rules::Plan hold{};
    for (int n : {2, 3, 5, 6, 7, 8, 9, 10})
        hold[n] = 1;
    const int samples = 40000;
    const rules::Outlook one = rules::expertOutlook(6, dice, hold, 1, 11, samples);
    const rules::Outlook two = rules::expertOutlook(6, dice, hold, 2, 11, samples);
    QVERIFY2(qAbs(one.complete - 0.75) < 0.01, qPrintable(QString::number(one.complete)));
    QVERIFY2(qAbs(two.complete - 0.949375) < 0.01, qPrintable(QString::number(two.complete)));
    // 2..10 scores 54 with a 4 and 50 with a wild in its place.
    QVERIFY(one.points >= 50 && one.points <= 54);
    // Nothing left to roll: the hold as it is, which does not complete.
    QCOMPARE(rules::expertOutlook(6, dice, hold, 0, 11, 100).complete, 0.0);
}

void TestExpert::repeatsForTheSameSeed() {
    // Same faces, same seed: the same hold, whatever the seat's dice were flagged held.
    rules::Dice dice = fromFaces({2, 5, 1, 3, 2, 2, 6, 1, 4, 3});
    const rules::Plan a = rules::expertplay(1, dice, 2, rules::seededFaces(5));
    for (int n = 1; n <= rules::kDice; ++n)
        dice[n].held = n % 2 == 0;
    QCOMPARE(rules::expertplay(1, dice, 2, rules::seededFaces(5)), a);
}

QTEST_APPLESS_MAIN(TestExpert)
#include "tst_expert.moc"
