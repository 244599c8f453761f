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

// A program installed under /usr belongs to the system, whose /usr stays read-only
// even where root could write beside it; a package's folder is never a portable copy.
bool systemFolder(const QString& folder) {
    const QString path = QDir::cleanPath(folder);
    return path == QLatin1String("/usr") || path.startsWith(QLatin1String("/usr/"));
}

QString place(const QString& name, QStandardPaths::StandardLocation fallback) {
    const QString program = programFolder();
    if (!systemFolder(program) && writable(program)) return QDir(program).filePath(name);
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
