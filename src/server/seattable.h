// The host's seat table: one record per connection, records 1..4 playing seats with
// their game fields, 5..9 spectators, 10 only to turn a connection away.
#pragma once

#include "protocol/lineallowance.h"
#include "protocol/receiveremainder.h"
#include "protocol/requests.h"
#include "rules/rules.h"

#include <QList>
#include <QString>
#include <array>

namespace server {

inline constexpr int kSeatCount = 4;                    // records 1..4 play
inline constexpr int kMaxRecords = wire::req::kRecords; // records 5..9 watch
inline constexpr int kFullRecord = kMaxRecords + 1;     // only turns a connection away
inline constexpr int kRecordSlots = 11;

// One record of the seat table. Game fields are used in records 1..4 only.
struct SeatRecord {
    QString name;
    bool connected = false;
    // The connection has sent its one log-in; until then it may send nothing else.
    bool loggedIn = false;
    qint64 arrivedAt = 0; // when the connection took the record (the log-in deadline)
    // Logged in under the name of a held seat: the others hear of this connection only
    // if it does not take that seat back (a returning player's way in).
    bool quiet = false;
    bool otherVersion = false; // its log-in named another version than the host's
    int score = 0;
    bool computer = false;
    QString botname;
    int phase = 1; // 1..10; 11 once all are done
    int points = 0;
    int status = 0; // 0 playing, 1 last turns after another seat went out, 2 finished
    rules::Plan plan{};
    std::array<int, rules::kPhases + 1> phasepoints{}; // [1..10]
    int scorebonus = 0;
    int outbonus = 0;
    bool held = false; // the player dropped during the game and may come back
    // For the game's result: turns played to the end, those the computer had a hand
    // in, and the name the seat went by at its last one.
    int turns = 0;
    int computerTurns = 0;
    QString resultName;
};

class SeatTable {
public:
    SeatTable();

    static bool isRecord(int r) { return r >= 1 && r <= kMaxRecords; }
    static bool isSeat(int s) { return s >= 1 && s <= kSeatCount; }

    // Records 1..11; any other number gives an empty record. Inline: the host and its
    // checks read records hundreds of times per message.
    const SeatRecord& record(int r) const {
        return r >= 1 && r <= kRecordSlots ? m_records[r] : m_empty;
    }
    // Records 1..11 only.
    SeatRecord& at(int r) { return m_records.at(r); }
    int recordcount() const { return m_recordcount; }
    int seatcount() const { return kSeatCount; }

    // The record a new connection takes: the lowest free one, a new one after the
    // highest used, or kFullRecord when all nine are in use. A held seat is not free.
    int chooseRecord() const;
    // A connection now holds `r`.
    void take(int r);
    // The connection of `r` is gone: the record is free, its game fields stay.
    void release(int r);
    // The connection of seat `r` dropped and the seat waits for its player: it keeps
    // the name and goes on playing, by the computer.
    void hold(int r);
    // The held seat is given up (its player was removed, or the game is over).
    void unhold(int r);
    // Record numbers in a fixed array: a broadcast walks them without allocating.
    class Records {
    public:
        const int* begin() const { return m_r.data(); }
        const int* end() const { return m_r.data() + m_n; }
        int size() const { return m_n; }
        QList<int> toList() const { return QList<int>(begin(), end()); }
        void append(int r) { m_r[m_n++] = r; }

    private:
        std::array<int, kRecordSlots> m_r{};
        int m_n = 0;
    };
    // Connected records in the host's broadcast order.
    Records connectedRecords() const {
        Records out;
        for (int r = 1; r <= m_recordcount; ++r)
            if (m_records[r].connected) out.append(r);
        return out;
    }

    // Every playing seat's game fields back to a new game's.
    void resetGame();
    // A seat takes part in the turn order while it has a player or is seat 2 (the
    // computer's), and has not finished.
    bool takesPart(int seat) const;
    bool playedByComputer(int seat) const;
    // The name a seat goes by: its player's, or its computer name.
    QString seatName(int seat) const;

    // Per connection: the bytes of an unfinished message, the recent chat lines, the
    // recent requests that everyone hears of, and the recent lines in the host's log.
    wire::ReceiveRemainder& inbox(int r) { return m_inboxes.at(r); }
    wire::LineAllowance& lines(int r) { return m_lines.at(r); }
    wire::LineAllowance& requests(int r) { return m_requests.at(r); }
    wire::LineAllowance& logLines(int r) { return m_logLines.at(r); }
    // Set once a log line of the connection was held back, until one is written again.
    bool& logMuted(int r) { return m_logMuted.at(r); }

private:
    using Allowances = std::array<wire::LineAllowance, kRecordSlots + 1>;
    static Allowances allowances(int burst);

    std::array<SeatRecord, kRecordSlots + 1> m_records; // [1..11]
    const SeatRecord m_empty{};
    std::array<wire::ReceiveRemainder, kRecordSlots + 1> m_inboxes;
    Allowances m_lines;
    Allowances m_requests = allowances(wire::kRequestBurst);
    Allowances m_logLines = allowances(wire::kLogBurst);
    std::array<bool, kRecordSlots + 1> m_logMuted{};
    int m_recordcount = 0;
};

} // namespace server
