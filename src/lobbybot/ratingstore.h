// The ratings and the trusted operators, kept in the XMPP server's own database: two
// persistent publish-subscribe nodes on pubsub.D that the bot's account creates, owns,
// and alone may read and write, one item per account, the item id its bare JID
// (docs/lobby-protocol.md, "Where ratings are kept"). ejabberd keeps them in Mnesia, on
// every node of a cluster, or in PostgreSQL when it is configured for SQL.
#pragma once

#include "lobbybot/ratingbook.h"
#include "xmpp/client.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <functional>

namespace lobbybot {

inline constexpr char kRatingsNode[] = "vimbrel-ratings";
inline constexpr char kOperatorsNode[] = "vimbrel-operators";

class RatingStore : public QObject {
    Q_OBJECT
public:
    using Log = std::function<void(const QString&)>;
    // `client` must outlive the store; `domain` is the lobby domain D.
    RatingStore(xmpp::Client& client, const QString& domain, Log log, QObject* parent = nullptr);

    QString service() const { return m_service; }

    struct Contents {
        QHash<QString, PlayerRating> players;
        QSet<QString> trusted;
    };
    // Reads both nodes whole, creating a node that is missing. `done` gets the contents,
    // or an empty optional and the reason (the caller tries again later).
    void load(std::function<void(std::optional<Contents>, const QString& why)> done);

    // Writes one rating. A write the server refuses is logged and kept for saveAgain().
    void savePlayer(const QString& account, const PlayerRating& p);
    // Adds or removes a trusted operator; `done` gets an empty text once it is stored.
    void saveTrust(const QString& account, bool trusted,
                   std::function<void(const QString& error)> done);
    // Writes again every rating whose last write failed (after a reconnection).
    void saveAgain();
    int unsaved() const { return int(m_unsaved.size()); }

private:
    using Items = QList<std::pair<QString, lobby::Element>>; // item id → payload
    void fetch(const QString& node, std::function<void(std::optional<Items>, QString)> done);
    void create(const QString& node, std::function<void(QString error)> done);
    void publish(const QString& node, const QString& id, const lobby::Element& payload,
                 std::function<void(QString error)> done);
    lobby::Element pubsubIq(const QString& type, lobby::Element child) const;

    xmpp::Client& m_client;
    QString m_service; // pubsub.D
    Log m_log;
    QHash<QString, PlayerRating> m_unsaved; // the newest rating whose write failed
    QHash<QString, quint64> m_lastWrite;    // account → its newest write in flight
    quint64 m_writes = 0;
};

} // namespace lobbybot
