// Players whose names try to be markup join a real host on loopback. Every copy at
// the table, and the tally window, must show each name exactly as typed and never
// open a file because of one.
#include "client/board/board.h"
#include "client/chatpanel.h"
#include "game/loopbacktable.h"
#include "protocol/requests.h"
#include "soak/loopbackhost.h"
#include "tally/tallylistform.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A FIFO that notices being opened for reading: a writer waits in open() until some
// reader comes, so a label that loads "<img src=FIFO>" sets `opened`.
class TripwireFifo {
public:
    explicit TripwireFifo(const QString& path) : m_path(QFile::encodeName(path)) {
        ::mkfifo(m_path.constData(), 0600);
        // Every open for reading is let through, so a program that reads it does not hang.
        m_writer = std::thread([this] {
            while (!m_released) {
                const int fd = ::open(m_path.constData(), O_WRONLY);
                if (fd >= 0) ::close(fd);
                if (!m_released) m_opened = true;
            }
        });
    }
    ~TripwireFifo() {
        m_released = true;
        const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK); // lets the writer go
        m_writer.join();
        if (fd >= 0) ::close(fd);
        ::unlink(m_path.constData());
    }
    bool opened() const { return m_opened; }

private:
    QByteArray m_path;
    std::atomic<bool> m_opened{false};
    std::atomic<bool> m_released{false};
    std::thread m_writer;
};

QStringList labelsShowing(QWidget* root, const QString& text) {
    QStringList names;
    for (const QLabel* l : root->findChildren<QLabel*>())
        if (l->text().contains(text)) names << l->objectName();
    return names;
}

// Every label of a window that can show received text is plain text, and painting the
// whole window (as showing it does) works.
void checkPlainAndPaint(QWidget* root) {
    for (const QLabel* l : root->findChildren<QLabel*>())
        QVERIFY2(l->textFormat() == Qt::PlainText, qPrintable(l->objectName() + " reads markup"));
    QVERIFY(!root->grab().isNull());
}

} // namespace

class TestHostileNames : public QObject {
    Q_OBJECT
private slots:
    void namesShowAsTypedEverywhere();
};

void TestHostileNames::namesShowAsTypedEverywhere() {
    // A short path, so the markup fits within the longest name the host keeps.
    QTemporaryDir dir(QStringLiteral("/tmp/vXXXXXX"));
    TripwireFifo fifo(dir.filePath(QStringLiteral("p")));
    const QString bold = QStringLiteral("<b>Ann</b>");
    const QString img = QStringLiteral("<img src=%1>").arg(dir.filePath(QStringLiteral("p")));
    QCOMPARE(img.size(), wire::kMaxNameLength);
    const QString entity = QStringLiteral("&amp;Cid&lt;");
    const QString rtl = QStringLiteral("\u202EnaD\u200F");
    // Longer than any name the host keeps: it is cut, never read as markup.
    const QString spy = QStringLiteral("<u>Eve</u>") + QString(120, u'x');
    const QString spyKept = spy.left(wire::kMaxNameLength);

    LoopbackHost host;
    host.server.queue().timer().setInterval(0);
    const QString port = QString::number(host.port());
    LoopbackTable ann(port, {bold, "127.0.0.1", "true"});
    ann.window.show();
    QTRY_COMPARE(ann.window.state().ownSeat, 1);
    LoopbackTable bob(port, {img, "127.0.0.1", "join"});
    bob.window.show();
    QTRY_COMPARE(bob.window.state().ownSeat, 2);
    WireClient cid(host.port()), dan(host.port());
    QVERIFY(runUntil([&] { return cid.record == 3 && dan.record == 4; }));
    cid.send("CMD_logininfo+3+1.0.7+" + entity.toUtf8());
    dan.send("CMD_logininfo+4+1.0.7+" + rtl.toUtf8());
    WireClient eve(host.port());
    QVERIFY(runUntil([&] { return eve.record == 5; }));
    eve.send("CMD_logininfo+5+1.0.7+" + spy.toUtf8());
    for (LoopbackTable* t : {&ann, &bob}) {
        QTRY_COMPARE(t->board()->playerName(4), rtl);
        QTRY_VERIFY(t->window.mainchat()->toPlainText().contains(spyKept + " is spying."));
    }

    QTest::mouseClick(ann.find<QAbstractButton>("button_start"), Qt::LeftButton);
    QTRY_VERIFY(host.server.gameon());
    QTRY_COMPARE(bob.find<QLabel>("label_status")->text(), bold + "'s turn");
    // A round field that is not a number, and a winner text made of two names.
    const QString winner = img + " and " + bold;
    for (LoopbackTable* t : {&ann, &bob}) {
        t->window.received("CMD_nextplayer+2+1+<i>7</i>");
        QTRY_COMPARE(t->find<QLabel>("label_round")->text(), QStringLiteral("Round: <i>7</i>"));
    }
    QTRY_COMPARE(ann.find<QLabel>("label_phase")->text(), img + " is trying to get: Two Sets of 3");
    QCOMPARE(ann.find<QLabel>("label_status")->text(), img + "'s turn");
    for (LoopbackTable* t : {&ann, &bob}) t->window.received("CMD_winner+" + winner);
    QTRY_COMPARE(ann.find<QLabel>("label_winner")->text(), winner + " has Won the Game!");

    const std::array<QString, 4> names = {bold, img, entity, rtl};
    for (LoopbackTable* t : {&ann, &bob}) {
        for (int seat = 1; seat <= 4; ++seat)
            QCOMPARE(t->find<QLabel>(QStringLiteral("label_playername%1").arg(seat))->text(), names[seat - 1]);
        QVERIFY(t->window.mainchat()->toPlainText().contains(bold + " has started a game."));
        checkPlainAndPaint(&t->window);
    }
    QCOMPARE(labelsShowing(&bob.window, img), QStringList({"label_playername2", "label_winner"}));

    // The tally follows the hostile opponents; its headings and its question show them as typed.
    Ttallylist tally;
    tally.setSeatSource([&] {
        TallySeats seats;
        for (int s = 1; s <= 4; ++s) seats.names[s - 1] = ann.board()->playerName(s);
        seats.ownSeat = 1;
        return seats;
    });
    tally.loadchecklist();
    QCOMPARE(tally.checklist->count(), 3);
    for (int i = 0; i < tally.checklist->count(); ++i) {
        QCOMPARE(tally.checklist->item(i)->text(), names[i + 1]);
        tally.checklist->item(i)->setCheckState(Qt::Checked);
    }
    tally.listbox_tally->setCurrentRow(0);
    tally.listbox_tallyClick();
    QCOMPARE(tally.label_hisname->text(), img + " Wins:");
    QCOMPARE(tally.label_hisnametop->text(), img + "'s Tally");
    tally.show();
    checkPlainAndPaint(&tally);
    QString asked;
    Qt::TextFormat askedFormat = Qt::AutoText;
    QTimer::singleShot(0, &tally, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        asked = box->text();
        askedFormat = box->textFormat();
        box->grab();
        box->button(QMessageBox::No)->click();
    });
    tally.listbox_tally->item(0)->setCheckState(Qt::Unchecked);
    QCOMPARE(asked, "This will delete " + img + "'s Tally, Are you want to delete it?");
    QCOMPARE(askedFormat, Qt::PlainText);
    QCOMPARE(tally.listbox_tally->count(), 3);

    QVERIFY2(!fifo.opened(), "a name made the program open a file");
    QVERIFY(host.errors.isEmpty());
}

QTEST_MAIN(TestHostileNames)
#include "tst_hostilenames.moc"
