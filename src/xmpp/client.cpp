#include "xmpp/client.h"

#include "xmpp/stanza.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <strophe.h>

namespace xmpp {
namespace {

constexpr char kPingNs[] = "urn:xmpp:ping";
constexpr char kRegisterNs[] = "jabber:iq:register";
constexpr char kTlsNs[] = "urn:ietf:params:xml:ns:xmpp-tls";
// While the library negotiates (connect, TLS, log-in) its own timeouts are checked only when
// it runs; they are whole seconds, so a tick a second is enough and stops once online.
constexpr qint64 kNegotiationTickMs = 1000;
constexpr qint64 kNegotiationLimitMs = 30000;
// With nothing heard for this long we ask the server; a missing answer means a dead link.
constexpr qint64 kQuietMs = 120000;
constexpr int kPingTimeoutMs = 30000;
constexpr int kMaxBackoffS = 60;
// libstrophe reads 4096 bytes a pass, and bytes that TLS already took off the socket do not
// wake the notifier again: after a wake the library runs until a pass parses nothing.
constexpr int kMaxPasses = 256;
constexpr size_t kWriteChunk = 4096; // taken as the least one writable wake moves
constexpr qint64 kNever = std::numeric_limits<qint64>::max();

bool isLoopback(const QString& host) {
    const QByteArray h = host.toLatin1();
    in_addr a4;
    if (inet_pton(AF_INET, h.constData(), &a4) == 1) return (ntohl(a4.s_addr) >> 24) == 127;
    in6_addr a6;
    if (inet_pton(AF_INET6, h.constData(), &a6) == 1) return IN6_IS_ADDR_LOOPBACK(&a6);
    return false;
}

QString domainOf(const QString& jid) {
    QString d = jid.section('/', 0, 0);
    return d.contains('@') ? d.section('@', 1) : d;
}

lobby::Element errorReply(const QString& id, const QString& condition) {
    lobby::Element e = lobby::make("iq").set("type", "error").set("id", id);
    e.add(lobby::make("error")
              .set("type", "wait")
              .add(lobby::make(condition, "urn:ietf:params:xml:ns:xmpp-stanzas")));
    return e;
}

} // namespace

struct Client::Private {
    Client* q;
    xmpp_ctx_t* ctx = nullptr;
    xmpp_conn_t* conn = nullptr;
    xmpp_log_t logger{};
    xmpp_mem_t memory{};
    quint64 allocations = 0; // counts the library's allocations: a sign that it did work
    Account account;
    bool registering = false;
    bool wanted = false; // the owner asked for a connection (and reconnection after drops)
    bool reconnect = false;
    bool loginFailed = false;
    bool running = false;
    bool releaseConn = false;
    bool closing = false;      // we ended the stream and wait for the library to let go
    bool startPending = false; // connectTo() while the last connection was still closing
    int writeBudget = 0;       // write wakes the library may still need for bytes it began
    QString authProblem;       // what the library said about a refused log-in
    State state = State::Offline;
    QString bound;
    int backoffS = 1;
    int fd = -1;
    QSocketNotifier* readN = nullptr;
    QSocketNotifier* writeN = nullptr;
    QTimer timer;
    QElapsedTimer clock;
    qint64 negotiationStart = 0;
    qint64 lastHeard = 0;
    qint64 reconnectAt = kNever;
    bool pinging = false;
    quint64 idCounter = 0;
    QString idPrefix;
    struct PendingIq {
        std::function<void(const lobby::Element&)> done;
        qint64 deadline;
    };
    QHash<QString, PendingIq> iqs;
    // What happened inside the library's run, delivered after it returns so that a slot may
    // send, disconnect or delete the client without running inside libstrophe.
    QList<std::function<void()>> events;

    explicit Private(Client* c) : q(c) {
        logger.handler = &Private::log;
        logger.userdata = this;
        memory.alloc = [](size_t size, void* u) {
            ++static_cast<Private*>(u)->allocations;
            return std::malloc(size);
        };
        memory.free = [](void* p, void*) { std::free(p); };
        memory.realloc = [](void* p, size_t size, void* u) {
            ++static_cast<Private*>(u)->allocations;
            return std::realloc(p, size);
        };
        memory.userdata = this;
        ctx = xmpp_ctx_new(&memory, &logger);
        timer.setSingleShot(true);
        clock.start();
        idPrefix = QString::number(QRandomGenerator::global()->generate(), 36);
    }
    ~Private() {
        dropNotifiers();
        if (conn) {
            xmpp_conn_release(conn);
            conn = nullptr;
        }
        xmpp_ctx_free(ctx);
    }

    qint64 now() const { return clock.elapsed(); }

    static void log(void* userdata, xmpp_log_level_t level, const char* area, const char* msg) {
        auto* d = static_cast<Private*>(userdata);
        static const bool debug = qEnvironmentVariableIsSet("VIMBREL_XMPP_DEBUG");
        if (debug) qDebug("xmpp %d %s: %s", int(level), area, msg);
        if (level < XMPP_LEVEL_INFO) return;
        const QString text = QString::fromUtf8(msg);
        // The library reports a refused log-in only in its log.
        if (qstrcmp(area, "auth") == 0 &&
            (level >= XMPP_LEVEL_ERROR || text.contains("fail", Qt::CaseInsensitive) ||
             text.contains("authenticate", Qt::CaseInsensitive)))
            d->authProblem = text;
        if (level >= XMPP_LEVEL_WARN) qInfo("xmpp %s: %s", area, msg);
    }

    void post(std::function<void()> f) { events.append(std::move(f)); }

    void deliver() {
        QPointer<Client> guard(q);
        while (guard && !events.isEmpty()) {
            auto f = events.takeFirst();
            f();
        }
    }

    // ---- the socket and the timer -------------------------------------------------------

    static int sockopt(xmpp_conn_t* c, void* sock) {
        const int fd = *static_cast<int*>(sock);
        if (Private* d = currentOwner) d->fd = fd;
        // Stanzas are small and each one is a whole answer: waiting to fill a segment
        // only holds every table change back by the peer's delayed acknowledgement.
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        return xmpp_sockopt_cb_keepalive(c, sock);
    }
    // libstrophe passes no user data to the socket callback; connections are made one at a
    // time on this thread, so the owner is known while it runs.
    static thread_local Private* currentOwner;

    void dropNotifiers() {
        delete readN;
        delete writeN;
        readN = writeN = nullptr;
    }

    void updateNotifiers() {
        const bool live = conn && !xmpp_conn_is_disconnected(conn) && fd >= 0;
        if (!live) {
            dropNotifiers();
            return;
        }
        if (!readN || readN->socket() != fd) {
            dropNotifiers();
            readN = new QSocketNotifier(fd, QSocketNotifier::Read, q);
            writeN = new QSocketNotifier(fd, QSocketNotifier::Write, q);
            QObject::connect(readN, &QSocketNotifier::activated, q, [this] {
                lastHeard = now();
                // Also without TLS: what the library answers is written only by a later
                // pass, and left to the next tick it would wait a second.
                pump(kMaxPasses);
            });
            QObject::connect(writeN, &QSocketNotifier::activated, q, [this] { onWritable(); });
        }
        const bool connecting = xmpp_conn_is_connecting(conn);
        readN->setEnabled(!connecting);
        writeN->setEnabled(connecting || writeBudget > 0 || xmpp_conn_send_queue_len(conn) > 0);
    }

    // The library's queue count leaves out a stanza it has begun to write, and it may write
    // as little as one TLS record a run. So each send buys the write notifier a wake for every
    // 4 kB it may take, counted only when the socket still had room afterwards.
    void onWritable() {
        // Until a pass takes nothing in: the second writes what the first queued (the
        // stream's opening), and may already read the server's answer to it.
        pump(kMaxPasses);
        if (!conn || xmpp_conn_send_queue_len(conn) > 0) return;
        pollfd p{fd, POLLOUT, 0};
        if (writeBudget > 0 && ::poll(&p, 1, 0) == 1 && (p.revents & POLLOUT)) --writeBudget;
        if (writeBudget == 0) updateNotifiers();
    }

    // Ends the stream. The library waits a moment for the server's goodbye, by its own timed
    // handler, which runs only when the library does: the timer ticks until the end.
    void close() {
        if (!conn || xmpp_conn_is_disconnected(conn)) return;
        closing = true;
        xmpp_disconnect(conn);
        if (!running) {
            updateNotifiers();
            armTimer();
        }
    }

    void armTimer() {
        qint64 next = reconnectAt;
        if (conn && (state != State::Online || closing))
            next = std::min(next, now() + kNegotiationTickMs);
        if (state == State::Online && !pinging) next = std::min(next, lastHeard + kQuietMs);
        for (const auto& p : std::as_const(iqs))
            next = std::min(next, p.deadline);
        if (next == kNever) {
            timer.stop();
            return;
        }
        timer.start(int(std::clamp<qint64>(next - now(), 0, std::numeric_limits<int>::max())));
    }

    void onTimer() {
        const qint64 t = now();
        if (reconnectAt <= t) {
            reconnectAt = kNever;
            if (wanted && !conn) start();
        }
        if (conn && state != State::Online && t - negotiationStart > kNegotiationLimitMs) {
            authProblem.clear();
            close();
        }
        for (auto it = iqs.begin(); it != iqs.end();) {
            if (it->deadline <= t) {
                auto done = std::move(it->done);
                const QString id = it.key();
                it = iqs.erase(it);
                post([done, id] { done(errorReply(id, "remote-server-timeout")); });
            } else {
                ++it;
            }
        }
        if (state == State::Online && !pinging && t - lastHeard >= kQuietMs) keepAlive();
        pump(1);
    }

    void keepAlive() {
        pinging = true;
        lobby::Element ping = lobby::make("iq").set("type", "get").set("to", domainOf(bound));
        ping.add(lobby::make("ping", kPingNs));
        q->sendIq(
            ping,
            [this](const lobby::Element& reply) {
                pinging = false;
                // Any answer, even an error, shows the link is alive.
                if (errorCondition(reply) == QLatin1String("remote-server-timeout") && conn)
                    close();
            },
            kPingTimeoutMs);
    }

    static QString errorCondition(const lobby::Element& e) { return detail::errorCondition(e); }

    // Runs the library until it has nothing more to do now, then delivers what it produced.
    void pump(int passes) {
        if (running) return;
        running = true;
        currentOwner = this;
        // The parser allocates for every piece of XML it takes in: a pass that allocated
        // nothing read nothing, and the library holds no more decrypted bytes.
        for (int i = 0; i < passes && conn; ++i) {
            const quint64 before = allocations;
            xmpp_run_once(ctx, 0);
            if (allocations == before) break;
        }
        currentOwner = nullptr;
        running = false;
        if (releaseConn && conn) {
            xmpp_conn_release(conn);
            conn = nullptr;
            fd = -1;
            releaseConn = false;
            closing = false;
            writeBudget = 0;
            if (startPending) {
                startPending = false;
                if (wanted) start();
            }
        }
        updateNotifiers();
        armTimer();
        deliver();
    }

    // ---- connecting ----------------------------------------------------------------------

    bool configure() {
        conn = xmpp_conn_new(ctx);
        fd = -1;
        const bool loop = isLoopback(account.host);
        long flags = XMPP_CONN_FLAG_DISABLE_SM;
        // Traffic that stays on this machine needs no TLS; anything else must have it.
        if (loop && account.caFile.isEmpty())
            flags |= XMPP_CONN_FLAG_DISABLE_TLS;
        else
            flags |= XMPP_CONN_FLAG_MANDATORY_TLS;
        xmpp_conn_set_flags(conn, flags);
        if (!account.caFile.isEmpty())
            xmpp_conn_set_cafile(conn, account.caFile.toUtf8().constData());
        xmpp_conn_set_sockopt_callback(conn, &Private::sockopt);
        return true;
    }

    void start() {
        if (conn) {
            // The last connection is still closing; this one starts once it has.
            startPending = true;
            return;
        }
        configure();
        authProblem.clear();
        loginFailed = false;
        state = State::Connecting;
        negotiationStart = now();
        const QByteArray host = account.host.toUtf8();
        const unsigned short port = account.port ? account.port : 5222;
        int rc;
        currentOwner = this;
        if (registering) {
            xmpp_conn_set_jid(conn, domainOf(account.jid).toUtf8().constData());
            rc = xmpp_connect_raw(conn, host.isEmpty() ? nullptr : host.constData(), port,
                                  &Private::onConn, this);
        } else {
            QString jid = account.guest ? domainOf(account.jid) : account.jid.section('/', 0, 0);
            if (!account.guest && !account.resource.isEmpty()) jid += '/' + account.resource;
            xmpp_conn_set_jid(conn, jid.toUtf8().constData());
            if (!account.guest) xmpp_conn_set_pass(conn, account.password.toUtf8().constData());
            xmpp_handler_add(conn, &Private::onStanza, nullptr, nullptr, nullptr, this);
            rc = xmpp_connect_client(conn, host.isEmpty() ? nullptr : host.constData(), port,
                                     &Private::onConn, this);
        }
        currentOwner = nullptr;
        if (rc != XMPP_EOK) {
            xmpp_conn_release(conn);
            conn = nullptr;
            fd = -1;
            state = State::Offline;
            const QString why = tr("cannot reach the server %1").arg(account.host);
            post([this, why] { wentOffline(why, true); });
            QTimer::singleShot(0, q, [this] { deliver(); });
            armTimer();
            return;
        }
        updateNotifiers();
        armTimer();
    }

    static QString tr(const char* s) { return Client::tr(s); }

    static void onConn(xmpp_conn_t* c, xmpp_conn_event_t event, int error,
                       xmpp_stream_error_t* streamError, void* userdata) {
        auto* d = static_cast<Private*>(userdata);
        switch (event) {
        case XMPP_CONN_CONNECT:
            d->state = State::Online;
            d->bound = QString::fromUtf8(xmpp_conn_get_bound_jid(c));
            d->backoffS = 1;
            d->lastHeard = d->now();
            d->post([d, jid = d->bound] { emit d->q->online(jid); });
            break;
        case XMPP_CONN_RAW_CONNECT:
            d->state = State::Connecting;
            xmpp_handler_add(c, &Private::onFeatures, "http://etherx.jabber.org/streams",
                             "features", nullptr, d);
            xmpp_conn_open_stream_default(c);
            break;
        case XMPP_CONN_DISCONNECT:
        case XMPP_CONN_FAIL: {
            QString why;
            if (streamError && streamError->text)
                why = QString::fromUtf8(streamError->text);
            else if (streamError)
                why = tr("the server ended the connection");
            else if (error)
                why = QString::fromLocal8Bit(strerror(error));
            const bool wasOnline = d->state == State::Online;
            if (!wasOnline && !d->registering && !d->authProblem.isEmpty() && !d->loginFailed) {
                d->loginFailed = true;
                d->post([d] { emit d->q->failed(tr("the server refused the log-in")); });
            }
            if (why.isEmpty())
                why = wasOnline || d->loginFailed ? tr("the connection ended")
                                                  : tr("could not connect");
            d->state = State::Offline;
            d->bound.clear();
            d->releaseConn = true;
            d->post([d, why] { d->wentOffline(why, false); });
            break;
        }
        }
    }

    // Everything that ends a connection passes here, once, after the library returned.
    void wentOffline(const QString& why, bool) {
        pinging = false;
        auto pending = std::move(iqs);
        iqs.clear();
        for (auto it = pending.begin(); it != pending.end(); ++it)
            it->done(errorReply(it.key(), "remote-server-timeout"));
        const bool retry = wanted && reconnect && !registering && !loginFailed && !conn;
        if (registering || loginFailed) wanted = false;
        if (retry) {
            reconnectAt = now() + qint64(backoffS) * 1000;
            backoffS = std::min(backoffS * 2, kMaxBackoffS);
        }
        armTimer();
        emit q->offline(why);
    }

    static int onStanza(xmpp_conn_t*, xmpp_stanza_t* s, void* userdata) {
        auto* d = static_cast<Private*>(userdata);
        lobby::Element e = detail::fromStanza(s);
        const QString type = e.attr("type");
        if (e.name == QLatin1String("iq") && (type == "result" || type == "error")) {
            auto it = d->iqs.find(e.attr("id"));
            if (it != d->iqs.end()) {
                auto done = std::move(it->done);
                d->iqs.erase(it);
                d->post([done, e] { done(e); });
            }
            return 1;
        }
        if (e.name == QLatin1String("iq") && type == "get" && e.child("ping", kPingNs)) {
            d->q->replyResult(e);
            return 1;
        }
        if (e.name == QLatin1String("message") || e.name == QLatin1String("presence") ||
            e.name == QLatin1String("iq"))
            d->post([d, e] { emit d->q->stanza(e); });
        return 1;
    }

    // ---- in-band registration on a raw stream ---------------------------------------------

    void registrationFailed(const QString& why) {
        if (!loginFailed) {
            loginFailed = true;
            post([this, why] { emit q->failed(why); });
        }
        close();
    }

    static int onFeatures(xmpp_conn_t* c, xmpp_stanza_t* s, void* userdata) {
        auto* d = static_cast<Private*>(userdata);
        const lobby::Element f = detail::fromStanza(s);
        const bool wantTls = !(xmpp_conn_get_flags(c) & XMPP_CONN_FLAG_DISABLE_TLS);
        if (wantTls && !xmpp_conn_is_secured(c)) {
            if (!f.child("starttls", kTlsNs)) {
                d->registrationFailed(tr("the server offers no encryption"));
                return 0;
            }
            xmpp_handler_add(c, &Private::onProceed, kTlsNs, nullptr, nullptr, d);
            lobby::Element st = lobby::make("starttls", kTlsNs);
            xmpp_stanza_t* out = detail::toStanza(d->ctx, st);
            xmpp_send(c, out);
            xmpp_stanza_release(out);
            return 1;
        }
        if (!f.child("register", "http://jabber.org/features/iq-register")) {
            d->registrationFailed(tr("the server does not take new accounts"));
            return 0;
        }
        lobby::Element iq = lobby::make("iq").set("type", "set").set("id", d->nextId());
        lobby::Element query = lobby::make("query", kRegisterNs);
        lobby::Element user = lobby::make("username");
        user.text = d->account.jid.section('@', 0, 0);
        lobby::Element pass = lobby::make("password");
        pass.text = d->account.password;
        query.add(user).add(pass);
        iq.add(query);
        xmpp_id_handler_add(c, &Private::onRegistered, iq.attr("id").toUtf8().constData(), d);
        xmpp_stanza_t* out = detail::toStanza(d->ctx, iq);
        xmpp_send(c, out);
        xmpp_stanza_release(out);
        return 0;
    }

    static int onProceed(xmpp_conn_t* c, xmpp_stanza_t* s, void* userdata) {
        auto* d = static_cast<Private*>(userdata);
        if (qstrcmp(xmpp_stanza_get_name(s), "proceed") != 0 || xmpp_conn_tls_start(c) != 0) {
            d->registrationFailed(tr("the encrypted connection could not be set up"));
            return 0;
        }
        xmpp_conn_open_stream_default(c);
        return 0;
    }

    static int onRegistered(xmpp_conn_t* c, xmpp_stanza_t* s, void* userdata) {
        auto* d = static_cast<Private*>(userdata);
        const lobby::Element reply = detail::fromStanza(s);
        if (reply.attr("type") == QLatin1String("result")) {
            d->loginFailed = true; // the connection's end is expected now, not a failure
            d->post([d] { emit d->q->registered(); });
            d->close();
            return 0;
        }
        const QString cond = detail::errorCondition(reply);
        QString why;
        if (cond == QLatin1String("conflict"))
            why = tr("that name is taken");
        else if (cond == QLatin1String("resource-constraint"))
            why = tr("too many new accounts from this address; try again later");
        else if (cond == QLatin1String("not-acceptable"))
            why = tr("the name or password was not accepted");
        else
            why = detail::errorText(reply);
        d->registrationFailed(why);
        return 0;
    }

    QString nextId() { return idPrefix + QString::number(++idCounter, 36); }

    void sendNow(const lobby::Element& e) {
        if (!conn || state != State::Online) return;
        xmpp_stanza_t* s = detail::toStanza(ctx, e);
        char* text = nullptr;
        size_t len = 0;
        if (xmpp_stanza_to_text(s, &text, &len) == XMPP_EOK) {
            xmpp_send_raw(conn, text, len);
            xmpp_free(ctx, text);
            writeBudget += int(len / kWriteChunk) + 2;
        }
        xmpp_stanza_release(s);
        if (!running) updateNotifiers(); // the write notifier takes the queued bytes out
    }
};

thread_local Client::Private* Client::Private::currentOwner = nullptr;

Client::Client(QObject* parent) : QObject(parent), d(std::make_unique<Private>(this)) {
    // The library writes with send() and no MSG_NOSIGNAL: a server that closed first would
    // kill the whole program with SIGPIPE instead of failing the write.
    std::signal(SIGPIPE, SIG_IGN);
    d->timer.setParent(this); // a child, so tests can count its wake-ups
    connect(&d->timer, &QTimer::timeout, this, [this] { d->onTimer(); });
}

Client::~Client() = default;

void Client::connectTo(const Account& account) {
    disconnectFrom();
    d->account = account;
    d->registering = false;
    d->wanted = true;
    d->backoffS = 1;
    d->reconnectAt = kNever;
    d->start();
}

void Client::disconnectFrom() {
    d->wanted = false;
    d->reconnectAt = kNever;
    if (d->conn && !xmpp_conn_is_disconnected(d->conn))
        d->close(); // the notifiers deliver the goodbye, the timer the end of a silent link
    d->armTimer();
}

void Client::registerAccount(const Account& account) {
    disconnectFrom();
    d->account = account;
    d->registering = true;
    d->wanted = true;
    d->reconnectAt = kNever;
    d->start();
}

State Client::state() const {
    return d->state;
}

QString Client::boundJid() const {
    return d->bound;
}

void Client::setReconnect(bool on) {
    d->reconnect = on;
}

void Client::send(const lobby::Element& stanza) {
    d->sendNow(stanza);
}

QString Client::sendIq(lobby::Element iq, std::function<void(const lobby::Element&)> done,
                       int timeoutMs) {
    const QString id = d->nextId();
    iq.set("id", id);
    if (d->state != State::Online) {
        QTimer::singleShot(0, this, [done, id] { done(errorReply(id, "remote-server-timeout")); });
        return id;
    }
    d->iqs.insert(id, {std::move(done), d->now() + timeoutMs});
    d->sendNow(iq);
    if (!d->running) d->armTimer();
    return id;
}

void Client::replyError(const lobby::Element& iq, const QString& type, const QString& condition,
                        const QString& text) {
    lobby::Element r = lobby::make("iq").set("type", "error").set("id", iq.attr("id"));
    if (iq.hasAttr("from")) r.set("to", iq.attr("from"));
    lobby::Element err = lobby::make("error").set("type", type);
    err.add(lobby::make(condition, "urn:ietf:params:xml:ns:xmpp-stanzas"));
    if (!text.isEmpty()) {
        lobby::Element t = lobby::make("text", "urn:ietf:params:xml:ns:xmpp-stanzas");
        t.text = text;
        err.add(t);
    }
    r.add(err);
    send(r);
}

void Client::replyResult(const lobby::Element& iq, const lobby::Element& payload) {
    lobby::Element r = lobby::make("iq").set("type", "result").set("id", iq.attr("id"));
    if (iq.hasAttr("from")) r.set("to", iq.attr("from"));
    r.add(payload);
    send(r);
}

} // namespace xmpp
