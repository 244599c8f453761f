#include "settings/inifile.h"

#include "text/utf8text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#')))
        return false;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0) return false;
    *key = line.left(eq).trimmed();
    return !key->isEmpty();
}

QString valueOf(const QString& line) {
    return line.mid(line.indexOf(QLatin1Char('=')) + 1);
}

} // namespace

// Decoded line by line, so one section's Latin-1 does not turn another's UTF-8 into
// nonsense.
QString IniFile::Line::text() const {
    return text::decode(bytes);
}

bool IniFile::load() {
    m_lines.clear();
    m_bom.clear();
    m_unreadable = false;
    QFile f(m_path);
    if (!f.exists()) return true;
    QByteArray bytes;
    if (f.open(QIODevice::ReadOnly)) bytes = f.readAll();
    if (!f.isOpen() || f.error() != QFileDevice::NoError) {
        m_unreadable = true;
        return false;
    }
    parse(bytes);
    return true;
}

void IniFile::parse(const QByteArray& bytes) {
    m_lines.clear();
    m_bom = bytes.startsWith("\xEF\xBB\xBF") ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    m_eol = "\n";
    bool eolSeen = false;
    qsizetype at = m_bom.size();
    while (at < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', at);
        Line line;
        if (nl < 0) {
            line.bytes = bytes.mid(at);
            at = bytes.size();
        } else {
            line.bytes = bytes.mid(at, nl - at);
            line.eol = "\n";
            if (line.bytes.endsWith('\r')) {
                line.bytes.chop(1);
                line.eol = "\r\n";
            }
            at = nl + 1;
            if (!eolSeen) m_eol = line.eol;
            eolSeen = true;
        }
        m_lines.append(line);
    }
}

QByteArray IniFile::text() const {
    QByteArray out = m_bom;
    for (const Line& l : m_lines)
        out += l.bytes + l.eol;
    return out;
}

bool IniFile::save() const {
    if (m_unreadable) return false;
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
        if (isSectionLine(m_lines[i].text(), &name) &&
            name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

qsizetype IniFile::findKey(qsizetype sectionLine, const QString& key) const {
    for (qsizetype i = sectionLine + 1; i < m_lines.size(); ++i) {
        const QString line = m_lines[i].text();
        if (isSectionLine(line)) break;
        QString k;
        if (keyOf(line, &k) && k.compare(key, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

bool IniFile::contains(const QString& section, const QString& key) const {
    const qsizetype s = findSection(section);
    return s >= 0 && findKey(s, key) >= 0;
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& fallback) const {
    const qsizetype s = findSection(section);
    if (s < 0) return fallback;
    const qsizetype k = findKey(s, key);
    if (k < 0) return fallback;
    return valueOf(m_lines[k].text());
}

int IniFile::readInteger(const QString& section, const QString& key, int fallback) const {
    bool ok = false;
    const int v = readString(section, key).trimmed().toInt(&ok, 10);
    return ok ? v : fallback;
}

void IniFile::insertLine(qsizetype at, const QByteArray& bytes) {
    // A last line without an ending gets one once something follows it.
    if (at > 0 && m_lines[at - 1].eol.isEmpty()) m_lines[at - 1].eol = m_eol;
    m_lines.insert(at, Line{bytes, m_eol});
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    const QString clean = text::singleLine(value);
    const QByteArray line = (key + QLatin1Char('=') + clean).toUtf8();
    const qsizetype s = findSection(section);
    if (s < 0) {
        if (!m_lines.isEmpty() && !m_lines.constLast().text().trimmed().isEmpty())
            insertLine(m_lines.size(), {});
        insertLine(m_lines.size(), '[' + section.toUtf8() + ']');
        insertLine(m_lines.size(), line);
        return;
    }
    const qsizetype k = findKey(s, key);
    if (k >= 0) {
        if (valueOf(m_lines[k].text()) != clean) m_lines[k].bytes = line;
        return;
    }
    // After the section's last non-blank line, so a blank separator stays in place.
    qsizetype insertAt = s + 1;
    for (qsizetype i = s + 1; i < m_lines.size() && !isSectionLine(m_lines[i].text()); ++i)
        if (!m_lines[i].text().trimmed().isEmpty()) insertAt = i + 1;
    insertLine(insertAt, line);
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}
