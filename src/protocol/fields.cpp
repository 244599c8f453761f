#include "protocol/fields.h"

#include <limits>

namespace wire {

ConvertError::ConvertError(const QString& field)
    : m_field(field),
      m_utf8(QStringLiteral("'%1' is not a valid integer value").arg(field).toStdString()) {}

int toInt(const QString& field) {
    const qsizetype n = field.size();
    qsizetype i = 0;
    bool negative = false;
    if (i < n && field[i] == QLatin1Char('-')) {
        negative = true;
        ++i;
    }
    if (i == n || n - i > 10) throw ConvertError(field);
    qint64 v = 0;
    for (; i < n; ++i) {
        const char16_t c = field[i].unicode();
        if (c < u'0' || c > u'9') throw ConvertError(field);
        v = v * 10 + (c - u'0');
    }
    if (negative) v = -v;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        throw ConvertError(field);
    return static_cast<int>(v);
}

QString FieldReader::next() {
    if (m_pos >= m_body.size()) return {};
    const qsizetype plus = m_body.indexOf(QLatin1Char('+'), m_pos);
    QString f;
    if (plus < 0) {
        f = m_body.mid(m_pos);
        m_pos = m_body.size();
    } else {
        f = m_body.mid(m_pos, plus - m_pos);
        m_pos = plus + 1;
    }
    return f;
}

QString FieldReader::rest() {
    QString r = m_body.mid(m_pos);
    m_pos = m_body.size();
    return r;
}

QList<int> FieldReader::intList() {
    QList<int> items;
    if (atEnd()) return items;
    const QString remaining = m_body.mid(m_pos);
    if (remaining == QLatin1String("none")) {
        m_pos = m_body.size();
        return items;
    }
    while (!atEnd()) items.append(nextInt());
    return items;
}

} // namespace wire
