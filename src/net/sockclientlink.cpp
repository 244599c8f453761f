#include "net/sockclientlink.h"

#include "net/hostport.h"

#include <QTimer>

SockClientLink::SockClientLink(const QString& portName, QObject* parent)
    : QObject(parent), m_portName(portName) {
    sock.setPortName(portName);
    sock.OnInfo = [this](TSock*, TSocketInfo info, const QString& text) { sockInfo(info, text); };
    sock.OnRead = [this](TSock* sender, int) { sockRead(sender); };
    // Bytes Qt already had are read before this: the departure comes after them.
    sock.OnDisconnect = [this](TSock*) { peerEnded(); };
}

SockClientLink::~SockClientLink() {
    // Whoever listened may be gone before the socket's last events.
    m_events = nullptr;
}

void SockClientLink::open(const QString& host) {
    if (m_open) return;
    const auto target = hostport::split(host);
    sock.setPortName(target && target->port ? QString::number(target->port) : m_portName);
    sock.setHostName(target ? target->host : host);
    sock.Open();
    m_open = true;
    m_broken = false;
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
    if (!m_open) return;
    m_open = false;
    // TSock reports its close from inside Close; the window hears of it from the
    // event loop, once whatever called close() has returned.
    QTimer::singleShot(0, this, [this] { depart(Departure::ClosedByUs); });
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

void SockClientLink::sockInfo(TSocketInfo info, const QString& text) {
    if (info != TSocketInfo::Error) return;
    if (sock.Connected()) m_broken = true;
    if (m_events) m_events->sockInfo(text);
}

// From the socket's own event: the peer closed, or the connection broke.
void SockClientLink::peerEnded() {
    if (!m_open) return;
    m_open = false;
    depart(m_broken ? Departure::Reset : Departure::ClosedByPeer);
}

void SockClientLink::depart(Departure why) {
    if (m_events) m_events->departed(why);
}
