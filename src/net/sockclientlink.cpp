#include "net/sockclientlink.h"

#include "protocol/wiretext.h"

#include <QPointer>

SockClientLink::SockClientLink(const QString& portName, QObject* parent) : QObject(parent) {
    sock.setPortName(portName);
    sock.OnInfo = [this](TSock*, TSocketInfo info, const QString& text) {
        if (onInfo) onInfo(info, text);
    };
    sock.OnRead = [this](TSock* sender, int) { sockRead(sender); };
}

void SockClientLink::open(const QString& host) {
    m_remainder.clear();
    sock.setHostName(host);
    sock.Open();
}

void SockClientLink::send(const QByteArray& bytes) {
    try {
        sock.Send(bytes);
    } catch (const ESockException&) {
        // Closed: the window is going away with its connection.
    }
}

void SockClientLink::close() {
    sock.Close();
}

void SockClientLink::sockRead(TSock* sender) {
    QByteArray bytes;
    try {
        bytes = sender->Receive();
    } catch (const ESockException&) {
        return;
    }
    QList<QByteArray> messages;
    const bool withinCap = m_remainder.feed(bytes, messages);
    for (const QByteArray& message : messages) {
        if (onMessage) onMessage(wire::decode(message));
    }
    if (!withinCap && sock.hasHandle()) sock.Close();
}
