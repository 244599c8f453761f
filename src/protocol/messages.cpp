#include "protocol/messages.h"

#include "protocol/colourtext.h"
#include "protocol/commands.h"
#include "protocol/fields.h"
#include "protocol/wiretext.h"

#include <QVarLengthArray>

#include <charconv>
#include <cstring>

namespace wire {

QByteArray frame(const QString& text) {
    QByteArray bytes = encode(text);
    bytes.append(kTerminator);
    return bytes;
}

namespace {

// One message's bytes, built in place. The host sends thousands of messages made of
// digits and "+" signs; a QString per field and per QString::arg was most of the cost
// of a roll. Text fields are UTF-8 encoded as they are appended: every one of them
// sits between ASCII separators, so the bytes equal encoding the whole message.
class Builder {
public:
    explicit Builder(const char* command) {
        put(command);
        put('+');
    }
    Builder& number(int v) {
        char digits[12];
        const char* end = std::to_chars(digits, digits + sizeof digits, v).ptr;
        m_bytes.append(digits, end - digits);
        return *this;
    }
    // "+v"
    Builder& field(int v) { return put('+').number(v); }
    Builder& put(char c) {
        m_bytes.append(c);
        return *this;
    }
    Builder& put(const char* ascii) {
        m_bytes.append(ascii, qsizetype(std::strlen(ascii)));
        return *this;
    }
    Builder& put(const QString& text) {
        const QByteArray utf8 = encode(text);
        m_bytes.append(utf8.constData(), utf8.size());
        return *this;
    }
    // "+a+b" or "+none".
    Builder& list(const QList<int>& items) {
        if (items.isEmpty()) return put("+none");
        for (int i : items)
            field(i);
        return *this;
    }
    Builder& faces(const QList<DieFace>& dice) {
        for (const auto& d : dice)
            field(d.die).field(d.value).field(d.colour);
        return *this;
    }
    // The message with its terminator, in one allocation.
    QByteArray done() {
        m_bytes.append(kTerminator);
        return QByteArray(m_bytes.constData(), m_bytes.size());
    }

private:
    QVarLengthArray<char, 160> m_bytes; // most messages fit without touching the heap
};

} // namespace

namespace msg {

QByteArray logininfo(int seat, const QString& version, const QString& name) {
    return Builder(cmd::logininfo).number(seat).put('+').put(version).put('+').put(name).done();
}
QByteArray kickhim(int seat, int target) {
    return Builder(cmd::kickhim).number(seat).field(target).put('+').done();
}
QByteArray botspeed(int seat, int milliseconds) {
    return Builder(cmd::botspeed).number(seat).field(milliseconds).put('+').done();
}
QByteArray botskill(int seat, bool expert) {
    return Builder(cmd::botskill).number(seat).put(expert ? "+expert+" : "+normal+").done();
}
QByteArray chat(int seat, const QString& text, const QString& colourText) {
    return Builder(cmd::chat).number(seat).put('+').put(text).put('|').put(colourText).done();
}
QByteArray action(int seat, const QString& text, const QString& colourText) {
    return Builder(cmd::action).number(seat).put('+').put(text).put('|').put(colourText).done();
}
QByteArray startgame(const QString& name) {
    return Builder(cmd::startgame).put(name).put("+0+0+f+").done();
}
QByteArray justwatch(int seat, int mode) {
    return Builder(cmd::justwatch).number(seat).field(mode).done();
}
QByteArray rejoin(int record, const QByteArray& token) {
    return Builder(cmd::rejoin).number(record).put('+').put(QString::fromLatin1(token)).done();
}
QByteArray rollthedice(int seat, const QList<int>& dice) {
    Builder b(cmd::rollthedice);
    b.number(seat);
    for (int d : dice)
        b.field(d);
    return b.done();
}
QByteArray alldone(int seat, const QList<int>& dice) {
    return Builder(cmd::alldone).number(seat).list(dice).done();
}

QByteArray sendlogininfo(int record) {
    return Builder(cmd::sendlogininfo).number(record).done();
}
QByteArray full() {
    return Builder(cmd::full).done();
}
QByteArray newplayerinfo(int record, const QString& name) {
    return Builder(cmd::newplayerinfo).number(record).put('+').put(name).done();
}
QByteArray existingplayers(int record, const QString& name) {
    return Builder(cmd::existingplayers).number(record).put('+').put(name).done();
}
QByteArray havewrongversion(const QString& name) {
    return Builder(cmd::havewrongversion).put(name).done();
}
QByteArray wrongversion() {
    return Builder(cmd::wrongversion).done();
}

QByteArray loadstats(const LoadStats& s) {
    Builder b(cmd::loadstats);
    b.number(s.record).field(s.currentSeat).field(s.phase).field(s.round).field(s.rolls);
    for (int sc : s.scores)
        b.field(sc);
    if (s.dice.isEmpty()) return b.put("+none").done();
    return b.faces(s.dice).done();
}
QByteArray loadpscores(int record, const QList<ScoreCell>& cells) {
    Builder b(cmd::loadpscores);
    b.number(record);
    for (const auto& c : cells)
        b.field(c.seat).field(c.column).field(c.points);
    return b.done();
}
QByteArray playerdisconnected(int record, const QString& name) {
    return Builder(cmd::playerdisconnected).number(record).put('+').put(name).done();
}
QByteArray removed(int record, const QString& name) {
    return Builder(cmd::removed).number(record).put('+').put(name).done();
}
QByteArray justwatching(int seat, int mode) {
    return Builder(cmd::justwatching).number(seat).field(mode).done();
}
QByteArray chatRelay(const QString& name, const QString& rest) {
    return Builder(cmd::chat).put(name).put(" chats: ").put(rest).done();
}
QByteArray actionRelay(const QString& name, const QString& rest) {
    return Builder(cmd::action).put(name).put(' ').put(rest).done();
}
QByteArray startgameRelay(const std::array<QString, 4>& f) {
    Builder b(cmd::startgame);
    for (const QString& field : f)
        b.put(field).put('+');
    return b.done();
}
QByteArray nextplayer(int seat, int phase, int round) {
    return Builder(cmd::nextplayer).number(seat).field(phase).field(round).put('+').done();
}
QByteArray createdice(int seat, int rolls, const QList<DieFace>& dice) {
    return Builder(cmd::createdice).number(seat).field(rolls).faces(dice).done();
}
QByteArray scores(int seat, int phaseDone, int total, int points, int bonus, const QString& marker,
                  const QList<int>& used) {
    Builder b(cmd::scores);
    b.number(seat).field(phaseDone).field(total).field(points).field(bonus).put('+');
    return b.put(marker).list(used).done();
}
QByteArray noscore(int seat, const QList<int>& held) {
    return Builder(cmd::noscore).number(seat).list(held).done();
}
QByteArray markoff(int seat, int phase) {
    return Builder(cmd::markoff).number(seat).field(phase).put('+').done();
}
QByteArray seattoken(const QByteArray& token) {
    return Builder(cmd::seattoken).put(QString::fromLatin1(token)).done();
}
QByteArray seatheld(int seat, const QString& name) {
    return Builder(cmd::seatheld).number(seat).put('+').put(name).done();
}
QByteArray rejoined(int seat) {
    return Builder(cmd::rejoined).number(seat).done();
}
QByteArray hostpowers() {
    return Builder(cmd::hostpowers).done();
}
QByteArray hostNotice(const QString& line) {
    return Builder(cmd::chat).put(line).put("|clBlue").done();
}
QByteArray winner(const QString& names) {
    return Builder(cmd::winner).put(names).put('+').done();
}

} // namespace msg

namespace read {
namespace {

QList<DieFace> faces(FieldReader& r) {
    QList<DieFace> out;
    if (r.atEnd()) return out;
    const QList<int> items = r.intList();
    for (qsizetype i = 0; i + 2 < items.size(); i += 3)
        out.append({items[i], items[i + 1], items[i + 2]});
    return out;
}

} // namespace

SeatValue justwatching(const QString& body) {
    FieldReader r(body);
    SeatValue v;
    v.seat = r.nextInt();
    const QString mode = r.next();
    v.value = mode == QLatin1String("1") ? 1 : mode == QLatin1String("2") ? 2 : 0;
    return v;
}

std::array<QString, 4> startgame(const QString& body) {
    FieldReader r(body);
    return {r.next(), r.next(), r.next(), r.next()};
}

Record recordName(const QString& body) {
    FieldReader r(body);
    Record rec;
    rec.record = r.nextInt();
    rec.name = r.rest();
    return rec;
}

msg::LoadStats loadstats(const QString& body) {
    FieldReader r(body);
    msg::LoadStats s;
    s.record = r.nextInt();
    s.currentSeat = r.nextInt();
    s.phase = r.nextInt();
    s.round = r.nextInt();
    s.rolls = r.nextInt();
    for (int& sc : s.scores)
        sc = r.nextInt();
    s.dice = faces(r);
    return s;
}

PScores loadpscores(const QString& body) {
    FieldReader r(body);
    PScores p;
    p.record = r.nextInt();
    const QList<int> items = r.intList();
    for (qsizetype i = 0; i + 2 < items.size(); i += 3)
        p.cells.append({items[i], items[i + 1], items[i + 2]});
    return p;
}

NextPlayer nextplayer(const QString& body) {
    FieldReader r(body);
    NextPlayer np;
    np.seat = r.nextInt();
    np.phase = r.nextInt();
    np.round = r.next();
    return np;
}

CreateDice createdice(const QString& body) {
    FieldReader r(body);
    CreateDice c;
    c.seat = r.nextInt();
    c.rolls = r.nextInt();
    c.dice = faces(r);
    return c;
}

Scores scores(const QString& body) {
    FieldReader r(body);
    Scores s;
    s.seat = r.nextInt();
    s.phase = r.nextInt();
    s.total = r.nextInt();
    s.points = r.nextInt();
    s.bonus = r.nextInt();
    s.marker = r.next();
    s.used = r.intList();
    return s;
}

NoScore noscore(const QString& body) {
    FieldReader r(body);
    NoScore ns;
    ns.seat = r.nextInt();
    ns.held = r.intList();
    return ns;
}

MarkOff markoff(const QString& body) {
    FieldReader r(body);
    MarkOff m;
    m.seat = r.nextInt();
    m.phase = r.nextInt();
    return m;
}

QString winner(const QString& body) {
    FieldReader r(body);
    return r.next();
}

ChatLine chatLine(const QString& body) {
    const qsizetype bar = body.indexOf(QLatin1Char('|'));
    if (bar < 0) return {body, kRed};
    const auto colour = colourFromText(body.mid(bar + 1));
    return {body.left(bar), colour ? *colour : kRed};
}

} // namespace read
} // namespace wire
