// The lobby program against a real lobby server (ejabberd through the project's runner)
// in a network namespace this test creates for itself. The test plays the bot's part
// (the account lobbybot, nick Lobby, owner of the room), so what the program sends and
// shows is checked exactly: a guest signs in, sees the tables and chat as text and the
// ratings the bot tells, hosts a table at home that is announced, seated and withdrawn,
// and joins a listed table. With the real bot, the administrator mutes and bans from the
// lobby's Online list.
#include "common/freeport.h"
#include "lobbyproto/tables.h"
#include "version/version.h"
#include "xmpp/client.h"
#include "xmpp/room.h"
#include "zumveklobby/bestplayers.h"
#include "zumveklobby/lobbyapp.h"
#include "zumveklobby/lobbywindow.h"
#include "zumveklobby/signindialog.h"
#include "zumveklobby/tableview.h"

#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <sched.h>
#include <signal.h>

namespace {

const QString kDomain = QStringLiteral("lobby.localhost");
const QString kNs = QString::fromLatin1(lobby::kNs);

// Set before QApplication exists: every thread after it lives in the new namespace.
QString g_netnsProblem;

void enterOwnNetns() {
    if (::unshare(CLONE_NEWNET) != 0) {
        g_netnsProblem = QStringLiteral("cannot create a network namespace (needs root)");
        return;
    }
    if (QProcess::execute(QStringLiteral("ip"), {"link", "set", "lo", "up"}) != 0)
        g_netnsProblem = QStringLiteral("cannot bring up loopback in the new namespace");
}

// The lobby server's runner; stopped by SIGTERM (it stops ejabberd and epmd by PID).
struct Server {
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/vimbrel-lobby-XXXXXX")};
    QProcess process;
    bool start(const QStringList& extra = {}) {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadOther | QFile::ExeOther);
        process.start(QStringLiteral(VIMBREL_SOURCE_DIR "/server/vimbrel-lobby-server"),
                      QStringList{"--dir", dir.path(), "--domain", kDomain} + extra);
        if (!process.waitForStarted(10000)) return false;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 90000 && process.state() == QProcess::Running) {
            if (process.canReadLine() && process.readLine().startsWith("READY ")) return true;
            process.waitForReadyRead(200);
        }
        qWarning("%s", process.readAllStandardError().constData());
        return false;
    }
    QString password(const QString& account) const {
        QFile f(dir.filePath(account + QStringLiteral(".password")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
    }
    ~Server() {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(60000)) process.kill();
    }
};

// The test's stand-in for the bot: answers the list request and records what arrives.
struct Bot {
    xmpp::Client client;
    xmpp::Room* room = nullptr;
    QList<lobby::Element> sets; // iq set payloads from the lobby programs
    QList<lobby::Table> listed;
    bool listAsked = false;
    quint16 serverTablePort = 0;
    int ratingsAsked = 0;
    std::optional<lobby::Ratings> ratings; // none: answers as a bot that does not rate

    explicit Bot(const QString& password) {
        QObject::connect(&client, &xmpp::Client::stanza, &client, [this](const lobby::Element& s) {
            if (s.name != QLatin1String("iq")) return;
            if (s.attr("type") == QLatin1String("get") && s.child("tables", kNs)) {
                listAsked = true;
                lobby::Change full;
                full.seq = 1;
                full.full = true;
                full.tables = listed;
                client.replyResult(s, lobby::changeElement(full));
            } else if (s.attr("type") == QLatin1String("get") && s.child("ratings", kNs)) {
                ++ratingsAsked;
                if (ratings)
                    client.replyResult(s, lobby::ratingsElement(*ratings));
                else
                    client.replyError(s, QStringLiteral("cancel"),
                                      QStringLiteral("service-unavailable"),
                                      QStringLiteral("no ratings here"));
            } else if (s.attr("type") == QLatin1String("set") && !s.children.isEmpty()) {
                sets << s.children.first();
                // A table on the server: the one test host stands for the bot's pool.
                if (s.children.first().name == QLatin1String("servertable"))
                    client.replyResult(s, lobby::make("servertable", kNs)
                                              .set("key", "t1")
                                              .set("address", "127.0.0.1")
                                              .set("port", QString::number(serverTablePort)));
                else
                    client.replyResult(s);
            }
        });
        xmpp::Account a;
        a.jid = QStringLiteral("lobbybot@") + kDomain;
        a.password = password;
        a.host = QStringLiteral("127.0.0.1");
        a.resource = QStringLiteral("bot");
        client.connectTo(a);
        room = new xmpp::Room(&client, lobby::roomJid(kDomain, vimbrel::kProtocolVersion),
                              QStringLiteral("Lobby"), &client);
        QObject::connect(&client, &xmpp::Client::online, room, [this] { room->join(); });
    }
    void change(quint64 seq, const QList<lobby::Table>& tables, const QStringList& gone = {}) {
        lobby::Change c;
        c.seq = seq;
        c.tables = tables;
        c.gone = gone;
        room->sendPayload(lobby::changeElement(c));
    }
    // The seat Ann's presence names, as every lobby in the room sees it.
    QString seatOf(const QString& nick) const {
        const auto it = room->occupants().constFind(nick);
        if (it == room->occupants().constEnd()) return QStringLiteral("<absent>");
        const lobby::Element* at = it->presence.child("at", kNs);
        return at ? at->attr("key") + u'/' + at->attr("as") : QString();
    }
};

// Someone else in the room, through the XMPP client alone: whether they are still in it,
// and what the bot answers their table.
struct Player {
    xmpp::Client client;
    xmpp::Room* room = nullptr;
    QString leftBecause;

    Player(const xmpp::Account& a, const QString& nick) {
        room = new xmpp::Room(&client, lobby::roomJid(kDomain, vimbrel::kProtocolVersion), nick,
                              &client);
        QObject::connect(&client, &xmpp::Client::online, room, [this] { room->join(); });
        QObject::connect(room, &xmpp::Room::leftRoom, room,
                         [this](const QString& why) { leftBecause = why; });
        client.connectTo(a);
    }
    // Announces a table to the bot; the answer's type and error condition, once it comes.
    QString announce(const QString& name) {
        lobby::Table t;
        t.id = QStringLiteral("main");
        t.name = name;
        t.ipv4 = QStringLiteral("127.0.0.1");
        t.port = freePort();
        t.seats = 1;
        t.version = QString::fromLatin1(vimbrel::kProtocolVersion);
        QString answer;
        lobby::Element iq = lobby::make("iq").set("type", "set").set("to", lobby::botJid(kDomain));
        iq.add(lobby::announcement(t));
        client.sendIq(iq, [&answer](const lobby::Element& r) {
            const lobby::Element* e = r.child("error");
            answer = r.attr("type") +
                     (e && !e->children.isEmpty() ? u'/' + e->children.first().name : QString());
        });
        // sendIq answers within its own 10 s (a timeout is an answer too), so `answer`
        // outlives the call.
        if (!QTest::qWaitFor([&answer] { return !answer.isEmpty(); }, 15000))
            return QStringLiteral("no answer");
        return answer;
    }
};

xmpp::Account localAccount(const QString& name, const QString& password) {
    xmpp::Account a;
    a.guest = name.isEmpty();
    a.jid = a.guest ? lobby::guestDomain(kDomain) : name + u'@' + kDomain;
    a.password = password;
    a.host = QStringLiteral("127.0.0.1");
    return a;
}

// Chooses `action` from the moderator's menu on `nick` and answers its reason dialog.
bool moderate(zumvek::LobbyWindow* w, const QString& nick, const QString& action,
              const QString& reason) {
    std::unique_ptr<QMenu> menu(w->moderationMenu(nick));
    if (!menu) return false;
    for (QAction* a : menu->actions()) {
        if (!a->text().remove(u'&').startsWith(action)) continue;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, &answer, [&answer, reason] {
            if (auto* d = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                d->setTextValue(reason);
                d->accept();
                answer.stop();
            }
        });
        answer.start(50);
        a->trigger();
        return true;
    }
    return false;
}

lobby::Table listedTable(const QString& key, const QString& name, quint16 port) {
    lobby::Table t;
    t.key = key;
    t.id = QStringLiteral("main");
    t.name = name;
    t.host = QStringLiteral("Cleo");
    t.ipv4 = QStringLiteral("127.0.0.1");
    t.port = port;
    t.seats = 1;
    t.version = QString::fromLatin1(vimbrel::kProtocolVersion);
    t.reach = lobby::Reach::Reachable;
    return t;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The rating the Online list shows beside `nick`; empty for none, "<absent>" for no row.
QString ratingBeside(zumvek::LobbyWindow* w, const QString& nick) {
    for (int i = 0; i < w->online->count(); ++i)
        if (w->online->item(i)->data(Qt::UserRole).toString() == nick)
            return w->online->item(i)->data(zumvek::LobbyWindow::kRatingRole).toString();
    return QStringLiteral("<absent>");
}

QStringList rowNames(zumvek::LobbyWindow* w) {
    QStringList names;
    for (int r = 0; r < w->tables->rowCount(); ++r)
        names << w->tables->item(r, zumvek::TableView::Name)->text();
    return names;
}

// After its host went away the game keeps its window, saying why, until the player
// closes it; closing it is what brings the lobby back.
void closeEndedGame(zumvek::LobbyApp& app) {
    QTest::qWait(1000);
    QVERIFY2(app.launcher()->running(), "the game closed before its player could read why");
    app.launcher()->process()->terminate();
    QTRY_VERIFY_WITH_TIMEOUT(!app.launcher()->running(), 15000);
}

} // namespace

class TestLobbyProgram : public QObject {
    Q_OBJECT
private slots:
    void unreachableServerIsSaidAndTriedAgain();
    void guestHostsAndJoinsThroughARealServer();
    void moderatorMutesAndBansFromTheOnlineList();
};

// Loopback only, so it runs with or without the namespace.
void TestLobbyProgram::unreachableServerIsSaidAndTriedAgain() {
    const quint16 port = freePort();
    {
        QFile ini(zumvek::settingsPath());
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("[ZumvekLobby]\nServer=lobby.localhost:" + QByteArray::number(port) +
                  "\nServerHost=127.0.0.1\n");
    }
    zumvek::LobbyApp app;
    app.start();
    app.signInDialog()->accountEdit->setText(QStringLiteral("Ann"));
    QTest::mouseClick(app.signInDialog()->guestButton, Qt::LeftButton);
    zumvek::LobbyWindow* w = app.window();
    QTRY_VERIFY_WITH_TIMEOUT(w->status->text().contains(QStringLiteral("cannot be reached")),
                             10000);
    QVERIFY(w->isVisible());
    QVERIFY(w->soloButton->isEnabled());
    QVERIFY(!w->hostButton->isEnabled() && !w->joinButton->isEnabled());
    // The lobby keeps trying: a server that comes up is found.
    QTcpServer late;
    QVERIFY(late.listen(QHostAddress::LocalHost, port));
    QTRY_VERIFY_WITH_TIMEOUT(late.hasPendingConnections(), 15000);
    QVERIFY(w->isVisible());
}

void TestLobbyProgram::guestHostsAndJoinsThroughARealServer() {
    if (!g_netnsProblem.isEmpty()) QSKIP(qPrintable(g_netnsProblem));
    if (!QFileInfo::exists(QStringLiteral("/usr/sbin/ejabberdctl")))
        QSKIP("ejabberd is not installed (apt-get install ejabberd)");
    Server server;
    QVERIFY2(server.start(), "the lobby server did not start");
    Bot bot(server.password(QStringLiteral("lobbybot")));
    QTRY_VERIFY_WITH_TIMEOUT(bot.room->joined(), 15000);

    // A table to join: a dedicated host on a port of its own, listed by the bot.
    QProcess host;
    host.start(VIMBREL_HOST_EXE, {"--port", "0"});
    QVERIFY(host.waitForStarted());
    QString hostLog;
    quint16 hostPort = 0;
    static const QRegularExpression listening(QStringLiteral("listening on port (\\d+) "));
    QTRY_VERIFY_WITH_TIMEOUT((hostLog += QString::fromUtf8(host.readAllStandardOutput()),
                              hostPort = quint16(listening.match(hostLog).captured(1).toUInt())) !=
                                 0,
                             5000);
    bot.listed = {listedTable(QStringLiteral("t1"), QStringLiteral("Cleo's table"), hostPort)};

    // The lobby's settings: this server, the game built beside it, loopback as the
    // address to announce (the namespace has no other).
    const quint16 gamePort = freePort();
    qputenv("VIMBREL_PORT", QByteArray::number(gamePort));
    qputenv("VIMBREL_LOBBY_PORT", QByteArray::number(freePort()));
    {
        QFile ini(zumvek::settingsPath());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Vimbrel]\nTextsize=10\n\n[ZumvekLobby]\nServer=lobby.localhost\n"
                  "ServerHost=127.0.0.1\nPublicAddress=127.0.0.1\nGameProgram=" VIMBREL_EXE "\n");
    }
    zumvek::LobbyApp app;
    // The lobby leaves a game running when it goes; the test stops what it started.
    const auto stopGame = qScopeGuard([&app] {
        if (QProcess* game = app.launcher()->process()) {
            game->kill();
            game->waitForFinished(5000);
        }
    });
    app.start();
    zumvek::SignInDialog* d = app.signInDialog();
    QCOMPARE(d->serverEdit->text(), kDomain);
    d->accountEdit->setText(QStringLiteral("Ann"));
    QTest::mouseClick(d->guestButton, Qt::LeftButton);
    zumvek::LobbyWindow* w = app.window();
    QTRY_VERIFY_WITH_TIMEOUT(w->isVisible() && w->hostButton->isEnabled(), 15000);
    QVERIFY2(w->status->text().contains(QStringLiteral("In the lobby")),
             qPrintable(w->status->text()));
    QVERIFY(!d->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(rowNames(w), QStringList{"Cleo's table"}, 10000);

    // Changes from the bot, in order; markup in a name and in chat stays text.
    const QString marked = QStringLiteral("<b>Dan</b> & co");
    bot.change(2, {listedTable(QStringLiteral("t2"), marked, 7772)});
    QTRY_COMPARE_WITH_TIMEOUT(rowNames(w), (QStringList{marked, "Cleo's table"}), 5000);
    bot.room->say(QStringLiteral("<i>welcome</i>"));
    QTRY_VERIFY_WITH_TIMEOUT(
        w->chatView->toPlainText().contains(QStringLiteral("Lobby: <i>welcome</i>")), 5000);
    // Someone else posing as the list is not believed: only the room's owner is.
    xmpp::Client eve;
    xmpp::Account guest;
    guest.jid = lobby::guestDomain(kDomain);
    guest.guest = true;
    guest.host = QStringLiteral("127.0.0.1");
    eve.connectTo(guest);
    xmpp::Room eveRoom(&eve, bot.room->jid(), QStringLiteral("Eve"));
    QObject::connect(&eve, &xmpp::Client::online, &eveRoom, [&eveRoom] { eveRoom.join(); });
    QTRY_VERIFY_WITH_TIMEOUT(eveRoom.joined(), 10000);
    lobby::Change fake;
    fake.seq = 3;
    fake.gone = {QStringLiteral("t1")};
    eveRoom.sendPayload(lobby::changeElement(fake));
    bot.change(3, {}, {QStringLiteral("t2")});
    QTRY_COMPARE_WITH_TIMEOUT(rowNames(w), QStringList{"Cleo's table"}, 5000);

    // Ratings: asked for on entering the room. The stand-in answered as a bot that does
    // not rate yet, which the player is not told; its changes in the room are taken, and
    // Eve's are not.
    QTRY_COMPARE_WITH_TIMEOUT(bot.ratingsAsked, 1, 5000);
    lobby::Ratings fakeBest;
    fakeBest.hasBest = true;
    fakeBest.best = {{QStringLiteral("Eve"), 999, 99}};
    fakeBest.online = {{QStringLiteral("Ann"), 999, 99}};
    eveRoom.sendPayload(lobby::ratingsElement(fakeBest));
    lobby::Ratings annRated;
    annRated.online = {{QStringLiteral("Ann"), 31, 12}};
    bot.room->sendPayload(lobby::ratingsElement(annRated));
    QTRY_COMPARE_WITH_TIMEOUT(ratingBeside(w, QStringLiteral("Ann")), QStringLiteral("31"), 5000);
    QCOMPARE(ratingBeside(w, QStringLiteral("Eve")), QString());
    QCOMPARE(w->bestPlayers->table->rowCount(), 0);
    QVERIFY2(!w->chatView->toPlainText().contains(QStringLiteral("unavailable")) &&
                 !w->chatView->toPlainText().contains(QStringLiteral("no ratings")),
             qPrintable(w->chatView->toPlainText()));
    // The bot comes back into the room, now rating: it is asked again.
    bot.ratings =
        lobby::Ratings{true,
                       {{QStringLiteral("Cleo"), 44, 30}, {QStringLiteral("Ann"), 32, 13}},
                       {{QStringLiteral("Ann"), 32, 13}}};
    bot.room->leave();
    QTRY_VERIFY_WITH_TIMEOUT(
        !bot.room->joined() && !eveRoom.occupants().contains(QStringLiteral("Lobby")), 5000);
    bot.room->join();
    QTRY_COMPARE_WITH_TIMEOUT(bot.ratingsAsked, 2, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(w->bestPlayers->table->rowCount(), 2, 5000);
    QCOMPARE(w->bestPlayers->table->item(0, zumvek::BestPlayersDialog::Name)->text(),
             QStringLiteral("Cleo"));
    QCOMPARE(ratingBeside(w, QStringLiteral("Ann")), QStringLiteral("32"));

    // Host a Table: the game hosts, and once it holds its port the table is announced.
    QTest::mouseClick(w->hostButton, Qt::LeftButton);
    QCOMPARE(app.launcher()->lastArguments(), (QStringList{"Ann", "127.0.0.1", "true"}));
    QVERIFY(!w->joinButton->isEnabled() && !w->soloButton->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!bot.sets.isEmpty(), 15000);
    const auto announced = lobby::readAnnouncement(bot.sets.last());
    QVERIFY(announced);
    QCOMPARE(announced->name, QStringLiteral("Ann's table"));
    QCOMPARE(announced->ipv4, QStringLiteral("127.0.0.1"));
    QCOMPARE(announced->port, gamePort);
    QCOMPARE(announced->seats, 1);
    lobby::Table own = *announced;
    own.key = QStringLiteral("t3");
    own.host = QStringLiteral("Ann");
    bot.change(4, {own});
    QTRY_COMPARE_WITH_TIMEOUT(bot.seatOf(QStringLiteral("Ann")), QStringLiteral("t3/player"), 5000);
    // The game ends: the table is withdrawn, the seat cleared, the lobby back.
    app.launcher()->process()->terminate();
    QTRY_VERIFY_WITH_TIMEOUT(bot.sets.last().name == QLatin1String("withdraw"), 10000);
    QCOMPARE(bot.sets.last().attr("id"), QStringLiteral("home"));
    QTRY_COMPARE_WITH_TIMEOUT(bot.seatOf(QStringLiteral("Ann")), QString(), 5000);
    QVERIFY(w->hostButton->isEnabled());
    QVERIFY(!w->isMinimized());
    bot.change(5, {}, {QStringLiteral("t3")});

    // Join: Enter on the listed table starts the game at its address and port.
    QTRY_COMPARE_WITH_TIMEOUT(rowNames(w), QStringList{"Cleo's table"}, 5000);
    w->tables->selectRow(0);
    QTest::keyClick(w->tables, Qt::Key_Return);
    QCOMPARE(app.launcher()->lastArguments(),
             (QStringList{"Ann", QStringLiteral("127.0.0.1:%1").arg(hostPort), "join"}));
    QTRY_VERIFY_WITH_TIMEOUT((hostLog += QString::fromUtf8(host.readAllStandardOutput()))
                                 .contains(QStringLiteral("logged in as Ann")),
                             15000);
    QTRY_COMPARE_WITH_TIMEOUT(bot.seatOf(QStringLiteral("Ann")), QStringLiteral("t1/player"), 5000);
    // The host goes away: the game stays to say so until the player closes it, and then
    // the lobby is back.
    host.terminate();
    QVERIFY(host.waitForFinished(10000));
    closeEndedGame(app);
    if (QTest::currentTestFailed()) return;
    QTRY_COMPARE_WITH_TIMEOUT(bot.seatOf(QStringLiteral("Ann")), QString(), 5000);

    // Host on the Server: the bot names the table to join, and the game goes there.
    QProcess serverHost;
    serverHost.start(VIMBREL_HOST_EXE, {"--port", "0"});
    QVERIFY(serverHost.waitForStarted());
    hostLog.clear();
    hostPort = 0;
    QTRY_VERIFY_WITH_TIMEOUT((hostLog += QString::fromUtf8(serverHost.readAllStandardOutput()),
                              hostPort = quint16(listening.match(hostLog).captured(1).toUInt())) !=
                                 0,
                             5000);
    bot.serverTablePort = hostPort;
    QVERIFY(w->serverButton->isEnabled());
    QTest::mouseClick(w->serverButton, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(app.launcher()->running(), 10000);
    QCOMPARE(bot.sets.last().name, QStringLiteral("servertable"));
    QCOMPARE(bot.sets.last().attr("name"), QStringLiteral("Ann's table"));
    QCOMPARE(app.launcher()->lastArguments(),
             (QStringList{"Ann", QStringLiteral("127.0.0.1:%1").arg(hostPort), "join"}));
    QTRY_VERIFY_WITH_TIMEOUT((hostLog += QString::fromUtf8(serverHost.readAllStandardOutput()))
                                 .contains(QStringLiteral("logged in as Ann")),
                             15000);
    QTRY_COMPARE_WITH_TIMEOUT(bot.seatOf(QStringLiteral("Ann")), QStringLiteral("t1/player"), 5000);
    serverHost.terminate();
    QVERIFY(serverHost.waitForFinished(10000));
    closeEndedGame(app);
    if (QTest::currentTestFailed()) return;

    // Nothing of the password or the game's section was touched in the settings.
    QFile ini(zumvek::settingsPath());
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    QVERIFY2(text.startsWith("[Vimbrel]\nTextsize=10\n\n[ZumvekLobby]\n"), text.constData());
    QVERIFY(text.contains("Guest=true"));
    QVERIFY(text.contains("Account=Ann"));

    // An account: created from the sign-in, then refused with a wrong password.
    w->signInAgain();
    QVERIFY(d->isVisible());
    d->accountEdit->setText(QStringLiteral("bea"));
    d->passwordEdit->setText(QStringLiteral("right-horse-7"));
    QTest::mouseClick(d->createButton, Qt::LeftButton);
    QTRY_VERIFY2_WITH_TIMEOUT(w->status->text().contains(QStringLiteral("In the lobby")) &&
                                  w->status->text().contains(QStringLiteral("bea")),
                              qPrintable(w->status->text() + " | " + d->problemLabel->text()),
                              15000);
    QTRY_VERIFY_WITH_TIMEOUT(bot.room->occupants().contains(QStringLiteral("bea")), 5000);
    w->signInAgain();
    d->passwordEdit->setText(QStringLiteral("wrong-horse"));
    QTest::mouseClick(d->logInButton, Qt::LeftButton);
    QTRY_VERIFY2_WITH_TIMEOUT(
        d->problemLabel->text().startsWith(QStringLiteral("Signing in failed")),
        qPrintable(w->status->text() + " | " + d->problemLabel->text()), 15000);
    QVERIFY(d->isVisible());
    QVERIFY(!w->hostButton->isEnabled());
    QVERIFY(!fileBytes(zumvek::settingsPath()).contains("horse"));
}

void TestLobbyProgram::moderatorMutesAndBansFromTheOnlineList() {
    if (!g_netnsProblem.isEmpty()) QSKIP(qPrintable(g_netnsProblem));
    if (!QFileInfo::exists(QStringLiteral("/usr/sbin/ejabberdctl")))
        QSKIP("ejabberd is not installed (apt-get install ejabberd)");
    Server server;
    QVERIFY2(server.start({"--bot", VIMBREL_LOBBYBOT_EXE}), "the lobby server did not start");
    {
        QFile ini(zumvek::settingsPath());
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("[ZumvekLobby]\nServer=lobby.localhost\nServerHost=127.0.0.1\n");
    }
    // A guest in a lobby of its own and an account with a table, in the room before the
    // moderator comes.
    zumvek::LobbySession gus;
    QStringList told;
    QObject::connect(&gus, &zumvek::LobbySession::notice, [&told](const QString& t) { told << t; });
    zumvek::SignIn how;
    how.domain = kDomain;
    how.serverHost = QStringLiteral("127.0.0.1");
    how.account = QStringLiteral("Gus");
    how.guest = true;
    gus.signIn(how);
    const auto roleOfGus = [&gus] {
        for (const xmpp::Occupant& o : gus.occupants())
            if (o.nick == QLatin1String("Gus")) return o.role;
        return QString();
    };
    xmpp::Client registrar;
    bool registered = false;
    QObject::connect(&registrar, &xmpp::Client::registered, [&registered] { registered = true; });
    registrar.registerAccount(localAccount(QStringLiteral("cleo"), QStringLiteral("cleo-pw-1")));
    QTRY_VERIFY_WITH_TIMEOUT(registered, 15000);
    Player cleo(localAccount(QStringLiteral("cleo"), QStringLiteral("cleo-pw-1")),
                QStringLiteral("cleo"));
    QTRY_VERIFY_WITH_TIMEOUT(
        gus.stage() == zumvek::LobbySession::Stage::InRoom && cleo.room->joined(), 15000);
    QCOMPARE(cleo.announce(QStringLiteral("Cleo's table")), QStringLiteral("result"));

    zumvek::LobbyApp app;
    app.start();
    zumvek::SignInDialog* d = app.signInDialog();
    d->accountEdit->setText(QStringLiteral("admin"));
    d->passwordEdit->setText(server.password(QStringLiteral("admin")));
    QTest::mouseClick(d->logInButton, Qt::LeftButton);
    zumvek::LobbyWindow* w = app.window();
    QTRY_VERIFY_WITH_TIMEOUT(app.session()->moderator(), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(rowNames(w), QStringList{"Cleo's table"}, 10000);
    QVERIFY(!w->moderationMenu(QStringLiteral("admin"))); // nothing on oneself

    // Mute: the guest becomes a visitor; the room refuses its words and the bot its table,
    // and its lobby says both.
    QVERIFY(moderate(w, QStringLiteral("Gus"), QStringLiteral("Mute"), QStringLiteral("spam")));
    QTRY_COMPARE_WITH_TIMEOUT(roleOfGus(), QStringLiteral("visitor"), 5000);
    gus.say(QStringLiteral("buy gold"));
    QTRY_VERIFY_WITH_TIMEOUT(told.join(u'|').contains(QStringLiteral("Your message was not sent")),
                             5000);
    gus.announceHome(zumvek::HomeTable{
        QStringLiteral("Gold here"), QStringLiteral("127.0.0.1"), {}, freePort()});
    QTRY_VERIFY_WITH_TIMEOUT(
        told.join(u'|').contains(QStringLiteral("did not list your table: muted in the lobby")),
        15000);
    QVERIFY(!w->chatView->toPlainText().contains(QStringLiteral("buy gold")));
    QCOMPARE(rowNames(w), QStringList{"Cleo's table"});
    gus.withdrawHome();
    QTRY_VERIFY_WITH_TIMEOUT(moderate(w, QStringLiteral("Gus"), QStringLiteral("Unmute"), {}),
                             5000);
    QTRY_COMPARE_WITH_TIMEOUT(roleOfGus(), QStringLiteral("participant"), 5000);
    gus.say(QStringLiteral("sorry"));
    QTRY_VERIFY_WITH_TIMEOUT(w->chatView->toPlainText().contains(QStringLiteral("Gus: sorry")),
                             5000);

    // Ban: the account is put out of the room, and its table with it.
    QVERIFY(moderate(w, QStringLiteral("cleo"), QStringLiteral("Ban"), QStringLiteral("cheat")));
    QTRY_COMPARE_WITH_TIMEOUT(cleo.leftBecause, QStringLiteral("banned from the room"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(rowNames(w), QStringList{}, 5000);
    cleo.leftBecause.clear();
    cleo.room->join();
    QTRY_COMPARE_WITH_TIMEOUT(cleo.leftBecause, QStringLiteral("banned from the room"), 5000);
    QVERIFY(!cleo.room->joined());
    QCOMPARE(cleo.announce(QStringLiteral("Cleo's table")), QStringLiteral("error/forbidden"));
}

int main(int argc, char** argv) {
    enterOwnNetns();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Zumvek"));
    QApplication::setApplicationName(QStringLiteral("Vimbrel"));
    TestLobbyProgram t;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&t, argc, argv);
}

#include "tst_lobbyprogram.moc"
