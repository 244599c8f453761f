#include "protocol/receiveremainder.h"

#include "protocol/wiretext.h"

namespace wire {

bool ReceiveRemainder::feed(const QByteArray& bytes, QList<QByteArray>& out) {
    m_pending.append(bytes);
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = m_pending.indexOf(kTerminator, start);
        if (end < 0) break;
        out.append(m_pending.mid(start, end - start));
        start = end + 1;
    }
    if (start > 0) m_pending.remove(0, start);
    if (m_pending.size() >= kMaxPending) {
        m_pending.clear();
        return false;
    }
    return true;
}

} // namespace wire
