#include "protocol/messages.h"

#include "protocol/colourtext.h"
#include "protocol/commands.h"
#include "protocol/fields.h"
#include "protocol/wiretext.h"

namespace wire {

QByteArray frame(const QString& text) {
    QByteArray bytes = encode(text);
    bytes.append(kTerminator);
    return bytes;
}

namespace {

QString n(int v) { return QString::number(v); }

// A command name and the "+" every message has after it.
QString head(const char* command) { return QString::fromLatin1(command) + QLatin1Char('+'); }

// "+a+b" or "+none".
QString listText(const QList<int>& items) {
    if (items.isEmpty()) return QStringLiteral("+none");
    QString s;
    for (int i : items) s += QLatin1Char('+') + n(i);
    return s;
}

QString facesText(const QList<DieFace>& dice) {
    QString s;
    for (const auto& d : dice) s += QStringLiteral("+%1+%2+%3").arg(d.die).arg(d.value).arg(d.colour);
    return s;
}


} // namespace

namespace msg {

QByteArray logininfo(int seat, const QString& version, const QString& name) {
    return frame(head(cmd::logininfo) + n(seat) + '+' + version + '+' + name);
}
QByteArray kickhim(int seat, int target) {
    return frame(head(cmd::kickhim) + n(seat) + '+' + n(target) + '+');
}
QByteArray botspeed(int seat, int milliseconds) {
    return frame(head(cmd::botspeed) + n(seat) + '+' + n(milliseconds) + '+');
}
QByteArray botskill(int seat, bool expert) {
    return frame(head(cmd::botskill) + n(seat) + '+' + QLatin1String(expert ? "expert" : "normal") + '+');
}
QByteArray chat(int seat, const QString& text, const QString& colourText) {
    return frame(head(cmd::chat) + n(seat) + '+' + text + '|' + colourText);
}
QByteArray action(int seat, const QString& text, const QString& colourText) {
    return frame(head(cmd::action) + n(seat) + '+' + text + '|' + colourText);
}
QByteArray startgame(const QString& name) {
    return frame(head(cmd::startgame) + name + QStringLiteral("+0+0+f+"));
}
QByteArray justwatch(int seat, int mode) {
    return frame(head(cmd::justwatch) + n(seat) + '+' + n(mode));
}
QByteArray rejoin(int record, const QByteArray& token) {
    return frame(head(cmd::rejoin) + n(record) + '+' + QString::fromLatin1(token));
}
QByteArray rollthedice(int seat, const QList<int>& dice) {
    QString s = head(cmd::rollthedice) + n(seat);
    for (int d : dice) s += '+' + n(d);
    return frame(s);
}
QByteArray alldone(int seat, const QList<int>& dice) {
    return frame(head(cmd::alldone) + n(seat) + listText(dice));
}

QByteArray sendlogininfo(int record) { return frame(head(cmd::sendlogininfo) + n(record)); }
QByteArray full() { return frame(head(cmd::full)); }
QByteArray newplayerinfo(int record, const QString& name) {
    return frame(head(cmd::newplayerinfo) + n(record) + '+' + name);
}
QByteArray existingplayers(int record, const QString& name) {
    return frame(head(cmd::existingplayers) + n(record) + '+' + name);
}
QByteArray havewrongversion(const QString& name) {
    return frame(head(cmd::havewrongversion) + name);
}
QByteArray wrongversion() { return frame(head(cmd::wrongversion)); }

QByteArray loadstats(const LoadStats& s) {
    QString t = (head(cmd::loadstats) + QStringLiteral("%1+%2+%3+%4+%5"))
                    .arg(s.record).arg(s.currentSeat).arg(s.phase).arg(s.round).arg(s.rolls);
    for (int sc : s.scores) t += '+' + n(sc);
    t += s.dice.isEmpty() ? QStringLiteral("+none") : facesText(s.dice);
    return frame(t);
}
QByteArray loadpscores(int record, const QList<ScoreCell>& cells) {
    QString t = head(cmd::loadpscores) + n(record);
    for (const auto& c : cells) t += QStringLiteral("+%1+%2+%3").arg(c.seat).arg(c.column).arg(c.points);
    return frame(t);
}
QByteArray playerdisconnected(int record, const QString& name) {
    return frame(head(cmd::playerdisconnected) + n(record) + '+' + name);
}
QByteArray justwatching(int seat, int mode) {
    return frame(head(cmd::justwatching) + n(seat) + '+' + n(mode));
}
QByteArray chatRelay(const QString& name, const QString& rest) {
    return frame(head(cmd::chat) + name + QStringLiteral(" chats: ") + rest);
}
QByteArray actionRelay(const QString& name, const QString& rest) {
    return frame(head(cmd::action) + name + ' ' + rest);
}
QByteArray startgameRelay(const std::array<QString, 4>& f) {
    return frame(head(cmd::startgame) + f[0] + '+' + f[1] + '+' + f[2] + '+' + f[3] + '+');
}
QByteArray nextplayer(int seat, int phase, int round) {
    return frame((head(cmd::nextplayer) + QStringLiteral("%1+%2+%3+")).arg(seat).arg(phase).arg(round));
}
QByteArray createdice(int seat, int rolls, const QList<DieFace>& dice) {
    return frame((head(cmd::createdice) + QStringLiteral("%1+%2")).arg(seat).arg(rolls) + facesText(dice));
}
QByteArray scores(int seat, int phaseDone, int total, int points, int bonus, const QString& marker,
                  const QList<int>& used) {
    return frame((head(cmd::scores) + QStringLiteral("%1+%2+%3+%4+%5+"))
                     .arg(seat).arg(phaseDone).arg(total).arg(points).arg(bonus) +
                 marker + listText(used));
}
QByteArray noscore(int seat, const QList<int>& held) {
    return frame(head(cmd::noscore) + n(seat) + listText(held));
}
QByteArray markoff(int seat, int phase) {
    return frame((head(cmd::markoff) + QStringLiteral("%1+%2+")).arg(seat).arg(phase));
}
QByteArray seattoken(const QByteArray& token) { return frame(head(cmd::seattoken) + QString::fromLatin1(token)); }
QByteArray seatheld(int seat, const QString& name) { return frame(head(cmd::seatheld) + n(seat) + '+' + name); }
QByteArray rejoined(int seat) { return frame(head(cmd::rejoined) + n(seat)); }
QByteArray hostpowers() { return frame(head(cmd::hostpowers)); }
QByteArray hostNotice(const QString& line) { return frame(head(cmd::chat) + line + QStringLiteral("|clBlue")); }
QByteArray winner(const QString& names) { return frame(head(cmd::winner) + names + '+'); }

} // namespace msg

namespace read {
namespace {

QList<DieFace> faces(FieldReader& r) {
    QList<DieFace> out;
    if (r.atEnd()) return out;
    const QList<int> items = r.intList();
    for (qsizetype i = 0; i + 2 < items.size(); i += 3) out.append({items[i], items[i + 1], items[i + 2]});
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
    for (int& sc : s.scores) sc = r.nextInt();
    s.dice = faces(r);
    return s;
}

PScores loadpscores(const QString& body) {
    FieldReader r(body);
    PScores p;
    p.record = r.nextInt();
    const QList<int> items = r.intList();
    for (qsizetype i = 0; i + 2 < items.size(); i += 3) p.cells.append({items[i], items[i + 1], items[i + 2]});
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
