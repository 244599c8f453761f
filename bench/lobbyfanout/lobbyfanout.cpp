// How long a table's change takes to reach every lobby program in the room: N guests
// on bare sockets in one epoll thread, and one more guest that announces a table to
// the bot and renames it every gap. The clock runs from the announcer's write to each
// guest's read of the new name; the bot's check and the room's fan-out are both in it.
//   lobbyfanout --port C2S --domain D [--clients 1000] [--changes 10] [--gap-ms 1500]
//               [--concurrent 40]
// Prints the figures and one line "RESULT p50_ms=… p99_ms=… …" for scripts.
#include "benchproc.h"
#include "xmppraw.h"

#include "lobbyproto/tables.h"
#include "version/version.h"

#include <cstring>
#include <sys/epoll.h>

namespace {

using bench::xmpp::Step;

struct Options {
    unsigned short port = 5222;
    std::string domain = "lobby.localhost";
    int clients = 1000;
    int changes = 10;
    int gapMs = 1500; // the bot takes 10 announcements in 10 s from one account
    int concurrent = 40;
};

struct Conn {
    int fd = -1;
    Step step = Step::Features;
    std::string in;   // unread answer while logging in
    std::string tail; // the end of the last read, once in the room
    int seen = 0;     // the last change seen
    std::string nick;
};

class Fanout {
public:
    explicit Fanout(const Options& o)
        : m_o(o), m_epoll(epoll_create1(EPOLL_CLOEXEC)),
          m_room(lobby::roomJid(QString::fromStdString(o.domain),
                                QString::fromLatin1(vimbrel::kProtocolVersion))
                     .toStdString()),
          m_bot(lobby::botJid(QString::fromStdString(o.domain)).toStdString()),
          m_guests(lobby::guestDomain(QString::fromStdString(o.domain)).toStdString()) {}

    int run();

private:
    bool open(Conn& c, std::size_t index);
    void pump(long long untilNs);
    void onReadable(std::size_t index);
    void advance(Conn& c);
    void watch(Conn& c, std::string_view fresh);
    bool joinAll();
    void announce(int k);
    std::string announcement(int k) const;
    bool warmUp();
    void keepAlive();

    Options m_o;
    int m_epoll;
    std::string m_room, m_bot, m_guests;
    std::vector<Conn> m_conns; // [0] announces
    int m_inRoom = 0, m_failed = 0, m_loggingIn = 0;
    std::string m_failure;
    long long m_lastBytesNs = 0;
    long long m_keptAliveNs = bench::nowNs();
    std::vector<long long> m_sentNs{0};
    std::vector<double> m_latencyMs;
    std::string m_botAnswer;
};

bool Fanout::open(Conn& c, std::size_t index) {
    c.fd = bench::connectTo(m_o.port);
    if (c.fd < 0) return false;
    bench::setNonBlocking(c.fd);
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.u64 = index;
    epoll_ctl(m_epoll, EPOLL_CTL_ADD, c.fd, &e);
    ++m_loggingIn;
    return bench::writeAll(c.fd, bench::xmpp::streamOpen(m_guests));
}

void Fanout::advance(Conn& c) {
    for (;;) {
        bool failed = false;
        const std::size_t end = bench::xmpp::stepDone(c.step, c.in, failed);
        if (failed) {
            if (m_failure.empty()) m_failure = c.nick + ": " + c.in.substr(0, 400);
            c.step = Step::Failed;
            ++m_failed;
            --m_loggingIn;
            return;
        }
        if (end == std::string::npos) {
            // The occupants' presences pour in while joining: keep only what could
            // still hold the end of the step, so each read is scanned once.
            if (c.step == Step::Joining && c.in.size() > 4096) c.in.erase(0, c.in.size() - 512);
            return;
        }
        c.in.erase(0, end);
        switch (c.step) {
        case Step::Features:
            bench::writeAll(c.fd, bench::xmpp::anonymousAuth());
            c.step = Step::Auth;
            break;
        case Step::Auth:
            bench::writeAll(c.fd, bench::xmpp::streamOpen(m_guests));
            c.step = Step::Features2;
            break;
        case Step::Features2:
            bench::writeAll(c.fd, bench::xmpp::bind());
            c.step = Step::Bound;
            break;
        case Step::Bound:
            bench::writeAll(c.fd, bench::xmpp::joinRoom(m_room, c.nick));
            c.step = Step::Joining;
            break;
        case Step::Joining:
            c.step = Step::InRoom;
            ++m_inRoom;
            --m_loggingIn;
            c.tail = bench::xmpp::tailOf(c.in);
            c.in.clear();
            return;
        default:
            return;
        }
    }
}

// In the room: the changes this guest has not seen yet, looked for in what arrived.
void Fanout::watch(Conn& c, std::string_view fresh) {
    const std::string hay = c.tail + std::string(fresh);
    const long long now = bench::nowNs();
    for (int k = c.seen + 1; k < int(m_sentNs.size()); ++k)
        if (bench::xmpp::hasValue(hay, "bench" + std::to_string(k))) {
            m_latencyMs.push_back(double(now - m_sentNs[k]) / 1e6);
            c.seen = k;
        }
    c.tail = bench::xmpp::tailOf(hay);
}

void Fanout::onReadable(std::size_t index) {
    Conn& c = m_conns[index];
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(c.fd, buffer, sizeof buffer);
        if (n <= 0) {
            if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                epoll_ctl(m_epoll, EPOLL_CTL_DEL, c.fd, nullptr);
                if (c.step != Step::Failed) {
                    if (m_failure.empty())
                        m_failure = c.nick + ": the server closed the stream after: " +
                                    (c.step == Step::InRoom ? c.tail : c.in.substr(0, 400));
                    if (c.step == Step::InRoom)
                        --m_inRoom;
                    else
                        --m_loggingIn;
                    c.step = Step::Failed;
                    ++m_failed;
                }
            }
            return;
        }
        m_lastBytesNs = bench::nowNs();
        const std::string_view fresh(buffer, std::size_t(n));
        if (index == 0 && c.step == Step::InRoom) {
            // The announcer hears the bot's answers; an error stops the run.
            m_botAnswer.append(fresh);
            if (m_botAnswer.size() > 4096) m_botAnswer.erase(0, m_botAnswer.size() - 4096);
        } else if (c.step == Step::InRoom) {
            watch(c, fresh);
        } else if (c.step != Step::Failed) {
            c.in.append(fresh);
            advance(c);
        }
    }
}

void Fanout::pump(long long untilNs) {
    epoll_event events[256];
    for (;;) {
        keepAlive();
        const long long left = untilNs - bench::nowNs();
        if (left <= 0) return;
        const int n = epoll_wait(m_epoll, events, 256, int((left + 999'999) / 1'000'000));
        for (int i = 0; i < n; ++i)
            onReadable(std::size_t(events[i].data.u64));
    }
}

// The server drops a client that has sent nothing for a while (after an unanswered
// ping); a lobby program answers pings, these guests send one of their own instead.
void Fanout::keepAlive() {
    const long long now = bench::nowNs();
    if (now - m_keptAliveNs < 20'000'000'000LL) return;
    m_keptAliveNs = now;
    for (Conn& c : m_conns)
        if (c.step == Step::InRoom) bench::writeAll(c.fd, bench::xmpp::ping());
}

bool Fanout::joinAll() {
    m_conns.resize(std::size_t(m_o.clients) + 1);
    for (std::size_t i = 0; i < m_conns.size(); ++i)
        m_conns[i].nick = i == 0 ? "bench-host" : "g" + std::to_string(i);
    const long long start = bench::nowNs();
    std::size_t next = 0;
    long long lastProgress = start;
    int lastCount = 0;
    while (m_inRoom + m_failed < int(m_conns.size())) {
        while (next < m_conns.size() && m_loggingIn < m_o.concurrent) {
            if (!open(m_conns[next], next)) {
                std::printf("cannot connect to 127.0.0.1:%u\n", m_o.port);
                return false;
            }
            ++next;
        }
        pump(bench::nowNs() + 50'000'000LL);
        if (m_inRoom + m_failed != lastCount) {
            lastCount = m_inRoom + m_failed;
            lastProgress = bench::nowNs();
        } else if (bench::nowNs() - lastProgress > 30'000'000'000LL) {
            int steps[int(Step::Failed) + 1] = {};
            for (const Conn& c : m_conns)
                if (c.fd >= 0) ++steps[int(c.step)];
            std::printf("no progress for 30 s: %d in the room, %d logging in (by step: %d %d %d "
                        "%d %d); first refusal: %s\n",
                        m_inRoom, m_loggingIn, steps[0], steps[1], steps[2], steps[3], steps[4],
                        m_failure.c_str());
            return false;
        }
        if (m_failed > 0 && m_conns[0].step == Step::Failed) break;
    }
    std::printf("%d guests in %s in %.1f s (%d refused)\n", m_inRoom, m_room.c_str(),
                double(bench::nowNs() - start) / 1e9, m_failed);
    if (m_failed > 0) std::printf("first refusal: %s\n", m_failure.c_str());
    // Every join told everyone; let that settle before the clock runs.
    const long long settle = bench::nowNs() + 60'000'000'000LL;
    while (bench::nowNs() < settle && bench::nowNs() - m_lastBytesNs < 2'000'000'000LL)
        pump(bench::nowNs() + 200'000'000LL);
    return m_conns[0].step == Step::InRoom && m_inRoom > 1;
}

// Announces the table once, unmeasured, until the bot takes it: the bot may still be
// on its way into the room when the guests are, and its first look at the address
// belongs to no change. False when it never answered yes.
bool Fanout::warmUp() {
    const long long end = bench::nowNs() + 60'000'000'000LL;
    while (bench::nowNs() < end) {
        m_botAnswer.clear();
        bench::writeAll(m_conns[0].fd, announcement(0));
        pump(bench::nowNs() + 1'000'000'000LL);
        if (m_botAnswer.find("id='a0'") != std::string::npos &&
            m_botAnswer.find("type='result'") != std::string::npos)
            break;
    }
    pump(bench::nowNs() + 2'000'000'000LL);
    const bool taken = m_botAnswer.find("type='result'") != std::string::npos;
    if (taken) m_botAnswer.clear();
    return taken;
}

std::string Fanout::announcement(int k) const {
    char iq[512];
    std::snprintf(iq, sizeof iq,
                  "<iq type='set' to='%s' id='a%d'><table xmlns='%s' id='bench' name='bench%d' "
                  "ipv4='127.0.0.1' port='%u' seats='1' spectators='0' state='waiting' "
                  "version='%s' server='0'/></iq>",
                  m_bot.c_str(), k, lobby::kNs, k, unsigned(m_o.port), vimbrel::kProtocolVersion);
    return iq;
}

void Fanout::announce(int k) {
    const std::string iq = announcement(k);
    m_sentNs.push_back(bench::nowNs());
    bench::writeAll(m_conns[0].fd, iq);
}

int Fanout::run() {
    if (!joinAll()) {
        std::printf("RESULT skipped=%s\n", "the guests could not all join");
        return 1;
    }
    if (!warmUp()) {
        const std::size_t iq = m_botAnswer.rfind("<iq");
        std::printf("the bot never took the announcement: %s\n",
                    m_botAnswer.substr(iq == std::string::npos ? 0 : iq, 600).c_str());
        std::printf("RESULT skipped=%s\n", "the bot never took the announcement");
        return 1;
    }
    const int listeners = m_inRoom - 1;
    for (int k = 1; k <= m_o.changes; ++k) {
        announce(k);
        pump(bench::nowNs() + m_o.gapMs * 1'000'000LL);
        if (m_botAnswer.find("type='error'") != std::string::npos ||
            m_botAnswer.find("type=\"error\"") != std::string::npos) {
            const std::size_t iq = m_botAnswer.rfind("<iq");
            std::printf("the bot refused the announcement: %s\n",
                        m_botAnswer.substr(iq == std::string::npos ? 0 : iq).c_str());
            std::printf("RESULT skipped=%s\n", "the bot refused the announcement");
            return 1;
        }
    }
    pump(bench::nowNs() + 5'000'000'000LL);
    const std::size_t expected = std::size_t(listeners) * std::size_t(m_o.changes);
    const std::size_t got = m_latencyMs.size();
    std::vector<double> v = m_latencyMs;
    const double p50 = bench::percentile(v, 50), p99 = bench::percentile(v, 99),
                 top = bench::percentile(v, 100);
    std::printf("%d changes to %d guests: %zu of %zu arrived; p50 %.1f ms, p99 %.1f ms, "
                "slowest %.1f ms; load %s\n",
                m_o.changes, listeners, got, expected, p50, p99, top, bench::loadAverage().c_str());
    std::printf("RESULT clients=%d p50_ms=%.1f p99_ms=%.1f missing=%zu\n", listeners, p50, p99,
                expected - got);
    for (Conn& c : m_conns)
        if (c.fd >= 0) close(c.fd);
    return 0;
}

bool readOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        const char* v = argv[i + 1];
        if (a == "--port")
            o.port = (unsigned short)std::atoi(v);
        else if (a == "--domain")
            o.domain = v;
        else if (a == "--clients")
            o.clients = std::atoi(v);
        else if (a == "--changes")
            o.changes = std::atoi(v);
        else if (a == "--gap-ms")
            o.gapMs = std::atoi(v);
        else if (a == "--concurrent")
            o.concurrent = std::atoi(v);
        else
            return false;
    }
    return argc % 2 == 1 && o.port != 0 && o.clients > 0 && o.changes > 0 && o.concurrent > 0;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // lines show as they come, also in a pipe
    Options o;
    if (!readOptions(argc, argv, o)) {
        std::fprintf(stderr, "usage: lobbyfanout --port C2S --domain D [--clients 1000] "
                             "[--changes 10] [--gap-ms 1500] [--concurrent 40]\n");
        return 2;
    }
    const long long files = bench::raiseOpenFiles();
    if (files < o.clients + 64) {
        std::printf("RESULT skipped=only %lld open files allowed\n", files);
        return 1;
    }
    return Fanout(o).run();
}
