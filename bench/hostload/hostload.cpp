// Load on dedicated hosts: N hosts (processes), each with nine scripted connections
// playing whole games (bench/common/scriptedseat.h) while the spectators (records
// 5..9) chat at the host's limit. Prints each table's CPU (utime + stime from
// /proc/PID/stat over the window) and memory (VmRSS at its end), and how long chat
// lines took from their sender to every connection of the table.
//
//   hostload [tables=100] [seconds=30] [--host PATH] [--warm-up SECONDS]
//
// One thread and epoll for every connection; the generator's own CPU is printed too,
// so a saturated generator shows. Hosts listen on free loopback ports and get SIGTERM
// at the end (their exit status is counted).
#include "benchproc.h"
#include "scriptedseat.h"
#include "version/version.h"

#include <sys/epoll.h>

#include <cstring>
#include <queue>
#include <random>

namespace {

constexpr int kPerTable = 9;
constexpr int kBotSpeedMs = 500;
// Ten lines in any ten seconds is the host's limit; a little slower, so lines that
// reach it late are not dropped.
constexpr long long kChatPeriodNs = 1'050'000'000LL;

struct Conn {
    int fd = -1;
    int table = 0;
    std::string name;
    std::string in, out;
    bench::ScriptedSeat seat;
    bool chatting = false;
    bool writeWatched = false;
    long long sent = 0;   // lines sent within the window
    long long echoed = 0; // of those, relayed back to the sender
    Conn(int t, std::string n)
        : table(t), name(n), seat({std::move(n), vimbrel::kProtocolVersion, kBotSpeedMs, kPerTable, true}) {}
};

struct Table {
    pid_t pid = -1;
    unsigned short port = 0;
    long long cpu0 = -1, cpu1 = -1, rssKb = -1;
    int exitStatus = -1;
    bool exited = false;
};

class Load {
public:
    Load(long long base) : m_base(base), m_epoll(epoll_create1(EPOLL_CLOEXEC)) {}

    std::vector<Table> tables;
    std::vector<Conn> conns;
    long long windowStart = 0, windowEnd = 0; // lines sent in here are counted
    bool chatAllowed = true;
    std::vector<double> latencyMs;
    long long closedByHost = 0, windowLines = 0;

    bool addConnection(int table, int fd, int k) {
        bench::setNonBlocking(fd);
        conns.emplace_back(table, "T" + std::to_string(table) + "c" + std::to_string(k));
        conns.back().fd = fd;
        epoll_event e{};
        e.events = EPOLLIN;
        e.data.u64 = conns.size() - 1;
        return epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &e) == 0;
    }

    // Serves every connection until `until` (monotonic ns) or until `done()` holds.
    template <class Done>
    void run(long long until, Done&& done) {
        epoll_event events[256];
        while (bench::nowNs() < until && !done()) {
            const long long now = bench::nowNs();
            long long waitNs = std::min(until - now, 50'000'000LL);
            if (!m_due.empty()) waitNs = std::min(waitNs, std::max(0LL, m_due.top().first - now));
            const int n = epoll_wait(m_epoll, events, 256, int((waitNs + 999'999) / 1'000'000));
            for (int i = 0; i < n; ++i) {
                Conn& c = conns[events[i].data.u64];
                if (events[i].events & EPOLLOUT) flush(c);
                if (events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)) readFrom(c);
            }
            chatWhenDue();
        }
    }

private:
    void readFrom(Conn& c) {
        if (c.fd < 0) return;
        char buffer[65536];
        std::vector<std::string> messages;
        for (;;) {
            const ssize_t n = read(c.fd, buffer, sizeof buffer);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) break;
            if (n <= 0) {
                ++closedByHost;
                close(c.fd);
                c.fd = -1;
                return;
            }
            const long long arrived = bench::nowNs();
            c.in.append(buffer, std::size_t(n));
            messages.clear();
            bench::takeMessages(c.in, messages);
            for (const std::string& m : messages) {
                c.seat.onMessage(m, c.out);
                std::string_view text;
                if (bench::relayedChat(m, text)) chatArrived(c, m, text, arrived);
            }
            if (c.seat.spectator() && !c.chatting) {
                // A spectator starts chatting once it has its record, at a random
                // phase so the tables' lines do not all come at once.
                c.chatting = true;
                m_due.push({arrived + static_cast<long long>(m_random() % kChatPeriodNs), &c - conns.data()});
            }
        }
        flush(c);
    }

    void chatArrived(Conn& receiver, std::string_view message, std::string_view text, long long arrived) {
        if (text.size() < 2 || text[0] != 'L') return;
        const long long sent = m_base + bench::number(text.substr(1));
        if (sent < windowStart || sent >= windowEnd) return;
        latencyMs.push_back(double(arrived - sent) / 1e6);
        // "CMD_chat+NAME chats: ...": the sender's own line came back to it.
        if (message.substr(9, receiver.name.size() + 1) == receiver.name + ' ') ++receiver.echoed;
    }

    void chatWhenDue() {
        const long long now = bench::nowNs();
        while (!m_due.empty() && m_due.top().first <= now) {
            const auto [due, index] = m_due.top();
            m_due.pop();
            Conn& c = conns[index];
            if (c.fd < 0 || !chatAllowed) continue;
            const long long sent = bench::nowNs();
            c.out += bench::send::chat(c.seat.record(), "L" + std::to_string(sent - m_base));
            if (sent >= windowStart && sent < windowEnd) {
                ++c.sent;
                ++windowLines;
            }
            flush(c);
            m_due.push({due + kChatPeriodNs, index});
        }
    }

    void flush(Conn& c) {
        while (c.fd >= 0 && !c.out.empty()) {
            const ssize_t n = ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
            if (n > 0) {
                c.out.erase(0, std::size_t(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN) c.out.clear();
            break;
        }
        const bool wantWrite = c.fd >= 0 && !c.out.empty();
        if (c.fd >= 0 && wantWrite != c.writeWatched) {
            epoll_event e{};
            e.events = EPOLLIN | (wantWrite ? EPOLLOUT : 0u);
            e.data.u64 = std::uint64_t(&c - conns.data());
            epoll_ctl(m_epoll, EPOLL_CTL_MOD, c.fd, &e);
            c.writeWatched = wantWrite;
        }
    }

    long long m_base;
    int m_epoll;
    std::mt19937_64 m_random{20240611};
    using Due = std::pair<long long, std::size_t>;
    std::priority_queue<Due, std::vector<Due>, std::greater<>> m_due;
};

double ticksToCorePercent(long long ticks, double seconds) {
    return 100.0 * double(ticks) / double(sysconf(_SC_CLK_TCK)) / seconds;
}

int usage() {
    std::fprintf(stderr, "usage: hostload [tables=100] [seconds=30] [--host PATH] [--warm-up SECONDS]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string host = VIMBREL_HOST_EXE;
    int tableCount = 100;
    double seconds = 30, warmUp = 5;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--host" && i + 1 < argc) host = argv[++i];
        else if (a == "--warm-up" && i + 1 < argc) warmUp = std::atof(argv[++i]);
        else if (!a.empty() && a[0] != '-') positional.push_back(a);
        else return usage();
    }
    if (positional.size() > 2) return usage();
    if (positional.size() >= 1) tableCount = std::atoi(positional[0].c_str());
    if (positional.size() >= 2) seconds = std::atof(positional[1].c_str());
    if (tableCount < 1 || seconds <= 0 || warmUp < 0) return usage();

    const long long files = bench::raiseOpenFiles();
    if (files >= 0 && files < tableCount * (kPerTable + 1) + 64) {
        std::fprintf(stderr, "hostload: %lld open files allowed, %d tables need about %d\n", files, tableCount,
                     tableCount * (kPerTable + 1) + 64);
        return 1;
    }
    const std::string loadBefore = bench::loadAverage();
    const long long base = bench::nowNs();
    Load load(base);
    // Every connection lives in `conns`; no reallocation once the loop runs.
    load.conns.reserve(std::size_t(tableCount) * kPerTable);
    load.tables.resize(std::size_t(tableCount));

    for (Table& t : load.tables) {
        t.port = bench::freePort();
        t.pid = bench::spawn({host, "--port", std::to_string(t.port), "--bot-speed", std::to_string(kBotSpeedMs),
                              "--max-per-address", "100"}); // every client comes from 127.0.0.1
        if (t.pid < 0) {
            std::fprintf(stderr, "hostload: cannot start %s\n", host.c_str());
            return 1;
        }
    }
    const long long spawned = bench::nowNs();
    // The host keeps a listen backlog of five: connections go round the tables one at
    // a time, with a moment between rounds for every host to accept, or a burst of
    // SYNs would be dropped and retried a second later.
    for (int k = 0; k < kPerTable; ++k) {
        for (int t = 0; t < tableCount; ++t) {
            const int fd = k == 0 ? bench::connectWhenListening(load.tables[t].port, 20000)
                                  : bench::connectTo(load.tables[t].port);
            if (fd < 0 || !load.addConnection(t, fd, k)) {
                std::fprintf(stderr, "hostload: table %d (port %u) took no connection %d\n", t,
                             load.tables[t].port, k + 1);
                for (Table& each : load.tables)
                    bench::stop(each.pid, 500);
                return 1;
            }
        }
        load.run(bench::nowNs() + 50'000'000LL, [] { return false; });
    }
    const long long connected = bench::nowNs();

    // Every table's record 1 starts its game once all nine have logged in.
    auto gamesOn = [&] {
        int on = 0;
        for (const Conn& c : load.conns)
            if (c.seat.record() == 1 && c.seat.turnsSeen() > 0) ++on;
        return on;
    };
    load.run(bench::nowNs() + 30'000'000'000LL, [&] { return gamesOn() == tableCount; });
    const int started = gamesOn();
    load.run(bench::nowNs() + (long long)(warmUp * 1e9), [] { return false; });

    // The window: CPU of every host and of the generator from here to its end.
    for (Table& t : load.tables)
        t.cpu0 = bench::processTicks(t.pid);
    const long long selfCpu0 = bench::processTicks(getpid());
    int turnsBefore = 0, gamesBefore = 0;
    for (const Conn& c : load.conns)
        if (c.seat.record() == 1) turnsBefore += c.seat.turnsSeen(), gamesBefore += c.seat.gamesEnded();
    load.windowStart = bench::nowNs();
    load.windowEnd = load.windowStart + (long long)(seconds * 1e9);
    load.run(load.windowEnd, [] { return false; });
    const long long windowNs = bench::nowNs() - load.windowStart;
    for (Table& t : load.tables) {
        t.cpu1 = bench::processTicks(t.pid);
        t.rssKb = bench::processRssKb(t.pid);
    }
    const long long selfCpu1 = bench::processTicks(getpid());
    int turns = 0, games = 0;
    for (const Conn& c : load.conns)
        if (c.seat.record() == 1) turns += c.seat.turnsSeen(), games += c.seat.gamesEnded();
    turns -= turnsBefore;
    games -= gamesBefore;
    // Lines still on their way at the end are waited for, but no new ones are sent.
    load.chatAllowed = false;
    load.run(bench::nowNs() + 1'000'000'000LL, [] { return false; });
    const long long closedDuringRun = load.closedByHost;

    // A graceful stop for everyone, connections still open, as a service manager would.
    for (Table& t : load.tables)
        kill(t.pid, SIGTERM);
    auto reap = [&] {
        int left = 0;
        for (Table& t : load.tables) {
            if (t.exited) continue;
            int status = 0;
            if (waitpid(t.pid, &status, WNOHANG) == t.pid) {
                t.exited = true;
                t.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            } else {
                ++left;
            }
        }
        return left == 0;
    };
    load.run(bench::nowNs() + 5'000'000'000LL, reap);
    int cleanExits = 0;
    for (Table& t : load.tables) {
        if (!t.exited) t.exitStatus = bench::stop(t.pid, 0);
        if (t.exitStatus == 0) ++cleanExits;
    }
    for (Conn& c : load.conns)
        if (c.fd >= 0) close(c.fd);

    // ---- figures ------------------------------------------------------------------
    const double window = double(windowNs) / 1e9;
    std::vector<double> cpu, rssMb;
    double cpuSum = 0;
    for (const Table& t : load.tables) {
        const double p = ticksToCorePercent(t.cpu1 - t.cpu0, window);
        cpu.push_back(p);
        cpuSum += p;
        rssMb.push_back(double(t.rssKb) / 1024.0);
    }
    long long sent = 0, echoed = 0;
    for (const Conn& c : load.conns)
        sent += c.sent, echoed += c.echoed;
    std::vector<double> lat = load.latencyMs;

    std::printf("hostload: %d tables x %d connections, %.1f s window after %.0f s warm-up, %ld cores\n", tableCount,
                kPerTable, window, warmUp, sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("  load average before %s, after %s\n", loadBefore.c_str(), bench::loadAverage().c_str());
    std::printf("  start-up: %d hosts spawned in %.0f ms, %d connections made in %.0f ms, %d/%d games on\n",
                tableCount, double(spawned - base) / 1e6, tableCount * kPerTable,
                double(connected - spawned) / 1e6, started, tableCount);
    std::printf("  game traffic in the window: %d turns, %d games finished, bot speed %d ms\n", turns, games,
                kBotSpeedMs);
    std::printf("CPU per table (%% of one core):  median %.3f  p90 %.3f  max %.3f  all tables %.1f   (goal <= 0.5)\n",
                bench::median(cpu), bench::percentile(cpu, 90), bench::percentile(cpu, 100), cpuSum);
    std::printf("memory per table (VmRSS, MB):   median %.1f  max %.1f  all tables %.0f\n", bench::median(rssMb),
                bench::percentile(rssMb, 100), [&] {
                    double s = 0;
                    for (double m : rssMb) s += m;
                    return s;
                }());
    std::printf("chat relay latency (sender to each of the table's 9 connections), %zu receipts of %lld lines:\n",
                lat.size(), load.windowLines);
    std::printf("  p50 %.3f ms  p90 %.3f ms  p99 %.3f ms  max %.3f ms   (goal p99 <= 20 ms)\n",
                bench::percentile(lat, 50), bench::percentile(lat, 90), bench::percentile(lat, 99),
                bench::percentile(lat, 100));
    std::printf("  lines the host dropped (never came back to their sender): %lld of %lld\n", sent - echoed, sent);
    std::printf("load generator CPU: %.1f %% of one core\n",
                ticksToCorePercent(selfCpu1 - selfCpu0, window));
    std::printf("connections closed by a host during the run: %lld; hosts that exited 0 on SIGTERM: %d/%d\n",
                closedDuringRun, cleanExits, tableCount);
    return 0;
}
