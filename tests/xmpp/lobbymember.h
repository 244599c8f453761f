// A lobby program's view for the live lobby tests: one client on a test's lobby server,
// in the room or not, keeping what the room told it (table changes, ratings) and asking
// the bot. Header only; the tests link vimbrel_xmpp and vimbrel_lobbyproto.
#pragma once

#include "lobbyproto/tables.h"
#include "version/version.h"
#include "xmpp/room.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>

namespace lobbytest {

inline constexpr int kWait = 15000;
inline const QString kDomain = QStringLiteral("lobby.localhost");

// The table an operator's vimbrel-host announces in the rating tests: two seats taken.
inline lobby::Table operatedTable() {
    lobby::Table t;
    t.id = QStringLiteral("main");
    t.name = QStringLiteral("Operated");
    t.ipv4 = QStringLiteral("127.0.0.1");
    t.port = 7001;
    t.seats = 2;
    t.version = QString::fromLatin1(vimbrel::kProtocolVersion);
    return t;
}

// A registered account "NAME@kDomain" with the password "pw-NAME" (or `password`), or a
// guest when `name` is empty; on loopback at `port` (0: the client's default).
inline xmpp::Account account(const QString& name, quint16 port = 0, const QString& password = {}) {
    xmpp::Account a;
    a.host = QStringLiteral("127.0.0.1");
    if (port != 0) a.port = port;
    if (name.isEmpty()) {
        a.jid = lobby::guestDomain(kDomain);
        a.guest = true;
        return a;
    }
    a.jid = name + u'@' + kDomain;
    a.password = password.isEmpty() ? QStringLiteral("pw-") + name : password;
    return a;
}

inline lobby::Element ours(const QString& name) {
    return lobby::make(name, QLatin1String(lobby::kNs));
}

// The condition of an error reply ("forbidden", …), or the reply's type when it is none.
inline QString condition(const lobby::Element& reply) {
    const lobby::Element* e = reply.child(QStringLiteral("error"));
    if (!e) return reply.attr(QStringLiteral("type"));
    for (const lobby::Element& c : e->children)
        if (c.ns == QLatin1String("urn:ietf:params:xml:ns:xmpp-stanzas") &&
            c.name != QLatin1String("text"))
            return c.name;
    return QStringLiteral("error");
}

struct Member {
    std::unique_ptr<xmpp::Client> client = std::make_unique<xmpp::Client>();
    std::unique_ptr<xmpp::Room> room;
    QList<lobby::Change> changes; // the bot's table changes, as they came
    QList<lobby::Ratings> pushes; // and its ratings
    QElapsedTimer lastPush;       // since the last ratings came

    bool logIn(const xmpp::Account& a) {
        QSignalSpy up(client.get(), &xmpp::Client::online);
        client->connectTo(a);
        return up.wait(kWait);
    }
    bool join(const QString& nick) {
        room = std::make_unique<xmpp::Room>(
            client.get(), lobby::roomJid(kDomain, QString::fromLatin1(vimbrel::kProtocolVersion)),
            nick);
        QObject::connect(room.get(), &xmpp::Room::message,
                         [this](const QString&, const QString&, bool delayed,
                                const lobby::Element& s) { heard(s, delayed); });
        QSignalSpy in(room.get(), &xmpp::Room::joinedRoom);
        room->join();
        return in.wait(kWait);
    }
    // Logs in as `name` and joins under the same nick, as the lobby program does.
    bool enter(const QString& name, quint16 port = 0) {
        return logIn(account(name, port)) && join(name);
    }
    // Sends an iq (to the bot unless `to` says otherwise) and waits for its reply; a null
    // element when none came.
    lobby::Element ask(const QString& type, const lobby::Element& payload,
                       const QString& to = lobby::botJid(kDomain)) {
        lobby::Element iq = lobby::make(QStringLiteral("iq"));
        iq.set(QStringLiteral("type"), type).set(QStringLiteral("to"), to);
        iq.add(payload);
        std::optional<lobby::Element> reply;
        client->sendIq(iq, [&reply](const lobby::Element& r) { reply = r; });
        (void)QTest::qWaitFor([&] { return reply.has_value(); }, kWait);
        return reply.value_or(lobby::Element{});
    }
    // The bot's answer to <ratings/>, when it gave one that reads.
    std::optional<lobby::Ratings> ratings() {
        const lobby::Element r = ask(QStringLiteral("get"), ours(QStringLiteral("ratings")));
        const lobby::Element* p = r.child(QStringLiteral("ratings"), QLatin1String(lobby::kNs));
        return p ? lobby::readRatings(*p) : std::nullopt;
    }
    // Says in our room presence that we play at table `key`, as the lobby program does
    // when its player sits down, and waits until the room shows it back to us.
    bool playAt(const QString& key) {
        const lobby::Element at = ours(QStringLiteral("at"))
                                      .set(QStringLiteral("key"), key)
                                      .set(QStringLiteral("as"), QStringLiteral("player"));
        room->setPresencePayload(at);
        return QTest::qWaitFor(
            [&] {
                const auto it = room->occupants().constFind(room->nick());
                if (it == room->occupants().cend()) return false;
                const lobby::Element* shown =
                    it->presence.child(QStringLiteral("at"), QLatin1String(lobby::kNs));
                return shown && shown->attr(QStringLiteral("key")) == key;
            },
            kWait);
    }
    // The key of the listed table that `which` picks, from the changes; empty while none.
    QString keyOf(const std::function<bool(const lobby::Table&)>& which) const {
        QString key;
        for (const lobby::Change& c : changes)
            for (const lobby::Table& t : c.tables)
                if (which(t)) key = t.key;
        return key;
    }
    // The best list of the bot's answer; empty when it gave none.
    QList<lobby::RatedPlayer> best() {
        const auto r = ratings();
        return r ? r->best : QList<lobby::RatedPlayer>{};
    }
    // The newest state of table `key` from the changes, if it is listed.
    std::optional<lobby::Table> seen(const QString& key) const {
        std::optional<lobby::Table> t;
        for (const lobby::Change& c : changes) {
            for (const lobby::Table& x : c.tables)
                if (x.key == key) t = x;
            if (c.gone.contains(key)) t.reset();
        }
        return t;
    }
    // Whether the room was told that a table of this name answers.
    bool heardReachable(const QString& name) const {
        for (const lobby::Change& c : changes)
            for (const lobby::Table& x : c.tables)
                if (x.name == name && x.reach == lobby::Reach::Reachable) return true;
        return false;
    }

private:
    void heard(const lobby::Element& s, bool delayed) {
        if (delayed) return; // the room's history, not news
        if (const lobby::Element* t = s.child(QStringLiteral("tables"), QLatin1String(lobby::kNs)))
            if (auto c = lobby::readChange(*t)) changes.append(*c);
        if (const lobby::Element* p = s.child(QStringLiteral("ratings"), QLatin1String(lobby::kNs)))
            if (auto r = lobby::readRatings(*p)) {
                pushes.append(*r);
                lastPush.start();
            }
    }
};

// A seat of a crafted result: 14 turns, present at the end.
inline lobby::ResultSeat seat(int n, const QString& name, int score, bool winner,
                              int computer = 0) {
    lobby::ResultSeat s;
    s.seat = n;
    s.name = name;
    s.score = score;
    s.turns = 14;
    s.computerTurns = computer;
    s.present = true;
    s.winner = winner;
    return s;
}

} // namespace lobbytest
