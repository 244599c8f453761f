// The whole rating path as players meet it, with real processes and sockets in the test's
// own network namespace: the project's runner with its bot, an operator the administrator
// trusts, a real vimbrel-host announcing its table, and two players in the room who play a
// game at that table by hand to its end. The host reports it, the bot rates it by the
// scores the players saw, and tells the room; a game in which the computer played a turn
// changes no rating.
#include "common/wireclient.h"
#include "lobbyproto/tables.h"
#include "protocol/messages.h"
#include "ratings/ratings.h"
#include "rules/rules.h"
#include "version/version.h"
#include "xmpp/lobbymember.h"
#include "xmpp/room.h"
#include "xmpp/testserver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <utility>

#include <sys/stat.h>

using namespace xmpp;
using namespace lobbytest;

namespace {

constexpr int kGameWait = 120000; // a whole game, with the pauses between turns shortened

// A table's player over a real socket, as the lobby program launches the game with its
// nick. It plays each turn of its own seat by hand: the host rolls, the player holds what
// the rules library plans and ends the turn as soon as the held dice make the phase.
struct HandPlayer {
    WireClient wire;
    QString name;
    int seat = 0;
    // The computer takes the seat's next turn, and the player takes it back once the
    // computer has rolled.
    bool watchOneTurn = false;
    bool watching = false;
    int phase = 0;
    bool turnOpen = false; // the seat's turn began and is not scored yet
    int rolls = 0;         // of the open turn
    rules::Dice dice{};
    std::array<int, 5> totals{}; // by seat, from the host's own score messages
    std::array<int, 5> turns{};  // by seat, the turns the host began
    int round = 0;
    int handTurns = 0;
    bool over = false;
    QString winner;
    QElapsedTimer overAt;     // since the winner was told
    QElapsedTimer lastTurnAt; // since the last turn was scored

    HandPlayer(quint16 port, const QString& nick) : wire(port), name(nick) {
        wire.keepMessages = false;
        wire.onMessage = [this](const QString& m) { take(m); };
    }
    void send(const QByteArray& framed) { wire.sendRaw(framed); }

    void take(const QString& m) {
        const qsizetype plus = m.indexOf(u'+');
        const QString command = m.left(plus);
        const QString body = plus < 0 ? QString() : m.mid(plus + 1);
        if (command == QLatin1String("CMD_sendlogininfo")) {
            seat = wire.record;
            send(wire::msg::logininfo(seat, QString::fromLatin1(vimbrel::kProtocolVersion), name));
        } else if (command == QLatin1String("CMD_startgame")) {
            totals.fill(0);
            turns.fill(0);
            round = handTurns = 0;
            over = false;
            if (watchOneTurn) send(wire::msg::justwatch(seat, 1));
        } else if (command == QLatin1String("CMD_justwatching")) {
            const auto w = wire::read::justwatching(body);
            if (w.seat != seat) return;
            watching = w.value == 1;
            // Back during the seat's own turn: the player finishes it from where it is.
            if (!watching && turnOpen) rolls == 0 ? rollAll() : decide();
        } else if (command == QLatin1String("CMD_nextplayer")) {
            const auto n = wire::read::nextplayer(body);
            round = n.round.toInt();
            if (n.seat < 1 || n.seat > 4) return;
            ++turns[size_t(n.seat)];
            if (n.seat != seat) return;
            turnOpen = true;
            phase = n.phase;
            rolls = 0;
            dice = rules::Dice{};
            if (watching) return;
            ++handTurns;
            rollAll();
        } else if (command == QLatin1String("CMD_createdice")) {
            const auto c = wire::read::createdice(body);
            if (c.seat != seat) return;
            rolls = c.rolls;
            for (const wire::DieFace& f : c.dice)
                dice[size_t(f.die)] = {f.value, f.colour, false};
            if (!watching)
                decide();
            else if (std::exchange(watchOneTurn, false))
                send(wire::msg::justwatch(seat, 2)); // seen the computer roll: enough
        } else if (command == QLatin1String("CMD_scores")) {
            const auto s = wire::read::scores(body);
            if (s.seat >= 1 && s.seat <= 4) totals[size_t(s.seat)] = s.total;
            turnScored(s.seat);
        } else if (command == QLatin1String("CMD_noscore")) {
            turnScored(wire::read::noscore(body).seat);
        } else if (command == QLatin1String("CMD_winner")) {
            winner = wire::read::winner(body);
            over = true;
            overAt.start();
        }
    }
    void rollAll() { send(wire::msg::rollthedice(seat, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10})); }
    // Keeps what makes the phase and ends the turn; else rolls what the plan lets go,
    // while a roll is left.
    void decide() {
        rules::Plan hold{};
        const bool makesIt = rules::finishingHold(phase, dice, hold) > 0;
        if (!makesIt) hold = rules::computerplay(phase, dice);
        QList<int> kept, loose;
        for (int d = 1; d <= rules::kDice; ++d)
            (hold[size_t(d)] == 1 ? kept : loose).append(d);
        if (makesIt || rolls >= 3 || loose.isEmpty())
            send(wire::msg::alldone(seat, kept));
        else
            send(wire::msg::rollthedice(seat, loose));
    }
    void turnScored(int scoredSeat) {
        lastTurnAt.start();
        if (scoredSeat == seat) turnOpen = false;
    }
};

} // namespace

class TstRatedGame : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void gamePlayedByHandIsRated();
    void gameWithAComputerTurnIsNotRated();
    void cleanupTestCase();

private:
    bool waitLog(QProcess* host, const QString& text, int ms = kWait);
    // Ann starts a game at the table; both play it to its end.
    void playGame();

    TestServer m_server;
    QTemporaryDir m_files;
    QProcess m_host;
    QString m_hostLog;
    Member m_ann, m_bob;
    std::unique_ptr<HandPlayer> m_annTable, m_bobTable;
};

// Waits for `text` in the host's log (`host`) or in the runner's, which holds the bot's.
bool TstRatedGame::waitLog(QProcess* host, const QString& text, int ms) {
    const bool found = QTest::qWaitFor(
        [&] {
            if (host) {
                m_hostLog += QString::fromUtf8(host->readAllStandardOutput());
                return m_hostLog.contains(text);
            }
            return m_server.logSoFar().contains(text);
        },
        ms);
    if (!found)
        qWarning("no \"%s\" in:\n%s", qPrintable(text),
                 qPrintable(host ? m_hostLog : m_server.logSoFar()));
    return found;
}

void TstRatedGame::initTestCase() {
    if (!TestServer::inOwnNetns())
        QSKIP("run through tests/lobbybot/run_in_netns.sh: the lobby server takes fixed ports");
    if (!QFile::exists(QStringLiteral("/usr/sbin/ejabberdctl"))) QSKIP("ejabberd is not installed");
    m_server.extraArgs = {QStringLiteral("--bot"), QStringLiteral(VIMBREL_BOT_EXE)};
    QVERIFY(m_server.start());
    QVERIFY(waitLog(nullptr, QStringLiteral("ratings loaded")));
    for (const char* name : {"ann", "bob", "op1"}) {
        Client reg;
        QSignalSpy done(&reg, &Client::registered);
        reg.registerAccount(account(QString::fromLatin1(name)));
        QVERIFY(done.wait(kWait));
    }
    QProcess trust;
    trust.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    trust.start(QStringLiteral(VIMBREL_SOURCE_DIR "/server/vimbrel-lobby-server"),
                {QStringLiteral("--dir"), m_server.dir(), QStringLiteral("trust"),
                 QStringLiteral("op1@") + kDomain});
    QVERIFY(trust.waitForFinished(60000));
    QCOMPARE(trust.exitCode(), 0);
    QVERIFY(m_ann.enter(QStringLiteral("ann")));
    QVERIFY(m_bob.enter(QStringLiteral("bob")));

    const QString password = m_files.filePath(QStringLiteral("op1.password"));
    QFile f(password);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("pw-op1\n");
    f.close();
    ::chmod(QFile::encodeName(password).constData(), 0600);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The pause between turns and the computer's steps, shortened so a game takes seconds.
    env.insert(QStringLiteral("VIMBREL_PAUSE_TICK_MS"), QStringLiteral("5"));
    env.insert(QStringLiteral("VIMBREL_BOT_STEP_MS"), QStringLiteral("5"));
    m_host.setProcessEnvironment(env);
    m_host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_host.start(QStringLiteral(VIMBREL_HOST_EXE),
                 {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--lobby-server"),
                  QStringLiteral("127.0.0.1:%1").arg(m_server.c2sPort),
                  QStringLiteral("--lobby-account"), QStringLiteral("op1@") + kDomain,
                  QStringLiteral("--lobby-password-file"), password,
                  QStringLiteral("--lobby-address"), QStringLiteral("127.0.0.1"),
                  QStringLiteral("--lobby-table-name"), QStringLiteral("Op1's table")});
    QVERIFY(waitLog(&m_host, QStringLiteral("lobby: announced Op1's table")));
    static const QRegularExpression listening(QStringLiteral("listening on port (\\d+) "));
    const quint16 port = quint16(listening.match(m_hostLog).captured(1).toUInt());
    QVERIFY(port != 0);

    // As a player would, join once the lobby lists the table as reachable: the bot's check
    // that the table answers holds a record of the host's while it runs.
    QTRY_VERIFY_WITH_TIMEOUT(m_ann.heardReachable(QStringLiteral("Op1's table")), kWait);
    // Their lobby programs say they sit there, as they do when their players join.
    const QString key =
        m_ann.keyOf([](const lobby::Table& t) { return t.name == QLatin1String("Op1's table"); });
    QVERIFY(m_ann.playAt(key) && m_bob.playAt(key));
    m_annTable = std::make_unique<HandPlayer>(port, QStringLiteral("ann"));
    QTRY_VERIFY_WITH_TIMEOUT(m_annTable->seat != 0, kWait);
    m_bobTable = std::make_unique<HandPlayer>(port, QStringLiteral("bob"));
    QTRY_VERIFY_WITH_TIMEOUT(m_bobTable->seat != 0, kWait);
    // Ann's seat opens each round, so Bob asks to just watch before his first turn.
    QCOMPARE(m_annTable->seat, 1);
    QCOMPARE(m_bobTable->seat, 2);
    QVERIFY(waitLog(&m_host, QStringLiteral("lobby: announced Op1's table (2 of 4 seats")));
}

void TstRatedGame::playGame() {
    m_annTable->over = m_bobTable->over = false;
    m_annTable->send(wire::msg::startgame(QStringLiteral("ann")));
    QTRY_VERIFY_WITH_TIMEOUT(m_annTable->over && m_bobTable->over, kGameWait);
    QCOMPARE(m_annTable->totals, m_bobTable->totals);
    QVERIFY(m_annTable->totals[size_t(m_annTable->seat)] +
                m_annTable->totals[size_t(m_bobTable->seat)] >
            0);
}

void TstRatedGame::gamePlayedByHandIsRated() {
    playGame();
    const size_t annSeat = size_t(m_annTable->seat), bobSeat = size_t(m_bobTable->seat);
    const int annScore = m_annTable->totals[annSeat], bobScore = m_annTable->totals[bobSeat];
    qInfo("the game took %d rounds: ann %d, bob %d (%s won)", m_annTable->round, annScore, bobScore,
          qPrintable(m_annTable->winner));
    // Every turn of both seats was played by hand.
    QCOMPARE(m_annTable->handTurns, m_annTable->turns[annSeat]);
    QCOMPARE(m_bobTable->handTurns, m_annTable->turns[bobSeat]);
    QVERIFY(waitLog(&m_host, QStringLiteral("lobby: reported the game's result (finished)")));

    // The bot rates the seats in seat order.
    const std::vector<ratings::Rating> fresh(2);
    const bool annFirst = annSeat < bobSeat;
    const auto expected = ratings::rateByScore(
        fresh, annFirst ? std::vector<double>{double(annScore), double(bobScore)}
                        : std::vector<double>{double(bobScore), double(annScore)});
    QVERIFY(expected);
    const int ann = ratings::displayed((*expected)[annFirst ? 0 : 1]),
              bob = ratings::displayed((*expected)[annFirst ? 1 : 0]);
    QVERIFY(waitLog(nullptr, QStringLiteral("(ann) 0 -> %1").arg(ann)));
    QVERIFY(m_server.logSoFar().contains(QStringLiteral("(bob) 0 -> %1").arg(bob)));
    QTRY_VERIFY_WITH_TIMEOUT(!m_ann.pushes.isEmpty(), kWait);
    // The host reports the result just before it tells the tables the winner.
    qInfo("the rating push reached the room %lld ms after the game's last turn was scored, "
          "%lld ms after the winner reached the table",
          m_annTable->lastTurnAt.elapsed() - m_ann.lastPush.elapsed(),
          m_annTable->overAt.elapsed() - m_ann.lastPush.elapsed());
    const lobby::Ratings push = m_ann.pushes.last();
    const QList<lobby::RatedPlayer> both{{QStringLiteral("ann"), ann, 1},
                                         {QStringLiteral("bob"), bob, 1}};
    const auto byName = [](QList<lobby::RatedPlayer> list) {
        std::sort(list.begin(), list.end(),
                  [](const auto& a, const auto& b) { return a.name < b.name; });
        return list;
    };
    QCOMPARE(byName(push.best), both);
    QCOMPARE(byName(push.online), both);

    for (Member* m : {&m_ann, &m_bob}) {
        const auto asked = m->ratings();
        QVERIFY(asked);
        QCOMPARE(byName(asked->best), both);
        QCOMPARE(byName(asked->online), both);
    }
    if (annScore != bobScore) QVERIFY((annScore > bobScore) == (ann > bob) && ann != bob);
    if (annScore != bobScore)
        QCOMPARE(m_annTable->winner,
                 annScore > bobScore ? QStringLiteral("ann") : QStringLiteral("bob"));
    else
        QVERIFY(m_annTable->winner.contains(QStringLiteral(" and ")));
}

void TstRatedGame::gameWithAComputerTurnIsNotRated() {
    const auto before = m_ann.ratings();
    QVERIFY(before && before->best.size() == 2);
    const qsizetype pushes = m_ann.pushes.size();
    m_bobTable->watchOneTurn = true;
    playGame();
    qInfo("the second game took %d rounds; bob played %d of his %d turns by hand",
          m_annTable->round, m_bobTable->handTurns, m_annTable->turns[size_t(m_bobTable->seat)]);
    QVERIFY(!m_bobTable->watchOneTurn && !m_bobTable->watching);
    QCOMPARE(m_annTable->handTurns, m_annTable->turns[size_t(m_annTable->seat)]);
    QCOMPARE(m_bobTable->handTurns, m_annTable->turns[size_t(m_bobTable->seat)] - 1);
    QTRY_COMPARE_WITH_TIMEOUT(
        (m_hostLog += QString::fromUtf8(m_host.readAllStandardOutput()))
            .count(QStringLiteral("lobby: reported the game's result (finished)")),
        2, kWait);
    QVERIFY(waitLog(
        nullptr, QStringLiteral("not rated: the computer played seat %1").arg(m_bobTable->seat)));
    const auto after = m_ann.ratings();
    QVERIFY(after);
    QCOMPARE(after->best, before->best);
    QCOMPARE(after->online, before->online);
    QCOMPARE(m_ann.pushes.size(), pushes);
}

void TstRatedGame::cleanupTestCase() {
    m_annTable.reset();
    m_bobTable.reset();
    if (m_host.state() != QProcess::NotRunning) {
        m_host.terminate();
        QVERIFY(m_host.waitForFinished(20000));
        QCOMPARE(m_host.exitCode(), 0);
    }
    m_ann = Member{};
    m_bob = Member{};
    QVERIFY(m_server.stop());
}

QTEST_GUILESS_MAIN(TstRatedGame)
#include "tst_ratedgame.moc"
