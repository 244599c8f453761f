// The whole host in virtual time: connections arrive, send well-formed requests and
// arbitrary bytes from any record, close in every way, and the timers tick, in any
// order. After every step the seat table and the game state must hold together.
#include "fuzzinput.h"

#include "protocol/messages.h"
#include "protocol/serverlink.h"
#include "protocol/wiretext.h"
#include "server/tserver.h"
#include "support/locallinks.h"

#include <QCoreApplication>
#include <QHashFunctions>
#include <array>
#include <charconv>
#include <memory>
#include <utility>

namespace {

// The checks and the harness's own bookkeeping are left out of the coverage and
// comparison tracing: they take the same branches in every run and were a sixth of the
// fuzzer's time.
#if defined(__clang__)
#define NOT_COVERED __attribute__((no_sanitize("coverage"), flatten))
#else
#define NOT_COVERED
#endif

// Stands in for the sockets: the in-process pair, with every byte the host sends
// checked on its way in. The tables' ends come from a pool and open again once ended.
class CheckingLink : public ServerLink {
public:
    TServer* server = nullptr;
    LocalServerLink pair;
    std::array<std::unique_ptr<LocalClientLink>, server::kRecordSlots + 1> tables;
    // Departure notices each record received about each record, since that record's
    // latest connection was accepted.
    std::array<std::array<int, server::kRecordSlots + 1>, server::kRecordSlots + 1> notices{};
    int accepted = 0; // the record the latest accepted connection took
    // The latest secret each seat was handed, so a request can present it again.
    std::array<QByteArray, server::kSeatCount + 1> tokens;

    CheckingLink() {
        for (auto& t : tables)
            t = std::make_unique<LocalClientLink>(pair);
    }
    void attach(ServerEvents* events) override { pair.attach(events); }
    NOT_COVERED bool accept(int record) override {
        FUZZ_CHECK(record >= 1 && record <= 10);
        if (!pair.accept(record)) return false;
        accepted = record;
        for (auto& heard : notices)
            heard[record] = 0;
        return true;
    }
    // A table connects; false when every end of the pool is in use.
    bool arrive() {
        for (auto& t : tables) {
            if (t->connected()) continue;
            t->open(QString());
            pair.pump();
            return true;
        }
        return false;
    }
    LocalClientLink* tableOf(int record) {
        for (auto& t : tables)
            if (t->connected() && t->record() == record) return t.get();
        return nullptr;
    }
    NOT_COVERED void send(int record, const QByteArray& bytes) override {
        FUZZ_CHECK(record >= 1 && record <= 10);
        FUZZ_CHECK(record == 10 || server->record(record).connected);
        // One terminator, the last byte.
        FUZZ_CHECK(bytes.startsWith("CMD_") &&
                   bytes.indexOf(wire::kTerminator) == bytes.size() - 1);
        static const QByteArray kFull = wire::msg::full();
        if (record == 10) FUZZ_CHECK(bytes == kFull);
        static const QByteArray kToken("CMD_seattoken+");
        if (bytes.startsWith(kToken)) {
            FUZZ_CHECK(record >= 1 && record <= server::kSeatCount);
            tokens[record] = bytes.mid(kToken.size()).chopped(1);
        }
        static const QByteArray kNotice("CMD_playerdisconnected+");
        if (bytes.startsWith(kNotice)) {
            // The departed record's number, read in place.
            int departed = 0;
            std::from_chars(bytes.constData() + kNotice.size(), bytes.constData() + bytes.size(),
                            departed);
            FUZZ_CHECK(departed >= 1 && departed <= server::kMaxRecords && departed != record);
            FUZZ_CHECK(++notices[record][departed] == 1);
        }
        pair.send(record, bytes);
    }
    void close(int record) override {
        FUZZ_CHECK(record >= 1 && record <= 10);
        pair.close(record);
    }
    NOT_COVERED bool move(int from, int to) override {
        // Only a connected record moves, and only into a playing seat nobody holds: the
        // link, which refuses a move onto a taken record, must agree.
        FUZZ_CHECK(from >= 1 && from <= 9 && server->record(from).connected);
        FUZZ_CHECK(to >= 1 && to <= 4 && !server->record(to).connected);
        FUZZ_CHECK(pair.move(from, to));
        // The connection is `to` from now on: the notices it had are its own, and a
        // departure of `to` is news again.
        notices[to] = std::exchange(notices[from], {});
        for (auto& heard : notices)
            heard[to] = 0;
        return true;
    }
};

// What the host writes to its log or error sink: one line, whatever a peer sent.
NOT_COVERED void checkLogLine(const QString& line) {
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        const QChar::Category cat = c.category();
        FUZZ_CHECK(cat != QChar::Other_Control && cat != QChar::Other_Format &&
                   cat != QChar::Separator_Line && cat != QChar::Separator_Paragraph);
        if (c.isHighSurrogate())
            FUZZ_CHECK(i + 1 < line.size() && line.at(++i).isLowSurrogate());
        else
            FUZZ_CHECK(!c.isLowSurrogate());
    }
}

// Reads the seat table and the game state through plain references: every call on the
// server itself is a dynamic type check under the sanitizers.
NOT_COVERED void checkInvariants(const TServer& s) {
    const server::SeatTable& seats = s.seats();
    const server::GameState& game = s.game();
    FUZZ_CHECK(seats.recordcount() >= 0 && seats.recordcount() <= server::kMaxRecords);
    for (int r = seats.recordcount() + 1; r <= server::kRecordSlots; ++r)
        FUZZ_CHECK(!seats.record(r).connected);
    for (int seat = 1; seat <= server::kSeatCount; ++seat) {
        const server::SeatRecord& rec = seats.record(seat);
        FUZZ_CHECK(rec.phase >= 1 && rec.phase <= rules::kPhases + 1);
        FUZZ_CHECK(rec.status >= 0 && rec.status <= 2);
        int sum = rec.scorebonus + rec.outbonus;
        for (int p = 1; p <= rules::kPhases; ++p)
            sum += rec.phasepoints[p];
        FUZZ_CHECK(rec.score == sum);
        FUZZ_CHECK(rec.scorebonus == 0 || rec.scorebonus == server::kBonus);
        FUZZ_CHECK(rec.outbonus == 0 || rec.outbonus == server::kBonus);
    }
    FUZZ_CHECK(game.currentseat >= 0 && game.currentseat <= server::kSeatCount);
    if (game.gameon) FUZZ_CHECK(game.currentseat >= 1);
    FUZZ_CHECK(game.rollno >= 0); // the host leaves the three-roll limit to the client
    for (int d = 1; d <= rules::kDice; ++d) {
        FUZZ_CHECK(game.dice[d].value >= 0 && game.dice[d].value <= 10);
        FUZZ_CHECK(game.dice[d].colour >= 0 && game.dice[d].colour <= 4);
    }
}

// The host and its link agree on which records hold a connection.
NOT_COVERED void checkLink(const TServer& s, const LocalServerLink& pair) {
    const server::SeatTable& seats = s.seats();
    for (int r = 1; r <= server::kMaxRecords; ++r)
        FUZZ_CHECK(seats.record(r).connected == pair.holds(r));
}

NOT_COVERED void checkQueues(TServer& s) {
    const wire::Dispatcher& queue = s.queue();
    for (int r = 1; r <= server::kMaxRecords; ++r)
        FUZZ_CHECK(queue.pendingFrom(r) <= server::kMaxWaiting);
}

// A request's ASCII text, built in one buffer: requests are most of the steps, and a
// QString per field and per QString::arg was a good part of each run's time.
struct Ascii {
    char text[96];
    int n = 0;
    NOT_COVERED Ascii& operator<<(const char* s) {
        while (*s && n < int(sizeof text))
            text[n++] = *s++;
        return *this;
    }
    NOT_COVERED Ascii& operator<<(int v) {
        n = int(std::to_chars(text + n, text + sizeof text, v).ptr - text);
        return *this;
    }
    NOT_COVERED Ascii& operator<<(const QByteArray& s) {
        for (char c : s)
            if (n < int(sizeof text)) text[n++] = c;
        return *this;
    }
    QString str() const { return QString::fromLatin1(text, n); }
};

// A log-in as a table sends it: this build's version or an old one, and a name.
QString login(fuzz::Input& in, int seat) {
    Ascii a;
    a << "CMD_logininfo+" << seat << (in.flag() ? "+1.0.7+" : "+0.9+");
    return a.str() + wire::decode(in.bytes(12));
}

Ascii& diceList(Ascii& out, fuzz::Input& in, bool noneWhenEmpty) {
    const int low = in.byte();
    const int mask = low | (in.byte() << 8);
    const int before = out.n;
    for (int d = 1; d <= rules::kDice; ++d)
        if (mask & (1 << (d - 1))) out << "+" << d;
    if (out.n == before && noneWhenEmpty) out << "+none";
    return out;
}

// A request as a client would send it: mostly naming the sender's own seat.
QString request(fuzz::Input& in, int sender, const TServer& s, const CheckingLink& link) {
    const int seat = in.below(5) == 0 ? in.below(12) - 1 : sender;
    Ascii a;
    switch (in.below(12)) {
    case 0:
        return login(in, seat);
    case 11:
        // A seat's secret presented again, mostly by a record other than the seat's.
        return (a << "CMD_rejoin+" << seat << "+" << link.tokens[1 + in.below(server::kSeatCount)])
            .str();
    case 1:
        return QStringLiteral("CMD_startgame+Ann+0+0+f+");
    case 2:
        return (a << "CMD_justwatch+" << seat << "+" << in.below(4)).str();
    case 3:
        return (a << "CMD_botspeed+" << seat << "+" << (in.flag() ? 500 : 0) << "+").str();
    case 4:
        return (a << "CMD_kickhim+" << seat << "+" << in.below(12) - 1 << "+").str();
    case 5:
        return (a << "CMD_chat+" << seat << "+hi|clBlack").str();
    case 6:
        return (a << "CMD_action+" << seat << "+waves|$00FF0000").str();
    case 7:
    case 8:
        return diceList(a << "CMD_rollthedice+" << seat, in, false).str();
    default:
        // The seat whose turn it is ends its turn, so games really get somewhere.
        return diceList(a << "CMD_alldone+" << s.currentseat(), in, true).str();
    }
}

int anyRecord(fuzz::Input& in) {
    return in.below(13) - 1; // -1..11
}

// Returns whether the step may have queued messages (only then can a queue grow).
bool step(fuzz::Input& in, TServer& s, CheckingLink& link, qint64& now) {
    const int kind = in.below(13);
    switch (kind) {
    case 0:
        // Most tables log in as their first request; some never do, and the host's
        // deadline closes them.
        link.accepted = 0;
        link.arrive();
        if (link.accepted != 0 && link.accepted != server::kFullRecord && in.below(4) != 0)
            s.received(link.accepted, login(in, link.accepted));
        break;
    case 1: {
        const int record = anyRecord(in);
        s.received(record, wire::decode(in.bytes(40)));
        break;
    }
    case 2:
    case 3: {
        const int sender = in.flag() ? s.currentseat() : 1 + in.below(9);
        s.received(sender, request(in, sender, s, link));
        break;
    }
    case 4:
        if (s.queue().pending() > 0) s.queue().tick();
        break;
    case 5:
        while (s.queue().pending() > 0)
            s.queue().tick();
        break;
    case 6:
        if (s.timer1().isActive()) s.timer1Timer();
        break;
    case 7:
        if (s.computertimer().isActive()) s.computertimerTimer();
        break;
    case 8: {
        // Raw bytes from a connection, cut anywhere, terminators and all.
        const int record = anyRecord(in);
        s.Sock1Read(record, in.bytes(60));
        break;
    }
    case 9: {
        // A table's end closes or resets; a record nobody holds (or none at all) hears
        // of a departure straight, as from a confused link.
        const int record = anyRecord(in);
        if (LocalClientLink* table = link.tableOf(record))
            record % 2 ? table->close() : table->reset();
        else
            s.tempsockDisconnect(record, record % 2 ? Departure::ClosedByPeer : Departure::Reset);
        break;
    }
    case 10: {
        // A well-formed request from its own connection, split in two reads.
        const int sender = 1 + in.below(9);
        const QByteArray bytes = wire::frame(request(in, sender, s, link));
        const int cut = in.below(int(bytes.size()) + 1);
        if (LocalClientLink* table = link.tableOf(sender)) {
            table->send(bytes.left(cut));
            table->send(bytes.mid(cut));
            break;
        }
        s.Sock1Read(sender, bytes.left(cut));
        s.Sock1Read(sender, bytes.mid(cut));
        break;
    }
    case 11: {
        // A flood from one record: the queue limit must hold it.
        const int record = 1 + in.below(9);
        const QString line = QStringLiteral("CMD_chat+%1+x|clRed").arg(record);
        for (int i = in.below(100); i > 0; --i)
            s.received(record, line);
        break;
    }
    default:
        now += in.below(12) * 1000;
        // The log-in deadline's timer, when it is due (it may also come late).
        if (in.flag() && s.logintimer().isActive()) s.logintimerTimer();
        break;
    }
    return kind == 0 || kind == 1 || kind == 2 || kind == 3 || kind == 8 || kind == 10 ||
           kind == 11;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Hash tables walk their buckets the same way in every run, so an input always
    // reaches the same code and the fuzzer's coverage stays stable.
    QHashSeed::setDeterministicGlobalSeed();
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    CheckingLink link;
    TServer s(link);
    link.server = &s;
    // The seat tokens' words from a seed, so a run is the same every time.
    quint32 words = (in.byte() * 2654435761u) | 1;
    s.setTokenSource([&words] {
        words ^= words << 13;
        words ^= words >> 17;
        words ^= words << 5;
        return words;
    });
    s.setFaceSource(rules::seededFaces(in.byte()));
    s.setEventLog(checkLogLine);
    s.setErrorSink(checkLogLine);
    qint64 now = 0;
    s.setClock([&now] { return now; });
    for (int steps = 0; !in.atEnd() && steps < 2000; ++steps) {
        const bool queued = step(in, s, link, now);
        link.pair.pump(); // what the step sent and closed, delivered
        checkInvariants(s);
        checkLink(s, link.pair);
        if (queued) checkQueues(s);
    }
    return 0;
}
