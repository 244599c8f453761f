#include "protocol/dispatcher.h"

#include "protocol/fields.h"

namespace wire {

Dispatcher::Dispatcher(const QString& timerName, int intervalMs, QObject* parent)
    : QObject(parent) {
    for (int i = 0; i < kFixedLanes; ++i)
        m_fixed[i].sender = kFirstLane + i;
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
    auto shared = std::make_shared<const Handler>(std::move(handler));
    for (Route& r : m_routes)
        if (r.command == command) {
            r.handler = std::move(shared);
            return;
        }
    m_routes.push_back({command, std::move(shared)});
}

const Dispatcher::Route* Dispatcher::route(QStringView command) const {
    for (const Route& r : m_routes)
        if (QStringView(r.command) == command) return &r;
    return nullptr;
}

Dispatcher::Lane& Dispatcher::laneOf(int sender) {
    if (Lane* own = lane(sender)) return *own;
    m_others.push_back({sender, {}});
    return m_others.back();
}

void Dispatcher::enqueue(const QString& text, int sender) {
    QQueue<QString>& own = laneOf(sender).entries;
    if (own.isEmpty()) m_turns.enqueue(sender);
    own.enqueue(text);
    ++m_pending;
    // A first-message timer left over from a spell that was emptied by hand still
    // comes: starting it again would cost a timer registration per quiet spell.
    if (!m_timer.isActive() && !m_first.isActive()) m_first.start();
}

void Dispatcher::discardFrom(int sender) {
    Lane* own = lane(sender);
    if (!own || own->entries.isEmpty()) return;
    QQueue<QString>& entries = own->entries;
    m_pending -= entries.size();
    entries.clear();
    m_turns.removeAll(sender);
    stopWhenEmpty();
}

void Dispatcher::stopWhenEmpty() {
    if (m_pending > 0) return;
    m_timer.stop();
}

bool Dispatcher::takeNext(InboundEntry& entry) {
    if (m_turns.isEmpty()) return false;
    entry.sender = m_turns.dequeue();
    QQueue<QString>& own = laneOf(entry.sender).entries;
    entry.text = own.dequeue();
    --m_pending;
    // A sender with more waiting goes to the back of the line.
    if (!own.isEmpty()) m_turns.enqueue(entry.sender);
    return true;
}

void Dispatcher::tick() {
    InboundEntry entry;
    const bool taken = takeNext(entry);
    stopWhenEmpty();
    if (!taken) return;

    // "CMD_x+body": no "+" or an empty command matches nothing.
    const qsizetype plus = entry.text.indexOf(QLatin1Char('+'));
    if (plus <= 0) return;
    const Route* found = route(QStringView(entry.text).first(plus));
    if (!found) return;
    // Held: a handler may register or replace handlers while it runs.
    const std::shared_ptr<const Handler> handler = found->handler;
    // The body in place: removing from the front moves the start, without a copy
    // when the entry's text is not shared.
    entry.text.remove(0, plus + 1);
    try {
        (*handler)(entry.text, entry.sender);
    } catch (const ConvertError& e) {
        if (m_errorSink) m_errorSink(e.message());
    }
}

} // namespace wire
