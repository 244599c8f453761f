#include "client/inifile.h"

#include "protocol/wiretext.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QSaveFile>

namespace {

bool isSectionLine(const QString& line, QString* name = nullptr) {
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']'))) return false;
    if (name) *name = t.mid(1, t.size() - 2).trimmed();
    return true;
}

bool keyOf(const QString& line, QString* key) {
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#'))) return false;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0) return false;
    *key = line.left(eq).trimmed();
    return !key->isEmpty();
}

} // namespace

bool IniFile::load() {
    m_lines.clear();
    QFile f(m_path);
    if (!f.exists()) return true;
    if (!f.open(QIODevice::ReadOnly)) return false;
    parse(f.readAll());
    return true;
}

void IniFile::parse(const QByteArray& bytes) {
    m_lines.clear();
    QString all = wire::decode(bytes);
    if (all.startsWith(QChar(0xFEFF))) all.remove(0, 1);
    m_eol = all.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    all.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_lines = all.split(QLatin1Char('\n'));
    if (!m_lines.isEmpty() && m_lines.constLast().isEmpty()) m_lines.removeLast();
}

QByteArray IniFile::text() const {
    QString out;
    for (const QString& l : m_lines) out += l + m_eol;
    return out.toUtf8();
}

bool IniFile::save() const {
    const QFileInfo info(m_path);
    QDir().mkpath(info.absolutePath());
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    f.write(text());
    return f.commit();
}

qsizetype IniFile::findSection(const QString& section) const {
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        QString name;
        if (isSectionLine(m_lines[i], &name) && name.compare(section, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

qsizetype IniFile::findKey(qsizetype sectionLine, const QString& key) const {
    for (qsizetype i = sectionLine + 1; i < m_lines.size(); ++i) {
        if (isSectionLine(m_lines[i])) break;
        QString k;
        if (keyOf(m_lines[i], &k) && k.compare(key, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

bool IniFile::contains(const QString& section, const QString& key) const {
    const qsizetype s = findSection(section);
    return s >= 0 && findKey(s, key) >= 0;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& fallback) const {
    const qsizetype s = findSection(section);
    if (s < 0) return fallback;
    const qsizetype k = findKey(s, key);
    if (k < 0) return fallback;
    const QString& line = m_lines[k];
    return line.mid(line.indexOf(QLatin1Char('=')) + 1);
}

int IniFile::readInteger(const QString& section, const QString& key, int fallback) const {
    bool ok = false;
    const int v = readString(section, key).trimmed().toInt(&ok, 10);
    return ok ? v : fallback;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    const QString line = key + QLatin1Char('=') + wire::singleLine(value);
    qsizetype s = findSection(section);
    if (s < 0) {
        if (!m_lines.isEmpty() && !m_lines.constLast().trimmed().isEmpty()) m_lines.append(QString());
        m_lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        m_lines.append(line);
        return;
    }
    const qsizetype k = findKey(s, key);
    if (k >= 0) {
        m_lines[k] = line;
        return;
    }
    // After the section's last non-blank line, so a blank separator stays in place.
    qsizetype insertAt = s + 1;
    for (qsizetype i = s + 1; i < m_lines.size() && !isSectionLine(m_lines[i]); ++i)
        if (!m_lines[i].trimmed().isEmpty()) insertAt = i + 1;
    m_lines.insert(insertAt, line);
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}
