// Two tables and a host on loopback play a whole game to the winner, by clicking the
// widgets as players would. The dice to keep are chosen with the computer's strategy.
// A player who types faster than the host relays chat loses no line on the way.
#include "client/board/board.h"
#include "client/chatform.h"
#include "client/chatpanel.h"
#include "game/loopbacktable.h"
#include "soak/loopbackhost.h"
#include "net/Sock.h"
#include "net/sockserverlink.h"
#include "protocol/lineallowance.h"
#include "rules/rules.h"
#include "server/tserver.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTcpServer>
#include <QtTest>
#include <optional>

using Table = GameTable;

class TestWholeGame : public QObject {
    Q_OBJECT
private slots:
    void twoPlayersPlayToTheWinner_data();
    void twoPlayersPlayToTheWinner();
    void typedBurstReachesEveryLine();
    void joinsByAnIPv6Address();

private:
    void playTurn(Table& t);
};

void TestWholeGame::playTurn(Table& t) {
    Board* b = t.board();
    QTRY_VERIFY_WITH_TIMEOUT(t.shows("button_roll"), 5000);
    QTest::mouseClick(t.find<QAbstractButton>("button_roll"), Qt::LeftButton);
    for (int roll = 1;; ++roll) {
        QTRY_VERIFY_WITH_TIMEOUT(t.shows("button_alldone"), 5000);
        // Decide what to keep from the dice as this table shows them.
        rules::Dice dice{};
        for (int n = 1; n <= 10; ++n) dice[n] = {b->trayDie(n).value, b->trayDie(n).colour, false};
        const int phase = t.window.property("phaseToGet").toInt();
        const rules::Plan plan = rules::computerplay(phase, dice);
        for (int n = 1; n <= 10; ++n) {
            if ((plan[n] == 1) != b->trayDie(n).held)
                QTest::mouseClick(t.find<QWidget>(QStringLiteral("image_d%1").arg(n)), Qt::LeftButton);
            QCOMPARE(b->trayDie(n).held, plan[n] == 1);
        }
        if (roll == 3 || !t.shows("button_roll")) break;
        QTest::mouseClick(t.find<QAbstractButton>("button_roll"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!t.shows("button_roll") && !t.shows("button_alldone"), 1000);
    }
    QTest::mouseClick(t.find<QAbstractButton>("button_alldone"), Qt::LeftButton);
}

void TestWholeGame::twoPlayersPlayToTheWinner_data() {
    QTest::addColumn<bool>("sockets");
    QTest::newRow("loopback sockets") << true;
    QTest::newRow("in-process pair") << false;
}

void TestWholeGame::twoPlayersPlayToTheWinner() {
    QFETCH(bool, sockets);
    std::optional<LoopbackHost> loopback;
    std::optional<LocalServerLink> pair;
    std::optional<TServer> local;
    if (sockets)
        loopback.emplace();
    else
        local.emplace(pair.emplace());
    TServer& server = sockets ? loopback->server : *local;
    server.setFaceSource(rules::seededFaces(20261207));
    // Virtual time, nearly: the host's queue and pause run fast.
    server.queue().timer().setInterval(0);
    server.timer1().setInterval(1);
    auto table = [&](const QStringList& args) -> std::unique_ptr<Table> {
        if (sockets) return std::make_unique<LoopbackTable>(QString::number(loopback->port()), args);
        return std::make_unique<LocalTable>(*pair, args);
    };

    const std::unique_ptr<Table> annTable = table({"Ann", "127.0.0.1", "true"});
    Table& ann = *annTable;
    ann.window.show();
    QTRY_COMPARE(ann.window.state().ownSeat, 1);
    const std::unique_ptr<Table> bobTable = table({"Bob", "127.0.0.1", "join"});
    Table& bob = *bobTable;
    bob.window.show();
    QTRY_COMPARE(bob.window.state().ownSeat, 2);
    QTRY_COMPARE(ann.board()->playerName(2), QStringLiteral("Bob"));
    QTRY_COMPARE(bob.board()->playerName(1), QStringLiteral("Ann"));

    QVERIFY(ann.shows("button_start"));
    QVERIFY(!bob.shows("button_start"));
    QTest::mouseClick(ann.find<QAbstractButton>("button_start"), Qt::LeftButton);
    QTRY_VERIFY(server.gameon());

    int turns = 0;
    while (server.gameon()) {
        QTRY_VERIFY_WITH_TIMEOUT(!server.gameon() || ann.window.state().turnSeat == ann.window.state().ownSeat ||
                                     bob.window.state().turnSeat == bob.window.state().ownSeat,
                                 5000);
        if (!server.gameon()) break;
        Table& t = ann.window.state().turnSeat == 1 ? ann : bob;
        t.window.setProperty("phaseToGet", server.record(t.window.state().ownSeat).phase);
        playTurn(t);
        ++turns;
        QVERIFY2(turns < 400, "the game does not end");
    }
    // Both tables show the same winner, and the host's start button is back.
    const QString total1 = ann.find<QLabel>("label_score1")->text();
    const QString total2 = ann.find<QLabel>("label_score2")->text();
    QTRY_VERIFY(ann.find<QLabel>("label_winner")->isVisibleTo(&ann.window));
    QTRY_VERIFY(bob.find<QLabel>("label_winner")->isVisibleTo(&bob.window));
    QCOMPARE(total1, QString::number(server.record(1).score));
    QCOMPARE(total2, QString::number(server.record(2).score));
    QCOMPARE(bob.find<QLabel>("label_score1")->text(), total1);
    const QString expected = server.record(1).score > server.record(2).score   ? "You have Won the Game!"
                             : server.record(1).score == server.record(2).score ? "Ann and Bob has Won the Game!"
                                                                                 : "Bob has Won the Game!";
    QCOMPARE(ann.find<QLabel>("label_winner")->text(), expected);
    QTRY_VERIFY(ann.shows("button_start"));
    QVERIFY(ann.window.mainchat()->toPlainText().contains("Ann has started a game."));
    QVERIFY(ann.boxes.isEmpty() && bob.boxes.isEmpty());
    qInfo("whole game: %d turns, totals %s and %s", turns, qPrintable(total1), qPrintable(total2));
}

void TestWholeGame::typedBurstReachesEveryLine() {
    LoopbackHost host;
    qint64 now = 1000; // one clock for host and table, moved only by the test
    host.server.setClock([&now] { return now; });
    const QString port = QString::number(host.port());
    LoopbackTable ann(port, {"Ann", "127.0.0.1", "true"});
    ann.window.setClock([&now] { return now; });
    ann.window.show();
    QTRY_COMPARE(ann.window.state().ownSeat, 1);
    LoopbackTable bob(port, {"Bob", "127.0.0.1", "join"});
    bob.window.show();
    QTRY_COMPARE(bob.window.state().ownSeat, 2);

    auto linesBobSaw = [&bob] {
        QStringList seen;
        for (const QString& l : bob.window.mainchat()->toPlainText().split(u'\n'))
            if (l.startsWith(QLatin1String("Ann chats: "))) seen << l;
        return seen;
    };
    // Ann types as fast as she can; a line held back is sent again a little later.
    const int lines = 3 * wire::kLineBurst;
    QStringList expected;
    ChatInput* box = ann.window.mychat();
    bool held = false;
    int waits = 0;
    while (expected.size() < lines) {
        const QString line = QStringLiteral("line %1").arg(expected.size());
        if (!held) box->setText(line);
        QTest::keyClick(box, Qt::Key_Return);
        held = !box->text().isEmpty();
        if (!held) {
            expected << QStringLiteral("Ann chats: ") + line;
            continue;
        }
        ++waits;
        QTRY_COMPARE(linesBobSaw().size(), expected.size());
        now += 500;
    }
    QTRY_COMPARE(linesBobSaw().size(), lines);
    QCOMPARE(linesBobSaw(), expected);
    QVERIFY(waits > 0);
}

void TestWholeGame::joinsByAnIPv6Address() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHostIPv6, 0))
        QSKIP("::1 cannot be bound on this machine (no IPv6 loopback): IPv6 join not run");
    probe.close();
    LoopbackHost host;
    QStringList log;
    host.server.setEventLog([&log](const QString& line) { log << line; });
    const QString port = QString::number(host.port());
    LoopbackTable ann(port, {"Ann", "127.0.0.1", "true"});
    ann.window.show();
    QTRY_COMPARE(ann.window.state().ownSeat, 1);
    // As typed in the join dialog or on the command line, brackets or none.
    LoopbackTable bob(port, {"Bob", "[::1]", "join"});
    bob.window.show();
    QTRY_COMPARE(bob.window.state().ownSeat, 2);
    QTRY_COMPARE(host.server.record(2).name, QStringLiteral("Bob"));
    LoopbackTable cid(port, {"Cid", "::1", "join"});
    cid.window.show();
    QTRY_COMPARE(host.server.record(3).name, QStringLiteral("Cid"));
    QTRY_VERIFY(bob.window.mainchat()->toPlainText().contains("Cid"));
    QVERIFY2(log.contains("connection from 127.0.0.1 took record 1") &&
                 log.contains("connection from ::1 took record 2") &&
                 log.contains("connection from ::1 took record 3"),
             qPrintable(log.join(u'\n')));
    QVERIFY(ann.boxes.isEmpty() && bob.boxes.isEmpty() && cid.boxes.isEmpty());
}

QTEST_MAIN(TestWholeGame)
#include "tst_wholegame.moc"
