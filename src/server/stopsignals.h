// SIGTERM and SIGINT for a server program (the dedicated host, the lobby's bot): the
// handler only writes the signal's number into a socket pair, and the event loop reads it,
// so the stop runs as an ordinary event, never inside the signal handler.
#pragma once

#include <QString>
#include <functional>

class QObject;

namespace server {

// Calls `onStop` with the signal's number once, on `context`'s thread, at the first
// SIGTERM or SIGINT. False when the socket pair cannot be made.
bool catchStopSignals(QObject* context, std::function<void(int)> onStop);

// "SIGINT" or "SIGTERM", for the log.
QString stopSignalName(int signal);

} // namespace server
