// Starting from a link a web page offers ("vimbrel://join/HOST[:PORT]"), which the
// desktop entry hands to the game as its only parameter: join that table under the name
// the Join dialog saved, or ask for a name in that dialog first.
#pragma once

#include "net/hostport.h"

#include <QStringList>
#include <functional>
#include <optional>

class NetDialog;

namespace linkstart {

struct Plan {
    hostport::HostPort target; // the table the link names
    QStringList arguments;     // the game's parameters; empty when a name must be asked for
};

// What `link` asks for, with the name saved in the settings file at `settingsPath`;
// nullopt when it is no link to a table (then nothing may be started).
std::optional<Plan> plan(const QString& link, const QString& settingsPath);

// The words that refuse a bad link, naming it (shown as plain text, shortened).
QString refusal(const QString& link);

// The words for a link given while another copy of the game is open.
QString alreadyRunning(const hostport::HostPort& target);

// The Join dialog, filled with the link's table and with the focus on the name. When the
// player starts, `start` gets the game's parameters (the dialog saves the name for next
// time). The caller owns the dialog and shows it.
NetDialog* askName(const hostport::HostPort& target, const QString& settingsPath,
                   std::function<void(const QStringList&)> start);

} // namespace linkstart
