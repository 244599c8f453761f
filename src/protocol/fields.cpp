#include "protocol/fields.h"

namespace wire {

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
