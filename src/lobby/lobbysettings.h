// Where the lobby installer comes from, where it goes, and where an installed lobby is.
#pragma once

#include <QString>

namespace lobby {

// The maker's installer, used when the settings file names no other address.
inline constexpr char kDefaultLobbyUrl[] = "http://www.zumvek.com/downloads/ZumvekLobbySetup.exe";
// The settings file shared with the lobby, and the section and key this window reads.
inline constexpr char kSettingsFile[] = "zumveklobby.ini";
inline constexpr char kSettingsSection[] = "Vimbrel";
inline constexpr char kLobbyUrlKey[] = "Lobbyurl";
// The installed lobby, looked for beside the game's own program, then on the PATH.
inline constexpr char kLobbyProgram[] = "zumveklobby";

// The value of `key` in `section` of the ini file at `path`; section and key match without
// regard to letter case, as the lobby writes them. Empty when the file or key is missing.
QString readIniValue(const QString& path, const QString& section, const QString& key);

// The installer's address: `Lobbyurl` from the settings file when set, else the default.
QString lobbyDownloadAddress();

// The installer's file name: the part of `address` after its last "/".
QString installerFileName(const QString& address);

// Full path the installer named `fileName` is saved to: the program's folder, or the
// user's data folder when the program's folder is not writable.
QString installerPath(const QString& fileName);

// Full path of the lobby program (beside the game, else on the PATH), or empty when
// there is none.
QString installedLobby();

} // namespace lobby
