// The computer player's pace and moves. It steps on its own timer at the bot speed:
// a roll step, then a decide step after each roll, until its seat's turn is scored.
// What it does at a step is the host's (it sends the same requests a table would);
// what it asks for is decided here, from the seat's plan.
#pragma once

#include "rules/rules.h"

#include <QList>
#include <QTimer>
#include <functional>

namespace server {

class ComputerPlayer {
public:
    enum class Stage { Roll = 1, Decide = 2 };
    // `step` runs when a step is due, with the stage it was started at.
    explicit ComputerPlayer(std::function<void(Stage)> step);

    // The bot speed in milliseconds. A step that waited for the first speed starts now.
    void setInterval(int ms);
    int interval() const { return m_interval; }
    // Schedules the next step; with no speed set yet it waits for one.
    void start(Stage stage);
    void stop();
    Stage stage() const { return m_stage; }
    bool waiting() const { return m_waiting; }
    QTimer& timer() { return m_timer; }
    // Runs the due step now (the timer's tick).
    void tick();

    // The move at a roll step: roll the dice the plan does not keep, or, with no roll
    // left or nothing to roll, end the turn with the dice it keeps.
    struct Move {
        bool endTurn = false;
        QList<int> dice;
    };
    static Move next(const rules::Plan& plan, int rollno, int maxRolls);

private:
    std::function<void(Stage)> m_step;
    QTimer m_timer;
    Stage m_stage = Stage::Roll;
    int m_interval = 0; // 0 until the first bot speed
    bool m_waiting = false;
};

} // namespace server
