#include "ratings/ratings.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>
#include <set>

using ratings::Rating;

namespace {

constexpr double kTolerance = 1e-9;

QJsonObject readJson(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

std::vector<double> numbers(const QJsonArray& array) {
    std::vector<double> out;
    for (const auto& v : array)
        out.push_back(v.toDouble());
    return out;
}

} // namespace

class TestRatings : public QObject {
    Q_OBJECT
private slots:
    void agreesWithOpenskill();
    void refusesGamesItCannotRate();
    void tiesSeatsAndScores();
};

// 200 seeded games of 2, 3 and 4 players, played through openskill by node now, not
// numbers copied once: a new package version or a changed default shows at once.
void TestRatings::agreesWithOpenskill() {
    const QString js = QStringLiteral(VIMBREL_RATINGS_JS);
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (node.isEmpty()) QSKIP("node is not installed: cannot check against openskill");
    const QJsonObject pinned = readJson(js + "/package.json");
    const QString version = pinned["dependencies"].toObject()["openskill"].toString();
    QVERIFY(!version.isEmpty());
    if (!QFile::exists(js + "/node_modules/openskill/package.json"))
        QSKIP(qPrintable("openskill is not installed in " + js +
                         ": run ./dev build, or npm ci in that folder"));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString out = dir.filePath("games.json");
    QProcess run;
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(node, {js + "/games.mjs", out, "200", "24"});
    QVERIFY(run.waitForFinished(120000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);

    const QJsonObject played = readJson(out);
    // The installed package is the pinned one, so the check is against what the lock says.
    QCOMPARE(played["openskill"].toString(), version);
    const QJsonArray games = played["games"].toArray();
    QCOMPARE(games.size(), 200);
    int bySize[ratings::kMaxPlayers + 1] = {};
    int ties = 0;
    for (qsizetype g = 0; g < games.size(); ++g) {
        const QJsonObject game = games[g].toObject();
        std::vector<Rating> before;
        for (const auto& p : game["players"].toArray()) {
            const QJsonObject player = p.toObject();
            before.push_back({player["mu"].toDouble(), player["sigma"].toDouble()});
        }
        const bool byRank = game.contains("ranks");
        const std::vector<double> result = numbers(game[byRank ? "ranks" : "scores"].toArray());
        const auto after =
            byRank ? ratings::rateByRank(before, result) : ratings::rateByScore(before, result);
        QVERIFY2(after.has_value(), qPrintable(QString("game %1").arg(g)));
        const QJsonArray expected = game["after"].toArray();
        QCOMPARE(qsizetype(after->size()), expected.size());
        ++bySize[after->size()];
        ties += std::set<double>(result.begin(), result.end()).size() < result.size();
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const QJsonObject e = expected[i].toObject();
            const Rating r = (*after)[i];
            const double ours[] = {r.mu, r.sigma, ratings::ordinal(r)};
            const char* names[] = {"mu", "sigma", "ordinal"};
            for (int k = 0; k < 3; ++k) {
                const double theirs = e[names[k]].toDouble();
                QVERIFY2(std::abs(ours[k] - theirs) <= kTolerance,
                         qPrintable(QString("game %1 seat %2: %3 %4, openskill %5")
                                        .arg(g)
                                        .arg(i)
                                        .arg(names[k])
                                        .arg(ours[k], 0, 'g', 17)
                                        .arg(theirs, 0, 'g', 17)));
            }
        }
    }
    QVERIFY(bySize[2] > 0 && bySize[3] > 0 && bySize[4] > 0);
    QVERIFY(ties > 0);
}

// A result the model cannot take changes nobody's rating instead of writing NaN or a
// half-rated game into the table.
void TestRatings::refusesGamesItCannotRate() {
    const Rating n{};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<Rating> one{n}, five{n, n, n, n, n}, two{n, n};
    QVERIFY(!ratings::rateByRank(one, std::vector<double>{1}));
    QVERIFY(!ratings::rateByRank(five, std::vector<double>{1, 2, 3, 4, 5}));
    QVERIFY(!ratings::rateByRank(two, std::vector<double>{1, 2, 3}));
    QVERIFY(!ratings::rateByScore(two, std::vector<double>{10, nan}));
    QVERIFY(!ratings::rateByScore(two, std::vector<double>{inf, 3}));
    QVERIFY(!ratings::rateByRank(std::vector<Rating>{n, {nan, 8}}, std::vector<double>{1, 2}));
    QVERIFY(!ratings::rateByRank(std::vector<Rating>{n, {25, 0}}, std::vector<double>{1, 2}));
    QVERIFY(!ratings::rateByRank(std::vector<Rating>{n, {25, -1}}, std::vector<double>{1, 2}));
    QVERIFY(ratings::rateByRank(two, std::vector<double>{1, 2}).has_value());
}

// What holds whatever the reference does: a new player shows 0, equal players who tie
// keep their mu and grow surer, the places' numbers and the seats' order do not matter.
void TestRatings::tiesSeatsAndScores() {
    const Rating fresh{};
    QCOMPARE(fresh.mu, 25.0);
    QCOMPARE(ratings::displayed(fresh), 0);
    QCOMPARE(ratings::displayed({30.0, 2.0}), 24);

    const auto tie =
        ratings::rateByRank(std::vector<Rating>{fresh, fresh}, std::vector<double>{1, 1});
    QVERIFY(tie);
    for (const Rating& r : *tie) {
        QCOMPARE(r.mu, 25.0);
        QVERIFY(r.sigma < fresh.sigma);
    }

    const std::vector<Rating> seats{{30, 3}, {22, 6}, {25, 8.3}, {18, 1.5}};
    const auto a = ratings::rateByRank(seats, std::vector<double>{2, 1, 2, 4});
    const auto b = ratings::rateByRank(seats, std::vector<double>{1, 0, 1, 2});
    const auto c = ratings::rateByScore(seats, std::vector<double>{120, 300, 120, -5});
    const std::vector<Rating> turned{seats[3], seats[2], seats[1], seats[0]};
    const auto d = ratings::rateByRank(turned, std::vector<double>{4, 2, 1, 2});
    QVERIFY(a && b && c && d);
    QVERIFY((*a)[1].mu > seats[1].mu); // the winner gains
    QVERIFY((*a)[3].mu < seats[3].mu); // the last loses
    for (std::size_t i = 0; i < seats.size(); ++i) {
        for (const auto* other : {&*b, &*c}) {
            QCOMPARE((*other)[i].mu, (*a)[i].mu);
            QCOMPARE((*other)[i].sigma, (*a)[i].sigma);
        }
        QVERIFY(std::abs((*d)[3 - i].mu - (*a)[i].mu) < 1e-12);
        QVERIFY(std::abs((*d)[3 - i].sigma - (*a)[i].sigma) < 1e-12);
    }
}

QTEST_GUILESS_MAIN(TestRatings)
#include "tst_ratings.moc"
