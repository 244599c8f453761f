// The tally file survives the program being killed in the middle of a save: after
// every SIGKILL it is the file of the last save that finished or of the one that was
// under way, whole, never missing and never damaged.
#include "tally/tallystore.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <random>
#include <thread>

namespace {

constexpr int kRounds = 60;

// The last "saved N" the helper printed, or `fallback`.
int lastSaved(const QByteArray& output, int fallback) {
    int last = fallback;
    for (const QByteArray& line : output.split('\n'))
        if (line.startsWith("saved ")) last = line.mid(6).toInt();
    return last;
}

} // namespace

class TestTallyKill : public QObject {
    Q_OBJECT
private slots:
    void killedSavesLeaveAWholeFile();
};

void TestTallyKill::killedSavesLeaveAWholeFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vimbreltally.tld"));
    std::mt19937 random(20240607);
    int finished = 0; // the count in the last save known to have finished
    int caughtMidSave = 0;
    for (int round = 0; round < kRounds; ++round) {
        QProcess saver;
        saver.start(QStringLiteral(TALLY_SAVER), {path});
        QVERIFY(saver.waitForStarted());
        if (round == 0) {
            // The first file must exist before "never missing" means anything.
            QVERIFY(saver.waitForReadyRead(10000));
        }
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution<int>(1, 60)(random)));
        saver.kill();
        QVERIFY(saver.waitForFinished(10000));
        finished = lastSaved(saver.readAllStandardOutput(), finished);

        TallyStore store;
        const TallyStore::LoadResult loaded = store.load(path);
        QVERIFY2(loaded.status == TallyStore::LoadStatus::Loaded, qPrintable(loaded.error));
        const int games = store.stringgrid_scores.cell(tallycol::kGames, 0).toInt();
        QVERIFY2(
            games == finished || games == finished + 1,
            qPrintable(
                QStringLiteral("file has %1, last finished save %2").arg(games).arg(finished)));
        caughtMidSave += games == finished + 1 ? 1 : 0;
        finished = games;
    }
    const QStringList left = QDir(dir.path()).entryList(QDir::Files);
    qInfo("tally kill: %d kills, %d saves finished in all, %d renamed before the kill "
          "was seen; files left: %s",
          kRounds, finished, caughtMidSave, qPrintable(left.join(QStringLiteral(", "))));
    QVERIFY(!left.contains(QStringLiteral("Vimbreltally.tld.bad")));
}

QTEST_GUILESS_MAIN(TestTallyKill)
#include "tst_tallykill.moc"
