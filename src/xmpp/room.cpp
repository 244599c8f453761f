#include "xmpp/room.h"

#include "xmpp/stanza.h"

namespace xmpp {
namespace {

constexpr char kMucNs[] = "http://jabber.org/protocol/muc";
constexpr char kMucUserNs[] = "http://jabber.org/protocol/muc#user";
constexpr char kMucAdminNs[] = "http://jabber.org/protocol/muc#admin";

QString bareOf(const QString& jid) {
    return jid.section('/', 0, 0);
}
QString resourceOf(const QString& jid) {
    const int slash = jid.indexOf('/');
    return slash < 0 ? QString() : jid.mid(slash + 1);
}

QList<int> statusCodes(const lobby::Element* x) {
    QList<int> codes;
    if (!x) return codes;
    for (const auto& c : x->children)
        if (c.name == QLatin1String("status")) codes.append(c.attr("code").toInt());
    return codes;
}

} // namespace

struct Room::Private {
    Room* q;
    Client* client;
    QString jid;
    QString nick;
    bool joined = false;
    bool wanted = false; // join (again) whenever the client is online
    int historyLines = 0;
    lobby::Element payload;
    QMap<QString, Occupant> occupants;

    void sendJoin() {
        lobby::Element p = lobby::make("presence").set("to", jid + '/' + nick);
        lobby::Element x = lobby::make("x", kMucNs);
        x.add(lobby::make("history").set("maxstanzas", QString::number(historyLines)));
        p.add(x);
        p.add(payload);
        client->send(p);
    }

    void lost(const QString& reason) {
        const bool was = joined;
        joined = false;
        const auto gone = occupants;
        occupants.clear();
        for (const auto& o : gone)
            if (o.nick != nick) emit q->occupantLeft(o);
        if (was || wanted) emit q->leftRoom(reason);
    }

    void onPresence(const lobby::Element& s) {
        const QString from = s.attr("from");
        if (bareOf(from).compare(jid, Qt::CaseInsensitive) != 0) return;
        const QString who = resourceOf(from);
        const QString type = s.attr("type");
        if (type == QLatin1String("error")) {
            if (joined) return;
            const QString cond = detail::errorCondition(s);
            wanted = false;
            if (cond == QLatin1String("conflict"))
                emit q->leftRoom(Room::tr("the name %1 is already in the room").arg(nick));
            else if (cond == QLatin1String("forbidden"))
                emit q->leftRoom(Room::tr("banned from the room"));
            else
                emit q->leftRoom(detail::errorText(s));
            return;
        }
        const lobby::Element* x = s.child("x", kMucUserNs);
        const QList<int> codes = statusCodes(x);
        const bool self = codes.contains(110) || (who == nick && joined);
        if (type == QLatin1String("unavailable")) {
            if (self) {
                wanted = false;
                QString reason = Room::tr("left the room");
                if (codes.contains(307))
                    reason = Room::tr("kicked from the room");
                else if (codes.contains(301))
                    reason = Room::tr("banned from the room");
                else if (codes.contains(332))
                    reason = Room::tr("the room's server is shutting down");
                if (codes.contains(332)) wanted = true; // the room comes back with its server
                lost(reason);
                return;
            }
            auto it = occupants.find(who);
            if (it == occupants.end()) return;
            Occupant o = *it;
            occupants.erase(it);
            o.presence = s;
            emit q->occupantLeft(o);
            return;
        }
        if (!type.isEmpty()) return;
        Occupant o;
        o.nick = who;
        o.presence = s;
        if (const lobby::Element* show = s.child("show")) o.show = show->text;
        if (x) {
            if (const lobby::Element* item = x->child("item")) {
                o.role = item->attr("role");
                o.affiliation = item->attr("affiliation");
                o.realJid = item->attr("jid");
            }
        }
        const bool known = occupants.contains(who);
        occupants.insert(who, o);
        if (self && !joined) {
            joined = true;
            emit q->joinedRoom();
            return;
        }
        if (self)
            emit q->occupantChanged(o);
        else if (known)
            emit q->occupantChanged(o);
        else
            emit q->occupantJoined(o);
    }

    void onMessage(const lobby::Element& s) {
        if (s.attr("type") != QLatin1String("groupchat")) return;
        if (bareOf(s.attr("from")).compare(jid, Qt::CaseInsensitive) != 0) return;
        const lobby::Element* body = s.child("body");
        if (!body && s.child("subject")) return; // the room's subject, sent on every join
        const bool delayed = s.child("delay", "urn:xmpp:delay") || s.child("x", "jabber:x:delay");
        emit q->message(resourceOf(s.attr("from")), body ? body->text : QString(), delayed, s);
    }
};

Room::Room(Client* client, const QString& roomJid, const QString& nick, QObject* parent)
    : QObject(parent), d(std::make_unique<Private>()) {
    d->q = this;
    d->client = client;
    d->jid = roomJid;
    d->nick = nick;
    connect(client, &Client::stanza, this, [this](const lobby::Element& s) {
        if (s.name == QLatin1String("presence"))
            d->onPresence(s);
        else if (s.name == QLatin1String("message"))
            d->onMessage(s);
    });
    connect(client, &Client::online, this, [this] {
        if (d->wanted) d->sendJoin();
    });
    connect(client, &Client::offline, this, [this](const QString& reason) {
        if (d->joined) d->lost(reason);
    });
}

Room::~Room() = default;

QString Room::jid() const {
    return d->jid;
}
QString Room::nick() const {
    return d->nick;
}
bool Room::joined() const {
    return d->joined;
}

void Room::join(const lobby::Element& payload, int historyLines) {
    d->wanted = true;
    d->payload = payload;
    d->historyLines = std::max(0, historyLines);
    if (d->client->state() == State::Online) d->sendJoin();
}

void Room::leave() {
    d->wanted = false;
    if (d->client->state() == State::Online && d->joined)
        d->client->send(
            lobby::make("presence").set("to", d->jid + '/' + d->nick).set("type", "unavailable"));
}

void Room::setPresencePayload(const lobby::Element& payload) {
    d->payload = payload;
    if (!d->joined) return;
    lobby::Element p = lobby::make("presence").set("to", d->jid + '/' + d->nick);
    p.add(payload);
    d->client->send(p);
}

const QMap<QString, Occupant>& Room::occupants() const {
    return d->occupants;
}

void Room::say(const QString& text) {
    lobby::Element m = lobby::make("message").set("to", d->jid).set("type", "groupchat");
    lobby::Element body = lobby::make("body");
    body.text = text;
    m.add(body);
    d->client->send(m);
}

void Room::sendPayload(const lobby::Element& payload) {
    lobby::Element m = lobby::make("message").set("to", d->jid).set("type", "groupchat");
    m.add(payload);
    d->client->send(m);
}

// One change of a role or an affiliation, as the room's admin query carries it.
static lobby::Element adminIq(const QString& roomJid, lobby::Element item, const QString& reason) {
    if (!reason.isEmpty()) {
        lobby::Element r = lobby::make("reason");
        r.text = reason;
        item.add(r);
    }
    lobby::Element query = lobby::make("query", kMucAdminNs);
    query.add(item);
    lobby::Element iq = lobby::make("iq").set("type", "set").set("to", roomJid);
    iq.add(query);
    return iq;
}

static auto doneWith(Room::Done done) {
    return [done = std::move(done)](const lobby::Element& reply) {
        if (!done) return;
        done(reply.attr("type") == QLatin1String("result") ? QString() : detail::errorText(reply));
    };
}

void Room::setRole(const QString& nick, const QString& role, const QString& reason, Done done) {
    const lobby::Element item = lobby::make("item").set("nick", nick).set("role", role);
    d->client->sendIq(adminIq(d->jid, item, reason), doneWith(std::move(done)));
}

void Room::setAffiliation(const QString& bareJid, const QString& affiliation, const QString& reason,
                          Done done) {
    const lobby::Element item =
        lobby::make("item").set("jid", bareJid).set("affiliation", affiliation);
    d->client->sendIq(adminIq(d->jid, item, reason), doneWith(std::move(done)));
}

} // namespace xmpp
