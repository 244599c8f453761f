#include "host/lobbyannouncer.h"

#include "server/logtext.h"

#include <algorithm>
#include <utility>

namespace host {

namespace {

bool sameAnnouncement(const lobby::Table& a, const lobby::Table& b) {
    return a.name == b.name && a.ipv4 == b.ipv4 && a.ipv6 == b.ipv6 && a.port == b.port &&
           a.seats == b.seats && a.spectators == b.spectators && a.state == b.state;
}

QString describe(const lobby::Table& t) {
    return QStringLiteral("%1 (%2 of %3 seats, %4 of %5 spectators, %6)")
        .arg(server::logField(t.name), QString::number(t.seats), QString::number(lobby::kSeats),
             QString::number(t.spectators), QString::number(lobby::kSpectators),
             lobby::stateName(t.state));
}

} // namespace

QString refusalOf(const lobby::Element& reply) {
    if (reply.name == QLatin1String("iq") &&
        reply.attr(QStringLiteral("type")) != QLatin1String("error"))
        return {};
    const lobby::Element* error =
        reply.name == QLatin1String("error") ? &reply : reply.child(QStringLiteral("error"));
    if (!error) return QStringLiteral("an answer that is no answer");
    QString condition, text;
    for (const lobby::Element& c : error->children) {
        if (c.name == QLatin1String("text"))
            text = c.text;
        else if (condition.isEmpty())
            condition = c.name;
    }
    if (condition.isEmpty()) condition = QStringLiteral("error");
    QString out = server::logField(condition, 40);
    if (!text.isEmpty()) out += QStringLiteral(": ") + server::logField(text, lobby::kMaxReason);
    return out;
}

lobby::Result lobbyResult(const server::GameResult& result, const QString& id) {
    lobby::Result out;
    out.id = id;
    out.finished = result.end == server::GameEnd::Finished;
    out.rounds = result.rounds;
    for (const server::SeatResult& s : result.seats)
        out.seats.append({s.seat, s.name, s.score, s.turns, s.computerTurns, s.present, s.winner});
    return out;
}

LobbyAnnouncer::LobbyAnnouncer(xmpp::Client* client, Config config,
                               std::function<void(const QString&)> logger, QObject* parent)
    : QObject(parent), m_client(client), m_config(std::move(config)), m_log(std::move(logger)),
      m_room(client, lobby::roomJid(m_config.domain, m_config.table.version), m_config.nick) {
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(kLobbyRefreshMs);
    m_soon.setSingleShot(true);
    connect(&m_refresh, &QTimer::timeout, this, &LobbyAnnouncer::announce);
    connect(&m_soon, &QTimer::timeout, this, &LobbyAnnouncer::announce);

    connect(m_client, &xmpp::Client::online, this, [this](const QString& jid) {
        log(QStringLiteral("lobby: connected as %1").arg(server::logField(jid)));
        // The room joins again by itself after a reconnection; the first join is ours.
        if (!std::exchange(m_joinAsked, true) && !m_withdrawing) m_room.join();
    });
    connect(m_client, &xmpp::Client::offline, this, [this](const QString& reason) {
        m_refresh.stop();
        m_soon.stop();
        if (!m_withdrawing)
            log(QStringLiteral("lobby: offline: %1").arg(server::logField(reason, 120)));
    });
    connect(m_client, &xmpp::Client::failed, this, [this](const QString& reason) {
        log(QStringLiteral("lobby: log-in refused: %1").arg(server::logField(reason, 120)));
    });
    connect(&m_room, &xmpp::Room::joinedRoom, this, &LobbyAnnouncer::joined);
    connect(&m_room, &xmpp::Room::leftRoom, this, [this](const QString& reason) {
        m_refresh.stop();
        m_soon.stop();
        if (!m_withdrawing)
            log(QStringLiteral("lobby: out of the room: %1").arg(server::logField(reason, 120)));
    });
    // A restarted bot rebuilds its list from who is in the room; telling it again
    // brings the table back at once instead of at the next refresh.
    connect(&m_room, &xmpp::Room::occupantJoined, this, [this](const xmpp::Occupant& o) {
        if (o.nick == QLatin1String(kBotNick) && m_room.joined()) {
            log(QStringLiteral("lobby: the lobby's bot joined the room"));
            m_everAccepted = false;
            announceSoon();
        }
    });
}

void LobbyAnnouncer::start() {
    m_client->setReconnect(true);
    log(QStringLiteral("lobby: connecting to %1 as %2")
            .arg(server::logField(m_config.account.host), server::logField(m_config.account.jid)));
    m_client->connectTo(m_config.account);
}

void LobbyAnnouncer::setTimings(int refreshMs, int gapMs) {
    m_refresh.setInterval(refreshMs);
    m_gapMs = gapMs;
}

void LobbyAnnouncer::log(const QString& line) const {
    if (m_log) m_log(line);
}

void LobbyAnnouncer::joined() {
    log(QStringLiteral("lobby: joined %1").arg(server::logField(m_room.jid())));
    m_everAccepted = false;
    announceSoon();
}

void LobbyAnnouncer::setCount(const server::TableCount& count) {
    lobby::Table& t = m_config.table;
    t.seats = std::clamp(count.seated, 0, lobby::kSeats);
    t.spectators = std::clamp(count.spectators, 0, lobby::kSpectators);
    t.state = count.gameon ? lobby::TableState::Playing : lobby::TableState::Waiting;
    if (m_room.joined()) announceSoon();
}

void LobbyAnnouncer::announceSoon() {
    if (m_withdrawing || m_soon.isActive()) return;
    const qint64 since = m_lastSent.isValid() ? m_lastSent.elapsed() : m_gapMs;
    m_soon.start(int(std::clamp<qint64>(m_gapMs - since, 0, m_gapMs)));
}

void LobbyAnnouncer::announce() {
    if (m_withdrawing || !m_room.joined()) return;
    m_soon.stop();
    m_lastSent.start();
    m_refresh.start();
    lobby::Element iq = lobby::make(QStringLiteral("iq"));
    iq.set(QStringLiteral("type"), QStringLiteral("set"))
        .set(QStringLiteral("to"), lobby::botJid(m_config.domain));
    iq.add(lobby::announcement(m_config.table));
    const lobby::Table sent = m_config.table;
    m_client->sendIq(std::move(iq),
                     [this, sent](const lobby::Element& reply) { answered(reply, sent); });
}

void LobbyAnnouncer::answered(const lobby::Element& reply, const lobby::Table& sent) {
    if (m_withdrawing) return;
    const QString refusal = refusalOf(reply);
    if (!refusal.isEmpty()) {
        if (refusal != m_lastRefusal) log(QStringLiteral("lobby: refused: %1").arg(refusal));
        m_lastRefusal = refusal;
        m_everAccepted = false;
        return;
    }
    m_lastRefusal.clear();
    if (m_everAccepted && sameAnnouncement(sent, m_accepted)) return;
    m_accepted = sent;
    m_everAccepted = true;
    log(QStringLiteral("lobby: announced %1").arg(describe(sent)));
}

void LobbyAnnouncer::sendResult(const server::GameResult& result) {
    // A game nobody played a turn of has nothing to report.
    if (result.seats.isEmpty()) return;
    const bool finished = result.end == server::GameEnd::Finished;
    const QString what = finished ? QStringLiteral("finished") : QStringLiteral("abandoned");
    if (m_withdrawing || !m_room.joined() || m_client->state() != xmpp::State::Online) {
        log(QStringLiteral("lobby: the game's result (%1) not sent: not in the lobby").arg(what));
        return;
    }
    lobby::Element iq = lobby::make(QStringLiteral("iq"));
    iq.set(QStringLiteral("type"), QStringLiteral("set"))
        .set(QStringLiteral("to"), lobby::botJid(m_config.domain));
    iq.add(lobby::resultElement(lobbyResult(result, m_config.table.id)));
    m_client->sendIq(std::move(iq), [this, what](const lobby::Element& reply) {
        const QString refusal = refusalOf(reply);
        log(refusal.isEmpty()
                ? QStringLiteral("lobby: reported the game's result (%1)").arg(what)
                : QStringLiteral("lobby: the game's result (%1) refused: %2").arg(what, refusal));
    });
}

void LobbyAnnouncer::withdraw(std::function<void()> done) {
    if (m_withdrawing) return;
    m_withdrawing = true;
    m_refresh.stop();
    m_soon.stop();
    if (!m_room.joined() || m_client->state() != xmpp::State::Online) {
        m_client->setReconnect(false);
        m_client->disconnectFrom();
        done();
        return;
    }
    // sendIq calls back once: with the bot's answer, or with a timeout after kLobbyWithdrawMs.
    lobby::Element iq = lobby::make(QStringLiteral("iq"));
    iq.set(QStringLiteral("type"), QStringLiteral("set"))
        .set(QStringLiteral("to"), lobby::botJid(m_config.domain));
    iq.add(lobby::make(QStringLiteral("withdraw"), QString::fromLatin1(lobby::kNs))
               .set(QStringLiteral("id"), m_config.table.id));
    m_client->sendIq(
        std::move(iq),
        [this, done = std::move(done)](const lobby::Element& reply) {
            const QString refusal = refusalOf(reply);
            log(refusal.isEmpty()
                    ? QStringLiteral("lobby: withdrew the table")
                    : QStringLiteral("lobby: withdrawal not confirmed: %1").arg(refusal));
            m_room.leave();
            m_client->setReconnect(false);
            m_client->disconnectFrom();
            done();
        },
        kLobbyWithdrawMs);
}

} // namespace host
