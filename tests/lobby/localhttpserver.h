// A tiny HTTP server on 127.0.0.1 and an ephemeral port that answers every GET the same
// way, by hand, so download tests need no network and can stall on purpose.
#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>

class LocalHttpServer {
public:
    enum class Reply { Document, NotFound, Stall };

    LocalHttpServer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
    }

    bool isListening() const { return m_server.isListening(); }
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }

    // The document served; a stalled reply announces all of it but sends only `stallAfter`.
    void setReply(Reply reply, const QByteArray& body = {}, qsizetype stallAfter = 0) {
        m_reply = reply;
        m_body = body;
        m_stallAfter = stallAfter;
    }
    // The head of the last request received.
    QByteArray lastRequest() const { return m_lastRequest; }

private:
    void accept() {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            auto* buffer = new QByteArray;
            QObject::connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                if (!buffer->contains("\r\n\r\n")) return;
                m_lastRequest = buffer->left(buffer->indexOf("\r\n\r\n") + 4);
                buffer->clear();
                answer(socket);
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void answer(QTcpSocket* socket) {
        if (m_reply == Reply::NotFound) {
            socket->write("HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n"
                          "Content-Length: 22\r\nConnection: close\r\n\r\n<h1>Not Found</h1>\r\n");
            socket->disconnectFromHost();
            return;
        }
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                      "Content-Length: " +
                      QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n");
        if (m_reply == Reply::Stall) {
            socket->write(m_body.left(m_stallAfter)); // and then nothing more
            return;
        }
        socket->write(m_body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    Reply m_reply = Reply::Document;
    QByteArray m_body;
    qsizetype m_stallAfter = 0;
    QByteArray m_lastRequest;
};
