// The game's messages as the benchmark clients write and read them: plain strings,
// no Qt, so a load generator with hundreds of connections stays cheap. Also the
// small sums every benchmark prints (percentiles, /proc figures).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

inline constexpr char kTerminator = '\xFF';

// Moves every complete message out of `buffer` (without its terminator) into `out`;
// an unfinished one stays for the next read.
inline void takeMessages(std::string& buffer, std::vector<std::string>& out) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = buffer.find(kTerminator, start);
        if (end == std::string::npos) break;
        out.emplace_back(buffer, start, end - start);
        start = end + 1;
    }
    buffer.erase(0, start);
}

// The fields of a body after "CMD_x+", cut at '+'.
inline std::vector<std::string_view> fields(std::string_view body) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start <= body.size()) {
        const std::size_t plus = body.find('+', start);
        if (plus == std::string_view::npos) {
            if (start < body.size()) out.push_back(body.substr(start));
            break;
        }
        out.push_back(body.substr(start, plus - start));
        start = plus + 1;
    }
    return out;
}

// Decimal digits to a number; anything else gives -1.
inline long long number(std::string_view text) {
    if (text.empty() || text.size() > 18) return -1;
    long long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

// The number in a body's first field; -1 when it is not one.
inline long long leadingNumber(std::string_view body) {
    return number(body.substr(0, body.find('+')));
}

// A message's body when it is the command `command` ("CMD_chat"), else nothing.
inline bool bodyOf(std::string_view message, std::string_view command, std::string_view& body) {
    if (message.size() <= command.size() || message.substr(0, command.size()) != command ||
        message[command.size()] != '+')
        return false;
    body = message.substr(command.size() + 1);
    return true;
}

namespace send {

inline std::string framed(std::string text) {
    text.push_back(kTerminator);
    return text;
}
inline std::string logininfo(int record, std::string_view version, std::string_view name) {
    return framed("CMD_logininfo+" + std::to_string(record) + '+' + std::string(version) + '+' + std::string(name));
}
inline std::string chat(int record, std::string_view text) {
    return framed("CMD_chat+" + std::to_string(record) + '+' + std::string(text) + "|clBlack");
}
inline std::string startgame(std::string_view name) {
    return framed("CMD_startgame+" + std::string(name) + "+0+0+f+");
}
inline std::string botspeed(int ms) {
    return framed("CMD_botspeed+1+" + std::to_string(ms) + '+');
}
inline std::string justwatch(int seat) {
    return framed("CMD_justwatch+" + std::to_string(seat) + "+1");
}
// Rolls, or with alldone holds, all ten dice.
inline std::string allTen(const char* command, int seat) {
    std::string text = std::string(command) + '+' + std::to_string(seat);
    for (int d = 1; d <= 10; ++d)
        text += '+' + std::to_string(d);
    return framed(std::move(text));
}
inline std::string rollAll(int seat) { return allTen("CMD_rollthedice", seat); }
inline std::string holdAll(int seat) { return allTen("CMD_alldone", seat); }

} // namespace send

// The text of a relayed chat line ("NAME chats: TEXT|colour" gives TEXT).
inline bool relayedChat(std::string_view message, std::string_view& text) {
    std::string_view body;
    if (!bodyOf(message, "CMD_chat", body)) return false;
    static constexpr std::string_view kChats = " chats: ";
    const std::size_t at = body.find(kChats);
    if (at == std::string_view::npos) return false;
    text = body.substr(at + kChats.size());
    const std::size_t bar = text.rfind('|');
    if (bar != std::string_view::npos) text = text.substr(0, bar);
    return true;
}

// The p-th percentile (0..100) by nearest rank; 0 for no samples. Sorts `v`.
inline double percentile(std::vector<double>& v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto rank = std::size_t(std::ceil(p / 100.0 * double(v.size())));
    return v[std::min(rank == 0 ? 0 : rank - 1, v.size() - 1)];
}

inline double median(std::vector<double> v) {
    return percentile(v, 50);
}

// utime + stime in clock ticks from the text of /proc/PID/stat; -1 when unreadable.
// The command name in parentheses may hold spaces, so fields count from its ')'.
inline long long cpuTicks(std::string_view stat) {
    const std::size_t close = stat.rfind(')');
    if (close == std::string_view::npos) return -1;
    std::vector<std::string_view> parts;
    std::size_t i = close + 1;
    while (i < stat.size() && parts.size() < 13) {
        while (i < stat.size() && stat[i] == ' ') ++i;
        const std::size_t end = std::min(stat.find(' ', i), stat.size());
        if (end > i) parts.push_back(stat.substr(i, end - i));
        i = end;
    }
    // After ')': state is field 3, utime field 14 and stime field 15.
    if (parts.size() < 13) return -1;
    const long long user = number(parts[11]), system = number(parts[12]);
    return user < 0 || system < 0 ? -1 : user + system;
}

// A "Key:   123 kB" line of /proc/PID/status, in kB; -1 when missing.
inline long long statusKb(std::string_view status, std::string_view key) {
    std::size_t at = 0;
    while ((at = status.find(key, at)) != std::string_view::npos) {
        if ((at == 0 || status[at - 1] == '\n') && status.substr(at + key.size(), 1) == ":") {
            std::size_t i = at + key.size() + 1;
            while (i < status.size() && (status[i] == ' ' || status[i] == '\t')) ++i;
            std::size_t end = i;
            while (end < status.size() && status[end] >= '0' && status[end] <= '9') ++end;
            return number(status.substr(i, end - i));
        }
        at += key.size();
    }
    return -1;
}

} // namespace bench
