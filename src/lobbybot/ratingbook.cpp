#include "lobbybot/ratingbook.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace lobbybot {

namespace {

QString bareOf(const QString& jid) {
    return jid.section(QLatin1Char('/'), 0, 0);
}

// The seat's account, or why it has none that may be rated.
QString seatAccount(const lobby::ResultSeat& s, const ResultContext& c, QString* why) {
    const auto it = c.occupants.constFind(s.name);
    if (it == c.occupants.cend() || it->isEmpty()) {
        *why = QStringLiteral("seat %1 (%2) is nobody in the room").arg(s.seat).arg(s.name);
        return {};
    }
    if (c.playingAt.value(s.name) != c.tableKey) {
        *why = QStringLiteral("seat %1 (%2) is not at this table by their lobby")
                   .arg(s.seat)
                   .arg(s.name);
        return {};
    }
    const QString account = bareOf(*it).toLower();
    if (account == c.botAccount.toLower()) {
        *why = QStringLiteral("seat %1 is the bot's own account").arg(s.seat);
        return {};
    }
    if (!isAccountOn(account, c.domain)) {
        *why = QStringLiteral("seat %1 (%2) is a guest, with no account of the lobby")
                   .arg(s.seat)
                   .arg(s.name);
        return {};
    }
    return account;
}

} // namespace

bool isAccountOn(const QString& bareJid, const QString& domain) {
    const qsizetype at = bareJid.indexOf(QLatin1Char('@'));
    return at > 0 && !bareJid.contains(QLatin1Char('/')) &&
           bareJid.mid(at + 1).compare(domain, Qt::CaseInsensitive) == 0;
}

bool isListableName(const QString& name) {
    if (name.trimmed().isEmpty() || name.toUcs4().size() > lobby::kMaxNick) return false;
    for (QChar c : name) {
        const auto cat = c.category();
        if (cat == QChar::Other_Control || cat == QChar::Separator_Line ||
            cat == QChar::Separator_Paragraph || c == QChar(0xFFFE) || c == QChar(0xFFFF))
            return false;
    }
    return true;
}

Verdict judgeResult(const lobby::Result& r, const ResultContext& c) {
    Verdict v;
    if (!c.trustedTable) {
        v.why = QStringLiteral("the table is not trusted");
        return v;
    }
    if (!r.finished) {
        v.why = QStringLiteral("the game was abandoned");
        return v;
    }
    if (r.seats.size() < ratings::kMinPlayers || r.seats.size() > ratings::kMaxPlayers) {
        v.why = QStringLiteral("%1 seats played").arg(r.seats.size());
        return v;
    }
    QSet<QString> accounts;
    for (const lobby::ResultSeat& s : r.seats) {
        if (s.computerTurns > 0) {
            v.why = QStringLiteral("the computer played seat %1").arg(s.seat);
            break;
        }
        if (!s.present) {
            v.why = QStringLiteral("seat %1 left before the end").arg(s.seat);
            break;
        }
        const QString account = seatAccount(s, c, &v.why);
        if (account.isEmpty()) break;
        if (accounts.contains(account)) {
            v.why = QStringLiteral("%1 played more than one seat").arg(account);
            break;
        }
        accounts.insert(account);
        v.seats.append({account, s.name, s.score});
    }
    if (!v.rated()) v.seats.clear();
    return v;
}

void RatingBook::load(QHash<QString, PlayerRating> players, QSet<QString> trusted) {
    m_players = std::move(players);
    m_trusted = std::move(trusted);
    m_loaded = true;
}

const PlayerRating* RatingBook::find(const QString& account) const {
    const auto it = m_players.constFind(account);
    return it == m_players.cend() ? nullptr : &*it;
}

void RatingBook::setTrusted(const QString& account, bool trusted) {
    if (trusted)
        m_trusted.insert(account);
    else
        m_trusted.remove(account);
}

std::optional<QStringList> RatingBook::rate(const QList<RatedSeat>& seats) {
    std::vector<ratings::Rating> before;
    std::vector<double> scores;
    for (const RatedSeat& s : seats) {
        const PlayerRating* p = find(s.account);
        before.push_back(p ? p->rating : ratings::Rating{});
        scores.push_back(double(s.score));
    }
    const auto after = ratings::rateByScore(before, scores);
    if (!after) return std::nullopt;
    QStringList accounts;
    for (qsizetype i = 0; i < seats.size(); ++i) {
        PlayerRating& p = m_players[seats[i].account];
        p.rating = (*after)[size_t(i)];
        ++p.games;
        p.name = seats[i].name;
        accounts << seats[i].account;
    }
    return accounts;
}

QList<lobby::RatedPlayer> RatingBook::best() const {
    struct Ranked {
        double ordinal;
        const QString* account;
        const PlayerRating* p;
    };
    std::vector<Ranked> all;
    all.reserve(size_t(m_players.size()));
    for (auto it = m_players.cbegin(); it != m_players.cend(); ++it)
        all.push_back({ratings::ordinal(it->rating), &it.key(), &*it});
    const auto better = [](const Ranked& a, const Ranked& b) {
        if (a.ordinal != b.ordinal) return a.ordinal > b.ordinal;
        if (a.p->name != b.p->name) return a.p->name < b.p->name;
        return *a.account < *b.account;
    };
    const size_t n = std::min(all.size(), size_t(lobby::kBestPlayers));
    std::partial_sort(all.begin(), all.begin() + qsizetype(n), all.end(), better);
    QList<lobby::RatedPlayer> out;
    for (size_t i = 0; i < n; ++i) {
        const QString& name = all[i].p->name;
        // A record from an older or damaged store lists under its account's name.
        out.append(entry(*all[i].account,
                         isListableName(name)
                             ? name
                             : all[i].account->section(u'@', 0, 0).left(lobby::kMaxNick)));
    }
    return out;
}

lobby::RatedPlayer RatingBook::entry(const QString& account, const QString& name) const {
    const PlayerRating p = m_players.value(account);
    // A damaged record still lists as a number every reader takes.
    const int shown =
        std::clamp(ratings::displayed(p.rating), -lobby::kMaxRating, lobby::kMaxRating);
    return {name, shown, std::max(1, p.games)};
}

lobby::Element playerPayload(const PlayerRating& p) {
    return lobby::make(QStringLiteral("player"), QLatin1String(lobby::kNs))
        .set(QStringLiteral("mu"), QString::number(p.rating.mu, 'g', 17))
        .set(QStringLiteral("sigma"), QString::number(p.rating.sigma, 'g', 17))
        .set(QStringLiteral("games"), QString::number(p.games))
        .set(QStringLiteral("name"), p.name);
}

std::optional<PlayerRating> readPlayerPayload(const lobby::Element& e) {
    if (e.name != QLatin1String("player") || e.ns != QLatin1String(lobby::kNs)) return std::nullopt;
    bool okMu = false, okSigma = false, okGames = false;
    PlayerRating p;
    p.rating.mu = e.attr(QStringLiteral("mu")).toDouble(&okMu);
    p.rating.sigma = e.attr(QStringLiteral("sigma")).toDouble(&okSigma);
    p.games = e.attr(QStringLiteral("games")).toInt(&okGames);
    if (!okMu || !okSigma || !okGames || !std::isfinite(p.rating.mu) ||
        !std::isfinite(p.rating.sigma) || !(p.rating.sigma > 0) || p.games < 1)
        return std::nullopt;
    p.name = e.attr(QStringLiteral("name"));
    return p;
}

} // namespace lobbybot
