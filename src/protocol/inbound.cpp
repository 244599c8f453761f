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
        if (!m_queue.isEmpty() && !m_timer.isActive()) m_timer.start();
    });
}

void Dispatcher::on(const QString& command, Handler handler) {
    m_handlers.insert(command, std::move(handler));
}

void Dispatcher::enqueue(const QString& text, int sender) {
    m_queue.enqueue({text, sender});
    ++m_perSender[sender];
    if (!m_timer.isActive() && !m_first.isActive()) m_first.start();
}

void Dispatcher::discardFrom(int sender) {
    if (m_perSender.remove(sender) == 0) return;
    m_queue.removeIf([sender](const InboundEntry& e) { return e.sender == sender; });
    if (m_queue.isEmpty()) {
        m_timer.stop();
        m_first.stop();
    }
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
    if (m_queue.isEmpty()) {
        m_timer.stop();
        m_first.stop();
        return;
    }
    const InboundEntry entry = m_queue.dequeue();
    if (--m_perSender[entry.sender] <= 0) m_perSender.remove(entry.sender);
    if (m_queue.isEmpty()) {
        m_timer.stop();
        m_first.stop();
    }

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
