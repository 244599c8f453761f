#include "tally/core/replacingfile.h"

#include <QDir>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

ReplacingFile::ReplacingFile(const QString& target, bool sync) : m_target(target), m_sync(sync) {
    // Replace what a link points to, not the link.
    const QFileInfo info(target);
    if (info.isSymLink() && !info.canonicalFilePath().isEmpty())
        m_target = info.canonicalFilePath();
}

bool ReplacingFile::open() {
    const QFileInfo info(m_target);
    if (m_target.isEmpty() || info.isDir()) return false;
    m_temp.setFileTemplate(info.absoluteDir().filePath(QLatin1Char('.') + info.fileName() +
                                                       QStringLiteral(".XXXXXX")));
    return m_temp.open();
}

bool ReplacingFile::commit() {
    if (!m_temp.isOpen() || !m_temp.flush() || m_temp.error() != QFileDevice::NoError) return false;
#ifdef Q_OS_UNIX
    if (m_sync && ::fsync(m_temp.handle()) != 0) return false;
#endif
    const QFileInfo old(m_target);
    m_temp.setPermissions(old.exists() ? old.permissions()
                                       : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ReadUser | QFileDevice::WriteUser |
                                             QFileDevice::ReadGroup | QFileDevice::ReadOther);
    m_temp.close();
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(m_temp.fileName()).toStdString(),
                            QFile::encodeName(m_target).toStdString(), error);
    if (error) return false;
    m_temp.setAutoRemove(false); // it is the target now
    return true;
}
