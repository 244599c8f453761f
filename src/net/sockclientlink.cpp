#include "net/sockclientlink.h"

#include "net/hostport.h"

SockClientLink::SockClientLink(const QString& portName, QObject* parent)
    : QObject(parent), m_portName(portName) {
    sock.setPortName(portName);
    sock.OnInfo = [this](TSock*, TSocketInfo, const QString& text) {
        if (m_events) m_events->sockInfo(text);
    };
    sock.OnRead = [this](TSock* sender, int) { sockRead(sender); };
}

SockClientLink::~SockClientLink() {
    // Whoever listened may be gone before the socket's last "Socket Closed".
    m_events = nullptr;
}

void SockClientLink::open(const QString& host) {
    const auto target = hostport::split(host);
    sock.setPortName(target && target->port ? QString::number(target->port) : m_portName);
    sock.setHostName(target ? target->host : host);
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
    if (m_events) m_events->sockRead(bytes);
}
