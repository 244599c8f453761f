// A lobby server node for tests: server/vimbrel-lobby-server in the test's own network
// namespace, stopped (with its epmd) when the object goes.
#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <unistd.h>

class TestServer {
public:
    QString domain = "lobby.localhost";
    quint16 c2sPort = 5222;
    quint16 httpPort = 5280;
    QString node = "vimbrel";
    QString joinCluster;
    QStringList extraArgs;   // such as --bot PATH
    double readySeconds = 0; // from start to the READY line
    QString log;             // what the runner wrote on stderr

    ~TestServer() { stop(); }

    static QString netns(const QString& pid) {
        char buf[64] = {};
        const QByteArray path = ("/proc/" + pid + "/ns/net").toLatin1();
        const ssize_t n = ::readlink(path.constData(), buf, sizeof buf - 1);
        return n > 0 ? QString::fromLatin1(buf, int(n)) : QString();
    }
    // The server listens on fixed ports: only ever inside a namespace of the test's own.
    static bool inOwnNetns() { return netns("self") != netns("1"); }

    bool start(const QString& dir = {}) {
        m_dir = dir.isEmpty() ? m_tmp.path() : dir;
        // For a look at ejabberd's own logs after a failure.
        m_tmp.setAutoRemove(!qEnvironmentVariableIsSet("VIMBREL_KEEP_LOBBY"));
        QStringList args{"--dir",       m_dir,
                         "--domain",    domain,
                         "--c2s-port",  QString::number(c2sPort),
                         "--http-port", QString::number(httpPort),
                         "--node",      node};
        if (!joinCluster.isEmpty()) args << "--join-cluster" << joinCluster;
        args << extraArgs;
        QElapsedTimer t;
        t.start();
        m_proc.start(QStringLiteral(VIMBREL_SOURCE_DIR "/server/vimbrel-lobby-server"), args);
        if (!m_proc.waitForStarted(10000)) return false;
        while (t.elapsed() < 90000) {
            if (m_proc.canReadLine()) {
                const QByteArray line = m_proc.readLine();
                if (line.startsWith("READY ")) {
                    readySeconds = t.elapsed() / 1000.0;
                    log += QString::fromUtf8(m_proc.readAllStandardError());
                    return true;
                }
                continue;
            }
            if (m_proc.state() != QProcess::Running) break;
            m_proc.waitForReadyRead(200);
        }
        log += QString::fromUtf8(m_proc.readAllStandardError());
        qWarning("lobby server did not start: %s", qPrintable(log));
        return false;
    }

    // SIGTERM and wait; true when the runner exited 0.
    bool stop() {
        if (m_proc.state() == QProcess::NotRunning)
            return m_proc.exitStatus() == QProcess::NormalExit && m_proc.exitCode() == 0;
        m_proc.terminate();
        if (!m_proc.waitForFinished(60000)) {
            ::kill(pid_t(m_proc.processId()), SIGKILL);
            m_proc.waitForFinished(5000);
            return false;
        }
        log += QString::fromUtf8(m_proc.readAllStandardError());
        return m_proc.exitStatus() == QProcess::NormalExit && m_proc.exitCode() == 0;
    }

    // A figure the runner logged: "started" or "joined" -> its seconds; -1 when absent.
    double loggedSeconds(const QString& what) const {
        const QRegularExpression re(what + R"( (?:\S+ )?in ([0-9.]+) s)");
        const auto m = re.match(log);
        return m.hasMatch() ? m.captured(1).toDouble() : -1;
    }

    // What the runner, and a bot it started (--bot), wrote on stderr so far.
    QString logSoFar() {
        log += QString::fromUtf8(m_proc.readAllStandardError());
        return log;
    }

    QString dir() const { return m_dir; }
    QString password(const QString& account) const {
        QFile f(m_dir + '/' + account + ".password");
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
    }
    QString caFile() const { return m_dir + "/cacert.pem"; }

    // Processes named `comm` in our own network namespace (ejabberd's beam.smp, epmd).
    static QList<pid_t> pidsInOurNetns(const QString& comm) {
        const QString ours = netns("self");
        QList<pid_t> pids;
        for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
            if (!pid.at(0).isDigit()) continue;
            QFile c("/proc/" + pid + "/comm");
            if (!c.open(QIODevice::ReadOnly) || c.readAll().trimmed() != comm.toUtf8()) continue;
            // A zombie has no namespace left to read; it is gone in all that matters.
            const QString ns = netns(pid);
            if (!ns.isEmpty() && ns == ours) pids.append(pid_t(pid.toInt()));
        }
        return pids;
    }
    static int processesInOurNetns(const QString& comm) { return int(pidsInOurNetns(comm).size()); }

private:
    QTemporaryDir m_tmp{QDir::tempPath() + "/vimbrel-lobby-XXXXXX"};
    QString m_dir;
    QProcess m_proc;
};
