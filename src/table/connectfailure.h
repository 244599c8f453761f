// What a join that never connected tells the player: the address they gave and, in
// words, what the socket reported ("Error #10061 (WSAECONNREFUSED)" means the host
// refused), so nobody has to look up a Windows Sockets code.
#pragma once

#include <QString>

namespace connectfailure {

// `socketText` is the socket's info-7 text; `address` the host as the player gave it,
// with or without its own port; `gamePort` the port tried when it names none.
QString describe(const QString& socketText, const QString& address, const QString& gamePort);

} // namespace connectfailure
