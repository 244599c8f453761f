// The bot against a real lobby server in the test's own network namespace: a host
// announces a table and another lobby sees it change by change; strangers, other
// accounts and a flood are refused, and the bot keeps serving; a host that leaves takes
// its table along.
#include "lobbyproto/tables.h"
#include "xmpp/lobbymember.h"
#include "xmpp/room.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace xmpp;
using namespace lobbytest;

namespace {

bool onlyLoopback() {
    QFile dev(QStringLiteral("/proc/self/net/dev"));
    if (!dev.open(QIODevice::ReadOnly)) return false;
    const QList<QByteArray> lines = dev.readAll().trimmed().split('\n');
    return lines.size() == 3 && lines[2].trimmed().startsWith("lo:");
}

lobby::Element table(const QString& id, const QString& name, quint16 port, int seats = 1) {
    lobby::Table t;
    t.id = id;
    t.name = name;
    t.ipv4 = QStringLiteral("127.0.0.1");
    t.port = port;
    t.seats = seats;
    t.version = QStringLiteral("1.0.7");
    return lobby::announcement(t);
}

lobby::Element withdrawal(const QString& id) {
    return lobby::make(QStringLiteral("withdraw"), QLatin1String(lobby::kNs))
        .set(QStringLiteral("id"), id);
}

} // namespace

class TstLobbyBotLive : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void announcedTableReachesAnotherLobby();
    void strangersAndOtherAccountsAreRefused();
    void floodIsRefusedAndTheBotKeepsServing();
    void leavingTheRoomTakesTheTableAlong();
    void serverTableStartsAnnouncesAndAnswers();
    void cleanupTestCase();

private:
    bool readLine(const QByteArray& start);
    QTemporaryDir m_dir;
    QProcess m_server;
    QTcpServer m_game; // Ann's "table": greets like the game
    Member m_ann, m_bob, m_carl;
    QString m_annKey;
    bool m_hostAnnounces = false; // this build's vimbrel-host has the lobby options
};

namespace {

bool hostAnnounces() {
    QProcess host;
    host.start(QStringLiteral(VIMBREL_HOST_EXE), {QStringLiteral("--help")});
    return host.waitForFinished(10000) && host.readAll().contains("--lobby-server");
}

} // namespace

bool TstLobbyBotLive::readLine(const QByteArray& start) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 90000 && m_server.state() == QProcess::Running) {
        if (!m_server.canReadLine() && !m_server.waitForReadyRead(200)) continue;
        if (m_server.readLine().startsWith(start)) return true;
    }
    return false;
}

void TstLobbyBotLive::initTestCase() {
    if (!onlyLoopback())
        QSKIP("run through tests/lobbybot/run_in_netns.sh: the lobby server takes fixed ports");
    if (!QFile::exists(QStringLiteral("/usr/sbin/ejabberdctl"))) QSKIP("ejabberd is not installed");
    QStringList args{QStringLiteral("--dir"),    m_dir.path(),
                     QStringLiteral("--domain"), kDomain,
                     QStringLiteral("--bot"),    QStringLiteral(VIMBREL_BOT_EXE)};
    m_hostAnnounces = hostAnnounces();
    if (m_hostAnnounces)
        args << QStringLiteral("--bot-arg=--host-program")
             << QStringLiteral("--bot-arg=" VIMBREL_HOST_EXE) << QStringLiteral("--bot-arg=--ports")
             << QStringLiteral("--bot-arg=47900-47901")
             << QStringLiteral("--bot-arg=--public-address")
             << QStringLiteral("--bot-arg=127.0.0.1");
    // READY comes on the runner's standard output, the bot's lines with the runner's log.
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start(QStringLiteral(VIMBREL_SOURCE_DIR "/server/vimbrel-lobby-server"), args);
    QVERIFY(m_server.waitForStarted(10000));
    QVERIFY(readLine("READY "));
    QVERIFY(readLine("in the room"));
    for (const char* name : {"ann", "bob", "carl"}) {
        Client reg;
        QSignalSpy done(&reg, &Client::registered);
        reg.registerAccount(account(QString::fromLatin1(name)));
        QVERIFY(done.wait(kWait));
    }
    QVERIFY(m_game.listen(QHostAddress::LocalHost, 0));
    connect(&m_game, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = m_game.nextPendingConnection())
            s->write(QByteArray("CMD_sendlogininfo+1\xff", 20));
    });
    QVERIFY(m_ann.logIn(account(QStringLiteral("ann"))) && m_ann.join(QStringLiteral("Ann")));
    QVERIFY(m_bob.logIn(account(QStringLiteral("bob"))) && m_bob.join(QStringLiteral("Bob")));
    QVERIFY(m_carl.logIn(account(QStringLiteral("carl"))));
}

void TstLobbyBotLive::announcedTableReachesAnotherLobby() {
    const QString name = QStringLiteral("Ann's <b>table</b>");
    const lobby::Element r =
        m_ann.ask(QStringLiteral("set"), table(QStringLiteral("main"), name, m_game.serverPort()));
    QCOMPARE(r.attr(QStringLiteral("type")), QStringLiteral("result"));
    // Bob hears the table, then the check's verdict, as numbered changes.
    QTRY_VERIFY_WITH_TIMEOUT(!m_bob.changes.isEmpty(), kWait);
    m_annKey = m_bob.changes.first().tables.value(0).key;
    QTRY_VERIFY_WITH_TIMEOUT(
        m_bob.seen(m_annKey) && m_bob.seen(m_annKey)->reach == lobby::Reach::Reachable, kWait);
    const lobby::Table seen = *m_bob.seen(m_annKey);
    QCOMPARE(seen.name, name);
    QCOMPARE(seen.host, QStringLiteral("Ann"));
    for (qsizetype i = 1; i < m_bob.changes.size(); ++i)
        QCOMPARE(m_bob.changes[i].seq, m_bob.changes[i - 1].seq + 1);
    // The whole list, as a lobby that just came asks for it.
    const lobby::Element list = m_bob.ask(
        QStringLiteral("get"), lobby::make(QStringLiteral("tables"), QLatin1String(lobby::kNs)));
    const auto full =
        lobby::readChange(*list.child(QStringLiteral("tables"), QLatin1String(lobby::kNs)));
    QVERIFY(full && full->full);
    QCOMPARE(full->seq, m_bob.changes.last().seq);
    QCOMPARE(full->tables.size(), 1);
    QCOMPARE(full->tables[0].name, name);
}

void TstLobbyBotLive::strangersAndOtherAccountsAreRefused() {
    // Carl is not in the room.
    QCOMPARE(condition(m_carl.ask(QStringLiteral("set"),
                                  table(QStringLiteral("c"), QStringLiteral("Carl"), 7000))),
             QStringLiteral("forbidden"));
    QVERIFY(m_carl.join(QStringLiteral("Carl")));
    // Ann's id names nothing of Carl's; using it gives Carl a table of his own.
    QCOMPARE(condition(m_carl.ask(QStringLiteral("set"), withdrawal(QStringLiteral("main")))),
             QStringLiteral("item-not-found"));
    QCOMPARE(
        m_carl
            .ask(QStringLiteral("set"), table(QStringLiteral("main"), QStringLiteral("Fake"), 7000))
            .attr(QStringLiteral("type")),
        QStringLiteral("result"));
    QCOMPARE(condition(m_carl.ask(QStringLiteral("set"),
                                  table(QStringLiteral("x"), QString(5000, u'x'), 7000))),
             QStringLiteral("not-acceptable"));
    QTRY_VERIFY_WITH_TIMEOUT(m_bob.changes.last().tables.value(0).host == QLatin1String("Carl"),
                             kWait);
    QCOMPARE(m_bob.seen(m_annKey)->name, QStringLiteral("Ann's <b>table</b>"));
    QVERIFY(m_bob.changes.last().tables.value(0).key != m_annKey);
}

void TstLobbyBotLive::floodIsRefusedAndTheBotKeepsServing() {
    int refused = 0, accepted = 0;
    for (int i = 0; i < 30; ++i) {
        const lobby::Element r =
            m_carl.ask(QStringLiteral("set"),
                       table(QStringLiteral("main"), QStringLiteral("Flood %1").arg(i), 7000));
        (condition(r) == QLatin1String("policy-violation") ? refused : accepted)++;
    }
    QVERIFY2(accepted <= 10 && refused >= 20,
             qPrintable(QStringLiteral("%1 accepted").arg(accepted)));
    // The others are served as before.
    QCOMPARE(m_ann
                 .ask(QStringLiteral("set"),
                      table(QStringLiteral("main"), QStringLiteral("Ann's <b>table</b>"),
                            m_game.serverPort(), 2))
                 .attr(QStringLiteral("type")),
             QStringLiteral("result"));
    QTRY_COMPARE_WITH_TIMEOUT(m_bob.seen(m_annKey)->seats, 2, kWait);
}

void TstLobbyBotLive::leavingTheRoomTakesTheTableAlong() {
    m_ann.room->leave();
    QTRY_VERIFY_WITH_TIMEOUT(!m_bob.seen(m_annKey), kWait);
    QVERIFY(m_bob.changes.last().gone.contains(m_annKey));
}

void TstLobbyBotLive::serverTableStartsAnnouncesAndAnswers() {
    if (!m_hostAnnounces) QSKIP("this build's vimbrel-host cannot announce itself in a lobby");
    const lobby::Element ask = lobby::make(QStringLiteral("servertable"), QLatin1String(lobby::kNs))
                                   .set(QStringLiteral("name"), QStringLiteral("Bob's table"));
    const lobby::Element r = m_bob.ask(QStringLiteral("set"), ask);
    QCOMPARE(r.attr(QStringLiteral("type")), QStringLiteral("result"));
    const lobby::Element* answer =
        r.child(QStringLiteral("servertable"), QLatin1String(lobby::kNs));
    QVERIFY(answer);
    QCOMPARE(answer->attr(QStringLiteral("address")), QStringLiteral("127.0.0.1"));
    QCOMPARE(answer->attr(QStringLiteral("port")), QStringLiteral("47900"));
    const QString key = answer->attr(QStringLiteral("key"));
    // Every lobby sees it as a server table that answers.
    QTRY_VERIFY_WITH_TIMEOUT(m_bob.seen(key) && m_bob.seen(key)->reach == lobby::Reach::Reachable,
                             kWait);
    QVERIFY(m_bob.seen(key)->serverTable);
    QCOMPARE(m_bob.seen(key)->name, QStringLiteral("Bob's table"));
    // One at a time per account.
    QCOMPARE(condition(m_bob.ask(QStringLiteral("set"), ask)), QStringLiteral("policy-violation"));
}

void TstLobbyBotLive::cleanupTestCase() {
    if (m_server.state() == QProcess::NotRunning) return;
    m_server.terminate();
    QVERIFY(m_server.waitForFinished(60000));
    QCOMPARE(m_server.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TstLobbyBotLive)
#include "tst_lobbybotlive.moc"
