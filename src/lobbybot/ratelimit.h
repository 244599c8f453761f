// At most N events per window per account: a sliding window of the last N times. The
// caller passes the clock's time, so tests step it by hand.
#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace lobbybot {

class RateLimit {
public:
    RateLimit(int events, qint64 windowMs) : m_events(events), m_window(windowMs) {}

    // True, and the event counts, when `who` has room for one more at `now`; false, and
    // nothing is recorded, otherwise (so a flood never pushes the window further out).
    bool take(const QString& who, qint64 now);
    // Forgets accounts whose events all lie outside the window.
    void prune(qint64 now);
    int accounts() const { return int(m_times.size()); }

private:
    int m_events;
    qint64 m_window;
    QHash<QString, QList<qint64>> m_times; // oldest first, at most m_events each
    qsizetype m_pruneAt = 1024;
};

} // namespace lobbybot
