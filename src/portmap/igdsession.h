// One conversation with the local router over UPnP IGD, through Debian's miniupnpc.
// It runs only inside the helper program (portmaphelper.cpp), never in the game: every
// call blocks and reads whatever the router sends, which the helper's limits bound.
#pragma once

#include "portmap/helperreport.h"

#include <cstdint>
#include <string>

namespace portmap {

// Where a router found earlier takes requests, as a report gave it back.
struct GatewayAddress {
    std::string control; // the control address of its connection service
    std::string service; // that service's type
    std::string lan;     // this computer's address towards the router (dotted quad)
};

class IgdSession {
public:
    // `port` is forwarded to the same port of this computer.
    explicit IgdSession(std::uint16_t port) : m_port(port) {}

    // Finds the router (waiting `discoverMs` for answers, discovery going out on
    // `multicastInterface`, a name or an address; null for the system's choice) and asks
    // it to forward the port for `leaseSeconds`, or for good when it only takes
    // permanent mappings.
    Report map(int discoverMs, int leaseSeconds, const char* multicastInterface);
    // Asks the router at `gateway` for the mapping again, which renews the lease.
    Report renew(const GatewayAddress& gateway, int leaseSeconds);
    // Removes the mapping at `gateway`; Mapped is not used, the outcome is Refused or
    // NoAnswer when the router did not confirm, and NoRouter when it did.
    Report unmap(const GatewayAddress& gateway);

private:
    Report addMapping(const GatewayAddress& gateway, int leaseSeconds);

    std::uint16_t m_port;
};

} // namespace portmap
