// A player's table drops out of a running game and a new copy joins the same host:
// it presents the secret it kept in its settings and is back in its seat.
#include "client/board/board.h"
#include "client/chatpanel.h"
#include "game/loopbacktable.h"
#include "soak/loopbackhost.h"

#include <QAction>
#include <QLabel>
#include <QtTest>

class TestRejoin : public QObject {
    Q_OBJECT
private slots:
    void droppedTableComesBackToItsSeat();
};

void TestRejoin::droppedTableComesBackToItsSeat() {
    LoopbackHost host;
    host.server.queue().timer().setInterval(0);
    const QString port = QString::number(host.port());
    auto table = [&] {
        auto t = std::make_unique<LoopbackTable>(port, QStringList{"Bob", "127.0.0.1", "join"});
        Tchat::Hooks hooks;
        hooks.listen = [] {};
        t->window.setHooks(hooks);
        t->window.setGamePort(quint16(port.toUInt()));
        t->window.show();
        return t;
    };
    WireClient ann(host.port());
    QVERIFY(runUntil([&] { return ann.record == 1; }));
    ann.send("CMD_logininfo+1+1.0.7+Ann");
    auto bob = table();
    QTRY_COMPARE(bob->window.state().ownSeat, 2);
    ann.send("CMD_botspeed+1+1000+");
    ann.send("CMD_startgame+Ann+0+0+f+");
    ann.send("CMD_alldone+1+none");
    QVERIFY(runUntil([&] { return host.server.record(2).phase == 1 && host.server.timer1().isActive(); }));
    QTRY_VERIFY(bob->window.action("RejoinGame1")->isEnabled()); // the secret is kept

    bob.reset(); // the window goes with its connection
    QVERIFY(runUntil([&] { return ann.count("CMD_seatheld+2+Bob") == 1; }));
    QVERIFY(host.server.record(2).held);

    auto back = table();
    QTRY_VERIFY_WITH_TIMEOUT(host.server.record(2).connected, 5000);
    QTRY_COMPARE(back->window.state().ownSeat, 2);
    QVERIFY(!host.server.record(2).held);
    QVERIFY(!host.server.record(3).connected);
    QCOMPARE(back->board()->playerName(2), QStringLiteral("Bob"));
    QTRY_VERIFY(back->window.mainchat()->toPlainText().contains("Welcome back"));
    QCOMPARE(ann.count("CMD_newplayerinfo+2+Bob"), 2);
}

QTEST_MAIN(TestRejoin)
#include "tst_rejoin.moc"
