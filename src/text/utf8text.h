// Text as bytes, the one way the wire, the settings file and the tally file all share:
// UTF-8 out; in, UTF-8 when valid, else Latin-1.
#pragma once

#include <QByteArray>
#include <QString>

namespace text {

QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);

// Drops line breaks and every other control character (C0, DEL and C1), for text
// that must stay on one line (names, chat lines, the tally's cells).
QString singleLine(const QString& text);

} // namespace text
