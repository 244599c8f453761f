// Text on the wire: UTF-8 out; in, UTF-8 when valid, else Latin-1.
// Names and chat lines are single lines: control characters never travel.
#pragma once

#include <QByteArray>
#include <QString>

namespace wire {

// The byte that ends every message. UTF-8 never produces it.
inline constexpr char kTerminator = '\xFF';

QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);

// Drops line breaks and every other control character (C0, DEL and C1).
QString singleLine(const QString& text);

} // namespace wire
