// The bot's rating rules and book without a server: which results count, what a game does
// to the book, the best list's order, and the stored form reading back exactly.
#include "lobbybot/ratingbook.h"

#include <QTest>

using namespace lobbybot;

namespace {

const QString kDomain = QStringLiteral("lobby.localhost");

lobby::ResultSeat seat(int n, const QString& name, int score, bool winner) {
    lobby::ResultSeat s;
    s.seat = n;
    s.name = name;
    s.score = score;
    s.turns = 10;
    s.present = true;
    s.winner = winner;
    return s;
}

PlayerRating rated(double mu, double sigma, int games, const QString& name) {
    return {{mu, sigma}, games, name};
}

} // namespace

class TstRatingBook : public QObject {
    Q_OBJECT
private slots:
    void judge_data();
    void judge();
    void gameRatesFromStoredAndDefaultRatings();
    void bestListOrderAndLength();
    void storedFormReadsBackExactly();
};

void TstRatingBook::judge_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("why"); // a word of the reason; empty: rated
    QTest::newRow("rated") << ""
                           << "";
    QTest::newRow("untrusted table") << "untrusted"
                                     << "not trusted";
    QTest::newRow("abandoned") << "abandoned"
                               << "abandoned";
    QTest::newRow("solo") << "solo"
                          << "1 seats";
    QTest::newRow("computer") << "computer"
                              << "computer";
    QTest::newRow("gone") << "gone"
                          << "left";
    QTest::newRow("guest") << "guest"
                           << "guest";
    QTest::newRow("other domain") << "elsewhere"
                                  << "no account";
    QTest::newRow("bot") << "bot"
                         << "bot";
    QTest::newRow("not in the room") << "stranger"
                                     << "nobody";
    QTest::newRow("one account twice") << "twice"
                                       << "more than one";
    QTest::newRow("at another table") << "elsewhere at"
                                      << "not at this table";
    QTest::newRow("no lobby says so") << "unvouched"
                                      << "not at this table";
}

void TstRatingBook::judge() {
    QFETCH(QString, change);
    QFETCH(QString, why);
    lobby::Result r;
    r.id = QStringLiteral("main");
    r.finished = change != QLatin1String("abandoned");
    r.seats = {seat(1, QStringLiteral("Ann"), 230, r.finished),
               seat(2, QStringLiteral("Bob"), 195, false)};
    ResultContext c;
    c.trustedTable = change != QLatin1String("untrusted");
    c.domain = kDomain;
    c.botAccount = QStringLiteral("lobbybot@") + kDomain;
    c.occupants = {{QStringLiteral("Ann"), QStringLiteral("Ann@lobby.localhost/lobby")},
                   {QStringLiteral("Bob"), QStringLiteral("bob@lobby.localhost/x")}};
    c.tableKey = QStringLiteral("t3");
    c.playingAt = {{QStringLiteral("Ann"), c.tableKey}, {QStringLiteral("Bob"), c.tableKey}};
    if (change == QLatin1String("elsewhere at")) c.playingAt[QStringLiteral("Bob")] = "t4";
    if (change == QLatin1String("unvouched")) c.playingAt.remove(QStringLiteral("Bob"));
    if (change == QLatin1String("solo")) r.seats.removeLast();
    if (change == QLatin1String("computer")) r.seats[1].computerTurns = 1;
    if (change == QLatin1String("gone")) r.seats[1].present = false;
    const QHash<QString, QString> bob{
        {QStringLiteral("guest"), QStringLiteral("x1y2@guest.lobby.localhost/r")},
        {QStringLiteral("elsewhere"), QStringLiteral("bob@other.example/r")},
        {QStringLiteral("bot"), QStringLiteral("lobbybot@lobby.localhost/t1")},
        {QStringLiteral("stranger"), QString()},
        {QStringLiteral("twice"), QStringLiteral("ann@lobby.localhost/other")}};
    if (bob.contains(change)) c.occupants[QStringLiteral("Bob")] = bob.value(change);

    const Verdict v = judgeResult(r, c);
    if (why.isEmpty()) {
        QVERIFY2(v.rated(), qPrintable(v.why));
        QCOMPARE(v.seats.size(), 2);
        QCOMPARE(v.seats[0].account, QStringLiteral("ann@lobby.localhost"));
        QCOMPARE(v.seats[1].score, 195);
    } else {
        QVERIFY(!v.rated());
        QVERIFY2(v.why.contains(why), qPrintable(v.why));
        QVERIFY(v.seats.isEmpty());
    }
}

void TstRatingBook::gameRatesFromStoredAndDefaultRatings() {
    RatingBook book;
    const PlayerRating ann = rated(31.5, 4.25, 7, QStringLiteral("Annie"));
    book.load({{QStringLiteral("ann@d"), ann}}, {});
    const auto accounts = book.rate({{QStringLiteral("ann@d"), QStringLiteral("Ann"), 100},
                                     {QStringLiteral("cid@d"), QStringLiteral("Cid"), 120}});
    QCOMPARE(accounts, (QStringList{QStringLiteral("ann@d"), QStringLiteral("cid@d")}));
    const std::vector<ratings::Rating> before{ann.rating, ratings::Rating{}};
    const auto want = ratings::rateByScore(before, std::vector<double>{100, 120});
    QCOMPARE(book.find(QStringLiteral("ann@d"))->rating.mu, (*want)[0].mu);
    QCOMPARE(book.find(QStringLiteral("cid@d"))->rating.sigma, (*want)[1].sigma);
    QCOMPARE(book.find(QStringLiteral("ann@d"))->games, 8);
    QCOMPARE(book.find(QStringLiteral("ann@d"))->name, QStringLiteral("Ann"));
    QCOMPARE(book.find(QStringLiteral("cid@d"))->games, 1);
}

void TstRatingBook::bestListOrderAndLength() {
    QHash<QString, PlayerRating> players;
    for (int i = 0; i < 30; ++i)
        players.insert(QStringLiteral("p%1@d").arg(i),
                       rated(10 + i, 2, 1, QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0'))));
    // Equal ordinals list by name; a damaged name lists as the account.
    players.insert(QStringLiteral("bea@d"), rated(100, 1, 3, QStringLiteral("Bea")));
    players.insert(QStringLiteral("abe@d"), rated(100, 1, 3, QStringLiteral("Abe")));
    players.insert(QStringLiteral("zed@d"), rated(200, 1, 2, QStringLiteral("bad\nname")));
    RatingBook book;
    book.load(players, {});
    const QList<lobby::RatedPlayer> best = book.best();
    QCOMPARE(best.size(), lobby::kBestPlayers);
    QCOMPARE(best[0], (lobby::RatedPlayer{QStringLiteral("zed"), 197, 2}));
    QCOMPARE(best[1].name, QStringLiteral("Abe"));
    QCOMPARE(best[2].name, QStringLiteral("Bea"));
    QCOMPARE(best[3].name, QStringLiteral("P29"));
    QCOMPARE(best.last().name, QStringLiteral("P13"));
    QVERIFY(lobby::readRatings(lobby::ratingsElement({true, best, {}})));
}

void TstRatingBook::storedFormReadsBackExactly() {
    const PlayerRating p = rated(25.0 / 3.0 + 1e-13, 0.1 + 0.2, 12, QStringLiteral("Ann <b>"));
    const auto back = readPlayerPayload(playerPayload(p));
    QVERIFY(back);
    QCOMPARE(back->rating.mu, p.rating.mu);
    QCOMPARE(back->rating.sigma, p.rating.sigma);
    QCOMPARE(back->games, 12);
    QCOMPARE(back->name, p.name);
    for (const auto& [key, value] : {std::pair{"sigma", "0"},
                                     {"sigma", "-1"},
                                     {"mu", "nan"},
                                     {"mu", "1e999"},
                                     {"games", "0"},
                                     {"games", "x"}}) {
        lobby::Element damaged = playerPayload(p);
        damaged.set(QString::fromLatin1(key), QString::fromLatin1(value));
        QVERIFY2(!readPlayerPayload(damaged), key);
    }
}

QTEST_GUILESS_MAIN(TstRatingBook)
#include "tst_ratingbook.moc"
