// The start-up and connection state of the table window, shared by its parts.
#pragma once

#include "protocol/colourtext.h"

#include <QString>

struct ClientState {
    QString playerName;       // command-line parameter 1; "You" in a solo game
    QString hostAddress;      // command-line parameter 2; "127.0.0.1" in a solo game
    bool isHost = false;      // this instance listens
    bool networkHost = false; // listening for other players (the third parameter "true"), not solo
    int ownSeat = 0;          // record number given by the host
    bool connected = false;   // set when the host gave us a record; never cleared
    int turnSeat = 0;         // seat whose dice this client treats as playable
    // The computer plays our seat (just watch, or the turn it began before we came
    // back): its turns are watched here, never played.
    bool computerPlaysOwnSeat = false;
    int playingSeats = 4;    // records 1..4 play, higher records are spectators
    bool phraseReady = true; // phrase-button cool-down flag
    wire::BgrColour systemColour = wire::kBlue;

    bool ownSeatPlays() const { return ownSeat >= 1 && ownSeat <= playingSeats; }
};
