// What the board needs from the table window around it.
#pragma once

#include "protocol/colourtext.h"

#include <QByteArray>
#include <QString>

class BoardHost {
public:
    virtual ~BoardHost() = default;
    virtual void send(const QByteArray& bytes) = 0;                        // to the host
    virtual void addlinetochat(const QString& line, wire::BgrColour colour) = 0;
    virtual void playsounds(const QString& name) = 0;
    virtual void addgame(const QString& winnerText) = 0;                   // tally
    virtual int turnSound() const = 0;                                     // 0 Classic, 1 New
    virtual void saveinifile() = 0;
    virtual void showMessage(const QString& text) = 0;                     // modal box
    virtual void setJustWatchChecked(bool checked) = 0;                    // Options > Just Watch
    virtual void turnStarted() {}                                          // own turn began
};
