// The Expert computer player: legal holds, finishing what the dice already make, its
// exact chances against cases worked out by hand, and the holds worked out at build time
// against the programme that works them out.
#include "dicebuilder.h"
#include "rules/colourodds.h"
#include "rules/expertpolicy.h"
#include "rules/turnprogramme.h"

#include <QtTest>

#include <csignal>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Working out a programme takes a while (longer under sanitizers): one per phase, shared.
const rules::TurnProgramme& expertProgramme(int phase) {
    static std::map<int, std::unique_ptr<rules::TurnProgramme>> made;
    auto& p = made[phase];
    if (!p) p = std::make_unique<rules::TurnProgramme>(phase, rules::expertWorth);
    return *p;
}

struct Death {
    bool aborted = false;
    QByteArray said; // what it wrote to stderr
};

// Runs `f` in a child process, so that a fault that ends the program can be watched.
Death runApart(const std::function<void()>& f) {
    int out[2];
    if (pipe(out) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        // The plain abort, without the test library's stack dump or a core file.
        std::signal(SIGABRT, SIG_DFL);
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        dup2(out[1], STDERR_FILENO);
        close(out[0]);
        f();
        _exit(0);
    }
    close(out[1]);
    Death d;
    char buffer[512];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        d.said.append(buffer, n);
    close(out[0]);
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child)
        d.aborted = WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT;
    return d;
}

} // namespace

class TestExpert : public QObject {
    Q_OBJECT
private slots:
    void holdsOnlyRolledDice();
    void completesWhatTheDiceMake_data();
    void completesWhatTheDiceMake();
    void keepsAMadePhaseAtEveryRoll();
    void chanceMatchesHandCount();
    void colourChanceMatchesHandCount();
    void builtHoldsAreTheProgrammesHolds();
    void builtTableHasItsExactSize();
    void builtPhasesMatchTheProgrammeEverywhere();
    void lookupOutsideTheTableAborts_data();
    void lookupOutsideTheTableAborts();
    void neverWorseThanNormal();
    void sameHoldWhateverTheHeldFlags();
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
                const rules::Plan plan = rules::expertplay(phase, dice, rollsLeft);
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
    QTest::newRow("p1 low sets count too")
        << 1 << IntList{1, 1, 1, 2, 5, 6, 7, 5, 5, 9} << plain << 18;
    QTest::newRow("p1 six of a kind") << 1 << IntList{1, 2, 3, 4, 7, 7, 7, 7, 7, 7} << plain << 42;
    QTest::newRow("p2 a fourth 6 serves the run")
        << 2 << IntList{1, 3, 3, 4, 6, 6, 6, 6, 7, 8} << plain << 39;
    QTest::newRow("p4 run with a wild gap")
        << 4 << IntList{4, 0, 1, 1, 5, 6, 8, 9, 10, 10} << plain << 42;
    QTest::newRow("p6 2..10") << 6 << IntList{2, 3, 4, 1, 5, 6, 7, 8, 9, 10} << plain << 54;
    QTest::newRow("p8 seven of colour 2, die 10 of another")
        << 8 << IntList{1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << IntList{2, 2, 2, 2, 2, 2, 2, 3, 3, 4}
        << 28;
    QTest::newRow("p9 the pair below the five")
        << 9 << IntList{2, 2, 3, 4, 8, 8, 8, 8, 8, 5} << plain << 44;
    QTest::newRow("p10 five and three")
        << 10 << IntList{0, 0, 3, 3, 9, 9, 9, 6, 6, 6} << plain << 45;
}

void TestExpert::completesWhatTheDiceMake() {
    QFETCH(int, phase);
    QFETCH(IntList, values);
    QFETCH(IntList, colours);
    QFETCH(int, points);
    const rules::Dice dice = testdice::make(values, colours);
    // The last decision holds the best completing set.
    QCOMPARE(scoreOf(phase, dice, rules::expertplay(phase, dice, 0)), points);
    // These dice show no faces the game could roll (every die colour 1 but the first), so
    // earlier decisions cannot play on and keep a completing set too.
    QVERIFY(scoreOf(phase, dice, rules::expertplay(phase, dice, 2)) > 0);
}

void TestExpert::keepsAMadePhaseAtEveryRoll() {
    // Dice as the game rolls them: whenever they make the phase, so does the hold, with
    // rolls left too (it may keep more dice, or other dice, for points).
    const rules::FaceSource faces = rules::seededFaces(17);
    for (int phase = 1; phase <= rules::kPhases; ++phase) {
        int made = 0;
        for (int turn = 0; turn < 40000 && made < 40; ++turn) {
            rules::Dice dice{};
            for (int n = 1; n <= rules::kDice; ++n)
                rules::rolldice(dice, n, faces);
            rules::Plan finish{};
            if (rules::finishingHold(phase, dice, finish) == 0) continue;
            ++made;
            for (int rollsLeft = 0; rollsLeft <= 2; ++rollsLeft)
                QVERIFY2(scoreOf(phase, dice, rules::expertplay(phase, dice, rollsLeft)) > 0,
                         qPrintable(
                             QStringLiteral("phase %1, %2 rolls left").arg(phase).arg(rollsLeft)));
        }
        QCOMPARE(made, 40);
    }
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
    const rules::TurnProgramme best(6, rules::completionOnly);
    QCOMPARE(best.holdValue(dice, hold, 1), 0.75);
    QVERIFY(qAbs(best.holdValue(dice, hold, 2) - 0.949375) < 1e-6);
    // Nothing left to roll: the hold as it is, which does not complete.
    QCOMPARE(best.holdValue(dice, hold, 0), 0.0);
    // The best hold is at least that good, and the hold it names reaches its worth.
    QVERIFY(best.value(dice, 2) >= 0.949375 - 1e-6);
    QCOMPARE(best.holdValue(dice, best.bestHold(dice, 2), 2), best.value(dice, 2));
    // With points counting: 2..10 scores 54 with a 4 (some 4 in 7 of 16 rolls) and 50 with
    // a wild in its place (no 4 but a wild in 5 of 16), each with 40 for completing.
    QVERIFY(qAbs(expertProgramme(6).holdValue(dice, hold, 1) - (7 * 94.0 + 5 * 90.0) / 16) < 1e-4);
}

void TestExpert::colourChanceMatchesHandCount() {
    // Dice 1..6 show colour 1, dice 7..10 other colours. Seven of colour 1 need one of
    // the four to roll it: each does with its share of the faces of the other colours.
    const rules::Dice dice = fromFaces({1, 4, 3, 2, 1, 4, 4, 4, 4, 3});
    rules::ColourOdds odds;
    const rules::ColourOdds::Colours colours = rules::ColourOdds::coloursOf(dice);
    for (int n = 1; n <= 6; ++n)
        QCOMPARE(rules::ColourOdds::colourOf(colours, n), 1);
    double miss = 1;
    for (int n = 7; n <= 10; ++n) {
        QVERIFY(dice[n].colour != 1);
        int others = 0;
        int ones = 0;
        for (int f = 1; f <= 6; ++f) {
            if (rules::findcolor(n, f) == dice[n].colour) continue;
            ++others;
            ones += rules::findcolor(n, f) == 1 ? 1 : 0;
        }
        miss *= 1.0 - double(ones) / others;
    }
    int colour = 0;
    QVERIFY(qAbs(odds.lastRoll(colours, &colour) - (1 - miss)) < 1e-6);
    QCOMPARE(colour, 1);
    // Expert holds exactly the six dice of colour 1 before the last roll.
    const rules::Plan plan = rules::expertplay(8, dice, 1);
    for (int n = 1; n <= rules::kDice; ++n)
        QCOMPARE(plan[n], n <= 6 ? 1 : 0);
}

void TestExpert::builtHoldsAreTheProgrammesHolds() {
    // The holds the game was built with, against the programme worked out here: a table
    // read at the wrong place or a hold decoded wrongly would show on seeded positions.
    const rules::FaceSource faces = rules::seededFaces(21);
    for (int phase : {6, 10}) {
        const rules::TurnProgramme& programme = expertProgramme(phase);
        int compared = 0;
        for (int turn = 0; turn < 200; ++turn) {
            rules::Dice dice{};
            for (int n = 1; n <= rules::kDice; ++n)
                rules::rolldice(dice, n, faces);
            for (int rollsLeft = 1; rollsLeft <= 2; ++rollsLeft) {
                const rules::Plan played = rules::expertplay(phase, dice, rollsLeft);
                QCOMPARE(programme.holdValue(dice, played, rollsLeft),
                         programme.value(dice, rollsLeft));
                ++compared;
            }
        }
        QCOMPARE(compared, 400);
    }
}

void TestExpert::builtTableHasItsExactSize() {
    // Nine phases of values, each a hold for every one of 126 x 462 positions with one
    // roll left and with two, two characters a hold.
    QCOMPARE(rules::TurnProgramme::kPositions, 58212);
    QCOMPARE(rules::kPolicyHoldsPerPhase, std::size_t(116424));
    QCOMPARE(rules::kExpertPolicySize, std::size_t(9 * 116424 * 2));
    QCOMPARE(std::strlen(rules::kExpertPolicy), rules::kExpertPolicySize);
    const std::string_view digits(rules::kPolicyDigits);
    for (std::size_t at = 0; at < rules::kExpertPolicySize; ++at)
        if (digits.find(rules::kExpertPolicy[at]) == std::string_view::npos)
            QFAIL(qPrintable(QStringLiteral("not a hold digit at %1").arg(at)));
}

void TestExpert::builtPhasesMatchTheProgrammeEverywhere() {
    // Every position of the last phase in the table (its end included) and of another,
    // against the programme worked out here.
    for (int phase : {6, 10}) {
        const rules::TurnProgramme& programme = expertProgramme(phase);
        int differ = 0;
        QString first;
        for (int rollsLeft = 1; rollsLeft <= 2; ++rollsLeft)
            for (int p = 0; p < rules::TurnProgramme::kPositions; ++p) {
                const std::uint16_t built = rules::expertPolicy(phase, rollsLeft, p);
                const std::uint16_t worked = programme.holdCode(p, rollsLeft);
                if (built == worked) continue;
                if (differ++ == 0)
                    first = QStringLiteral("phase %1, %2 rolls left, position %3: %4, not %5")
                                .arg(phase)
                                .arg(rollsLeft)
                                .arg(p)
                                .arg(built)
                                .arg(worked);
            }
        QVERIFY2(differ == 0,
                 qPrintable(QStringLiteral("%1 holds differ; %2").arg(differ).arg(first)));
    }
}

void TestExpert::lookupOutsideTheTableAborts_data() {
    QTest::addColumn<int>("phase");
    QTest::addColumn<int>("rollsLeft");
    QTest::addColumn<int>("position");
    QTest::newRow("past the end") << 10 << 2 << rules::TurnProgramme::kPositions;
    QTest::newRow("past a phase's end") << 6 << 1 << rules::TurnProgramme::kPositions;
    QTest::newRow("phase 8 has no holds") << 8 << 1 << 0;
    QTest::newRow("no phase 11") << 11 << 1 << 0;
    QTest::newRow("three rolls left") << 10 << 3 << 0;
    QTest::newRow("negative position") << 1 << 1 << -1;
}

void TestExpert::lookupOutsideTheTableAborts() {
    QFETCH(int, phase);
    QFETCH(int, rollsLeft);
    QFETCH(int, position);
    const Death death = runApart([=] { rules::expertPolicy(phase, rollsLeft, position); });
    QVERIFY2(death.aborted, death.said.constData());
    QVERIFY2(death.said.contains(
                 QStringLiteral("expertPolicy: no hold for phase %1, %2 rolls left, position %3")
                     .arg(phase)
                     .arg(rollsLeft)
                     .arg(position)
                     .toLatin1()),
             death.said.constData());
}

void TestExpert::neverWorseThanNormal() {
    // By the worth Expert plays for, its hold is never worth less than Normal's.
    const rules::FaceSource faces = rules::seededFaces(33);
    const rules::TurnProgramme& programme = expertProgramme(10);
    for (int turn = 0; turn < 300; ++turn) {
        rules::Dice dice{};
        for (int n = 1; n <= rules::kDice; ++n)
            rules::rolldice(dice, n, faces);
        const int rollsLeft = 1 + turn % 2;
        const double expert =
            programme.holdValue(dice, rules::expertplay(10, dice, rollsLeft), rollsLeft);
        const double normal = programme.holdValue(dice, rules::computerplay(10, dice), rollsLeft);
        QVERIFY2(expert >= normal - 1e-4,
                 qPrintable(QStringLiteral("%1 < %2").arg(expert).arg(normal)));
    }
}

void TestExpert::sameHoldWhateverTheHeldFlags() {
    // Same faces, same hold, whatever the seat's dice were flagged held.
    rules::Dice dice = fromFaces({2, 5, 1, 3, 2, 2, 6, 1, 4, 3});
    for (int phase = 1; phase <= rules::kPhases; ++phase) {
        const rules::Plan a = rules::expertplay(phase, dice, 2);
        for (int n = 1; n <= rules::kDice; ++n)
            dice[n].held = n % 2 == 0;
        QCOMPARE(rules::expertplay(phase, dice, 2), a);
        for (int n = 1; n <= rules::kDice; ++n)
            dice[n].held = false;
    }
}

QTEST_APPLESS_MAIN(TestExpert)
#include "tst_expert.moc"
