#include "portmap/helperreport.h"

#include <array>
#include <utility>

namespace portmap {

namespace {

constexpr std::array<std::string_view, 4> kOutcomeNames = {"mapped", "norouter", "refused",
                                                           "noanswer"};

std::optional<Outcome> outcomeNamed(std::string_view name) {
    for (std::size_t i = 0; i < kOutcomeNames.size(); ++i)
        if (kOutcomeNames[i] == name) return Outcome(i);
    return std::nullopt;
}

void line(std::string& out, std::string_view key, std::string_view value) {
    if (!isReportValue(value)) return;
    out.append(key).append(" ").append(value).append("\n");
}

} // namespace

bool isReportValue(std::string_view value) {
    if (value.empty() || value.size() > kMaxValue) return false;
    for (const char c : value)
        if (c <= ' ' || c > '~') return false;
    return true;
}

std::optional<int> strictNumber(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

std::string writeReport(const Report& r) {
    std::string out;
    line(out, "outcome", kOutcomeNames[std::size_t(r.outcome)]);
    line(out, "code", std::to_string(r.code));
    line(out, "lease", std::to_string(r.lease));
    line(out, "external", r.external);
    line(out, "control", r.control);
    line(out, "service", r.service);
    line(out, "lan", r.lan);
    return out;
}

std::optional<Report> readReport(std::string_view text) {
    if (text.size() > kMaxReport) return std::nullopt;
    Report r;
    std::optional<Outcome> outcome;
    std::optional<int> code, lease;
    bool seenExternal = false, seenControl = false, seenService = false, seenLan = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt; // every line is finished
        const std::string_view l = text.substr(0, end);
        text.remove_prefix(end + 1);
        const std::size_t space = l.find(' ');
        if (space == std::string_view::npos) return std::nullopt;
        const std::string_view key = l.substr(0, space), value = l.substr(space + 1);
        if (!isReportValue(value)) return std::nullopt;
        // Each key once: a second one would leave it open which the helper meant.
        auto once = [](bool& seen) { return !std::exchange(seen, true); };
        if (key == "outcome") {
            if (outcome || !(outcome = outcomeNamed(value))) return std::nullopt;
        } else if (key == "code") {
            if (code || !(code = strictNumber(value))) return std::nullopt;
        } else if (key == "lease") {
            if (lease || !(lease = strictNumber(value)) || *lease < 0 || *lease > kMaxLease)
                return std::nullopt;
        } else if (key == "external") {
            if (!once(seenExternal)) return std::nullopt;
            r.external = value;
        } else if (key == "control") {
            if (!once(seenControl)) return std::nullopt;
            r.control = value;
        } else if (key == "service") {
            if (!once(seenService)) return std::nullopt;
            r.service = value;
        } else if (key == "lan") {
            if (!once(seenLan)) return std::nullopt;
            r.lan = value;
        } else {
            return std::nullopt;
        }
    }
    if (!outcome) return std::nullopt;
    r.outcome = *outcome;
    r.code = code.value_or(0);
    r.lease = lease.value_or(0);
    if (r.outcome == Outcome::Mapped && (r.control.empty() || r.service.empty() || r.lan.empty()))
        return std::nullopt;
    return r;
}

} // namespace portmap
