#include "lobby/httpcli.h"

#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

THttpCli::THttpCli(QObject* parent) : QObject(parent), m_manager(new QNetworkAccessManager(this)) {
    // The installer is fetched directly, never through a proxy from the environment.
    m_manager->setProxy(QNetworkProxy::NoProxy);
}

THttpCli::~THttpCli() {
    // Ending the program during a download ends the download; nobody hears about it.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        delete m_reply;
    }
}

bool THttpCli::get(QIODevice* rcvdStream) {
    if (m_reply) return false;
    QNetworkRequest request(m_url);
    request.setHeader(QNetworkRequest::UserAgentHeader, m_agent);
    request.setRawHeader("Accept", m_accept);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    m_stream = rcvdStream;
    m_received = 0;
    m_headSeen = false;
    m_bodyAllowed = false;
    m_failure.clear();
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &THttpCli::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &THttpCli::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &THttpCli::onFinished);
    return true;
}

void THttpCli::abort() {
    if (!m_reply) return;
    if (m_failure.isEmpty()) m_failure = tr("Download aborted");
    m_reply->abort();
}

void THttpCli::onMetaData() {
    if (m_headSeen || !m_reply) return;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) return; // not the final head yet
    m_headSeen = true;
    const QByteArray reason =
        m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    emit headerData("HTTP " + QByteArray::number(status.toInt()) + ' ' + reason);
    for (const auto& [name, value] : m_reply->rawHeaderPairs())
        emit headerData(name + ": " + value);
    if (status.toInt() >= 400) {
        m_failure = tr("HTTP error %1 %2").arg(status.toInt()).arg(QString::fromLatin1(reason));
        return;
    }
    m_bodyAllowed = true;
    emit docBegin();
}

void THttpCli::onReadyRead() {
    if (!m_reply) return;
    if (!m_headSeen) onMetaData();
    const QByteArray piece = m_reply->readAll();
    if (!m_bodyAllowed || piece.isEmpty()) return;
    if (!m_stream || m_stream->write(piece) != piece.size()) {
        // A short write would leave a corrupt installer that looks complete.
        fail(tr("Cannot write the download: %1")
                 .arg(m_stream ? m_stream->errorString() : tr("no file")));
        return;
    }
    m_received += piece.size();
    emit docData(m_received);
}

void THttpCli::fail(const QString& error) {
    m_failure = error;
    m_bodyAllowed = false;
    if (m_reply) m_reply->abort();
}

void THttpCli::onFinished() {
    QNetworkReply* reply = m_reply;
    if (!reply) return;
    if (!m_headSeen && reply->error() == QNetworkReply::NoError) onMetaData();
    if (reply->error() == QNetworkReply::NoError && m_bodyAllowed)
        onReadyRead(); // whatever is still buffered
    QString failure = m_failure;
    if (failure.isEmpty() && reply->error() != QNetworkReply::NoError)
        failure = reply->errorString();
    if (failure.isEmpty() && !m_bodyAllowed) failure = tr("No document received");
    m_reply = nullptr;
    m_stream = nullptr;
    reply->deleteLater();
    emit requestDone(failure.isEmpty(), failure);
}
