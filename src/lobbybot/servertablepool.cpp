#include "lobbybot/servertablepool.h"

#include "server/logtext.h"

#include <algorithm>

namespace lobbybot {

namespace {

PoolAnswer refusal(const QString& condition, const QString& text) {
    PoolAnswer a;
    a.condition = condition;
    a.text = text;
    return a;
}

bool validName(const QString& name) {
    if (name.isEmpty() || name.size() > lobby::kMaxTableName) return false;
    // The host takes printable characters only; refused here, the requester hears why.
    return std::all_of(name.begin(), name.end(), [](QChar c) { return c.isPrint(); });
}

constexpr int kTriesPerRequest = 3; // ports held by other programs are skipped, a few at most

} // namespace

ServerTablePool::ServerTablePool(PoolConfig config, QObject* parent)
    : QObject(parent), m_config(std::move(config)) {}

ServerTablePool::~ServerTablePool() {
    // Not waited for: stopAll() and the event loop give them their time; this is the
    // last resort, and QProcess ends what is still running.
    for (Running& r : m_tables)
        r.process->disconnect(this);
}

quint16 ServerTablePool::freePort(const QSet<quint16>& skip) const {
    if (!enabled()) return 0;
    for (int p = m_config.firstPort; p <= m_config.lastPort; ++p)
        if (!m_tables.contains(quint16(p)) && !skip.contains(quint16(p))) return quint16(p);
    return 0;
}

void ServerTablePool::request(const QString& account, const QString& name,
                              std::function<void(const PoolAnswer&)> done) {
    if (!enabled())
        return done(refusal(QStringLiteral("service-unavailable"),
                            QStringLiteral("this lobby runs no server tables")));
    if (!validName(name))
        return done(refusal(
            QStringLiteral("not-acceptable"),
            QStringLiteral("a table's name has 1 to %1 characters").arg(lobby::kMaxTableName)));
    for (const Running& r : m_tables)
        if (r.account == account)
            return done(refusal(QStringLiteral("policy-violation"),
                                QStringLiteral("one server table per account at a time")));
    const quint16 port = freePort({});
    if (port == 0)
        return done(refusal(QStringLiteral("resource-constraint"),
                            QStringLiteral("every server table is taken")));
    Running r;
    r.account = account;
    r.name = name;
    r.done = std::move(done);
    launch(port, std::move(r));
}

void ServerTablePool::launch(quint16 port, Running r) {
    QStringList args{QStringLiteral("--port"), QString::number(port)};
    args << m_config.lobbyArgs << QStringLiteral("--lobby-table-name") << r.name;
    for (const QString& a : m_config.addresses)
        args << QStringLiteral("--lobby-address") << a;
    r.process = new QProcess(this);
    r.process->setProcessChannelMode(QProcess::MergedChannels);
    r.idle = new QTimer(r.process);
    r.idle->setSingleShot(true);
    r.startDeadline = new QTimer(r.process);
    r.startDeadline->setSingleShot(true);
    connect(r.process, &QProcess::readyReadStandardOutput, this,
            [this, port] { forwardOutput(port); });
    connect(r.process, &QProcess::finished, this, [this, port] { exited(port); });
    connect(r.process, &QProcess::errorOccurred, this, [this, port](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) exited(port);
    });
    connect(r.idle, &QTimer::timeout, this,
            [this, port] { stop(port, QStringLiteral("nobody seated for 3 minutes")); });
    connect(r.startDeadline, &QTimer::timeout, this, [this, port] {
        Running& t = m_tables[port];
        answer(t, refusal(QStringLiteral("remote-server-timeout"),
                          QStringLiteral("the table did not come up in time")));
        stop(port, QStringLiteral("it did not announce itself in time"));
    });
    r.startDeadline->start(m_config.startMs);
    QProcess* process = r.process;
    m_tables.insert(port, std::move(r));
    emit logLine(
        QStringLiteral("server table on port %1: starting \"%2\" for %3")
            .arg(port)
            .arg(server::logField(m_tables[port].name), server::logField(m_tables[port].account)));
    process->start(m_config.program, args);
}

void ServerTablePool::exited(quint16 port) {
    auto it = m_tables.find(port);
    if (it == m_tables.end()) return;
    Running r = std::move(*it);
    m_tables.erase(it);
    r.process->disconnect(this);
    r.process->deleteLater(); // this may run inside its own signal
    emit logLine(QStringLiteral("server table on port %1: ended (%2)")
                     .arg(port)
                     .arg(r.process->error() == QProcess::FailedToStart
                              ? QStringLiteral("could not start")
                              : QStringLiteral("status %1").arg(r.process->exitCode())));
    if (!r.done) return;
    // It never announced itself: most likely another program holds the port.
    r.tried.insert(port);
    const quint16 next = r.tried.size() < kTriesPerRequest ? freePort(r.tried) : 0;
    if (next == 0) {
        answer(r, refusal(QStringLiteral("internal-server-error"),
                          QStringLiteral("the table could not start")));
        return;
    }
    r.process = nullptr;
    launch(next, std::move(r));
}

void ServerTablePool::answer(Running& r, const PoolAnswer& a) {
    if (!r.done) return;
    auto done = std::move(r.done);
    r.done = nullptr;
    r.startDeadline->stop();
    done(a);
}

void ServerTablePool::tableAnnounced(const QString& key, const lobby::Table& table) {
    auto it = m_tables.find(table.port);
    if (!table.serverTable || it == m_tables.end()) return;
    it->key = key;
    if (it->done) {
        PoolAnswer a;
        a.ok = true;
        a.key = key;
        a.address = m_config.addresses.value(0);
        a.port = table.port;
        answer(*it, a);
    }
    if (table.seats > 0)
        it->idle->stop();
    else if (!it->idle->isActive())
        it->idle->start(m_config.idleMs);
}

void ServerTablePool::stop(quint16 port, const QString& why) {
    auto it = m_tables.find(port);
    if (it == m_tables.end() || it->process->state() == QProcess::NotRunning) return;
    emit logLine(QStringLiteral("server table on port %1: stopping, %2").arg(port).arg(why));
    it->idle->stop();
    // A requester still waiting hears now, and the port is not tried again.
    answer(*it,
           refusal(QStringLiteral("internal-server-error"), QStringLiteral("stopped: ") + why));
    QProcess* process = it->process;
    // SIGTERM to its own PID, and the host tells its players; one still starting has no
    // PID yet and gets it as soon as it runs.
    if (process->state() == QProcess::Starting)
        connect(process, &QProcess::started, process, &QProcess::terminate);
    else
        process->terminate();
    QTimer::singleShot(kServerTableStopMs, process, [process] { process->kill(); });
}

void ServerTablePool::stopAll() {
    for (quint16 port : m_tables.keys())
        stop(port, QStringLiteral("the bot is stopping"));
}

void ServerTablePool::forwardOutput(quint16 port) {
    auto it = m_tables.find(port);
    if (it == m_tables.end()) return;
    while (it->process->canReadLine()) {
        const QString line = QString::fromUtf8(it->process->readLine()).trimmed();
        emit logLine(QStringLiteral("server table on port %1: %2")
                         .arg(port)
                         .arg(server::logField(line, 200)));
    }
    // A host that writes an endless line must not fill the bot's memory.
    if (it->process->bytesAvailable() > 4096) it->process->readAll();
}

} // namespace lobbybot
