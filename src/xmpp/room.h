// A multi-user chat room seen through one Client: who is in it, with role, affiliation
// and (for a moderator) real JID, its messages, and the room's own moderation. Joins
// again by itself when the client comes back online.
#pragma once

#include "xmpp/client.h"

#include <QMap>
#include <QObject>
#include <QString>

namespace xmpp {

struct Occupant {
    QString nick;
    QString realJid;         // full JID, when the room shows it to us; else empty
    QString role;            // "moderator", "participant", "visitor"
    QString affiliation;     // "owner", "admin", "member", "none", "outcast"
    QString show;            // "", "away", "dnd", …
    lobby::Element presence; // the whole last presence, for payloads such as a table id
};

class Room : public QObject {
    Q_OBJECT
public:
    Room(Client* client, const QString& roomJid, const QString& nick, QObject* parent = nullptr);
    ~Room() override; // Private is complete only in room.cpp

    QString jid() const;
    QString nick() const;
    bool joined() const;
    // Joins (or joins again) with `payload` as an extra child of our presence; with no
    // history, so old messages are not replayed unless `historyLines` > 0.
    void join(const lobby::Element& payload = {}, int historyLines = 0);
    void leave();
    // Our presence again with a new payload (a status such as the table we are at).
    void setPresencePayload(const lobby::Element& payload);

    const QMap<QString, Occupant>& occupants() const;

    void say(const QString& text);
    // A groupchat message with no body and `payload` as its child.
    void sendPayload(const lobby::Element& payload);

    // Moderation through the room's roles: "none" kicks, "visitor" mutes, "participant"
    // gives the voice back; an affiliation of "outcast" bans an account. `done` gets the
    // room's refusal in words, or an empty text when the change was made.
    using Done = std::function<void(const QString& error)>;
    void setRole(const QString& nick, const QString& role, const QString& reason = {},
                 Done done = {});
    void setAffiliation(const QString& bareJid, const QString& affiliation,
                        const QString& reason = {}, Done done = {});

signals:
    void joinedRoom();
    // We are out of the room: kicked, banned, the room is gone, or the client went offline.
    void leftRoom(const QString& reason);
    void occupantJoined(const xmpp::Occupant& o);
    void occupantLeft(const xmpp::Occupant& o);
    void occupantChanged(const xmpp::Occupant& o);
    // A groupchat message. `delayed`: replayed from the room's history.
    void message(const QString& nick, const QString& body, bool delayed,
                 const lobby::Element& stanza);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace xmpp
