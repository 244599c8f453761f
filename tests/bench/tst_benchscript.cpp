// The benchmarks' own parts: how their clients cut and read messages, the figures
// they compute from samples and /proc, and the scripted table the load generator
// runs, here against a real host in virtual time. A benchmark whose table stalls or
// whose chat lines go unread would print figures about nothing.
#include "server/serverharness.h"

#include "benchwire.h"
#include "scriptedseat.h"

#include <QTest>
#include <map>
#include <memory>

namespace {

// Nine scripted connections at a host with a recorder for sockets.
struct ScriptedTable {
    Host h;
    std::map<int, std::unique_ptr<bench::ScriptedSeat>> seats; // by record
    std::map<int, std::vector<std::string>> heard;            // every message, by record

    ScriptedTable() {
        h.server.setDedicated(true);
        for (int k = 0; k < 9; ++k) {
            const int r = h.connectOne();
            seats[r] = std::make_unique<bench::ScriptedSeat>(
                bench::ScriptedSeat::Options{"Seat" + std::to_string(k), "1.0.7", 500, 9, true});
        }
    }

    // Hands every sent message to its seat and the seat's answers back to the host,
    // until nothing moves. False when nothing was sent.
    bool exchange() {
        bool moved = false;
        for (auto& [record, seat] : seats) {
            std::string replies;
            for (QByteArray bytes : h.link.take(record)) {
                bytes.chop(1);
                heard[record].push_back(bytes.toStdString());
                seat->onMessage(heard[record].back(), replies);
            }
            if (!replies.empty()) h.server.Sock1Read(record, QByteArray::fromStdString(replies));
            h.drain();
            moved = moved || !replies.empty();
        }
        return moved;
    }

    // Runs the host's timers, as its event loop would, until `done` or a stall.
    template <class Done>
    bool runUntil(Done done, int maxSteps = 200000) {
        for (int step = 0; step < maxSteps && !done(); ++step) {
            if (exchange()) continue;
            if (!h.link.sent.isEmpty()) continue;
            if (h.server.computertimer().isActive())
                h.server.computertimerTimer();
            else if (h.server.timer1().isActive())
                h.server.timer1Timer();
            else
                return false; // nobody has anything left to do
        }
        return done();
    }
};

} // namespace

class TestBenchScript : public QObject {
    Q_OBJECT
private slots:
    void messagesAreCutAtTheTerminator();
    void fieldsAndChatTextAreRead();
    void percentilesTakeTheNearestRank();
    void procFiguresAreRead();
    void scriptedTablePlaysWholeGames();
    void spectatorLinesReachTheWholeTable();
};

void TestBenchScript::messagesAreCutAtTheTerminator() {
    std::string buffer = "CMD_a+1\xff" "CMD_b+2\xff" "CMD_c";
    std::vector<std::string> out;
    bench::takeMessages(buffer, out);
    QCOMPARE(out.size(), std::size_t(2));
    QCOMPARE(out[0], std::string("CMD_a+1"));
    QCOMPARE(out[1], std::string("CMD_b+2"));
    QCOMPARE(buffer, std::string("CMD_c")); // waits for the rest
    buffer += "+3\xff";
    bench::takeMessages(buffer, out);
    QCOMPARE(out.back(), std::string("CMD_c+3"));
    QVERIFY(buffer.empty());
}

void TestBenchScript::fieldsAndChatTextAreRead() {
    const auto f = bench::fields("2+5+1+");
    QCOMPARE(f.size(), std::size_t(3));
    QCOMPARE(f[1], std::string_view("5"));
    QCOMPARE(bench::leadingNumber("12+x"), 12LL);
    QCOMPARE(bench::leadingNumber("x+1"), -1LL);
    std::string_view body;
    QVERIFY(bench::bodyOf("CMD_nextplayer+1+1+1+", "CMD_nextplayer", body));
    QVERIFY(!bench::bodyOf("CMD_nextplayerx+1", "CMD_nextplayer", body));
    std::string_view text;
    QVERIFY(bench::relayedChat("CMD_chat+Ann chats: L42 a|b|clBlack", text));
    QCOMPARE(text, std::string_view("L42 a|b"));
    QVERIFY(!bench::relayedChat("CMD_action+Ann waves|clBlack", text));
    // What the clients send is what the host's readers take.
    QCOMPARE(bench::send::chat(5, "hi"), std::string("CMD_chat+5+hi|clBlack\xff"));
    QCOMPARE(bench::send::justwatch(3), std::string("CMD_justwatch+3+1\xff"));
    QCOMPARE(bench::send::holdAll(2), std::string("CMD_alldone+2+1+2+3+4+5+6+7+8+9+10\xff"));
}

void TestBenchScript::percentilesTakeTheNearestRank() {
    std::vector<double> v;
    for (int i = 100; i >= 1; --i)
        v.push_back(i);
    QCOMPARE(bench::percentile(v, 50), 50.0);
    QCOMPARE(bench::percentile(v, 99), 99.0);
    QCOMPARE(bench::percentile(v, 100), 100.0);
    QCOMPARE(bench::percentile(v, 0), 1.0);
    std::vector<double> none;
    QCOMPARE(bench::percentile(none, 99), 0.0);
    QCOMPARE(bench::median({3, 1, 2}), 2.0);
}

void TestBenchScript::procFiguresAreRead() {
    // A command name with spaces and parentheses must not shift the fields.
    const std::string stat = "4242 (vimbrel (host) x) S 1 4242 4242 0 -1 4194560 900 0 0 0 250 31 0 0 20 0 1";
    QCOMPARE(bench::cpuTicks(stat), 281LL);
    QCOMPARE(bench::cpuTicks("garbage"), -1LL);
    const std::string status = "Name:\tvimbrel-host\nVmHWM:\t   13000 kB\nVmRSS:\t   11764 kB\nThreads:\t1\n";
    QCOMPARE(bench::statusKb(status, "VmRSS"), 11764LL);
    QCOMPARE(bench::statusKb(status, "VmSwap"), -1LL);
}

void TestBenchScript::scriptedTablePlaysWholeGames() {
    ScriptedTable t;
    bench::ScriptedSeat& leader = *t.seats.at(1);
    QVERIFY(t.runUntil([&] { return leader.gamesEnded() >= 2; }));
    QVERIFY2(t.h.errors.isEmpty(), qPrintable(t.h.errors.join(QLatin1Char('\n'))));
    QCOMPARE(t.h.server.botinterval(), 500);
    // Record 2 played its own turns; the others were handed to the computer.
    QVERIFY(t.seats.at(2)->ownTurns() > 0);
    QVERIFY(!t.h.server.playedByComputer(2));
    QVERIFY(t.h.server.playedByComputer(3));
    for (auto& [record, seat] : t.seats) {
        QCOMPARE(seat->record(), record);
        QCOMPARE(seat->gamesEnded(), 2);
        QCOMPARE(seat->knownRecords(), 9);
    }
    // A third game started on its own after the second winner.
    QVERIFY(t.h.server.gameon());
}

void TestBenchScript::spectatorLinesReachTheWholeTable() {
    ScriptedTable t;
    QVERIFY(t.runUntil([&] { return t.h.server.gameon(); }));
    QVERIFY(t.seats.at(7)->spectator());
    t.h.server.Sock1Read(7, QByteArray::fromStdString(bench::send::chat(7, "L123")));
    t.h.drain();
    t.exchange();
    for (int r = 1; r <= 9; ++r) {
        int lines = 0;
        for (const std::string& m : t.heard[r]) {
            std::string_view text;
            if (bench::relayedChat(m, text) && text == "L123") ++lines;
        }
        QCOMPARE(lines, 1);
    }
}

QTEST_GUILESS_MAIN(TestBenchScript)
#include "tst_benchscript.moc"
