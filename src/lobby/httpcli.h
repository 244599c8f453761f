// THttpCli: a GET client that streams the document into a device given by the caller.
//
// Asynchronous on the user-interface thread, so the game's timers and sockets keep
// running during a download. Replies with a status of 400 or more are failures and
// none of their body reaches the device.
#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QIODevice;
class QNetworkAccessManager;

class THttpCli : public QObject {
    Q_OBJECT
public:
    explicit THttpCli(QObject* parent = nullptr);
    ~THttpCli() override;

    void setURL(const QUrl& url) { m_url = url; }
    QUrl URL() const { return m_url; }
    void setAgent(const QByteArray& agent) { m_agent = agent; }
    void setAccept(const QByteArray& accept) { m_accept = accept; }

    // Starts a GET of URL(). The body is written to `rcvdStream`, which the caller keeps
    // open and alive until requestDone. Returns false when a GET is already running.
    bool get(QIODevice* rcvdStream);
    // Ends a running GET; requestDone reports it as failed. Does nothing when idle.
    void abort();
    bool isRunning() const { return m_reply != nullptr; }

signals:
    // One per line of the response head (status line included).
    void headerData(const QByteArray& line);
    // The document body begins (status below 400).
    void docBegin();
    // A piece of the body was written; `received` counts all body bytes so far.
    void docData(qint64 received);
    // The GET ended. `ok` is false after a lookup or connection failure, a status of 400
    // or more, a write failure or an abort; `error` then says why.
    void requestDone(bool ok, const QString& error);

private:
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void fail(const QString& error);

    QNetworkAccessManager* m_manager;
    QPointer<QNetworkReply> m_reply;
    QIODevice* m_stream = nullptr;
    QUrl m_url;
    QByteArray m_agent;
    QByteArray m_accept;
    qint64 m_received = 0;
    bool m_headSeen = false;
    bool m_bodyAllowed = false;
    QString m_failure;
};
