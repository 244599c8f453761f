#include "host/hostoptions.h"

#include "version/version.h"

#include <QCoreApplication>

namespace host {

namespace {

Options refuse(const QString& why) {
    Options o;
    o.exit = true;
    o.status = 2;
    o.message = QStringLiteral("vimbrel-host: %1 (try --help)\n").arg(why);
    return o;
}

const char kHelp[] = QT_TRANSLATE_NOOP(
    "host",
    "Usage: vimbrel-host [--port N] [--bot-speed 500|1000|2000] [--bot-skill normal|expert]\n"
    "Runs one table of Vimbrel with no display and no player of its own. It listens on\n"
    "IPv4 and IPv6 alike (IPv4 alone where the machine has no IPv6). Players join it\n"
    "from the game with: vimbrel NAME ADDRESS join, where ADDRESS is this server's\n"
    "name, IPv4 address or IPv6 address (brackets optional: [2001:db8::5]).\n"
    "  --port N         TCP port to listen on (default 7772); 0 takes a free port, which\n"
    "                   the first log line names\n"
    "  --bot-speed MS   the computer's pace until the first player sets it: 2000 slow,\n"
    "                   1000 normal (default), 500 fast\n"
    "  --bot-skill S    how well the computer plays until the first player sets it:\n"
    "                   normal (default) or expert\n"
    "  --version        print the version and exit\n"
    "The first player to join runs the table: starts games, removes players, sets the\n"
    "bot speed and skill. Events are logged to standard output, one line each. SIGTERM or SIGINT\n"
    "tells the players and stops. Exit status: 0 stopped, 2 bad argument or busy port.\n");

} // namespace

Options parse(const QStringList& args) {
    Options o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.exit = true;
            o.message = QCoreApplication::translate("host", kHelp);
            return o;
        }
        if (a == QLatin1String("--version")) {
            o.exit = true;
            o.message =
                QStringLiteral("vimbrel-host %1\n").arg(QString::fromLatin1(vimbrel::kRelease));
            return o;
        }
        if (a == QLatin1String("--bot-skill")) {
            if (i + 1 >= args.size()) return refuse(QStringLiteral("%1 needs a value").arg(a));
            const QString skill = args[++i];
            if (skill != QLatin1String("normal") && skill != QLatin1String("expert"))
                return refuse(QStringLiteral("bad bot skill '%1': normal or expert").arg(skill));
            o.expert = skill == QLatin1String("expert");
            continue;
        }
        const bool isPort = a == QLatin1String("--port");
        if (!isPort && a != QLatin1String("--bot-speed"))
            return refuse(QStringLiteral("unknown argument '%1'").arg(a));
        if (i + 1 >= args.size()) return refuse(QStringLiteral("%1 needs a value").arg(a));
        bool ok = false;
        const int value = args[++i].toInt(&ok, 10);
        if (isPort) {
            if (!ok || value < 0 || value > 65535)
                return refuse(QStringLiteral("bad port '%1'").arg(args[i]));
            o.port = value;
        } else {
            if (!ok || (value != 500 && value != 1000 && value != 2000))
                return refuse(QStringLiteral("bad bot speed '%1': 500, 1000 or 2000").arg(args[i]));
            o.botSpeed = value;
        }
    }
    return o;
}

} // namespace host
