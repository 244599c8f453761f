#include "text/converterror.h"

#include <limits>

namespace text {

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

} // namespace text
