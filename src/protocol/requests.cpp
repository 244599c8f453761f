#include "protocol/requests.h"

#include "protocol/fields.h"
#include "protocol/wiretext.h"

namespace wire::req {

namespace {

bool isRecord(int r) {
    return r >= 1 && r <= kRecords;
}

// Cut to the name limit without splitting a surrogate pair.
QString cutName(QString name) {
    if (name.size() <= kMaxNameLength) return name;
    qsizetype n = kMaxNameLength;
    if (name.at(n - 1).isHighSurrogate()) --n;
    name.truncate(n);
    return name;
}

} // namespace

bool distinctDice(const QList<int>& dice) {
    std::array<bool, kDice + 1> seen{};
    for (int d : dice) {
        if (d < 1 || d > kDice || seen[d]) return false;
        seen[d] = true;
    }
    return true;
}

std::optional<LogIn> logininfo(const QString& body) {
    FieldReader r(body);
    LogIn in;
    in.seat = r.nextInt();
    in.version = r.next();
    in.name = cutName(singleLine(r.rest()));
    if (!isRecord(in.seat)) return std::nullopt;
    return in;
}

std::optional<SeatValue> kickhim(const QString& body) {
    FieldReader r(body);
    SeatValue v;
    v.seat = r.nextInt();
    v.value = r.nextInt();
    return v;
}

std::optional<SeatValue> botspeed(const QString& body) {
    std::optional<SeatValue> v = kickhim(body);
    if (v->value < kMinBotSpeedMs || v->value > kMaxBotSpeedMs) return std::nullopt;
    return v;
}

std::optional<BotSkill> botskill(const QString& body) {
    FieldReader r(body);
    BotSkill b;
    b.seat = r.nextInt();
    const QString skill = r.next();
    if (skill != QLatin1String("normal") && skill != QLatin1String("expert")) return std::nullopt;
    b.expert = skill == QLatin1String("expert");
    return b;
}

std::optional<JustWatch> justwatch(const QString& body) {
    FieldReader r(body);
    JustWatch w;
    w.seat = r.nextInt();
    const QString mode = r.next();
    w.mode = mode == QLatin1String("1") ? 1 : mode == QLatin1String("2") ? 2 : 0;
    if (w.mode == 0) return std::nullopt;
    return w;
}

std::optional<Line> line(const QString& body) {
    FieldReader r(body);
    Line l;
    l.seat = r.nextInt();
    l.rest = singleLine(r.rest());
    if (!isRecord(l.seat)) return std::nullopt;
    return l;
}

std::optional<StartGame> startgame(const QString& body) {
    FieldReader r(body);
    StartGame s;
    for (QString& f : s.fields)
        f = singleLine(r.next());
    return s;
}

std::optional<Roll> rollthedice(const QString& body) {
    Roll roll;
    if (!body.contains(QLatin1Char('+'))) {
        roll.seat = toInt(body);
        roll.allHeld = true;
        for (int d = 1; d <= kDice; ++d)
            roll.dice.append(d);
        return roll;
    }
    FieldReader r(body);
    roll.seat = r.nextInt();
    roll.dice = r.intList();
    if (roll.dice.isEmpty() || !distinctDice(roll.dice)) return std::nullopt;
    return roll;
}

std::optional<Dice> alldone(const QString& body) {
    FieldReader r(body);
    Dice d;
    d.seat = r.nextInt();
    if (r.atEnd()) return std::nullopt;
    d.dice = r.intList();
    if (!distinctDice(d.dice)) return std::nullopt;
    return d;
}

std::optional<Rejoin> rejoin(const QString& body) {
    FieldReader r(body);
    Rejoin j;
    j.record = r.nextInt();
    const QString token = r.rest();
    if (!isRecord(j.record) || token.isEmpty() || token.size() > 64) return std::nullopt;
    for (QChar c : token)
        if (!c.isDigit() && !(c >= QLatin1Char('a') && c <= QLatin1Char('f'))) return std::nullopt;
    j.token = token.toLatin1();
    return j;
}

} // namespace wire::req
