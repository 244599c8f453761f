// Reading the addresses a router reports. Whatever a router says is untrusted: only a
// terminated text of sane length that parses as an address is taken.
#pragma once

#include <QHostAddress>

#include <cstddef>

namespace portmap {

// The address in `buffer` (`capacity` bytes, which must include its terminating NUL),
// or a null address when the text is missing, unterminated, too long, not an IP
// address, or an address no host can have (0.0.0.0, multicast, broadcast).
QHostAddress addressFromRouter(const char* buffer, std::size_t capacity);

// False for the ranges a router sitting behind another router reports as its outside
// (private, shared carrier-grade NAT, loopback, link-local): players on the internet
// cannot reach those.
bool reachableFromInternet(const QHostAddress& address);

} // namespace portmap
