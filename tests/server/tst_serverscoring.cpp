// Scoring through whole scripted games: the exact scores of each phase, the bonus
// for more than 220 after phase 5, going out, the last turns and a shared win.
#include "serverharness.h"

#include <QTest>

namespace {

struct Turn {
    std::initializer_list<int> faces; // dice 1..10
    const char* held;                 // the end-of-turn list
};

// Phase 5 ends on exactly 220: 30 + 39 + 50 + 49 + 52, then 54, 56, 41, 52, 53.
const Turn kAnn[10] = {
    {{1, 1, 2, 2, 1, 1, 1, 1, 1, 1}, "+5+6+7+8+9+10"},
    {{1, 1, 2, 2, 1, 1, 1, 3, 4, 5}, "+5+6+7+8+9+10"},
    {{1, 2, 3, 4, 6, 6, 6, 6, 1, 1}, "+1+2+3+4+5+6+7+8"},
    {{1, 1, 1, 4, 1, 2, 3, 4, 5, 6}, "+4+5+6+7+8+9+10"},
    {{1, 1, 3, 4, 1, 2, 3, 4, 5, 6}, "+3+4+5+6+7+8+9+10"},
    {{1, 2, 3, 4, 1, 2, 3, 4, 5, 6}, "+2+3+4+5+6+7+8+9+10"},
    {{4, 4, 4, 4, 6, 6, 6, 6, 1, 1}, "+1+2+3+4+5+6+7+8"},
    {{1, 4, 3, 2, 1, 4, 3, 2, 3, 2}, "+4+5+6+7+8+9+10"},
    {{1, 1, 2, 3, 6, 6, 6, 6, 6, 1}, "+1+2+5+6+7+8+9"},
    {{1, 1, 1, 2, 6, 6, 6, 6, 6, 1}, "+1+2+3+5+6+7+8+9"},
};

// Phase 5 ends on 221 (39 + 39 + 50 + 49 + 44) and earns the bonus; phase 8 scores
// one point less, so the total ties with kAnn's after her going-out bonus.
const Turn kCid[10] = {
    {{1, 1, 2, 2, 1, 1, 1, 4, 4, 4}, "+5+6+7+8+9+10"},
    kAnn[1],
    kAnn[2],
    kAnn[3],
    {{1, 2, 3, 4, 1, 2, 3, 4, 5, 1}, "+2+3+4+5+6+7+8+9"},
    kAnn[5],
    kAnn[6],
    {{1, 4, 3, 2, 1, 4, 3, 2, 3, 2}, "+1+5+6+7+8+9+10"},
    kAnn[8],
    kAnn[9],
};

void play(Host& h, int seat, const Turn& t) {
    h.faces->script.insert(h.faces->script.end(), t.faces);
    h.send(seat, QStringLiteral("CMD_rollthedice+%1+1+2+3+4+5+6+7+8+9+10").arg(seat).toUtf8());
    h.send(seat, QStringLiteral("CMD_alldone+%1%2").arg(seat).arg(QLatin1String(t.held)).toUtf8());
}

} // namespace

class TestServerScoring : public QObject {
    Q_OBJECT
private slots:
    void wholeGameWithSharedWin_data();
    void wholeGameWithSharedWin();
};

void TestServerScoring::wholeGameWithSharedWin_data() {
    QTest::addColumn<bool>("cidLeaves");
    QTest::addColumn<QString>("winner");
    QTest::newRow("all stay") << false << "CMD_winner+Ann and Cid+";
    // Cid's seat waits for him to the end, under his name.
    QTest::newRow("seat 3 drops at the end") << true << "CMD_winner+Ann and Cid+";
}

void TestServerScoring::wholeGameWithSharedWin() {
    QFETCH(bool, cidLeaves);
    QFETCH(QString, winner);
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.join(QStringLiteral("Cid"));
    h.send(1, framed("CMD_startgame+Ann+0+0+f+"));
    h.link.clear();
    for (int round = 0; round < 10; ++round) {
        QCOMPARE(h.server.round(), round + 1);
        play(h, 1, kAnn[round]);
        h.finishPause();
        h.send(2, framed("CMD_alldone+2+none"));
        h.finishPause();
        play(h, 3, kCid[round]);
        if (round == 9 && cidLeaves) h.link.depart(3);
        h.finishPause();
    }
    const QStringList got = texts(h.link.take(1));
    QStringList scores;
    for (const QString& m : got)
        if (m.startsWith(QLatin1String("CMD_scores+"))) scores.append(m);
    QCOMPARE(scores, QStringList({
                         "CMD_scores+1+1+30+30+0+none+5+6+7+8+9+10",
                         "CMD_scores+3+1+39+39+0+none+5+6+7+8+9+10",
                         "CMD_scores+1+2+69+39+0+none+5+6+7+8+9+10",
                         "CMD_scores+3+2+78+39+0+none+5+6+7+8+9+10",
                         "CMD_scores+1+3+119+50+0+none+1+2+3+4+5+6+7+8",
                         "CMD_scores+3+3+128+50+0+none+1+2+3+4+5+6+7+8",
                         "CMD_scores+1+4+168+49+0+none+4+5+6+7+8+9+10",
                         "CMD_scores+3+4+177+49+0+none+4+5+6+7+8+9+10",
                         "CMD_scores+1+5+220+52+0+bonus+3+4+5+6+7+8+9+10",
                         "CMD_scores+3+5+261+44+40+bonus+2+3+4+5+6+7+8+9",
                         "CMD_scores+1+6+274+54+0+none+2+3+4+5+6+7+8+9+10",
                         "CMD_scores+3+6+315+54+0+none+2+3+4+5+6+7+8+9+10",
                         "CMD_scores+1+7+330+56+0+none+1+2+3+4+5+6+7+8",
                         "CMD_scores+3+7+371+56+0+none+1+2+3+4+5+6+7+8",
                         "CMD_scores+1+8+371+41+0+none+4+5+6+7+8+9+10",
                         "CMD_scores+3+8+411+40+0+none+1+5+6+7+8+9+10",
                         "CMD_scores+1+9+423+52+0+none+1+2+5+6+7+8+9",
                         "CMD_scores+3+9+463+52+0+none+1+2+5+6+7+8+9",
                         "CMD_scores+1+10+516+53+40+goneout+1+2+3+5+6+7+8+9",
                         "CMD_scores+3+10+516+53+0+none+1+2+3+5+6+7+8+9",
                     }));

    // Seat 2 fails every turn; only the failure after seat 1 went out finishes it.
    QCOMPARE(got.count(QStringLiteral("CMD_noscore+2+none")), 10);
    const qsizetype markoff = got.indexOf(QStringLiteral("CMD_markoff+2+1+"));
    QVERIFY(markoff >
            got.indexOf(QStringLiteral("CMD_scores+1+10+516+53+40+goneout+1+2+3+5+6+7+8+9")));
    QCOMPARE(got.value(markoff + 1), QStringLiteral("CMD_noscore+2+none"));
    QCOMPARE(got.count(QStringLiteral("CMD_markoff+2+1+")), 1);
    QCOMPARE(got.last(), winner);
    QCOMPARE(got.count(winner), 1);

    QVERIFY(!h.server.gameon());
    const auto& ann = h.server.record(1);
    const auto& cid = h.server.record(3);
    QCOMPARE(ann.status, 2);
    QCOMPARE(ann.outbonus, 40);
    QCOMPARE(ann.scorebonus, 0);
    QCOMPARE(ann.phase, 11);
    QCOMPARE(cid.scorebonus, 40);
    QCOMPARE(cid.outbonus, 0);
    QCOMPARE(cid.status, 2);
    QCOMPARE(h.server.record(2).status, 2);
    QVERIFY(h.server.someoneout());
}

QTEST_MAIN(TestServerScoring)
#include "tst_serverscoring.moc"
