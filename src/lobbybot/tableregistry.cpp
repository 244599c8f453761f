#include "lobbybot/tableregistry.h"

#include <QRegularExpression>
#include <algorithm>
#include <chrono>

namespace lobbybot {

namespace {

const QString kNotAcceptable = QStringLiteral("not-acceptable");
const QString kPolicy = QStringLiteral("policy-violation");

// Keys sort by their number, so lists and changes come out in the order tables arrived.
bool keyBefore(const QString& a, const QString& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// The nick as the list shows it: one line, within the nick limit every reader applies,
// never half of a surrogate pair.
QString listedNick(const QString& nick) {
    QString out;
    for (qsizetype i = 0; i < nick.size() && out.size() < lobby::kMaxNick; ++i) {
        const QChar c = nick[i];
        if (c.isHighSurrogate() && i + 1 < nick.size() && nick[i + 1].isLowSurrogate()) {
            if (out.size() + 2 > lobby::kMaxNick) break;
            out.append(c).append(nick[++i]);
            continue;
        }
        const auto cat = c.category();
        const bool unsafe = cat == QChar::Other_Control || cat == QChar::Other_Format ||
                            cat == QChar::Other_Surrogate || cat == QChar::Separator_Line ||
                            cat == QChar::Separator_Paragraph || c.unicode() >= 0xFFFE;
        out.append(unsafe ? QChar(u'?') : c);
    }
    return out;
}

QString floodText() {
    return QStringLiteral("more than %1 announcements in %2 s")
        .arg(kAnnouncementsPerWindow)
        .arg(kAnnouncementWindowMs / 1000);
}

bool sameListing(const lobby::Table& a, const lobby::Table& b) {
    return lobby::listEntry(a).attrs == lobby::listEntry(b).attrs;
}

} // namespace

Clock steadyClock() {
    return [] {
        using namespace std::chrono;
        return qint64(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    };
}

TableRegistry::TableRegistry(Clock clock, quint64 firstSeq, QObject* parent)
    : QObject(parent), m_clock(std::move(clock)), m_seq(firstSeq),
      m_rate(kAnnouncementsPerWindow, kAnnouncementWindowMs) {
    m_expiry.setSingleShot(true);
    m_flush.setSingleShot(true);
    m_flush.setInterval(0);
    connect(&m_expiry, &QTimer::timeout, this, [this] { expireNow(); });
    connect(&m_flush, &QTimer::timeout, this, &TableRegistry::flushChanges);
}

void TableRegistry::setOwnAccount(const QString& bareJid) {
    m_own = bareJid;
}

QString TableRegistry::ownerKey(const QString& bareJid, const QString& id) {
    return bareJid + QLatin1Char('\n') + id; // neither a JID nor an id holds a newline
}

Outcome TableRegistry::refuse(const QString& condition, const QString& text) const {
    Outcome o;
    o.condition = condition;
    o.text = text;
    return o;
}

Outcome TableRegistry::announce(const QString& bareJid, const QString& nick,
                                const lobby::Element& e) {
    lobby::Table t;
    Outcome o = admit(bareJid, e, &t);
    if (!o.condition.isEmpty()) return o;
    store(bareJid, nick, std::move(t), &o);
    return o;
}

// Every check in the order that costs least: the account's pace, the fields, then
// what the account may own. Nothing changes until all of them pass.
Outcome TableRegistry::admit(const QString& bareJid, const lobby::Element& e, lobby::Table* t) {
    // The bot's own account announces only the tables it runs on the server, one per
    // port of its pool; they are marked as such whatever they say, and nobody else's are.
    const bool own = !m_own.isEmpty() && bareJid == m_own;
    if (!own && !m_rate.take(bareJid, m_clock())) return refuse(kPolicy, floodText());
    QString why;
    auto read = lobby::readAnnouncement(e, &why);
    if (!read) return refuse(kNotAcceptable, why.isEmpty() ? QStringLiteral("bad table") : why);
    read->serverTable = own;
    const bool known = m_byOwner.contains(ownerKey(bareJid, read->id));
    if (!known && !own && m_countByAccount.value(bareJid) >= kMaxTablesPerAccount)
        return refuse(kPolicy,
                      QStringLiteral("at most %1 tables per account").arg(kMaxTablesPerAccount));
    *t = *read;
    return {};
}

void TableRegistry::store(const QString& bareJid, const QString& nick, lobby::Table t, Outcome* o) {
    const QString ok = ownerKey(bareJid, t.id);
    QString key = m_byOwner.value(ok);
    const bool added = key.isEmpty();
    if (added) {
        key = QStringLiteral("t%1").arg(m_nextKey++);
        m_byOwner.insert(ok, key);
        ++m_countByAccount[bareJid];
    }
    t.key = key;
    t.host = listedNick(nick);
    Entry& entry = m_tables[key];
    const lobby::Table old = entry.table;
    const bool moved = added || old.ipv4 != t.ipv4 || old.ipv6 != t.ipv6 || old.port != t.port;
    if (!moved) { // the address is the same, so the last check still holds
        t.reach = old.reach;
        t.reason = old.reason;
    }
    entry = Entry{t, bareJid, nick, m_clock()};
    if (added || !sameListing(old, t)) noteChanged(key);
    if (!m_expiry.isActive()) armExpiry();
    o->ok = true;
    o->key = key;
    o->added = added;
    o->addressChanged = moved;
    if (moved) emit checkNeeded(key, t);
    emit announced(key, t, bareJid);
}

Outcome TableRegistry::withdraw(const QString& bareJid, const lobby::Element& e) {
    if (bareJid != m_own && !m_rate.take(bareJid, m_clock())) return refuse(kPolicy, floodText());
    static const QRegularExpression idPattern(QStringLiteral("^[A-Za-z0-9_-]{1,16}$"));
    const QString id = e.attr(QStringLiteral("id"));
    if (!idPattern.match(id).hasMatch()) return refuse(kNotAcceptable, QStringLiteral("bad id"));
    const QString key = m_byOwner.value(ownerKey(bareJid, id));
    if (key.isEmpty())
        return refuse(QStringLiteral("item-not-found"), QStringLiteral("no such table of yours"));
    remove(key, QStringLiteral("withdrawn"));
    Outcome o;
    o.ok = true;
    o.key = key;
    return o;
}

int TableRegistry::removeOccupant(const QString& nick) {
    QStringList keys;
    for (auto it = m_tables.cbegin(); it != m_tables.cend(); ++it)
        if (it->nick == nick) keys << it.key();
    for (const QString& key : keys)
        remove(key, QStringLiteral("its host left the room"));
    return int(keys.size());
}

int TableRegistry::keepOnlyOccupants(const QSet<QString>& nicks) {
    QStringList keys;
    for (auto it = m_tables.cbegin(); it != m_tables.cend(); ++it)
        if (!nicks.contains(it->nick)) keys << it.key();
    for (const QString& key : keys)
        remove(key, QStringLiteral("its host left the room"));
    return int(keys.size());
}

void TableRegistry::setReach(const QString& key, lobby::Reach reach, const QString& reason) {
    auto it = m_tables.find(key);
    if (it == m_tables.end()) return;
    const QString cut =
        reach == lobby::Reach::Unreachable ? reason.left(lobby::kMaxReason) : QString();
    if (it->table.reach == reach && it->table.reason == cut) return;
    it->table.reach = reach;
    it->table.reason = cut;
    noteChanged(key);
}

void TableRegistry::remove(const QString& key, const QString& why) {
    const Entry entry = m_tables.take(key);
    m_byOwner.remove(ownerKey(entry.owner, entry.table.id));
    if (--m_countByAccount[entry.owner] <= 0) m_countByAccount.remove(entry.owner);
    m_pendingKeys.remove(key);
    if (!m_pending.gone.contains(key)) m_pending.gone.append(key);
    if (!m_flush.isActive()) m_flush.start();
    if (m_tables.isEmpty()) m_expiry.stop();
    emit removed(key, entry.table, why);
}

void TableRegistry::noteChanged(const QString& key) {
    m_pendingKeys.insert(key);
    m_pending.gone.removeAll(key);
    if (!m_flush.isActive()) m_flush.start();
}

void TableRegistry::flushChanges() {
    m_flush.stop();
    if (m_pendingKeys.isEmpty() && m_pending.gone.isEmpty()) return;
    QStringList keys(m_pendingKeys.cbegin(), m_pendingKeys.cend());
    std::sort(keys.begin(), keys.end(), keyBefore);
    lobby::Change c;
    c.seq = ++m_seq;
    for (const QString& key : keys)
        c.tables.append(m_tables.value(key).table);
    c.gone = m_pending.gone;
    m_pendingKeys.clear();
    m_pending = {};
    emit changed(c);
}

lobby::Change TableRegistry::fullList() const {
    QStringList keys = m_tables.keys();
    std::sort(keys.begin(), keys.end(), keyBefore);
    lobby::Change c;
    c.seq = m_seq;
    c.full = true;
    for (const QString& key : keys)
        c.tables.append(m_tables.value(key).table);
    return c;
}

const lobby::Table* TableRegistry::find(const QString& key) const {
    auto it = m_tables.constFind(key);
    return it == m_tables.cend() ? nullptr : &it->table;
}

QString TableRegistry::ownerOf(const QString& key) const {
    return m_tables.value(key).owner;
}

QString TableRegistry::keyOf(const QString& bareJid, const QString& id) const {
    return m_byOwner.value(ownerKey(bareJid, id));
}

bool TableRegistry::takeRequest(const QString& bareJid) {
    return (!m_own.isEmpty() && bareJid == m_own) || m_rate.take(bareJid, m_clock());
}

qint64 TableRegistry::nextExpiry() const {
    qint64 earliest = -1;
    for (const Entry& e : m_tables)
        if (earliest < 0 || e.refreshed < earliest) earliest = e.refreshed;
    return earliest < 0 ? -1 : earliest + kTableLifetimeMs;
}

int TableRegistry::expireNow() {
    const qint64 now = m_clock();
    QStringList keys;
    for (auto it = m_tables.cbegin(); it != m_tables.cend(); ++it)
        if (now - it->refreshed >= kTableLifetimeMs) keys << it.key();
    for (const QString& key : keys)
        remove(key, QStringLiteral("no refresh for %1 s").arg(kTableLifetimeMs / 1000));
    armExpiry();
    return int(keys.size());
}

void TableRegistry::armExpiry() {
    const qint64 next = nextExpiry();
    if (next < 0) {
        m_expiry.stop();
        return;
    }
    m_expiry.start(int(std::max<qint64>(0, next - m_clock())));
}

} // namespace lobbybot
