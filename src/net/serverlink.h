// The host's one way to the world: the seat records' connections. The socket
// adapter implements it on TSock; tests implement it with a recorder.
#pragma once

#include <QByteArray>

class ServerLink {
public:
    virtual ~ServerLink() = default;
    // Takes the connection waiting on the listener into `record` (1..10).
    // False when no connection was waiting.
    virtual bool accept(int record) = 0;
    // Queues bytes for the record's connection; never blocks.
    virtual void send(int record, const QByteArray& bytes) = 0;
    // Closes the record's connection. The adapter reports the close back through
    // TServer::tempsockInfo(record, "Socket Closed"); the socket adapter does so
    // from the event loop, test links may do it at once.
    virtual void close(int record) = 0;
    // Closes and forgets the record's connection without any report (a connection
    // turned away because the table is full).
    virtual void destroy(int record) = 0;
};
