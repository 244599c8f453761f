// The settings file "zumveklobby.ini", shared with the game lobby. We read and write
// our own section only and keep every other section, key, comment and line as it
// was, byte for byte: each line is kept as the bytes it was read as, with its own line
// ending, and only a line whose value we change is written anew (as UTF-8). Values are
// taken raw: everything after the first "=" to the end of the line, so phrases with
// commas, quotes and "/me" come back exactly as written. Each line is read as UTF-8
// when it is valid UTF-8, else as Latin-1.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class IniFile {
public:
    explicit IniFile(QString path = {}) : m_path(std::move(path)) {}

    // Reads the file; a missing file reads as empty. False only when it exists but
    // cannot be read (no permission, a directory, a read error); such a file is then
    // never written by save().
    bool load();
    // Writes the whole file atomically (a new file renamed over the old one). False when
    // it could not be written, or when load() found the file unreadable.
    bool save() const;

    void parse(const QByteArray& bytes);
    QByteArray text() const;

    // Section and key names compare without regard to letter case.
    bool contains(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key,
                       const QString& fallback = {}) const;
    // A value that is not a decimal integer gives the fallback.
    int readInteger(const QString& section, const QString& key, int fallback) const;
    // Writing the value a key already holds leaves its line untouched.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);

    const QString& path() const { return m_path; }

private:
    struct Line {
        QByteArray bytes; // without the line ending
        QByteArray eol;   // "\n", "\r\n", or empty on a last line without one
        QString text() const;
    };

    qsizetype findSection(const QString& section) const;
    qsizetype findKey(qsizetype sectionLine, const QString& key) const;
    void insertLine(qsizetype at, const QByteArray& bytes);

    QString m_path;
    QByteArray m_bom; // a UTF-8 byte order mark the file started with
    QList<Line> m_lines;
    QByteArray m_eol = "\n"; // for lines we add: the ending the file uses
    bool m_unreadable = false;
};
