// One XMPP connection over libstrophe, driven by Qt's event loop: a socket notifier on
// the library's socket runs it when bytes arrive, and one single-shot timer covers the
// library's own timeouts. Nothing polls, so an idle client never wakes up.
#pragma once

#include "lobbyproto/element.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace xmpp {

struct Account {
    QString jid;          // "ann@lobby.example"; for a guest, the guest domain alone
    QString password;     // empty for a guest
    bool guest = false;   // anonymous log-in (SASL ANONYMOUS) on the guest domain
    QString host;         // the server to connect to; empty: the JID's domain
    quint16 port = 0;     // 0: 5222
    QString resource;     // empty: the server picks one
    QString caFile;       // extra trusted certificates (a private lobby, tests); empty: the system's
};

enum class State { Offline, Connecting, Online };

class Client : public QObject {
    Q_OBJECT
public:
    explicit Client(QObject* parent = nullptr);
    ~Client() override;

    // Connects and logs in. TLS is required unless `host` is a loopback address.
    void connectTo(const Account& account);
    // Ends the stream politely; no reconnection follows.
    void disconnectFrom();
    // Creates the account by in-band registration (jid's local part and password), then
    // disconnects: registered() or failed() tells how it went.
    void registerAccount(const Account& account);

    State state() const;
    QString boundJid() const; // the full JID the server bound, once online

    // After a drop nobody asked for, connect again after 1, 2, 4 … 60 s (off by default).
    void setReconnect(bool on);

    // Sends a whole stanza (message, presence or iq) as it is.
    void send(const lobby::Element& stanza);
    // Sends an iq of type get or set with a fresh id and calls `done` once with the
    // reply (type result or error). With no reply in `timeoutMs`, `done` gets an error
    // element whose condition is "remote-server-timeout". Returns the id.
    QString sendIq(lobby::Element iq, std::function<void(const lobby::Element& reply)> done,
                   int timeoutMs = 10000);
    // An error reply to an iq that arrived: type "cancel"/"modify", the condition
    // ("not-acceptable", "policy-violation", …) and a text for people.
    void replyError(const lobby::Element& iq, const QString& type, const QString& condition,
                    const QString& text);
    void replyResult(const lobby::Element& iq, const lobby::Element& payload = {});

signals:
    void online(const QString& boundJid);
    // The connection ended or could not be made; `reason` in words, for people.
    void offline(const QString& reason);
    // The server refused the log-in or the registration (wrong password, name taken).
    void failed(const QString& reason);
    void registered();
    // Every message, every presence and every iq of type get or set that arrives.
    void stanza(const lobby::Element& s);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace xmpp
