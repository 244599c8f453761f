// Why a connection ended, as both seams report it: an event with its reason, so no
// code has to read a socket's info texts to learn that a connection is gone.
#pragma once

enum class Departure {
    ClosedByPeer, // the other end closed in order: every byte it sent came first
    Reset,        // the connection broke: reset by the peer, timed out, the network failed
    ClosedByUs,   // this side's link closed it (the table's close(), a host link's own drop)
};
