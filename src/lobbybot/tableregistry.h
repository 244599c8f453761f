// The bot's list of open tables: who announced what, under which key, how reachable it
// is, and the numbered changes the room hears. Plain QtCore and the table codec; the
// clock is injected so tests move time by hand.
#pragma once

#include "lobbybot/ratelimit.h"
#include "lobbyproto/tables.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <functional>

namespace lobbybot {

// Milliseconds on a clock that never goes back.
using Clock = std::function<qint64()>;
Clock steadyClock();

inline constexpr int kMaxTablesPerAccount = 3;
inline constexpr int kAnnouncementsPerWindow = 10;
inline constexpr qint64 kAnnouncementWindowMs = 10'000;
inline constexpr qint64 kTableLifetimeMs = 150'000; // a table with no refresh this long is gone

// What became of an announcement or a withdrawal. `condition` is an XMPP error condition
// ("not-acceptable", "policy-violation", "forbidden", "item-not-found") when refused.
struct Outcome {
    bool ok = false;
    QString condition;
    QString text; // for people, in words
    QString key;  // the table's key when ok
    bool added = false;
    bool addressChanged = false; // new table, or another address or port: check it again
};

class TableRegistry : public QObject {
    Q_OBJECT
public:
    // `firstSeq`: the number the first change follows. A restarted bot passes a number
    // above any it sent before (the wall clock), so lobbies see a gap and ask again.
    explicit TableRegistry(Clock clock = steadyClock(), quint64 firstSeq = 0,
                           QObject* parent = nullptr);

    // The account whose server tables are exempt from the per-account limits: the bot's.
    void setOwnAccount(const QString& bareJid);

    // A host's <table/> from the occupant `nick` whose account is `bareJid`.
    Outcome announce(const QString& bareJid, const QString& nick, const lobby::Element& table);
    // A host's <withdraw id=…/>: only ever the account's own table.
    Outcome withdraw(const QString& bareJid, const lobby::Element& withdraw);
    // The occupant left the room: every table it announced goes. Returns how many.
    int removeOccupant(const QString& nick);
    // Every table whose announcer is not among `nicks` goes (the bot was away meanwhile).
    int keepOnlyOccupants(const QSet<QString>& nicks);
    // The reachability check's verdict for a listed table; unknown keys are ignored.
    void setReach(const QString& key, lobby::Reach reach, const QString& reason = {});

    // The whole list, numbered with the last change sent.
    lobby::Change fullList() const;
    const lobby::Table* find(const QString& key) const;
    QString ownerOf(const QString& key) const; // the announcer's bare JID
    // The key of the account's table `id`, or empty when it has none listed.
    QString keyOf(const QString& bareJid, const QString& id) const;
    // A request that counts against the account's announcement pace (a game's result):
    // false, and nothing counted, when the account is over it. The bot's own is exempt.
    bool takeRequest(const QString& bareJid);
    int size() const { return int(m_tables.size()); }
    quint64 seq() const { return m_seq; }

    // Drops the tables that missed their refresh; the expiry timer calls it.
    int expireNow();
    // Sends the changes gathered so far as one message; the zero timer calls it.
    void flushChanges();
    // For tests: whether a timer is armed at all, and when the next table expires.
    bool expiryArmed() const { return m_expiry.isActive(); }
    bool flushPending() const { return m_flush.isActive(); }
    qint64 nextExpiry() const;

signals:
    // One numbered batch of changes, everything that happened in one event-loop turn.
    void changed(const lobby::Change& change);
    // A table that is new or moved: check that it answers. `key` stays while it lives.
    void checkNeeded(const QString& key, const lobby::Table& table);
    // A table left the list (withdrawn, expired, its announcer gone).
    void removed(const QString& key, const lobby::Table& table, const QString& why);
    // A table was announced or refreshed, after the change took effect.
    void announced(const QString& key, const lobby::Table& table, const QString& bareJid);

private:
    struct Entry {
        lobby::Table table;
        QString owner;    // bare JID
        QString nick;     // the announcer in the room, whole (the listed host may be cut)
        qint64 refreshed; // the clock's ms
    };
    static QString ownerKey(const QString& bareJid, const QString& id);
    Outcome refuse(const QString& condition, const QString& text) const;
    Outcome admit(const QString& bareJid, const lobby::Element& e, lobby::Table* t);
    void store(const QString& bareJid, const QString& nick, lobby::Table t, Outcome* o);
    void remove(const QString& key, const QString& why);
    void noteChanged(const QString& key);
    void armExpiry();

    Clock m_clock;
    QString m_own;
    quint64 m_seq;
    quint64 m_nextKey = 1;
    QHash<QString, Entry> m_tables;       // key → entry
    QHash<QString, QString> m_byOwner;    // bare JID + id → key
    QHash<QString, int> m_countByAccount; // bare JID → tables
    RateLimit m_rate;
    lobby::Change m_pending;
    QSet<QString> m_pendingKeys;
    QTimer m_expiry; // single shot, for the earliest expiry only
    QTimer m_flush;  // zero timer: one message per event-loop turn
};

} // namespace lobbybot
