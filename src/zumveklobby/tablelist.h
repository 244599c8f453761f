// The lobby's list of open tables as this program knows it: a whole list from the bot,
// then numbered changes from the room. Changes are applied strictly in order; an old or
// replayed change is ignored, and a gap means the list must be fetched again.
#pragma once

#include "lobbyproto/tables.h"

#include <QList>
#include <QMap>
#include <QString>

namespace zumvek {

class TableList {
public:
    enum class Outcome {
        Applied, // the list changed (or a whole list replaced it)
        Ignored, // older than what we have, replayed from history, or held for later
        Refetch, // a change is missing: ask the bot for the whole list again
    };

    // A message from the room or the answer to a list request. `delayed` marks a
    // message the room replayed from its history; those are never applied.
    Outcome apply(const lobby::Change& change, bool delayed = false);

    // Forget everything, as after a new log-in: the next whole list starts over.
    void clear();
    // True once a whole list arrived (and no gap has been seen since).
    bool current() const { return m_current; }
    quint64 seq() const { return m_seq; }

    // The tables in a stable order: by name, then key.
    QList<lobby::Table> tables() const;
    const lobby::Table* find(const QString& key) const;
    int size() const { return int(m_tables.size()); }

private:
    void replace(const lobby::Change& full);
    void applyOne(const lobby::Change& c);

    QMap<QString, lobby::Table> m_tables; // by key
    quint64 m_seq = 0;
    bool m_current = false;
    // Changes that came before the whole list they follow; applied once it arrives.
    QList<lobby::Change> m_early;
};

} // namespace zumvek
