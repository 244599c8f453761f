// The settings file "zumveklobby.ini", shared with the game lobby. We read and write
// our own section only and keep every other section, key, comment and line as it
// was. Values are taken raw: everything after the first "=" to the end of the line,
// so phrases with commas, quotes and "/me" come back exactly as written.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class IniFile {
public:
    explicit IniFile(QString path = {}) : m_path(std::move(path)) {}

    // Reads the file; a missing file reads as empty. False only when it exists but
    // cannot be read.
    bool load();
    // Writes the whole file atomically (a new file renamed over the old one).
    bool save() const;

    void parse(const QByteArray& bytes);
    QByteArray text() const;

    // Section and key names compare without regard to letter case.
    bool contains(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& fallback = {}) const;
    // A value that is not a decimal integer gives the fallback.
    int readInteger(const QString& section, const QString& key, int fallback) const;
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);

    const QString& path() const { return m_path; }

private:
    qsizetype findSection(const QString& section) const;
    qsizetype findKey(qsizetype sectionLine, const QString& key) const;

    QString m_path;
    QList<QString> m_lines;
    QString m_eol = QStringLiteral("\n");
};
