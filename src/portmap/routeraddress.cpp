#include "portmap/routeraddress.h"

#include <cstring>

namespace portmap {

namespace {

// The longest text form of an IPv6 address with an embedded IPv4 part.
constexpr std::size_t kMaxAddressText = 45;

bool inRange(quint32 address, quint32 network, int prefix) {
    const quint32 mask = prefix == 0 ? 0 : ~quint32(0) << (32 - prefix);
    return (address & mask) == network;
}

} // namespace

QHostAddress addressFromRouter(const char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0) return {};
    const void* end = std::memchr(buffer, '\0', capacity);
    if (!end) return {};
    const std::size_t length = static_cast<const char*>(end) - buffer;
    if (length == 0 || length > kMaxAddressText) return {};
    // Latin-1 keeps every byte one character, so nothing a router sends decodes into
    // something that parses by accident.
    const QString text = QString::fromLatin1(buffer, qsizetype(length));
    QHostAddress address;
    if (!address.setAddress(text)) return {};
    // A scope ("fe80::1%eth0") names one of our interfaces, never the router's outside.
    if (!address.scopeId().isEmpty()) return {};
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        // Only the plain dotted quad: short forms ("10.1") and leading zeros read
        // differently elsewhere, so the address shown might not be the one meant.
        if (address.toString() != text) return {};
        const quint32 v4 = address.toIPv4Address();
        if (v4 == 0 || address.isMulticast() || address.isBroadcast()) return {};
    } else if (address.isNull() || address == QHostAddress(QHostAddress::AnyIPv6) ||
               address.isMulticast()) {
        return {};
    }
    return address;
}

bool reachableFromInternet(const QHostAddress& address) {
    if (address.isNull() || address.isLoopback() || address.isLinkLocal()) return false;
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        const quint32 v4 = address.toIPv4Address();
        return !inRange(v4, 0x0A000000, 8)      // 10/8
               && !inRange(v4, 0xAC100000, 12)  // 172.16/12
               && !inRange(v4, 0xC0A80000, 16)  // 192.168/16
               && !inRange(v4, 0x64400000, 10); // 100.64/10, shared by carrier-grade NAT
    }
    return !address.isUniqueLocalUnicast() && !address.isSiteLocal();
}

} // namespace portmap
