// The benchmarks' hold on the system: the ports they pick, the processes they start
// and stop, the private folders of the desktop program and the /proc figures.
#include "benchproc.h"

#include <QTest>

class TestBenchProc : public QObject {
    Q_OBJECT
private slots:
    void freePortIsFreeAndNeverTheGamePort();
    void connectsOnlyToAListeningPort();
    void spawnedProgramGetsItsEnvironmentAndStopsGracefully();
    void programThatIgnoresTermIsKilled();
    void privateHomeIsPrivateAndGoesAway();
    void procFiguresOfALiveProcess();
};

void TestBenchProc::freePortIsFreeAndNeverTheGamePort() {
    for (int i = 0; i < 20; ++i) {
        const unsigned short port = bench::freePort();
        QVERIFY(port != 0 && port != 7772);
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a = bench::loopback(port);
        QCOMPARE(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        close(fd);
    }
}

void TestBenchProc::connectsOnlyToAListeningPort() {
    const unsigned short port = bench::freePort();
    const long long before = bench::nowNs();
    QCOMPARE(bench::connectWhenListening(port, 50), -1);
    QVERIFY(bench::nowNs() - before >= 50'000'000LL); // it kept trying for the whole wait

    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = bench::loopback(port);
    QCOMPARE(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    QCOMPARE(listen(listener, 4), 0);
    const int client = bench::connectWhenListening(port, 1000);
    QVERIFY(client >= 0);
    const int server = accept(listener, nullptr, nullptr);
    QVERIFY(server >= 0);
    const std::string line = bench::send::chat(5, "hello");
    QVERIFY(bench::writeAll(client, line));
    char buffer[64] = {};
    QCOMPARE(read(server, buffer, sizeof buffer), ssize_t(line.size()));
    QCOMPARE(std::string(buffer), std::string("CMD_chat+5+hello|clBlack\xff"));
    close(server);
    close(client);
    close(listener);
}

void TestBenchProc::spawnedProgramGetsItsEnvironmentAndStopsGracefully() {
    // Exits on SIGTERM with the status it was given in its environment.
    const pid_t pid = bench::spawn({"/bin/sh", "-c", "trap 'exit $BENCH_STATUS' TERM; while :; do sleep 0.01; done"},
                                   {{"BENCH_STATUS", "3"}});
    QVERIFY(pid > 0);
    bench::sleepMs(50); // let the shell set its trap
    QCOMPARE(bench::stop(pid), 3);
}

void TestBenchProc::programThatIgnoresTermIsKilled() {
    const pid_t pid = bench::spawn({"/bin/sh", "-c", "trap '' TERM; while :; do sleep 0.01; done"});
    QVERIFY(pid > 0);
    bench::sleepMs(50);
    QCOMPARE(bench::stop(pid, 200), 128 + SIGKILL);
    QCOMPARE(bench::spawn({"/nonexistent/program"}), pid_t(-1));
}

void TestBenchProc::privateHomeIsPrivateAndGoesAway() {
    std::string root;
    {
        bench::PrivateHome home;
        std::map<std::string, std::string> env;
        for (const auto& [key, value] : home.environment(40001))
            env[key] = value;
        QCOMPARE(env.at("VIMBREL_PORT"), std::string("40001"));
        QCOMPARE(env.at("VIMBREL_LOBBY_PORT"), std::string("1"));
        QCOMPARE(env.at("QT_QPA_PLATFORM"), std::string("offscreen"));
        const std::string run = env.at("XDG_RUNTIME_DIR");
        root = std::filesystem::path(run).parent_path();
        QVERIFY(std::filesystem::is_directory(env.at("HOME")));
        QVERIFY(std::filesystem::is_directory(env.at("VIMBREL_PROGRAM_DIR")));
        QCOMPARE(std::filesystem::status(run).permissions(), std::filesystem::perms::owner_all);
    }
    QVERIFY(!root.empty());
    QVERIFY(!std::filesystem::exists(root));
}

void TestBenchProc::procFiguresOfALiveProcess() {
    QVERIFY(bench::processTicks(getpid()) >= 0);
    QVERIFY(bench::processRssKb(getpid()) > 0);
    QCOMPARE(bench::processTicks(-5), -1LL);
    QVERIFY(bench::raiseOpenFiles() >= 1024);
}

QTEST_GUILESS_MAIN(TestBenchProc)
#include "tst_benchproc.moc"
