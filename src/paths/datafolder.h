// Where the player's files live: beside the program when its folder is writable
// (a portable copy) and not under /usr, otherwise in the user's configuration or data
// folder.
#pragma once

#include <QString>

namespace datafolder {

// The program's folder. VIMBREL_PROGRAM_DIR overrides it (tests, portable set-ups).
QString programFolder();

// Full path for the settings file `name` (e.g. "zumveklobby.ini").
QString configFile(const QString& name);
// Full path for a data file `name` (e.g. "Vimbreltally.tld").
QString dataFile(const QString& name);

} // namespace datafolder
