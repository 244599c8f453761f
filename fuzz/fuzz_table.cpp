// The table window as a hostile or broken host would drive it: any message with any
// numbers, interleaved with the player's clicks and the window's own timers. It
// must neither crash nor send the host anything but well-formed requests.
#include "fuzzinput.h"

#include "client/board/board.h"
#include "client/chatform.h"
#include "client/chatpanel.h"
#include "client/sound/sounds.h"
#include "protocol/wiretext.h"
#include "support/locallinks.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

namespace {

// The host's end of the table's in-process connection: takes it into record 1 and
// checks every request that comes through.
class CheckingHost : public ServerEvents {
public:
    explicit CheckingHost(LocalServerLink& pair) : m_pair(pair) { m_pair.attach(this); }
    ~CheckingHost() override { m_pair.attach(nullptr); }
    void Sock1Accept() override { m_pair.accept(1); }
    void tempsockDisconnect(int, Departure) override {}
    void Sock1Read(int, const QByteArray& bytes) override {
        static const QList<QByteArray> kRequests = {
            "CMD_logininfo+", "CMD_kickhim+",   "CMD_botspeed+",    "CMD_chat+",   "CMD_action+",
            "CMD_startgame+", "CMD_justwatch+", "CMD_rollthedice+", "CMD_alldone+"};
        FUZZ_CHECK(bytes.endsWith(wire::kTerminator) && bytes.count(wire::kTerminator) == 1);
        bool known = false;
        for (const QByteArray& r : kRequests)
            known = known || bytes.startsWith(r);
        FUZZ_CHECK(known);
    }

private:
    LocalServerLink& m_pair;
};

// Numbers a host might send: the valid ranges, their edges and far beyond.
int number(fuzz::Input& in) {
    static const int kOdd[] = {-1, -2147483647 - 1, 2147483647, 99, 1000, 65536};
    const int pick = in.below(20);
    return pick < 14 ? pick - 1 : kOdd[pick - 14];
}

QString numbers(fuzz::Input& in, int count) {
    QString text;
    for (int i = 0; i < count; ++i)
        text += QLatin1Char('+') + QString::number(number(in));
    return text;
}

QString hostMessage(fuzz::Input& in) {
    static const char* kCommands[] = {"CMD_sendlogininfo",
                                      "CMD_newplayerinfo",
                                      "CMD_existingplayers",
                                      "CMD_playerdisconnected",
                                      "CMD_justwatching",
                                      "CMD_createdice",
                                      "CMD_startgame",
                                      "CMD_nextplayer",
                                      "CMD_scores",
                                      "CMD_noscore",
                                      "CMD_markoff",
                                      "CMD_loadstats",
                                      "CMD_loadpscores",
                                      "CMD_winner",
                                      "CMD_chat",
                                      "CMD_havewrongversion",
                                      "CMD_wrongversion",
                                      "CMD_full"};
    const QString command = QString::fromLatin1(kCommands[in.below(std::size(kCommands))]);
    QString body = numbers(in, in.below(40)).mid(1);
    if (in.flag()) body += QLatin1Char('+') + wire::decode(in.bytes(40));
    if (in.below(4) == 0) body += QStringLiteral("+none");
    return command + QLatin1Char('+') + body;
}

// Every label that can show received text must stay plain text; when asked, the window
// is also laid out and painted, as showing it would (a label that read a received name
// as markup would load its pictures then). Painting is by far the dearest step, so it
// happens once per input, at the end.
void checkPlain(Tchat& table, bool paint) {
    if (paint) table.grab();
    for (const QLabel* label : table.findChildren<QLabel*>())
        FUZZ_CHECK(label->textFormat() == Qt::PlainText);
}

void drain(Tchat& table) {
    for (int i = 0; i < 200 && table.queue().pending() > 0; ++i)
        table.queue().tick();
}

void step(fuzz::Input& in, Tchat& table) {
    Board& board = *table.board();
    switch (in.below(10)) {
    case 0:
    case 1:
    case 2:
        table.received(hostMessage(in));
        break;
    case 3:
        table.received(wire::decode(in.bytes(200)));
        break;
    case 4:
        drain(table);
        break;
    case 5:
        board.dicetimerTimer();
        break;
    case 6: {
        const int die = in.below(12);
        board.image_d1MouseUp(die, in.flag() ? Qt::LeftButton : Qt::RightButton);
        break;
    }
    case 7:
        switch (in.below(5)) {
        case 0:
            board.button_rollClick();
            break;
        case 1:
            board.button_alldoneClick();
            break;
        case 2:
            board.sortthem();
            break;
        case 3:
            board.button_startClick();
            break;
        default:
            board.playKey(Qt::Key_0 + in.below(10));
        }
        break;
    case 8:
        if (in.flag())
            table.session().remove(number(in));
        else
            checkPlain(table, false);
        break;
    default:
        table.JustWatch1Click();
        if (table.state().phraseReady) table.b_phrase1Click(in.below(10));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The table reads and writes its settings file: keep it out of anybody's home.
    static QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("VIMBREL_PROGRAM_DIR", QFile::encodeName(home.path()));
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    LocalServerLink pair;
    CheckingHost host(pair);
    LocalClientLink link(pair);
    Tchat table(link);
    // The settings file the table reads when the host seats it.
    QFile settings(table.settingsPath());
    if (settings.open(QIODevice::WriteOnly | QIODevice::Truncate)) settings.write(in.bytes(255));
    settings.close();
    table.setMessageSink([](const QString&) {});
    table.setAlertAction([](QWidget*) {});
    table.sounds()->setEnabled(false);
    table.session().setPlayerName(QStringLiteral("Ann"));
    if (in.flag()) table.session().hostpowers();
    link.open(QString());
    pair.pump();
    // Every request is checked as it arrives: one send, one read.
    for (int steps = 0; !in.atEnd() && steps < 500; ++steps) {
        step(in, table);
        pair.pump();
    }
    drain(table);
    pair.pump();
    checkPlain(table, true);
    return 0;
}
