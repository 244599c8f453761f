// The table window's extras: keys reach the board only when the chat does not hold
// them, the turn alert asks for attention only when it should, and the File menu's
// network starts run the program again and close this copy.
#include "client/board/board.h"
#include "client/chatform.h"
#include "client/chatpanel.h"
#include "client/netdialog.h"
#include "common/tablesendrecorder.h"
#include "protocol/clientlink.h"
#include "settings/inifile.h"
#include "table/rejointoken.h"
#include "widgets/hoverbutton.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTextBlock>
#include <QtTest>

namespace {

const QString kFirstRoll = QStringLiteral(
    "CMD_createdice+1+1+1+3+1+2+0+2+3+1+3+4+3+4+5+9+1+6+5+2+7+7+3+8+10+4+9+5+1+10+6+2");

// Pictures of what the player sees, to look at after a run.
void saveShot(QWidget* window, const QString& name) {
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QDir().mkpath(QStringLiteral(VIMBREL_SCREENSHOT_DIR));
    QVERIFY(window->grab().save(QStringLiteral(VIMBREL_SCREENSHOT_DIR "/") + name));
}

struct Start {
    QString program;
    QStringList arguments;
};

} // namespace

class TestTableExtras : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void chatKeepsItsKeys();
    void turnAlertOnlyForOwnTurnWhenInactive();
    void menuStartsAnotherCopyAndCloses_data();
    void menuStartsAnotherCopyAndCloses();
    void rejoinNeverThrowsAGameAway();

private:
    void deliver(const QString& message);
    void showActive(QWidget* w);
    NetDialog* openDialog(const QString& action);

    Tchat* m_table = nullptr;
    TableSendRecorder m_link;
    QList<Start> m_starts;
    bool m_startWorks = true;
    int m_alerts = 0;
};

void TestTableExtras::init() {
    m_link = TableSendRecorder();
    m_starts.clear();
    m_startWorks = true;
    m_alerts = 0;
    m_table = new Tchat(m_link);
    m_table->setMessageSink([](const QString&) {});
    m_table->setAlertAction([this](QWidget* w) {
        QCOMPARE(w, m_table);
        ++m_alerts;
    });
    Tchat::Hooks hooks;
    hooks.startProgram = [this](const QString& program, const QStringList& args) {
        m_starts.append({program, args});
        return m_startWorks;
    };
    m_table->setHooks(hooks);
    // Shown with two parameters: the table waits unconnected, as a lobby start would.
    m_table->setArguments({QStringLiteral("Ann"), QStringLiteral("10.0.0.5")});
}

void TestTableExtras::cleanup() {
    QFile::remove(m_table->settingsPath());
    delete m_table;
}

void TestTableExtras::deliver(const QString& message) {
    m_table->received(message);
    while (m_table->queue().pending())
        m_table->queue().tick();
}

void TestTableExtras::showActive(QWidget* w) {
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}

void TestTableExtras::chatKeepsItsKeys() {
    showActive(m_table);
    deliver(QStringLiteral("CMD_sendlogininfo+1"));
    deliver(QStringLiteral("CMD_newplayerinfo+1+Ann"));
    deliver(kFirstRoll);
    m_link.sent.clear();
    Board* board = m_table->board();
    QLineEdit* chat = m_table->mychat();
    QCOMPARE(QApplication::focusWidget(), chat); // the window opens ready for typing

    QTest::keyClicks(chat, QStringLiteral("1 rsd0"));
    QTest::keyClick(chat, Qt::Key_Return);
    QCOMPARE(m_link.sent.size(), 1);
    QVERIFY(m_link.sent[0].startsWith("CMD_chat+1+1 rsd0|"));
    for (int n = 1; n <= 10; ++n)
        QVERIFY(!board->trayDie(n).held);
    QCOMPARE(board->displayOrder()[0], 1);

    // The read-only panel passes keys it does not use up to the board: still no play.
    m_table->mainchat()->setFocus();
    QTest::keyClicks(m_table->mainchat(), QStringLiteral("1sd"));
    QVERIFY(!board->trayDie(1).held);
    QCOMPARE(m_link.sent.size(), 1);

    // A click on a die hands the board the keys.
    QTest::mouseClick(board->findChild<QWidget*>(QStringLiteral("image_d3")), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), board);
    QTest::keyClick(board, Qt::Key_1);
    QVERIFY(board->trayDie(1).held && board->trayDie(3).held);
    saveShot(m_table, QStringLiteral("table-keys.png"));
    // Ctrl+S stays Scroll Chat Off and does not sort.
    QAction* scrollOff = m_table->action(QStringLiteral("ScrollChatOff1"));
    QTest::keyClick(board, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(scrollOff->isChecked());
    QCOMPARE(board->displayOrder()[0], 1);
    QTest::keyClick(board, Qt::Key_S);
    QCOMPARE(board->displayOrder()[0], 2);
    QTest::keyClick(board, Qt::Key_Return);
    QCOMPARE(m_link.sent.last(), QByteArray("CMD_alldone+1+1+3\xFF"));
}

void TestTableExtras::turnAlertOnlyForOwnTurnWhenInactive() {
    showActive(m_table);
    deliver(QStringLiteral("CMD_sendlogininfo+2"));
    deliver(QStringLiteral("CMD_newplayerinfo+2+Ann"));
    deliver(QStringLiteral("CMD_nextplayer+2+1+1+"));
    QCOMPARE(m_alerts, 0); // our turn, but we are looking at the table

    QWidget elsewhere;
    showActive(&elsewhere);
    QVERIFY(!m_table->isActiveWindow());
    deliver(QStringLiteral("CMD_nextplayer+1+1+1+"));
    deliver(QStringLiteral("CMD_nextplayer+3+1+1+"));
    QCOMPARE(m_alerts, 0);
    deliver(QStringLiteral("CMD_nextplayer+2+1+2+"));
    QCOMPARE(m_alerts, 1);
    // Joining in the middle of our own turn counts as its start too.
    deliver(QStringLiteral("CMD_loadstats+2+2+1+2+1+0+0+0+0+1+3+1"));
    QCOMPARE(m_alerts, 2);
    deliver(QStringLiteral("CMD_loadstats+2+1+1+2+1+0+0+0+0+1+3+1"));
    QCOMPARE(m_alerts, 2);
}

NetDialog* TestTableExtras::openDialog(const QString& action) {
    QAction* item = m_table->action(action);
    if (!item) return nullptr;
    item->trigger();
    return m_table->findChild<NetDialog*>();
}

void TestTableExtras::menuStartsAnotherCopyAndCloses_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("host") << "HostGame1" << QString::fromUtf8("Host a Network Game…") << QString()
                          << QStringList{"Ann", "127.0.0.1", "true"};
    QTest::newRow("join") << "JoinGame1" << QString::fromUtf8("Join a Network Game…")
                          << QStringLiteral("game.example.org")
                          << QStringList{"Ann", "game.example.org", "join"};
}

void TestTableExtras::menuStartsAnotherCopyAndCloses() {
    QFETCH(QString, action);
    QFETCH(QString, caption);
    QFETCH(QString, address);
    QFETCH(QStringList, expected);
    showActive(m_table);
    QCOMPARE(m_table->action(action)->text(), caption);
    QSignalSpy closed(m_table, &Tchat::tableClosed);
    NetDialog* dialog = openDialog(action);
    QVERIFY(dialog);
    QCOMPARE(dialog->nameBox()->text(), QStringLiteral("Ann")); // the name this table plays under
    if (dialog->addressBox()) dialog->addressBox()->setText(address);
    saveShot(dialog,
             QStringLiteral("netdialog-%1.png").arg(QLatin1String(QTest::currentDataTag())));
    // A copy that fails to start leaves this table playing, with a word why.
    m_startWorks = false;
    QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
    QVERIFY(dialog->problemLabel()->isVisible());
    saveShot(dialog, QStringLiteral("netdialog-problem.png"));
    QTest::qWait(50);
    QCOMPARE(closed.count(), 0);
    QVERIFY(m_table->isVisible());
    m_startWorks = true;
    QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
    QCOMPARE(m_starts.size(), 2);
    QCOMPARE(m_starts[1].program, QCoreApplication::applicationFilePath());
    QCOMPARE(m_starts[1].arguments, expected);
    QTRY_COMPARE(closed.count(), 1);
    QVERIFY(!m_table->isVisible());
}

// "Rejoin Last Game" over a game open here: nothing without a kept seat, a question
// first, and no leaving for a host that is gone.
void TestTableExtras::rejoinNeverThrowsAGameAway() {
    showActive(m_table);
    deliver(QStringLiteral("CMD_sendlogininfo+1"));
    deliver(QStringLiteral("CMD_newplayerinfo+1+Ann"));
    QStringList questions;
    bool answer = false;
    Tchat::Hooks hooks;
    hooks.startProgram = [this](const QString& program, const QStringList& args) {
        m_starts.append({program, args});
        return true;
    };
    hooks.confirm = [&](const QString& q) {
        questions << q;
        return answer;
    };
    m_table->setHooks(hooks);
    QSignalSpy closed(m_table, &Tchat::tableClosed);
    auto lastLine = [this] { return m_table->mainchat()->document()->lastBlock().text(); };

    m_table->RejoinGame1Click();
    QCOMPARE(lastLine(),
             QStringLiteral("There is no game to rejoin: no host has kept a seat for you."));
    QVERIFY(questions.isEmpty());

    QTcpServer host;
    QVERIFY(host.listen(QHostAddress::LocalHost, 0));
    const QString where = QStringLiteral("127.0.0.1:%1").arg(host.serverPort());
    QVERIFY(
        RejoinToken(m_table->settingsPath(), TableSession::section())
            .save(QStringLiteral("0a1f"), where, QStringLiteral("7772"), QStringLiteral("Ann")));
    m_table->RejoinGame1Click(); // the player says no
    QCOMPARE(questions.size(), 1);
    QVERIFY2(questions[0].contains(where), qPrintable(questions[0]));

    answer = true;
    host.close(); // the last host is gone
    m_table->RejoinGame1Click();
    QTRY_VERIFY(lastLine().contains(QLatin1String("does not answer")));
    QVERIFY(lastLine().contains(where));

    QVERIFY(host.listen(QHostAddress::LocalHost, quint16(where.section(u':', 1).toUInt())));
    m_table->RejoinGame1Click();
    QTRY_COMPARE(m_starts.size(), 1);
    QCOMPARE(m_starts[0].arguments, (QStringList{"Ann", where, "join"}));
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(questions.size(), 3);
    // Until then this game was never left.
    QCOMPARE(m_starts.size(), 1);
}

QTEST_MAIN(TestTableExtras)
#include "tst_tableextras.moc"
