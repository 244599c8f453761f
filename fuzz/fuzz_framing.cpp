// A connection's byte stream cut at arbitrary points, through the receive remainder
// into the inbound queue, and every message handed to the readers of its command.
#include "fuzzinput.h"

#include "protocol/fields.h"
#include "protocol/receiveremainder.h"
#include "protocol/dispatcher.h"
#include "protocol/messages.h"
#include "protocol/requests.h"
#include "protocol/wiretext.h"

#include <QCoreApplication>

namespace {

// Every command either side handles, each with the reader its handler uses.
void registerReaders(wire::Dispatcher& queue) {
    using namespace wire::read;
    namespace req = wire::req;
    auto on = [&queue](const char* command, std::function<void(const QString&)> reader) {
        queue.on(QString::fromLatin1(command),
                 [reader](const QString& body, int) { reader(body); });
    };
    on("CMD_logininfo", [](const QString& b) { req::logininfo(b); });
    on("CMD_kickhim", [](const QString& b) { req::kickhim(b); });
    on("CMD_botspeed", [](const QString& b) { req::botspeed(b); });
    on("CMD_justwatch", [](const QString& b) { req::justwatch(b); });
    on("CMD_justwatching", [](const QString& b) { justwatching(b); });
    on("CMD_chat", [](const QString& b) {
        req::line(b);
        chatLine(b);
    });
    on("CMD_startgame", [](const QString& b) {
        req::startgame(b);
        startgame(b);
    });
    on("CMD_rollthedice", [](const QString& b) {
        if (const auto roll = req::rollthedice(b)) FUZZ_CHECK(req::distinctDice(roll->dice));
    });
    on("CMD_alldone", [](const QString& b) {
        if (const auto done = req::alldone(b)) FUZZ_CHECK(req::distinctDice(done->dice));
    });
    on("CMD_sendlogininfo", [](const QString& b) { recordName(b); });
    on("CMD_loadstats", [](const QString& b) { loadstats(b); });
    on("CMD_loadpscores", [](const QString& b) { loadpscores(b); });
    on("CMD_nextplayer", [](const QString& b) { nextplayer(b); });
    on("CMD_createdice", [](const QString& b) { createdice(b); });
    on("CMD_scores", [](const QString& b) { scores(b); });
    on("CMD_noscore", [](const QString& b) { noscore(b); });
    on("CMD_markoff", [](const QString& b) { markoff(b); });
    on("CMD_winner", [](const QString& b) { winner(b); });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const int pieces = 1 + in.below(16);
    QList<QByteArray> chunks;
    for (int i = 0; i < pieces && !in.atEnd(); ++i)
        chunks.append(i + 1 == pieces ? in.rest() : in.bytes(255));

    wire::ReceiveRemainder remainder;
    wire::Dispatcher queue(QStringLiteral("socktimer"), 10);
    registerReaders(queue);
    QStringList errors;
    queue.setErrorSink([&errors](const QString& e) { errors.append(e); });

    QByteArray whole;
    QList<QByteArray> messages;
    bool overflowed = false;
    for (const QByteArray& chunk : chunks) {
        whole += chunk;
        QList<QByteArray> out;
        overflowed = !remainder.feed(chunk, out) || overflowed;
        FUZZ_CHECK(remainder.pending().size() < wire::ReceiveRemainder::kMaxPending);
        FUZZ_CHECK(!remainder.pending().contains(wire::kTerminator));
        for (const QByteArray& m : out) {
            FUZZ_CHECK(!m.contains(wire::kTerminator));
            messages.append(m);
            queue.enqueue(wire::decode(m), 1);
        }
        while (queue.pending() > 0)
            queue.tick();
        FUZZ_CHECK(!queue.timerActive());
    }
    if (overflowed) return 0;

    // Where the stream was cut must not matter: the same bytes in one piece give the
    // same messages and the same remainder, and nothing is lost or made up.
    QByteArray rebuilt;
    for (const QByteArray& m : messages)
        rebuilt += m + wire::kTerminator;
    rebuilt += remainder.pending();
    FUZZ_CHECK(rebuilt == whole);
    wire::ReceiveRemainder once;
    QList<QByteArray> onceOut;
    FUZZ_CHECK(once.feed(whole, onceOut));
    FUZZ_CHECK(onceOut == messages);
    for (const QString& e : errors)
        FUZZ_CHECK(e.endsWith(QLatin1String("' is not a valid integer value")));
    return 0;
}
