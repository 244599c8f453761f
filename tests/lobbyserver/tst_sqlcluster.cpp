// A lobby cluster on PostgreSQL, in the test's own network namespace: two nodes share one
// private PostgreSQL server; a game on a trusted operator's table is rated, the rating is
// asked for through the second node and its rows are in PostgreSQL; after the whole cluster
// and the bot stop, a node started afresh on the same database still has it.
#include "lobbyproto/tables.h"
#include "ratings/ratings.h"
#include "version/version.h"
#include "xmpp/lobbymember.h"
#include "xmpp/room.h"
#include "xmpp/testserver.h"

#include <QDirIterator>
#include <QSignalSpy>
#include <memory>
#include <optional>

#include <grp.h>
#include <pwd.h>

using namespace xmpp;
using namespace lobbytest;

namespace {

constexpr quint16 kPgPort = 55432; // a fixed port is fine: the namespace is the test's own
const QString kDatabase = QStringLiteral("lobbydb");
const QString kDbUser = QStringLiteral("lobbyuser");
// An address of the test's namespace that is not loopback: the database "off the machine".
const QString kRemote = QStringLiteral("192.0.2.10");

// The newest PostgreSQL server programs Debian installed, or empty.
QString pgBin() {
    QStringList found;
    QDirIterator it(QStringLiteral("/usr/lib/postgresql"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString bin = it.next() + QStringLiteral("/bin");
        if (QFile::exists(bin + QStringLiteral("/postgres"))) found << bin;
    }
    std::sort(found.begin(), found.end(), [](const QString& a, const QString& b) {
        return QFileInfo(QFileInfo(a).path()).fileName().toInt() <
               QFileInfo(QFileInfo(b).path()).fileName().toInt();
    });
    return found.isEmpty() ? QString() : found.last();
}

// A program of the test's own, as root; true when it exited 0.
bool ok(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool pgsqlDriverInstalled() {
    return !QDir(QStringLiteral("/usr/lib/erlang/lib"))
                .entryList({QStringLiteral("p1_pgsql-*")}, QDir::Dirs)
                .isEmpty();
}

// A private PostgreSQL server in a temporary folder, run as user postgres, listening on
// 127.0.0.1 and on a socket in that folder; stopped by its PID.
class PgServer {
public:
    ~PgServer() { stop(); }

    // Listens on 127.0.0.1 and `remote`, where it takes only TLS with a certificate for that
    // address, signed by caFile().
    bool start(const QString& remote) {
        const passwd* pw = ::getpwnam("postgres");
        if (!pw || !m_tmp.isValid()) return false;
        m_uid = pw->pw_uid;
        m_gid = pw->pw_gid;
        if (::chown(QFile::encodeName(m_tmp.path()).constData(), m_uid, m_gid) != 0) return false;
        const QString data = m_tmp.path() + QStringLiteral("/data");
        if (!run(m_bin + QStringLiteral("/initdb"),
                 {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("postgres"),
                  QStringLiteral("--auth-local=peer"), QStringLiteral("--auth-host=scram-sha-256"),
                  QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C")}))
            return false;
        const QString ca = caFile(), caKey = m_tmp.path() + QStringLiteral("/ca.key");
        const QStringList newKey{
            QStringLiteral("-newkey"),  QStringLiteral("ec"),
            QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
            QStringLiteral("-nodes"),   QStringLiteral("-days"),
            QStringLiteral("2")};
        if (!run(QStringLiteral("/usr/bin/openssl"),
                 QStringList{QStringLiteral("req"), QStringLiteral("-x509")}
                     << newKey
                     << QStringList{QStringLiteral("-subj"), QStringLiteral("/CN=test-ca"),
                                    QStringLiteral("-keyout"), caKey, QStringLiteral("-out"),
                                    ca}) ||
            !run(QStringLiteral("/usr/bin/openssl"),
                 QStringList{QStringLiteral("req"), QStringLiteral("-x509")}
                     << newKey
                     << QStringList{QStringLiteral("-subj"), QStringLiteral("/CN=") + remote,
                                    QStringLiteral("-addext"),
                                    QStringLiteral("subjectAltName=IP:") + remote,
                                    QStringLiteral("-addext"),
                                    QStringLiteral("basicConstraints=critical,CA:FALSE"),
                                    QStringLiteral("-CA"), ca, QStringLiteral("-CAkey"), caKey,
                                    QStringLiteral("-keyout"), data + QStringLiteral("/server.key"),
                                    QStringLiteral("-out"), data + QStringLiteral("/server.crt")}))
            return false;
        QFile hba(data + QStringLiteral("/pg_hba.conf"));
        if (!hba.open(QIODevice::Append)) return false;
        hba.write("hostssl all all " + remote.toLatin1() + "/32 scram-sha-256\n");
        hba.close();
        asPostgres(m_server);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.setStandardOutputFile(m_tmp.path() + QStringLiteral("/postgres.log"));
        // fsync off: the test's data may go when the machine does.
        m_server.start(m_bin + QStringLiteral("/postgres"),
                       {QStringLiteral("-D"), data, QStringLiteral("-k"), m_tmp.path(),
                        QStringLiteral("-h"), QStringLiteral("127.0.0.1,") + remote,
                        QStringLiteral("-c"), QStringLiteral("ssl=on"), QStringLiteral("-p"),
                        QString::number(kPgPort), QStringLiteral("-c"), QStringLiteral("fsync=off"),
                        QStringLiteral("-c"), QStringLiteral("log_min_messages=warning")});
        if (!m_server.waitForStarted(10000)) return false;
        return QTest::qWaitFor(
            [&] {
                return m_server.state() == QProcess::Running &&
                       run(m_bin + QStringLiteral("/pg_isready"),
                           {QStringLiteral("-q"), QStringLiteral("-h"), m_tmp.path(),
                            QStringLiteral("-p"), QString::number(kPgPort)},
                           false)
                           .has_value();
            },
            30000);
    }

    // Stops the server by its PID (fast shutdown); true when it ended by itself.
    bool stop() {
        if (m_server.state() == QProcess::NotRunning) return true;
        ::kill(pid_t(m_server.processId()), SIGINT);
        if (m_server.waitForFinished(30000)) return true;
        ::kill(pid_t(m_server.processId()), SIGKILL);
        m_server.waitForFinished(5000);
        return false;
    }

    // One statement as the superuser over the folder's socket: its rows, one a line,
    // columns split by '|'; nothing when psql failed.
    std::optional<QString> exec(const QString& statement, const QString& database = kDatabase) {
        return run(m_bin + QStringLiteral("/psql"),
                   {QStringLiteral("-X"), QStringLiteral("-At"), QStringLiteral("-v"),
                    QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), m_tmp.path(),
                    QStringLiteral("-p"), QString::number(kPgPort), QStringLiteral("-U"),
                    QStringLiteral("postgres"), QStringLiteral("-d"), database,
                    QStringLiteral("-c"), statement});
    }
    QString sql(const QString& statement) {
        return exec(statement).value_or(QStringLiteral("(psql failed)"));
    }

    QString dir() const { return m_tmp.path(); }
    QString caFile() const { return m_tmp.path() + QStringLiteral("/ca.pem"); }

private:
    void asPostgres(QProcess& p) const {
        const uid_t uid = m_uid;
        const gid_t gid = m_gid;
        p.setChildProcessModifier([uid, gid] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(127);
        });
        p.setWorkingDirectory(m_tmp.path());
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        p.setProcessEnvironment(env);
    }

    // The program's output as user postgres; nothing when it failed.
    std::optional<QString> run(const QString& program, const QStringList& args,
                               bool warn = true) const {
        QProcess p;
        asPostgres(p);
        p.start(program, args);
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0) {
            if (warn)
                qWarning("%s failed: %s", qPrintable(QFileInfo(program).fileName()),
                         p.readAllStandardError().constData());
            return std::nullopt;
        }
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    QTemporaryDir m_tmp{QDir::tempPath() + QStringLiteral("/vimbrel-pg-XXXXXX")};
    QString m_bin = pgBin();
    QProcess m_server;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
};

Account on(const TestServer& node, const QString& name) {
    return account(name, node.c2sPort);
}

// Logs how long a step took, for people reading the test's output.
struct Step {
    const char* what;
    QElapsedTimer t;
    explicit Step(const char* w) : what(w) { t.start(); }
    ~Step() { qInfo("%s: %.2f s", what, double(t.elapsed()) / 1000.0); }
};

} // namespace

class TstSqlCluster : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void ratedGameIsSharedAndInPostgres();
    void ratingOutlivesTheWholeCluster();
    void remoteDatabaseOnlyOverCheckedTls();
    void foreignDatabaseIsLeftAlone();
    void cleanupTestCase();

private:
    void useSql(TestServer& node, const QString& database = kDatabase);

    PgServer m_pg;
    QString m_passwordFile;
    TestServer m_one, m_two;
    TestServer m_again;  // one node, afresh, on the same database
    TestServer m_remote; // one node on the database off loopback
    QList<lobby::RatedPlayer> m_best;
};

void TstSqlCluster::useSql(TestServer& node, const QString& database) {
    node.extraArgs << QStringLiteral("--sql-server") << QStringLiteral("127.0.0.1:%1").arg(kPgPort)
                   << QStringLiteral("--sql-database") << database << QStringLiteral("--sql-user")
                   << kDbUser << QStringLiteral("--sql-password-file") << m_passwordFile;
}

void TstSqlCluster::initTestCase() {
    if (!TestServer::inOwnNetns())
        QSKIP("run through tests/xmpp/run_in_netns.sh: the servers take fixed ports");
    if (!QFile::exists(QStringLiteral("/usr/sbin/ejabberdctl"))) QSKIP("ejabberd is not installed");
    if (pgBin().isEmpty() || !::getpwnam("postgres"))
        QSKIP("the PostgreSQL server is not installed (apt-get install postgresql)");
    if (!pgsqlDriverInstalled())
        QSKIP("ejabberd's PostgreSQL driver is not installed (apt-get install erlang-p1-pgsql)");
    if (!QFile::exists(QStringLiteral("/usr/bin/psql")))
        QSKIP("psql is not installed (apt-get install postgresql-client)");
    // The namespace is the test's own: an address in it stands for another machine.
    QVERIFY(ok(QStringLiteral("ip"),
               {QStringLiteral("addr"), QStringLiteral("add"), kRemote + QStringLiteral("/32"),
                QStringLiteral("dev"), QStringLiteral("lo")}));
    {
        Step s("private PostgreSQL server started");
        QVERIFY(m_pg.start(kRemote));
    }
    // A password with characters that YAML and the shell would take for their own.
    const QString password = QStringLiteral("p@ss \"word\" #1: 'x' @DOMAIN@");
    QVERIFY(m_pg.exec(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'")
                          .arg(kDbUser, QString(password).replace(u'\'', QStringLiteral("''"))),
                      QStringLiteral("postgres")));
    QVERIFY(m_pg.exec(QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(kDatabase, kDbUser),
                      QStringLiteral("postgres")));
    m_passwordFile = m_pg.dir() + QStringLiteral("/lobby.password");
    QFile f(m_passwordFile);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(password.toUtf8() + '\n');
    f.close();

    m_one.node = QStringLiteral("one");
    m_one.extraArgs << QStringLiteral("--bot") << QStringLiteral(VIMBREL_BOT_EXE);
    useSql(m_one);
    {
        Step s("first node (with the bot) started on the empty database");
        QVERIFY(m_one.start());
    }
    QVERIFY2(m_one.log.contains(QStringLiteral("loaded ejabberd's schema")), qPrintable(m_one.log));
    m_two.node = QStringLiteral("two");
    m_two.joinCluster = QStringLiteral("one");
    m_two.c2sPort = 5223;
    m_two.httpPort = 5281;
    useSql(m_two);
    {
        Step s("second node joined the cluster");
        QVERIFY(m_two.start());
    }
    // The database had ejabberd's tables by then: the second node leaves them as they are.
    QVERIFY(!m_two.log.contains(QStringLiteral("loaded ejabberd's schema")));
}

void TstSqlCluster::ratedGameIsSharedAndInPostgres() {
    {
        Step s("players and operator registered through node two");
        for (const char* name : {"ann", "bob", "op1"}) {
            Client reg;
            QSignalSpy done(&reg, &Client::registered);
            reg.registerAccount(on(m_two, QString::fromLatin1(name)));
            QVERIFY(done.wait(kWait));
        }
    }
    Member ann, bob, op1, gus;
    {
        Step s("players in the room on both nodes");
        QVERIFY(ann.logIn(on(m_one, QStringLiteral("ann"))) && ann.join(QStringLiteral("Ann")));
        // The runner starts the bot before READY; it joins the room a moment later.
        QTRY_VERIFY_WITH_TIMEOUT(ann.room->occupants().contains(QStringLiteral("Lobby")), kWait);
        QVERIFY(bob.logIn(on(m_two, QStringLiteral("bob"))) && bob.join(QStringLiteral("Bob")));
        QVERIFY(op1.logIn(on(m_two, QStringLiteral("op1"))) && op1.join(QStringLiteral("Op1")));
        QVERIFY(gus.logIn(on(m_two, {})));
    }
    const lobby::Table t = operatedTable();
    QCOMPARE(op1.ask(QStringLiteral("set"), lobby::announcement(t)).attr(QStringLiteral("type")),
             QStringLiteral("result"));
    // Ann and Bob sit at it, and their lobbies say so.
    const auto op1s = [](const lobby::Table& x) { return x.host == QLatin1String("Op1"); };
    QTRY_VERIFY_WITH_TIMEOUT(!ann.keyOf(op1s).isEmpty(), kWait);
    QVERIFY(ann.playAt(ann.keyOf(op1s)) && bob.playAt(ann.keyOf(op1s)));
    {
        Step s("operator marked trusted with the runner's command");
        QProcess cmd;
        cmd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        cmd.start(QStringLiteral(VIMBREL_SOURCE_DIR "/server/vimbrel-lobby-server"),
                  {QStringLiteral("--dir"), m_one.dir(), QStringLiteral("--node"), m_one.node,
                   QStringLiteral("trust"), QStringLiteral("op1@") + kDomain});
        QVERIFY(cmd.waitForFinished(60000));
        QCOMPARE(cmd.exitCode(), 0);
        QVERIFY(cmd.readAllStandardOutput().contains("op1@lobby.localhost is trusted"));
    }
    lobby::Result r;
    r.id = t.id;
    r.finished = true;
    r.rounds = 14;
    r.seats = {seat(1, QStringLiteral("Ann"), 230, true),
               seat(2, QStringLiteral("Bob"), 195, false)};
    {
        Step s("finished game reported and rated, asked for through node two");
        QCOMPARE(
            op1.ask(QStringLiteral("set"), lobby::resultElement(r)).attr(QStringLiteral("type")),
            QStringLiteral("result"));
        QTRY_COMPARE_WITH_TIMEOUT(gus.best().size(), 2, kWait);
    }
    const auto expected =
        ratings::rateByScore(std::vector<ratings::Rating>(2), std::vector<double>{230, 195});
    QVERIFY(expected);
    m_best = {{QStringLiteral("Ann"), ratings::displayed((*expected)[0]), 1},
              {QStringLiteral("Bob"), ratings::displayed((*expected)[1]), 1}};
    QCOMPARE(gus.best(), m_best);

    // The bot's store, the accounts and the room are rows of the shared database.
    QCOMPARE(m_pg.sql(QStringLiteral("SELECT n.node, i.itemid FROM pubsub_item i JOIN pubsub_node "
                                     "n USING (nodeid) ORDER BY 1, 2"))
                 .split(u'\n'),
             (QStringList{QStringLiteral("vimbrel-operators|op1@lobby.localhost"),
                          QStringLiteral("vimbrel-ratings|ann@lobby.localhost"),
                          QStringLiteral("vimbrel-ratings|bob@lobby.localhost")}));
    const QString payload = m_pg.sql(
        QStringLiteral("SELECT payload FROM pubsub_item WHERE itemid = 'ann@lobby.localhost'"));
    QVERIFY2(payload.contains(QStringLiteral("name=\"Ann\"")) ||
                 payload.contains(QStringLiteral("name='Ann'")),
             qPrintable(payload));
    const QStringList users =
        m_pg.sql(QStringLiteral("SELECT username FROM users WHERE server_host = 'lobby.localhost' "
                                "ORDER BY 1"))
            .split(u'\n');
    for (const char* name : {"admin", "ann", "bob", "lobbybot", "op1"})
        QVERIFY2(users.contains(QString::fromLatin1(name)), qPrintable(users.join(u' ')));
    QCOMPARE(m_pg.sql(QStringLiteral("SELECT name || '@' || host FROM muc_room")),
             lobby::roomJid(kDomain, vimbrel::kProtocolVersion));
}

void TstSqlCluster::ratingOutlivesTheWholeCluster() {
    QVERIFY(!m_best.isEmpty());
    {
        Step s("both nodes and the bot stopped");
        QVERIFY(m_two.stop());
        QVERIFY(m_one.stop());
    }
    QCOMPARE(TestServer::processesInOurNetns(QStringLiteral("beam.smp")), 0);
    // Afresh in a new folder: nothing of ejabberd's own database from before, only PostgreSQL.
    m_again.node = QStringLiteral("again");
    m_again.extraArgs << QStringLiteral("--bot") << QStringLiteral(VIMBREL_BOT_EXE);
    useSql(m_again);
    {
        Step s("one node (with the bot) started again on the same database");
        QVERIFY(m_again.start());
    }
    QVERIFY(!m_again.log.contains(QStringLiteral("loaded ejabberd's schema")));
    Member ann;
    QVERIFY(ann.logIn(on(m_again, QStringLiteral("ann"))));
    Step s("rating asked for after the restart");
    QTRY_COMPARE_WITH_TIMEOUT(ann.best(), m_best, kWait);
}

void TstSqlCluster::remoteDatabaseOnlyOverCheckedTls() {
    QVERIFY(m_again.stop());
    const QStringList remote{
        QStringLiteral("--sql-server"),        QStringLiteral("%1:%2").arg(kRemote).arg(kPgPort),
        QStringLiteral("--sql-database"),      kDatabase,
        QStringLiteral("--sql-user"),          kDbUser,
        QStringLiteral("--sql-password-file"), m_passwordFile};
    m_remote.node = QStringLiteral("remote");
    // Off loopback, not without a CA to check the server against.
    m_remote.extraArgs = remote;
    QVERIFY(!m_remote.start());
    QVERIFY2(m_remote.log.contains(QStringLiteral("needs --sql-ca")), qPrintable(m_remote.log));
    // Nor with a CA that did not sign the server's certificate.
    const QString otherCa = m_pg.dir() + QStringLiteral("/other-ca.pem");
    QVERIFY(ok(QStringLiteral("/usr/bin/openssl"),
               {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                QStringLiteral("-subj"), QStringLiteral("/CN=other-ca"), QStringLiteral("-keyout"),
                m_pg.dir() + QStringLiteral("/other-ca.key"), QStringLiteral("-out"), otherCa}));
    m_remote.extraArgs = remote;
    m_remote.extraArgs << QStringLiteral("--sql-ca") << otherCa;
    QVERIFY(!m_remote.start());
    QVERIFY2(m_remote.log.contains(QStringLiteral("certificate verify failed")),
             qPrintable(m_remote.log));
    m_remote.extraArgs = remote;
    m_remote.extraArgs << QStringLiteral("--sql-ca") << m_pg.caFile();
    {
        Step s("node started on the database over TLS");
        QVERIFY(m_remote.start());
    }
    Member ann;
    QVERIFY(ann.logIn(on(m_remote, QStringLiteral("ann"))));
    // ejabberd's own links to the database are encrypted too.
    QCOMPARE(m_pg.sql(QStringLiteral("SELECT DISTINCT s.ssl FROM pg_stat_ssl s JOIN "
                                     "pg_stat_activity a USING (pid) WHERE a.client_addr = '%1'")
                          .arg(kRemote)),
             QStringLiteral("t"));
    QVERIFY(m_remote.stop());
}

void TstSqlCluster::foreignDatabaseIsLeftAlone() {
    QVERIFY(m_pg.exec(QStringLiteral("CREATE DATABASE otherdb OWNER %1").arg(kDbUser),
                      QStringLiteral("postgres")));
    QVERIFY(m_pg.exec(
        QStringLiteral("CREATE TABLE scores (x int); ALTER TABLE scores OWNER TO %1").arg(kDbUser),
        QStringLiteral("otherdb")));
    TestServer node;
    node.node = QStringLiteral("foreign");
    useSql(node, QStringLiteral("otherdb"));
    QVERIFY(!node.start());
    QVERIFY2(node.log.contains(QStringLiteral("not ejabberd's")), qPrintable(node.log));
    QCOMPARE(
        m_pg.exec(QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = 'public'"),
                  QStringLiteral("otherdb")),
        QStringLiteral("scores"));
}

void TstSqlCluster::cleanupTestCase() {
    if (!TestServer::inOwnNetns()) return;
    QVERIFY(m_remote.stop());
    QVERIFY(m_again.stop());
    QVERIFY(m_two.stop());
    QVERIFY(m_one.stop());
    QVERIFY(m_pg.stop());
    QCOMPARE(TestServer::processesInOurNetns(QStringLiteral("beam.smp")), 0);
    QCOMPARE(TestServer::processesInOurNetns(QStringLiteral("epmd")), 0);
    QCOMPARE(TestServer::processesInOurNetns(QStringLiteral("postgres")), 0);
}

QTEST_GUILESS_MAIN(TstSqlCluster)
#include "tst_sqlcluster.moc"
