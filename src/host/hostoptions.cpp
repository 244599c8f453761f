#include "host/hostoptions.h"

#include "lobbyproto/tables.h"
#include "version/version.h"

#include <QAbstractSocket>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QSysInfo>

#include <algorithm>
#include <sys/stat.h>

namespace host {

namespace {

HostOptions refuse(const QString& why) {
    HostOptions o;
    o.exit = true;
    o.status = 2;
    o.message = QStringLiteral("vimbrel-host: %1 (try --help)\n").arg(why);
    return o;
}

const char kHelp[] = QT_TRANSLATE_NOOP(
    "host",
    "Usage: vimbrel-host [--port N] [--bot-speed 500|1000|2000] [--bot-skill normal|expert]\n"
    "                    [--max-per-address N]\n"
    "                    [--lobby-server HOST[:PORT] --lobby-account JID\n"
    "                     --lobby-password-file F --lobby-address ADDR [--lobby-address ADDR]\n"
    "                     [--lobby-ca-file F] [--lobby-table-name NAME]]\n"
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
    "  --max-per-address N  connections one address may hold at once, 1 to 1000\n"
    "                   (default 4); more are closed as they come, with one log line\n"
    "  --lobby-server HOST[:PORT]  announce this table in the lobby on HOST (port 5222\n"
    "                   by default; brackets around an IPv6 address: [2001:db8::5]:5222)\n"
    "  --lobby-account JID  the lobby account the table is announced with\n"
    "  --lobby-password-file F  the account's password, the first line of F; F must be\n"
    "                   readable by its owner alone (chmod 600 F)\n"
    "  --lobby-address ADDR  the address players reach this table at, one IPv4 and one\n"
    "                   IPv6 at most (give the option twice for both)\n"
    "  --lobby-ca-file F  certificates to trust for the lobby's TLS besides the system's\n"
    "  --lobby-table-name NAME  the name the lobby lists (default: vimbrel-host on MACHINE)\n"
    "  --version        print the version and exit\n"
    "The first player to join runs the table: starts games, removes players, sets the\n"
    "bot speed and skill. Events are logged to standard output, one line each. SIGTERM or SIGINT\n"
    "tells the players and stops. Exit status: 0 stopped, 2 bad argument or busy port.\n");

bool isLobbyOption(const QString& a) {
    return a.startsWith(QLatin1String("--lobby-"));
}

// "HOST", "HOST:PORT", "[V6]" or "[V6]:PORT"; false when it is none of them.
bool readServer(const QString& text, LobbyOptions& lobby) {
    QString host = text;
    QString port;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0) return false;
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':'))) return false;
        port = rest.mid(1);
        if (rest.startsWith(QLatin1Char(':')) && port.isEmpty()) return false;
    } else if (text.count(QLatin1Char(':')) == 1) {
        host = text.section(QLatin1Char(':'), 0, 0);
        port = text.section(QLatin1Char(':'), 1);
        if (port.isEmpty()) return false;
    }
    if (host.isEmpty() || host.contains(QLatin1Char('/')) || host.contains(QLatin1Char(' ')))
        return false;
    if (!port.isEmpty()) {
        bool ok = false;
        const int n = port.toInt(&ok, 10);
        if (!ok || n < 1 || n > 65535) return false;
        lobby.port = quint16(n);
    }
    lobby.server = host;
    return true;
}

bool isTableName(const QString& name) {
    if (name.isEmpty() || name.size() > lobby::kMaxTableName) return false;
    return std::all_of(name.begin(), name.end(), [](QChar c) { return c.isPrint(); });
}

// One --lobby-* option with its value; the refusal's text, or empty when it is good.
QString readLobbyOption(const QString& a, const QString& value, LobbyOptions& lobby) {
    if (a == QLatin1String("--lobby-server")) {
        if (!readServer(value, lobby))
            return QStringLiteral("bad lobby server '%1': HOST or HOST:PORT").arg(value);
    } else if (a == QLatin1String("--lobby-account")) {
        const qsizetype at = value.indexOf(QLatin1Char('@'));
        if (at <= 0 || at == value.size() - 1 || value.count(QLatin1Char('@')) != 1 ||
            value.contains(QLatin1Char('/')))
            return QStringLiteral("bad lobby account '%1': name@domain").arg(value);
        lobby.account = value;
    } else if (a == QLatin1String("--lobby-password")) {
        // Anyone on the machine can read a command line (ps, /proc).
        return QStringLiteral("the lobby password is never taken on the command line: "
                              "put it in a file only you can read and give "
                              "--lobby-password-file");
    } else if (a == QLatin1String("--lobby-password-file")) {
        lobby.passwordFile = value;
    } else if (a == QLatin1String("--lobby-ca-file")) {
        lobby.caFile = value;
    } else if (a == QLatin1String("--lobby-table-name")) {
        if (!isTableName(value))
            return QStringLiteral("bad table name: 1 to %1 printable characters")
                .arg(lobby::kMaxTableName);
        lobby.tableName = value;
    } else if (a == QLatin1String("--lobby-address")) {
        QString bare = value;
        if (bare.startsWith(QLatin1Char('[')) && bare.endsWith(QLatin1Char(']')))
            bare = bare.mid(1, bare.size() - 2);
        const QHostAddress address(bare);
        const auto family = address.protocol();
        if (family != QAbstractSocket::IPv4Protocol && family != QAbstractSocket::IPv6Protocol)
            return QStringLiteral("bad lobby address '%1': an IPv4 or IPv6 address").arg(value);
        QString& slot = family == QAbstractSocket::IPv4Protocol ? lobby.ipv4 : lobby.ipv6;
        if (!slot.isEmpty())
            return QStringLiteral("two lobby addresses of one kind: '%1' and '%2'")
                .arg(slot, value);
        slot = address.toString();
    } else {
        return QStringLiteral("unknown argument '%1'").arg(a);
    }
    return {};
}

// The lobby options belong together: any of them asks for the three a log-in needs.
QString checkLobby(const LobbyOptions& lobby, bool given) {
    if (!given) return {};
    if (lobby.server.isEmpty()) return QStringLiteral("the lobby options need --lobby-server");
    if (lobby.account.isEmpty()) return QStringLiteral("--lobby-server needs --lobby-account");
    if (lobby.passwordFile.isEmpty())
        return QStringLiteral("--lobby-server needs --lobby-password-file");
    if (lobby.ipv4.isEmpty() && lobby.ipv6.isEmpty())
        return QStringLiteral("--lobby-server needs --lobby-address: where players reach "
                              "this table");
    return {};
}

} // namespace

QString defaultTableName() {
    QString machine = QSysInfo::machineHostName().section(QLatin1Char('.'), 0, 0);
    QString name = QStringLiteral("vimbrel-host on %1").arg(machine);
    if (machine.isEmpty()) name = QStringLiteral("vimbrel-host");
    name.truncate(lobby::kMaxTableName);
    return isTableName(name) ? name : QStringLiteral("vimbrel-host");
}

std::optional<QString> readPassword(const QString& path, QString* why) {
    const QByteArray local = QFile::encodeName(path);
    struct stat st {};
    if (::stat(local.constData(), &st) != 0) {
        *why = QStringLiteral("cannot read the lobby password file %1").arg(path);
        return std::nullopt;
    }
    if ((st.st_mode & 077) != 0) {
        *why = QStringLiteral("the lobby password file %1 is open to other users (mode %2); "
                              "make it readable by its owner alone: chmod 600 %1")
                   .arg(path, QString::number(st.st_mode & 0777, 8).rightJustified(4, u'0'));
        return std::nullopt;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("cannot read the lobby password file %1").arg(path);
        return std::nullopt;
    }
    const QString password =
        QString::fromUtf8(f.readLine(4096)).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    if (password.isEmpty()) {
        *why = QStringLiteral("the lobby password file %1 is empty").arg(path);
        return std::nullopt;
    }
    return password;
}

HostOptions parse(const QStringList& args) {
    HostOptions o;
    bool lobbyGiven = false;
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
        if (isLobbyOption(a)) {
            if (i + 1 >= args.size()) return refuse(QStringLiteral("%1 needs a value").arg(a));
            const QString why = readLobbyOption(a, args[++i], o.lobby);
            if (!why.isEmpty()) return refuse(why);
            lobbyGiven = true;
            continue;
        }
        const bool isPort = a == QLatin1String("--port");
        const bool isLimit = a == QLatin1String("--max-per-address");
        if (!isPort && !isLimit && a != QLatin1String("--bot-speed"))
            return refuse(QStringLiteral("unknown argument '%1'").arg(a));
        if (i + 1 >= args.size()) return refuse(QStringLiteral("%1 needs a value").arg(a));
        bool ok = false;
        const int value = args[++i].toInt(&ok, 10);
        if (isLimit) {
            if (!ok || value < 1 || value > 1000)
                return refuse(
                    QStringLiteral("bad connections per address '%1': 1 to 1000").arg(args[i]));
            o.maxPerAddress = value;
        } else if (isPort) {
            if (!ok || value < 0 || value > 65535)
                return refuse(QStringLiteral("bad port '%1'").arg(args[i]));
            o.port = value;
        } else {
            if (!ok || (value != 500 && value != 1000 && value != 2000))
                return refuse(QStringLiteral("bad bot speed '%1': 500, 1000 or 2000").arg(args[i]));
            o.botSpeed = value;
        }
    }
    if (const QString why = checkLobby(o.lobby, lobbyGiven); !why.isEmpty()) return refuse(why);
    if (o.lobby.enabled() && o.lobby.tableName.isEmpty()) o.lobby.tableName = defaultTableName();
    return o;
}

} // namespace host
