// Framing, the inbound queue and its dispatch, colour text, fields and message bytes.
#include "protocol/colourtext.h"
#include "protocol/fields.h"
#include "protocol/receiveremainder.h"
#include "protocol/dispatcher.h"
#include "protocol/messages.h"
#include "protocol/requests.h"
#include "protocol/wiretext.h"

#include <QtTest>

using namespace wire;
namespace req = wire::req;

class TestProtocol : public QObject {
    Q_OBJECT
private slots:
    void framingSplitsAndJoins();
    void framingCapsUnterminatedInput();
    void dispatchOnePerTickInOrder();
    void dispatchServesSendersInTurn();
    void dispatchDropsWhatMatchesNothing();
    void dispatchTimerSleepsWhenIdle();
    void dispatchReportsConversionErrorAndGoesOn();
    void dispatchLeavesTheSendersTextAlone();
    void colourTextBothWays_data();
    void colourTextBothWays();
    void colourTextRejectsJunk();
    void fieldsAndLists();
    void integersAreStrict();
    void messageBytes();
    void readersRoundTrip();
    void chatLineColour();
    void wireTextFallsBackToLatin1();
};

void TestProtocol::framingSplitsAndJoins() {
    ReceiveRemainder r;
    QList<QByteArray> out;
    // Two messages in one read, then one cut across two reads.
    QVERIFY(r.feed(QByteArray("CMD_a+1\xFF" "CMD_b+2\xFF" "CMD_c+", 22), out));
    QCOMPARE(out, (QList<QByteArray>{"CMD_a+1", "CMD_b+2"}));
    QCOMPARE(r.pending(), QByteArray("CMD_c+"));
    out.clear();
    QVERIFY(r.feed(QByteArray("3\xFF\xFF", 3), out));
    // The second terminator in a row yields an empty entry.
    QCOMPARE(out, (QList<QByteArray>{"CMD_c+3", ""}));
    QVERIFY(r.pending().isEmpty());
    // Byte 0x00 inside a message survives.
    out.clear();
    QVERIFY(r.feed(QByteArray("x\0y\xFF", 4), out));
    QCOMPARE(out.value(0), QByteArray("x\0y", 3));
}

void TestProtocol::framingCapsUnterminatedInput() {
    ReceiveRemainder r;
    QList<QByteArray> out;
    const QByteArray chunk(16 * 1024, 'a');
    QVERIFY(r.feed(chunk, out));
    QVERIFY(r.feed(chunk, out));
    QVERIFY(r.feed(chunk, out));
    QVERIFY(!r.feed(chunk, out)); // 64 KiB without a terminator
    QVERIFY(out.isEmpty());
    // A long but terminated stream is fine: only the unterminated tail counts.
    ReceiveRemainder ok;
    QByteArray many;
    for (int i = 0; i < 5000; ++i) many += QByteArray("CMD_chat+1+hello|clRed\xFF", 23);
    QVERIFY(ok.feed(many, out));
    QCOMPARE(out.size(), 5000);
}

void TestProtocol::dispatchOnePerTickInOrder() {
    Dispatcher d(QStringLiteral("socktimer"), 10);
    QStringList seen;
    d.on(QStringLiteral("CMD_chat"), [&](const QString& body, int sender) {
        seen << QStringLiteral("%1:%2").arg(sender).arg(body);
    });
    d.enqueue(QStringLiteral("CMD_chat+1+a"), 1);
    d.enqueue(QStringLiteral("CMD_chat+2+b"), 2);
    d.tick();
    QCOMPARE(seen, QStringList{"1:1+a"});
    d.tick();
    QCOMPARE(seen, (QStringList{"1:1+a", "2:2+b"}));
    d.tick(); // empty queue: nothing
    QCOMPARE(seen.size(), 2);
}

void TestProtocol::dispatchServesSendersInTurn() {
    // Seven connections with a full backlog each: a line from an eighth is next but
    // seven, not behind all of theirs; each sender's own order is kept.
    Dispatcher d(QStringLiteral("socktimer"), 10);
    QStringList seen;
    d.on(QStringLiteral("CMD_chat"), [&](const QString& body, int sender) {
        seen << QStringLiteral("%1:%2").arg(QString::number(sender), body);
    });
    for (int sender = 1; sender <= 7; ++sender)
        for (int i = 0; i < 63; ++i)
            d.enqueue(QStringLiteral("CMD_chat+%1").arg(i), sender);
    d.enqueue(QStringLiteral("CMD_chat+hello"), 8);
    for (int t = 0; t < 8; ++t)
        d.tick();
    QCOMPARE(seen, (QStringList{"1:0", "2:0", "3:0", "4:0", "5:0", "6:0", "7:0", "8:hello"}));
    d.discardFrom(3);
    QCOMPARE(d.pending(), qsizetype(6 * 62));
    d.tick();
    d.tick();
    d.tick();
    QCOMPARE(seen.mid(8), (QStringList{"1:1", "2:1", "4:1"}));
    while (d.pending() > 0)
        d.tick();
    QCOMPARE(seen.size(), 8 + 6 * 62);
    QCOMPARE(seen.last(), QStringLiteral("7:62"));
    QVERIFY(!d.timerActive());
}

void TestProtocol::dispatchDropsWhatMatchesNothing() {
    Dispatcher d(QStringLiteral("Timer1"), 1);
    int calls = 0;
    d.on(QStringLiteral("CMD_chat"), [&](const QString&, int) { ++calls; });
    for (const char* m : {"CMD_chat", "cmd_chat+1+x", "", "CMD_chatter+1", "+CMD_chat"}) d.enqueue(QString::fromLatin1(m));
    while (d.pending()) d.tick();
    QCOMPARE(calls, 0);
    d.enqueue(QStringLiteral("CMD_chat+"));
    d.tick();
    QCOMPARE(calls, 1);
}

void TestProtocol::dispatchTimerSleepsWhenIdle() {
    Dispatcher d(QStringLiteral("socktimer"), 1);
    QStringList seen;
    d.on(QStringLiteral("CMD_x"), [&](const QString& b, int) { seen << b; });
    QVERIFY(!d.timerActive());
    d.enqueue(QStringLiteral("CMD_x+1"));
    d.enqueue(QStringLiteral("CMD_x+2"));
    QVERIFY(d.timerActive());
    QTRY_COMPARE(seen, (QStringList{"1", "2"}));
    QVERIFY(!d.timerActive());
    d.enqueue(QStringLiteral("CMD_x+3"));
    QVERIFY(d.timerActive());
    QTRY_COMPARE(seen.size(), 3);
    QVERIFY(!d.timerActive());
}

void TestProtocol::dispatchReportsConversionErrorAndGoesOn() {
    Dispatcher d(QStringLiteral("socktimer"), 10);
    QStringList errors;
    QList<int> seats;
    d.setErrorSink([&](const QString& e) { errors << e; });
    d.on(QStringLiteral("CMD_kickhim"), [&](const QString& body, int) { seats << req::kickhim(body)->value; });
    d.enqueue(QStringLiteral("CMD_kickhim+1+x3+"));
    d.enqueue(QStringLiteral("CMD_kickhim+1+3+"));
    d.tick();
    d.tick();
    QCOMPARE(errors, QStringList{"'x3' is not a valid integer value"});
    QCOMPARE(seats, QList<int>{3});
}

void TestProtocol::dispatchLeavesTheSendersTextAlone() {
    Dispatcher d(QStringLiteral("socktimer"), 10);
    QStringList seen;
    int replaced = 0;
    d.on(QStringLiteral("CMD_x"), [&](const QString& body, int sender) {
        // Replacing the running handler leaves the running one whole.
        const QString mine = body;
        d.on(QStringLiteral("CMD_x"), [&](const QString& b, int s) {
            seen << QStringLiteral("new %1:%2").arg(s).arg(b);
            ++replaced;
        });
        seen << QStringLiteral("%1:%2").arg(sender).arg(mine);
    });
    // The body is cut from the queued text; a text the caller still holds stays as it was.
    const QString held = QStringLiteral("CMD_x+abc");
    d.enqueue(held, 1000);
    d.enqueue(held, -5);
    d.enqueue(QStringLiteral("CMD_x+"), 3);
    QCOMPARE(d.pendingFrom(1000), 1);
    QCOMPARE(d.pendingFrom(-5), 1);
    while (d.pending() > 0)
        d.tick();
    QCOMPARE(held, QStringLiteral("CMD_x+abc"));
    QCOMPARE(seen, (QStringList{"1000:abc", "new -5:abc", "new 3:"}));
    QCOMPARE(replaced, 2);
    QCOMPARE(d.pendingFrom(1000), 0);
}

void TestProtocol::colourTextBothWays_data() {
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("black") << 0x000000u << "clBlack";
    QTest::newRow("maroon") << 0x000080u << "clMaroon";
    QTest::newRow("red") << 0x0000FFu << "clRed";
    QTest::newRow("blue") << 0xFF0000u << "clBlue";
    QTest::newRow("silver") << 0xC0C0C0u << "clSilver";
    QTest::newRow("white") << 0xFFFFFFu << "clWhite";
    QTest::newRow("hex") << 0x00123456u << "$00123456";
    QTest::newRow("hex upper") << 0x00ABCDEFu << "$00ABCDEF";
}

void TestProtocol::colourTextBothWays() {
    QFETCH(quint32, value);
    QFETCH(QString, text);
    QCOMPARE(colourToText(value), text);
    QCOMPARE(colourFromText(text).value_or(0xDEADu), value);
    QCOMPARE(colourFromText(text.toLower()).value_or(0xDEADu), value);
}

void TestProtocol::colourTextRejectsJunk() {
    QCOMPARE(colourFromText(QStringLiteral("255")).value_or(1), 255u);
    for (const char* bad : {"", "clNothing", "$", "$XYZ", "12a", "$123456789", "hello|clRed"})
        QVERIFY2(!colourFromText(QString::fromLatin1(bad)), bad);
}

void TestProtocol::fieldsAndLists() {
    FieldReader r(QStringLiteral("2+1.0.7+Ann+Lee"));
    QCOMPARE(r.nextInt(), 2);
    QCOMPARE(r.next(), QStringLiteral("1.0.7"));
    QCOMPARE(r.rest(), QStringLiteral("Ann+Lee")); // a name keeps its "+"
    FieldReader l(QStringLiteral("3+none"));
    QCOMPARE(l.nextInt(), 3);
    QVERIFY(l.intList().isEmpty());
    FieldReader l2(QStringLiteral("3+1+5+10"));
    QCOMPARE(l2.nextInt(), 3);
    QCOMPARE(l2.intList(), (QList<int>{1, 5, 10}));
}

void TestProtocol::integersAreStrict() {
    QCOMPARE(toInt(QStringLiteral("0")), 0);
    QCOMPARE(toInt(QStringLiteral("-7")), -7);
    QCOMPARE(toInt(QStringLiteral("2147483647")), 2147483647);
    for (const char* bad : {"", "-", "1 ", " 1", "+1", "1e3", "2147483648", "99999999999", "٣"}) {
        try {
            toInt(QString::fromUtf8(bad));
            QFAIL(bad);
        } catch (const ConvertError& e) {
            QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(QString::fromUtf8(bad)));
        }
    }
}

void TestProtocol::messageBytes() {
    const QByteArray T(1, '\xFF');
    QCOMPARE(msg::logininfo(1, "1.0.7", "Ann"), "CMD_logininfo+1+1.0.7+Ann" + T);
    QCOMPARE(msg::kickhim(1, 3), "CMD_kickhim+1+3+" + T);
    QCOMPARE(msg::botspeed(1, 500), "CMD_botspeed+1+500+" + T);
    QCOMPARE(msg::botskill(1, true), "CMD_botskill+1+expert+" + T);
    QCOMPARE(msg::botskill(1, false), "CMD_botskill+1+normal+" + T);
    QCOMPARE(msg::chat(2, "hi", "clBlack"), "CMD_chat+2+hi|clBlack" + T);
    QCOMPARE(msg::startgame("You"), "CMD_startgame+You+0+0+f+" + T);
    QCOMPARE(msg::justwatch(3, 1), "CMD_justwatch+3+1" + T);
    QCOMPARE(msg::rollthedice(2, {1, 7}), "CMD_rollthedice+2+1+7" + T);
    QCOMPARE(msg::rollthedice(2, {}), "CMD_rollthedice+2" + T);
    QCOMPARE(msg::alldone(1, {}), "CMD_alldone+1+none" + T);
    QCOMPARE(msg::alldone(1, {2, 4}), "CMD_alldone+1+2+4" + T);
    QCOMPARE(msg::sendlogininfo(1), "CMD_sendlogininfo+1" + T);
    QCOMPARE(msg::full(), "CMD_full+" + T);
    QCOMPARE(msg::wrongversion(), "CMD_wrongversion+" + T);
    QCOMPARE(msg::chatRelay("N", "hello|clBlack"), "CMD_chat+N chats: hello|clBlack" + T);
    QCOMPARE(msg::actionRelay("N", "says: Hi!|clBlack"), "CMD_action+N says: Hi!|clBlack" + T);
    QCOMPARE(msg::startgameRelay({"You", "0", "0", "f"}), "CMD_startgame+You+0+0+f+" + T);
    QCOMPARE(msg::nextplayer(2, 1, 1), "CMD_nextplayer+2+1+1+" + T);
    QCOMPARE(msg::createdice(2, 1, {{1, 3, 3}, {7, 9, 1}}), "CMD_createdice+2+1+1+3+3+7+9+1" + T);
    QCOMPARE(msg::scores(1, 5, 261, 221, 40, "bonus", {5, 6}), "CMD_scores+1+5+261+221+40+bonus+5+6" + T);
    QCOMPARE(msg::noscore(3, {}), "CMD_noscore+3+none" + T);
    QCOMPARE(msg::markoff(3, 7), "CMD_markoff+3+7+" + T);
    QCOMPARE(msg::winner("Ann and Klot"), "CMD_winner+Ann and Klot+" + T);
    msg::LoadStats s{6, 3, 4, 2, 2, {10, 20, 30, 0}, {{2, 0, 4}}};
    QCOMPARE(msg::loadstats(s), "CMD_loadstats+6+3+4+2+2+10+20+30+0+2+0+4" + T);
    s.dice.clear();
    QCOMPARE(msg::loadstats(s), "CMD_loadstats+6+3+4+2+2+10+20+30+0+none" + T);
    QCOMPARE(msg::loadpscores(6, {{1, 1, 24}, {3, 11, 40}}), "CMD_loadpscores+6+1+1+24+3+11+40" + T);
    // UTF-8 on the wire never contains the terminator byte.
    QVERIFY(!msg::chat(1, QStringLiteral("ÿ€😀"), "clRed").chopped(1).contains('\xFF'));
    // The rest, with text that is not ASCII and numbers that are not small.
    const QString ann = QStringLiteral("Änn 😀");
    const QByteArray annBytes = ann.toUtf8();
    QCOMPARE(msg::newplayerinfo(10, ann), "CMD_newplayerinfo+10+" + annBytes + T);
    QCOMPARE(msg::existingplayers(2, ann), "CMD_existingplayers+2+" + annBytes + T);
    QCOMPARE(msg::havewrongversion(ann), "CMD_havewrongversion+" + annBytes + T);
    QCOMPARE(msg::playerdisconnected(3, QString()), "CMD_playerdisconnected+3+" + T);
    QCOMPARE(msg::justwatching(4, 2), "CMD_justwatching+4+2" + T);
    QCOMPARE(msg::action(1, ann, "clRed"), "CMD_action+1+" + annBytes + "|clRed" + T);
    QCOMPARE(msg::kickhim(-1, -2147483647 - 1), "CMD_kickhim+-1+-2147483648+" + T);
    QCOMPARE(msg::botspeed(1, 2147483647), "CMD_botspeed+1+2147483647+" + T);
    QCOMPARE(msg::seattoken("0a1f\xE9"), "CMD_seattoken+0a1f\xC3\xA9" + T);
    QCOMPARE(msg::rejoin(3, "0a1f"), "CMD_rejoin+3+0a1f" + T);
    QCOMPARE(msg::seatheld(2, ann), "CMD_seatheld+2+" + annBytes + T);
    QCOMPARE(msg::rejoined(2), "CMD_rejoined+2" + T);
    QCOMPARE(msg::hostpowers(), "CMD_hostpowers+" + T);
    QCOMPARE(msg::hostNotice(ann), "CMD_chat+" + annBytes + "|clBlue" + T);
    QCOMPARE(msg::createdice(1, 3, {}), "CMD_createdice+1+3" + T);
}

void TestProtocol::readersRoundTrip() {
    const auto li = req::logininfo(QStringLiteral("4+1.0.7+A+B"));
    QCOMPARE(li->seat, 4);
    QCOMPARE(li->name, QStringLiteral("A+B"));
    // The host's readers check the fields once: what no handler could act on is no request.
    QVERIFY(!req::logininfo(QStringLiteral("10+1.0.7+A")));
    QVERIFY(req::rollthedice(QStringLiteral("2"))->allHeld);
    QCOMPARE(req::rollthedice(QStringLiteral("2+1+7"))->dice, (QList<int>{1, 7}));
    for (const char* bad : {"2+none", "2+1+1", "2+0+3", "2+11"})
        QVERIFY2(!req::rollthedice(QString::fromLatin1(bad)), bad);
    QVERIFY(!req::alldone(QStringLiteral("2")));
    QVERIFY(req::alldone(QStringLiteral("2+none"))->dice.isEmpty());
    QVERIFY(!req::alldone(QStringLiteral("2+4+4")));
    QVERIFY(!req::justwatch(QStringLiteral("2+3")));
    QVERIFY(!req::botspeed(QStringLiteral("1+-5+")));
    QVERIFY(req::botskill(QStringLiteral("1+expert+"))->expert);
    QVERIFY(!req::botskill(QStringLiteral("1+normal+"))->expert);
    QVERIFY(!req::botskill(QStringLiteral("1+Expert+")));
    QVERIFY(!req::botskill(QStringLiteral("1")));
    QVERIFY_THROWS_EXCEPTION(ConvertError, req::rollthedice(QStringLiteral("2+x")));
    const auto st = read::loadstats(QStringLiteral("6+3+4+2+2+10+20+30+0+2+0+4+5+9+1"));
    QCOMPARE(st.scores, (std::array<int, 4>{10, 20, 30, 0}));
    QCOMPARE(st.dice, (QList<DieFace>{{2, 0, 4}, {5, 9, 1}}));
    const auto sc = read::scores(QStringLiteral("1+5+261+221+40+bonus+none"));
    QCOMPARE(sc.marker, QStringLiteral("bonus"));
    QVERIFY(sc.used.isEmpty());
    // A name with "+" is cut in the winner and the game start.
    QCOMPARE(read::winner(QStringLiteral("A+B+")), QStringLiteral("A"));
    QCOMPARE(read::startgame(QStringLiteral("A+B+0+0+f+"))[0], QStringLiteral("A"));
    QCOMPARE(read::nextplayer(QStringLiteral("2+1+7+")).round, QStringLiteral("7"));
}

void TestProtocol::chatLineColour() {
    auto l = read::chatLine(QStringLiteral("Ann chats: hi|clGreen"));
    QCOMPARE(l.line, QStringLiteral("Ann chats: hi"));
    QCOMPARE(l.colour, 0x008000u);
    QCOMPARE(read::chatLine(QStringLiteral("Ann chats: hi")).colour, kRed);
    // A text with its own "|" is cut there and the rest fails as a colour.
    l = read::chatLine(QStringLiteral("Ann chats: a|b|clGreen"));
    QCOMPARE(l.line, QStringLiteral("Ann chats: a"));
    QCOMPARE(l.colour, kRed);
}

void TestProtocol::wireTextFallsBackToLatin1() {
    QCOMPARE(decode(QByteArray("Ren\xC3\xA9")), QStringLiteral("René"));
    QCOMPARE(decode(QByteArray("Ren\xE9")), QStringLiteral("René"));
    QCOMPARE(singleLine(QStringLiteral("a\r\nb\tc\x7F" "d\u0085e")), QStringLiteral("abcde"));
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
