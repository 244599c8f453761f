// The pool of server tables with a stand-in host program (a shell script that records
// its arguments and waits), so starting, answering, idling out and busy ports are seen
// on real processes without a lobby.
#include "lobbybot/servertablepool.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace lobbybot;

namespace {

const char kScript[] = "#!/bin/sh\n"
                       "echo \"$*\" >> \"$POOL_TEST_LOG\"\n"
                       "case \" $* \" in *\" --port $POOL_TEST_BUSY \"*) echo busy; exit 2;; esac\n"
                       "echo \"listening, a line from the host\"\n"
                       "exec sleep 30\n";

struct Answers {
    QList<PoolAnswer> list;
    std::function<void(const PoolAnswer&)> sink() {
        return [this](const PoolAnswer& a) { list.append(a); };
    }
};

lobby::Table serverTable(quint16 port, int seats) {
    lobby::Table t;
    t.id = QStringLiteral("p%1").arg(port);
    t.name = QStringLiteral("x");
    t.port = port;
    t.seats = seats;
    t.serverTable = true;
    return t;
}

} // namespace

class TstServerTablePool : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void startsAHostAndAnswersOnceItAnnounced();
    void oneTablePerAccountAndNoMoreThanThePool();
    void stopsATableNobodySitsAt();
    void skipsABusyPortAndGivesUpOnASilentHost();

private:
    PoolConfig config(quint16 first, quint16 last) const;
    QStringList started() const;
    QTemporaryDir m_dir;
    QString m_script;
    QString m_log;
};

void TstServerTablePool::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_script = m_dir.filePath(QStringLiteral("host.sh"));
    m_log = m_dir.filePath(QStringLiteral("started.log"));
    QFile f(m_script);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(kScript);
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("POOL_TEST_LOG", m_log.toLocal8Bit());
}

PoolConfig TstServerTablePool::config(quint16 first, quint16 last) const {
    PoolConfig c;
    c.program = m_script;
    c.firstPort = first;
    c.lastPort = last;
    c.addresses = {QStringLiteral("203.0.113.5"), QStringLiteral("2001:db8::5")};
    c.lobbyArgs = {QStringLiteral("--lobby-account"), QStringLiteral("lobbybot@lobby.test")};
    return c;
}

QStringList TstServerTablePool::started() const {
    QFile f(m_log);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

void TstServerTablePool::startsAHostAndAnswersOnceItAnnounced() {
    QFile::remove(m_log);
    ServerTablePool pool(config(47801, 47802));
    QSignalSpy log(&pool, &ServerTablePool::logLine);
    Answers answers;
    pool.request(QStringLiteral("ann@lobby.test"), QStringLiteral("Ann's \"table\""),
                 answers.sink());
    QCOMPARE(pool.running(), 1);
    QTRY_COMPARE(started().size(), 1);
    QCOMPARE(started()[0], QStringLiteral("--port 47801 --lobby-account lobbybot@lobby.test "
                                          "--lobby-table-name Ann's \"table\" --lobby-address "
                                          "203.0.113.5 --lobby-address 2001:db8::5"));
    QVERIFY(answers.list.isEmpty()); // not before the host is in the list
    pool.tableAnnounced(QStringLiteral("t9"), serverTable(47801, 0));
    QCOMPARE(answers.list.size(), 1);
    const PoolAnswer a = answers.list[0];
    QVERIFY(a.ok);
    QCOMPARE(a.key, QStringLiteral("t9"));
    QCOMPARE(a.address, QStringLiteral("203.0.113.5"));
    QCOMPARE(a.port, quint16(47801));
    // Its refreshes are not answered again; its output reaches the bot's log.
    pool.tableAnnounced(QStringLiteral("t9"), serverTable(47801, 1));
    QCOMPARE(answers.list.size(), 1);
    QTRY_VERIFY(std::any_of(log.cbegin(), log.cend(), [](const QList<QVariant>& l) {
        return l.at(0).toString().contains(QLatin1String("a line from the host"));
    }));
    pool.stopAll();
    QTRY_COMPARE(pool.running(), 0);
}

void TstServerTablePool::oneTablePerAccountAndNoMoreThanThePool() {
    ServerTablePool pool(config(47811, 47812));
    Answers answers;
    pool.request(QStringLiteral("ann@lobby.test"), QStringLiteral("A"), answers.sink());
    pool.request(QStringLiteral("ann@lobby.test"), QStringLiteral("A2"), answers.sink());
    pool.request(QStringLiteral("bob@lobby.test"), QStringLiteral("B"), answers.sink());
    pool.request(QStringLiteral("cy@lobby.test"), QStringLiteral("C"), answers.sink());
    pool.request(QStringLiteral("dee@lobby.test"), QString(33, u'x'), answers.sink());
    pool.request(QStringLiteral("dee@lobby.test"), QStringLiteral("a\nb"), answers.sink());
    QCOMPARE(pool.running(), 2);
    QCOMPARE(answers.list.size(), 4);
    QCOMPARE(answers.list[0].condition, QStringLiteral("policy-violation"));
    QCOMPARE(answers.list[1].condition, QStringLiteral("resource-constraint"));
    QCOMPARE(answers.list[2].condition, QStringLiteral("not-acceptable"));
    QCOMPARE(answers.list[3].condition, QStringLiteral("not-acceptable"));
    pool.stopAll();
    QTRY_COMPARE(pool.running(), 0);
    // Their ports are free again.
    pool.request(QStringLiteral("cy@lobby.test"), QStringLiteral("C"), answers.sink());
    QCOMPARE(pool.running(), 1);
    pool.stopAll();
    QTRY_COMPARE(pool.running(), 0);
}

void TstServerTablePool::stopsATableNobodySitsAt() {
    PoolConfig c = config(47821, 47821);
    c.idleMs = 300;
    ServerTablePool pool(c);
    Answers answers;
    pool.request(QStringLiteral("ann@lobby.test"), QStringLiteral("A"), answers.sink());
    pool.tableAnnounced(QStringLiteral("t1"), serverTable(47821, 1));
    QTest::qWait(600); // seated: it stays
    QCOMPARE(pool.running(), 1);
    pool.tableAnnounced(QStringLiteral("t1"), serverTable(47821, 0));
    QTRY_COMPARE_WITH_TIMEOUT(pool.running(), 0, 5000);
    QVERIFY(answers.list.value(0).ok);
}

void TstServerTablePool::skipsABusyPortAndGivesUpOnASilentHost() {
    QFile::remove(m_log);
    qputenv("POOL_TEST_BUSY", "47831");
    PoolConfig c = config(47831, 47832);
    c.startMs = 1500;
    ServerTablePool pool(c);
    Answers answers;
    pool.request(QStringLiteral("ann@lobby.test"), QStringLiteral("A"), answers.sink());
    QTRY_COMPARE(started().size(), 2);
    QVERIFY(started()[1].startsWith(QLatin1String("--port 47832 ")));
    QCOMPARE(pool.running(), 1);
    // The host on 47832 never announces itself: the requester hears so, and it stops.
    QTRY_COMPARE_WITH_TIMEOUT(answers.list.size(), 1, 5000);
    QCOMPARE(answers.list[0].condition, QStringLiteral("remote-server-timeout"));
    QTRY_COMPARE_WITH_TIMEOUT(pool.running(), 0, 5000);
    qunsetenv("POOL_TEST_BUSY");
}

QTEST_GUILESS_MAIN(TstServerTablePool)
#include "tst_servertablepool.moc"
