#include "zumveklobby/tablelist.h"

#include <algorithm>

namespace zumvek {

namespace {
// Changes kept while a whole list is on its way; more than this means it is lost.
constexpr int kMaxEarly = 64;
} // namespace

TableList::Outcome TableList::apply(const lobby::Change& change, bool delayed) {
    if (delayed) return Outcome::Ignored;
    if (change.full) {
        // A whole list older than the changes already applied would take them back.
        if (m_current && change.seq < m_seq) return Outcome::Ignored;
        replace(change);
        return Outcome::Applied;
    }
    if (!m_current) {
        // The list request is still out: keep the change, it may follow the answer.
        if (m_early.size() >= kMaxEarly) m_early.removeFirst();
        m_early.append(change);
        return Outcome::Ignored;
    }
    if (change.seq <= m_seq) return Outcome::Ignored;
    if (change.seq != m_seq + 1) {
        m_current = false;
        m_early = {change};
        return Outcome::Refetch;
    }
    applyOne(change);
    return Outcome::Applied;
}

void TableList::replace(const lobby::Change& full) {
    m_tables.clear();
    for (const lobby::Table& t : full.tables)
        m_tables.insert(t.key, t);
    m_seq = full.seq;
    m_current = true;
    // Changes that arrived while we waited, in order; anything older is in the list.
    QList<lobby::Change> early = std::exchange(m_early, {});
    std::sort(early.begin(), early.end(),
              [](const lobby::Change& a, const lobby::Change& b) { return a.seq < b.seq; });
    for (const lobby::Change& c : early) {
        if (c.seq <= m_seq) continue;
        if (c.seq != m_seq + 1) break; // a gap: the next change past it asks again
        applyOne(c);
    }
}

void TableList::applyOne(const lobby::Change& c) {
    for (const lobby::Table& t : c.tables)
        m_tables.insert(t.key, t);
    for (const QString& key : c.gone)
        m_tables.remove(key);
    m_seq = c.seq;
}

void TableList::clear() {
    m_tables.clear();
    m_seq = 0;
    m_current = false;
    m_early.clear();
}

QList<lobby::Table> TableList::tables() const {
    QList<lobby::Table> out = m_tables.values();
    std::stable_sort(out.begin(), out.end(), [](const lobby::Table& a, const lobby::Table& b) {
        const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.key < b.key;
    });
    return out;
}

const lobby::Table* TableList::find(const QString& key) const {
    const auto it = m_tables.constFind(key);
    return it == m_tables.constEnd() ? nullptr : &*it;
}

} // namespace zumvek
