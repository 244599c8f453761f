// The table codec: what goes out comes back unchanged, and every field a stranger sends is
// held to its limit before anything uses it.
#include "lobbyproto/tables.h"

#include <QTest>

using namespace lobby;

namespace {

Table sample() {
    Table t;
    t.id = "main";
    t.name = "Ann's table";
    t.ipv4 = "198.51.100.7";
    t.ipv6 = "2001:db8::7";
    t.port = 7772;
    t.seats = 1;
    t.spectators = 0;
    t.state = TableState::Waiting;
    t.version = "1.0.7";
    return t;
}

Table listed() {
    Table t = sample();
    t.key = "t3";
    t.host = "Ann";
    t.reach = Reach::Unreachable;
    t.reason = "no answer from 198.51.100.7:7772";
    return t;
}

Result sampleResult() {
    Result r;
    r.id = "main";
    r.finished = true;
    r.rounds = 14;
    r.seats = {{1, "Ann", 230, 14, 0, true, true},
               {2, "Klot", 230, 14, 14, false, true},
               {4, "<b>Bo</b>", 180, 13, 3, false, false}};
    return r;
}

} // namespace

class TstLobbyProto : public QObject {
    Q_OBJECT
private slots:
    void elementBasics();
    void announcementRoundTrip();
    void listEntryAndChangeRoundTrip();
    void badFieldsRefused_data();
    void badFieldsRefused();
    void markupInNamesStaysText();
    void changeWithOneBadEntryIsRefusedWhole();
    void names();
    void resultRoundTrip();
    void resultRefusedWhole();
    void hostileResultsRefused_data();
    void hostileResultsRefused();
    void ratingsRoundTripAndLimits();
};

void TstLobbyProto::elementBasics() {
    Element e = make("iq").set("type", "get").set("type", "set");
    QCOMPARE(e.attrs.size(), 1);
    QCOMPARE(e.attr("type"), QString("set"));
    QVERIFY(!e.hasAttr("id"));
    QCOMPARE(e.attr("id"), QString());
    e.add(make("table", kNs)).add(Element{}); // an empty payload adds nothing
    QCOMPARE(e.children.size(), 1);
    QVERIFY(e.child("table", kNs));
    QVERIFY(e.child("table"));
    QVERIFY(!e.child("table", "urn:other"));
    Element p = make("tables", kNs);
    p.add(make("gone"));
    QCOMPARE(p.children[0].ns, QString(kNs)); // children inherit the namespace
}

void TstLobbyProto::announcementRoundTrip() {
    Table t = sample();
    t.serverTable = true;
    t.state = TableState::Playing;
    t.ipv6.clear();
    const Element e = announcement(t);
    QCOMPARE(e.name, QString("table"));
    QCOMPARE(e.ns, QString(kNs));
    QVERIFY(!e.hasAttr("ipv6"));
    QCOMPARE(e.attr("server"), QString("1"));
    QString why;
    const auto back = readAnnouncement(e, &why);
    QVERIFY2(back, qPrintable(why));
    QCOMPARE(back->id, t.id);
    QCOMPARE(back->name, t.name);
    QCOMPARE(back->ipv4, t.ipv4);
    QCOMPARE(back->ipv6, QString());
    QCOMPARE(back->port, t.port);
    QCOMPARE(back->seats, 1);
    QCOMPARE(back->state, TableState::Playing);
    QCOMPARE(back->version, t.version);
    QVERIFY(back->serverTable);
    // An announcement carries no list fields, even if the sender adds them.
    Element forged = e;
    forged.set("key", "t1").set("host", "Bob").set("reach", "yes");
    const auto f = readAnnouncement(forged);
    QVERIFY(f);
    QVERIFY(f->key.isEmpty() && f->host.isEmpty());
    QCOMPARE(f->reach, Reach::Checking);
}

void TstLobbyProto::listEntryAndChangeRoundTrip() {
    Change c;
    c.seq = 42;
    Table a = listed();
    Table b = sample();
    b.key = "t4";
    b.host = "Bob";
    b.reach = Reach::Reachable;
    b.ipv4.clear();
    c.tables = {a, b};
    c.gone = {"t1", "t2"};
    const Element e = changeElement(c);
    QCOMPARE(e.attr("seq"), QString("42"));
    QVERIFY(!e.hasAttr("full"));
    QString why;
    const auto back = readChange(e, &why);
    QVERIFY2(back, qPrintable(why));
    QCOMPARE(back->seq, quint64(42));
    QVERIFY(!back->full);
    QCOMPARE(back->tables.size(), 2);
    QCOMPARE(back->tables[0].key, QString("t3"));
    QCOMPARE(back->tables[0].host, QString("Ann"));
    QCOMPARE(back->tables[0].reach, Reach::Unreachable);
    QCOMPARE(back->tables[0].reason, a.reason);
    QCOMPARE(back->tables[1].reach, Reach::Reachable);
    QCOMPARE(back->tables[1].ipv6, QString("2001:db8::7"));
    QCOMPARE(back->gone, QStringList({"t1", "t2"}));

    c.full = true;
    c.seq = 18446744073709551ULL;
    const auto whole = readChange(changeElement(c));
    QVERIFY(whole && whole->full);
    QCOMPARE(whole->seq, c.seq);
}

void TstLobbyProto::badFieldsRefused_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const QString big(100000, 'x');
    QTest::newRow("id empty") << "id"
                              << "";
    QTest::newRow("id too long") << "id" << QString(17, 'a');
    QTest::newRow("id with slash") << "id"
                                   << "a/b";
    QTest::newRow("id not ascii") << "id" << QString::fromUtf8("t\u00e4b");
    QTest::newRow("name empty") << "name"
                                << "";
    QTest::newRow("name blank") << "name"
                                << "   ";
    QTest::newRow("name 33 chars") << "name" << QString(33, 'n');
    QTest::newRow("name huge") << "name" << big;
    QTest::newRow("name newline") << "name"
                                  << "a\nb";
    QTest::newRow("name escape") << "name"
                                 << "a\x1b[31mb";
    QTest::newRow("name nul") << "name" << QString("a") + QChar(0) + "b";
    QTest::newRow("name C1 control") << "name" << QString("a") + QChar(0x85);
    QTest::newRow("name line separator") << "name" << QString("a") + QChar(0x2028);
    QTest::newRow("ipv4 5 parts") << "ipv4"
                                  << "1.2.3.4.5";
    QTest::newRow("ipv4 256") << "ipv4"
                              << "1.2.3.256";
    QTest::newRow("ipv4 leading zero") << "ipv4"
                                       << "01.2.3.4";
    QTest::newRow("ipv4 name") << "ipv4"
                               << "example.org";
    QTest::newRow("ipv4 with port") << "ipv4"
                                    << "1.2.3.4:7772";
    QTest::newRow("ipv4 huge") << "ipv4" << big;
    QTest::newRow("ipv6 brackets") << "ipv6"
                                   << "[2001:db8::7]";
    QTest::newRow("ipv6 zone") << "ipv6"
                               << "fe80::1%eth0";
    QTest::newRow("ipv6 two gaps") << "ipv6"
                                   << "2001::db8::7";
    QTest::newRow("ipv6 huge") << "ipv6" << big;
    QTest::newRow("port 0") << "port"
                            << "0";
    QTest::newRow("port 65536") << "port"
                                << "65536";
    QTest::newRow("port negative") << "port"
                                   << "-1";
    QTest::newRow("port plus") << "port"
                               << "+80";
    QTest::newRow("port spaces") << "port"
                                 << " 80";
    QTest::newRow("port hex") << "port"
                              << "0x50";
    QTest::newRow("port huge") << "port"
                               << "99999999999999999999999";
    QTest::newRow("seats 5") << "seats"
                             << "5";
    QTest::newRow("seats empty") << "seats"
                                 << "";
    QTest::newRow("spectators 6") << "spectators"
                                  << "6";
    QTest::newRow("state other") << "state"
                                 << "open";
    QTest::newRow("state case") << "state"
                                << "Waiting";
    QTest::newRow("version letters") << "version"
                                     << "1.0.7b";
    QTest::newRow("version long") << "version" << QString(17, '1');
    QTest::newRow("version empty") << "version"
                                   << "";
    QTest::newRow("server 2") << "server"
                              << "2";
}

void TstLobbyProto::badFieldsRefused() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    Element e = announcement(sample());
    e.set(key, value);
    QString why;
    QVERIFY(!readAnnouncement(e, &why));
    QVERIFY(!why.isEmpty());
    // The same field in a listed entry is refused as well.
    Element l = listEntry(listed());
    l.set(key, value);
    QVERIFY(!readListEntry(l));
}

void TstLobbyProto::markupInNamesStaysText() {
    Table t = sample();
    t.name = "<b>Ann</b> & \"co\"";
    const auto back = readAnnouncement(announcement(t));
    QVERIFY(back);
    QCOMPARE(back->name, t.name); // kept as typed, never interpreted
    // 32 characters count as people see them, not in UTF-16 units.
    t.name = QString::fromUcs4(std::u32string(32, U'\U0001F3B2').c_str(), 32);
    QCOMPARE(t.name.size(), 64);
    QVERIFY(readAnnouncement(announcement(t)));

    // Listed entries: the host's nick and the reason have their own limits.
    Table l = listed();
    l.host = QString(kMaxNick + 1, 'h');
    QVERIFY(!readListEntry(listEntry(l)));
    l = listed();
    l.reason = QString(kMaxReason + 1, 'r');
    QVERIFY(!readListEntry(listEntry(l)));
    l = listed();
    Element e = listEntry(l);
    e.set("reach", "maybe");
    QVERIFY(!readListEntry(e));
    e = listEntry(l);
    e.set("key", "t 1");
    QVERIFY(!readListEntry(e));

    // A table needs at least one address, and the right element.
    t = sample();
    t.ipv4.clear();
    t.ipv6.clear();
    QVERIFY(!readAnnouncement(announcement(t)));
    Element other = announcement(sample());
    other.ns = "urn:other";
    QVERIFY(!readAnnouncement(other));
    other = announcement(sample());
    other.name = "withdraw";
    QVERIFY(!readAnnouncement(other));
}

void TstLobbyProto::changeWithOneBadEntryIsRefusedWhole() {
    Change c;
    c.seq = 7;
    c.tables = {listed(), listed()};
    Element e = changeElement(c);
    e.children[1].set("port", "70000");
    QString why;
    QVERIFY(!readChange(e, &why));
    QCOMPARE(why, QString("bad port"));

    e = changeElement(c);
    e.add(make("gone", kNs).set("key", "<x/>"));
    QVERIFY(!readChange(e));
    e = changeElement(c);
    e.set("seq", "-1");
    QVERIFY(!readChange(e));
    e.set("seq", "99999999999999999999999");
    QVERIFY(!readChange(e));
    e = changeElement(c);
    e.set("full", "yes");
    QVERIFY(!readChange(e));
    // Children it does not know are left alone: a later version may add some.
    e = changeElement(c);
    e.add(make("note", kNs).set("text", "hello"));
    const auto ok = readChange(e);
    QVERIFY(ok);
    QCOMPARE(ok->tables.size(), 2);
}

void TstLobbyProto::names() {
    QCOMPARE(roomJid("lobby.example", "1.0.7"), QString("vimbrel-1-0-7@conference.lobby.example"));
    QCOMPARE(botJid("lobby.example"), QString("lobbybot@lobby.example/bot"));
    QCOMPARE(guestDomain("lobby.example"), QString("guest.lobby.example"));
    QCOMPARE(stateName(TableState::Waiting), QString("waiting"));
    QCOMPARE(stateName(TableState::Playing), QString("playing"));
    QCOMPARE(reachName(Reach::Checking), QString("checking"));
    QCOMPARE(reachName(Reach::Reachable), QString("yes"));
    QCOMPARE(reachName(Reach::Unreachable), QString("no"));
}

void TstLobbyProto::resultRoundTrip() {
    const Result r = sampleResult();
    const Element e = resultElement(r);
    QCOMPARE(e.name, QString("result"));
    QCOMPARE(e.ns, QString(kNs));
    QCOMPARE(e.attrs, (QList<QPair<QString, QString>>{
                          {"id", "main"}, {"end", "finished"}, {"rounds", "14"}}));
    QCOMPARE(e.children.size(), 3);
    QCOMPARE(e.children[2].ns, QString(kNs));
    QCOMPARE(e.children[2].attrs, (QList<QPair<QString, QString>>{{"n", "4"},
                                                                  {"name", "<b>Bo</b>"},
                                                                  {"score", "180"},
                                                                  {"turns", "13"},
                                                                  {"computer", "3"},
                                                                  {"present", "0"},
                                                                  {"winner", "0"}}));
    QString why;
    const auto back = readResult(e, &why);
    QVERIFY2(back, qPrintable(why));
    QCOMPARE(*back, r); // the markup in a name is kept as text

    Result abandoned = r;
    abandoned.finished = false;
    for (ResultSeat& s : abandoned.seats)
        s.winner = false;
    QCOMPARE(resultElement(abandoned).attr("end"), QString("abandoned"));
    QCOMPARE(readResult(resultElement(abandoned)), abandoned);
}

// Refusals of the whole: no seats, too many, something else inside, a winner in an
// abandoned game, the wrong element.
void TstLobbyProto::resultRefusedWhole() {
    Element e = resultElement(sampleResult());
    e.children.clear();
    QVERIFY(!readResult(e));
    e = resultElement(sampleResult());
    for (int s = 0; s < 2; ++s)
        e.children.append(e.children.first());
    QVERIFY(!readResult(e));
    e = resultElement(sampleResult());
    e.children.append(make("table", kNs));
    QVERIFY(!readResult(e));
    e = resultElement(sampleResult());
    e.set("end", "abandoned");
    QVERIFY(!readResult(e));
    e = resultElement(sampleResult());
    e.ns = "urn:other";
    QVERIFY(!readResult(e));
    e = announcement(sample());
    QVERIFY(!readResult(e));
}

void TstLobbyProto::hostileResultsRefused_data() {
    QTest::addColumn<int>("seat"); // -1: the result element itself
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const QString big(100000, '9');
    QTest::newRow("id with space") << -1 << "id"
                                   << "a b";
    QTest::newRow("end unknown") << -1 << "end"
                                 << "won";
    QTest::newRow("rounds negative") << -1 << "rounds"
                                     << "-1";
    QTest::newRow("rounds huge") << -1 << "rounds" << big;
    QTest::newRow("seat 0") << 0 << "n"
                            << "0";
    QTest::newRow("seat 5") << 0 << "n"
                            << "5";
    QTest::newRow("seat twice") << 1 << "n"
                                << "1";
    QTest::newRow("seats out of order") << 2 << "n"
                                        << "1";
    QTest::newRow("name empty") << 0 << "name"
                                << "";
    QTest::newRow("name too long") << 0 << "name" << QString(kMaxNick + 1, 'n');
    QTest::newRow("name with newline") << 0 << "name"
                                       << "A\nB";
    QTest::newRow("score with sign") << 0 << "score"
                                     << "+5";
    QTest::newRow("score too high") << 0 << "score" << QString::number(kMaxScore + 1);
    QTest::newRow("no turns") << 0 << "turns"
                              << "0";
    QTest::newRow("computer beyond turns") << 0 << "computer"
                                           << "15";
    QTest::newRow("present yes") << 0 << "present"
                                 << "yes";
    QTest::newRow("loser marked winner") << 2 << "winner"
                                         << "1";
    QTest::newRow("winner unmarked") << 1 << "winner"
                                     << "0";
}

void TstLobbyProto::hostileResultsRefused() {
    QFETCH(int, seat);
    QFETCH(QString, key);
    QFETCH(QString, value);
    Element e = resultElement(sampleResult());
    Element& target = seat < 0 ? e : e.children[seat];
    target.set(key, value);
    QString why;
    QVERIFY(!readResult(e, &why));
    QVERIFY(!why.isEmpty());
}

// Ratings: both parts survive the trip, a negative rating included; a push without
// `best` says so; one bad entry, a part twice or too long a best list refuses it whole.
void TstLobbyProto::ratingsRoundTripAndLimits() {
    Ratings r;
    r.hasBest = true;
    r.best = {{"ann", 31, 12}, {"<b>bob</b>", -4, 1}};
    r.online = {{"Ann", 31, 12}};
    QCOMPARE(readRatings(ratingsElement(r)), r);

    Ratings push;
    push.online = {{"Cid", 0, 2}};
    const auto back = readRatings(ratingsElement(push));
    QVERIFY(back && !back->hasBest && back->online == push.online);

    Ratings empty;
    empty.hasBest = true;
    QCOMPARE(readRatings(ratingsElement(empty)), empty);

    const auto refused = [](Element e) {
        QString why;
        return !readRatings(e, &why) && !why.isEmpty();
    };
    for (const auto& [key, value] :
         {std::pair<const char*, const char*>{"rating", "--3"}, {"rating", "1000001"}, {"rating", "+3"}, {"games", "0"},
          {"games", "x"}, {"name", ""}, {"name", "a\nb"}, {"name", "xxxxxxxxxxxxxxxxxxxxxxxxx"}}) {
        Element e = ratingsElement(r);
        e.children[0].children[1].set(key, value);
        QVERIFY2(refused(e), key);
    }
    Element twice = ratingsElement(r);
    twice.add(twice.children[1]);
    QVERIFY(refused(twice));
    Element stranger = ratingsElement(r);
    stranger.children[1].add(make("table", kNs));
    QVERIFY(refused(stranger));
    Ratings many;
    many.hasBest = true;
    for (int i = 0; i <= kBestPlayers; ++i)
        many.best.append({QString::number(i), i, 1});
    QVERIFY(refused(ratingsElement(many)));
    many.best.removeLast();
    QVERIFY(readRatings(ratingsElement(many)));
}

QTEST_GUILESS_MAIN(TstLobbyProto)
#include "tst_lobbyproto.moc"
