// The table window's one seam to the host, both ways: it hears the connection
// through ClientEvents and speaks through ClientLink. The socket adapter implements
// ClientLink on TSock; the in-process pair (locallinks.h) with no sockets.
#pragma once

#include <QByteArray>
#include <QString>

class ClientEvents {
public:
    virtual ~ClientEvents() = default;
    // Bytes from the host, as they came.
    virtual void sockRead(const QByteArray& bytes) = 0;
    // The connection's info texts: "Socket Closed" when it ends, "Error #…" texts.
    virtual void sockInfo(const QString& text) = 0;
};

class ClientLink {
public:
    virtual ~ClientLink() = default;
    // Whom to tell; null stops the reports.
    virtual void attach(ClientEvents* events) = 0;
    // Starts connecting to the host (its game port).
    virtual void open(const QString& host) = 0;
    // Queues bytes for the host; never blocks, never fails while open or opening.
    virtual void send(const QByteArray& bytes) = 0;
    virtual void close() = 0;
};
