// vimbrel-portmap: the game's whole conversation with the home router, in a process of
// its own. The router's replies are read by miniupnpc, which trusts them (a chunked
// description past 4 GiB wraps its buffer counter and crashes it; a description that
// never ends holds it for good), and the same holds for every SOAP reply it reads. So
// rather than bounding each read, the game runs this small program under a memory
// limit and kills it at a deadline: whatever the router sends, nothing of it reaches the
// game but the short report this program prints (helperreport.h), read strictly.
//
// Usage, one request per run:
//   vimbrel-portmap map   --port P --lease S --discover-ms MS [--interface IF]
//   vimbrel-portmap renew --port P --lease S --control URL --service TYPE --lan ADDR
//   vimbrel-portmap unmap --port P --control URL --service TYPE --lan ADDR
// each also takes --deadline-ms MS, after which it ends itself should its parent not.
#include "portmap/helperreport.h"
#include "portmap/igdsession.h"

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>

namespace {

// Address space for the whole program: its libraries take about 10 MiB, a router's
// largest honest description is some tens of KiB.
constexpr rlim_t kAddressSpace = 64u << 20;
constexpr rlim_t kOpenFiles = 32;

#if defined(__SANITIZE_ADDRESS__)
#define VIMBREL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VIMBREL_ASAN 1
#endif
#endif

void limit(int resource, rlim_t value) {
    const rlimit l{value, value};
    setrlimit(resource, &l);
}

// The limits come first, before a byte from the network is read.
void limitSelf(int deadlineMs) {
#ifndef VIMBREL_ASAN
    limit(RLIMIT_AS, kAddressSpace); // AddressSanitizer reserves terabytes: its own limit below
#endif
    limit(RLIMIT_CORE, 0);
    limit(RLIMIT_NOFILE, kOpenFiles);
    const unsigned seconds = unsigned(deadlineMs / 1000 + 2);
    limit(RLIMIT_CPU, seconds);
    // Should the game be gone or stuck, this process still ends: at the deadline, and
    // with the thread that started it.
    alarm(seconds);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
}

int usage() {
    std::fputs("usage: vimbrel-portmap map|renew|unmap --port P --deadline-ms MS [...]\n"
               "(run by the game to ask the home router for its port)\n",
               stderr);
    return 2;
}

} // namespace

#ifdef VIMBREL_ASAN
extern "C" const char* __asan_default_options() {
    return "hard_rss_limit_mb=128:allocator_may_return_null=1";
}
#endif

int main(int argc, char** argv) {
    if (argc < 2 || (argc % 2) != 0) return usage();
    const std::string op = argv[1];
    std::map<std::string, std::string> options;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strncmp(argv[i], "--", 2) != 0) return usage();
        options[argv[i] + 2] = argv[i + 1];
    }
    auto number = [&](const char* name, int low, int high) {
        const auto it = options.find(name);
        const auto n = it == options.end() ? std::nullopt : portmap::strictNumber(it->second);
        return n && *n >= low && *n <= high ? *n : -1;
    };
    const int deadlineMs = number("deadline-ms", 1, 600000);
    const int port = number("port", 1, 65535);
    if (deadlineMs < 0 || port < 0) return usage();
    limitSelf(deadlineMs);

    portmap::IgdSession session{std::uint16_t(port)};
    const portmap::GatewayAddress gateway{options["control"], options["service"], options["lan"]};
    portmap::Report report;
    if (op == "map") {
        const int lease = number("lease", 0, portmap::kMaxLease);
        const int discoverMs = number("discover-ms", 1, deadlineMs);
        if (lease < 0 || discoverMs < 0) return usage();
        const auto interface = options.find("interface");
        report = session.map(discoverMs, lease,
                             interface == options.end() ? nullptr : interface->second.c_str());
    } else if (op == "renew" || op == "unmap") {
        if (!portmap::isReportValue(gateway.control) || !portmap::isReportValue(gateway.service) ||
            !portmap::isReportValue(gateway.lan))
            return usage();
        if (op == "unmap") {
            report = session.unmap(gateway);
        } else {
            const int lease = number("lease", 0, portmap::kMaxLease);
            if (lease < 0) return usage();
            report = session.renew(gateway, lease);
        }
    } else {
        return usage();
    }
    const std::string text = portmap::writeReport(report);
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
                   std::fflush(stdout) == 0
               ? 0
               : 1;
}
