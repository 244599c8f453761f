// A window's inbound queue and its dispatch timer: complete messages wait here and
// are handed to their handlers one per tick, never inside a socket event. Each sender
// has its own queue, served in turn, so one connection's backlog never delays another's
// message; one sender's messages keep their order.
#pragma once

#include <QHash>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QTimer>
#include <functional>

namespace wire {

struct InboundEntry {
    QString text;    // the message without its terminator
    int sender = 0;  // the record it came from (0: unknown / internal)
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
    // The timer stops when the queue is left empty, so an idle window sleeps.
    void tick();

    qsizetype pending() const { return m_pending; }
    // Entries still waiting that came from `sender`.
    int pendingFrom(int sender) const { return int(m_perSender.value(sender).size()); }
    // Drops every waiting entry from `sender` (a connection that is gone for good,
    // whose record may soon hold somebody else).
    void discardFrom(int sender);
    bool timerActive() const { return m_timer.isActive() || m_first.isActive(); }
    QTimer& timer() { return m_timer; }

    // Splits "CMD_x+body" into command and body; no "+" gives an empty command.
    static void split(const QString& entry, QString& command, QString& body);

private:
    QTimer m_timer;
    QTimer m_first; // the quiet queue's first message: next turn of the event loop
    bool takeNext(InboundEntry& entry);
    void stopWhenEmpty();

    QHash<int, QQueue<QString>> m_perSender;
    QQueue<int> m_turns; // senders with entries waiting, the next one to serve first
    qsizetype m_pending = 0;
    QHash<QString, Handler> m_handlers;
    ErrorSink m_errorSink;
};

} // namespace wire
