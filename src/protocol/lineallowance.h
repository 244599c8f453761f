// How fast the host relays chat: at most kLineBurst chat and action lines from one
// connection within any kLineWindowMs, and the rest is dropped. The host enforces it;
// the table holds its lines back by the same rule, so nothing a player sends is lost.
#pragma once

#include <QList>
#include <QtGlobal>

namespace wire {

inline constexpr int kLineBurst = 10;
inline constexpr qint64 kLineWindowMs = 10000;
// The other requests that make the host tell everyone (just watch, a game's start)
// have an allowance of their own, so a player's clicks never cost a chat line.
inline constexpr int kRequestBurst = 10;
// Lines one connection may put in the host's log per window; the rest are counted
// but not written, so nobody can fill the host's disk.
inline constexpr int kLogBurst = 20;

// The times of one connection's recent lines.
class LineAllowance {
public:
    // A window longer than the host's gives a sender room for lines that reach the
    // host later than they left.
    explicit LineAllowance(qint64 windowMs = kLineWindowMs, int burst = kLineBurst)
        : m_windowMs(windowMs), m_burst(burst) {}

    // True, and the line is counted, when one more line at `now` (milliseconds on any
    // steady clock) stays within the limit.
    bool take(qint64 now) {
        while (!m_times.isEmpty() && now - m_times.constFirst() >= m_windowMs)
            m_times.removeFirst();
        if (m_times.size() >= m_burst) return false;
        m_times.append(now);
        return true;
    }
    void clear() { m_times.clear(); }

private:
    qint64 m_windowMs;
    int m_burst;
    QList<qint64> m_times;
};

} // namespace wire
