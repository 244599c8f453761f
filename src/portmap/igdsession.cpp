#include "portmap/igdsession.h"

#include "portmap/soapreply.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>

#include <arpa/inet.h>

#include <cstdlib>

namespace portmap {

namespace {

// The text routers show beside the mapping in their lists.
constexpr char kDescription[] = "Vimbrel";
constexpr char kProtocol[] = "TCP";
// UPnP's OnlyPermanentLeasesSupported: the router takes a lease of 0 only.
constexpr int kOnlyPermanentLeases = 725;
// upnpDiscover's TTL; 2 is what the UPnP device architecture recommends.
constexpr unsigned char kDiscoveryTtl = 2;
// What answers as an internet gateway, in the order miniupnpc's own discovery asks.
const char* const kGatewayKinds[] = {"urn:schemas-upnp-org:device:InternetGatewayDevice:1",
                                     "urn:schemas-upnp-org:service:WANIPConnection:1",
                                     "urn:schemas-upnp-org:service:WANPPPConnection:1",
                                     "upnp:rootdevice", nullptr};

bool isDottedQuad(const std::string& text) {
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

// One request to the router; the reply's body is freed with the object.
class SoapCall {
public:
    SoapCall(const GatewayAddress& gateway, const char* action, UPNParg* args) : m_action(action) {
        m_body = simpleUPnPcommand(-1, gateway.control.c_str(), gateway.service.c_str(), action,
                                   args, &m_size);
    }
    ~SoapCall() { std::free(m_body); }
    SoapCall(const SoapCall&) = delete;
    SoapCall& operator=(const SoapCall&) = delete;
    SoapVerdict verdict() const { return readSoapReply(m_body, m_size, m_action); }
    std::optional<std::string> value(const char* name) const {
        return soapValue(m_body, m_size, name);
    }

private:
    const char* m_action;
    char* m_body = nullptr;
    int m_size = 0;
};

Report fromVerdict(const SoapVerdict& v) {
    switch (v.kind) {
    case SoapVerdict::Confirmed:
        return reportOf(Outcome::Mapped);
    case SoapVerdict::Refused:
        return reportOf(Outcome::Refused, v.code);
    case SoapVerdict::NoAnswer:
        break;
    }
    return reportOf(Outcome::NoAnswer);
}

// The gateway miniupnpc chose among the devices that answered discovery, and what
// the search came to: 1 a connected gateway, 2 and 3 nothing that gives the internet
// a way in, 0 that no device gave a description it could read.
int findGateway(UPNPDev* devices, GatewayAddress& found) {
    UPNPUrls urls{};
    IGDdatas data{};
    char lan[64] = {};
    const int result = UPNP_GetValidIGD(devices, &urls, &data, lan, sizeof lan - 1);
    if (result == 1 && urls.controlURL) {
        found.control = urls.controlURL;
        found.service = data.first.servicetype;
        found.lan = lan;
    }
    FreeUPNPUrls(&urls);
    return result;
}

} // namespace

Report IgdSession::map(int discoverMs, int leaseSeconds, const char* multicastInterface) {
    int error = 0;
    // Every kind is asked for at once: asked one after the other, each waits the whole
    // delay, and a network without a router would keep the player waiting four times as long.
    UPNPDev* devices = upnpDiscoverDevices(kGatewayKinds, discoverMs, multicastInterface, nullptr,
                                           UPNP_LOCAL_PORT_ANY, 0, kDiscoveryTtl, &error, 1);
    if (!devices) return reportOf(Outcome::NoRouter);
    GatewayAddress gateway;
    const int found = findGateway(devices, gateway);
    freeUPNPDevlist(devices);
    // Devices announced themselves but none delivered its description: a router that
    // is there and does not answer, which the player should hear as such.
    if (found == 0) return reportOf(Outcome::NoAnswer);
    if (found != 1 || !isReportValue(gateway.control) || !isReportValue(gateway.service) ||
        !isDottedQuad(gateway.lan))
        return reportOf(Outcome::NoRouter);

    Report result = addMapping(gateway, leaseSeconds);
    if (result.outcome == Outcome::Refused && result.code == kOnlyPermanentLeases &&
        leaseSeconds != 0)
        result = addMapping(gateway, 0);
    if (result.outcome != Outcome::Mapped) return result;
    // A fault has an errorCode, never taken for the address; the game checks the rest.
    SoapCall external(gateway, "GetExternalIPAddress", nullptr);
    if (!external.value("errorCode"))
        result.external = external.value("NewExternalIPAddress").value_or(std::string());
    return result;
}

Report IgdSession::renew(const GatewayAddress& gateway, int leaseSeconds) {
    return addMapping(gateway, leaseSeconds);
}

Report IgdSession::unmap(const GatewayAddress& gateway) {
    const std::string port = std::to_string(m_port);
    UPNParg args[] = {{"NewRemoteHost", ""},
                      {"NewExternalPort", port.c_str()},
                      {"NewProtocol", kProtocol},
                      {nullptr, nullptr}};
    SoapCall call(gateway, "DeletePortMapping", args);
    const Report r = fromVerdict(call.verdict());
    return r.outcome == Outcome::Mapped ? reportOf(Outcome::NoRouter) : r;
}

Report IgdSession::addMapping(const GatewayAddress& gateway, int leaseSeconds) {
    const std::string port = std::to_string(m_port);
    const std::string lease = std::to_string(leaseSeconds);
    UPNParg args[] = {{"NewRemoteHost", ""},
                      {"NewExternalPort", port.c_str()},
                      {"NewProtocol", kProtocol},
                      {"NewInternalPort", port.c_str()},
                      {"NewInternalClient", gateway.lan.c_str()},
                      {"NewEnabled", "1"},
                      {"NewPortMappingDescription", kDescription},
                      {"NewLeaseDuration", lease.c_str()},
                      {nullptr, nullptr}};
    SoapCall call(gateway, "AddPortMapping", args);
    Report r = fromVerdict(call.verdict());
    if (r.outcome == Outcome::Mapped) {
        r.lease = leaseSeconds;
        r.control = gateway.control;
        r.service = gateway.service;
        r.lan = gateway.lan;
    }
    return r;
}

} // namespace portmap
