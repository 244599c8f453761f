// Ratings against a real lobby server in the test's own network namespace: only a
// finished game of registered players in the room, on a table the administrator trusts,
// changes ratings, by exactly what the model says; the ratings live in the server's own
// store and outlive a restart of the bot and of the server; only the administrator marks
// an operator trusted.
#include "lobbyproto/tables.h"
#include "ratings/ratings.h"
#include "xmpp/lobbymember.h"
#include "xmpp/room.h"
#include "xmpp/testserver.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace xmpp;
using namespace lobbytest;

namespace {

const QString kPubsubNs = QStringLiteral("http://jabber.org/protocol/pubsub");

lobby::Element result(const QString& id, bool finished, const QList<lobby::ResultSeat>& seats) {
    lobby::Result r;
    r.id = id;
    r.finished = finished;
    r.rounds = 14;
    r.seats = seats;
    return lobby::resultElement(r);
}

const lobby::RatedPlayer* named(const QList<lobby::RatedPlayer>& list, const QString& name) {
    for (const lobby::RatedPlayer& p : list)
        if (p.name == name) return &p;
    return nullptr;
}

} // namespace

class TstRatingsLive : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void onlyTheAdministratorMarksOperators();
    void trustedGameIsRatedExactly();
    void untrustedResultsChangeNoRating();
    void ratingsSurviveRestarts();
    void cleanupTestCase();

private:
    bool startBot();
    // Reads the bot's log until it holds every one of `lines`' beginnings.
    bool waitBotLog(const QList<QByteArray>& lines);
    // The bot's stored items of `node`: item id → payload attributes.
    QMap<QString, QList<QPair<QString, QString>>> stored(const QString& node);

    TestServer m_server;
    QProcess m_bot;
    QByteArray m_botLog;
    Member m_ann, m_bob, m_gus, m_op1, m_op2;
    Member m_store;   // the bot's account on another resource, to read its store
    QString m_op1Key; // op1's table, where the lobbies of Ann, Bob and Gus say they play
    std::optional<std::vector<ratings::Rating>> m_expected; // Ann's and Bob's after the game
};

bool TstRatingsLive::waitBotLog(const QList<QByteArray>& lines) {
    const auto all = [&] {
        for (const QByteArray& l : lines)
            if (!m_botLog.startsWith(l) && !m_botLog.contains("\n" + l)) return false;
        return true;
    };
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 60000 && m_bot.state() == QProcess::Running) {
        if (all()) return true;
        if (!m_bot.canReadLine() && !m_bot.waitForReadyRead(200)) continue;
        m_botLog += m_bot.readLine();
    }
    qWarning("the bot said:\n%s", m_botLog.constData());
    return false;
}

bool TstRatingsLive::startBot() {
    m_bot.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_bot.start(QStringLiteral(VIMBREL_BOT_EXE),
                {QStringLiteral("--server"), QStringLiteral("127.0.0.1"),
                 QStringLiteral("--domain"), kDomain, QStringLiteral("--password-file"),
                 m_server.dir() + QStringLiteral("/lobbybot.password")});
    m_botLog.clear();
    return m_bot.waitForStarted(10000) && waitBotLog({"ratings loaded", "in the room"});
}

QMap<QString, QList<QPair<QString, QString>>> TstRatingsLive::stored(const QString& node) {
    const lobby::Element r = m_store.ask(
        QStringLiteral("get"),
        lobby::make(QStringLiteral("pubsub"), kPubsubNs)
            .add(lobby::make(QStringLiteral("items")).set(QStringLiteral("node"), node)),
        QStringLiteral("pubsub.") + kDomain);
    QMap<QString, QList<QPair<QString, QString>>> out;
    const lobby::Element* p = r.child(QStringLiteral("pubsub"), kPubsubNs);
    const lobby::Element* items = p ? p->child(QStringLiteral("items")) : nullptr;
    if (!items) out.insert(QStringLiteral("(error)"), {{condition(r), {}}});
    for (const lobby::Element& item : items ? items->children : QList<lobby::Element>{})
        out.insert(item.attr(QStringLiteral("id")),
                   item.children.isEmpty() ? decltype(item.attrs){} : item.children[0].attrs);
    return out;
}

void TstRatingsLive::initTestCase() {
    if (!TestServer::inOwnNetns())
        QSKIP("run through tests/lobbybot/run_in_netns.sh: the lobby server takes fixed ports");
    if (!QFile::exists(QStringLiteral("/usr/sbin/ejabberdctl"))) QSKIP("ejabberd is not installed");
    QVERIFY(m_server.start());
    QVERIFY(startBot());
    for (const char* name : {"ann", "bob", "op1", "op2"}) {
        Client reg;
        QSignalSpy done(&reg, &Client::registered);
        reg.registerAccount(account(QString::fromLatin1(name)));
        QVERIFY(done.wait(kWait));
    }
    QVERIFY(m_ann.logIn(account(QStringLiteral("ann"))) && m_ann.join(QStringLiteral("Ann")));
    QVERIFY(m_bob.logIn(account(QStringLiteral("bob"))) && m_bob.join(QStringLiteral("Bob")));
    QVERIFY(m_gus.logIn(account({})) && m_gus.join(QStringLiteral("Gus")));
    QVERIFY(m_op1.logIn(account(QStringLiteral("op1"))) && m_op1.join(QStringLiteral("Op1")));
    QVERIFY(m_op2.logIn(account(QStringLiteral("op2"))) && m_op2.join(QStringLiteral("Op2")));
    Account bot =
        account(QStringLiteral("lobbybot"), 0, m_server.password(QStringLiteral("lobbybot")));
    bot.resource = QStringLiteral("test");
    QVERIFY(m_store.logIn(bot));
    // Each operator's vimbrel-host announces its table.
    for (Member* op : {&m_op1, &m_op2})
        QCOMPARE(condition(op->ask(QStringLiteral("set"), lobby::announcement(operatedTable()))),
                 QStringLiteral("result"));
    // Ann, Bob and the guest sit at op1's table, and their lobbies say so.
    const auto op1s = [](const lobby::Table& t) { return t.host == QLatin1String("Op1"); };
    QTRY_VERIFY_WITH_TIMEOUT(!m_ann.keyOf(op1s).isEmpty(), kWait);
    m_op1Key = m_ann.keyOf(op1s);
    for (Member* m : {&m_ann, &m_bob, &m_gus})
        QVERIFY(m->playAt(m_op1Key));
}

void TstRatingsLive::onlyTheAdministratorMarksOperators() {
    const lobby::Element trustOp2 =
        ours(QStringLiteral("trust"))
            .set(QStringLiteral("account"), QStringLiteral("op2@") + kDomain);
    QCOMPARE(condition(m_op2.ask(QStringLiteral("set"), trustOp2)), QStringLiteral("forbidden"));
    QCOMPARE(condition(m_ann.ask(QStringLiteral("set"), trustOp2)), QStringLiteral("forbidden"));
    QVERIFY(
        !stored(QStringLiteral("vimbrel-operators")).contains(QStringLiteral("op2@") + kDomain));
    // The operator's command, through the running node, as the administrator.
    QProcess cmd;
    cmd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    cmd.start(QStringLiteral(VIMBREL_SOURCE_DIR "/server/vimbrel-lobby-server"),
              {QStringLiteral("--dir"), m_server.dir(), QStringLiteral("trust"),
               QStringLiteral("op1@") + kDomain});
    QVERIFY(cmd.waitForFinished(60000));
    QCOMPARE(cmd.exitCode(), 0);
    QVERIFY(cmd.readAllStandardOutput().contains("op1@lobby.localhost is trusted"));
    QCOMPARE(stored(QStringLiteral("vimbrel-operators")).keys(),
             QStringList{QStringLiteral("op1@") + kDomain});
}

void TstRatingsLive::trustedGameIsRatedExactly() {
    QCOMPARE(condition(m_op1.ask(QStringLiteral("set"),
                                 result(QStringLiteral("main"), true,
                                        {seat(1, QStringLiteral("Ann"), 230, true),
                                         seat(2, QStringLiteral("Bob"), 195, false)}))),
             QStringLiteral("result"));
    const std::vector<ratings::Rating> fresh(2);
    m_expected = ratings::rateByScore(fresh, std::vector<double>{230, 195});
    QVERIFY(m_expected);
    const int ann = ratings::displayed((*m_expected)[0]),
              bob = ratings::displayed((*m_expected)[1]);
    // The room hears both new ratings and the new best list.
    QTRY_VERIFY_WITH_TIMEOUT(!m_gus.pushes.isEmpty(), kWait);
    const lobby::Ratings push = m_gus.pushes.last();
    QVERIFY(push.hasBest);
    QCOMPARE(push.best, (QList<lobby::RatedPlayer>{{QStringLiteral("Ann"), ann, 1},
                                                   {QStringLiteral("Bob"), bob, 1}}));
    QCOMPARE(push.online.size(), 2);
    QCOMPARE(*named(push.online, QStringLiteral("Bob")),
             (lobby::RatedPlayer{QStringLiteral("Bob"), bob, 1}));
    // Asked for, the same; the guest has no rating to show.
    const auto asked = m_gus.ratings();
    QVERIFY(asked);
    QCOMPARE(asked->best, push.best);
    QCOMPARE(asked->online.size(), 2);
    // Stored exactly as the model gave them.
    const auto items = stored(QStringLiteral("vimbrel-ratings"));
    QCOMPARE(items.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QString id = (i == 0 ? QStringLiteral("ann@") : QStringLiteral("bob@")) + kDomain;
        lobby::Element e = ours(QStringLiteral("player"));
        e.attrs = items.value(id);
        QCOMPARE(e.attr(QStringLiteral("mu")).toDouble(), (*m_expected)[size_t(i)].mu);
        QCOMPARE(e.attr(QStringLiteral("sigma")).toDouble(), (*m_expected)[size_t(i)].sigma);
        QCOMPARE(e.attr(QStringLiteral("games")), QStringLiteral("1"));
        QCOMPARE(e.attr(QStringLiteral("name")),
                 i == 0 ? QStringLiteral("Ann") : QStringLiteral("Bob"));
    }
}

void TstRatingsLive::untrustedResultsChangeNoRating() {
    const auto before = m_bob.ratings();
    QVERIFY(before && before->best.size() == 2);
    const auto storedBefore = stored(QStringLiteral("vimbrel-ratings"));
    const qsizetype pushes = m_gus.pushes.size();
    const QString accepted = QStringLiteral("result");
    const auto ann = seat(1, QStringLiteral("Ann"), 230, true);
    // An operator nobody trusts.
    QCOMPARE(condition(m_op2.ask(QStringLiteral("set"),
                                 result(QStringLiteral("main"), true,
                                        {ann, seat(2, QStringLiteral("Bob"), 195, false)}))),
             accepted);
    // A guest in a seat.
    QCOMPARE(condition(m_op1.ask(QStringLiteral("set"),
                                 result(QStringLiteral("main"), true,
                                        {ann, seat(2, QStringLiteral("Gus"), 195, false)}))),
             accepted);
    // The computer played a turn for Bob.
    QCOMPARE(condition(m_op1.ask(QStringLiteral("set"),
                                 result(QStringLiteral("main"), true,
                                        {ann, seat(2, QStringLiteral("Bob"), 195, false, 1)}))),
             accepted);
    // Abandoned before the end.
    QCOMPARE(condition(m_op1.ask(QStringLiteral("set"),
                                 result(QStringLiteral("main"), false,
                                        {seat(1, QStringLiteral("Ann"), 230, false),
                                         seat(2, QStringLiteral("Bob"), 195, false)}))),
             accepted);
    // Somebody played as Bob, but Bob's own lobby says he is at another table.
    QVERIFY(m_bob.playAt(QStringLiteral("t99")));
    QCOMPARE(condition(m_op1.ask(QStringLiteral("set"),
                                 result(QStringLiteral("main"), true,
                                        {ann, seat(2, QStringLiteral("Bob"), 195, false)}))),
             accepted);
    QVERIFY(m_bob.playAt(m_op1Key));
    // No such table of op1's; and a result that contradicts itself.
    QCOMPARE(condition(m_op1.ask(QStringLiteral("set"),
                                 result(QStringLiteral("other"), true,
                                        {ann, seat(2, QStringLiteral("Bob"), 195, false)}))),
             QStringLiteral("item-not-found"));
    QCOMPARE(condition(m_op1.ask(QStringLiteral("set"),
                                 result(QStringLiteral("main"), true,
                                        {ann, seat(2, QStringLiteral("Bob"), 195, true)}))),
             QStringLiteral("not-acceptable"));
    const auto after = m_bob.ratings();
    QVERIFY(after);
    QCOMPARE(after->best, before->best);
    QCOMPARE(after->online, before->online);
    QCOMPARE(stored(QStringLiteral("vimbrel-ratings")), storedBefore);
    QCOMPARE(m_gus.pushes.size(), pushes);
}

void TstRatingsLive::ratingsSurviveRestarts() {
    const auto before = m_op1.ratings();
    QVERIFY(before && before->best.size() == 2);
    const auto storedBefore = stored(QStringLiteral("vimbrel-ratings"));
    m_bot.terminate();
    QVERIFY(m_bot.waitForFinished(20000));
    QVERIFY(startBot());
    QVERIFY(m_botLog.contains("ratings loaded: 2 players, 1 trusted operators"));
    const auto again = m_op1.ratings();
    QVERIFY(again);
    QCOMPARE(again->best, before->best);
    QCOMPARE(*named(again->online, QStringLiteral("Ann")),
             *named(before->online, QStringLiteral("Ann")));

    // The whole server, on the same folder.
    m_bot.terminate();
    QVERIFY(m_bot.waitForFinished(20000));
    QVERIFY(m_server.stop());
    QVERIFY(m_server.start(m_server.dir()));
    QVERIFY(startBot());
    QVERIFY(m_botLog.contains("ratings loaded: 2 players, 1 trusted operators"));
    Member ann;
    QVERIFY(ann.logIn(account(QStringLiteral("ann"))) && ann.join(QStringLiteral("Ann")));
    // The bot may hear Ann's join a moment after Ann does.
    std::optional<lobby::Ratings> restarted;
    for (int i = 0; i < 4 && !(restarted && restarted->online.size() == 1); ++i) {
        if (i > 0) QTest::qWait(1000);
        restarted = ann.ratings();
    }
    QVERIFY(restarted && restarted->online.size() == 1);
    QCOMPARE(restarted->best, before->best);
    QCOMPARE(restarted->online.first(), *named(before->online, QStringLiteral("Ann")));
    m_store = Member{};
    Account bot =
        account(QStringLiteral("lobbybot"), 0, m_server.password(QStringLiteral("lobbybot")));
    bot.resource = QStringLiteral("test");
    QVERIFY(m_store.logIn(bot));
    QCOMPARE(stored(QStringLiteral("vimbrel-ratings")), storedBefore);
}

void TstRatingsLive::cleanupTestCase() {
    if (m_bot.state() != QProcess::NotRunning) {
        m_bot.terminate();
        QVERIFY(m_bot.waitForFinished(20000));
    }
    QVERIFY(m_server.stop());
}

QTEST_GUILESS_MAIN(TstRatingsLive)
#include "tst_ratingslive.moc"
