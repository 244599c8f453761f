// An output file written beside its target and renamed over it only when complete,
// so a failed write never leaves a partial file nor destroys the previous one.
#pragma once

#include <QString>
#include <QTemporaryFile>

class ReplacingFile {
public:
    // `sync`: flush the data to the disk before the rename (for the player's files).
    ReplacingFile(const QString& target, bool sync);

    // Creates the temporary file in the target's folder.
    bool open();
    QIODevice& device() { return m_temp; }
    // Flushes, gives the file the target's permissions and renames it over the target.
    // Without a successful commit the temporary file is removed on destruction.
    bool commit();

private:
    QString m_target;
    bool m_sync;
    QTemporaryFile m_temp;
};
