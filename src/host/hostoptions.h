// The dedicated host's command line.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace host {

inline constexpr int kDefaultPort = 7772;
inline constexpr quint16 kDefaultLobbyPort = 5222;

// Where the table announces itself. Empty `server`: it does not.
struct LobbyOptions {
    QString server; // a name or address, without brackets
    quint16 port = kDefaultLobbyPort;
    QString account;      // "name@lobby.example"
    QString passwordFile; // read at start (readPassword), never taken on the command line
    QString caFile;       // extra trusted certificates for the lobby's TLS; empty: the system's
    QString tableName;    // empty: defaultTableName()
    QString ipv4, ipv6;   // where players reach this table; at least one
    bool enabled() const { return !server.isEmpty(); }
    QString domain() const { return account.section(QLatin1Char('@'), 1); }
};

struct HostOptions {
    int port = kDefaultPort;
    int botSpeed = 1000;
    int maxPerAddress = 4; // open connections one peer address may hold
    bool expert = false;   // Klot's skill until the first player sets it
    LobbyOptions lobby;
    bool exit = false; // answered (--help, --version) or refused: print `message`, exit `status`
    int status = 0;
    QString message;
};

// Reads `vimbrel-host [--port N] [--bot-speed 500|1000|2000] [--bot-skill normal|expert]
// [--max-per-address N] [--lobby-server HOST[:PORT] --lobby-account JID
// --lobby-password-file F --lobby-address ADDR [--lobby-address ADDR] [--lobby-ca-file F]
// [--lobby-table-name NAME]]`
// (port 0: a free one, named by the first log line); a bad argument gives exit status 2
// and a one-line message.
HostOptions parse(const QStringList& args);

// The lobby password from the first line of `path`. Refused (nullopt, `why` says it for
// the operator) when the file is missing, empty, or open to anyone but its owner: a
// password others can read is no longer a secret.
std::optional<QString> readPassword(const QString& path, QString* why);

// "vimbrel-host on MACHINE", cut to the lobby's limit for a table's name.
QString defaultTableName();

} // namespace host
