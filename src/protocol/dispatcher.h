// A window's inbound queue and its dispatch timer: complete messages wait here and
// are handed to their handlers one per tick, never inside a socket event. Each sender
// has its own queue, served in turn, so one connection's backlog never delays another's
// message; one sender's messages keep their order.
#pragma once

#include <QObject>
#include <QQueue>
#include <QString>
#include <QStringView>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace wire {

struct InboundEntry {
    QString text;   // the message without its terminator
    int sender = 0; // the record it came from (0: unknown / internal)
};

class Dispatcher : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QString& body, int sender)>;
    using ErrorSink = std::function<void(const QString& message)>;

    // `timerName` names the dispatch timer ("socktimer", "Timer1").
    Dispatcher(const QString& timerName, int intervalMs, QObject* parent = nullptr);

    // Registers the handler of one command name (compared exactly, letter case included).
    void on(const QString& command, Handler handler);
    // Where conversion errors of a message go; without one they are dropped.
    void setErrorSink(ErrorSink sink) { m_errorSink = std::move(sink); }

    // Appends a message. The first one after a quiet spell is handled on the next
    // turn of the event loop; while more wait, the timer paces them one per interval.
    void enqueue(const QString& text, int sender = 0);

    // One dispatch tick: takes the next sender's first entry (if any) and handles it.
    // The pacing timer stops when the queue is left empty, so an idle window sleeps.
    void tick();

    qsizetype pending() const { return m_pending; }
    // Entries still waiting that came from `sender`.
    int pendingFrom(int sender) const {
        const Lane* own = lane(sender);
        return own ? int(own->entries.size()) : 0;
    }
    // Drops every waiting entry from `sender` (a connection that is gone for good,
    // whose record may soon hold somebody else).
    void discardFrom(int sender);
    // Whether a timer will take the waiting messages (never while none wait).
    bool timerActive() const { return m_pending > 0 && (m_timer.isActive() || m_first.isActive()); }
    QTimer& timer() { return m_timer; }

private:
    // One sender's waiting messages. Lanes stay, storage and all: a connection's
    // messages come and go all the time, its lane never.
    struct Lane {
        int sender = 0;
        QQueue<QString> entries;
    };
    struct Route {
        QString command;
        std::shared_ptr<const Handler> handler;
    };

    // Records -1..14 have a lane each in a fixed array; any other sender (none today)
    // gets one in the list beside it.
    static constexpr int kFirstLane = -1;
    static constexpr int kFixedLanes = 16;
    const Lane* lane(int sender) const {
        const unsigned i = unsigned(sender - kFirstLane);
        if (i < unsigned(kFixedLanes)) return &m_fixed[i];
        for (const Lane& l : m_others)
            if (l.sender == sender) return &l;
        return nullptr;
    }
    Lane* lane(int sender) { return const_cast<Lane*>(std::as_const(*this).lane(sender)); }
    Lane& laneOf(int sender);
    const Route* route(QStringView command) const;
    bool takeNext(InboundEntry& entry);
    void stopWhenEmpty();

    QTimer m_timer;
    QTimer m_first; // the quiet queue's first message: next turn of the event loop
    std::array<Lane, kFixedLanes> m_fixed;
    std::vector<Lane> m_others;
    QQueue<int> m_turns; // senders with entries waiting, the next one to serve first
    qsizetype m_pending = 0;
    std::vector<Route> m_routes; // a handful of commands: a scan beats hashing a copy
    ErrorSink m_errorSink;
};

} // namespace wire
