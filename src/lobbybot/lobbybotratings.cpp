// The bot's rating half: games' results, the ratings it answers and tells the room, and
// the operators the administrator trusts (docs/lobby-protocol.md, "Ratings").
#include "lobbybot/lobbybot.h"

#include "server/logtext.h"

namespace lobbybot {

using server::logField;

void LobbyBot::loadRatings() {
    // Offline, the next log-in reads them.
    if (m_book.loaded() || m_loading || m_client.state() != xmpp::State::Online) return;
    m_loading = true;
    m_store.load([this](std::optional<RatingStore::Contents> c, const QString& why) {
        m_loading = false;
        if (!c) {
            m_log(QStringLiteral("ERROR: cannot read the ratings from %1 (%2); no game is rated "
                                 "until they are read; trying again in %3 s")
                      .arg(m_store.service(), logField(why, 200))
                      .arg(kStoreRetryMs / 1000));
            m_storeRetry.start(kStoreRetryMs);
            return;
        }
        m_book.load(std::move(c->players), std::move(c->trusted));
        m_log(QStringLiteral("ratings loaded: %1 players, %2 trusted operators")
                  .arg(m_book.size())
                  .arg(m_book.trustedCount()));
        const auto games = std::exchange(m_waitingGames, {});
        for (const auto& [key, seats] : games)
            rateGame(key, seats);
        // Lobbies that were told to wait hear everything once.
        if (std::exchange(m_askedWhileLoading, false) && m_room.joined())
            pushRatings({true, m_book.best(), onlineEntries()});
    });
}

void LobbyBot::result(const lobby::Element& iq, const lobby::Element& p) {
    const QString account = bareJid(iq.attr(QStringLiteral("from")));
    if (!m_registry.takeRequest(account))
        return refuse(iq, QStringLiteral("policy-violation"),
                      QStringLiteral("more than %1 announcements in %2 s")
                          .arg(kAnnouncementsPerWindow)
                          .arg(kAnnouncementWindowMs / 1000));
    QString why;
    const auto r = lobby::readResult(p, &why);
    if (!r)
        return refuse(iq, QStringLiteral("not-acceptable"),
                      why.isEmpty() ? QStringLiteral("bad result") : why);
    const QString key = m_registry.keyOf(account, r->id);
    const lobby::Table* table = m_registry.find(key);
    if (!table)
        return refuse(iq, QStringLiteral("item-not-found"),
                      QStringLiteral("no such table of yours"));
    ResultContext c;
    c.trustedTable = table->serverTable || m_book.isTrusted(account.toLower());
    c.occupants = occupantJids();
    c.playingAt = playersAt();
    c.tableKey = key;
    c.domain = m_domain;
    c.botAccount = bareJid(m_account.jid);
    const Verdict v = judgeResult(*r, c);
    m_client.replyResult(iq);
    if (!v.rated()) {
        m_log(QStringLiteral("result of %1 from %2 not rated: %3")
                  .arg(key, logField(account), logField(v.why, 120)));
        return;
    }
    if (!m_book.loaded()) {
        if (m_waitingGames.size() >= kMaxWaitingGames) {
            m_log(QStringLiteral("ERROR: result of %1 not rated: the ratings are still not read")
                      .arg(key));
            return;
        }
        m_log(QStringLiteral("result of %1 waits for the ratings to be read").arg(key));
        m_waitingGames.append({key, v.seats});
        return;
    }
    rateGame(key, v.seats);
}

void LobbyBot::rateGame(const QString& key, const QList<RatedSeat>& seats) {
    const QList<lobby::RatedPlayer> bestBefore = m_book.best();
    QStringList before;
    for (const RatedSeat& s : seats)
        before << QString::number(m_book.find(s.account) ? m_book.entry(s.account, {}).rating : 0);
    const auto accounts = m_book.rate(seats);
    if (!accounts) {
        m_log(QStringLiteral("result of %1 not rated: the model refused it").arg(key));
        return;
    }
    QStringList changes;
    for (qsizetype i = 0; i < accounts->size(); ++i) {
        const QString& a = accounts->at(i);
        m_store.savePlayer(a, *m_book.find(a));
        changes << QStringLiteral("%1 (%2) %3 -> %4")
                       .arg(logField(a), logField(seats[i].name), before[i])
                       .arg(m_book.entry(a, {}).rating);
    }
    m_log(QStringLiteral("result of %1 rated: %2").arg(key, changes.join(QStringLiteral(", "))));
    lobby::Ratings push;
    push.best = m_book.best();
    push.hasBest = push.best != bestBefore;
    push.online = onlineEntries(QSet<QString>(accounts->cbegin(), accounts->cend()));
    pushRatings(push);
}

void LobbyBot::answerRatings(const lobby::Element& iq) {
    if (!m_ratingsRate.take(bareJid(iq.attr(QStringLiteral("from"))), steadyClock()()))
        return refuse(iq, QStringLiteral("policy-violation"),
                      QStringLiteral("too many ratings requests"));
    if (!m_book.loaded()) {
        m_askedWhileLoading = true;
        return refuse(iq, QStringLiteral("resource-constraint"),
                      QStringLiteral("the ratings are still being read; the room hears them soon"));
    }
    m_client.replyResult(iq, lobby::ratingsElement({true, m_book.best(), onlineEntries()}));
}

void LobbyBot::trust(const lobby::Element& iq, const lobby::Element& p) {
    const QString from = bareJid(iq.attr(QStringLiteral("from"))).toLower();
    const bool on = p.name == QLatin1String("trust");
    if (m_admin.isEmpty() || from != m_admin) {
        m_log(QStringLiteral("refused a %1 from %2: not the administrator")
                  .arg(p.name, logField(from)));
        return refuse(iq, QStringLiteral("forbidden"),
                      QStringLiteral("only the lobby's administrator marks operators"));
    }
    const QString account = p.attr(QStringLiteral("account")).toLower();
    if (!isAccountOn(account, m_domain) || account == bareJid(m_account.jid).toLower())
        return refuse(
            iq, QStringLiteral("not-acceptable"),
            QStringLiteral("account takes an account of the lobby, name@%1").arg(m_domain));
    if (!m_book.loaded())
        return refuse(iq, QStringLiteral("resource-constraint"),
                      QStringLiteral("the ratings are still being read; try again"));
    m_store.saveTrust(account, on, [this, iq, account, on](const QString& error) {
        if (!error.isEmpty()) {
            m_log(QStringLiteral("ERROR: cannot store that %1 is %2: %3")
                      .arg(logField(account), on ? QStringLiteral("trusted") : "not trusted",
                           logField(error, 200)));
            return refuse(iq, QStringLiteral("internal-server-error"),
                          QStringLiteral("could not be stored: ") + error);
        }
        m_book.setTrusted(account, on);
        m_log(QStringLiteral("the administrator %1 the tables of %2")
                  .arg(on ? QStringLiteral("trusts") : QStringLiteral("no longer trusts"),
                       logField(account)));
        m_client.replyResult(iq);
    });
}

QHash<QString, QString> LobbyBot::occupantJids() const {
    QHash<QString, QString> out;
    for (const xmpp::Occupant& o : m_room.occupants())
        out.insert(o.nick, o.realJid);
    return out;
}

QHash<QString, QString> LobbyBot::playersAt() const {
    QHash<QString, QString> out;
    for (const xmpp::Occupant& o : m_room.occupants()) {
        const lobby::Element* at =
            o.presence.child(QStringLiteral("at"), QString::fromLatin1(lobby::kNs));
        if (at && at->attr(QStringLiteral("as")) == QLatin1String("player"))
            out.insert(o.nick, at->attr(QStringLiteral("key")));
    }
    return out;
}

QList<lobby::RatedPlayer> LobbyBot::onlineEntries(const QSet<QString>& accounts) const {
    QList<lobby::RatedPlayer> out;
    for (const xmpp::Occupant& o : m_room.occupants()) {
        const QString account = bareJid(o.realJid).toLower();
        if (!accounts.isEmpty() && !accounts.contains(account)) continue;
        // A nick no reader would take cannot stand beside a name in any lobby anyway.
        if (!m_book.find(account) || !isListableName(o.nick)) continue;
        out.append(m_book.entry(account, o.nick));
        if (out.size() >= lobby::kMaxRatedPlayers) break;
    }
    return out;
}

void LobbyBot::pushRatings(const lobby::Ratings& r) {
    if (!m_room.joined() || (!r.hasBest && r.online.isEmpty())) return;
    m_room.sendPayload(lobby::ratingsElement(r));
}

} // namespace lobbybot
