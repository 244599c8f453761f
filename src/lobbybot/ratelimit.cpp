#include "lobbybot/ratelimit.h"

#include <algorithm>

namespace lobbybot {

bool RateLimit::take(const QString& who, qint64 now) {
    // Accounts that came once and left would pile up; sweep them now and then.
    if (m_times.size() > m_pruneAt && !m_times.contains(who)) {
        prune(now);
        m_pruneAt = std::max<qsizetype>(1024, 2 * m_times.size());
    }
    QList<qint64>& times = m_times[who];
    while (!times.isEmpty() && now - times.first() >= m_window)
        times.removeFirst();
    if (times.size() >= m_events) return false;
    times.append(now);
    return true;
}

void RateLimit::prune(qint64 now) {
    for (auto it = m_times.begin(); it != m_times.end();) {
        if (it->isEmpty() || now - it->last() >= m_window)
            it = m_times.erase(it);
        else
            ++it;
    }
}

} // namespace lobbybot
