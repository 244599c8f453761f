// The tally window and store: counting games, following and forgetting opponents,
// reset, restarts through the tally file, and the file's safety.
#include "paths/datafolder.h"
#include "tally/core/LZRW1KH.h"
#include "tally/core/stringgrid.h"
#include "tally/tallylistform.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray tallyText(const QString& path) {
    Tlzrw1 doit;
    doit.InputFile = path;
    return doit.Decompress(nullptr);
}

QListWidgetItem* findItem(QListWidget* list, const QString& name) {
    const auto found = list->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

} // namespace

class TestTally : public QObject {
    Q_OBJECT

    TallySeats m_seats{{"Me", "Klot", "Ann", "<Waiting>"}, 1};
    QStringList m_messages;
    QStringList m_questions;
    bool m_answer = true;

    std::unique_ptr<Ttallylist> open() {
        auto w =
            std::make_unique<Ttallylist>(nullptr, [this](const QString& m) { m_messages << m; });
        w->setSeatSource([this] { return m_seats; });
        w->setConfirm([this](const QString& q) {
            m_questions << q;
            return m_answer;
        });
        return w;
    }
    // The user ticks `name` in "Players In Current Game".
    void follow(Ttallylist& w, const QString& name) {
        w.loadchecklist();
        QListWidgetItem* item = findItem(w.checklist, name);
        QVERIFY(item);
        item->setCheckState(Qt::Checked);
    }
    // The user unticks `name` in "Players Being Tallied".
    void unfollow(Ttallylist& w, const QString& name) {
        QListWidgetItem* item = findItem(w.listbox_tally, name);
        QVERIFY(item);
        item->setCheckState(Qt::Unchecked);
    }
    QStringList row(const Ttallylist& w, const QString& name) {
        const int r = w.store().findRow(name);
        QStringList cells;
        for (int c = 0; r > 0 && c < 9; ++c)
            cells << w.store().stringgrid_scores.cell(c, r);
        return cells;
    }
    static QStringList counts(const QString& name, const QString& spaced) {
        return QStringList{name} + spaced.split(' ');
    }

private slots:
    void init() {
        QFile::remove(Ttallylist::tallyFilePath());
        QFile::remove(Ttallylist::tallyFilePath() + ".bad");
        m_seats = TallySeats{{"Me", "Klot", "Ann", "<Waiting>"}, 1};
        m_messages.clear();
        m_questions.clear();
        m_answer = true;
    }

    void fileLivesInTheDataFolder() {
        QCOMPARE(Ttallylist::tallyFilePath(), datafolder::dataFile("Vimbreltally.tld"));
        QVERIFY(Ttallylist::tallyFilePath().endsWith("/Vimbreltally.tld"));
        auto w = open();
        QCOMPARE(w->windowTitle(), QString("Vimbrel - Tally List"));
        w.reset();
        QVERIFY(QFile::exists(Ttallylist::tallyFilePath())); // saved when destroyed
    }

    void winAgainstTwoFollowed() {
        m_seats.names[3] = "Bob"; // at the table but not followed
        auto w = open();
        follow(*w, "Klot");
        follow(*w, "Ann");
        w->recordwinner("Me");
        QCOMPARE(w->mylabel(1)->text(), QString("1"));
        QCOMPARE(w->mylabel(2)->text(), QString("1"));
        QCOMPARE(row(*w, "Klot"), counts("Klot", "1 0 1 0 1 0 1 0"));
        QCOMPARE(row(*w, "Ann"), counts("Ann", "1 0 1 0 1 0 1 0"));
        QCOMPARE(w->store().findRow("Bob"), -1);
    }

    void lossCountsWinnerAndNeither() {
        auto w = open();
        follow(*w, "Klot");
        follow(*w, "Ann");
        w->recordwinner("Klot");
        QCOMPARE(w->mylabel(1)->text(), QString("1"));
        QCOMPARE(w->mylabel(2)->text(), QString("0"));
        QCOMPARE(row(*w, "Klot"), counts("Klot", "1 1 0 0 1 1 0 0"));
        QCOMPARE(row(*w, "Ann"), counts("Ann", "1 0 0 1 1 0 0 1"));
        // Selecting him shows his counters.
        w->listbox_tally->setCurrentRow(0);
        QCOMPARE(w->label_hisname->text(), QString("Klot Wins:"));
        QCOMPARE(w->label_hisnametop->text(), QString("Klot's Tally"));
        QCOMPARE(w->label(2)->text(), QString("1"));
        QCOMPARE(w->label(6)->text(), QString("1"));
        w->recordwinner("Me"); // the shown counters follow the next game
        QCOMPARE(w->label(1)->text(), QString("2"));
        QCOMPARE(w->label(3)->text(), QString("1"));
    }

    void sharedWinsAndSpectatorsCountNothing() {
        auto w = open();
        follow(*w, "Klot");
        w->recordwinner("Me and Klot");
        m_seats.ownSeat = 6;
        w->recordwinner("Klot");
        QCOMPARE(w->mylabel(1)->text(), QString("0"));
        QCOMPARE(row(*w, "Klot"), counts("Klot", "0 0 0 0 0 0 0 0"));
    }

    // Look-ups ignore letter case; who won is compared exactly.
    void namesIgnoreCaseExceptTheWinner() {
        auto w = open();
        follow(*w, "Klot");
        m_seats.names[1] = "KLOT";
        w->loadchecklist();
        QCOMPARE(w->checklist->item(0)->checkState(), Qt::Checked);
        w->addgame("KLOT");
        QCOMPARE(row(*w, "Klot"), counts("Klot", "1 0 0 1 1 0 0 1"));
        QCOMPARE(w->listbox_tally->count(), 1);
    }

    void followForgetFollowStartsAtZero() {
        auto w = open();
        follow(*w, "Klot");
        follow(*w, "Klot"); // already followed: nothing more
        QCOMPARE(w->listbox_tally->count(), 1);
        w->recordwinner("Klot");
        m_answer = false;
        unfollow(*w, "Klot");
        QCOMPARE(m_questions.last(),
                 QString("This will delete Klot's Tally, Are you want to delete it?"));
        QCOMPARE(findItem(w->listbox_tally, "Klot")->checkState(), Qt::Checked);
        QCOMPARE(row(*w, "Klot"), counts("Klot", "1 1 0 0 1 1 0 0"));
        m_answer = true;
        unfollow(*w, "Klot");
        QCOMPARE(w->listbox_tally->count(), 0);
        QCOMPARE(w->store().stringgrid_scores.rowCount(), 1);
        QCOMPARE(findItem(w->checklist, "Klot")->checkState(), Qt::Unchecked);
        follow(*w, "Klot");
        QCOMPARE(row(*w, "Klot"), counts("Klot", "0 0 0 0 0 0 0 0"));
        QCOMPARE(w->mylabel(1)->text(), QString("1")); // the own row is untouched
    }

    void forgettingMiddleRowKeepsOthersInStep() {
        m_seats.names[3] = "Bob";
        auto w = open();
        for (const char* name : {"Klot", "Ann", "Bob"})
            follow(*w, name);
        w->recordwinner("Bob");
        unfollow(*w, "Ann");
        QCOMPARE(w->store().opponent(1), QString("Klot"));
        QCOMPARE(w->store().opponent(2), QString("Bob"));
        QCOMPARE(w->listbox_tally->item(1)->text(), QString("Bob"));
        QCOMPARE(row(*w, "Bob"), counts("Bob", "1 1 0 0 1 1 0 0"));
    }

    void reset() {
        auto w = open();
        follow(*w, "Klot");
        w->recordwinner("Me");
        w->listbox_tally->setCurrentRow(0);
        m_answer = false;
        w->button_reset->click();
        QCOMPARE(m_questions.last(), QString("Are you sure you want to reset the Tally?"));
        QCOMPARE(w->listbox_tally->count(), 1);
        m_answer = true;
        QTest::mouseClick(w->button_reset, Qt::LeftButton);
        QCOMPARE(w->listbox_tally->count(), 0);
        const StringGrid& g = w->store().stringgrid_scores;
        QCOMPARE(g.rowCount(), 1);
        for (int c = 0; c < 9; ++c)
            QCOMPARE(g.cell(c, 0), QString("0"));
        for (int n = 1; n <= 8; ++n)
            QCOMPARE(w->label(n)->text(), QString("0"));
        QCOMPARE(w->mylabel(1)->text(), QString("0"));
        QCOMPARE(w->mylabel(2)->text(), QString("0"));
    }

    void restartKeepsTotalsAndZeroesSession() {
        {
            auto w = open();
            follow(*w, "Klot");
            w->recordwinner("Me");
            w->recordwinner("Klot");
        }
        auto w = open();
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(w->mylabel(1)->text(), QString("2"));
        QCOMPARE(w->mylabel(2)->text(), QString("1"));
        QCOMPARE(w->listbox_tally->count(), 1);
        QCOMPARE(w->listbox_tally->item(0)->checkState(), Qt::Checked);
        QCOMPARE(row(*w, "Klot"), counts("Klot", "2 1 1 0 0 0 0 0"));
        w->recordwinner("Ann"); // Ann is not followed; Klot counts "neither"
        QCOMPARE(row(*w, "Klot"), counts("Klot", "3 1 1 1 1 0 0 1"));
    }

    void savedText() {
        auto w = open();
        QVERIFY(w->save());
        const QByteArray empty = tallyText(Ttallylist::tallyFilePath());
        QCOMPARE(empty, QByteArray("9\r\n1\r\n") + QByteArray("0\r\n").repeated(9));
        QCOMPARE(empty.count("\r\n"), 11);
        follow(*w, "Klot");
        w->recordwinner("Me");
        QVERIFY(w->save());
        const QList<QByteArray> lines = tallyText(Ttallylist::tallyFilePath()).split('\n');
        QCOMPARE(lines.size(), 21); // 20 lines and the empty tail after the last CR LF
        QCOMPARE(lines.mid(0, 6), (QList<QByteArray>{"9\r", "2\r", "0\r", "Klot\r", "1\r", "1\r"}));
        QCOMPARE(lines.mid(6, 6), (QList<QByteArray>{"1\r", "0\r", "0\r", "1\r", "0\r", "0\r"}));
    }

    void gridText() {
        StringGrid g(3, 2);
        g.setCell(0, 1, QString::fromUtf8("Zoë"));
        g.setCell(2, 1, "line\r\nbreak");
        StringGrid back;
        QVERIFY(loadgrid(back, savegrid(g)));
        QCOMPARE(back.cell(0, 1), QString::fromUtf8("Zoë"));
        QCOMPARE(back.cell(2, 1), QString("linebreak")); // a cell stays one line
        QCOMPARE(back.colCount(), 3);
        QVERIFY(loadgrid(back, "1\n1\n\xE9t\xE9\n")); // LF alone; Latin-1 bytes
        QCOMPARE(back.cell(0, 0), QString::fromLatin1("\xE9t\xE9"));
        QString error;
        QVERIFY(!loadgrid(back, "9\r\nx\r\n", &error));
        QCOMPARE(error, QString("'x' is not a valid integer value"));
        QVERIFY(!loadgrid(back, "9\r\n2000000000\r\n0\r\n", &error)); // no wild allocation
        QCOMPARE(back.cell(0, 0), QString::fromLatin1("\xE9t\xE9"));  // untouched on failure
    }

    void badCounterIsReported() {
        StringGrid g(9, 2);
        for (int c = 0; c < 9; ++c)
            g.setCell(c, 0, "0"), g.setCell(c, 1, "0");
        g.setCell(0, 1, "Klot");
        g.setCell(1, 1, "lots");
        g.setCell(2, 1, ""); // empty counters count from 0
        Tlzrw1 doit;
        doit.OutputFile = Ttallylist::tallyFilePath();
        doit.Compress(savegrid(g));
        auto w = open();
        w->recordwinner("Klot");
        QCOMPARE(m_messages, QStringList{"'lots' is not a valid integer value"});
    }

    // The tally never goes through a scratch file in the working folder.
    void usersTempTxtSurvives() {
        QFile mine("temp.txt");
        QVERIFY(mine.open(QIODevice::WriteOnly));
        mine.write("my own notes");
        mine.close();
        {
            auto w = open();
            follow(*w, "Klot");
        }
        auto w = open();
        QVERIFY(w->save());
        QCOMPARE(readFile("temp.txt"), QByteArray("my own notes"));
    }

    void failedSaveKeepsOldFile() {
        auto w = open();
        follow(*w, "Klot");
        QVERIFY(w->save());
        const QByteArray before = readFile(Ttallylist::tallyFilePath());
        follow(*w, "Ann");
        // Let the file system refuse the write: files may not grow past 10 bytes.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit tight = old;
        tight.rlim_cur = 10;
        setrlimit(RLIMIT_FSIZE, &tight);
        const bool saved = w->save();
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!saved);
        QCOMPARE(readFile(Ttallylist::tallyFilePath()), before);
        const QDir folder = QFileInfo(Ttallylist::tallyFilePath()).dir();
        QCOMPARE(folder.entryList({"*tally*"}, QDir::Files | QDir::Hidden),
                 QStringList{"Vimbreltally.tld"});
    }

    void unreadableFileIsKeptAside() {
        const QString path = Ttallylist::tallyFilePath();
        QFile bad(path);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a tally at all");
        bad.close();
        {
            auto w = open();
            QTRY_COMPARE(m_messages.size(), 1);
            QVERIFY(m_messages[0].startsWith(
                path + " : Lzrw1 decompression : this file has no valid header !"));
            QVERIFY(m_messages[0].contains(QDir::toNativeSeparators(path + ".bad")));
            QCOMPARE(w->mylabel(1)->text(), QString("0"));
            QCOMPARE(w->listbox_tally->count(), 0);
            follow(*w, "Klot");
        }
        QCOMPARE(readFile(path + ".bad"), QByteArray("not a tally at all"));
        auto w = open(); // the run's tally was saved over the unreadable one
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(w->listbox_tally->count(), 1);
    }

    // The window is made at start-up: its constructor reads the file without running the
    // event loop, so a call queued before it is still waiting when it returns, and the
    // report of a bad file (an error box) comes from the event loop afterwards.
    void constructorRunsNoEventLoop() {
        {
            auto w = open();
            follow(*w, "Klot");
        }
        bool ran = false;
        QMetaObject::invokeMethod(
            this, [&ran] { ran = true; }, Qt::QueuedConnection);
        auto w = open();
        QVERIFY(!ran);
        QCOMPARE(w->listbox_tally->count(), 1);
        QTRY_VERIFY(ran);

        w.reset();
        QFile bad(Ttallylist::tallyFilePath());
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a tally at all");
        bad.close();
        w = open();
        QVERIFY(m_messages.isEmpty());
        QTRY_COMPARE(m_messages.size(), 1);
    }

    void doneHidesAndLooks() {
        auto w = open();
        follow(*w, "Klot");
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QString shots = qEnvironmentVariable("VIMBREL_SCREENSHOT_DIR");
        if (!shots.isEmpty()) w->grab().save(QDir(shots).filePath("tally.png"));
        QTest::mouseClick(w->button_done, Qt::LeftButton);
        QVERIFY(!w->isVisible());
    }
};

QTEST_MAIN(TestTally)
#include "tst_tally.moc"
