#include "portmap/igdsession.h"

#include "portmap/routeraddress.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>

#include <cstring>

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

} // namespace

// The gateway's control address and service as miniupnpc parsed them from the
// router's description; freed with the session.
struct IgdSession::Gateway {
    UPNPUrls urls{};
    IGDdatas data{};
    ~Gateway() { FreeUPNPUrls(&urls); }
    const char* controlUrl() const { return urls.controlURL; }
    const char* service() const { return data.first.servicetype; }
};

IgdSession::IgdSession(quint16 port, QByteArray multicastInterface)
    : m_port(port), m_multicastInterface(std::move(multicastInterface)) {}

IgdSession::~IgdSession() = default;

MapResult IgdSession::map(int discoverMs, int leaseSeconds) {
    m_gateway.reset();
    m_mapped = false;
    int error = 0;
    // Every kind is asked for at once: asked one after the other, each waits the whole
    // delay, and a network without a router would keep the player waiting four times as long.
    UPNPDev* devices = upnpDiscoverDevices(
        kGatewayKinds, discoverMs,
        m_multicastInterface.isEmpty() ? nullptr : m_multicastInterface.constData(), nullptr,
        UPNP_LOCAL_PORT_ANY, 0, kDiscoveryTtl, &error, 1);
    if (!devices) return {};
    auto gateway = std::make_unique<Gateway>();
    char lan[64] = {};
    const int found = UPNP_GetValidIGD(devices, &gateway->urls, &gateway->data, lan, sizeof lan);
    freeUPNPDevlist(devices);
    // 1 is a gateway that says it is connected; 2 (not connected) and 3 (some other
    // device) cannot give the internet a way in.
    if (found != 1 || !gateway->controlUrl()) return {};
    // Our own address as the socket saw it; still checked, as it is what we send.
    const QHostAddress lanAddress = addressFromRouter(lan, sizeof lan);
    if (lanAddress.protocol() != QAbstractSocket::IPv4Protocol) return {};
    m_lanAddress = lanAddress.toString().toLatin1();
    m_gateway = std::move(gateway);

    int code = addMapping(leaseSeconds);
    if (code == kOnlyPermanentLeases && leaseSeconds != 0) code = addMapping(0);
    if (code != UPNPCOMMAND_SUCCESS) return {Outcome::Refused, code, {}, 0};
    m_mapped = true;

    MapResult result{Outcome::Mapped, 0, {}, m_lease};
    // At least 16 bytes, the library says; more room and a NUL of our own besides.
    char external[64] = {};
    if (UPNP_GetExternalIPAddress(m_gateway->controlUrl(), m_gateway->service(), external) ==
        UPNPCOMMAND_SUCCESS) {
        external[sizeof external - 1] = '\0';
        result.external = addressFromRouter(external, sizeof external);
    }
    return result;
}

MapResult IgdSession::renew() {
    if (!m_gateway || !m_mapped) return {};
    const int code = addMapping(m_lease);
    if (code != UPNPCOMMAND_SUCCESS) {
        // The router may have dropped it already; nothing of ours is left to remove.
        m_mapped = false;
        return {Outcome::Refused, code, {}, 0};
    }
    return {Outcome::Mapped, 0, {}, m_lease};
}

bool IgdSession::unmap() {
    if (!m_gateway || !m_mapped) return false;
    m_mapped = false;
    const QByteArray port = QByteArray::number(m_port);
    return UPNP_DeletePortMapping(m_gateway->controlUrl(), m_gateway->service(), port.constData(),
                                  kProtocol, nullptr) == UPNPCOMMAND_SUCCESS;
}

int IgdSession::addMapping(int leaseSeconds) {
    const QByteArray port = QByteArray::number(m_port);
    const QByteArray lease = QByteArray::number(leaseSeconds);
    const int code = UPNP_AddPortMapping(
        m_gateway->controlUrl(), m_gateway->service(), port.constData(), port.constData(),
        m_lanAddress.constData(), kDescription, kProtocol, nullptr, lease.constData());
    if (code == UPNPCOMMAND_SUCCESS) m_lease = leaseSeconds;
    return code;
}

} // namespace portmap
