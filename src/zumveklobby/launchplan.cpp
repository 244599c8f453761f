#include "zumveklobby/launchplan.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zumvek {

QString joinAddress(const QString& ipv4, const QString& ipv6, quint16 port) {
    QString address;
    if (!ipv4.isEmpty())
        address = ipv4;
    else if (!ipv6.isEmpty())
        // The brackets keep the address's colons apart from the port's.
        address = QLatin1Char('[') + ipv6 + QLatin1Char(']');
    else
        return {};
    if (port != 0 && port != kGamePort) address += QLatin1Char(':') + QString::number(port);
    return address;
}

QString joinAddress(const lobby::Table& table) {
    return joinAddress(table.ipv4, table.ipv6, table.port);
}

QStringList joinArguments(const QString& name, const QString& address) {
    if (address.isEmpty()) return {};
    return {name, address, QStringLiteral("join")};
}

QStringList joinArguments(const QString& name, const lobby::Table& table) {
    return joinArguments(name, joinAddress(table));
}

QStringList hostArguments(const QString& name) {
    return {name, QStringLiteral("127.0.0.1"), QStringLiteral("true")};
}

QString findGame(const QString& configured, const QString& ownFolder) {
    if (!configured.trimmed().isEmpty()) {
        const QString path = configured.trimmed();
        // A bare name is looked up like a command; a path is taken as it is.
        if (!path.contains(QLatin1Char('/'))) return QStandardPaths::findExecutable(path);
        const QFileInfo info(path);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    const QFileInfo beside(QDir(ownFolder).filePath(QStringLiteral("vimbrel")));
    if (beside.isFile() && beside.isExecutable()) return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(QStringLiteral("vimbrel"));
}

} // namespace zumvek
