#include "zumveklobby/lobbyconfig.h"

#include "settings/inifile.h"
#include "paths/datafolder.h"

#include <QRegularExpression>

namespace zumvek {

namespace {

const QString kServer = QStringLiteral("Server");
const QString kServerHost = QStringLiteral("ServerHost");
const QString kAccount = QStringLiteral("Account");
const QString kGuest = QStringLiteral("Guest");
const QString kGameProgram = QStringLiteral("GameProgram");
const QString kPublicAddress = QStringLiteral("PublicAddress");
const QString kCaFile = QStringLiteral("CAFile");
const QString kLeft = QStringLiteral("Left");
const QString kTop = QStringLiteral("Top");
const QString kWidth = QStringLiteral("Width");
const QString kHeight = QStringLiteral("Height");

} // namespace

LobbyConfig LobbyConfig::load(const QString& path) {
    LobbyConfig c;
    IniFile ini(path);
    ini.load();
    const QString s = QString::fromLatin1(kSection);
    const QString server = ini.readString(s, kServer).trimmed();
    if (!server.isEmpty()) c.server = server;
    c.serverHost = ini.readString(s, kServerHost).trimmed();
    c.account = ini.readString(s, kAccount).trimmed();
    c.guest = ini.readString(s, kGuest).trimmed() == QLatin1String("true");
    c.gameProgram = ini.readString(s, kGameProgram).trimmed();
    c.publicAddress = ini.readString(s, kPublicAddress).trimmed();
    c.caFile = ini.readString(s, kCaFile).trimmed();
    const int w = ini.readInteger(s, kWidth, 0);
    const int h = ini.readInteger(s, kHeight, 0);
    if (w > 0 && h > 0)
        c.geometry = QRect(ini.readInteger(s, kLeft, 0), ini.readInteger(s, kTop, 0), w, h);
    return c;
}

bool LobbyConfig::save(const QString& path) const {
    // Read again just before writing, so what the game wrote meanwhile stays.
    IniFile ini(path);
    if (!ini.load()) return false;
    const QString s = QString::fromLatin1(kSection);
    ini.writeString(s, kServer, server);
    ini.writeString(s, kServerHost, serverHost);
    ini.writeString(s, kAccount, account);
    ini.writeString(s, kGuest, guest ? QStringLiteral("true") : QStringLiteral("false"));
    ini.writeString(s, kGameProgram, gameProgram);
    ini.writeString(s, kPublicAddress, publicAddress);
    ini.writeString(s, kCaFile, caFile);
    if (!geometry.isNull()) {
        ini.writeInteger(s, kLeft, geometry.left());
        ini.writeInteger(s, kTop, geometry.top());
        ini.writeInteger(s, kWidth, geometry.width());
        ini.writeInteger(s, kHeight, geometry.height());
    }
    return ini.save();
}

QString settingsPath() {
    return datafolder::configFile(QStringLiteral("zumveklobby.ini"));
}

std::optional<ServerAddress> parseServer(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^([A-Za-z0-9](?:[A-Za-z0-9.-]{0,251}[A-Za-z0-9])?)(?::(\\d{1,5}))?$"));
    const auto m = pattern.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    ServerAddress a{m.captured(1), 0};
    if (m.hasCaptured(2)) {
        const int port = m.captured(2).toInt();
        if (port < 1 || port > 65535) return std::nullopt;
        a.port = quint16(port);
    }
    return a;
}

} // namespace zumvek
