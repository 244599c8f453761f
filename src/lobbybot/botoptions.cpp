#include "lobbybot/botoptions.h"

#include "version/version.h"

#include <QFile>
#include <QHostAddress>
#include <QRegularExpression>

namespace lobbybot {

namespace {

const char kHelp[] =
    "Usage: vimbrel-lobbybot --server HOST [--port 5222] --domain D --password-file F\n"
    "                        [--ca-file F] [--admin ACCOUNT]\n"
    "                        [--host-program PATH --ports FIRST-LAST --public-address ADDR]\n"
    "Keeps the list of open tables in the lobby's room as lobbybot@D/bot.\n"
    "  --server HOST          the XMPP server to connect to\n"
    "  --port N               its client port (default 5222)\n"
    "  --domain D             the lobby's domain: accounts on D, the room on conference.D\n"
    "  --password-file F      a file whose first line is the bot's password\n"
    "  --ca-file F            extra trusted certificates for a private server\n"
    "  --admin ACCOUNT        the account that marks operators' tables trusted for\n"
    "                         ratings (default admin@D)\n"
    "Tables on the server, for players who cannot open a port (all three options):\n"
    "  --host-program PATH    vimbrel-host\n"
    "  --ports FIRST-LAST     the ports the tables may use, one table each\n"
    "  --public-address ADDR  the server's address players reach (IPv4, IPv6, or both\n"
    "                         by giving it twice)\n"
    "One line per event goes to standard output. SIGTERM or SIGINT stops the bot and its\n"
    "tables.\n";

BotOptions refuse(const QString& why) {
    BotOptions o;
    o.exit = true;
    o.status = 2;
    o.message = QStringLiteral("vimbrel-lobbybot: %1 (try --help)\n").arg(why);
    return o;
}

bool readRange(const QString& text, quint16* first, quint16* last) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})-(\\d{1,5})$"));
    const auto m = pattern.match(text);
    if (!m.hasMatch()) return false;
    const uint a = m.captured(1).toUInt(), b = m.captured(2).toUInt();
    if (a == 0 || b > 65535 || a > b || b - a >= 1000) return false;
    *first = quint16(a);
    *last = quint16(b);
    return true;
}

QString checkTables(const BotOptions& o) {
    const bool any = !o.hostProgram.isEmpty() || o.firstPort || !o.publicAddresses.isEmpty();
    const bool all = !o.hostProgram.isEmpty() && o.firstPort && !o.publicAddresses.isEmpty();
    if (any && !all)
        return QStringLiteral("--host-program, --ports and --public-address go together");
    if (o.publicAddresses.size() > 2) return QStringLiteral("at most two --public-address");
    for (const QString& a : o.publicAddresses)
        if (QHostAddress(a).isNull()) return QStringLiteral("%1 is not an address").arg(a);
    return {};
}

// One option with its value; the refusal's text, or empty when it is good.
QString readOption(const QString& a, const QString& v, BotOptions& o) {
    if (a == QLatin1String("--server"))
        o.server = v;
    else if (a == QLatin1String("--domain"))
        o.domain = v;
    else if (a == QLatin1String("--password-file"))
        o.passwordFile = v;
    else if (a == QLatin1String("--ca-file"))
        o.caFile = v;
    else if (a == QLatin1String("--admin"))
        o.admin = v;
    else if (a == QLatin1String("--host-program"))
        o.hostProgram = v;
    else if (a == QLatin1String("--public-address"))
        o.publicAddresses << v;
    else if (a == QLatin1String("--port")) {
        bool ok = false;
        const uint p = v.toUInt(&ok);
        if (!ok || p == 0 || p > 65535) return QStringLiteral("bad port %1").arg(v);
        o.port = quint16(p);
    } else if (a == QLatin1String("--ports")) {
        if (!readRange(v, &o.firstPort, &o.lastPort))
            return QStringLiteral("--ports takes FIRST-LAST, at most 1000 ports");
    } else {
        return QStringLiteral("unknown option %1").arg(a);
    }
    return {};
}

} // namespace

BotOptions parseBotOptions(const QStringList& args) {
    BotOptions o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.exit = true;
            o.message = QString::fromLatin1(kHelp);
            return o;
        }
        if (a == QLatin1String("--version")) {
            o.exit = true;
            o.message =
                QStringLiteral("vimbrel-lobbybot %1\n").arg(QString::fromLatin1(vimbrel::kRelease));
            return o;
        }
        if (i + 1 >= args.size()) return refuse(QStringLiteral("%1 needs a value").arg(a));
        if (const QString bad = readOption(a, args[++i], o); !bad.isEmpty()) return refuse(bad);
    }
    if (o.server.isEmpty() || o.domain.isEmpty() || o.passwordFile.isEmpty())
        return refuse(QStringLiteral("--server, --domain and --password-file are needed"));
    if (const QString bad = checkTables(o); !bad.isEmpty()) return refuse(bad);
    if (o.admin.isEmpty()) o.admin = QStringLiteral("admin@") + o.domain;
    return o;
}

QString readPasswordFile(const QString& path, QString* why) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *why = f.errorString();
        return {};
    }
    const QString line = QString::fromUtf8(f.readLine(4096)).trimmed();
    if (line.isEmpty()) *why = QStringLiteral("the file holds no password");
    return line;
}

bool isLoopbackHost(const QString& host) {
    if (host == QLatin1String("localhost")) return true;
    QString h = host;
    if (h.startsWith(QLatin1Char('[')) && h.endsWith(QLatin1Char(']'))) h = h.mid(1, h.size() - 2);
    return QHostAddress(h).isLoopback();
}

} // namespace lobbybot
