// Text from the network on its way into the host's log: whatever a peer sends, each
// log line stays one line that says only what happened.
#pragma once

#include <QString>

namespace server {

// How much of one field (a name, a number that was not one) the log shows.
inline constexpr int kLogFieldLength = 64;

// `text` with every control, format, bidirectional, separator and lone surrogate
// character shown as "?", cut to `limit` UTF-16 units ("…" marks a cut).
QString logField(const QString& text, int limit = kLogFieldLength);

} // namespace server
