#include "lobbyproto/tables.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace lobby {
namespace {

// Length in characters as a person counts them, not in UTF-16 units.
qsizetype chars(const QString& s) {
    return s.toUcs4().size();
}

bool plainText(const QString& s) {
    for (QChar c : s) {
        const auto cat = c.category();
        if (cat == QChar::Other_Control || cat == QChar::Separator_Line ||
            cat == QChar::Separator_Paragraph || c == QChar(0xFFFE) || c == QChar(0xFFFF))
            return false;
    }
    return true;
}

// Every character of s is ASCII and in `allowed` (plus letters and digits when asked).
bool onlyOf(const QString& s, const char* allowed, bool alnum = false) {
    for (QChar c : s) {
        const ushort u = c.unicode();
        if (u > 127) return false;
        if (alnum && ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')))
            continue;
        if (!strchr(allowed, char(u))) return false;
    }
    return true;
}

bool isKey(const QString& s) {
    return !s.isEmpty() && s.size() <= kMaxTableId && onlyOf(s, "_-", true);
}

bool validIpv4(const QString& s) {
    if (s.size() > 15 || !onlyOf(s, "0123456789.")) return false;
    in_addr a;
    return inet_pton(AF_INET, s.toLatin1().constData(), &a) == 1;
}

bool validIpv6(const QString& s) {
    if (s.size() > 45 || !onlyOf(s, "0123456789abcdefABCDEF:.")) return false;
    in6_addr a;
    return inet_pton(AF_INET6, s.toLatin1().constData(), &a) == 1;
}

// A whole number in [lo, hi], written in plain decimal digits (no sign, no spaces).
std::optional<qint64> number(const QString& s, qint64 lo, qint64 hi) {
    if (s.isEmpty() || s.size() > 19 || !onlyOf(s, "0123456789")) return std::nullopt;
    bool ok = false;
    const qint64 v = s.toLongLong(&ok);
    if (!ok || v < lo || v > hi) return std::nullopt;
    return v;
}

bool fail(QString* why, const QString& text) {
    if (why) *why = text;
    return false;
}

bool isOurs(const Element& e, const char* name) {
    return e.name == QLatin1String(name) && e.ns == QLatin1String(kNs);
}

// The fields a host announces; shared by the announcement and the listed entry.
bool readAnnounced(const Element& e, Table& t, QString* why) {
    t.id = e.attr("id");
    if (!isKey(t.id)) return fail(why, "bad id");
    t.name = e.attr("name");
    if (t.name.trimmed().isEmpty() || chars(t.name) > kMaxTableName || !plainText(t.name))
        return fail(why, "bad name");
    t.ipv4 = e.attr("ipv4");
    if (!t.ipv4.isEmpty() && !validIpv4(t.ipv4)) return fail(why, "bad ipv4");
    t.ipv6 = e.attr("ipv6");
    if (!t.ipv6.isEmpty() && !validIpv6(t.ipv6)) return fail(why, "bad ipv6");
    if (t.ipv4.isEmpty() && t.ipv6.isEmpty()) return fail(why, "no address");
    const auto port = number(e.attr("port"), 1, 65535);
    if (!port) return fail(why, "bad port");
    t.port = quint16(*port);
    const auto seats = number(e.attr("seats"), 0, kSeats);
    if (!seats) return fail(why, "bad seats");
    t.seats = int(*seats);
    const auto spectators = number(e.attr("spectators"), 0, kSpectators);
    if (!spectators) return fail(why, "bad spectators");
    t.spectators = int(*spectators);
    const QString state = e.attr("state");
    if (state == QLatin1String("waiting"))
        t.state = TableState::Waiting;
    else if (state == QLatin1String("playing"))
        t.state = TableState::Playing;
    else
        return fail(why, "bad state");
    t.version = e.attr("version");
    if (t.version.isEmpty() || t.version.size() > kMaxVersion || !onlyOf(t.version, "0123456789."))
        return fail(why, "bad version");
    const QString server = e.attr("server");
    if (server.isEmpty() || server == QLatin1String("0"))
        t.serverTable = false;
    else if (server == QLatin1String("1"))
        t.serverTable = true;
    else
        return fail(why, "bad server");
    return true;
}

void writeAnnounced(Element& e, const Table& t) {
    e.set("id", t.id).set("name", t.name);
    if (!t.ipv4.isEmpty()) e.set("ipv4", t.ipv4);
    if (!t.ipv6.isEmpty()) e.set("ipv6", t.ipv6);
    e.set("port", QString::number(t.port))
        .set("seats", QString::number(t.seats))
        .set("spectators", QString::number(t.spectators))
        .set("state", stateName(t.state))
        .set("version", t.version)
        .set("server", t.serverTable ? "1" : "0");
}

} // namespace

Element announcement(const Table& t) {
    Element e = make("table", kNs);
    writeAnnounced(e, t);
    return e;
}

std::optional<Table> readAnnouncement(const Element& e, QString* why) {
    if (!isOurs(e, "table")) {
        fail(why, "not a table");
        return std::nullopt;
    }
    Table t;
    if (!readAnnounced(e, t, why)) return std::nullopt;
    return t;
}

Element listEntry(const Table& t) {
    Element e = make("table", kNs);
    e.set("key", t.key).set("host", t.host);
    writeAnnounced(e, t);
    e.set("reach", reachName(t.reach));
    if (t.reach == Reach::Unreachable && !t.reason.isEmpty()) e.set("reason", t.reason);
    return e;
}

std::optional<Table> readListEntry(const Element& e, QString* why) {
    Table t;
    if (!isOurs(e, "table")) {
        fail(why, "not a table");
        return std::nullopt;
    }
    if (!readAnnounced(e, t, why)) return std::nullopt;
    t.key = e.attr("key");
    if (!isKey(t.key)) {
        fail(why, "bad key");
        return std::nullopt;
    }
    t.host = e.attr("host");
    if (t.host.isEmpty() || chars(t.host) > kMaxNick || !plainText(t.host)) {
        fail(why, "bad host");
        return std::nullopt;
    }
    const QString reach = e.attr("reach");
    if (reach == QLatin1String("checking"))
        t.reach = Reach::Checking;
    else if (reach == QLatin1String("yes"))
        t.reach = Reach::Reachable;
    else if (reach == QLatin1String("no"))
        t.reach = Reach::Unreachable;
    else {
        fail(why, "bad reach");
        return std::nullopt;
    }
    t.reason = e.attr("reason");
    if (chars(t.reason) > kMaxReason || !plainText(t.reason)) {
        fail(why, "bad reason");
        return std::nullopt;
    }
    return t;
}

Element changeElement(const Change& c) {
    Element e = make("tables", kNs);
    e.set("seq", QString::number(c.seq));
    if (c.full) e.set("full", "1");
    for (const Table& t : c.tables)
        e.add(listEntry(t));
    for (const QString& key : c.gone)
        e.add(make("gone", kNs).set("key", key));
    return e;
}

std::optional<Change> readChange(const Element& e, QString* why) {
    if (!isOurs(e, "tables")) {
        fail(why, "not a table list");
        return std::nullopt;
    }
    Change c;
    const auto seq = number(e.attr("seq"), 0, std::numeric_limits<qint64>::max());
    if (!seq) {
        fail(why, "bad seq");
        return std::nullopt;
    }
    c.seq = quint64(*seq);
    const QString full = e.attr("full");
    if (full.isEmpty() || full == QLatin1String("0"))
        c.full = false;
    else if (full == QLatin1String("1"))
        c.full = true;
    else {
        fail(why, "bad full");
        return std::nullopt;
    }
    // The whole list is checked before any of it is used: one bad entry refuses it all.
    for (const Element& child : e.children) {
        if (isOurs(child, "table")) {
            auto t = readListEntry(child, why);
            if (!t) return std::nullopt;
            c.tables.append(*t);
        } else if (isOurs(child, "gone")) {
            const QString key = child.attr("key");
            if (!isKey(key)) {
                fail(why, "bad key");
                return std::nullopt;
            }
            c.gone.append(key);
        }
    }
    return c;
}

namespace {

std::optional<bool> flag(const QString& s) {
    if (s == QLatin1String("0")) return false;
    if (s == QLatin1String("1")) return true;
    return std::nullopt;
}

bool readResultSeat(const Element& e, ResultSeat& s, QString* why) {
    if (!isOurs(e, "seat")) return fail(why, "not a seat");
    const auto n = number(e.attr("n"), 1, kSeats);
    if (!n) return fail(why, "bad seat");
    s.seat = int(*n);
    s.name = e.attr("name");
    if (s.name.trimmed().isEmpty() || chars(s.name) > kMaxNick || !plainText(s.name))
        return fail(why, "bad name");
    const auto score = number(e.attr("score"), 0, kMaxScore);
    const auto turns = number(e.attr("turns"), 1, kMaxTurns);
    if (!score || !turns) return fail(why, "bad score");
    s.score = int(*score);
    s.turns = int(*turns);
    const auto computer = number(e.attr("computer"), 0, s.turns);
    if (!computer) return fail(why, "bad computer");
    s.computerTurns = int(*computer);
    const auto present = flag(e.attr("present"));
    const auto winner = flag(e.attr("winner"));
    if (!present || !winner) return fail(why, "bad flag");
    s.present = *present;
    s.winner = *winner;
    return true;
}

// A finished game's winners are the seats with the top score; an abandoned one has none.
bool winnersAgree(const Result& r) {
    int best = 0;
    for (const ResultSeat& s : r.seats)
        best = std::max(best, s.score);
    for (const ResultSeat& s : r.seats)
        if (s.winner != (r.finished && s.score == best)) return false;
    return true;
}

} // namespace

Element resultElement(const Result& r) {
    Element e = make("result", kNs);
    e.set("id", r.id)
        .set("end", r.finished ? "finished" : "abandoned")
        .set("rounds", QString::number(r.rounds));
    for (const ResultSeat& s : r.seats)
        e.add(make("seat", kNs)
                  .set("n", QString::number(s.seat))
                  .set("name", s.name)
                  .set("score", QString::number(s.score))
                  .set("turns", QString::number(s.turns))
                  .set("computer", QString::number(s.computerTurns))
                  .set("present", s.present ? "1" : "0")
                  .set("winner", s.winner ? "1" : "0"));
    return e;
}

std::optional<Result> readResult(const Element& e, QString* why) {
    Result r;
    if (!isOurs(e, "result")) {
        fail(why, "not a result");
        return std::nullopt;
    }
    r.id = e.attr("id");
    if (!isKey(r.id)) {
        fail(why, "bad id");
        return std::nullopt;
    }
    const QString end = e.attr("end");
    if (end != QLatin1String("finished") && end != QLatin1String("abandoned")) {
        fail(why, "bad end");
        return std::nullopt;
    }
    r.finished = end == QLatin1String("finished");
    const auto rounds = number(e.attr("rounds"), 0, kMaxRounds);
    if (!rounds) {
        fail(why, "bad rounds");
        return std::nullopt;
    }
    r.rounds = int(*rounds);
    if (e.children.isEmpty() || e.children.size() > kSeats) {
        fail(why, "bad seats");
        return std::nullopt;
    }
    for (const Element& child : e.children) {
        ResultSeat s;
        if (!readResultSeat(child, s, why)) return std::nullopt;
        if (!r.seats.isEmpty() && s.seat <= r.seats.last().seat) {
            fail(why, "bad seat order");
            return std::nullopt;
        }
        r.seats.append(s);
    }
    if (!winnersAgree(r)) {
        fail(why, "bad winners");
        return std::nullopt;
    }
    return r;
}

namespace {

// A whole number in [-limit, limit]: plain digits with an optional minus sign.
std::optional<qint64> signedNumber(const QString& s, qint64 limit) {
    if (s.startsWith(QLatin1Char('-'))) {
        const auto v = number(s.mid(1), 1, limit);
        return v ? std::optional<qint64>(-*v) : std::nullopt;
    }
    return number(s, 0, limit);
}

Element ratedList(const char* name, const QList<RatedPlayer>& players) {
    Element e = make(name, kNs);
    for (const RatedPlayer& p : players)
        e.add(make("player", kNs)
                  .set("name", p.name)
                  .set("rating", QString::number(p.rating))
                  .set("games", QString::number(p.games)));
    return e;
}

bool readRatedList(const Element& e, int most, QList<RatedPlayer>& out, QString* why) {
    if (e.children.size() > most) return fail(why, "too many players");
    for (const Element& c : e.children) {
        if (!isOurs(c, "player")) return fail(why, "not a player");
        RatedPlayer p;
        p.name = c.attr("name");
        if (p.name.trimmed().isEmpty() || chars(p.name) > kMaxNick || !plainText(p.name))
            return fail(why, "bad name");
        const auto rating = signedNumber(c.attr("rating"), kMaxRating);
        const auto games = number(c.attr("games"), 1, std::numeric_limits<int>::max());
        if (!rating || !games) return fail(why, "bad rating");
        p.rating = int(*rating);
        p.games = int(*games);
        out.append(p);
    }
    return true;
}

} // namespace

Element ratingsElement(const Ratings& r) {
    Element e = make("ratings", kNs);
    if (r.hasBest) e.add(ratedList("best", r.best));
    if (!r.online.isEmpty()) e.add(ratedList("online", r.online));
    return e;
}

std::optional<Ratings> readRatings(const Element& e, QString* why) {
    Ratings r;
    if (!isOurs(e, "ratings")) {
        fail(why, "not ratings");
        return std::nullopt;
    }
    bool online = false;
    for (const Element& part : e.children) {
        bool ok = false;
        if (isOurs(part, "best") && !r.hasBest) {
            r.hasBest = true;
            ok = readRatedList(part, kBestPlayers, r.best, why);
        } else if (isOurs(part, "online") && !online) {
            online = true;
            ok = readRatedList(part, kMaxRatedPlayers, r.online, why);
        } else {
            fail(why, "unknown part");
        }
        if (!ok) return std::nullopt;
    }
    return r;
}

QString roomJid(const QString& domain, const QString& protocolVersion) {
    return QStringLiteral("vimbrel-") + QString(protocolVersion).replace('.', '-') +
           QStringLiteral("@conference.") + domain;
}

QString botJid(const QString& domain) {
    return QStringLiteral("lobbybot@") + domain + "/bot";
}

QString guestDomain(const QString& domain) {
    return QStringLiteral("guest.") + domain;
}

QString stateName(TableState s) {
    return s == TableState::Playing ? QStringLiteral("playing") : QStringLiteral("waiting");
}

QString reachName(Reach r) {
    switch (r) {
    case Reach::Reachable:
        return QStringLiteral("yes");
    case Reach::Unreachable:
        return QStringLiteral("no");
    case Reach::Checking:
        break;
    }
    return QStringLiteral("checking");
}

} // namespace lobby
