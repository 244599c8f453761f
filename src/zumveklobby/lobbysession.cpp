#include "zumveklobby/lobbysession.h"

#include "version/version.h"
#include "zumveklobby/launchplan.h"

namespace zumvek {

namespace {

const QString kNs = QString::fromLatin1(lobby::kNs);
// Long enough not to hammer a bot that is restarting; short enough that a list comes back.
constexpr int kRefetchMs = 5000;
constexpr int kLastRefetchMs = 60000;
// The protocol wants a refresh at least every 60 s; a little sooner leaves room for delay.
constexpr int kHomeRefreshMs = 50000;

QString resourceOf(const QString& jid) {
    const qsizetype slash = jid.indexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : jid.mid(slash + 1);
}

QString bareOf(const QString& jid) {
    return jid.section(QLatin1Char('/'), 0, 0);
}

// The words of an error reply: its text when it has one, else its condition.
QString errorText(const lobby::Element& reply) {
    const lobby::Element* error = reply.child(QStringLiteral("error"));
    if (!error) return QStringLiteral("error");
    for (const lobby::Element& c : error->children)
        if (c.name == QLatin1String("text") && !c.text.trimmed().isEmpty())
            return c.text.trimmed().left(200);
    for (const lobby::Element& c : error->children)
        if (c.name != QLatin1String("text")) return c.name.left(60);
    return QStringLiteral("error");
}

} // namespace

LobbySession::LobbySession(QObject* parent) : QObject(parent) {
    m_refetch.setSingleShot(true);
    m_refetch.setInterval(kRefetchMs / 2);
    connect(&m_refetch, &QTimer::timeout, this, &LobbySession::fetchTables);
    m_homeRefresh.setInterval(kHomeRefreshMs);
    connect(&m_homeRefresh, &QTimer::timeout, this, &LobbySession::sendHome);

    newClient();
}

// A fresh connection for each sign-in, so nothing the old one still reports (its own
// ending, a late answer) is taken for news about the new one.
void LobbySession::newClient() {
    if (m_client) {
        m_client->disconnect(this);
        m_client->setReconnect(false);
        if (m_client->state() != xmpp::State::Offline) m_client->disconnectFrom();
        m_client->deleteLater();
    }
    m_client = new xmpp::Client(this);
    connect(m_client, &xmpp::Client::online, this, &LobbySession::onOnline);
    connect(m_client, &xmpp::Client::offline, this, [this](const QString& reason) {
        if (m_registering) {
            // A registration that never reached the server failed as surely as a refused one.
            m_registering = false;
            setStage(Stage::Offline, reason);
            emit signInFailed(reason);
            return;
        }
        m_tables.clear();
        emit tablesChanged();
        clearRatings();
        emit occupantsChanged();
        setStage(m_stage == Stage::Offline ? Stage::Offline : Stage::Connecting, reason);
    });
    connect(m_client, &xmpp::Client::failed, this, [this](const QString& reason) {
        m_registering = false;
        m_client->setReconnect(false);
        setStage(Stage::Offline, reason);
        emit signInFailed(reason);
    });
    connect(m_client, &xmpp::Client::registered, this, [this] {
        m_registering = false;
        emit accountCreated();
        m_client->connectTo(account());
    });
    connect(m_client, &xmpp::Client::stanza, this, &LobbySession::onStanza);
}

// The bot's changes come as groupchat messages with no body; read them here, so they
// need nothing from the room but the sender's standing.
void LobbySession::onStanza(const lobby::Element& s) {
    if (s.name != QLatin1String("message") || !m_room) return;
    const QString from = s.attr(QStringLiteral("from"));
    if (bareOf(from) != m_room->jid()) return;
    if (s.attr(QStringLiteral("type")) == QLatin1String("error")) {
        // What the room refuses (a muted player's words) would otherwise vanish unseen.
        emit notice(tr("Your message was not sent: %1").arg(errorText(s)));
        return;
    }
    const lobby::Element* tables = s.child(QStringLiteral("tables"), kNs);
    const lobby::Element* ratings = s.child(QStringLiteral("ratings"), kNs);
    if ((!tables && !ratings) || !fromBot(resourceOf(from))) return;
    const bool delayed = s.child(QStringLiteral("delay"), QStringLiteral("urn:xmpp:delay"));
    // A change replayed from the room's history is older than the answer we asked for.
    if (ratings && !delayed && m_ratings.takeChange(*ratings)) emit ratingsChanged();
    if (tables) onTablesChange(*tables, delayed);
}

void LobbySession::onTablesChange(const lobby::Element& payload, bool delayed) {
    const auto change = lobby::readChange(payload);
    if (!change) return;
    switch (m_tables.apply(*change, delayed)) {
    case TableList::Outcome::Applied:
        emit tablesChanged();
        recountHome();
        break;
    case TableList::Outcome::Refetch:
        fetchTables();
        break;
    case TableList::Outcome::Ignored:
        break;
    }
}

LobbySession::~LobbySession() {
    m_client->disconnect(this);
    delete m_room; // before its client, which the children would delete first
}

void LobbySession::setStage(Stage s, const QString& reason) {
    m_stage = s;
    emit stageChanged(s, reason);
}

xmpp::Account LobbySession::account() const {
    xmpp::Account a;
    a.guest = m_how.guest;
    a.jid = m_how.guest ? lobby::guestDomain(m_how.domain)
                        : m_how.account + QLatin1Char('@') + m_how.domain;
    a.password = m_how.guest ? QString() : m_how.password;
    a.host = m_how.serverHost;
    a.port = m_how.port;
    a.caFile = m_how.caFile;
    return a;
}

void LobbySession::signIn(const SignIn& how, bool create) {
    signOut();
    m_how = how;
    m_nick = how.account.left(lobby::kMaxNick);
    setStage(Stage::Connecting);
    if (create && !how.guest) {
        m_registering = true;
        m_client->registerAccount(account());
        return;
    }
    m_client->connectTo(account());
}

void LobbySession::signOut() {
    withdrawHome();
    m_seat.reset();
    if (m_room) {
        m_room->leave();
        delete m_room; // before its client goes
        m_room = nullptr;
    }
    newClient();
    m_tables.clear();
    m_refetch.stop();
    clearRatings();
    if (m_stage != Stage::Offline) setStage(Stage::Offline);
}

void LobbySession::retry() {
    if (m_stage != Stage::Offline && m_client->state() == xmpp::State::Offline)
        m_client->connectTo(account());
}

void LobbySession::onOnline() {
    if (m_registering) return;
    // From here on a dropped connection comes back by itself.
    m_client->setReconnect(true);
    setStage(Stage::Online);
    if (m_room) return; // the room joins again by itself
    m_room = new xmpp::Room(m_client, lobby::roomJid(m_how.domain, vimbrel::kProtocolVersion),
                            m_nick, this);
    connect(m_room, &xmpp::Room::joinedRoom, this, [this] {
        setStage(Stage::InRoom);
        m_tables.clear();
        fetchTables();
        clearRatings();
        fetchRatings();
        emit occupantsChanged();
        if (m_home) sendHome();
    });
    connect(m_room, &xmpp::Room::leftRoom, this, [this](const QString& reason) {
        m_tables.clear();
        emit tablesChanged();
        clearRatings();
        emit occupantsChanged();
        if (m_client->state() == xmpp::State::Online) {
            setStage(Stage::Online, reason);
            emit notice(reason);
        }
    });
    auto changed = [this](const xmpp::Occupant&) {
        emit occupantsChanged();
        recountHome();
    };
    connect(m_room, &xmpp::Room::occupantJoined, this, [this, changed](const xmpp::Occupant& o) {
        // A bot that came back may have rated games while it was away.
        if (fromBot(o.nick)) fetchRatings();
        changed(o);
    });
    connect(m_room, &xmpp::Room::occupantLeft, this, [this, changed](const xmpp::Occupant& o) {
        if (m_ratings.forget(o.nick)) emit ratingsChanged();
        changed(o);
    });
    connect(m_room, &xmpp::Room::occupantChanged, this, changed);
    connect(m_room, &xmpp::Room::message, this, &LobbySession::onRoomMessage);
    m_room->join(m_seat ? atPayload(*m_seat) : lobby::Element());
}

void LobbySession::onRoomMessage(const QString& nick, const QString& body, bool delayed,
                                 const lobby::Element&) {
    if (body.isEmpty()) return;
    emit chat(nick, body, delayed);
}

bool LobbySession::fromBot(const QString& nick) const {
    if (!m_room) return false;
    // Only the room's owner or an administrator speaks for the list; anyone else could
    // send a list of their own.
    const auto it = m_room->occupants().constFind(nick);
    if (it == m_room->occupants().constEnd()) return false;
    return it->affiliation == QLatin1String("owner") || it->affiliation == QLatin1String("admin");
}

lobby::Element LobbySession::iqToBot(const QString& type, const lobby::Element& payload) const {
    lobby::Element iq = lobby::make(QStringLiteral("iq"));
    iq.set(QStringLiteral("type"), type).set(QStringLiteral("to"), lobby::botJid(m_how.domain));
    iq.add(payload);
    return iq;
}

void LobbySession::fetchTables() {
    if (m_fetching || m_stage != Stage::InRoom) return;
    m_fetching = true;
    m_client->sendIq(iqToBot(QStringLiteral("get"), lobby::make(QStringLiteral("tables"), kNs)),
                     [this](const lobby::Element& reply) {
                         m_fetching = false;
                         const lobby::Element* list = reply.child(QStringLiteral("tables"), kNs);
                         const auto change = list ? lobby::readChange(*list) : std::nullopt;
                         if (reply.attr(QStringLiteral("type")) != QLatin1String("result") ||
                             !change || !change->full) {
                             // Said once per outage; the tries go on, further apart.
                             if (!m_listTroubleTold)
                                 emit notice(tr("The list of tables is not available at the "
                                                "moment (%1). Trying again.")
                                                 .arg(errorText(reply)));
                             m_listTroubleTold = true;
                             m_refetch.start(qMin(m_refetch.interval() * 2, kLastRefetchMs));
                             return;
                         }
                         m_listTroubleTold = false;
                         m_refetch.setInterval(kRefetchMs / 2);
                         m_tables.apply(*change);
                         emit tablesChanged();
                         recountHome();
                     });
}

void LobbySession::fetchRatings() {
    if (m_stage != Stage::InRoom) return;
    const quint64 asked = ++m_ratingsAsked;
    m_client->sendIq(iqToBot(QStringLiteral("get"), lobby::make(QStringLiteral("ratings"), kNs)),
                     [this, asked](const lobby::Element& reply) {
                         if (asked != m_ratingsAsked) return; // overtaken by a newer request
                         // A bot that rates nobody answers with an error: no ratings then,
                         // and nothing the player needs to read about.
                         m_ratings.takeAnswer(reply);
                         emit ratingsChanged();
                     });
}

void LobbySession::clearRatings() {
    ++m_ratingsAsked; // an answer still on its way belongs to the room we left
    m_ratings.clear();
    emit ratingsChanged();
}

QList<xmpp::Occupant> LobbySession::occupants() const {
    return m_room ? m_room->occupants().values() : QList<xmpp::Occupant>();
}

std::optional<Seat> LobbySession::seatOf(const QString& nick) const {
    if (nick == m_nick) return m_seat;
    if (!m_room) return std::nullopt;
    const auto it = m_room->occupants().constFind(nick);
    if (it == m_room->occupants().constEnd()) return std::nullopt;
    return zumvek::seatOf(it->presence);
}

void LobbySession::say(const QString& text) {
    if (m_room && m_room->joined() && !text.trimmed().isEmpty()) m_room->say(text);
}

bool LobbySession::moderator() const {
    if (!m_room || !m_room->joined()) return false;
    const auto it = m_room->occupants().constFind(m_nick);
    return it != m_room->occupants().constEnd() && it->role == QLatin1String("moderator");
}

void LobbySession::mute(const QString& nick, const QString& reason) {
    if (!moderator()) return;
    m_room->setRole(nick, QStringLiteral("visitor"), reason, [this, nick](const QString& error) {
        if (!error.isEmpty()) emit notice(tr("%1 was not muted: %2").arg(nick, error));
    });
}

void LobbySession::unmute(const QString& nick) {
    if (!moderator()) return;
    m_room->setRole(nick, QStringLiteral("participant"), {}, [this, nick](const QString& error) {
        if (!error.isEmpty()) emit notice(tr("%1 was not unmuted: %2").arg(nick, error));
    });
}

void LobbySession::ban(const QString& nick, const QString& reason) {
    if (!moderator()) return;
    // A ban holds the account, not the name: the room shows a moderator the real JID.
    const auto it = m_room->occupants().constFind(nick);
    const QString account = it == m_room->occupants().constEnd() ? QString() : bareOf(it->realJid);
    if (account.isEmpty()) {
        emit notice(tr("%1 was not banned: the room does not show the account.").arg(nick));
        return;
    }
    m_room->setAffiliation(account, QStringLiteral("outcast"), reason,
                           [this, nick](const QString& error) {
                               if (!error.isEmpty())
                                   emit notice(tr("%1 was not banned: %2").arg(nick, error));
                           });
}

void LobbySession::setSeat(const std::optional<Seat>& seat) {
    m_seat = seat;
    if (m_room && m_room->joined())
        m_room->setPresencePayload(seat ? atPayload(*seat) : lobby::Element());
    emit occupantsChanged();
}

QString LobbySession::homeKey() const {
    if (!m_home) return {};
    for (const lobby::Table& t : m_tables.tables())
        if (t.host == m_nick && t.id == QLatin1String(kHomeId) && !t.serverTable) return t.key;
    return {};
}

void LobbySession::announceHome(const HomeTable& table) {
    lobby::Table t;
    t.id = QString::fromLatin1(kHomeId);
    t.name = table.name.left(lobby::kMaxTableName);
    t.ipv4 = table.ipv4;
    t.ipv6 = table.ipv6;
    t.port = table.port;
    t.seats = 1; // the host's own player
    t.version = QString::fromLatin1(vimbrel::kProtocolVersion);
    m_home = t;
    m_homeRefresh.start();
    sendHome();
}

void LobbySession::withdrawHome() {
    if (!m_home) return;
    m_home.reset();
    m_homeRefresh.stop();
    if (m_stage != Stage::InRoom) return;
    m_client->sendIq(iqToBot(QStringLiteral("set"),
                             lobby::make(QStringLiteral("withdraw"), kNs)
                                 .set(QStringLiteral("id"), QString::fromLatin1(kHomeId))),
                     [](const lobby::Element&) {});
}

void LobbySession::sendHome() {
    if (!m_home || m_stage != Stage::InRoom) return;
    m_client->sendIq(iqToBot(QStringLiteral("set"), lobby::announcement(*m_home)),
                     [this](const lobby::Element& reply) {
                         if (reply.attr(QStringLiteral("type")) == QLatin1String("result")) return;
                         emit notice(
                             tr("The lobby did not list your table: %1").arg(errorText(reply)));
                     });
}

// Our table's seats as the presences in the room tell them; announced when they change.
void LobbySession::recountHome() {
    if (!m_home) return;
    const QString key = homeKey();
    if (key.isEmpty()) return;
    QList<lobby::Element> presences;
    for (const xmpp::Occupant& o : occupants())
        if (o.nick != m_nick) presences << o.presence;
    // Our own seat as we set it, whether or not the room echoed it yet.
    presences << lobby::make(QStringLiteral("presence")).add(atPayload(Seat{key, false}));
    const SeatCount n = countAt(key, presences);
    if (n.players == m_home->seats && n.spectators == m_home->spectators) return;
    m_home->seats = n.players;
    m_home->spectators = n.spectators;
    sendHome();
}

void LobbySession::requestServerTable(
    const QString& name, std::function<void(const QString&, const QString&, const QString&)> done) {
    if (m_stage != Stage::InRoom) {
        done({}, {}, tr("You are not in the lobby."));
        return;
    }
    m_client->sendIq(
        iqToBot(QStringLiteral("set"),
                lobby::make(QStringLiteral("servertable"), kNs)
                    .set(QStringLiteral("name"), name.left(lobby::kMaxTableName))),
        [this, done](const lobby::Element& reply) {
            const lobby::Element* t = reply.child(QStringLiteral("servertable"), kNs);
            if (reply.attr(QStringLiteral("type")) != QLatin1String("result") || !t) {
                done({}, {}, errorText(reply));
                return;
            }
            bool ok = false;
            const int port = t->attr(QStringLiteral("port")).toInt(&ok);
            const QString address = t->attr(QStringLiteral("address"));
            if (!ok || port < 1 || port > 65535 || address.isEmpty() || address.size() > 64) {
                done({}, {}, tr("the answer named no usable address"));
                return;
            }
            // The address is checked by the game when it connects; only its shape here.
            const bool v6 = address.contains(QLatin1Char(':'));
            done(joinAddress(v6 ? QString() : address, v6 ? address : QString(), quint16(port)),
                 t->attr(QStringLiteral("key")).left(lobby::kMaxTableId), {});
        },
        30000);
}

} // namespace zumvek
