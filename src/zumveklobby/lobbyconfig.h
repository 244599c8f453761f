// The lobby's own settings: section "ZumvekLobby" of "zumveklobby.ini", the file the
// game keeps its "Vimbrel" section in. Only this section is ever written; the password
// never is (it lives in the desktop's secret store).
#pragma once

#include <QRect>
#include <QString>
#include <optional>

namespace zumvek {

inline constexpr char kSection[] = "ZumvekLobby";
// The maker's lobby, used until the player names another.
inline constexpr char kDefaultServer[] = "lobby.zumvek.com";

struct LobbyConfig {
    QString server = QString::fromLatin1(kDefaultServer); // DOMAIN or DOMAIN:PORT
    QString serverHost;    // connect here instead of the domain's own address (a LAN lobby)
    QString account;       // the account's name, or a guest's chosen name
    bool guest = false;    // the last log-in was as a guest
    QString gameProgram;   // the game to start; empty: beside the lobby, else on the PATH
    QString publicAddress; // announce this address for a table at home, "ADDRESS[:PORT]"
    QString caFile;        // extra trusted certificates for a private lobby
    QRect geometry;        // the main window; null until it was saved once

    // The settings in the file at `path`; defaults for whatever is missing.
    static LobbyConfig load(const QString& path);
    // Writes this section into the file at `path`, keeping every other section and
    // line as it was; atomic. False when it could not be written.
    bool save(const QString& path) const;
};

// The settings file's full path, where the game finds it too.
QString settingsPath();

// "lobby.example.org" or "lobby.example.org:5223". A domain is 1..253 characters of
// letters, digits, dots and hyphens.
struct ServerAddress {
    QString domain;
    quint16 port = 0; // 0: the standard port
};
std::optional<ServerAddress> parseServer(const QString& text);

} // namespace zumvek
