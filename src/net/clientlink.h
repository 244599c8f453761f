// The table window's one connection to the host. The socket adapter implements it
// on TSock; tests implement it with a recorder.
#pragma once

#include <QByteArray>
#include <QString>

class ClientLink {
public:
    virtual ~ClientLink() = default;
    // Starts connecting to host:7772 (or the port the adapter was built for).
    virtual void open(const QString& host) = 0;
    // Queues bytes for the host; never blocks, never fails while open or opening.
    virtual void send(const QByteArray& bytes) = 0;
    virtual void close() = 0;
};
