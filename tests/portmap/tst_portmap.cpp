// The router's port mapping: what is taken from a router's answers, and a real UPnP
// router daemon inside a network namespace this test makes for itself, which
// forwards, refuses, or is not there at all; or in its place a router that misbehaves.
#include "portmap/helperreport.h"
#include "portmap/portmapper.h"
#include "portmap/routeraddress.h"

#include <QNetworkInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

// Set in the copy of this program that runs inside its own network namespace.
constexpr char kInNamespace[] = "VIMBREL_PORTMAP_NETNS";
// Why no namespace could be made, handed to the copy that runs without one.
constexpr char kNoNamespace[] = "VIMBREL_PORTMAP_NO_NETNS";

const QString kRouterUrl = QStringLiteral("http://10.77.0.1:5555/rootDesc.xml");

PortMapper::Settings testSettings() {
    PortMapper::Settings s;
    s.port = 7772;
    s.discoverMs = 1000;
    s.endWaitMs = 4000;
    return s;
}

// The most memory this process has held so far (its peak resident set), in KiB.
qint64 peakMemoryKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// The largest peak of the programs this one started and waited for (the helpers), in KiB.
long childrenPeakKiB() {
    rusage usage{};
    return getrusage(RUSAGE_CHILDREN, &usage) == 0 ? usage.ru_maxrss : -1;
}

// What this process may hold at most whatever the router sends: Qt and the test's own
// data take about 40 MiB.
constexpr qint64 kMemoryBoundKiB = 128 * 1024;

} // namespace

class TestPortMap : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void addressesFromARouter_data();
    void addressesFromARouter();
    void outsideAddressesBehindAnotherRouter_data();
    void outsideAddressesBehindAnotherRouter();
    void findsItsHelperInTheBuildAndThePackage();
    void mapsRenewsAndRemovesAtTheEnd();
    void closeRemovesAndOpenMapsAgain();
    void noRouterAnswers();
    void routerRefuses();
    void hostileRouterIsCutOffInTime_data();
    void hostileRouterIsCutOffInTime();
    void refusalCodeOutOfRangeIsNoSuccess();
    void stalledRenewalIsCutOffInTime();

private:
    bool startNetwork(const char* mode);
    // The router's mappings as its own list gives them, one "PORT->CLIENT:PORT 'DESC'" each.
    QStringList routerMappings();

    QString m_noNamespace; // why the router tests cannot run here; empty when they can
    QTemporaryDir m_dir;
    bool m_networkUp = false;
};

// Skips a router test, saying why, where this process has no network namespace of its
// own: discovery is multicast, and must never reach a real network.
#define REQUIRE_OWN_NAMESPACE()                                                                    \
    do {                                                                                           \
        if (!m_noNamespace.isEmpty()) QSKIP(qPrintable(m_noNamespace));                            \
    } while (0)

// The misbehaving router is a Python script in place of the daemon.
#define REQUIRE_HOSTILE_ROUTER()                                                                   \
    do {                                                                                           \
        REQUIRE_OWN_NAMESPACE();                                                                   \
        if (!QFile::exists(QStringLiteral("/usr/bin/python3")))                                    \
            QSKIP("python3 is not installed; the misbehaving router is a Python script");          \
    } while (0)

void TestPortMap::initTestCase() {
    if (!qEnvironmentVariableIsSet(kInNamespace)) {
        m_noNamespace =
            QStringLiteral("no network namespace of its own (%1); the router tests need "
                           "root and unshare -n")
                .arg(qEnvironmentVariable(kNoNamespace, QStringLiteral("not tried")));
        return;
    }
    // A namespace we made holds nothing but its loopback until the test builds its network.
    const auto interfaces = QNetworkInterface::allInterfaces();
    if (interfaces.size() != 1 || !(interfaces[0].flags() & QNetworkInterface::IsLoopBack)) {
        m_noNamespace =
            QStringLiteral("the network namespace is not a fresh one: it already has interfaces");
        return;
    }
    if (!QFile::exists(QStringLiteral("/usr/sbin/miniupnpd")) ||
        QStandardPaths::findExecutable("upnpc").isEmpty())
        m_noNamespace = QStringLiteral("miniupnpd or upnpc is not installed (./dev installs both)");
}

void TestPortMap::cleanup() {
    if (!m_networkUp) return;
    QProcess::execute(QStringLiteral("sh"), {VIMBREL_HOME_NETWORK, "stop", m_dir.path()});
    m_networkUp = false;
}

bool TestPortMap::startNetwork(const char* mode) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QStringLiteral("sh"),
            {VIMBREL_HOME_NETWORK, "start", m_dir.path(), QString::fromLatin1(mode)});
    m_networkUp = true; // whatever got built is taken down again
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QStringList TestPortMap::routerMappings() {
    QProcess p;
    p.start(QStringLiteral("upnpc"), {"-u", kRouterUrl, "-l"});
    if (!p.waitForFinished(15000)) return {QStringLiteral("<upnpc did not finish>")};
    QStringList found;
    static const QRegularExpression line(
        QStringLiteral(R"(^\s*\d+\s+TCP\s+(\d+->[\d.]+:\d+\s+'[^']*'))"));
    for (const QString& l : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (const auto m = line.match(l); m.hasMatch()) found << m.captured(1).simplified();
    return found;
}

void TestPortMap::addressesFromARouter_data() {
    QTest::addColumn<QByteArray>("bytes"); // as the router's answer fills the buffer
    QTest::addColumn<QString>("expected"); // empty: not taken
    QTest::newRow("dotted quad") << QByteArray("203.0.113.7\0", 12) << "203.0.113.7";
    QTest::newRow("IPv6") << QByteArray("2001:db8::7\0", 12) << "2001:db8::7";
    QTest::newRow("empty") << QByteArray("\0", 1) << "";
    QTest::newRow("unterminated") << QByteArray("203.0.113.7") << "";
    QTest::newRow("markup") << QByteArray("<b>203.0.113.7</b>\0", 19) << "";
    QTest::newRow("trailing space") << QByteArray("203.0.113.7 \0", 13) << "";
    QTest::newRow("short form") << QByteArray("10.1\0", 5) << "";
    QTest::newRow("leading zero") << QByteArray("203.0.113.07\0", 13) << "";
    QTest::newRow("unspecified") << QByteArray("0.0.0.0\0", 8) << "";
    QTest::newRow("broadcast") << QByteArray("255.255.255.255\0", 16) << "";
    QTest::newRow("multicast") << QByteArray("239.255.255.250\0", 16) << "";
    QTest::newRow("scoped") << QByteArray("fe80::1%eth0\0", 13) << "";
    QTest::newRow("Latin-1 noise") << QByteArray("203.0.113.7\xA0\0", 13) << "";
    QTest::newRow("overlong") << (QByteArray(60, '1') + '\0') << "";
}

void TestPortMap::addressesFromARouter() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const QHostAddress a = portmap::addressFromRouter(bytes.constData(), std::size_t(bytes.size()));
    QCOMPARE(a.isNull() ? QString() : a.toString(), expected);
}

void TestPortMap::outsideAddressesBehindAnotherRouter_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("reachable");
    QTest::newRow("public") << "11.22.33.44" << true;
    QTest::newRow("just past 172.16/12") << "172.32.0.1" << true;
    QTest::newRow("public IPv6") << "2a00:1450::1" << true;
    QTest::newRow("10/8") << "10.0.0.138" << false;
    QTest::newRow("172.16/12") << "172.31.255.1" << false;
    QTest::newRow("192.168/16") << "192.168.1.1" << false;
    QTest::newRow("carrier-grade NAT") << "100.64.12.9" << false;
    QTest::newRow("link-local") << "169.254.3.4" << false;
    QTest::newRow("unique local IPv6") << "fd00::1" << false;
}

void TestPortMap::outsideAddressesBehindAnotherRouter() {
    QFETCH(QString, address);
    QFETCH(bool, reachable);
    QCOMPARE(portmap::reachableFromInternet(QHostAddress(address)), reachable);
}

void TestPortMap::findsItsHelperInTheBuildAndThePackage() {
    // The build folder: beside this program, as beside the game.
    const QString here = QCoreApplication::applicationDirPath();
    QCOMPARE(PortMapper::helperProgram({}, here),
             QFileInfo(here + QStringLiteral("/vimbrel-portmap")).canonicalFilePath());
    // The package's layout, unpacked anywhere: /usr/bin and /usr/libexec/vimbrel.
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("usr/bin")));
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("usr/libexec/vimbrel")));
    const QString installed = root.path() + QStringLiteral("/usr/libexec/vimbrel/vimbrel-portmap");
    QVERIFY(QFile::copy(here + QStringLiteral("/vimbrel-portmap"), installed));
    QCOMPARE(PortMapper::helperProgram({}, root.path() + QStringLiteral("/usr/bin")),
             QFileInfo(installed).canonicalFilePath());
    QCOMPARE(PortMapper::helperProgram({}, root.path()), QString());
}

void TestPortMap::mapsRenewsAndRemovesAtTheEnd() {
    REQUIRE_OWN_NAMESPACE();
    QVERIFY(startNetwork("allow"));
    PortMapper::Settings s = testSettings();
    s.leaseSeconds = 2; // renewed every second; the router drops it after two without
    auto* mapper = new PortMapper(s);
    QSignalSpy opened(mapper, &PortMapper::opened);
    QSignalSpy failed(mapper, &PortMapper::failed);
    mapper->open();
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, 10000);
    QCOMPARE(opened[0][0].value<QHostAddress>(), QHostAddress(QStringLiteral("11.22.33.44")));
    QVERIFY(mapper->isOpen());
    // Secure mode: the router forwards only to the computer that asked, so our own
    // LAN address went with the request.
    QCOMPARE(routerMappings(), QStringList{"7772->10.77.0.2:7772 'Vimbrel'"});
    mapper->open(); // held already: not asked again
    QTest::qWait(3500);
    QCOMPARE(routerMappings(), QStringList{"7772->10.77.0.2:7772 'Vimbrel'"});
    QCOMPARE(failed.size(), 0);
    QCOMPARE(opened.size(), 1);
    delete mapper; // the program's end
    QCOMPARE(routerMappings(), QStringList{});
}

void TestPortMap::closeRemovesAndOpenMapsAgain() {
    REQUIRE_OWN_NAMESPACE();
    QVERIFY(startNetwork("allow"));
    PortMapper mapper(testSettings());
    QSignalSpy opened(&mapper, &PortMapper::opened);
    QSignalSpy closed(&mapper, &PortMapper::closed);
    mapper.open();
    mapper.close(); // before the router answered: the answer is dropped, the mapping removed
    QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, 10000);
    QCOMPARE(opened.size(), 0);
    QVERIFY(!mapper.isOpen());
    QCOMPARE(routerMappings(), QStringList{});
    mapper.open();
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, 10000);
    QCOMPARE(routerMappings(), QStringList{"7772->10.77.0.2:7772 'Vimbrel'"});
    mapper.close();
    QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 2, 10000);
    QCOMPARE(routerMappings(), QStringList{});
}

void TestPortMap::noRouterAnswers() {
    REQUIRE_OWN_NAMESPACE();
    QVERIFY(startNetwork("none"));
    PortMapper mapper(testSettings());
    QSignalSpy opened(&mapper, &PortMapper::opened);
    QSignalSpy failed(&mapper, &PortMapper::failed);
    mapper.open();
    // The answer comes once discovery's wait is over, not after some longer timeout.
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, testSettings().discoverMs + 2000);
    QCOMPARE(failed[0][0].value<PortMapper::Failure>(), PortMapper::Failure::NoRouter);
    QCOMPARE(opened.size(), 0);
    QVERIFY(!mapper.isOpen());
}

void TestPortMap::routerRefuses() {
    REQUIRE_OWN_NAMESPACE();
    QVERIFY(startNetwork("deny"));
    PortMapper mapper(testSettings());
    QSignalSpy opened(&mapper, &PortMapper::opened);
    QSignalSpy failed(&mapper, &PortMapper::failed);
    mapper.open();
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 10000);
    QCOMPARE(failed[0][0].value<PortMapper::Failure>(), PortMapper::Failure::Refused);
    QVERIFY2(failed[0][1].toInt() > 0, "the router's own error code is kept");
    QCOMPARE(opened.size(), 0);
    QCOMPARE(routerMappings(), QStringList{});
}

void TestPortMap::hostileRouterIsCutOffInTime_data() {
    QTest::addColumn<QByteArray>("kind");
    // A description that never ends once grew this process to 4 GiB, and past that
    // crashed it; one that drips, or hundreds of devices that never answer, stalled it.
    QTest::newRow("endless description") << QByteArray("endless");
    QTest::newRow("dripping description") << QByteArray("drip");
    QTest::newRow("300 silent devices") << QByteArray("silent");
}

void TestPortMap::hostileRouterIsCutOffInTime() {
    QFETCH(QByteArray, kind);
    REQUIRE_HOSTILE_ROUTER();
    QVERIFY(startNetwork("hostile-" + kind));
    const PortMapper::Settings s = testSettings();
    PortMapper mapper(s);
    QSignalSpy opened(&mapper, &PortMapper::opened);
    QSignalSpy failed(&mapper, &PortMapper::failed);
    QElapsedTimer clock;
    clock.start();
    mapper.open();
    // Only catches a hang: the deadline itself is the mapper's.
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, s.answerMs + 10000);
    qInfo("%s: told after %lld ms; peak memory: this process %lld KiB, its helpers %ld KiB",
          kind.constData(), clock.elapsed(), peakMemoryKiB(), childrenPeakKiB());
    QCOMPARE(failed[0][0].value<PortMapper::Failure>(), PortMapper::Failure::NoAnswer);
    QCOMPARE(opened.size(), 0);
    QVERIFY2(peakMemoryKiB() < kMemoryBoundKiB, "what the router sent stayed out of this process");
}

void TestPortMap::refusalCodeOutOfRangeIsNoSuccess() {
    REQUIRE_HOSTILE_ROUTER();
    // 4294967296 read as an int is 0, which is success.
    QVERIFY(startNetwork("hostile-fault"));
    PortMapper mapper(testSettings());
    QSignalSpy opened(&mapper, &PortMapper::opened);
    QSignalSpy failed(&mapper, &PortMapper::failed);
    mapper.open();
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 15000);
    QCOMPARE(failed[0][0].value<PortMapper::Failure>(), PortMapper::Failure::Refused);
    QCOMPARE(failed[0][1].toInt(), portmap::kUnreadableCode);
    QCOMPARE(opened.size(), 0);
}

void TestPortMap::stalledRenewalIsCutOffInTime() {
    REQUIRE_HOSTILE_ROUTER();
    // This router maps once, then lets every later request drip: the renewal, the removal.
    QVERIFY(startNetwork("hostile-stall"));
    PortMapper::Settings s = testSettings();
    s.leaseSeconds = 2; // renewed after a second
    auto* mapper = new PortMapper(s);
    QSignalSpy opened(mapper, &PortMapper::opened);
    QSignalSpy failed(mapper, &PortMapper::failed);
    mapper->open();
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, 15000);
    QElapsedTimer clock;
    clock.start();
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, s.answerMs + 10000);
    qInfo("renewal: told after %lld ms from the mapping", clock.elapsed());
    QCOMPARE(failed[0][0].value<PortMapper::Failure>(), PortMapper::Failure::NoAnswer);
    QVERIFY(!mapper->isOpen());
    clock.restart();
    delete mapper; // the removal stalls too, and is given up at endWaitMs
    qInfo("removal: given up after %lld ms (endWaitMs %d)", clock.elapsed(), s.endWaitMs);
}

// Runs the tests inside a network namespace of their own when the machine allows one:
// this program starts again under `unshare -n`, and otherwise runs here, skipping the
// router tests with the reason.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet(kInNamespace) && !qEnvironmentVariableIsSet(kNoNamespace)) {
        QByteArray why;
        if (FILE* probe = popen("unshare -n true 2>&1", "r")) {
            char buffer[256];
            while (const size_t n = fread(buffer, 1, sizeof buffer, probe))
                why.append(buffer, qsizetype(n));
            if (pclose(probe) == 0)
                why.clear();
            else if (why.trimmed().isEmpty())
                why = "unshare -n failed";
        } else {
            why = "unshare could not be run";
        }
        char self[4096] = {};
        if (why.isEmpty() && readlink("/proc/self/exe", self, sizeof self - 1) > 0) {
            qputenv(kInNamespace, "1");
            std::vector<char*> args{const_cast<char*>("unshare"), const_cast<char*>("-n"),
                                    const_cast<char*>("--"), self};
            args.insert(args.end(), argv + 1, argv + argc);
            args.push_back(nullptr);
            execvp("unshare", args.data());
            qunsetenv(kInNamespace);
            why = "unshare could not be started";
        }
        qputenv(kNoNamespace, why.trimmed().isEmpty() ? QByteArray("unknown") : why.trimmed());
    }
    QCoreApplication app(argc, argv);
    TestPortMap test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_portmap.moc"
