// Construction, the command table, the connection's events and the log-in.
#include "table/tablesession.h"

#include "protocol/commands.h"
#include "protocol/fields.h"
#include "protocol/wiretext.h"
#include "table/connectfailure.h"
#include "version/version.h"

#include <QCoreApplication>
#include <chrono>

namespace {

// One entry of the command table: the reader turns the body into typed values
// (throwing ConvertError on a number that is not one), the handler acts.
template <class Value>
void handle(wire::Dispatcher& queue, const char* command, Value (*reader)(const QString&),
            std::function<void(const Value&)> handler) {
    queue.on(QString::fromLatin1(command),
             [reader, handler](const QString& body, int) { handler(reader(body)); });
}

qint64 steadyMs() {
    using namespace std::chrono;
    return qint64(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

TableSession::TableSession(ClientLink& link, QString settingsPath, QObject* parent)
    : QObject(parent), m_link(link), m_settingsPath(std::move(settingsPath)),
      m_queue(QStringLiteral("Timer1"), 1, this), m_clock(&steadyMs) {
    m_phraseCooldown = new QTimer(this);
    m_phraseCooldown->setSingleShot(true);
    m_phraseCooldown->setInterval(kPhraseCooldownMs);
    connect(m_phraseCooldown, &QTimer::timeout, this, [this] { m_state.phraseReady = true; });
    m_queue.setErrorSink([this](const QString& e) { emit notice(e, wire::kRed); });
    registerHandlers();
    registerGameHandlers();
    m_link.attach(this);
}

TableSession::~TableSession() {
    m_link.attach(nullptr);
}

void TableSession::registerHandlers() {
    namespace cmd = wire::cmd;
    namespace read = wire::read;
    using Rec = read::Record;
    auto own = [this](void (TableSession::*h)(const Rec&)) {
        return std::function<void(const Rec&)>([this, h](const Rec& r) { (this->*h)(r); });
    };
    handle(m_queue, cmd::sendlogininfo, &read::recordName, own(&TableSession::sendloginfo));
    handle(m_queue, cmd::newplayerinfo, &read::recordName, own(&TableSession::newplayerinfo));
    handle(m_queue, cmd::existingplayers, &read::recordName, own(&TableSession::newplayerinfo));
    handle(m_queue, cmd::playerdisconnected, &read::recordName,
           own(&TableSession::playerdisconnected));
    handle(m_queue, cmd::removed, &read::recordName, own(&TableSession::removed));
    handle(m_queue, cmd::rejoined, &read::recordName, own(&TableSession::rejoined));
    handle(m_queue, cmd::seatheld, &read::recordName, own(&TableSession::seatheld));
    handle<read::SeatValue>(m_queue, cmd::justwatching, &read::justwatching,
                            [this](const read::SeatValue& jw) { justwatching(jw); });
    m_queue.on(QString::fromLatin1(cmd::seattoken),
               [this](const QString& body, int) { seattoken(body); });
    m_queue.on(QString::fromLatin1(cmd::chat), [this](const QString& body, int) {
        chatrecieved(read::chatLine(body), IgnoreList::Relay::Chat);
    });
    m_queue.on(QString::fromLatin1(cmd::action), [this](const QString& body, int) {
        chatrecieved(read::chatLine(body), IgnoreList::Relay::Action);
    });
    m_queue.on(QString::fromLatin1(cmd::full), [this](const QString&, int) {
        m_full = true;
        emit message(QCoreApplication::translate("Tchat", "Game is full"));
        end();
    });
    // A dedicated host hands the first player at its table the host's powers.
    m_queue.on(QString::fromLatin1(cmd::hostpowers), [this](const QString&, int) { hostpowers(); });
    m_queue.on(QString::fromLatin1(cmd::havewrongversion), [this](const QString& body, int) {
        tell(
            QCoreApplication::translate("Tchat", "%1 has a different version of the game then you.")
                .arg(wire::singleLine(body)));
    });
    m_queue.on(QString::fromLatin1(cmd::wrongversion), [this](const QString&, int) {
        tell(QCoreApplication::translate("Tchat",
                                         "You have a differnt version of the game then the host."));
    });
}

void TableSession::registerGameHandlers() {
    namespace cmd = wire::cmd;
    namespace read = wire::read;
    // The turn is the session's to follow; what the board shows of it is the board's.
    handle<read::CreateDice>(m_queue, cmd::createdice, &read::createdice,
                             [this](const read::CreateDice& v) { createdice(v); });
    handle<std::array<QString, 4>>(m_queue, cmd::startgame, &read::startgame,
                                   [this](const std::array<QString, 4>& v) { startthegame(v); });
    handle<read::NextPlayer>(m_queue, cmd::nextplayer, &read::nextplayer,
                             [this](const read::NextPlayer& v) { getnextplayer(v); });
    handle<wire::msg::LoadStats>(m_queue, cmd::loadstats, &read::loadstats,
                                 [this](const wire::msg::LoadStats& v) { loadstats(v); });
    handle<QString>(m_queue, cmd::winner, &read::winner, [this](const QString& v) { winner(v); });
    // Scores change nothing the session keeps.
    handle<read::Scores>(m_queue, cmd::scores, &read::scores,
                         [this](const read::Scores& v) { emit scored(v); });
    handle<read::NoScore>(m_queue, cmd::noscore, &read::noscore,
                          [this](const read::NoScore& v) { emit notScored(v); });
    handle<read::MarkOff>(m_queue, cmd::markoff, &read::markoff,
                          [this](const read::MarkOff& v) { emit markedOff(v); });
    handle<read::PScores>(m_queue, cmd::loadpscores, &read::loadpscores,
                          [this](const read::PScores& v) { emit pscoresLoaded(v); });
}

void TableSession::openAsHost() {
    m_state.isHost = true;
    m_link.open(QStringLiteral("127.0.0.1"));
}

void TableSession::openAsGuest() {
    m_link.open(m_state.hostAddress);
}

void TableSession::sockRead(const QByteArray& bytes) {
    QList<QByteArray> messages;
    const bool withinCap = m_inbox.feed(bytes, messages);
    for (const QByteArray& message : messages)
        received(wire::decode(message));
    // A host that never ends its message is not one to wait for.
    if (!withinCap) m_link.close();
}

void TableSession::sockInfo(const QString& text) {
    // A host that cannot be reached would otherwise leave the player waiting in silence.
    if (!m_state.connected) tell(connectfailure::describe(text, m_state.hostAddress, gamePort()));
}

void TableSession::departed(Departure why) {
    if (!m_ended) m_departure = why;
    end();
}

void TableSession::end() {
    if (m_ended) return;
    m_ended = true;
    // Messages that arrived before the end (a "Game is full" notice, a last chat line)
    // are still handled: the windows wait for the queue before they act on it.
    emit ended();
}

QString TableSession::farewell() const {
    if (!m_ended || m_full) return {};
    if (m_removedSelf)
        return QCoreApplication::translate("Tchat", "You were removed from the table");
    // The host closes a connection in order only when its table closes, or after it
    // said why (a full table, a removal); anything else broke on the way.
    if (m_departure == Departure::ClosedByPeer)
        return QCoreApplication::translate("Tchat", "The table was closed by its host");
    return QCoreApplication::translate("Tchat", "The connection to the host was lost");
}

void TableSession::sendloginfo(const wire::read::Record& rec) {
    if (m_state.connected) return; // a client logs in once
    m_state.ownSeat = rec.record;
    m_state.connected = true;
    const QString version =
        m_version ? m_version() : QString::fromLatin1(vimbrel::kProtocolVersion);
    send(wire::msg::logininfo(m_state.ownSeat, version, m_state.playerName));
    presentToken();
}

void TableSession::hostpowers() {
    if (m_state.isHost) return;
    m_state.isHost = true;
    emit hostPowersGained();
    tell(QCoreApplication::translate(
        "Tchat", "You run this table: you can start games and remove players."));
}
