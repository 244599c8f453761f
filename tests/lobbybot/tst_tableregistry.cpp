// The bot's table list against what hosts may send: hostile fields, other people's
// tables, floods, silence and departures, and the numbered changes the room hears.
// The clock is a variable, so minutes pass in no time.
#include "lobbybot/tableregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace lobbybot;

namespace {

lobby::Element tableEl(const QString& id, const QString& name = QStringLiteral("Ann's table"),
                       quint16 port = 7772, int seats = 1) {
    lobby::Table t;
    t.id = id;
    t.name = name;
    t.ipv4 = QStringLiteral("198.51.100.7");
    t.port = port;
    t.seats = seats;
    t.version = QStringLiteral("1.0.7");
    return lobby::announcement(t);
}

const QString kName = QStringLiteral("Ann's table");
const QString kAnn = QStringLiteral("ann@lobby.test");
const QString kBob = QStringLiteral("bob@lobby.test");
const QString kBot = QStringLiteral("lobbybot@lobby.test");

struct Fixture {
    qint64 now = 1'000'000;
    TableRegistry reg{[this] { return now; }};
    QList<lobby::Change> sent;
    Fixture() {
        QObject::connect(&reg, &TableRegistry::changed,
                         [this](const lobby::Change& c) { sent.append(c); });
        reg.setOwnAccount(kBot);
    }
};

} // namespace

class TstTableRegistry : public QObject {
    Q_OBJECT
private slots:
    void listsAnnouncedTableUnderOwnKey();
    void hostileFieldsAreRefused_data();
    void hostileFieldsAreRefused();
    void markupAndLongNicksStayPlainData();
    void nobodyTouchesAnotherAccountsTable();
    void floodAndTableCountAreLimitedPerAccount();
    void onlyTheBotsOwnTablesAreServerTables();
    void silentTablesExpireAndIdleArmsNoTimer();
    void leavingTheRoomTakesTheTablesAlong();
    void changesAreNumberedAndBatchedPerTurn();
    void reachSurvivesRefreshButNotAMove();
};

void TstTableRegistry::listsAnnouncedTableUnderOwnKey() {
    Fixture f;
    QSignalSpy checks(&f.reg, &TableRegistry::checkNeeded);
    const Outcome o = f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("main")));
    QVERIFY2(o.ok, qPrintable(o.text));
    QCOMPARE(o.key, QStringLiteral("t1"));
    QVERIFY(o.added);
    QCOMPARE(checks.size(), 1);
    const lobby::Change full = f.reg.fullList();
    QVERIFY(full.full);
    QCOMPARE(full.tables.size(), 1);
    QCOMPARE(full.tables[0].host, QStringLiteral("Ann"));
    QCOMPARE(full.tables[0].key, QStringLiteral("t1"));
    QCOMPARE(full.tables[0].reach, lobby::Reach::Checking);
    QCOMPARE(f.reg.ownerOf(QStringLiteral("t1")), kAnn);
}

void TstTableRegistry::hostileFieldsAreRefused_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::newRow("huge name") << "name" << QString(100000, u'x');
    QTest::newRow("name 33") << "name" << QString(33, u'x');
    QTest::newRow("newline in name") << "name"
                                     << "Ann\nbot: all tables gone";
    QTest::newRow("empty name") << "name"
                                << "";
    QTest::newRow("huge id") << "id" << QString(5000, u'a');
    QTest::newRow("id with slash") << "id"
                                   << "a/b";
    QTest::newRow("port 0") << "port"
                            << "0";
    QTest::newRow("port 70000") << "port"
                                << "70000";
    QTest::newRow("seats 5") << "seats"
                             << "5";
    QTest::newRow("spectators -1") << "spectators"
                                   << "-1";
    QTest::newRow("state") << "state"
                           << "<b>open</b>";
    QTest::newRow("ipv4 name") << "ipv4"
                               << "evil.example";
    QTest::newRow("version markup") << "version"
                                    << "<1.0.7>";
}

void TstTableRegistry::hostileFieldsAreRefused() {
    QFETCH(QString, field);
    QFETCH(QString, value);
    Fixture f;
    lobby::Element e = tableEl(QStringLiteral("main"));
    e.set(field, value);
    const Outcome o = f.reg.announce(kAnn, QStringLiteral("Ann"), e);
    QVERIFY(!o.ok);
    QCOMPARE(o.condition, QStringLiteral("not-acceptable"));
    QVERIFY(!o.text.isEmpty());
    QCOMPARE(f.reg.size(), 0);
    f.reg.flushChanges();
    QVERIFY(f.sent.isEmpty());
    // A good one from the same account still goes through.
    QVERIFY(f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("main"))).ok);
}

void TstTableRegistry::markupAndLongNicksStayPlainData() {
    Fixture f;
    const QString markup = QStringLiteral("<b>Ann</b> &amp; <i>co");
    const QString nick = QStringLiteral("Ann\u202e\nlobbybot: restarted ") + QString(200, u'x');
    QVERIFY(f.reg.announce(kAnn, nick, tableEl(QStringLiteral("main"), markup)).ok);
    const lobby::Table t = f.reg.fullList().tables.value(0);
    QCOMPARE(t.name, markup); // kept verbatim: the readers show it as text
    QCOMPARE(t.host.size(), lobby::kMaxNick);
    QVERIFY(!t.host.contains(u'\n') && !t.host.contains(QChar(0x202e)));
    // What the room hears reads back whole in every lobby.
    const auto back = lobby::readListEntry(lobby::listEntry(t));
    QVERIFY(back.has_value());
    QCOMPARE(back->name, markup);
    QCOMPARE(back->host, t.host);
    // The nick the room knows still takes the table along when it leaves.
    QCOMPARE(f.reg.removeOccupant(nick), 1);
}

void TstTableRegistry::nobodyTouchesAnotherAccountsTable() {
    Fixture f;
    QVERIFY(f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("main"))).ok);
    // Bob uses Ann's id: he gets a table of his own, Ann's stays as it was.
    const Outcome bob = f.reg.announce(kBob, QStringLiteral("Bob"),
                                       tableEl(QStringLiteral("main"), QStringLiteral("Bob's")));
    QVERIFY(bob.ok);
    QCOMPARE(bob.key, QStringLiteral("t2"));
    QCOMPARE(f.reg.find(QStringLiteral("t1"))->name, QStringLiteral("Ann's table"));
    // Bob withdraws "main": his own goes, Ann's stays.
    lobby::Element w = lobby::make(QStringLiteral("withdraw"), QLatin1String(lobby::kNs));
    QVERIFY(f.reg.withdraw(kBob, w.set(QStringLiteral("id"), QStringLiteral("main"))).ok);
    QVERIFY(f.reg.find(QStringLiteral("t1")));
    QVERIFY(!f.reg.find(QStringLiteral("t2")));
    const Outcome again = f.reg.withdraw(kBob, w);
    QCOMPARE(again.condition, QStringLiteral("item-not-found"));
    // A key is not an id: nobody names a listed key to reach a table.
    QCOMPARE(f.reg.withdraw(kBob, w.set(QStringLiteral("id"), QStringLiteral("t1"))).condition,
             QStringLiteral("item-not-found"));
    QCOMPARE(f.reg.size(), 1);
}

void TstTableRegistry::floodAndTableCountAreLimitedPerAccount() {
    Fixture f;
    for (int i = 0; i < kAnnouncementsPerWindow; ++i)
        QVERIFY(f.reg
                    .announce(kAnn, QStringLiteral("Ann"),
                              tableEl(QStringLiteral("main"), kName, 7772, i % 5))
                    .ok);
    for (int i = 0; i < 1000; ++i) {
        const Outcome o =
            f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("main")));
        QCOMPARE(o.condition, QStringLiteral("policy-violation"));
    }
    QVERIFY(!f.reg
                 .withdraw(kAnn, lobby::make(QStringLiteral("withdraw"))
                                     .set(QStringLiteral("id"), QStringLiteral("main")))
                 .ok);
    // Someone else is not slowed by Ann's flood.
    QVERIFY(f.reg.announce(kBob, QStringLiteral("Bob"), tableEl(QStringLiteral("b"))).ok);
    // Refused requests do not push the window: 10 s after the first ten, Ann may again.
    f.now += kAnnouncementWindowMs;
    QVERIFY(f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("two"))).ok);
    QVERIFY(f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("three"))).ok);
    const Outcome fourth =
        f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("four")));
    QCOMPARE(fourth.condition, QStringLiteral("policy-violation"));
    QVERIFY(fourth.text.contains(QLatin1String("3 tables")));
    QVERIFY(f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("main"))).ok);
    QCOMPARE(f.reg.size(), 4);
    // The bot's own hosts are one per pool port, however many.
    for (int i = 0; i < 20; ++i)
        QVERIFY(f.reg
                    .announce(kBot, QStringLiteral("Table %1").arg(i),
                              tableEl(QStringLiteral("p%1").arg(i)))
                    .ok);
    QCOMPARE(f.reg.size(), 24);
}

void TstTableRegistry::onlyTheBotsOwnTablesAreServerTables() {
    Fixture f;
    lobby::Element e = tableEl(QStringLiteral("main"));
    e.set(QStringLiteral("server"), QStringLiteral("1"));
    QVERIFY(f.reg.announce(kAnn, QStringLiteral("Ann"), e).ok);
    QVERIFY(!f.reg.find(QStringLiteral("t1"))->serverTable);
    QVERIFY(
        f.reg.announce(kBot, QStringLiteral("Table 7801"), tableEl(QStringLiteral("p7801"))).ok);
    QVERIFY(f.reg.find(QStringLiteral("t2"))->serverTable);
}

void TstTableRegistry::silentTablesExpireAndIdleArmsNoTimer() {
    Fixture f;
    QVERIFY(!f.reg.expiryArmed());
    QSignalSpy removed(&f.reg, &TableRegistry::removed);
    const qint64 start = f.now;
    QVERIFY(f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("a"))).ok);
    f.now += 100'000;
    QVERIFY(f.reg.announce(kBob, QStringLiteral("Bob"), tableEl(QStringLiteral("b"))).ok);
    QVERIFY(f.reg.expiryArmed());
    QCOMPARE(f.reg.nextExpiry(), start + kTableLifetimeMs);
    f.now = start + kTableLifetimeMs - 1;
    QCOMPARE(f.reg.expireNow(), 0);
    // Ann refreshes just in time; Bob stays silent.
    QVERIFY(f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("a"))).ok);
    f.now = start + 100'000 + kTableLifetimeMs;
    QCOMPARE(f.reg.expireNow(), 1);
    QVERIFY(f.reg.find(QStringLiteral("t1")));
    QCOMPARE(removed.size(), 1);
    f.reg.flushChanges();
    QCOMPARE(f.sent.last().gone, QStringList{QStringLiteral("t2")});
    QCOMPARE(f.reg.nextExpiry(), start + kTableLifetimeMs - 1 + kTableLifetimeMs);
    f.now = f.reg.nextExpiry();
    QCOMPARE(f.reg.expireNow(), 1);
    QCOMPARE(f.reg.size(), 0);
    f.reg.flushChanges();
    // Nothing listed: no timer of any kind waits.
    QVERIFY(!f.reg.expiryArmed());
    QVERIFY(!f.reg.flushPending());
    QCOMPARE(f.sent.last().gone, QStringList{QStringLiteral("t1")});
}

void TstTableRegistry::leavingTheRoomTakesTheTablesAlong() {
    Fixture f;
    QVERIFY(f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("a"))).ok);
    QVERIFY(f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("b"))).ok);
    QVERIFY(f.reg.announce(kBob, QStringLiteral("Bob"), tableEl(QStringLiteral("a"))).ok);
    QVERIFY(f.reg.announce(kBob, QStringLiteral("Bob (2)"), tableEl(QStringLiteral("c"))).ok);
    QCOMPARE(f.reg.removeOccupant(QStringLiteral("Ann")), 2);
    QCOMPARE(f.reg.size(), 2);
    // Ann's slots are free again once her tables went.
    QVERIFY(f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("x"))).ok);
    // The bot was away: only the occupants it finds on return keep their tables.
    QCOMPARE(f.reg.keepOnlyOccupants({QStringLiteral("Bob (2)")}), 2);
    QCOMPARE(f.reg.size(), 1);
    QCOMPARE(f.reg.fullList().tables[0].id, QStringLiteral("c"));
}

void TstTableRegistry::changesAreNumberedAndBatchedPerTurn() {
    qint64 now = 0;
    TableRegistry reg([&now] { return now; }, 1000);
    QSignalSpy spy(&reg, &TableRegistry::changed);
    for (const char* id : {"a", "b", "c"})
        QVERIFY(reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QString::fromLatin1(id))).ok);
    lobby::Element w = lobby::make(QStringLiteral("withdraw"));
    QVERIFY(reg.withdraw(kAnn, w.set(QStringLiteral("id"), QStringLiteral("b"))).ok);
    QVERIFY(reg.flushPending());
    QCoreApplication::processEvents(); // the turn ends
    QCOMPARE(spy.size(), 1);
    auto c = spy.takeFirst().at(0).value<lobby::Change>();
    QCOMPARE(c.seq, 1001u);
    QVERIFY(!c.full);
    QCOMPARE(c.tables.size(), 2);
    QCOMPARE(c.tables[0].key, QStringLiteral("t1"));
    QCOMPARE(c.tables[1].key, QStringLiteral("t3"));
    QCOMPARE(c.gone, QStringList{QStringLiteral("t2")});
    // A refresh that changes nothing is not news.
    QVERIFY(reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("a"))).ok);
    QVERIFY(!reg.flushPending());
    // Seats change, then the check's verdict: one message, the newest state.
    QVERIFY(
        reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("a"), kName, 7772, 3)).ok);
    reg.setReach(QStringLiteral("t1"), lobby::Reach::Unreachable, QString(500, u'r'));
    reg.setReach(QStringLiteral("t99"), lobby::Reach::Reachable);
    QCoreApplication::processEvents();
    QCOMPARE(spy.size(), 1);
    c = spy.takeFirst().at(0).value<lobby::Change>();
    QCOMPARE(c.seq, 1002u);
    QCOMPARE(c.tables.size(), 1);
    QCOMPARE(c.tables[0].seats, 3);
    QCOMPARE(c.tables[0].reason.size(), lobby::kMaxReason);
    QCOMPARE(reg.fullList().seq, 1002u);
}

void TstTableRegistry::reachSurvivesRefreshButNotAMove() {
    Fixture f;
    QSignalSpy checks(&f.reg, &TableRegistry::checkNeeded);
    QVERIFY(f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("a"))).ok);
    f.reg.setReach(QStringLiteral("t1"), lobby::Reach::Reachable);
    QVERIFY(
        f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("a"), kName, 7772, 2))
            .ok);
    QCOMPARE(f.reg.find(QStringLiteral("t1"))->reach, lobby::Reach::Reachable);
    QCOMPARE(checks.size(), 1);
    const Outcome moved =
        f.reg.announce(kAnn, QStringLiteral("Ann"), tableEl(QStringLiteral("a"), kName, 7773, 2));
    QVERIFY(moved.addressChanged);
    QCOMPARE(checks.size(), 2);
    QCOMPARE(f.reg.find(QStringLiteral("t1"))->reach, lobby::Reach::Checking);
}

QTEST_GUILESS_MAIN(TstTableRegistry)
#include "tst_tableregistry.moc"
