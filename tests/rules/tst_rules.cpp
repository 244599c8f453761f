// Faces and colours, rolling, the computer's holds and the winner sentence.
#include "dicebuilder.h"

#include <QtTest>

using namespace testdice;
using IntList = QList<int>;

class TestRules : public QObject {
    Q_OBJECT
private slots:
    void colourTable();
    void facesAndWilds();
    void rollRedrawsTheSameColour();
    void rerollsNeverRepeatAColour();
    void facesAreEvenlySpread();
    void strategies_data();
    void strategies();
    void winner_data();
    void winner();
    void phaseNames();
};

void TestRules::colourTable() {
    // One row per colour group: the dice in it and the colours of faces 1..6.
    const QList<QPair<IntList, IntList>> groups = {
        {{1, 5}, {1, 2, 3, 4, 1, 2}},
        {{2, 6}, {2, 3, 4, 1, 2, 3}},
        {{3, 7, 9}, {3, 4, 1, 2, 3, 4}},
        {{4, 8, 10}, {4, 1, 2, 3, 4, 1}},
    };
    for (const auto& [dice, colours] : groups) {
        for (int die : dice) {
            for (int face = 1; face <= 6; ++face)
                QCOMPARE(rules::findcolor(die, face), colours[face - 1]);
        }
    }
    QCOMPARE(rules::findcolor(0, 2), 1);
    QCOMPARE(rules::findcolor(11, 2), 1);
    QCOMPARE(rules::findcolor(2, 7), 1);
}

void TestRules::facesAndWilds() {
    QCOMPARE(rules::faceValue(3, 6), 0); // a wild...
    QCOMPARE(rules::findcolor(3, 6), 4); // ...of colour 4
    QCOMPARE(rules::faceValue(9, 1), 5);
    QCOMPARE(rules::findcolor(9, 1), 3);
    for (int face = 1; face <= 4; ++face)
        QCOMPARE(rules::faceValue(1, face), face);
    QCOMPARE(rules::faceValue(4, 5), 0);
    QCOMPARE(rules::faceValue(10, 6), 10);
}

void TestRules::rollRedrawsTheSameColour() {
    QList<int> script;
    const rules::FaceSource scripted = [&script] { return script.takeFirst(); };
    rules::Dice dice{};
    dice[2].held = true;

    script = {1, 6}; // a first roll keeps whatever comes
    rules::rolldice(dice, 2, scripted);
    QCOMPARE(dice[2].value, 1);
    QCOMPARE(dice[2].colour, 2);
    QVERIFY(!dice[2].held);
    QCOMPARE(script, IntList{6});

    // Faces 1 and 5 are colour 2 like the die now shows; face 6 (wild, colour 3) stands.
    script = {1, 5, 6, 3};
    rules::rolldice(dice, 2, scripted);
    QCOMPARE(dice[2].value, 0);
    QCOMPARE(dice[2].colour, 3);
    QCOMPARE(script, IntList{3});

    script = {0, 9, 4}; // impossible faces are drawn again
    rules::rolldice(dice, 7, scripted);
    QCOMPARE(dice[7].value, 8);
    QVERIFY(script.isEmpty());
}

void TestRules::rerollsNeverRepeatAColour() {
    const rules::FaceSource faces = rules::seededFaces(99);
    for (int turn = 0; turn < 500; ++turn) {
        rules::Dice dice{};
        for (int roll = 0; roll < 3; ++roll) {
            for (int n = 1; n <= rules::kDice; ++n) {
                const int before = dice[n].colour;
                rules::rolldice(dice, n, faces);
                QVERIFY(dice[n].colour != before);
                QVERIFY(dice[n].colour >= 1 && dice[n].colour <= 4);
                QVERIFY(n <= 4 ? dice[n].value <= 4 : dice[n].value >= 5);
            }
        }
    }
}

void TestRules::facesAreEvenlySpread() {
    const rules::FaceSource faces = rules::seededFaces(12345);
    std::array<int, 7> seen{};
    const int draws = 60000;
    for (int i = 0; i < draws; ++i) {
        const int face = faces();
        QVERIFY(face >= 1 && face <= 6);
        ++seen[face];
    }
    for (int face = 1; face <= 6; ++face)
        QVERIFY2(qAbs(seen[face] - draws / 6) < draws / 60,
                 qPrintable(QString::number(seen[face])));
    // Copies share their generator, so they do not replay the same faces.
    const rules::FaceSource copy = faces;
    QList<int> a, b;
    for (int i = 0; i < 20; ++i) {
        a << faces();
        b << copy();
    }
    QVERIFY(a != b);
}

void TestRules::strategies_data() {
    QTest::addColumn<int>("phase");
    QTest::addColumn<IntList>("values");
    QTest::addColumn<IntList>("colours");
    QTest::addColumn<IntList>("held");

    const IntList plain;
    QTest::newRow("p1 two set values from the top")
        << 1 << IntList{4, 4, 4, 0, 9, 9, 10, 7, 5, 6} << plain << IntList{1, 2, 3, 4, 5, 6};
    QTest::newRow("p1 one set value keeps the 10")
        << 1 << IntList{1, 2, 3, 0, 6, 6, 10, 7, 8, 5} << plain << IntList{4, 5, 6, 7};
    QTest::newRow("p1 low values are never sets")
        << 1 << IntList{1, 1, 1, 2, 5, 6, 7, 8, 9, 10} << plain << IntList{10};
    QTest::newRow("p2 spare set die serves the run")
        << 2 << IntList{1, 1, 1, 1, 7, 7, 7, 7, 9, 6} << plain << IntList{5, 6, 7, 8, 9, 10};
    QTest::newRow("p3 set of 8s, run dice 6..10")
        << 3 << IntList{0, 2, 3, 4, 8, 8, 5, 6, 7, 10} << plain << IntList{1, 5, 6, 8, 9, 10};
    QTest::newRow("p4 first die of each value 4..10")
        << 4 << IntList{4, 4, 1, 0, 5, 6, 7, 8, 9, 9} << plain << IntList{1, 4, 5, 6, 7, 8, 9};
    QTest::newRow("p5 values 3..10")
        << 5 << IntList{2, 3, 1, 0, 5, 5, 6, 7, 8, 10} << plain << IntList{2, 4, 5, 7, 8, 9, 10};
    QTest::newRow("p6 values 2..10")
        << 6 << IntList{2, 3, 1, 0, 5, 5, 6, 7, 8, 10} << plain << IntList{1, 2, 4, 5, 7, 8, 9, 10};
    QTest::newRow("p7 four of each set value")
        << 7 << IntList{4, 4, 4, 4, 9, 9, 9, 9, 9, 10} << plain << IntList{1, 2, 3, 4, 5, 6, 7, 8};
    QTest::newRow("p8 tie goes to the lower colour")
        << 8 << IntList{0, 2, 0, 4, 5, 6, 7, 8, 9, 10} << IntList{3, 2, 1, 3, 2, 3, 2, 3, 2, 4}
        << IntList{2, 5, 7, 9};
    QTest::newRow("p9 highest count, highest value")
        << 9 << IntList{2, 2, 1, 3, 7, 7, 7, 8, 8, 8} << plain << IntList{5, 6, 8, 9, 10};
    QTest::newRow("p9 low triple is only a second set")
        << 9 << IntList{2, 2, 2, 0, 5, 6, 7, 8, 9, 10} << plain << IntList{1, 2, 4};
    QTest::newRow("p10 low triple is only a second set")
        << 10 << IntList{2, 2, 2, 0, 5, 6, 7, 8, 9, 10} << plain << IntList{1, 2, 3, 4};
    QTest::newRow("phase 11 holds nothing")
        << 11 << IntList{4, 4, 4, 0, 9, 9, 10, 7, 5, 6} << plain << IntList{};
}

void TestRules::strategies() {
    QFETCH(int, phase);
    QFETCH(IntList, values);
    QFETCH(IntList, colours);
    QFETCH(IntList, held);
    const rules::Plan plan = rules::computerplay(phase, make(values, colours));
    QCOMPARE(withMark(plan, 1), held);
    QCOMPARE(withMark(plan, 0).size() + held.size(), rules::kDice);
}

void TestRules::winner_data() {
    QTest::addColumn<IntList>("scores");
    QTest::addColumn<QString>("text");
    QTest::newRow("two tied at the top") << IntList{120, 150, 150, 0} << "Bo and Cy";
    QTest::newRow("seats 1 and 3") << IntList{90, 40, 90, 10} << "Al and Cy";
    QTest::newRow("last seat alone") << IntList{1, 2, 3, 4} << "Klo";
    QTest::newRow("nobody scored") << IntList{0, 0, 0, 0} << "Al and Bo and Cy and Klo";
}

void TestRules::winner() {
    QFETCH(IntList, scores);
    QFETCH(QString, text);
    const std::array<std::string, 4> names = {"Al", "Bo", "Cy", "Klo"};
    const std::array<int, 4> s = {scores[0], scores[1], scores[2], scores[3]};
    QCOMPARE(QString::fromStdString(rules::winnerText(names, s)), text);
}

void TestRules::phaseNames() {
    QCOMPARE(QString::fromStdString(rules::phaseName(1)), "Two Sets of 3");
    QCOMPARE(QString::fromStdString(rules::phaseName(8)), "7 of one color");
    QCOMPARE(QString::fromStdString(rules::phaseName(10)), "Set of 5 + Set of 3");
    QVERIFY(rules::phaseName(11).empty());
}

QTEST_APPLESS_MAIN(TestRules)
#include "tst_rules.moc"
