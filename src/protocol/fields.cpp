#include "protocol/fields.h"

#include <limits>

namespace wire {

ConvertError::ConvertError(const QString& field)
    : m_field(field),
      m_utf8(QStringLiteral("'%1' is not a valid integer value").arg(field).toStdString()) {}

int toInt(QStringView field) {
    const qsizetype n = field.size();
    qsizetype i = 0;
    bool negative = false;
    if (i < n && field[i] == QLatin1Char('-')) {
        negative = true;
        ++i;
    }
    if (i == n || n - i > 10) throw ConvertError(field.toString());
    qint64 v = 0;
    for (; i < n; ++i) {
        const char16_t c = field[i].unicode();
        if (c < u'0' || c > u'9') throw ConvertError(field.toString());
        v = v * 10 + (c - u'0');
    }
    if (negative) v = -v;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        throw ConvertError(field.toString());
    return static_cast<int>(v);
}

QStringView FieldReader::nextView() {
    const QStringView body(m_body);
    if (m_pos >= body.size()) return {};
    const qsizetype plus = body.indexOf(u'+', m_pos);
    const qsizetype end = plus < 0 ? body.size() : plus;
    const QStringView f = body.sliced(m_pos, end - m_pos);
    m_pos = plus < 0 ? body.size() : plus + 1;
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
    if (QStringView(m_body).sliced(m_pos) == u"none") {
        m_pos = m_body.size();
        return items;
    }
    items.reserve(QStringView(m_body).sliced(m_pos).count(u'+') + 1);
    while (!atEnd())
        items.append(nextInt());
    return items;
}

} // namespace wire
