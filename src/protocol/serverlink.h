// The host's one seam to its connections, both ways. It hears them through
// ServerEvents (a connection waits, bytes came, a connection ended) and answers
// through ServerLink. The socket adapter implements ServerLink on TSock; the
// in-process pair (locallinks.h) implements it with no sockets for tests and fuzzers.
//
// No call into a ServerLink delivers an event from inside itself: whatever a send or
// a close brings about is reported later, from the event loop.
#pragma once

#include "protocol/departure.h"

#include <QByteArray>
#include <QString>

class ServerEvents {
public:
    virtual ~ServerEvents() = default;
    // A connection waits on the listener; the host takes it with ServerLink::accept.
    virtual void Sock1Accept() = 0;
    // Bytes from the record's connection, as they came: any cut, any number of messages.
    virtual void Sock1Read(int record, const QByteArray& bytes) = 0;
    // The record's connection ended without the host asking: closed by the peer, reset
    // (or gone silent), or dropped by the link itself (ClosedByUs: a peer that leaves
    // too much unread). Once per connection, after every byte it sent; never for a
    // close the host made itself, and the link has let the record go when it is heard.
    virtual void tempsockDisconnect(int record, Departure why) = 0;
};

class ServerLink {
public:
    virtual ~ServerLink() = default;
    // Whom to tell about the connections; null stops the reports.
    virtual void attach(ServerEvents* events) = 0;
    // Takes the connection waiting on the listener into `record` (1..10).
    // False when no connection was waiting.
    virtual bool accept(int record) = 0;
    // Queues bytes for the record's connection; never blocks.
    virtual void send(int record, const QByteArray& bytes) = 0;
    // Closes the record's connection gracefully (queued bytes go first). The host has
    // already let the record go, so nothing is reported back.
    virtual void close(int record) = 0;
    // Moves the connection of record `from` to record `to`: a player back in the seat
    // that was held for them. Refuses (false, nothing changes, nobody is told) when
    // `from` has no connection, when `to` == `from`, or when `to` is taken: a record
    // still holding a connection belongs to whoever is on it, and closing that one
    // silently would drop a player the host never let go. The host moves only into a
    // record whose departure it has heard (or that it closed itself).
    virtual bool move(int from, int to) = 0;
    // Where the record's connection comes from, for the host's log ("" when unknown).
    virtual QString peerName(int /*record*/) const { return {}; }
};
