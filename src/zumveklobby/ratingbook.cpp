#include "zumveklobby/ratingbook.h"

namespace zumvek {

namespace {
const QString kNs = QString::fromLatin1(lobby::kNs);
} // namespace

bool RatingBook::takeAnswer(const lobby::Element& reply) {
    clear();
    if (reply.attr(QStringLiteral("type")) != QLatin1String("result")) return false;
    const lobby::Element* e = reply.child(QStringLiteral("ratings"), kNs);
    const auto read = e ? lobby::readRatings(*e) : std::nullopt;
    if (!read) return false;
    apply(*read);
    return true;
}

bool RatingBook::takeChange(const lobby::Element& ratings) {
    const auto read = lobby::readRatings(ratings);
    if (!read) return false;
    apply(*read);
    return true;
}

void RatingBook::apply(const lobby::Ratings& r) {
    if (r.hasBest) m_best = r.best;
    for (const lobby::RatedPlayer& p : r.online)
        m_online.insert(p.name, p);
}

bool RatingBook::forget(const QString& nick) {
    return m_online.remove(nick) > 0;
}

void RatingBook::clear() {
    m_best.clear();
    m_online.clear();
}

std::optional<lobby::RatedPlayer> RatingBook::of(const QString& nick) const {
    const auto it = m_online.constFind(nick);
    if (it == m_online.constEnd()) return std::nullopt;
    return *it;
}

} // namespace zumvek
