// TURL: a web, mail or file address that the system's default handler opens.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

enum class URLType {
    utFile,
    utFtp,
    utGopher,
    utHttp,
    utHttps,
    utMailto,
    utNews,
    utTelnet,
    utWais,
    utnone
};

class TURL {
public:
    // Hands an address to the system; true when the system accepted it.
    using Opener = std::function<bool(const QUrl& address)>;

    TURL();

    // The address without its scheme, e.g. "www.zumvek.com".
    QString URL() const { return m_url; }
    void setURL(const QString& url) { m_url = url; }
    URLType urlType() const { return m_type; }
    void setURLType(URLType type) { m_type = type; }

    // The scheme written before the address for `type` ("http://", "mailto:", ...).
    static QString scheme(URLType type);
    // Scheme and address joined; empty when the address is empty.
    QString fullAddress() const;

    // Opens the full address with the system's default handler. An empty address opens
    // nothing and gives false.
    bool open() const;

    // Replaces the system opener (tests record what would have been opened).
    void setOpener(Opener opener) { m_opener = std::move(opener); }

private:
    QString m_url;
    URLType m_type = URLType::utHttp;
    Opener m_opener;
};
