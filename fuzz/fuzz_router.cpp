// The router's replies as the port-mapping helper reads them, and the helper's report
// as the game reads it. The first byte picks the reader:
//   0  a device description (the rest; a counted base address first) through
//      miniupnpc's parser and address builder, as the gateway search does
//   1  a SOAP reply (the rest) to the action picked by the next byte, through the
//      strict reply reading
//   2  a helper report (the rest) through the game's strict report reading
#include "fuzzinput.h"

#include "portmap/helperreport.h"
#include "portmap/soapreply.h"

#include <miniupnpc/igd_desc_parse.h>
#include <miniupnpc/miniupnpc.h>

#include <cstring>
#include <string>

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) fuzz::fail(#cond, __FILE__, __LINE__);                                        \
    } while (0)

namespace {

using portmap::Outcome;
using portmap::Report;

bool terminated(const char* field) {
    return std::memchr(field, '\0', MINIUPNPC_URL_MAXSIZE) != nullptr;
}

// A report survives being written and read again unchanged.
void roundTrip(const Report& r) {
    const auto again = portmap::readReport(portmap::writeReport(r));
    CHECK(again);
    CHECK(again->outcome == r.outcome && again->code == r.code && again->lease == r.lease);
    CHECK(again->external == r.external && again->control == r.control);
    CHECK(again->service == r.service && again->lan == r.lan);
}

void description(fuzz::Input& in) {
    QByteArray base = in.bytes(120);
    if (base.isEmpty()) base = "http://10.77.0.1:5555/rootDesc.xml";
    const QByteArray doc = in.rest();
    IGDdatas data{};
    parserootdesc(doc.constData(), int(doc.size()), &data);
    for (const IGDdatas_service* s : {&data.CIF, &data.first, &data.second, &data.IPv6FC})
        CHECK(terminated(s->controlurl) && terminated(s->servicetype) && terminated(s->scpdurl) &&
              terminated(s->eventsuburl));
    CHECK(terminated(data.urlbase) && terminated(data.presentationurl));
    UPNPUrls urls{};
    GetUPNPUrls(&urls, &data, base.constData(), 0);
    // What the helper would report of this gateway, were it to map.
    if (urls.controlURL && portmap::isReportValue(urls.controlURL) &&
        portmap::isReportValue(data.first.servicetype)) {
        Report r = portmap::reportOf(Outcome::Mapped);
        r.control = urls.controlURL;
        r.service = data.first.servicetype;
        r.lan = "10.77.0.2";
        roundTrip(r);
    }
    FreeUPNPUrls(&urls);
}

void soapReply(fuzz::Input& in) {
    static const char* const kActions[] = {"AddPortMapping", "DeletePortMapping",
                                           "GetExternalIPAddress", "GetStatusInfo"};
    const char* action = kActions[in.below(4)];
    const QByteArray body = in.rest();
    const portmap::SoapVerdict v =
        portmap::readSoapReply(body.constData(), int(body.size()), action);
    switch (v.kind) {
    case portmap::SoapVerdict::Confirmed:
        CHECK(v.code == 0);
        // A yes never comes with an error code, however it is written.
        CHECK(!portmap::soapValue(body.constData(), int(body.size()), "errorCode"));
        break;
    case portmap::SoapVerdict::Refused:
        CHECK((v.code >= 1 && v.code <= 9999) || v.code == portmap::kUnreadableCode);
        break;
    case portmap::SoapVerdict::NoAnswer:
        CHECK(false); // a body was given
    }
    if (const auto address =
            portmap::soapValue(body.constData(), int(body.size()), "NewExternalIPAddress"))
        CHECK(!address->empty() && address->size() < 128);
}

void report(fuzz::Input& in) {
    const QByteArray text = in.rest();
    const auto r = portmap::readReport(std::string_view(text.constData(), size_t(text.size())));
    if (!r) return;
    CHECK(r->lease >= 0 && r->lease <= portmap::kMaxLease);
    if (r->outcome == Outcome::Mapped)
        CHECK(!r->control.empty() && !r->service.empty() && !r->lan.empty());
    roundTrip(*r);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    switch (in.below(3)) {
    case 0:
        description(in);
        break;
    case 1:
        soapReply(in);
        break;
    default:
        report(in);
        break;
    }
    return 0;
}
