// The host's face: its connections (accepting and turning away, bytes in, departures),
// log-in and the newcomer's catch-up, removal, just watch, bot speed and chat relay.
#include "server/tserver.h"

#include "protocol/commands.h"
#include "protocol/fields.h"
#include "protocol/messages.h"
#include "protocol/wiretext.h"
#include "server/logtext.h"
#include "version/version.h"

#include <algorithm>
#include <chrono>
#include <utility>

using namespace server;

namespace {

// The dice's generator is seeded once, from the clock, when the host is created.
rules::FaceSource clockSeededFaces() {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return rules::seededFaces(static_cast<std::uint32_t>(ticks));
}

qint64 steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

TServer::TServer(ServerLink& link, QObject* parent)
    : QObject(parent), m_link(link), m_draw(clockSeededFaces()),
      m_version(QString::fromLatin1(vimbrel::kProtocolVersion)), m_clock(steadyMs),
      m_queue(QStringLiteral("socktimer"), kDispatchMs, this), m_timer1(this),
      m_computer([this](ComputerPlayer::Stage stage) { computerStep(stage); }) {
    m_timer1.setObjectName(QStringLiteral("timer1"));
    m_timer1.setInterval(kPauseTickMs);
    connect(&m_timer1, &QTimer::timeout, this, &TServer::timer1Timer);
    m_loginTimer.setObjectName(QStringLiteral("logintimer"));
    m_loginTimer.setSingleShot(true);
    connect(&m_loginTimer, &QTimer::timeout, this, &TServer::logintimerTimer);
    registerHandlers();
    m_link.attach(this);
}

TServer::~TServer() {
    m_link.attach(nullptr);
}

template <class Request>
void TServer::handle(const char* command, std::optional<Request> (*reader)(const QString&),
                     void (TServer::*handler)(const Request&, int)) {
    const bool isLogIn = qstrcmp(command, wire::cmd::logininfo) == 0;
    const bool isRejoin = qstrcmp(command, wire::cmd::rejoin) == 0;
    m_queue.on(QString::fromLatin1(command), [=, this](const QString& body, int sender) {
        // Who the connection is comes before what it says: a stranger's fields are not read.
        if (!mayAsk(sender, isLogIn)) return;
        // Anything but its seat's secret makes a quiet arrival a newcomer after all.
        if (!isRejoin && sender != 0 && record(sender).quiet) welcome(sender);
        if (const std::optional<Request> request = readFrom(reader, body, sender))
            (this->*handler)(*request, sender);
    });
}

template <class Request>
std::optional<Request> TServer::readFrom(std::optional<Request> (*reader)(const QString&),
                                         const QString& body, int sender) {
    try {
        return reader(body);
    } catch (const wire::ConvertError& e) {
        badRequest(e.field(), sender);
        return std::nullopt;
    }
}

bool TServer::mayAsk(int sender, bool isLogIn) const {
    if (sender == 0) return true;
    if (!SeatTable::isRecord(sender) || !record(sender).connected) return false;
    return record(sender).loggedIn != isLogIn;
}

void TServer::badRequest(const QString& field, int sender) {
    if (!m_errorSink || !mayLog(sender)) return;
    m_errorSink(wire::ConvertError(logField(field)).message());
}

bool TServer::mayLog(int sender) {
    if (!SeatTable::isRecord(sender)) return true;
    if (m_seats.logLines(sender).take(m_clock())) {
        m_seats.logMuted(sender) = false;
        return true;
    }
    // Said once per quiet spell, so the log shows that lines are missing.
    if (!std::exchange(m_seats.logMuted(sender), true))
        log(QStringLiteral("record %1: too many bad requests; more are left out of the log")
                .arg(QString::number(sender)));
    return false;
}

bool TServer::takeRequest(int sender) {
    return sender == 0 || m_seats.requests(sender).take(m_clock());
}

void TServer::registerHandlers() {
    namespace cmd = wire::cmd;
    namespace req = wire::req;
    handle(cmd::logininfo, &req::logininfo, &TServer::receivedlogininfo);
    handle(cmd::kickhim, &req::kickhim, &TServer::kickhim);
    handle(cmd::botspeed, &req::botspeed, &TServer::botspeed);
    handle(cmd::botskill, &req::botskill, &TServer::botskill);
    handle(cmd::justwatch, &req::justwatch, &TServer::justwatch);
    handle(cmd::chat, &req::line, &TServer::chat);
    handle(cmd::action, &req::line, &TServer::action);
    handle(cmd::startgame, &req::startgame, &TServer::startgame);
    handle(cmd::rollthedice, &req::rollthedice, &TServer::rollthedice);
    handle(cmd::alldone, &req::alldone, &TServer::alldone);
    handle(cmd::rejoin, &req::rejoin, &TServer::rejoin);
}

void TServer::setFaceSource(rules::FaceSource draw) {
    m_draw = std::move(draw);
}

void TServer::log(const QString& line) const {
    if (m_log) m_log(line);
}

TableCount TServer::tableCount() const {
    TableCount count;
    for (int r = 1; r <= kMaxRecords; ++r) {
        const SeatRecord& rec = record(r);
        const bool present = rec.connected && rec.loggedIn && !rec.quiet;
        if (SeatTable::isSeat(r) && (rec.held || present))
            ++count.seated;
        else if (!SeatTable::isSeat(r) && present)
            ++count.spectators;
    }
    count.gameon = m_game.gameon;
    return count;
}

void TServer::noteTable() {
    const TableCount now = tableCount();
    if (now == m_toldCount) return;
    m_toldCount = now;
    if (m_tableObserver) m_tableObserver(now);
}

void TServer::reportResult(GameEnd end) {
    if (!m_game.gameon) return;
    if (m_resultObserver) m_resultObserver(gameResult(m_seats, end, m_game.round));
}

void TServer::sendTo(int record, const QByteArray& bytes) {
    m_link.send(record, bytes);
}

void TServer::broadcast(const QByteArray& bytes) {
    for (int r : m_seats.connectedRecords())
        sendTo(r, bytes);
}

// ---- connections -----------------------------------------------------------------

void TServer::Sock1Accept() {
    const int r = m_seats.chooseRecord();
    if (!m_link.accept(r)) return;
    if (r == kFullRecord) {
        // Every record is taken: tell the caller and let it go at once.
        log(QStringLiteral("connection from %1 turned away: the table is full")
                .arg(logField(m_link.peerName(r))));
        m_link.send(r, wire::msg::full());
        m_link.close(r);
        return;
    }
    // Whatever the record's previous connection left waiting is not this one's to say.
    m_queue.discardFrom(r);
    m_seats.take(r);
    m_seats.at(r).arrivedAt = m_clock();
    log(QStringLiteral("connection from %1 took record %2")
            .arg(logField(m_link.peerName(r)), QString::number(r)));
    sendTo(r, wire::msg::sendlogininfo(r));
    if (!m_loginTimer.isActive()) armLoginTimer();
}

void TServer::logintimerTimer() {
    const qint64 now = m_clock();
    for (int r : m_seats.connectedRecords()) {
        const std::optional<qint64> due = deadline(r);
        if (!due || now < *due) continue;
        if (record(r).quiet) {
            welcome(r); // no secret came: a newcomer that shares a held seat's name
            continue;
        }
        log(QStringLiteral("record %1 closed: no log-in within %2 s")
                .arg(QString::number(r), QString::number(kLoginDeadlineMs / 1000)));
        disconnectsock(r);
    }
    armLoginTimer();
}

std::optional<qint64> TServer::deadline(int r) const {
    const SeatRecord& rec = record(r);
    if (!rec.loggedIn) return rec.arrivedAt + kLoginDeadlineMs;
    if (rec.quiet) return rec.arrivedAt + kQuietArrivalMs;
    return std::nullopt;
}

// Sleeps until the earliest deadline of a connection still to log in or to present its
// secret; with none, stops.
void TServer::armLoginTimer() {
    std::optional<qint64> first;
    for (int r : m_seats.connectedRecords())
        if (const std::optional<qint64> due = deadline(r))
            first = std::min(first.value_or(*due), *due);
    if (!first) {
        m_loginTimer.stop();
        return;
    }
    m_loginTimer.start(int(std::clamp<qint64>(*first - m_clock(), 0, kLoginDeadlineMs)));
}

void TServer::Sock1Read(int record, const QByteArray& bytes) {
    if (!SeatTable::isRecord(record) || !m_seats.record(record).connected) return;
    QList<QByteArray> messages;
    const bool withinCap = m_seats.inbox(record).feed(bytes, messages);
    for (const QByteArray& message : messages) {
        received(record, wire::decode(message));
        if (!m_seats.record(record).connected) return; // closed by a limit
    }
    if (!withinCap) {
        log(QStringLiteral("record %1 closed: a message longer than the limit").arg(record));
        disconnectsock(record);
    }
}

void TServer::received(int record, const QString& message) {
    if (!SeatTable::isRecord(record)) {
        // An unknown record can never pass a sender check.
        m_queue.enqueue(message, -1);
        return;
    }
    // Bytes still on their way when the connection ended speak for nobody.
    if (!m_seats.record(record).connected) return;
    if (m_queue.pendingFrom(record) >= kMaxWaiting) {
        m_queue.discardFrom(record);
        log(QStringLiteral("record %1 closed: too many messages ahead of the host").arg(record));
        disconnectsock(record);
        return;
    }
    m_queue.enqueue(message, record);
}

void TServer::tempsockDisconnect(int record, Departure why) {
    switch (why) {
    case Departure::ClosedByPeer:
        return teardown(record, "the connection ended", true);
    case Departure::Reset:
        return teardown(record, "the connection ended (reset)", true);
    case Departure::ClosedByUs:
        return teardown(record, "the connection ended (dropped: the peer did not read)", true);
    }
}

void TServer::disconnectsock(int record) {
    if (!SeatTable::isRecord(record) || !m_seats.record(record).connected) return;
    m_link.close(record);
    teardown(record, "closed by the host", false);
}

void TServer::teardown(int record, const char* why, bool mayHold) {
    if (!SeatTable::isRecord(record) || !m_seats.record(record).connected) return;
    const QByteArray notice = wire::msg::playerdisconnected(record, m_seats.record(record).name);
    // Nobody was told of a connection that never logged in (a lobby's reachability
    // check, a port scan), so nobody is told that it left.
    const bool known = m_seats.record(record).loggedIn && !m_seats.record(record).quiet;
    log(QStringLiteral("record %1 (%2) left: %3")
            .arg(QString::number(record), logField(m_seats.record(record).name),
                 QLatin1String(why)));
    if (known && mayHold && m_game.gameon && SeatTable::isSeat(record) &&
        m_held.hold(record, m_clock())) {
        m_seats.hold(record);
        broadcast(notice);
        holdSeat(record);
        noteTable();
        return;
    }
    m_held.release(record);
    m_seats.release(record);
    if (known) broadcast(notice);
    // The desktop host's own player leaving ends the program anyway; a dedicated
    // host's record 1 is a player like any other.
    if (known && m_game.gameon && record == m_game.currentseat && (record != 1 || m_dedicated))
        findplayer();
    noteTable();
}

// The seat waits for its player; meanwhile the computer plays it, as for a player
// who chose to just watch.
void TServer::holdSeat(int seat) {
    const QString& name = record(seat).name;
    log(QStringLiteral("seat %1 waits for %2 to come back")
            .arg(QString::number(seat), logField(name)));
    broadcast(wire::msg::seatheld(seat, name));
    if (seat == m_game.currentseat && !m_game.turnScored) {
        if (m_game.rollno == 0) m_seats.at(seat).plan.fill(0);
        m_computer.start(ComputerPlayer::Stage::Roll);
    }
}

void TServer::giveUpHeldSeat(int seat) {
    if (!record(seat).held) return;
    m_held.release(seat);
    m_seats.unhold(seat);
    m_resume[seat] = false;
    broadcast(wire::msg::seatheld(seat, QString()));
    noteTable();
}

void TServer::sendToken(int seat) {
    sendTo(seat, wire::msg::seattoken(m_held.issue(seat)));
}

void TServer::rejoin(const wire::req::Rejoin& request, int sender) {
    const int from = request.record;
    if (sender != 0 && sender != from) return;
    if (takeBackSeat(from, request.token)) return;
    // A secret that opens nothing: the connection stays where it is, as a newcomer.
    if (record(from).connected && record(from).quiet) welcome(from);
}

bool TServer::takeBackSeat(int from, const QByteArray& token) {
    if (!m_game.gameon || !record(from).connected) return false;
    const int seat = m_held.find(token);
    if (seat == 0 || seat == from || !m_link.move(from, seat)) return false;

    const QString name = record(from).name;
    // Nobody but the connection itself heard of a quiet arrival: it is not announced
    // as leaving either, and learns who is here only now.
    const bool wasQuiet = record(from).quiet;
    const bool otherVersion = record(from).otherVersion;
    // The turn of the record being left behind must not wait for a connection that moved.
    const bool leavesOpenTurn = m_game.turnOpenFor(from);
    m_held.returned(seat, m_clock());
    m_queue.discardFrom(from);
    m_seats.release(from);
    m_seats.unhold(seat);
    m_seats.take(seat);
    SeatRecord& rec = m_seats.at(seat);
    rec.name = name;
    rec.loggedIn = true;
    rec.otherVersion = otherVersion;
    log(QStringLiteral("record %1 (%2) is back in seat %3")
            .arg(QString::number(from), logField(name), QString::number(seat)));
    sendTo(seat, wire::msg::rejoined(seat));
    if (!wasQuiet) broadcast(wire::msg::playerdisconnected(from, name));
    broadcast(wire::msg::newplayerinfo(seat, name));
    if (wasQuiet) introduce(seat);
    catchUp(seat);
    sendToken(seat);
    if (m_dedicated && seat == 1) sendTo(seat, wire::msg::hostpowers());
    // The computer finishes a turn it has begun; the player plays from the next one.
    if (seat == m_game.currentseat && !m_game.turnScored) {
        rec.computer = true;
        m_resume[seat] = true;
    } else {
        rec.computer = false;
        broadcast(wire::msg::justwatching(seat, 2));
    }
    if (leavesOpenTurn) findplayer();
    noteTable();
    armLoginTimer();
    return true;
}

void TServer::abandonGame() {
    if (!m_game.gameon) return;
    // Built before anything goes, so it still tells who was at the table.
    reportResult(GameEnd::Abandoned);
    m_game.gameon = false;
    m_timer1.stop();
    m_computer.stop();
    noteTable();
}

void TServer::closeAll(const QString& notice) {
    abandonGame();
    broadcast(wire::msg::hostNotice(notice));
    for (int r : m_seats.connectedRecords()) {
        m_link.close(r);
        m_seats.release(r);
    }
    m_timer1.stop();
    m_computer.stop();
    noteTable();
}

// ---- log-in ----------------------------------------------------------------------

void TServer::receivedlogininfo(const wire::req::LogIn& login, int sender) {
    const int seat = login.seat;
    if (sender != 0 && sender != seat) return;
    // A record whose connection has already gone must not come back to life.
    if (!m_seats.record(seat).connected) return;

    SeatRecord& rec = m_seats.at(seat);
    rec.name = login.name;
    rec.loggedIn = true;
    rec.otherVersion = login.version != m_version;
    log(QStringLiteral("record %1 logged in as %2").arg(QString::number(seat), logField(rec.name)));
    // A returning player presents its seat's secret right after its log-in; until then
    // nobody hears of the connection it comes in by, so nobody reads it come and go.
    if (m_game.gameon && isHeldName(rec.name)) {
        rec.quiet = true;
        rec.arrivedAt = m_clock();
        armLoginTimer();
        return;
    }
    welcome(seat);
}

bool TServer::isHeldName(const QString& name) const {
    for (int s = 1; s <= kSeatCount; ++s)
        if (record(s).held && record(s).name == name) return true;
    return false;
}

void TServer::welcome(int r) {
    SeatRecord& rec = m_seats.at(r);
    rec.quiet = false;
    broadcast(wire::msg::newplayerinfo(r, rec.name));
    introduce(r);
    if (m_game.gameon) catchUp(r);
    if (m_game.gameon && SeatTable::isSeat(r)) sendToken(r);
    if (m_dedicated && r == 1) sendTo(r, wire::msg::hostpowers());
    noteTable();
}

void TServer::introduce(int r) {
    for (int i : m_seats.connectedRecords())
        if (i != r && !record(i).quiet)
            sendTo(r, wire::msg::existingplayers(i, m_seats.record(i).name));
    for (int s = 1; s <= kSeatCount; ++s)
        if (record(s).held) sendTo(r, wire::msg::seatheld(s, record(s).name));
    if (record(r).otherVersion) {
        if (m_seats.record(1).connected) sendTo(1, wire::msg::havewrongversion(record(r).name));
        sendTo(r, wire::msg::wrongversion());
    }
}

void TServer::catchUp(int r) {
    wire::msg::LoadStats stats;
    stats.record = r;
    stats.currentSeat = m_game.currentseat;
    stats.phase = record(m_game.currentseat).phase;
    stats.round = m_game.round;
    stats.rolls = m_game.rollno;
    for (int s = 1; s <= kSeatCount; ++s)
        stats.scores[s - 1] = record(s).score;
    // Every die rolled this turn, wilds included (a wild's value is 0).
    for (int d = 1; d <= rules::kDice; ++d)
        if (m_game.dice[d].colour != 0)
            stats.dice.append({d, m_game.dice[d].value, m_game.dice[d].colour});
    sendTo(r, wire::msg::loadstats(stats));

    QList<wire::ScoreCell> cells;
    for (int s = 1; s <= kSeatCount; ++s) {
        const SeatRecord& rec = record(s);
        for (int c = 1; c <= 12; ++c) {
            const int v = c <= 10 ? rec.phasepoints[c] : c == 11 ? rec.scorebonus : rec.outbonus;
            if (v > 0) cells.append({s, c, v});
        }
    }
    if (!cells.isEmpty()) sendTo(r, wire::msg::loadpscores(r, cells));
    // Who only watches while the computer plays their seat; a held seat's eyes come
    // with its CMD_seatheld.
    for (int s = 1; s <= kSeatCount; ++s)
        if (s != r && record(s).computer && record(s).connected && !record(s).held)
            sendTo(r, wire::msg::justwatching(s, 1));
}

// ---- record 1's controls ---------------------------------------------------------

void TServer::kickhim(const wire::req::SeatValue& request, int sender) {
    if (request.seat != 1 || (sender != 0 && sender != 1)) return;
    const int target = request.value;
    // A seat waiting for its player: record 1 may give it up for good.
    if (SeatTable::isSeat(target) && record(target).held) {
        log(QStringLiteral("seat %1 no longer waits: removed by record 1").arg(target));
        broadcast(wire::msg::removed(target, record(target).name));
        giveUpHeldSeat(target);
        return;
    }
    if (!SeatTable::isRecord(target) || !record(target).connected) return;
    // Everyone, the removed player first of all, learns why the connection ends.
    if (record(target).loggedIn && !record(target).quiet)
        broadcast(wire::msg::removed(target, record(target).name));
    disconnectsock(target);
}

void TServer::botspeed(const wire::req::SeatValue& request, int sender) {
    if (request.seat != 1 || (sender != 0 && sender != 1)) return;
    // The range is the reader's: a table's request outside it never gets here.
    m_computer.setInterval(request.value);
}

// Like the bot speed, only the host's own table (record 1) chooses; it holds for every
// seat the computer plays, from its next decision on.
void TServer::botskill(const wire::req::BotSkill& request, int sender) {
    if (request.seat != 1 || (sender != 0 && sender != 1)) return;
    m_skill = request.expert ? rules::Skill::Expert : rules::Skill::Normal;
}

void TServer::justwatch(const wire::req::JustWatch& request, int sender) {
    const int seat = request.seat;
    if (!SeatTable::isSeat(seat)) return;
    // A player decides for their own seat; only record 1 for somebody else's.
    if (sender != 0 && sender != seat && sender != 1) return;
    if (request.mode == 1 && !m_game.gameon) return;
    if (!takeRequest(sender)) return;
    SeatRecord& rec = m_seats.at(seat);
    if (request.mode == 2) {
        rec.computer = false;
        broadcast(wire::msg::justwatching(seat, 2));
    } else {
        rec.computer = true;
        broadcast(wire::msg::justwatching(seat, 1));
        if (seat == m_game.currentseat && !m_game.turnScored) {
            // Nothing rolled yet: an old plan would hold dice that were never rolled.
            if (m_game.rollno == 0) rec.plan.fill(0);
            m_computer.start(ComputerPlayer::Stage::Roll);
        }
    }
}

void TServer::chat(const wire::req::Line& line, int sender) {
    relay(line, sender, false);
}
void TServer::action(const wire::req::Line& line, int sender) {
    relay(line, sender, true);
}

void TServer::relay(const wire::req::Line& line, int sender, bool isAction) {
    if (sender != 0 && sender != line.seat) return;
    if (sender != 0 && !m_seats.lines(sender).take(m_clock())) return;
    const QString& name = record(line.seat).name;
    broadcast(isAction ? wire::msg::actionRelay(name, line.rest)
                       : wire::msg::chatRelay(name, line.rest));
}
