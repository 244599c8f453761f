// The table window's one seam to the host, both ways: it hears the connection
// through ClientEvents and speaks through ClientLink. The socket adapter implements
// ClientLink on TSock; the in-process pair (locallinks.h) with no sockets.
#pragma once

#include "protocol/departure.h"

#include <QByteArray>
#include <QString>

class ClientEvents {
public:
    virtual ~ClientEvents() = default;
    // Bytes from the host, as they came.
    virtual void sockRead(const QByteArray& bytes) = 0;
    // The connection ended: exactly once per open() that started one, after every byte
    // that came before it, always from the event loop, never from inside a call into
    // the link (so a close() from inside sockRead is heard after sockRead returns).
    virtual void departed(Departure why) = 0;
    // The connection's "Error #…" texts, for the player (a host that cannot be
    // reached, a connection that broke). Never used to learn that it ended.
    virtual void sockInfo(const QString& text) = 0;
};

class ClientLink {
public:
    virtual ~ClientLink() = default;
    // Whom to tell; null stops the reports.
    virtual void attach(ClientEvents* events) = 0;
    // Starts connecting to the host (its game port). Does nothing while a connection
    // is open or opening: that one's departure is still to come.
    virtual void open(const QString& host) = 0;
    // Queues bytes for the host; never blocks, never fails while open or opening.
    // Bytes given while closed go nowhere.
    virtual void send(const QByteArray& bytes) = 0;
    // Ends the connection (queued bytes go first); departed(ClosedByUs) follows from
    // the event loop unless the connection had already ended.
    virtual void close() = 0;
};
