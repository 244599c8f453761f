// One conversation with the local router over UPnP IGD, through Debian's miniupnpc.
// Every call blocks (discovery for its delay, each request up to the library's own
// socket timeouts of a few seconds), so a session lives on PortMapper's worker thread.
#pragma once

#include <QByteArray>
#include <QHostAddress>

#include <memory>

namespace portmap {

enum class Outcome {
    Mapped,   // the router forwards the port
    NoRouter, // nothing answered, or what answered is no connected internet gateway
    Refused,  // a gateway answered and said no (see `code`)
};

struct MapResult {
    Outcome outcome = Outcome::NoRouter;
    int code = 0;          // the router's UPnP error (or miniupnpc's negative one) when refused
    QHostAddress external; // the router's outside address; null when its answer did not parse
    int lease = 0;         // seconds the mapping lasts; 0 for a permanent one
};

class IgdSession {
public:
    // `port` is forwarded to the same port of this computer. `multicastInterface` (a
    // name or an address) carries the discovery; empty leaves the choice to the system.
    IgdSession(quint16 port, QByteArray multicastInterface);
    ~IgdSession(); // forgets the router; removing the mapping is unmap()'s job
    IgdSession(const IgdSession&) = delete;
    IgdSession& operator=(const IgdSession&) = delete;

    // Finds the router (waiting `discoverMs` for answers) and asks it to forward the
    // port for `leaseSeconds`, or for good when it only takes permanent mappings.
    MapResult map(int discoverMs, int leaseSeconds);
    // Asks the router found by map() again, which renews the lease.
    MapResult renew();
    // Removes the mapping this session made, if any; true when the router confirmed.
    bool unmap();
    bool mapped() const { return m_mapped; }

private:
    struct Gateway;
    int addMapping(int leaseSeconds);

    quint16 m_port;
    QByteArray m_multicastInterface;
    std::unique_ptr<Gateway> m_gateway;
    QByteArray m_lanAddress; // this computer's address towards the router
    int m_lease = 0;
    bool m_mapped = false;
};

} // namespace portmap
