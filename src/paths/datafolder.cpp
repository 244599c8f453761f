#include "paths/datafolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace datafolder {
namespace {

bool writable(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
    // QFileInfo::isWritable looks at permission bits only; try for real.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".vimbrel-probe-XXXXXX")));
    return probe.open();
}

QString place(const QString& name, QStandardPaths::StandardLocation fallback) {
    const QString program = programFolder();
    if (writable(program)) return QDir(program).filePath(name);
    QString folder = QStandardPaths::writableLocation(fallback);
    if (folder.isEmpty()) folder = QDir::homePath();
    QDir().mkpath(folder);
    return QDir(folder).filePath(name);
}

} // namespace

QString programFolder() {
    const QString override = qEnvironmentVariable("VIMBREL_PROGRAM_DIR");
    if (!override.isEmpty()) return override;
    return QCoreApplication::applicationDirPath();
}

QString configFile(const QString& name) { return place(name, QStandardPaths::AppConfigLocation); }
QString dataFile(const QString& name) { return place(name, QStandardPaths::AppDataLocation); }

} // namespace datafolder
