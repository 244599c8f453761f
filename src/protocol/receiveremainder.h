// Cuts a connection's byte stream into messages at the 0xFF terminator.
#pragma once

#include <QByteArray>
#include <QList>

namespace wire {

// Per-connection receive remainder. Real messages are a few hundred bytes; a peer
// that sends kMaxPending bytes without a terminator is misbehaving.
class ReceiveRemainder {
public:
    static constexpr qsizetype kMaxPending = 64 * 1024;

    // Appends `bytes`, moves every complete message (without terminator, empty ones
    // included) to `out` in order. Returns false once the unterminated remainder
    // reaches kMaxPending: the caller closes the connection; the remainder is dropped.
    bool feed(const QByteArray& bytes, QList<QByteArray>& out);

    const QByteArray& pending() const { return m_pending; }
    void clear() { m_pending.clear(); }

private:
    QByteArray m_pending;
};

} // namespace wire
