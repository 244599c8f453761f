// How long a chat line takes from one client, through the host, to another client,
// on loopback: against the dedicated host and, in the same run, against the desktop
// program hosting offscreen. Prints p50 and p99 per run and the median over runs.
//
//   chatlatency [--host PATH] [--desktop PATH | --no-desktop] [--runs N] [--lines N] [--gap-ms N]
//
// Each run starts a fresh host on a free port and fills it with clients: one receives,
// the others take turns sending, one line every --gap-ms (default 150), so no sender
// comes near the host's limit of ten lines in ten seconds. The clock starts just
// before the sender's write and stops when the receiver's read returns the line.
#include "benchproc.h"
#include "scriptedseat.h"
#include "version/version.h"

#include <poll.h>

#include <cstring>
#include <memory>
#include <optional>

namespace {

struct Client {
    int fd = -1;
    std::string in;
    bench::ScriptedSeat seat;
    explicit Client(int n)
        : seat({"Bench" + std::to_string(n), vimbrel::kProtocolVersion, 500, 9, false}) {}
    ~Client() {
        if (fd >= 0) close(fd);
    }
};

// Reads what is there (the socket is non-blocking), answers the log-in, and calls
// `seen` with every message.
template <class Seen>
bool pump(Client& c, Seen&& seen) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(c.fd, buffer, sizeof buffer);
        if (n == 0) return false;
        if (n < 0) return errno == EAGAIN || errno == EINTR;
        c.in.append(buffer, std::size_t(n));
        std::vector<std::string> messages;
        bench::takeMessages(c.in, messages);
        std::string reply;
        for (const std::string& m : messages) {
            c.seat.onMessage(m, reply);
            seen(m);
        }
        if (!reply.empty() && !bench::writeAll(c.fd, reply)) return false;
    }
}

// Waits up to `ms` for readable clients and pumps them.
template <class Seen>
void pumpAll(std::vector<std::unique_ptr<Client>>& clients, int ms, Seen&& seen) {
    std::vector<pollfd> fds;
    for (const auto& c : clients)
        fds.push_back({c->fd, POLLIN, 0});
    if (poll(fds.data(), fds.size(), ms) <= 0) return;
    for (std::size_t i = 0; i < fds.size(); ++i)
        if (fds[i].revents) pump(*clients[i], [&](const std::string& m) { seen(i, m); });
}

// Connects and logs in one client; null when the host never answered.
std::unique_ptr<Client> join(unsigned short port, int n, int waitMs) {
    auto c = std::make_unique<Client>(n);
    c->fd = bench::connectWhenListening(port, waitMs);
    if (c->fd < 0) return nullptr;
    bench::setNonBlocking(c->fd);
    std::vector<std::unique_ptr<Client>> one;
    one.push_back(std::move(c));
    const long long deadline = bench::nowNs() + 5'000'000'000LL;
    while (!one[0]->seat.loggedIn() && bench::nowNs() < deadline)
        pumpAll(one, 50, [](std::size_t, const std::string&) {});
    return one[0]->seat.loggedIn() ? std::move(one[0]) : nullptr;
}

struct RunResult {
    std::vector<double> ms;
    int lost = 0;
};

// One run against a host listening (soon) on `port`, with `count` clients. With
// `ownPlayer` (the desktop host) the clients wait for the host's own player first.
std::optional<RunResult> measure(unsigned short port, int count, bool ownPlayer, int lines, int gapMs) {
    std::vector<std::unique_ptr<Client>> clients;
    while (int(clients.size()) < count) {
        auto c = join(port, int(clients.size()) + 1, 20000);
        if (!c) return std::nullopt;
        clients.push_back(std::move(c));
        const long long deadline = bench::nowNs() + 20'000'000'000LL;
        while (ownPlayer && clients[0]->seat.knownRecords() < 2 && bench::nowNs() < deadline)
            pumpAll(clients, 20, [](std::size_t, const std::string&) {});
    }
    // Let the last log-ins and their notices go round.
    const long long settle = bench::nowNs() + 300'000'000LL;
    while (bench::nowNs() < settle)
        pumpAll(clients, 20, [](std::size_t, const std::string&) {});

    const std::size_t receiver = clients.size() - 1;
    const std::size_t senders = receiver;
    RunResult result;
    constexpr int kWarmUp = 5; // first lines fault in the host's paths; not counted
    const long long start = bench::nowNs();
    for (int i = 0; i < lines + kWarmUp; ++i) {
        const long long due = start + (long long)i * gapMs * 1'000'000LL;
        while (bench::nowNs() < due)
            pumpAll(clients, std::max(1, int((due - bench::nowNs()) / 1'000'000)),
                    [](std::size_t, const std::string&) {});
        Client& sender = *clients[std::size_t(i) % senders];
        const std::string tag = "line " + std::to_string(i);
        const std::string bytes = bench::send::chat(sender.seat.record(), tag);
        const long long sent = bench::nowNs();
        if (!bench::writeAll(sender.fd, bytes)) return std::nullopt;
        long long arrived = 0;
        const long long deadline = sent + 1'000'000'000LL;
        while (arrived == 0 && bench::nowNs() < deadline) {
            pumpAll(clients, 100, [&](std::size_t who, const std::string& m) {
                std::string_view text;
                if (who == receiver && bench::relayedChat(m, text) && text == tag) arrived = bench::nowNs();
            });
        }
        if (i < kWarmUp) continue;
        if (arrived == 0)
            ++result.lost;
        else
            result.ms.push_back(double(arrived - sent) / 1e6);
    }
    return result;
}

void report(const char* what, const std::vector<RunResult>& runs) {
    std::vector<double> p50s, p99s, all;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        std::vector<double> v = runs[r].ms;
        all.insert(all.end(), v.begin(), v.end());
        const double p50 = bench::percentile(v, 50), p99 = bench::percentile(v, 99);
        p50s.push_back(p50);
        p99s.push_back(p99);
        std::printf("  %-14s run %zu: %3zu lines  p50 %.3f ms  p99 %.3f ms  max %.3f ms  lost %d\n", what, r + 1,
                    runs[r].ms.size(), p50, p99, v.empty() ? 0.0 : v.back(), runs[r].lost);
    }
    std::printf("%-16s median of %zu runs: p50 %.3f ms  p99 %.3f ms   (all %zu lines: p50 %.3f  p99 %.3f)\n", what,
                runs.size(), bench::median(p50s), bench::median(p99s), all.size(), bench::percentile(all, 50),
                bench::percentile(all, 99));
}

int usage() {
    std::fprintf(stderr, "usage: chatlatency [--host PATH] [--desktop PATH | --no-desktop] [--runs N] "
                         "[--lines N] [--gap-ms N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string host = VIMBREL_HOST_EXE, desktop = VIMBREL_EXE;
    int runs = 3, lines = 100, gapMs = 150;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--host" && hasValue) host = argv[++i];
        else if (a == "--desktop" && hasValue) desktop = argv[++i];
        else if (a == "--no-desktop") desktop.clear();
        else if (a == "--runs" && hasValue) runs = std::atoi(argv[++i]);
        else if (a == "--lines" && hasValue) lines = std::atoi(argv[++i]);
        else if (a == "--gap-ms" && hasValue) gapMs = std::atoi(argv[++i]);
        else return usage();
    }
    if (runs < 1 || lines < 1 || gapMs < 1) return usage();
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // Eight senders at the default gap send a line each 1.2 s; the host allows one a second.
    std::printf("chat relay latency on loopback: %d runs x %d lines, a line every %d ms, load %s\n", runs, lines,
                gapMs, bench::loadAverage().c_str());

    std::vector<RunResult> dedicated, hosted;
    for (int r = 0; r < runs; ++r) {
        const unsigned short port = bench::freePort();
        const pid_t pid = bench::spawn({host, "--port", std::to_string(port)});
        auto result = measure(port, 9, false, lines, gapMs);
        const int status = bench::stop(pid);
        if (!result) {
            std::fprintf(stderr, "%s did not take part (exit %d)\n", host.c_str(), status);
            return 1;
        }
        dedicated.push_back(std::move(*result));
    }
    report("vimbrel-host", dedicated);

    if (desktop.empty()) return 0;
    for (int r = 0; r < runs; ++r) {
        bench::PrivateHome home;
        const unsigned short port = bench::freePort();
        const pid_t pid = bench::spawn({desktop, "Host", "127.0.0.1", "true"}, home.environment(port));
        auto result = measure(port, 8, true, lines, gapMs);
        const int status = bench::stop(pid);
        if (!result) {
            std::fprintf(stderr, "%s did not take part (exit %d)\n", desktop.c_str(), status);
            return 1;
        }
        hosted.push_back(std::move(*result));
    }
    report("desktop host", hosted);
    std::printf("goal: p50 and p99 <= 1 ms\n");
    return 0;
}
