// One scripted connection of a benchmark table. It logs in with the record the host
// gives it and then plays by its record:
//   1      starts a game once the table is full (bot speed first) and a new one after
//          each winner, and lets the computer play its seat;
//   2      plays its own turns: rolls all ten dice three times, then holds them all;
//   3, 4   let the computer play their seats;
//   5..9   watch (the load generator makes them chat).
// It only reacts to messages, so the same script runs over sockets and in-process.
#pragma once

#include "benchwire.h"

#include <set>
#include <string>
#include <string_view>

namespace bench {

class ScriptedSeat {
public:
    struct Options {
        std::string name;
        std::string version;
        int botSpeed = 500;
        int tableSize = 9;   // record 1 starts once this many records have logged in
        bool playGames = true; // false: log in and stay quiet (a table hosted elsewhere)
    };

    explicit ScriptedSeat(Options options) : m_options(std::move(options)) {}

    int record() const { return m_record; }
    bool loggedIn() const { return m_record != 0; }
    bool spectator() const { return m_record >= 5; }
    // Turns announced to this connection, games it saw end, turns it played itself.
    int turnsSeen() const { return m_turnsSeen; }
    int gamesEnded() const { return m_gamesEnded; }
    int ownTurns() const { return m_ownTurns; }
    int knownRecords() const { return int(m_known.size()); }

    // Handles one message from the host (without its terminator) and appends the
    // framed replies to `out`.
    void onMessage(std::string_view message, std::string& out) {
        std::string_view body;
        if (bodyOf(message, "CMD_sendlogininfo", body)) {
            m_record = int(number(body));
            out += send::logininfo(m_record, m_options.version, m_options.name);
        } else if (bodyOf(message, "CMD_newplayerinfo", body) || bodyOf(message, "CMD_existingplayers", body)) {
            m_known.insert(int(leadingNumber(body)));
            if (leads() && !m_started && int(m_known.size()) >= m_options.tableSize) {
                m_started = true;
                startGame(out);
            }
        } else if (bodyOf(message, "CMD_playerdisconnected", body)) {
            m_known.erase(int(leadingNumber(body)));
        } else if (bodyOf(message, "CMD_startgame", body)) {
            m_watching = false;
        } else if (bodyOf(message, "CMD_nextplayer", body)) {
            ++m_turnsSeen;
            const int seat = int(leadingNumber(body));
            // Just watching only counts during a game, so it waits for the first turn.
            if (watches() && !m_watching) {
                m_watching = true;
                out += send::justwatch(m_record);
            }
            if (plays() && seat == m_record) {
                ++m_ownTurns;
                out += send::rollAll(m_record);
            }
        } else if (bodyOf(message, "CMD_createdice", body)) {
            const auto f = fields(body);
            if (plays() && f.size() >= 2 && number(f[0]) == m_record)
                out += number(f[1]) < 3 ? send::rollAll(m_record) : send::holdAll(m_record);
        } else if (bodyOf(message, "CMD_winner", body)) {
            ++m_gamesEnded;
            if (leads()) startGame(out);
        }
    }

private:
    bool leads() const { return m_options.playGames && m_record == 1; }
    bool plays() const { return m_options.playGames && m_record == 2; }
    bool watches() const { return m_options.playGames && (m_record == 1 || m_record == 3 || m_record == 4); }

    void startGame(std::string& out) {
        out += send::botspeed(m_options.botSpeed);
        out += send::startgame(m_options.name);
    }

    Options m_options;
    int m_record = 0;
    std::set<int> m_known;
    bool m_started = false;
    bool m_watching = false;
    int m_turnsSeen = 0;
    int m_gamesEnded = 0;
    int m_ownTurns = 0;
};

} // namespace bench
