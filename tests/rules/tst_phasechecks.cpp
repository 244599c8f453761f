// Phase checks: worked hands with their points and marks, the two searches' quirks, and
// invariants over many random hands.
#include "dicebuilder.h"

#include <QtTest>

#include <random>

using namespace testdice;
using IntList = QList<int>;

class TestPhaseChecks : public QObject {
    Q_OBJECT
private slots:
    void hands_data();
    void hands();
    void runSearchQuirks();
    void setSearchChoices();
    void invariantsOverRandomHands();
};

void TestPhaseChecks::hands_data() {
    QTest::addColumn<int>("phase");
    QTest::addColumn<IntList>("values");
    QTest::addColumn<IntList>("colours");
    QTest::addColumn<IntList>("held");
    QTest::addColumn<int>("points");
    QTest::addColumn<IntList>("used");
    QTest::addColumn<IntList>("aside");

    const IntList plain;
    QTest::newRow("p1 six 7s make two sets")
        << 1 << IntList{1, 2, 3, 4, 7, 7, 7, 7, 7, 7} << plain << IntList{5, 6, 7, 8, 9, 10} << 42
        << IntList{5, 6, 7, 8, 9, 10} << IntList{};
    QTest::newRow("p1 3s and 9s leave the 2")
        << 1 << IntList{3, 3, 3, 2, 9, 9, 9, 5, 6, 8} << plain << IntList{1, 2, 3, 4, 5, 6, 7} << 36
        << IntList{1, 2, 3, 5, 6, 7} << IntList{};
    QTest::newRow("p1 wild completes the 2s")
        << 1 << IntList{2, 2, 0, 1, 8, 8, 8, 5, 6, 7} << plain << IntList{1, 2, 3, 5, 6, 7} << 28
        << IntList{1, 2, 3, 5, 6, 7} << IntList{};
    QTest::newRow("p1 three wilds are no set")
        << 1 << IntList{0, 0, 0, 1, 5, 5, 5, 6, 7, 8} << plain << IntList{1, 2, 3, 5, 6, 7} << 0
        << IntList{} << IntList{};
    QTest::newRow("p2 first part is not revisited")
        << 2 << IntList{1, 1, 1, 1, 5, 5, 5, 6, 7, 10} << plain << IntList{5, 6, 7, 8, 9} << 0
        << IntList{} << IntList{};
    QTest::newRow("p2 every top starts with all wilds")
        << 2 << IntList{4, 0, 1, 1, 7, 7, 7, 10, 5, 6} << plain << IntList{1, 2, 5, 6, 7, 8, 9}
        << 30 << IntList{1, 2, 5, 6, 7, 9} << IntList{};
    QTest::newRow("p3 set of 4 then the highest run")
        << 3 << IntList{4, 4, 4, 4, 5, 6, 7, 8, 9, 9} << plain
        << IntList{1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << 46 << IntList{1, 2, 3, 4, 6, 7, 8, 9}
        << IntList{};
    QTest::newRow("p4 plain run of 7")
        << 4 << IntList{4, 1, 1, 1, 5, 6, 7, 8, 9, 10} << plain << IntList{1, 5, 6, 7, 8, 9, 10}
        << 49 << IntList{1, 5, 6, 7, 8, 9, 10} << IntList{};
    QTest::newRow("p4 wild stands for 7")
        << 4 << IntList{4, 0, 1, 1, 5, 6, 8, 9, 10, 10} << plain << IntList{1, 2, 5, 6, 7, 8, 9}
        << 42 << IntList{1, 2, 5, 6, 7, 8, 9} << IntList{};
    QTest::newRow("p6 2..10 beats 1..9") << 6 << IntList{1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << plain
                                         << IntList{1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << 54
                                         << IntList{2, 3, 4, 5, 6, 7, 8, 9, 10} << IntList{};
    QTest::newRow("p7 two wilds finish the 6s")
        << 7 << IntList{0, 0, 1, 1, 8, 8, 8, 8, 6, 6} << plain << IntList{1, 2, 5, 6, 7, 8, 9, 10}
        << 44 << IntList{1, 2, 5, 6, 7, 8, 9, 10} << IntList{};
    QTest::newRow("p8 wild of the colour set aside")
        << 8 << IntList{0, 2, 3, 4, 5, 6, 7, 8, 9, 10} << IntList{2, 2, 1, 1, 2, 2, 2, 2, 2, 2}
        << IntList{1, 2, 5, 6, 7, 8, 9, 10} << 47 << IntList{2, 5, 6, 7, 8, 9, 10} << IntList{1};
    QTest::newRow("p8 lowest value tie goes to lower die")
        << 8 << IntList{4, 3, 3, 1, 5, 6, 7, 8, 9, 10} << IntList{3, 3, 3, 1, 1, 3, 3, 3, 3, 3}
        << IntList{1, 2, 3, 6, 7, 8, 9, 10} << 47 << IntList{1, 3, 6, 7, 8, 9, 10} << IntList{2};
    QTest::newRow("p8 colour comes from die 10")
        << 8 << IntList{1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << IntList{1, 1, 1, 1, 1, 1, 1, 4, 4, 3}
        << IntList{1, 2, 3, 4, 5, 6, 7, 10} << 0 << IntList{} << IntList{};
    QTest::newRow("p9 five 9s and a pair")
        << 9 << IntList{2, 2, 1, 1, 9, 9, 9, 9, 9, 6} << plain << IntList{1, 2, 5, 6, 7, 8, 9} << 49
        << IntList{1, 2, 5, 6, 7, 8, 9} << IntList{};
    QTest::newRow("p10 second set of 3 missing")
        << 10 << IntList{2, 2, 1, 1, 9, 9, 9, 9, 9, 6} << plain << IntList{1, 2, 5, 6, 7, 8, 9} << 0
        << IntList{} << IntList{};
}

void TestPhaseChecks::hands() {
    QFETCH(int, phase);
    QFETCH(IntList, values);
    QFETCH(IntList, colours);
    QFETCH(IntList, held);
    QFETCH(int, points);
    QFETCH(IntList, used);
    QFETCH(IntList, aside);

    const rules::Dice dice = make(values, colours);
    rules::Marks marks = testdice::held(held);
    QCOMPARE(rules::checkforphase(phase, dice, marks), points);
    QCOMPARE(withMark(marks, 2), used);
    QCOMPARE(withMark(marks, 3), aside);
    if (points == 0) // a failed phase hands the marks back as they came
        QCOMPARE(marks, testdice::held(held));
}

void TestPhaseChecks::runSearchQuirks() {
    // The top of a run is never a wild: 1, 2, 3 + wild is no run of 4, 2, 3, 4 + wild is.
    const rules::Dice low = make({1, 2, 3, 0, 5, 5, 5, 5, 5, 5});
    rules::Marks marks = held({1, 2, 3, 4});
    QCOMPARE(rules::checkforruns(low, marks, 4), 0);
    const rules::Dice high = make({0, 2, 3, 4, 5, 5, 5, 5, 5, 5});
    marks = held({1, 2, 3, 4});
    QCOMPARE(rules::checkforruns(high, marks, 4), 9);
    QCOMPARE(withMark(marks, 2), (IntList{1, 2, 3, 4}));

    // Once a gap is filled, every wild still free is reported used, even the spare one.
    const rules::Dice spare = make({0, 0, 1, 1, 5, 7, 9, 9, 9, 9});
    marks = held({1, 2, 5, 6});
    QCOMPARE(rules::checkforruns(spare, marks, 3), 12);
    QCOMPARE(withMark(marks, 2), (IntList{1, 2, 5, 6}));

    // Without a gap the wilds stay free, and a duplicate value is taken once, lowest die first.
    const rules::Dice dup = make({0, 1, 1, 1, 5, 6, 6, 7, 9, 9});
    marks = held({1, 5, 6, 7, 8});
    QCOMPARE(rules::checkforruns(dup, marks, 3), 18);
    QCOMPARE(withMark(marks, 2), (IntList{5, 6, 8}));
    QCOMPARE(withMark(marks, 1), (IntList{1, 7}));
}

void TestPhaseChecks::setSearchChoices() {
    // Equal counts go to the lower value; wilds are marked lowest die first, only as needed.
    const rules::Dice dice = make({0, 0, 0, 4, 6, 6, 9, 9, 10, 10});
    rules::Marks marks = held({1, 2, 3, 5, 6, 7, 8});
    QCOMPARE(rules::checkforkinds(dice, marks, 3), 12);
    QCOMPARE(withMark(marks, 2), (IntList{1, 5, 6}));
    QCOMPARE(rules::checkforkinds(dice, marks, 4), 18);
    QCOMPARE(withMark(marks, 2), (IntList{1, 2, 3, 5, 6, 7, 8}));

    // Wilds alone make nothing, however many.
    const rules::Dice wilds = make({0, 0, 0, 0, 5, 6, 7, 8, 9, 10});
    marks = held({1, 2, 3, 4});
    QCOMPARE(rules::checkforkinds(wilds, marks, 2), 0);
    QCOMPARE(marks, held({1, 2, 3, 4}));
}

void TestPhaseChecks::invariantsOverRandomHands() {
    std::mt19937 generator(20240611);
    const rules::FaceSource faces = rules::seededFaces(7);
    std::bernoulli_distribution holdIt(0.7);
    for (int hand = 0; hand < 4000; ++hand) {
        rules::Dice dice{};
        rules::Marks before{};
        for (int n = 1; n <= rules::kDice; ++n) {
            rules::rolldice(dice, n, faces);
            before[n] = holdIt(generator) ? 1 : 0;
        }
        for (int phase = 1; phase <= rules::kPhases; ++phase) {
            rules::Marks marks = before;
            const int points = rules::checkforphase(phase, dice, marks);
            int sum = 0;
            for (int n = 1; n <= rules::kDice; ++n) {
                QVERIFY(marks[n] >= 0 && marks[n] <= 3);
                if (before[n] == 0) QCOMPARE(marks[n], 0);
                if (marks[n] == 2) sum += dice[n].value;
            }
            QCOMPARE(points, sum);
            const QList<int> used = withMark(marks, 2);
            if (points == 0) {
                QCOMPARE(marks, before);
            } else if (phase == 8) {
                QCOMPARE(used.size(), 7);
                for (int n : used + withMark(marks, 3))
                    QCOMPARE(dice[n].colour, dice[used.first()].colour);
            } else {
                QVERIFY(withMark(marks, 3).isEmpty());
            }
        }
    }
}

QTEST_APPLESS_MAIN(TestPhaseChecks)
#include "tst_phasechecks.moc"
