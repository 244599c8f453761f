// How long a chat line takes from one client, through the host, to another client,
// on loopback: against the dedicated host and, in the same run, against the desktop
// program hosting offscreen, beside a bare relay of this program's own (the floor the
// machine sets). Prints p50 and p99 per run and the median over runs.
//
//   chatlatency [--host PATH] [--desktop PATH | --no-desktop] [--no-floor] [--runs N]
//               [--lines N] [--gap-ms N]
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

// The floor: the thinnest relay that speaks just enough of the protocol (a record
// per connection, log-in notices, chat relayed to everyone), so the figures of the
// real hosts can be read against what this machine's loopback and scheduler allow.
int relayMain(unsigned short port) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = bench::loopback(port);
    if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener, 16) != 0) return 2;
    std::vector<pollfd> fds{{listener, POLLIN, 0}};
    std::vector<std::string> buffers{{}};
    std::vector<int> records{0};
    int next = 1;
    auto toAll = [&](const std::string& bytes) {
        for (std::size_t i = 1; i < fds.size(); ++i)
            if (fds[i].fd >= 0) bench::writeAll(fds[i].fd, bytes);
    };
    for (;;) {
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return 1;
        if (fds[0].revents & POLLIN) {
            const int c = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (c >= 0) {
                setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                fds.push_back({c, POLLIN, 0});
                buffers.emplace_back();
                records.push_back(next);
                bench::writeAll(c, bench::send::framed("CMD_sendlogininfo+" + std::to_string(next++)));
            }
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                continue;
            }
            buffers[i].append(buffer, std::size_t(n));
            std::vector<std::string> messages;
            bench::takeMessages(buffers[i], messages);
            for (const std::string& m : messages) {
                std::string_view body;
                const std::string name = "R" + std::to_string(records[i]);
                if (bench::bodyOf(m, "CMD_chat", body) && body.find('+') != std::string_view::npos)
                    toAll(bench::send::framed("CMD_chat+" + name + " chats: " +
                                              std::string(body.substr(body.find('+') + 1))));
                else if (bench::bodyOf(m, "CMD_logininfo", body))
                    toAll(bench::send::framed("CMD_newplayerinfo+" + std::to_string(records[i]) + '+' + name));
            }
        }
    }
}

int usage() {
    std::fprintf(stderr, "usage: chatlatency [--host PATH] [--desktop PATH | --no-desktop] [--no-floor] [--runs N] "
                         "[--lines N] [--gap-ms N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--relay") == 0) return relayMain((unsigned short)std::atoi(argv[2]));
    std::string host = VIMBREL_HOST_EXE, desktop = VIMBREL_EXE;
    bool floor = true;
    int runs = 3, lines = 100, gapMs = 150;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--host" && hasValue) host = argv[++i];
        else if (a == "--desktop" && hasValue) desktop = argv[++i];
        else if (a == "--no-desktop") desktop.clear();
        else if (a == "--no-floor") floor = false;
        else if (a == "--runs" && hasValue) runs = std::atoi(argv[++i]);
        else if (a == "--lines" && hasValue) lines = std::atoi(argv[++i]);
        else if (a == "--gap-ms" && hasValue) gapMs = std::atoi(argv[++i]);
        else return usage();
    }
    if (runs < 1 || lines < 1 || gapMs < 1) return usage();
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // Eight senders at the default gap send a line each 1.2 s; the host allows one a second.
    std::printf("chat relay latency on loopback: %d runs x %d lines, a line every %d ms, %ld cores, load %s\n", runs,
                lines, gapMs, sysconf(_SC_NPROCESSORS_ONLN), bench::loadAverage().c_str());

    struct Target {
        std::string name;
        bool enabled;
        std::vector<RunResult> runs;
    };
    std::vector<Target> targets{{"loopback floor", floor, {}}, {"vimbrel-host", true, {}},
                                {"desktop host", !desktop.empty(), {}}};
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    // The targets take turns run by run, so a busy spell on the machine hits them alike.
    for (int r = 0; r < runs; ++r) {
        for (std::size_t t = 0; t < targets.size(); ++t) {
            if (!targets[t].enabled) continue;
            bench::PrivateHome home;
            const unsigned short port = bench::freePort();
            const std::string p = std::to_string(port);
            const pid_t pid = t == 0   ? bench::spawn({self, "--relay", p})
                              : t == 1 ? bench::spawn({host, "--port", p, "--max-per-address", "100"})
                                       : bench::spawn({desktop, "Host", "127.0.0.1", "true"}, home.environment(port));
            auto result = measure(port, t == 2 ? 8 : 9, t == 2, lines, gapMs);
            const int status = bench::stop(pid);
            if (!result) {
                std::fprintf(stderr, "%s did not take part (exit %d)\n", targets[t].name.c_str(), status);
                return 1;
            }
            targets[t].runs.push_back(std::move(*result));
        }
    }
    for (const Target& t : targets)
        if (t.enabled) report(t.name.c_str(), t.runs);
    std::printf("load average after: %s\n", bench::loadAverage().c_str());
    std::printf("goal: p50 and p99 <= 1 ms (the floor is what the machine allows any relay)\n");
    return 0;
}
