#include "protocol/inbound.h"

#include "protocol/fields.h"

namespace wire {

Dispatcher::Dispatcher(const QString& timerName, int intervalMs, QObject* parent)
    : QObject(parent) {
    m_timer.setObjectName(timerName);
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &Dispatcher::tick);
    m_first.setSingleShot(true);
    m_first.setInterval(0);
    connect(&m_first, &QTimer::timeout, this, [this] {
        tick();
        if (m_pending > 0 && !m_timer.isActive()) m_timer.start();
    });
}

void Dispatcher::on(const QString& command, Handler handler) {
    m_handlers.insert(command, std::move(handler));
}

void Dispatcher::enqueue(const QString& text, int sender) {
    QQueue<QString>& own = m_perSender[sender];
    if (own.isEmpty()) m_turns.enqueue(sender);
    own.enqueue(text);
    ++m_pending;
    if (!m_timer.isActive() && !m_first.isActive()) m_first.start();
}

void Dispatcher::discardFrom(int sender) {
    const auto it = m_perSender.find(sender);
    if (it == m_perSender.end()) return;
    m_pending -= it->size();
    m_perSender.erase(it);
    m_turns.removeAll(sender);
    stopWhenEmpty();
}

void Dispatcher::stopWhenEmpty() {
    if (m_pending > 0) return;
    m_timer.stop();
    m_first.stop();
}

bool Dispatcher::takeNext(InboundEntry& entry) {
    if (m_turns.isEmpty()) return false;
    entry.sender = m_turns.dequeue();
    const auto it = m_perSender.find(entry.sender);
    entry.text = it->dequeue();
    --m_pending;
    // A sender with more waiting goes to the back of the line.
    if (it->isEmpty())
        m_perSender.erase(it);
    else
        m_turns.enqueue(entry.sender);
    return true;
}

void Dispatcher::split(const QString& entry, QString& command, QString& body) {
    const qsizetype plus = entry.indexOf(QLatin1Char('+'));
    if (plus < 0) {
        command.clear();
        body.clear();
        return;
    }
    command = entry.left(plus);
    body = entry.mid(plus + 1);
}

void Dispatcher::tick() {
    InboundEntry entry;
    const bool taken = takeNext(entry);
    stopWhenEmpty();
    if (!taken) return;

    QString command, body;
    split(entry.text, command, body);
    if (command.isEmpty()) return;
    const auto it = m_handlers.constFind(command);
    if (it == m_handlers.constEnd()) return;
    // Copy: a handler may register or replace handlers while it runs.
    const Handler handler = it.value();
    try {
        handler(body, entry.sender);
    } catch (const ConvertError& e) {
        if (m_errorSink) m_errorSink(e.message());
    }
}

} // namespace wire
