// TServer: the host. It holds the seat table, the game state and the computer
// player, hears its connections through ServerEvents and answers through the
// ServerLink it is built with, so everything here runs with exact bytes and no
// sockets, and needs nothing but QtCore.
//
// Messages are read once, at the edge: bytes are cut into messages per connection,
// queued, and handled one per turn of the event loop; each command's reader checks
// its fields and the handler gets typed values. Handlers take the record the
// message came from (sender); sender 0 marks the host's own calls (the computer
// player), which pass every sender check.
#pragma once

#include "protocol/dispatcher.h"
#include "protocol/requests.h"
#include "protocol/serverlink.h"
#include "server/computerplayer.h"
#include "server/gameresult.h"
#include "server/gamestate.h"
#include "server/heldseats.h"
#include "server/seattable.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

namespace server {

inline constexpr int kDispatchMs = 10;    // socktimer's pace under a backlog
inline constexpr int kPauseTickMs = 1000; // timer1
inline constexpr int kPauseTicks = 5;     // ticks between a scored turn and the next
inline constexpr int kBonusThreshold = 220;
inline constexpr int kBonus = 40;
// A connection that gets this many messages ahead of the host is closed.
inline constexpr int kMaxWaiting = 64;
inline constexpr int kLineBurst = wire::kLineBurst;
inline constexpr qint64 kLineWindowMs = wire::kLineWindowMs;
// A connection that has not logged in this long after it arrived is closed.
inline constexpr int kLoginDeadlineMs = 10000;
// A log-in under a held seat's name waits this long for that seat's secret before the
// table hears of it as a newcomer.
inline constexpr int kQuietArrivalMs = 3000;

// What a lobby lists about the table: players seated (a seat waiting for its player
// counts), spectators, and whether a game runs. Connections still to log in count
// for nothing.
struct TableCount {
    int seated = 0;
    int spectators = 0;
    bool gameon = false;
    friend bool operator==(const TableCount&, const TableCount&) = default;
};

} // namespace server

class TServer : public QObject, public ServerEvents {
    Q_OBJECT
public:
    // Attaches itself to `link` for as long as it lives.
    explicit TServer(ServerLink& link, QObject* parent = nullptr);
    ~TServer() override;

    void setFaceSource(rules::FaceSource draw);
    // Where the seat tokens' random words come from (the system's generator unless set).
    void setTokenSource(server::HeldSeats::WordSource words) {
        m_held.setWordSource(std::move(words));
    }
    // Where the texts of requests whose numbers are not numbers go, cleaned for a log
    // or a chat line and rationed per connection.
    // The version text a log-in is compared with (the build's protocol version).
    void setVersion(const QString& version) { m_version = version; }
    void setErrorSink(std::function<void(const QString&)> sink) { m_errorSink = std::move(sink); }
    // Milliseconds from any fixed start; the chat limit reads it (tests inject one).
    using Clock = std::function<qint64()>;
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // A dedicated host has no player of its own: record 1 is whoever joined first,
    // told of its powers (CMD_hostpowers) at log-in, and its departure during its
    // turn passes the turn like anybody's.
    void setDedicated(bool dedicated) { m_dedicated = dedicated; }
    // Every event worth a line in a server's log (arrivals, log-ins, departures,
    // games, limits); the dedicated host prints them. Fields from the network in them
    // are cleaned (logtext.h).
    void setEventLog(std::function<void(const QString&)> log) { m_log = std::move(log); }
    // Called once per change of tableCount(), after the change is done (the dedicated
    // host's lobby announcement follows it).
    void setTableObserver(std::function<void(const server::TableCount&)> observer) {
        m_tableObserver = std::move(observer);
    }
    server::TableCount tableCount() const;
    // Called once per game that ends, finished or abandoned, with its result. A game
    // ends abandoned when a new one starts over it or the host closes every connection.
    void setResultObserver(std::function<void(const server::GameResult&)> observer) {
        m_resultObserver = std::move(observer);
    }

    // ---- ServerEvents ------------------------------------------------------------
    void Sock1Accept() override;
    void Sock1Read(int record, const QByteArray& bytes) override;
    // The peer closed, the connection broke, or the link dropped it: whichever, the
    // record is torn down (and a seated player's seat may be held); `why` goes to the log.
    void tempsockDisconnect(int record, Departure why) override;

    // Queues one message from the record's connection. A record without a connection
    // has nobody to speak for; one with more than kMaxWaiting messages waiting is
    // closed and its waiting messages dropped.
    void received(int record, const QString& message);
    wire::Dispatcher& queue() { return m_queue; }

    // Closes every connection that has not logged in within kLoginDeadlineMs (by the
    // clock), announces every quiet arrival older than kQuietArrivalMs, and waits for
    // the next such deadline; it runs only while somebody waits.
    QTimer& logintimer() { return m_loginTimer; }
    void logintimerTimer();

    // ---- seats and connections ---------------------------------------------------
    void receivedlogininfo(const wire::req::LogIn& login, int sender);
    void kickhim(const wire::req::SeatValue& request, int sender);
    void disconnectsock(int record);
    void botspeed(const wire::req::SeatValue& request, int sender);
    void botskill(const wire::req::BotSkill& request, int sender);
    void justwatch(const wire::req::JustWatch& request, int sender);
    void chat(const wire::req::Line& line, int sender);
    void action(const wire::req::Line& line, int sender);
    // A table that dropped from this game presents its seat's secret after log-in.
    void rejoin(const wire::req::Rejoin& request, int sender);
    // Tells every connection, as a chat line in the host's colour, and closes them
    // all (the dedicated host going down). A running game ends abandoned first.
    void closeAll(const QString& notice);
    // Ends a running game without a winner, reporting it abandoned; nothing is sent to
    // the tables (the host going down tells them itself).
    void abandonGame();

    // ---- game flow and scoring ---------------------------------------------------
    void startgame(const wire::req::StartGame& request, int sender);
    void rollthedice(const wire::req::Roll& request, int sender);
    void rolldice(int die);
    void alldone(const wire::req::Dice& request, int sender);
    void findplayer();
    bool checkforwin();
    QTimer& timer1() { return m_timer1; }
    void timer1Timer();

    // ---- computer player ---------------------------------------------------------
    void computerroll(int seat);
    void computerplay(int seat);
    QTimer& computertimer() { return m_computer.timer(); }
    void computertimerTimer() { m_computer.tick(); }

    // ---- read access -------------------------------------------------------------
    const server::SeatRecord& record(int r) const { return m_seats.record(r); }
    const server::SeatTable& seats() const { return m_seats; }
    const server::GameState& game() const { return m_game; }
    int recordcount() const { return m_seats.recordcount(); }
    int seatcount() const { return m_seats.seatcount(); }
    int botinterval() const { return m_computer.interval(); }
    rules::Skill botSkill() const { return m_skill; }
    bool gameon() const { return m_game.gameon; }
    int currentseat() const { return m_game.currentseat; }
    int round() const { return m_game.round; }
    int rollno() const { return m_game.rollno; }
    int countdown() const { return m_game.countdown; }
    bool someoneout() const { return m_game.someoneout; }
    const rules::Dice& dice() const { return m_game.dice; }
    // The stage the computer's next step runs (1 roll, 2 decide).
    int computerStage() const { return int(m_computer.stage()); }
    bool takesPart(int seat) const { return m_seats.takesPart(seat); }
    bool playedByComputer(int seat) const { return m_seats.playedByComputer(seat); }

private:
    template <class Request>
    void handle(const char* command, std::optional<Request> (*reader)(const QString&),
                void (TServer::*handler)(const Request&, int));
    void registerHandlers();
    // The reader's request; a field that is not a number is reported, and gives nothing.
    template <class Request>
    std::optional<Request> readFrom(std::optional<Request> (*reader)(const QString&),
                                    const QString& body, int sender);
    // Whether the sender's connection may make this request now: its log-in once,
    // then anything but a log-in. The host's own calls (sender 0) always may.
    bool mayAsk(int sender, bool isLogIn) const;
    void badRequest(const QString& field, int sender);
    // True when the sender's connection may add a line to the log now.
    bool mayLog(int sender);
    // True, and counted, when the sender may make everyone hear of one more request.
    bool takeRequest(int sender);
    void armLoginTimer();
    void broadcast(const QByteArray& bytes);
    void sendTo(int record, const QByteArray& bytes);
    void catchUp(int r);
    // The rest of a log-in: everyone hears of the arrival, the newcomer learns the table.
    void welcome(int r);
    // Tells record r who is here, which seats wait, and of a version mismatch.
    void introduce(int r);
    bool isHeldName(const QString& name) const;
    // When the record's log-in or secret is due; none when nothing is awaited.
    std::optional<qint64> deadline(int r) const;
    // Moves the connection of record `from` into the held seat `token` opens; false
    // when it opens none.
    bool takeBackSeat(int from, const QByteArray& token);
    // `mayHold`: the connection ended without a removal, so a seated player's seat
    // may wait for them.
    void teardown(int record, const char* why, bool mayHold);
    void holdSeat(int seat);
    void giveUpHeldSeat(int seat);
    void sendToken(int seat);
    void relay(const wire::req::Line& line, int sender, bool isAction);
    void log(const QString& line) const;
    // Tells the table observer when tableCount() differs from what it was last told.
    void noteTable();
    // Ends the running game for the result observer (gameon stays the caller's).
    void reportResult(server::GameEnd end);
    // gameflow.cpp
    bool turnOpenFor(int seat, int sender) const;
    // scoring.cpp
    // The seat played one more turn to its end (the result's count).
    void countTurn(int seat);
    void scorePhase(int seat, int result, const rules::Marks& used);
    void failPhase(int seat, const rules::Marks& used);
    // computer.cpp
    void computerStep(server::ComputerPlayer::Stage stage);

    ServerLink& m_link;
    rules::FaceSource m_draw;
    QString m_version;
    std::function<void(const QString&)> m_errorSink;
    std::function<void(const QString&)> m_log;
    std::function<void(const server::TableCount&)> m_tableObserver;
    std::function<void(const server::GameResult&)> m_resultObserver;
    server::TableCount m_toldCount;
    Clock m_clock;
    wire::Dispatcher m_queue;
    QTimer m_timer1;
    QTimer m_loginTimer;

    server::SeatTable m_seats;
    server::GameState m_game;
    server::ComputerPlayer m_computer;
    server::HeldSeats m_held;
    // Seats whose player came back during their own turn: theirs again from the next.
    std::array<bool, server::kSeatCount + 1> m_resume{};
    bool m_dedicated = false;
    rules::Skill m_skill = rules::Skill::Normal;
};
