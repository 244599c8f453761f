// What the benchmarks need of the system: hosts started as child processes (with
// private folders for the desktop program), loopback connections, the clock and
// /proc. Loopback only, ports from the kernel's ephemeral range.
#pragma once

#include "benchwire.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace bench {

inline long long nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

inline void sleepMs(int ms) {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline long long processTicks(pid_t pid) {
    return cpuTicks(readFile("/proc/" + std::to_string(pid) + "/stat"));
}
inline long long processRssKb(pid_t pid) {
    return statusKb(readFile("/proc/" + std::to_string(pid) + "/status"), "VmRSS");
}

// More open files than the usual 1024 for hundreds of connections: up to the hard limit.
inline long long raiseOpenFiles() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return -1;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
    return (long long)limit.rlim_cur;
}

inline sockaddr_in loopback(unsigned short port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A port nobody listens on now, from the kernel's ephemeral range (never the game's 7772).
inline unsigned short freePort() {
    for (;;) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a = loopback(0);
        socklen_t len = sizeof a;
        unsigned short port = 0;
        if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port = ntohs(a.sin_port);
        close(fd);
        if (port != 0 && port != 7772) return port;
    }
}

// A connection to 127.0.0.1:port (blocking, Nagle off), or -1.
inline int connectTo(unsigned short port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in a = loopback(port);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

// Connects as soon as the port accepts, trying every millisecond; -1 after `timeoutMs`.
inline int connectWhenListening(unsigned short port, int timeoutMs) {
    const long long deadline = nowNs() + timeoutMs * 1000000LL;
    for (;;) {
        const int fd = connectTo(port);
        if (fd >= 0 || nowNs() > deadline) return fd;
        sleepMs(1);
    }
}

inline void setNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// Writes everything, waiting for room when a non-blocking socket is full.
inline bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd, POLLOUT, 0};
            if (poll(&p, 1, 1000) <= 0) return false;
            continue;
        }
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

// Private folders for the desktop program, so it never touches a real player's files
// and its single-instance guard is its own. Removed when it goes.
class PrivateHome {
public:
    PrivateHome() {
        char pattern[] = "/tmp/vimbrel-bench.XXXXXX";
        if (mkdtemp(pattern)) m_root = pattern;
        for (const char* sub : {"run", "home", "config", "data", "program"})
            std::filesystem::create_directories(m_root + '/' + sub);
        std::filesystem::permissions(m_root + "/run", std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
    }
    ~PrivateHome() {
        std::error_code ignored;
        if (!m_root.empty()) std::filesystem::remove_all(m_root, ignored);
    }
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

    std::vector<std::pair<std::string, std::string>> environment(unsigned short port) const {
        return {{"XDG_RUNTIME_DIR", m_root + "/run"},       {"HOME", m_root + "/home"},
                {"XDG_CONFIG_HOME", m_root + "/config"},    {"XDG_DATA_HOME", m_root + "/data"},
                {"VIMBREL_PROGRAM_DIR", m_root + "/program"}, {"VIMBREL_PORT", std::to_string(port)},
                {"VIMBREL_LOBBY_PORT", "1"},                {"QT_QPA_PLATFORM", "offscreen"}};
    }

private:
    std::string m_root;
};

// Starts `argv` with the environment plus `extra`, its output to /dev/null; the pid or -1.
inline pid_t spawn(const std::vector<std::string>& argv,
                   const std::vector<std::pair<std::string, std::string>>& extra = {}) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const auto& [key, value] : extra)
            if (entry.compare(0, key.size() + 1, key + '=') == 0) replaced = true;
        if (!replaced) env.push_back(entry);
    }
    for (const auto& [key, value] : extra)
        env.push_back(key + '=' + value);

    std::vector<char*> args, envp;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// SIGTERM, then SIGKILL after `graceMs`; the exit status (128 + signal when killed by
// one), or -1 when it could not be collected.
inline int stop(pid_t pid, int graceMs = 3000) {
    if (pid <= 0) return -1;
    kill(pid, SIGTERM);
    const long long deadline = nowNs() + graceMs * 1000000LL;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0) return -1;
        if (nowNs() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        sleepMs(2);
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

inline std::string loadAverage() {
    std::string text = readFile("/proc/loadavg");
    std::istringstream in(text);
    std::string a, b, c;
    in >> a >> b >> c;
    return a + ' ' + b + ' ' + c;
}

} // namespace bench
