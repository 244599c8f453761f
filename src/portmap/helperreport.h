// What the port-mapping helper program tells the game about one conversation with
// the router: a few "key value" lines on its standard output. Written by the helper,
// read by PortMapper, and nothing else crosses between them, so the reading is strict:
// whatever the helper met on the network, the game only ever takes these fields.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace portmap {

enum class Outcome {
    Mapped,   // the router forwards the port
    NoRouter, // nothing answered, or what answered is no connected internet gateway
    Refused,  // a gateway answered and said no (see `code`)
    NoAnswer, // a router was found but did not answer in time, or not readably
};

// The code given for a refusal whose own code is no number we can trust (empty,
// signed, or too large): miniupnpc's number for a reply it cannot read.
constexpr int kUnreadableCode = -4;
// The longest lease taken from a router or asked for: a week.
constexpr int kMaxLease = 7 * 24 * 3600;
// The longest report a helper may write; a longer one is no report.
constexpr std::size_t kMaxReport = 4096;
// The longest single value (a control address, a service name).
constexpr std::size_t kMaxValue = 512;

struct Report {
    Outcome outcome = Outcome::NoRouter;
    int code = 0;         // the router's error (or miniupnpc's negative one) when refused
    int lease = 0;        // seconds the mapping lasts; 0 for a permanent one
    std::string external; // the router's outside address as it said it; checked by the reader
    // Where and how to ask the same router again (renewal, removal); set when mapped.
    std::string control; // the control address of its connection service
    std::string service; // that service's type
    std::string lan;     // this computer's address towards the router
};

// A report of `outcome` alone (and a refusal's `code`).
inline Report reportOf(Outcome outcome, int code = 0) {
    Report r;
    r.outcome = outcome;
    r.code = code;
    return r;
}

// True for a value that may travel in a report: 1..kMaxValue printable ASCII
// characters without spaces.
bool isReportValue(std::string_view value);

// The report as lines; values that are not isReportValue() are left out.
std::string writeReport(const Report& report);

// The report in `text`, or nothing when it is not exactly one well-formed report:
// too long, a line that is not "key value", an unknown or repeated key, a number that
// is not plainly one, an outcome missing, or a mapping without its control address,
// service and LAN address.
std::optional<Report> readReport(std::string_view text);

// A plain decimal number: an optional '-', then 1..9 digits; nothing else.
std::optional<int> strictNumber(std::string_view text);

} // namespace portmap
