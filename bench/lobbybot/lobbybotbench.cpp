// The lobby's bot at rest and under a full list:
//   - resident memory of the table list with 1,000 tables (334 accounts), and the size
//     of the whole list as it travels (one <tables full="1"> payload, in bytes);
//   - with a lobby server at hand (run inside a network namespace, see bench/README.md):
//     the real bot's resident memory once in the room, and its wake-ups per second while
//     idle, from the context switches of all its threads over --seconds.
// Figures only; nothing here passes or fails.
#include "lobbybot/tableregistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace {

long statusField(const QString& path, const char* field) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ')[0].toLong();
    return -1;
}

long rssKb(qint64 pid) {
    return statusField(QStringLiteral("/proc/%1/status").arg(pid), "VmRSS:");
}

// Voluntary and involuntary switches of every thread: each is one time it ran.
long switches(qint64 pid) {
    long n = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& t : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString s = tasks + u'/' + t + QStringLiteral("/status");
        n += statusField(s, "voluntary_ctxt_switches:") +
             statusField(s, "nonvoluntary_ctxt_switches:");
    }
    return n;
}

QString escaped(const QString& s) {
    QString out = s;
    out.replace(u'&', QStringLiteral("&amp;")).replace(u'<', QStringLiteral("&lt;"));
    return out.replace(u'"', QStringLiteral("&quot;"));
}

// The element as XML text, the way it crosses the wire (without the stanza around it).
QString xml(const lobby::Element& e) {
    QString out = u'<' + e.name;
    if (!e.ns.isEmpty()) out += QStringLiteral(" xmlns=\"%1\"").arg(e.ns);
    for (const auto& [k, v] : e.attrs)
        out += QStringLiteral(" %1=\"%2\"").arg(k, escaped(v));
    if (e.children.isEmpty() && e.text.isEmpty()) return out + QStringLiteral("/>");
    out += u'>' + escaped(e.text);
    for (const lobby::Element& c : e.children)
        out += xml(c);
    return out + QStringLiteral("</%1>").arg(e.name);
}

void listFigures() {
    const long before = rssKb(getpid());
    auto* reg = new lobbybot::TableRegistry();
    for (int i = 0; i < 1000; ++i) {
        lobby::Table t;
        t.id = QStringLiteral("table%1").arg(i % 3);
        t.name = QStringLiteral("A table with a name of 32 chars%1").left(lobby::kMaxTableName);
        t.ipv4 = QStringLiteral("198.51.100.%1").arg(i % 250);
        t.ipv6 = QStringLiteral("2001:db8::%1").arg(i, 0, 16);
        t.port = quint16(7772 + i);
        t.seats = i % 5;
        t.version = QStringLiteral("1.0.7");
        const QString account = QStringLiteral("player%1@lobby.example").arg(i / 3);
        reg->announce(account, QStringLiteral("Player number %1").arg(i / 3),
                      lobby::announcement(t));
    }
    reg->flushChanges();
    const long after = rssKb(getpid());
    const QByteArray list = xml(lobby::changeElement(reg->fullList())).toUtf8();
    std::printf("table list: %d tables, %ld kB resident for them (process %ld kB)\n", reg->size(),
                after - before, after);
    std::printf("whole list: %lld bytes as XML (%.0f bytes a table)\n", qint64(list.size()),
                list.size() / 1000.0);
    delete reg;
}

bool onlyLoopback() {
    QFile dev(QStringLiteral("/proc/self/net/dev"));
    if (!dev.open(QIODevice::ReadOnly)) return false;
    const QList<QByteArray> lines = dev.readAll().trimmed().split('\n');
    return lines.size() == 3 && lines[2].trimmed().startsWith("lo:"); // two header lines
}

QString runner() {
    return QStringLiteral(VIMBREL_SOURCE_DIR "/server/vimbrel-lobby-server");
}

qint64 botPid() {
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("vimbrel-lobbyb"))
            return pid.toLongLong();
    }
    return -1;
}

// Starts a lobby server with the bot and prints the bot's figures once it sits idle.
void botFigures(int seconds) {
    // The server takes fixed ports: only ever inside a namespace of our own, where
    // loopback is the only interface.
    if (!onlyLoopback()) {
        std::printf("idle bot: skipped, run it in a network namespace of its own: "
                    "unshare -n bash -c 'ip link set lo up && build/lobbybotbench'\n");
        return;
    }
    if (access("/usr/sbin/ejabberdctl", X_OK) != 0) {
        std::printf("idle bot: skipped, ejabberd is not installed\n");
        return;
    }
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/lobbybotbench-XXXXXX"));
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(runner(), {QStringLiteral("--dir"), dir.path(), QStringLiteral("--bot"),
                            QStringLiteral(VIMBREL_BOT_EXE)});
    QElapsedTimer t;
    t.start();
    while (!server.canReadLine() && server.state() != QProcess::NotRunning && t.elapsed() < 90000)
        server.waitForReadyRead(500);
    if (!server.readLine().startsWith("READY")) {
        std::printf("idle bot: skipped, the lobby server did not start\n");
        return;
    }
    // The runner passes the bot's log on; measure once it sits in the room.
    bool seated = false;
    t.restart();
    while (!seated && server.state() == QProcess::Running && t.elapsed() < 30000) {
        if (!server.canReadLine() && !server.waitForReadyRead(500)) continue;
        seated = server.readLine().startsWith("in the room");
    }
    QThread::sleep(1);
    const qint64 bot = botPid();
    if (bot < 0) {
        std::printf("idle bot: skipped, the runner started no bot\n");
    } else {
        const long first = switches(bot);
        QThread::sleep(seconds);
        const long wakeUps = switches(bot) - first;
        std::printf("idle bot: %ld kB resident, %.2f wake-ups a second over %d s\n", rssKb(bot),
                    double(wakeUps) / seconds, seconds);
    }
    server.terminate();
    server.waitForFinished(60000);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int seconds = 10;
    const QStringList args = app.arguments();
    if (const qsizetype i = args.indexOf(QStringLiteral("--seconds")); i > 0 && i + 1 < args.size())
        seconds = std::max(1, args[i + 1].toInt());
    listFigures();
    botFigures(seconds);
    QFile load(QStringLiteral("/proc/loadavg"));
    if (load.open(QIODevice::ReadOnly)) std::printf("load average: %s", load.readAll().constData());
    return 0;
}
