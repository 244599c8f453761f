// The seat table: accepting and turning away connections, log-in and the
// newcomer's catch-up, departures, removal, just watch, bot speed and chat relay.
#include "server/serverform.h"

#include "net/serverlink.h"
#include "protocol/fields.h"
#include "protocol/messages.h"
#include "protocol/wiretext.h"

#include <chrono>

using namespace server;

namespace {

// The dice's generator is seeded once, from the clock, when the host is created.
rules::FaceSource clockSeededFaces() {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return rules::seededFaces(static_cast<std::uint32_t>(ticks));
}

bool isRecord(int r) {
    return r >= 1 && r <= kMaxRecords;
}

qint64 steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

TServer::TServer(QWidget* parent)
    : QWidget(parent), m_draw(clockSeededFaces()), m_clock(steadyMs),
      m_queue(QStringLiteral("socktimer"), kDispatchMs, this), m_timer1(this),
      m_computertimer(this) {
    setWindowTitle(QStringLiteral("Server"));
    m_timer1.setObjectName(QStringLiteral("timer1"));
    m_timer1.setInterval(kPauseTickMs);
    m_computertimer.setObjectName(QStringLiteral("computertimer"));
    connect(&m_timer1, &QTimer::timeout, this, &TServer::timer1Timer);
    connect(&m_computertimer, &QTimer::timeout, this, &TServer::computertimerTimer);
    m_seats[2].botname = QStringLiteral("Klot");
    m_seats[3].botname = QStringLiteral("Klock");
    m_seats[4].botname = QStringLiteral("Kling");
    registerHandlers();
}

TServer::~TServer() = default;

void TServer::registerHandlers() {
    using Member = void (TServer::*)(const QString&, int);
    const std::pair<const char*, Member> table[] = {
        {"CMD_logininfo", &TServer::receivedlogininfo},
        {"CMD_kickhim", &TServer::kickhim},
        {"CMD_botspeed", &TServer::botspeed},
        {"CMD_justwatch", &TServer::justwatch},
        {"CMD_chat", &TServer::chat},
        {"CMD_action", &TServer::action},
        {"CMD_startgame", &TServer::startgame},
        {"CMD_rollthedice", &TServer::rollthedice},
        {"CMD_alldone", &TServer::alldone},
    };
    // Plain names, not structured bindings: clang 14 cannot capture those.
    for (const auto& entry : table) {
        const Member member = entry.second;
        m_queue.on(
            QString::fromLatin1(entry.first),
            [this, member](const QString& body, int sender) { (this->*member)(body, sender); });
    }
}

void TServer::setLink(ServerLink* link) {
    m_link = link;
}
void TServer::setFaceSource(rules::FaceSource draw) {
    m_draw = std::move(draw);
}
void TServer::setVersion(const QString& version) {
    m_version = version;
}

void TServer::setClock(Clock clock) {
    m_clock = std::move(clock);
}

void TServer::setErrorSink(std::function<void(const QString&)> sink) {
    m_errorSink = sink;
    m_queue.setErrorSink(std::move(sink));
}

const SeatRecord& TServer::record(int r) const {
    static const SeatRecord empty;
    return r >= 1 && r <= kRecordSlots ? m_seats[r] : empty;
}

void TServer::sendTo(int record, const QByteArray& bytes) {
    if (m_link) m_link->send(record, bytes);
}

void TServer::broadcast(const QByteArray& bytes) {
    for (int r = 1; r <= m_recordcount; ++r)
        if (m_seats[r].connected) sendTo(r, bytes);
}

// ---- connections -----------------------------------------------------------------

void TServer::Sock1Accept() {
    if (!m_link) return;
    int r = 1;
    if (m_recordcount > 0) {
        r = 1;
        while (r < m_recordcount && m_seats[r].connected)
            ++r;
        if (m_seats[r].connected) {
            if (r >= kMaxRecords) {
                // Every record is taken: tell the caller and let it go at once.
                if (!m_link->accept(r + 1)) return;
                m_link->send(r + 1, wire::msg::full());
                m_link->destroy(r + 1);
                return;
            }
            ++r;
        }
    }
    if (!m_link->accept(r)) return;
    m_recordcount = std::max(m_recordcount, r);
    useRecord(r);
}

void TServer::useRecord(int r) {
    // Whatever the record's previous connection left waiting is not this one's to say.
    m_queue.discardFrom(r);
    m_lineTimes[r].clear();
    m_seats[r].connected = true;
    sendTo(r, wire::msg::sendlogininfo(r));
}

void TServer::received(int record, const QString& message) {
    if (!isRecord(record)) {
        // An unknown record can never pass a sender check.
        m_queue.enqueue(message, -1);
        return;
    }
    // Bytes still on their way when the connection ended speak for nobody.
    if (!m_seats[record].connected) return;
    if (m_queue.pendingFrom(record) >= kMaxWaiting) {
        m_queue.discardFrom(record);
        disconnectsock(record);
        return;
    }
    m_queue.enqueue(message, record);
}

void TServer::tempsockDisconnect(int record) {
    disconnectsock(record);
}

void TServer::tempsockInfo(int record, const QString& text) {
    if (text == QLatin1String("Socket Closed")) teardown(record);
}

void TServer::disconnectsock(int record) {
    if (!isRecord(record) || record > m_recordcount || !m_seats[record].connected) return;
    // The adapter may report the close back at once; teardown runs only once either way.
    if (m_link) m_link->close(record);
    teardown(record);
}

void TServer::teardown(int record) {
    if (!isRecord(record) || !m_seats[record].connected) return;
    SeatRecord& rec = m_seats[record];
    const QByteArray notice = wire::msg::playerdisconnected(record, rec.name);
    rec.connected = false;
    broadcast(notice);
    rec.name.clear();
    rec.computer = false;
    if (m_gameon && record == m_currentseat && record != 1) findplayer();
}

// ---- log-in ----------------------------------------------------------------------

void TServer::receivedlogininfo(const QString& body, int sender) {
    const auto login = wire::read::logininfo(body);
    const int seat = login.seat;
    if (!isRecord(seat)) return;
    if (sender != 0 && sender != seat) return;
    // A record whose connection has already gone must not come back to life.
    if (seat > m_recordcount || !m_seats[seat].connected) return;

    SeatRecord& rec = m_seats[seat];
    rec.name = wire::singleLine(login.name);
    broadcast(wire::msg::newplayerinfo(seat, rec.name));
    for (int i = 1; i <= m_recordcount; ++i)
        if (i != seat && m_seats[i].connected)
            sendTo(seat, wire::msg::existingplayers(i, m_seats[i].name));
    if (login.version != m_version) {
        if (m_seats[1].connected) sendTo(1, wire::msg::havewrongversion(rec.name));
        sendTo(seat, wire::msg::wrongversion());
    }
    if (m_gameon) catchUp(seat);
}

void TServer::catchUp(int r) {
    wire::msg::LoadStats stats;
    stats.record = r;
    stats.currentSeat = m_currentseat;
    stats.phase = record(m_currentseat).phase;
    stats.round = m_round;
    stats.rolls = m_rollno;
    for (int s = 1; s <= kSeatCount; ++s)
        stats.scores[s - 1] = m_seats[s].score;
    // Every die rolled this turn, wilds included (a wild's value is 0).
    for (int d = 1; d <= rules::kDice; ++d)
        if (m_dice[d].colour != 0) stats.dice.append({d, m_dice[d].value, m_dice[d].colour});
    sendTo(r, wire::msg::loadstats(stats));

    QList<wire::ScoreCell> cells;
    for (int s = 1; s <= kSeatCount; ++s) {
        const SeatRecord& rec = m_seats[s];
        for (int c = 1; c <= 12; ++c) {
            const int v = c <= 10 ? rec.phasepoints[c] : c == 11 ? rec.scorebonus : rec.outbonus;
            if (v > 0) cells.append({s, c, v});
        }
    }
    if (!cells.isEmpty()) sendTo(r, wire::msg::loadpscores(r, cells));
}

// ---- host's controls -------------------------------------------------------------

void TServer::kickhim(const QString& body, int sender) {
    const auto req = wire::read::kickhim(body);
    if (req.seat != 1 || (sender != 0 && sender != 1)) return;
    disconnectsock(req.value);
}

void TServer::botspeed(const QString& body, int sender) {
    const auto req = wire::read::botspeed(body);
    if (req.seat != 1 || (sender != 0 && sender != 1)) return;
    if (req.value < 0) return; // no timer runs backwards
    m_botinterval = req.value;
    if (m_computerWaiting && m_botinterval > 0) startComputer(m_computerStage);
}

void TServer::justwatch(const QString& body, int /*sender*/) {
    const auto req = wire::read::justwatch(body);
    const int seat = req.seat;
    if (seat < 1 || seat > m_seatcount) return;
    SeatRecord& rec = m_seats[seat];
    if (req.value == 2) {
        rec.computer = false;
        broadcast(wire::msg::justwatching(seat, 2));
    } else if (req.value == 1 && m_gameon) {
        rec.computer = true;
        broadcast(wire::msg::justwatching(seat, 1));
        if (seat == m_currentseat && !m_turnScored) {
            // Nothing rolled yet: an old plan would hold dice that were never rolled.
            if (m_rollno == 0) rec.plan.fill(0);
            startComputer(1);
        }
    }
}

void TServer::chat(const QString& body, int sender) {
    relay(body, sender, false);
}
void TServer::action(const QString& body, int sender) {
    relay(body, sender, true);
}

void TServer::relay(const QString& body, int sender, bool isAction) {
    const auto req = wire::read::chat(body);
    if (!isRecord(req.seat)) return;
    if (sender != 0 && sender != req.seat) return;
    if (sender != 0 && !takeLine(sender)) return;
    const QString& name = m_seats[req.seat].name;
    const QString rest = wire::singleLine(req.rest);
    broadcast(isAction ? wire::msg::actionRelay(name, rest) : wire::msg::chatRelay(name, rest));
}

bool TServer::takeLine(int record) {
    return m_lineTimes[record].take(m_clock());
}
