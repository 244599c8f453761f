// The dedicated host's command line.
#pragma once

#include <QString>
#include <QStringList>

namespace host {

inline constexpr int kDefaultPort = 7772;

struct Options {
    int port = kDefaultPort;
    int botSpeed = 1000;
    bool expert = false; // Klot's skill until the first player sets it
    bool exit = false;   // answered (--help, --version) or refused: print `message`, exit `status`
    int status = 0;
    QString message;
};

// Reads `vimbrel-host [--port N] [--bot-speed 500|1000|2000] [--bot-skill normal|expert]`
// (port 0: a free one, named by the first log line); a bad argument gives exit status 2
// and a one-line message.
Options parse(const QStringList& args);

} // namespace host
