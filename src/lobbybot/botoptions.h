// The bot's command line:
//   vimbrel-lobbybot --server HOST [--port 5222] --domain D --password-file F [--ca-file F]
//                    [--admin ACCOUNT] [--host-program PATH --ports 7800-7819 --public-address
//                    ADDR]…
#pragma once

#include <QString>
#include <QStringList>

namespace lobbybot {

struct BotOptions {
    QString server;
    quint16 port = 5222;
    QString domain;
    QString passwordFile;
    QString caFile;
    QString admin; // the account that marks operators trusted; default admin@D
    // Server tables: all three, or none.
    QString hostProgram;
    quint16 firstPort = 0;
    quint16 lastPort = 0;
    QStringList publicAddresses; // one IPv4 and/or one IPv6

    bool exit = false; // --help, --version or a bad argument: print `message`, exit `status`
    int status = 0;
    QString message;
};

BotOptions parseBotOptions(const QStringList& args);

// The password file's first line; empty when it cannot be read.
QString readPasswordFile(const QString& path, QString* why);

// Whether `host` names this machine's loopback (a development or test lobby).
bool isLoopbackHost(const QString& host);

} // namespace lobbybot
