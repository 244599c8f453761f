#include "i18n/soloexchange.h"

#include "client/board/board.h"
#include "client/chatform.h"
#include "client/chatpanel.h"
#include "game/loopbacktable.h"
#include "rules/rules.h"
#include "server/tserver.h"
#include "support/locallinks.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>
#include <QtTest>
#include <memory>

namespace {

void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// The table's connection to the in-process host, recording both directions.
struct RecordingLink : ClientLink, ClientEvents {
    explicit RecordingLink(LocalServerLink& host, Exchange& into) : inner(host), log(into) {}
    void attach(ClientEvents* e) override {
        events = e;
        inner.attach(e ? this : nullptr);
    }
    void open(const QString& host) override { inner.open(host); }
    void send(const QByteArray& bytes) override {
        log.up += bytes;
        inner.send(bytes);
    }
    void close() override { inner.close(); }
    void sockRead(const QByteArray& bytes) override {
        log.down += bytes;
        if (events) events->sockRead(bytes);
    }
    void departed(Departure why) override {
        if (events) events->departed(why);
    }
    void sockInfo(const QString& text) override {
        if (events) events->sockInfo(text);
    }
    LocalClientLink inner;
    Exchange& log;
    ClientEvents* events = nullptr;
};

// The seat token is drawn fresh for every game, whatever the language.
QByteArray withoutTokens(QByteArray bytes) {
    static const QRegularExpression token(QStringLiteral("[0-9a-f]{32}"));
    return QString::fromLatin1(bytes).replace(token, QStringLiteral("<token>")).toLatin1();
}

} // namespace

Exchange playSolo() {
    const QString ini =
        QDir(qEnvironmentVariable("VIMBREL_PROGRAM_DIR")).filePath("zumveklobby.ini");
    QFile::remove(ini);
    Exchange ex;
    LocalServerLink pair;
    TServer server(pair);
    server.setFaceSource(rules::seededFaces(20261207));
    server.queue().timer().setInterval(0);
    server.timer1().setInterval(1);
    {
        GameTable t(std::make_unique<RecordingLink>(pair, ex), {});
        Tchat::Hooks hooks;
        hooks.listen = [] {};
        hooks.addgame = [&ex](const QString& w) { ex.tallied << w; };
        t.window.setHooks(hooks);
        t.board()->setRandomSource([](int) { return 0; });
        t.window.show();
        if (!QTest::qWaitFor([&] { return t.window.state().ownSeat == 1; }, 5000)) return ex;
        // Choices that go on the wire and into the settings file.
        t.window.action("Fast1")->trigger();
        t.window.action("SkillExpert1")->trigger();
        t.window.action("TextSize12")->trigger();
        QTest::mouseClick(t.find<QAbstractButton>("b_phrase1"), Qt::LeftButton);
        t.window.mychat()->setText(QStringLiteral("Hallo Klot"));
        t.window.sendit();
        QTest::mouseClick(t.find<QAbstractButton>("button_start"), Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return server.gameon(); }, 5000)) return ex;
        QElapsedTimer clock;
        clock.start();
        while (server.gameon() && clock.elapsed() < 120000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (server.computertimer().isActive()) server.computertimerTimer();
            if (t.shows("button_alldone")) {
                // Keep what the computer's own strategy would keep, after one roll.
                rules::Dice dice{};
                for (int n = 1; n <= 10; ++n)
                    dice[n] = {t.board()->trayDie(n).value, t.board()->trayDie(n).colour, false};
                const rules::Plan plan = rules::computerplay(server.record(1).phase, dice);
                for (int n = 1; n <= 10; ++n)
                    if ((plan[n] == 1) != t.board()->trayDie(n).held)
                        QTest::mouseClick(t.find<QWidget>(QStringLiteral("image_d%1").arg(n)),
                                          Qt::LeftButton);
                QTest::mouseClick(t.find<QAbstractButton>("button_alldone"), Qt::LeftButton);
            } else if (t.shows("button_roll")) {
                QTest::mouseClick(t.find<QAbstractButton>("button_roll"), Qt::LeftButton);
            }
        }
        settle();
        ex.ownLabel = t.find<QLabel>("label_playername1")->text();
        ex.chat = t.window.mainchat()->toPlainText();
        t.window.close();
    }
    QFile f(ini);
    if (f.open(QIODevice::ReadOnly)) ex.settings = f.readAll();
    ex.up = withoutTokens(ex.up);
    ex.down = withoutTokens(ex.down);
    ex.settings = withoutTokens(ex.settings);
    return ex;
}
