// What the lobby knows and decides without windows: the table list kept from numbered
// changes, the ratings kept from the bot's answer and changes, who sits where, what the game is
// started with, and the lobby's settings.
#include "settings/inifile.h"
#include "zumveklobby/launchplan.h"
#include "zumveklobby/lobbyconfig.h"
#include "zumveklobby/ratingbook.h"
#include "zumveklobby/seating.h"
#include "zumveklobby/tablelist.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using zumvek::TableList;
using Outcome = zumvek::TableList::Outcome;

namespace {

lobby::Table table(const QString& key, const QString& name = {}) {
    lobby::Table t;
    t.key = key;
    t.id = QStringLiteral("main");
    t.name = name.isEmpty() ? key : name;
    t.host = QStringLiteral("Ann");
    t.ipv4 = QStringLiteral("198.51.100.7");
    t.port = 7772;
    return t;
}

lobby::Change change(quint64 seq, QList<lobby::Table> tables = {}, QStringList gone = {},
                     bool full = false) {
    lobby::Change c;
    c.seq = seq;
    c.full = full;
    c.tables = std::move(tables);
    c.gone = std::move(gone);
    return c;
}

QStringList keys(const TableList& list) {
    QStringList out;
    for (const lobby::Table& t : list.tables())
        out << t.key;
    return out;
}

lobby::Element presenceAt(const QString& key, const QString& as) {
    return lobby::make(QStringLiteral("presence"))
        .add(lobby::make(QStringLiteral("at"), QString::fromLatin1(lobby::kNs))
                 .set(QStringLiteral("key"), key)
                 .set(QStringLiteral("as"), as));
}

lobby::RatedPlayer rated(const QString& name, int rating, int games) {
    return lobby::RatedPlayer{name, rating, games};
}

// The bot's answer to a ratings request, as the client hands it over.
lobby::Element answer(const lobby::Ratings& r) {
    return lobby::make(QStringLiteral("iq"))
        .set(QStringLiteral("type"), QStringLiteral("result"))
        .add(lobby::ratingsElement(r));
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestLobbyModel : public QObject {
    Q_OBJECT
private slots:
    void changesApplyInOrderAndOldOnesAreIgnored() {
        TableList list;
        QCOMPARE(list.apply(change(5, {table("t1"), table("t2")}, {}, true)), Outcome::Applied);
        QCOMPARE(keys(list), (QStringList{"t1", "t2"}));
        QCOMPARE(list.apply(change(6, {table("t3")}, {"t1"})), Outcome::Applied);
        QCOMPARE(keys(list), (QStringList{"t2", "t3"}));
        // The same change again, and an older one, change nothing.
        QCOMPARE(list.apply(change(6, {table("t1")})), Outcome::Ignored);
        QCOMPARE(list.apply(change(4, {}, {"t2"})), Outcome::Ignored);
        QCOMPARE(keys(list), (QStringList{"t2", "t3"}));
        // A change replaces the whole entry of its key.
        lobby::Table renamed = table("t2", "Zed");
        renamed.seats = 3;
        QCOMPARE(list.apply(change(7, {renamed})), Outcome::Applied);
        QCOMPARE(list.find("t2")->name, QStringLiteral("Zed"));
        QCOMPARE(list.find("t2")->seats, 3);
        // A whole list older than what we have would take changes back.
        QCOMPARE(list.apply(change(6, {table("t9")}, {}, true)), Outcome::Ignored);
        QCOMPARE(list.seq(), quint64(7));
    }

    void replayedMessagesAreNeverApplied() {
        TableList list;
        list.apply(change(1, {table("t1")}, {}, true));
        // Replayed from the room's history: even the next number is not taken from it.
        QCOMPARE(list.apply(change(2, {}, {"t1"}), true), Outcome::Ignored);
        QCOMPARE(keys(list), QStringList{"t1"});
        QCOMPARE(list.apply(change(2, {table("t2")})), Outcome::Applied);
        QCOMPARE(keys(list), (QStringList{"t1", "t2"}));
    }

    void aGapAsksForTheWholeListAndCatchesUp() {
        TableList list;
        list.apply(change(10, {table("t1")}, {}, true));
        QCOMPARE(list.apply(change(12, {table("t3")})), Outcome::Refetch);
        QVERIFY(!list.current());
        // While the list is on its way, changes wait; the answer then takes them up.
        QCOMPARE(list.apply(change(13, {}, {"t1"})), Outcome::Ignored);
        QCOMPARE(list.apply(change(12, {table("t1"), table("t2"), table("t3")}, {}, true)),
                 Outcome::Applied);
        QVERIFY(list.current());
        QCOMPARE(keys(list), (QStringList{"t2", "t3"}));
        QCOMPARE(list.seq(), quint64(13));
        QCOMPARE(list.apply(change(14, {table("t4")})), Outcome::Applied);
    }

    void changesBeforeTheFirstListAreKeptForIt() {
        TableList list;
        QCOMPARE(list.apply(change(3, {table("t2")})), Outcome::Ignored);
        QCOMPARE(list.apply(change(2, {table("old")})), Outcome::Ignored);
        QCOMPARE(list.size(), 0);
        list.apply(change(2, {table("t1")}, {}, true));
        QCOMPARE(keys(list), (QStringList{"t1", "t2"}));
        QCOMPARE(list.seq(), quint64(3));
    }

    void whoSitsWhere() {
        using zumvek::seatOf;
        QCOMPARE(seatOf(presenceAt("t3", "player"))->key, QStringLiteral("t3"));
        QVERIFY(!seatOf(presenceAt("t3", "player"))->spectator);
        QVERIFY(seatOf(presenceAt("t3", "spectator"))->spectator);
        QVERIFY(!seatOf(presenceAt("t3", "owner")));
        QVERIFY(!seatOf(presenceAt("<b>t3</b>", "player")));
        QVERIFY(!seatOf(presenceAt(QString(17, u'a'), "player")));
        QVERIFY(!seatOf(lobby::make("presence")));
        // Our own payload reads back as it was meant.
        const auto own =
            seatOf(lobby::make("presence").add(zumvek::atPayload(zumvek::Seat{"t7", true})));
        QVERIFY(own && own->key == QLatin1String("t7") && own->spectator);

        QList<lobby::Element> room;
        for (int i = 0; i < 6; ++i)
            room << presenceAt("t3", "player");
        for (int i = 0; i < 7; ++i)
            room << presenceAt("t3", "spectator");
        room << presenceAt("t4", "player") << lobby::make("presence");
        const zumvek::SeatCount n = zumvek::countAt("t3", room);
        // Never more than a table holds, so the count can be announced as it is.
        QCOMPARE(n.players, 4);
        QCOMPARE(n.spectators, 5);
        QCOMPARE(zumvek::countAt("t4", room).players, 1);
        QCOMPARE(zumvek::countAt("t9", room).players, 0);
    }

    void launchParameters_data() {
        QTest::addColumn<QString>("ipv4");
        QTest::addColumn<QString>("ipv6");
        QTest::addColumn<int>("port");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("IPv4 on the game's port")
            << "198.51.100.7"
            << "2001:db8::7" << 7772 << QStringList{"Bob", "198.51.100.7", "join"};
        QTest::newRow("IPv4 on another port")
            << "198.51.100.7"
            << "" << 7800 << QStringList{"Bob", "198.51.100.7:7800", "join"};
        QTest::newRow("IPv6 only")
            << ""
            << "2001:db8::7" << 7772 << QStringList{"Bob", "[2001:db8::7]", "join"};
        QTest::newRow("IPv6 on another port")
            << ""
            << "2001:db8::7" << 7801 << QStringList{"Bob", "[2001:db8::7]:7801", "join"};
        QTest::newRow("no address") << ""
                                    << "" << 7772 << QStringList{};
    }
    void launchParameters() {
        QFETCH(QString, ipv4);
        QFETCH(QString, ipv6);
        QFETCH(int, port);
        QFETCH(QStringList, args);
        lobby::Table t = table("t1");
        t.ipv4 = ipv4;
        t.ipv6 = ipv6;
        t.port = quint16(port);
        QCOMPARE(zumvek::joinArguments("Bob", t), args);
        QCOMPARE(zumvek::hostArguments("Ann"), (QStringList{"Ann", "127.0.0.1", "true"}));
    }

    void gameProgramIsFoundBesideThenOnThePath() {
        QTemporaryDir own, path;
        const QByteArray savedPath = qgetenv("PATH");
        auto restore = qScopeGuard([&] { qputenv("PATH", savedPath); });
        qputenv("PATH", QFile::encodeName(path.path()));
        auto makeProgram = [](const QString& file) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\n");
            f.setPermissions(f.permissions() | QFile::ExeOwner);
        };
        QCOMPARE(zumvek::findGame({}, own.path()), QString());
        makeProgram(path.filePath("vimbrel"));
        QCOMPARE(zumvek::findGame({}, own.path()), path.filePath("vimbrel"));
        makeProgram(own.filePath("vimbrel"));
        QCOMPARE(zumvek::findGame({}, own.path()), own.filePath("vimbrel"));
        // A setting names the program, and one that is not there is not replaced by another.
        QCOMPARE(zumvek::findGame(path.filePath("vimbrel"), own.path()), path.filePath("vimbrel"));
        QCOMPARE(zumvek::findGame(path.filePath("missing"), own.path()), QString());
    }

    void settingsKeepTheGamesSectionAndNoPassword() {
        QTemporaryDir dir;
        const QString path = dir.filePath("zumveklobby.ini");
        // Nothing saved yet: the maker's lobby.
        QCOMPARE(zumvek::LobbyConfig::load(path).server, QStringLiteral("lobby.zumvek.com"));
        const QByteArray game = "[Vimbrel]\r\nTextsize=10\r\nPhrase1=Way = To Go!\r\n\r\n";
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(game + "[ZumvekLobby]\r\nServer=old.example\r\n");
        }
        zumvek::LobbyConfig c = zumvek::LobbyConfig::load(path);
        QCOMPARE(c.server, QStringLiteral("old.example"));
        c.server = QStringLiteral("lobby.localhost:5300");
        c.account = QStringLiteral("ann");
        c.guest = false;
        c.publicAddress = QStringLiteral("203.0.113.5:7800");
        c.geometry = QRect(10, 20, 800, 600);
        QVERIFY(c.save(path));
        const QByteArray bytes = fileBytes(path);
        QVERIFY2(bytes.startsWith(game), bytes.constData());
        QVERIFY(!bytes.toLower().contains("password"));
        const zumvek::LobbyConfig back = zumvek::LobbyConfig::load(path);
        QCOMPARE(back.server, c.server);
        QCOMPARE(back.account, c.account);
        QCOMPARE(back.publicAddress, c.publicAddress);
        QCOMPARE(back.geometry, c.geometry);
        IniFile ini(path);
        QVERIFY(ini.load());
        QCOMPARE(ini.readString("Vimbrel", "Phrase1"), QStringLiteral("Way = To Go!"));
    }

    void ratingsFromTheAnswerThenTheRoomsChanges() {
        zumvek::RatingBook book;
        lobby::Ratings whole;
        whole.hasBest = true;
        whole.best = {rated("ann", 31, 12), rated("bob", -2, 3)};
        whole.online = {rated("ann", 31, 12), rated("cy", 5, 1)};
        QVERIFY(book.takeAnswer(answer(whole)));
        QCOMPARE(book.best(), whole.best);
        QCOMPARE(*book.of("cy"), rated("cy", 5, 1));
        QVERIFY(!book.of("dora")); // in the room without a rated game

        // A change without `best` keeps it; an online entry replaces only its nick's.
        lobby::Ratings one;
        one.online = {rated("cy", 9, 2), rated("dora", 0, 1)};
        QVERIFY(book.takeChange(lobby::ratingsElement(one)));
        QCOMPARE(book.best(), whole.best);
        QCOMPARE(*book.of("cy"), rated("cy", 9, 2));
        QCOMPARE(*book.of("dora"), rated("dora", 0, 1));
        QCOMPARE(*book.of("ann"), rated("ann", 31, 12));
        // With `best`, the whole list is replaced.
        lobby::Ratings top;
        top.hasBest = true;
        top.best = {rated("cy", 40, 5), rated("ann", 31, 12)};
        top.online = {rated("cy", 40, 5)};
        QVERIFY(book.takeChange(lobby::ratingsElement(top)));
        QCOMPARE(book.best(), top.best);
        QCOMPARE(book.of("cy")->rating, 40);

        // What the reader refuses changes nothing at all, not even its good parts.
        lobby::Ratings tooMany = top;
        tooMany.best.clear();
        for (int i = 0; i <= lobby::kBestPlayers; ++i)
            tooMany.best << rated(QStringLiteral("p%1").arg(i), 100 - i, 1);
        lobby::Ratings control;
        control.online = {rated("ann", 99, 13), rated(QStringLiteral("e\nve"), 1, 1)};
        lobby::Ratings noGames;
        noGames.online = {rated("ann", 99, 0)};
        lobby::Ratings tooHigh;
        tooHigh.online = {rated("ann", lobby::kMaxRating + 1, 13)};
        for (const lobby::Ratings& bad : {tooMany, control, noGames, tooHigh}) {
            QVERIFY(!book.takeChange(lobby::ratingsElement(bad)));
            QCOMPARE(book.best(), top.best);
            QCOMPARE(*book.of("ann"), rated("ann", 31, 12));
        }
        QVERIFY(!book.takeChange(
            lobby::make(QStringLiteral("tables"), QString::fromLatin1(lobby::kNs))));

        // Who leaves the room takes their rating along; a newcomer by that nick has none.
        QVERIFY(book.forget("cy"));
        QVERIFY(!book.of("cy"));
        QVERIFY(!book.forget("cy"));
        QCOMPARE(book.best(), top.best);
        // An empty `best` empties the list.
        lobby::Ratings none;
        none.hasBest = true;
        QVERIFY(book.takeChange(lobby::ratingsElement(none)));
        QVERIFY(book.best().isEmpty());
    }

    void anAnswerThatIsNoRatingsLeavesNone() {
        lobby::Ratings whole;
        whole.hasBest = true;
        whole.best = {rated("ann", 31, 12)};
        whole.online = whole.best;
        const QString ns = QString::fromLatin1(lobby::kNs);
        // A bot that does not rate yet answers service-unavailable.
        lobby::Element error =
            lobby::make(QStringLiteral("iq")).set(QStringLiteral("type"), QStringLiteral("error"));
        error.add(lobby::make(QStringLiteral("ratings"), ns));
        error.add(lobby::make(QStringLiteral("error"))
                      .set(QStringLiteral("type"), QStringLiteral("cancel"))
                      .add(lobby::make(QStringLiteral("service-unavailable"),
                                       QStringLiteral("urn:ietf:params:xml:ns:xmpp-stanzas"))));
        lobby::Ratings bad = whole;
        bad.online = {rated(QString(30, u'x'), 1, 1)};
        const lobby::Element empty =
            lobby::make(QStringLiteral("iq")).set(QStringLiteral("type"), QStringLiteral("result"));
        for (const lobby::Element& reply : {error, answer(bad), empty}) {
            zumvek::RatingBook book;
            QVERIFY(book.takeAnswer(answer(whole)));
            QVERIFY(!book.takeAnswer(reply));
            QVERIFY(book.best().isEmpty());
            QVERIFY(!book.of("ann"));
        }
    }

    void serverAddresses() {
        QCOMPARE(zumvek::parseServer("lobby.zumvek.com")->domain,
                 QStringLiteral("lobby.zumvek.com"));
        QCOMPARE(zumvek::parseServer("lobby.localhost:5300")->port, quint16(5300));
        QCOMPARE(zumvek::parseServer(" lobby.localhost ")->port, quint16(0));
        for (const char* bad : {"", "lobby.localhost:0", "lobby.localhost:70000", "a b", "<b>x</b>",
                                "ann@lobby", "-lobby", "lobby.localhost:"})
            QVERIFY2(!zumvek::parseServer(QString::fromLatin1(bad)), bad);
    }
};

QTEST_GUILESS_MAIN(TestLobbyModel)
#include "tst_lobbymodel.moc"
