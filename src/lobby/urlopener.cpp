#include "lobby/urlopener.h"

#include <QDesktopServices>

TURL::TURL() : m_opener([](const QUrl& address) { return QDesktopServices::openUrl(address); }) {}

QString TURL::scheme(URLType type) {
    switch (type) {
    case URLType::utFile:
        return QStringLiteral("file://");
    case URLType::utFtp:
        return QStringLiteral("ftp://");
    case URLType::utGopher:
        return QStringLiteral("gopher://");
    case URLType::utHttp:
        return QStringLiteral("http://");
    case URLType::utHttps:
        return QStringLiteral("https://");
    case URLType::utMailto:
        return QStringLiteral("mailto:");
    case URLType::utNews:
        return QStringLiteral("news:");
    case URLType::utTelnet:
        return QStringLiteral("telnet:");
    case URLType::utWais:
        return QStringLiteral("wais:");
    case URLType::utnone:
        break;
    }
    return {};
}

QString TURL::fullAddress() const {
    return m_url.isEmpty() ? QString() : scheme(m_type) + m_url;
}

bool TURL::open() const {
    if (m_url.isEmpty() || !m_opener) return false;
    const QUrl address(fullAddress());
    if (!address.isValid()) return false;
    return m_opener(address);
}
