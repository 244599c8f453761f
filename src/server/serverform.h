// TServer: the host window. Never shown; it holds the seat table and the whole
// game state, handles every request from the connections one per dispatch tick,
// and plays the seats the computer plays. It reaches its connections only through
// a ServerLink, so everything here can be driven with exact bytes and no sockets.
//
// Request handlers take the message body and the record the message came from
// (sender). Sender 0 marks the host's own internal calls (the computer player),
// which always pass the sender check. A handler throws wire::ConvertError on a
// numeric field that is not a number, before it changes anything; the dispatcher
// hands that to the error sink.
#pragma once

#include "protocol/chatlimit.h"
#include "protocol/inbound.h"
#include "server/rules/rules.h"

#include <QList>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

class ServerLink;

namespace server {

inline constexpr int kSeatCount = 4;      // records 1..4 play
inline constexpr int kMaxRecords = 9;     // records 5..9 watch
inline constexpr int kRecordSlots = 11;   // record 10 only turns a connection away
inline constexpr int kDispatchMs = 10;    // socktimer
inline constexpr int kPauseTickMs = 1000; // timer1
inline constexpr int kPauseTicks = 5;     // ticks between a scored turn and the next
inline constexpr int kMaxRolls = 3;       // rolls in one turn
inline constexpr int kBonusThreshold = 220;
inline constexpr int kBonus = 40;
inline const QString kVersion = QStringLiteral("1.0.7");
// Abuse limits, far beyond what an honest client does: one that gets this many
// messages ahead of the host is closed; chat and action lines beyond kLineBurst
// within kLineWindowMs from one connection are dropped (the rule the tables follow).
inline constexpr int kMaxWaiting = 64;
inline constexpr int kLineBurst = wire::kLineBurst;
inline constexpr qint64 kLineWindowMs = wire::kLineWindowMs;

// One record of the seat table. Game fields are used in records 1..4 only.
struct SeatRecord {
    QString name;
    bool connected = false;
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
};

} // namespace server

class TServer : public QWidget {
    Q_OBJECT
public:
    explicit TServer(QWidget* parent = nullptr);
    ~TServer() override;

    // ---- wiring -----------------------------------------------------------------
    void setLink(ServerLink* link); // not owned
    void setFaceSource(rules::FaceSource draw);
    void setVersion(const QString& version);
    void setErrorSink(std::function<void(const QString&)> sink);
    // Milliseconds from any fixed start; the chat limit reads it (tests inject one).
    using Clock = std::function<qint64()>;
    void setClock(Clock clock);

    // ---- events from the socket adapter -----------------------------------------
    void Sock1Accept();
    // Queues a message from the record's connection. A record without a connection
    // has nobody to speak for; one with more than kMaxWaiting messages waiting is
    // closed and its waiting messages dropped.
    void received(int record, const QString& message);
    // The peer closed, or the connection broke: either way the record is torn down.
    void tempsockDisconnect(int record);
    void tempsockInfo(int record, const QString& text);

    wire::Dispatcher& queue() { return m_queue; }
    QTimer& timer1() { return m_timer1; }
    QTimer& computertimer() { return m_computertimer; }
    void timer1Timer();
    void computertimerTimer();

    // ---- seats and connections --------------------------------------------------
    void receivedlogininfo(const QString& body, int sender = 0);
    void kickhim(const QString& body, int sender = 0);
    void disconnectsock(int record);
    void botspeed(const QString& body, int sender = 0);
    void justwatch(const QString& body, int sender = 0);
    void chat(const QString& body, int sender = 0);
    void action(const QString& body, int sender = 0);

    // ---- game flow and scoring --------------------------------------------------
    void startgame(const QString& body, int sender = 0);
    void rollthedice(const QString& body, int sender = 0);
    void rolldice(int die);
    void alldone(const QString& body, int sender = 0);
    void findplayer();
    bool checkforwin();

    // ---- computer player --------------------------------------------------------
    void computerroll(int seat);
    void computerplay(int seat);

    // ---- read access ------------------------------------------------------------
    // Records 1..11; any other number gives an empty record.
    const server::SeatRecord& record(int r) const;
    int recordcount() const { return m_recordcount; }
    int seatcount() const { return m_seatcount; }
    int botinterval() const { return m_botinterval; }
    bool gameon() const { return m_gameon; }
    int currentseat() const { return m_currentseat; }
    int round() const { return m_round; }
    int rollno() const { return m_rollno; }
    int countdown() const { return m_countdown; }
    bool someoneout() const { return m_someoneout; }
    const rules::Dice& dice() const { return m_dice; }
    // The stage the computer's next step runs (1 roll, 2 decide).
    int computerStage() const { return m_computerStage; }

    // A seat takes part in the turn order / is played by the computer.
    bool takesPart(int seat) const;
    bool playedByComputer(int seat) const;

private:
    // seats.cpp
    void registerHandlers();
    void broadcast(const QByteArray& bytes);
    void sendTo(int record, const QByteArray& bytes);
    void useRecord(int r);
    void catchUp(int r);
    void teardown(int record);
    void relay(const QString& body, int sender, bool isAction);
    bool takeLine(int record);
    // gameflow.cpp
    bool turnOpenFor(int seat, int sender) const;
    // scoring.cpp
    void scorePhase(int seat, int result, const rules::Marks& used);
    void failPhase(int seat, const rules::Marks& used);
    // computer.cpp
    void startComputer(int stage);
    void stopComputer();

    ServerLink* m_link = nullptr;
    rules::FaceSource m_draw;
    QString m_version = server::kVersion;
    std::function<void(const QString&)> m_errorSink;
    Clock m_clock;
    wire::Dispatcher m_queue;
    QTimer m_timer1;
    QTimer m_computertimer;

    std::array<server::SeatRecord, server::kRecordSlots + 1> m_seats; // [1..11]
    int m_recordcount = 0;
    int m_seatcount = server::kSeatCount;
    int m_botinterval = 0;
    // The chat and action lines relayed lately, per record.
    std::array<wire::LineAllowance, server::kRecordSlots + 1> m_lineTimes;

    rules::Dice m_dice{};
    bool m_gameon = false;
    bool m_someoneout = false;
    bool m_turnScored = false; // the current turn was scored; the pause is running
    int m_currentseat = 0;
    int m_round = 0;
    int m_rollno = 0;
    int m_countdown = 0;
    int m_computerStage = 1;
    bool m_computerWaiting = false; // a step is due but no bot speed has arrived yet
};
