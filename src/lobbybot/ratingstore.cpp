#include "lobbybot/ratingstore.h"

#include "server/logtext.h"

namespace lobbybot {

namespace {

constexpr char kPubsubNs[] = "http://jabber.org/protocol/pubsub";
constexpr char kDataNs[] = "jabber:x:data";
constexpr char kStanzasNs[] = "urn:ietf:params:xml:ns:xmpp-stanzas";

QString errorOf(const lobby::Element& reply) {
    if (reply.attr(QStringLiteral("type")) == QLatin1String("result")) return {};
    const lobby::Element* e = reply.child(QStringLiteral("error"));
    if (!e) return QStringLiteral("no answer");
    QString condition = QStringLiteral("error"), text;
    for (const lobby::Element& c : e->children) {
        if (c.ns != QLatin1String(kStanzasNs)) continue;
        if (c.name == QLatin1String("text"))
            text = c.text;
        else
            condition = c.name;
    }
    return text.isEmpty() ? condition : condition + QStringLiteral(": ") + text;
}

lobby::Element field(const QString& var, const QString& value) {
    lobby::Element v = lobby::make(QStringLiteral("value"));
    v.text = value;
    return lobby::make(QStringLiteral("field")).set(QStringLiteral("var"), var).add(v);
}

// Only the owner (the bot's account) reads and writes; every item is kept, however many;
// nobody is told of changes, since nobody subscribes.
lobby::Element nodeConfig() {
    lobby::Element x = lobby::make(QStringLiteral("x"), QLatin1String(kDataNs))
                           .set(QStringLiteral("type"), QStringLiteral("submit"));
    x.add(field(QStringLiteral("FORM_TYPE"),
                QStringLiteral("http://jabber.org/protocol/pubsub#node_config"))
              .set(QStringLiteral("type"), QStringLiteral("hidden")));
    x.add(field(QStringLiteral("pubsub#access_model"), QStringLiteral("whitelist")));
    x.add(field(QStringLiteral("pubsub#publish_model"), QStringLiteral("publishers")));
    x.add(field(QStringLiteral("pubsub#persist_items"), QStringLiteral("1")));
    x.add(field(QStringLiteral("pubsub#max_items"), QStringLiteral("max")));
    x.add(field(QStringLiteral("pubsub#deliver_notifications"), QStringLiteral("0")));
    x.add(field(QStringLiteral("pubsub#send_last_published_item"), QStringLiteral("never")));
    return x;
}

} // namespace

RatingStore::RatingStore(xmpp::Client& client, const QString& domain, Log log, QObject* parent)
    : QObject(parent), m_client(client), m_service(QStringLiteral("pubsub.") + domain),
      m_log(std::move(log)) {}

lobby::Element RatingStore::pubsubIq(const QString& type, lobby::Element child) const {
    lobby::Element pubsub = lobby::make(QStringLiteral("pubsub"), QLatin1String(kPubsubNs));
    pubsub.add(std::move(child));
    lobby::Element iq = lobby::make(QStringLiteral("iq"))
                            .set(QStringLiteral("type"), type)
                            .set(QStringLiteral("to"), m_service);
    iq.add(pubsub);
    return iq;
}

void RatingStore::load(std::function<void(std::optional<Contents>, const QString&)> done) {
    fetch(QLatin1String(kRatingsNode), [this, done](std::optional<Items> players, QString why) {
        if (!players) return done(std::nullopt, why);
        fetch(QLatin1String(kOperatorsNode),
              [this, done, players](std::optional<Items> operators, QString why) {
                  if (!operators) return done(std::nullopt, why);
                  Contents c;
                  for (const auto& [id, payload] : *players) {
                      if (auto p = readPlayerPayload(payload))
                          c.players.insert(id, *p);
                      else
                          m_log(QStringLiteral("stored rating of %1 is damaged; left out")
                                    .arg(server::logField(id)));
                  }
                  for (const auto& item : *operators)
                      c.trusted.insert(item.first);
                  done(c, {});
              });
    });
}

// The node's items, all at once; a node that is not there yet is made, empty.
void RatingStore::fetch(const QString& node,
                        std::function<void(std::optional<Items>, QString)> done) {
    const lobby::Element items =
        lobby::make(QStringLiteral("items")).set(QStringLiteral("node"), node);
    m_client.sendIq(pubsubIq(QStringLiteral("get"), items), [this, node,
                                                             done](const lobby::Element& reply) {
        const QString error = errorOf(reply);
        if (error.startsWith(QLatin1String("item-not-found"))) {
            create(node, [node, done](const QString& error) {
                if (error.isEmpty()) return done(Items{}, {});
                done(std::nullopt, QStringLiteral("cannot create %1: %2").arg(node, error));
            });
            return;
        }
        if (!error.isEmpty())
            return done(std::nullopt, QStringLiteral("cannot read %1: %2").arg(node, error));
        Items out;
        const lobby::Element* p = reply.child(QStringLiteral("pubsub"), QLatin1String(kPubsubNs));
        const lobby::Element* list = p ? p->child(QStringLiteral("items")) : nullptr;
        for (const lobby::Element& item : list ? list->children : QList<lobby::Element>{}) {
            if (item.name != QLatin1String("item") || item.children.isEmpty()) continue;
            out.append({item.attr(QStringLiteral("id")), item.children.first()});
        }
        done(out, {});
    });
}

void RatingStore::create(const QString& node, std::function<void(QString)> done) {
    lobby::Element iq =
        pubsubIq(QStringLiteral("set"),
                 lobby::make(QStringLiteral("create")).set(QStringLiteral("node"), node));
    lobby::Element configure = lobby::make(QStringLiteral("configure"));
    configure.add(nodeConfig());
    iq.children.first().add(configure);
    m_client.sendIq(iq, [this, node, done](const lobby::Element& reply) {
        const QString error = errorOf(reply);
        // Made meanwhile (another bot of a cluster): as good.
        if (error.isEmpty() || error.startsWith(QLatin1String("conflict"))) {
            m_log(QStringLiteral("created the store %1 on %2").arg(node, m_service));
            return done({});
        }
        done(error);
    });
}

void RatingStore::publish(const QString& node, const QString& id, const lobby::Element& payload,
                          std::function<void(QString)> done) {
    lobby::Element item = lobby::make(QStringLiteral("item")).set(QStringLiteral("id"), id);
    item.add(payload);
    lobby::Element pub = lobby::make(QStringLiteral("publish")).set(QStringLiteral("node"), node);
    pub.add(item);
    m_client.sendIq(pubsubIq(QStringLiteral("set"), pub),
                    [done](const lobby::Element& reply) { done(errorOf(reply)); });
}

void RatingStore::savePlayer(const QString& account, const PlayerRating& p) {
    m_unsaved.remove(account);
    const quint64 write = ++m_writes;
    m_lastWrite.insert(account, write);
    publish(QLatin1String(kRatingsNode), account, playerPayload(p),
            [this, account, p, write](const QString& error) {
                // Only the account's newest write counts: an older one that failed must
                // never be written again over a newer rating.
                if (m_lastWrite.value(account) != write) return;
                m_lastWrite.remove(account);
                if (error.isEmpty()) return;
                // Kept in memory and written again later; until then a restart loses it.
                m_unsaved.insert(account, p);
                m_log(QStringLiteral("ERROR: the rating of %1 is NOT STORED: %2")
                          .arg(server::logField(account), server::logField(error, 200)));
            });
}

void RatingStore::saveAgain() {
    const QHash<QString, PlayerRating> again = std::exchange(m_unsaved, {});
    for (auto it = again.cbegin(); it != again.cend(); ++it)
        savePlayer(it.key(), *it);
}

void RatingStore::saveTrust(const QString& account, bool trusted,
                            std::function<void(const QString&)> done) {
    const QString node = QLatin1String(kOperatorsNode);
    if (trusted) {
        publish(node, account, lobby::make(QStringLiteral("operator"), QLatin1String(lobby::kNs)),
                [done](const QString& error) { done(error); });
        return;
    }
    lobby::Element item = lobby::make(QStringLiteral("item")).set(QStringLiteral("id"), account);
    lobby::Element retract = lobby::make(QStringLiteral("retract"))
                                 .set(QStringLiteral("node"), node)
                                 .set(QStringLiteral("notify"), QStringLiteral("0"));
    retract.add(item);
    m_client.sendIq(pubsubIq(QStringLiteral("set"), retract), [done](const lobby::Element& reply) {
        const QString error = errorOf(reply);
        // One that was never trusted is as distrusted as can be.
        done(error.startsWith(QLatin1String("item-not-found")) ? QString() : error);
    });
}

} // namespace lobbybot
