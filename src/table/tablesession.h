// `TableSession`: what the table knows and decides apart from painting. It holds the
// one connection to the host (given when it is built), cuts the host's bytes into
// messages, handles them one per tick through its command table, and keeps the seats,
// our own record, the turn, just watch, the ignore list and the chat allowance. The
// windows observe it through its signals and send the player's requests through its
// methods; it never reaches into a window.
//
// Player-visible texts are translated in the "Tchat" context (the board's in "Board"),
// where they have always been.
#pragma once

#include "protocol/clientlink.h"
#include "protocol/colourtext.h"
#include "protocol/dispatcher.h"
#include "protocol/lineallowance.h"
#include "protocol/messages.h"
#include "protocol/receiveremainder.h"
#include "table/clientstate.h"
#include "table/ignorelist.h"
#include "table/tableroster.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <functional>

class TableSession : public QObject, public ClientEvents {
    Q_OBJECT
public:
    // The table's section of the settings file.
    static QString section() { return QStringLiteral("Vimbrel"); }
    // The phrase cool-down lasts this long after a phrase is sent.
    static constexpr int kPhraseCooldownMs = 2000;
    // Our lines reach the host's chat limit a little later than they leave; this much
    // room keeps a line that lagged behind from pushing a later one over it.
    static constexpr qint64 kLineSlackMs = 1000;

    // `link` must outlive the session; the session attaches itself to it until it goes.
    // `settingsPath` holds the rejoin secret and the ignore list.
    TableSession(ClientLink& link, QString settingsPath, QObject* parent = nullptr);
    ~TableSession() override;

    const ClientState& state() const { return m_state; }
    const TableRoster& roster() const { return m_roster; }
    const IgnoreList& ignored() const { return m_ignored; }
    // Once ended and every message before the end is handled: why the table is over,
    // for the player to read until they close the window. Empty while the table goes
    // on, and when there is nothing more to say (a full table was told already).
    QString farewell() const;
    QString seatName(int seat) const { return m_roster.seatName(seat); }
    // Our own name as the host knows it; empty before our arrival.
    QString ownName() const { return m_roster.nameOf(m_state.ownSeat); }
    const QString& settingsPath() const { return m_settingsPath; }
    wire::Dispatcher& queue() { return m_queue; }
    QTimer* phraseCooldown() const { return m_phraseCooldown; }

    // ---- set-up ------------------------------------------------------------------
    using Clock = std::function<qint64()>; // milliseconds on a steady clock
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // The version text the log-in names (the protocol's own when none is given).
    void setVersionSource(std::function<QString()> version) { m_version = std::move(version); }
    // The game port: the rejoin secret is kept for host and port together.
    void setGamePort(quint16 port) { m_gamePort = port; }
    void setPlayerName(const QString& name) { m_state.playerName = name; }
    void setHostAddress(const QString& address) { m_state.hostAddress = address; }
    void setNetworkHost(bool on) { m_state.networkHost = on; }

    // ---- the connection -------------------------------------------------------------
    // This table runs the host: it has the host's powers and joins it on loopback.
    void openAsHost();
    // Joins the host at state().hostAddress.
    void openAsGuest();
    // A complete message from the host, handled on a later tick.
    void received(const QString& message) { m_queue.enqueue(message); }
    void sockRead(const QByteArray& bytes) override;
    // The connection ended, for whatever reason: the table ends once.
    void departed(Departure why) override;
    // An "Error #…" text: told to the player while we are not yet connected.
    void sockInfo(const QString& text) override;

    // ---- the player's requests (each checks that it may be sent) ------------------
    // A typed line: a chat, "/me …" an action, other "/…" nothing. True when the
    // input box may be emptied; false keeps the line there to be sent again.
    bool say(const QString& typed, wire::BgrColour textColour, wire::BgrColour actionColour);
    // A phrase button; nothing while the cool-down runs or the allowance is spent.
    void sayPhrase(const QString& phrase, wire::BgrColour actionColour);
    // The turn buttons: `dice` are the ones to roll again / the ones held.
    // False when the computer plays the turn and the click changes nothing.
    bool roll(const QList<int>& notHeld);
    bool endTurn(const QList<int>& held);
    // Start Game; false (with a message) when not connected.
    bool startGame();
    void remove(int record);
    // Options > Just Watch for our own seat, and the host's player's seat menu.
    void justWatch(bool watch);
    void setJustWatch(int seat, bool watch);
    void botSpeed(int ms);
    void botSkill(bool expert);

    // ---- ignoring a player's chat (only this table hides the lines) -------------------
    // The menu item's text for that record ("&" doubled); empty when there is none to
    // offer (nobody there, ourselves, or a name we share).
    QString ignoreItemText(int record) const;
    void toggleIgnore(int record);

    // ---- message handlers (the command table calls them; tests may too) ---------------
    void sendloginfo(const wire::read::Record& rec);
    void newplayerinfo(const wire::read::Record& rec);
    void playerdisconnected(const wire::read::Record& rec);
    void removed(const wire::read::Record& rec);
    void justwatching(const wire::read::SeatValue& jw);
    void seattoken(const QString& body);
    void rejoined(const wire::read::Record& rec);
    void seatheld(const wire::read::Record& rec);
    void chatrecieved(const wire::read::ChatLine& line, IgnoreList::Relay relay);
    void hostpowers();
    void createdice(const wire::read::CreateDice& roll);
    void startthegame(const std::array<QString, 4>& fields);
    void getnextplayer(const wire::read::NextPlayer& next);
    void loadstats(const wire::msg::LoadStats& st);
    void winner(const QString& winnerText);

signals:
    // A line for the chat panel; `sender` is the name whose chat or action it is
    // (empty for the table's own lines and for our own).
    void notice(const QString& text, wire::BgrColour colour, const QString& sender = QString());
    // We hide (true) or show again (false) the chat of `name`, the lines already
    // shown included.
    void chatHidden(const QString& name, bool hidden);
    void sound(const QString& name);
    // A modal message for the player.
    void message(const QString& text);
    // Our own arrival: the table's settings are ours to load now.
    void ownArrived();
    // Seat 1..4 shows this name now; its eyes (just watch, held) show or hide.
    void seatNamed(int seat, const QString& name);
    void scoreShown(int seat);
    void eyesShown(int seat, bool shown);
    void spectatorArrived(const QString& line);
    void spectatorLeft(const QString& line);
    // Whether the computer plays our seat changed (just watch, rejoin, a new game).
    void ownJustWatchChanged(bool watching);
    void ownSeatChangedHands();
    // The host gave us its powers (start, remove).
    void hostPowersGained();
    void rejoinAvailable();
    // The settings file exists but cannot be read.
    void settingsUnreadable();
    // The game's messages for the board, their values read and checked for type.
    void diceCreated(const wire::read::CreateDice& roll);
    void gameStarted(const std::array<QString, 4>& fields);
    void nextPlayer(const wire::read::NextPlayer& next);
    void scored(const wire::read::Scores& s);
    void notScored(const wire::read::NoScore& n);
    void markedOff(const wire::read::MarkOff& m);
    void statsLoaded(const wire::msg::LoadStats& st);
    void pscoresLoaded(const wire::read::PScores& p);
    // `banner` is what the winner banner and the chat say.
    void gameWon(const QString& winnerText, const QString& banner);
    // A game for the tally: "addtomine" for ours, else the winner's name.
    void tallied(const QString& winnerText);
    // The connection ended, or the host turned us away: once, after every message
    // that came before it.
    void ended();

private:
    void registerHandlers();
    void registerGameHandlers();
    void send(const QByteArray& bytes) { m_link.send(bytes); }
    void tell(const QString& text) { emit notice(text, m_state.systemColour); }
    // Counts one chat or action line against the host's limit; false, with a note in
    // the panel, when it would be one too many.
    bool takeLine();
    void presentToken();
    void loadIgnored();
    void saveIgnored();
    void seatEmptied(int seat);
    void end();
    // The record left without a line of its own (it was removed, or it was our own
    // record on the way back to our seat); the roster and the lists still follow.
    void leaveQuietly(const wire::read::Record& rec);
    QString gamePort() const { return QString::number(m_gamePort); }
    bool isPlayingSeat(int seat) const { return seat >= 1 && seat <= m_state.playingSeats; }
    bool playsSeat(int seat) const;

    ClientLink& m_link;
    QString m_settingsPath;
    ClientState m_state;
    TableRoster m_roster;
    IgnoreList m_ignored;
    wire::ReceiveRemainder m_inbox;
    wire::Dispatcher m_queue;
    QTimer* m_phraseCooldown = nullptr;
    Clock m_clock;
    std::function<QString()> m_version;
    wire::LineAllowance m_lineAllowance{wire::kLineWindowMs + kLineSlackMs};
    quint16 m_gamePort = 7772;
    bool m_ended = false;
    // The name each held seat waits for ([1..4]): its player's arrival there is a return.
    std::array<QString, TableRoster::kSeats + 1> m_heldFor{};
    // Seats whose player just came back: the host's "plays again" says nothing new.
    std::array<bool, TableRoster::kSeats + 1> m_back{};
    int m_formerSeat = 0;     // our record before we came back to our seat
    bool m_returning = false; // back in our seat; our own arrival there is no news
    bool m_removedSelf = false;
    bool m_full = false;
    Departure m_departure = Departure::ClosedByUs;
    QList<int> m_removed; // records removed by the host's player, still to depart
};
