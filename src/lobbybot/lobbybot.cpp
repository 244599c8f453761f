#include "lobbybot/lobbybot.h"

#include "server/logtext.h"

#include <QSet>

namespace lobbybot {

namespace {

using server::logField;

QString errorType(const QString& condition) {
    if (condition == QLatin1String("not-acceptable")) return QStringLiteral("modify");
    if (condition == QLatin1String("policy-violation") ||
        condition == QLatin1String("resource-constraint"))
        return QStringLiteral("wait");
    return QStringLiteral("cancel");
}

// The request's payload: its first child in the lobby's namespace.
lobby::Element payloadOf(const lobby::Element& iq) {
    for (const lobby::Element& c : iq.children)
        if (c.ns == QLatin1String(lobby::kNs)) return c;
    return {};
}

QString tableText(const lobby::Table& t) {
    QStringList at;
    if (!t.ipv4.isEmpty()) at << t.ipv4;
    if (!t.ipv6.isEmpty()) at << QStringLiteral("[%1]").arg(t.ipv6);
    return QStringLiteral("\"%1\" at %2 port %3, %4/4 seated, %5")
        .arg(logField(t.name), at.join(QLatin1Char(' ')))
        .arg(t.port)
        .arg(t.seats)
        .arg(lobby::stateName(t.state));
}

qint64 nowMs() {
    return steadyClock()();
}

} // namespace

QString bareJid(const QString& jid) {
    return jid.section(QLatin1Char('/'), 0, 0);
}

LobbyBot::LobbyBot(const xmpp::Account& account, const QString& roomJid, TableRegistry& registry,
                   ReachProber& prober, ServerTablePool& pool, Log log, QObject* parent)
    : QObject(parent), m_client(), m_room(&m_client, roomJid, QString::fromLatin1(kBotNick)),
      m_account(account), m_registry(registry), m_prober(prober), m_pool(pool),
      m_log(std::move(log)), m_listRate(kListRequestsPerWindow, kAnnouncementWindowMs),
      m_ratingsRate(kListRequestsPerWindow, kAnnouncementWindowMs),
      m_store(m_client, account.jid.section(u'@', 1).section(u'/', 0, 0), m_log),
      m_domain(account.jid.section(u'@', 1).section(u'/', 0, 0)) {
    m_storeRetry.setSingleShot(true);
    connect(&m_storeRetry, &QTimer::timeout, this, &LobbyBot::loadRatings);
    m_waitTimer.setSingleShot(true);
    connect(&m_waitTimer, &QTimer::timeout, this, [this] { retryWaiting(false); });
    connect(&m_client, &xmpp::Client::online, this, [this](const QString& jid) {
        m_log(QStringLiteral("online as %1; joining %2").arg(logField(jid), m_room.jid()));
        m_room.join();
        // The tables do not wait for the ratings; results that come first wait for them.
        if (m_book.loaded())
            m_store.saveAgain();
        else
            loadRatings();
    });
    connect(&m_client, &xmpp::Client::offline, this, [this](const QString& why) {
        m_log(QStringLiteral("offline: %1").arg(logField(why, 200)));
    });
    connect(&m_client, &xmpp::Client::failed, this, [this](const QString& why) {
        m_log(QStringLiteral("log-in refused: %1").arg(logField(why, 200)));
        emit fatal(why);
    });
    connect(&m_client, &xmpp::Client::stanza, this, &LobbyBot::onStanza);
    connect(&m_room, &xmpp::Room::joinedRoom, this, &LobbyBot::onJoined);
    connect(&m_room, &xmpp::Room::leftRoom, this, [this](const QString& why) {
        m_log(QStringLiteral("out of the room: %1").arg(logField(why, 200)));
    });
    connect(&m_room, &xmpp::Room::occupantJoined, this, [this](const xmpp::Occupant& o) {
        retryWaiting(false);
        const QString account = bareJid(o.realJid).toLower();
        if (!m_book.loaded() || !m_book.find(account) || !isListableName(o.nick)) return;
        lobby::Ratings r;
        r.online.append(m_book.entry(account, o.nick));
        pushRatings(r);
    });
    connect(&m_room, &xmpp::Room::occupantLeft, this,
            [this](const xmpp::Occupant& o) { m_registry.removeOccupant(o.nick); });
    wireRegistry();
}

void LobbyBot::wireRegistry() {
    connect(&m_registry, &TableRegistry::changed, this, [this](const lobby::Change& c) {
        // Lobbies that miss a change see the gap in the numbers and ask for the list.
        if (m_room.joined()) m_room.sendPayload(lobby::changeElement(c));
    });
    connect(&m_registry, &TableRegistry::checkNeeded, this,
            [this](const QString& key, const lobby::Table& t) {
                m_prober.check(key, {t.ipv4, t.ipv6, t.port});
            });
    connect(&m_registry, &TableRegistry::removed, this,
            [this](const QString& key, const lobby::Table&, const QString& why) {
                m_prober.forget(key);
                m_log(QStringLiteral("%1 gone: %2").arg(key, why));
            });
    connect(&m_registry, &TableRegistry::announced, this,
            [this](const QString& key, const lobby::Table& t, const QString&) {
                if (t.serverTable) m_pool.tableAnnounced(key, t);
            });
    connect(&m_prober, &ReachProber::verdict, this,
            [this](const QString& key, bool reachable, const QString& reason) {
                m_registry.setReach(
                    key, reachable ? lobby::Reach::Reachable : lobby::Reach::Unreachable, reason);
                m_log(reachable ? QStringLiteral("%1 answers").arg(key)
                                : QStringLiteral("%1 not reachable: %2").arg(key, reason));
            });
}

void LobbyBot::start() {
    m_registry.setOwnAccount(bareJid(m_account.jid));
    m_client.setReconnect(true);
    m_log(QStringLiteral("connecting to %1 as %2").arg(m_account.host, m_account.jid));
    m_client.connectTo(m_account);
}

void LobbyBot::stop() {
    m_room.leave();
    m_client.disconnectFrom();
}

void LobbyBot::onJoined() {
    // Hosts that left while the bot was away take their tables with them. Every other
    // host announces again when it sees the bot join (docs/lobby-protocol.md).
    QSet<QString> nicks;
    for (const xmpp::Occupant& o : m_room.occupants())
        nicks.insert(o.nick);
    const int gone = m_registry.keepOnlyOccupants(nicks);
    m_log(QStringLiteral("in the room with %1 occupants, %2 tables (%3 dropped)")
              .arg(nicks.size())
              .arg(m_registry.size())
              .arg(gone));
}

// The occupant the sender is. Sessions of one account may share a nick (the room then
// shows one of their JIDs), and tables belong to the account, so its bare JID suffices.
const xmpp::Occupant* LobbyBot::occupantFor(const QString& fullJid) const {
    if (fullJid.isEmpty()) return nullptr;
    const xmpp::Occupant* sameAccount = nullptr;
    for (const xmpp::Occupant& o : m_room.occupants()) {
        if (o.realJid == fullJid) return &o;
        if (!o.realJid.isEmpty() && bareJid(o.realJid) == bareJid(fullJid)) sameAccount = &o;
    }
    return sameAccount;
}

void LobbyBot::onStanza(const lobby::Element& s) {
    if (s.name != QLatin1String("iq")) return;
    const QString type = s.attr(QStringLiteral("type"));
    if (type == QLatin1String("get"))
        handleGet(s);
    else if (type == QLatin1String("set")) {
        // The administrator is no occupant: the server's `from` alone says who it is.
        const QString what = payloadOf(s).name;
        if (what == QLatin1String("trust") || what == QLatin1String("distrust"))
            return trust(s, payloadOf(s));
        if (const xmpp::Occupant* o = occupantFor(s.attr(QStringLiteral("from"))))
            handleSet(s, *o);
        else
            wait(s);
    }
}

void LobbyBot::handleGet(const lobby::Element& iq) {
    const lobby::Element p = payloadOf(iq);
    if (p.name == QLatin1String("ratings")) return answerRatings(iq);
    if (p.name != QLatin1String("tables"))
        return refuse(iq, QStringLiteral("service-unavailable"), QStringLiteral("unknown request"));
    const QString from = bareJid(iq.attr(QStringLiteral("from")));
    if (!m_listRate.take(from, nowMs()))
        return refuse(iq, QStringLiteral("policy-violation"),
                      QStringLiteral("too many list requests"));
    m_client.replyResult(iq, lobby::changeElement(m_registry.fullList()));
}

void LobbyBot::handleSet(const lobby::Element& iq, const xmpp::Occupant& o) {
    if (o.affiliation == QLatin1String("outcast"))
        return refuse(iq, QStringLiteral("forbidden"), QStringLiteral("banned from the lobby"));
    const lobby::Element p = payloadOf(iq);
    // A muted player may still withdraw, but puts no new name before everyone.
    const bool muted = o.role == QLatin1String("visitor");
    if (muted && (p.name == QLatin1String("table") || p.name == QLatin1String("servertable")))
        return refuse(iq, QStringLiteral("forbidden"), QStringLiteral("muted in the lobby"));
    if (p.name == QLatin1String("table")) return announce(iq, p, o);
    if (p.name == QLatin1String("withdraw")) return withdraw(iq, p);
    if (p.name == QLatin1String("servertable")) return serverTable(iq, p);
    if (p.name == QLatin1String("result")) return result(iq, p);
    refuse(iq, QStringLiteral("service-unavailable"), QStringLiteral("unknown request"));
}

void LobbyBot::announce(const lobby::Element& iq, const lobby::Element& p,
                        const xmpp::Occupant& o) {
    const QString account = bareJid(iq.attr(QStringLiteral("from")));
    const Outcome r = m_registry.announce(account, o.nick, p);
    if (!r.ok) {
        m_log(QStringLiteral("refused a table from %1: %2").arg(logField(account), r.text));
        return refuse(iq, r.condition, r.text);
    }
    if (r.added || r.addressChanged)
        m_log(QStringLiteral("%1 %2 by %3 (%4): %5")
                  .arg(r.key, r.added ? QStringLiteral("announced") : QStringLiteral("moved"),
                       logField(account), logField(o.nick), tableText(*m_registry.find(r.key))));
    m_client.replyResult(iq);
}

void LobbyBot::withdraw(const lobby::Element& iq, const lobby::Element& p) {
    const Outcome r = m_registry.withdraw(bareJid(iq.attr(QStringLiteral("from"))), p);
    if (!r.ok) return refuse(iq, r.condition, r.text);
    m_client.replyResult(iq);
}

void LobbyBot::serverTable(const lobby::Element& iq, const lobby::Element& p) {
    const QString account = bareJid(iq.attr(QStringLiteral("from")));
    const QString name = p.attr(QStringLiteral("name"));
    m_log(
        QStringLiteral("%1 asks for a server table \"%2\"").arg(logField(account), logField(name)));
    m_pool.request(account, name, [this, iq](const PoolAnswer& a) {
        if (!a.ok) return refuse(iq, a.condition, a.text);
        lobby::Element reply =
            lobby::make(QStringLiteral("servertable"), QLatin1String(lobby::kNs));
        reply.set(QStringLiteral("key"), a.key)
            .set(QStringLiteral("address"), a.address)
            .set(QStringLiteral("port"), QString::number(a.port));
        m_client.replyResult(iq, reply);
    });
}

void LobbyBot::refuse(const lobby::Element& iq, const QString& condition, const QString& text) {
    m_client.replyError(iq, errorType(condition), condition, text);
}

void LobbyBot::wait(const lobby::Element& iq) {
    if (m_waiting.size() >= kMaxWaitingRequests)
        return refuse(iq, QStringLiteral("forbidden"), QStringLiteral("not in the lobby's room"));
    m_waiting.append({iq, nowMs() + kOccupantGraceMs});
    if (!m_waitTimer.isActive()) m_waitTimer.start(kOccupantGraceMs);
}

// Requests whose sender has joined meanwhile go ahead; the others wait out their grace.
void LobbyBot::retryWaiting(bool expireAll) {
    const qint64 now = nowMs();
    QList<Waiting> still;
    const QList<Waiting> waiting = std::exchange(m_waiting, {});
    for (const Waiting& w : waiting) {
        if (const xmpp::Occupant* o = occupantFor(w.iq.attr(QStringLiteral("from"))))
            handleSet(w.iq, *o);
        else if (expireAll || w.until <= now)
            refuse(w.iq, QStringLiteral("forbidden"), QStringLiteral("not in the lobby's room"));
        else
            still.append(w);
    }
    m_waiting += still;
    m_waitTimer.stop();
    if (!m_waiting.isEmpty())
        m_waitTimer.start(int(std::max<qint64>(0, m_waiting.first().until - now)));
}

} // namespace lobbybot
