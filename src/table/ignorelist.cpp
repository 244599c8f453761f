#include "table/ignorelist.h"

#include <QUrl>

bool IgnoreList::add(const QString& name) {
    if (name.isEmpty() || m_names.contains(name)) return false;
    m_names << name;
    return true;
}

bool IgnoreList::remove(const QString& name) {
    return m_names.removeAll(name) > 0;
}

QString IgnoreList::senderOf(const QString& line, Relay relay, const QStringList& candidates) {
    const QString separator =
        relay == Relay::Chat ? QStringLiteral(" chats: ") : QStringLiteral(" ");
    QString best;
    for (const QString& name : candidates) {
        if (name.size() <= best.size() || name.isEmpty()) continue;
        if (line.startsWith(name) && QStringView(line).mid(name.size()).startsWith(separator))
            best = name;
    }
    return best;
}

QString IgnoreList::toSetting() const {
    QStringList parts;
    for (QString name : m_names)
        parts << name.replace(QLatin1Char('%'), QLatin1String("%25"))
                     .replace(QLatin1Char(','), QLatin1String("%2C"));
    return parts.join(QLatin1Char(','));
}

IgnoreList IgnoreList::fromSetting(const QString& value) {
    IgnoreList list;
    for (const QString& part : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
        list.add(QUrl::fromPercentEncoding(part.toUtf8()));
    return list;
}
