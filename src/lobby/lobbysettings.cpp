#include "lobby/lobbysettings.h"

#include "paths/datafolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace lobby {

QString readIniValue(const QString& path, const QString& section, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    bool inSection = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection) continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0) continue;
        if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1).trimmed();
    }
    return {};
}

QString lobbyDownloadAddress() {
    const QString configured =
        readIniValue(datafolder::configFile(QLatin1String(kSettingsFile)),
                     QLatin1String(kSettingsSection), QLatin1String(kLobbyUrlKey));
    return configured.isEmpty() ? QString::fromLatin1(kDefaultLobbyUrl) : configured;
}

QString installerFileName(const QString& address) {
    return address.mid(address.lastIndexOf(u'/') + 1);
}

QString installerPath(const QString& fileName) {
    return datafolder::dataFile(fileName);
}

QString installedLobby() {
    // The copy beside the game first: a build folder or an unpacked copy keeps both together.
    const QFileInfo beside(
        QDir(datafolder::programFolder()).filePath(QLatin1String(kLobbyProgram)));
    if (beside.isFile() && beside.isExecutable()) return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(QLatin1String(kLobbyProgram));
}

} // namespace lobby
