// TSock operations: properties, Open, Listen, Accept, Send, Receive, Close.
// The event side (what Qt reports later) lives in sockevents.cpp.
#include "net/Sock.h"

#include "net/sockdetail.h"
#include "protocol/fields.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <netdb.h>

namespace {

bool startsWithDigit(const QString& text) {
    return !text.isEmpty() && text.front() >= u'0' && text.front() <= u'9';
}

} // namespace

TSock::TSock(QObject* owner) : QObject(owner) {}

TSock::~TSock() {
    if (m_listening || m_connected)
        Close();
    else
        releaseHandle();
}

void TSock::setHostName(const QString& name) {
    if (SocketType == TSocketType::stStream && m_connected)
        info(TSocketInfo::Lookup, QStringLiteral("Setting HostName While Connected Has No Effect"));
    m_hostName = name;
}

void TSock::setPortName(const QString& name) {
    if (m_connected)
        info(TSocketInfo::Lookup, QStringLiteral("Setting PortName While Connected Has No Effect"));
    m_portName = name;
}

bool TSock::hasHandle() const {
    return !m_socket.isNull() || !m_server.isNull();
}

quint16 TSock::localPort() const {
    if (m_server) return m_server->serverPort();
    return m_socket ? m_socket->localPort() : 0;
}

qsizetype TSock::pendingOutgoing() const {
    return m_out.size() + (m_socket ? m_socket->bytesToWrite() : 0);
}

void TSock::info(TSocketInfo code, const QString& text) {
    if (!OnInfo) return;
    // A copy, so a handler that rebinds OnInfo does not destroy what is running.
    const InfoEvent handler = OnInfo;
    try {
        handler(this, code, text);
    } catch (...) {
        throw ESockException("Error here");
    }
}

void TSock::reportError(int code) {
    info(TSocketInfo::Error, sockErrorText(code));
}

quint16 TSock::resolvePort() {
    info(TSocketInfo::Lookup, QStringLiteral("Lookup Of Port ") + m_portName);
    if (startsWithDigit(m_portName)) {
        const int port = wire::toInt(m_portName);
        // A number that is no port would silently become another port once truncated.
        if (port > 65535) throw ESockException("Port Lookup - Could Not Find Service Entry");
        return quint16(port);
    }
    const char* protocol = SocketType == TSocketType::stDatagram ? "udp" : "tcp";
    const QByteArray name = m_portName.toLocal8Bit();
    const servent* entry =
        m_portName.isEmpty() ? nullptr : getservbyname(name.constData(), protocol);
    if (!entry) throw ESockException("Port Lookup - Could Not Find Service Entry");
    return ntohs(quint16(entry->s_port));
}

void TSock::resolveHostAndConnect(quint16 port) {
    if (m_hostName.isEmpty()) {
        startConnect(QHostAddress(QHostAddress::AnyIPv4), port);
        return;
    }
    info(TSocketInfo::Lookup, QStringLiteral("Lookup Of Host ") + m_hostName);
    // Before the digit test: "2001:db8::5" starts with a digit too.
    if (const auto literal = sockdetail::parseIPv6(m_hostName)) {
        startConnect(*literal, port);
        return;
    }
    if (startsWithDigit(m_hostName)) {
        startConnect(sockdetail::parseDotted(m_hostName), port);
        return;
    }
    if (const auto cached = sockdetail::cachedHost(m_hostName)) {
        startConnect(*cached, port);
        return;
    }
    // The answer arrives later in onLookup; the window keeps running meanwhile.
    m_pendingPort = port;
    m_lookupId = QHostInfo::lookupHost(m_hostName, this, &TSock::onLookup);
}

bool TSock::Open() {
    if (hasHandle()) return m_connected;
    attach(new QTcpSocket(this));
    const quint16 port = resolvePort();
    resolveHostAndConnect(port);
    return m_connected;
}

void TSock::setListen(bool listen) {
    if (!listen) {
        if (!m_listening && hasHandle()) throw ESockException("Listen - Socket Already In Use");
        m_listening = false;
        Close();
        info(TSocketInfo::Listen, QStringLiteral("Listening Stopped"));
        return;
    }
    if (m_listening) {
        info(TSocketInfo::Listen, QStringLiteral("Listening Already Running"));
        return;
    }
    if (hasHandle()) throw ESockException("Listen - Socket Already In Use");
    if (SocketType == TSocketType::stDatagram)
        throw ESockException("Listen - Cannot Listen On A Datagram Socket");
    m_server = new QTcpServer(this);
    m_server->setListenBacklogSize(5);
    const quint16 port = resolvePort();
    // One dual-stack socket takes both families on the port. Where IPv6 is missing
    // or its side of the port is taken, IPv4 alone, which then decides as it always
    // did. QTcpServer sets SO_REUSEADDR only, so a port held by another listener fails.
    bool ipv6Held = false;
    if (!m_server->listen(QHostAddress::Any, port)) {
        // IPv4 free but the dual-stack bind taken: another program holds the IPv6
        // side alone, and IPv6 players would reach it instead of us.
        ipv6Held = m_server->serverError() == QAbstractSocket::AddressInUseError;
        if (!m_server->listen(QHostAddress::AnyIPv4, port)) ipv6Held = false;
    }
    if (!m_server->isListening()) {
        switch (m_server->serverError()) {
        case QAbstractSocket::AddressInUseError:
        case QAbstractSocket::SocketAccessError:
        case QAbstractSocket::SocketAddressNotAvailableError:
            throw ESockException("Listen - Error Binding Socket");
        default:
            throw ESockException("Listen - Error Starting Listen");
        }
    }
    connect(m_server, &QTcpServer::newConnection, this, &TSock::onNewConnection);
    m_listening = true;
    m_ipv4Only = ipv6Held;
    info(TSocketInfo::Listen, QStringLiteral("Listening Started"));
    if (ipv6Held)
        info(TSocketInfo::Listen, QStringLiteral("Listening On IPv4 Only - IPv6 Port In Use"));
}

bool TSock::Accept(TSock*& newSock) {
    if (!m_listening || !m_server) throw ESockException("Accept - Socket Not In Listening Mode");
    QTcpSocket* socket = takeWaiting();
    if (!socket) {
        info(TSocketInfo::Accept, QStringLiteral("Could Not Accept Connection"));
        return false;
    }
    m_peerAddress = sockdetail::peerText(socket->peerAddress());
    auto* accepted = new TSock(this);
    accepted->Blocking = Blocking;
    accepted->BlockingTimeout = BlockingTimeout;
    accepted->OnRead = OnRead;
    accepted->OnWrite = OnWrite;
    accepted->OnDisconnect = OnDisconnect;
    accepted->OnInfo = OnInfo;
    socket->setParent(accepted);
    accepted->attach(socket);
    accepted->m_connected = true;
    sockdetail::enableKeepAlive(socket);
    accepted->watchNotifiers();
    // Bytes or a close that came before the handlers were bound still get reported.
    accepted->scheduleCheckClosed();
    if (socket->bytesAvailable() > 0) accepted->scheduleRead();
    newSock = accepted;
    accepted->setPortName(m_portName);
    accepted->setHostName(m_peerAddress);
    info(TSocketInfo::Accept, QStringLiteral("Created New TSock Structure"));
    return true;
}

bool TSock::Send(const QByteArray& bytes) {
    if (!hasHandle()) throw ESockException("Send - Socket Not Connected");
    if (m_listening) throw ESockException("Send - Cannot Send On A Listener Socket");
    m_out.append(bytes);
    if (pendingOutgoing() == 0) return true;
    info(TSocketInfo::Send, QStringLiteral("Non-Blocking Outgoing Data"));
    flush();
    return true;
}

QTcpSocket* TSock::takeWaiting() {
    while (!m_waiting.empty()) {
        QPointer<QTcpSocket> socket = m_waiting.front();
        m_waiting.pop_front();
        if (socket) return socket;
    }
    return m_server->nextPendingConnection();
}

void TSock::flush() {
    // Until the connection stands the bytes wait here. Then QTcpSocket only queues
    // them and writes from the event loop: writing at once would report a broken
    // connection (error, disconnect) inside the Send of a handler in mid-broadcast.
    if (!m_socket || !m_connected || m_out.isEmpty()) return;
    m_socket->write(std::exchange(m_out, {}));
    watchNotifiers(); // the first write makes Qt's write notifier
}

QByteArray TSock::Receive() {
    if (!hasHandle() && m_in.isEmpty()) throw ESockException("Receive - Socket Not Connected");
    if (m_listening) throw ESockException("Receive - Cannot Receive On A Listener Socket");
    return std::exchange(m_in, {});
}

bool TSock::Close() {
    const bool hadHandle = hasHandle();
    try {
        releaseHandle();
        m_connected = false;
        if (!m_listening) info(TSocketInfo::Close, QStringLiteral("Socket Closed"));
    } catch (...) {
        // Close never fails towards its caller, whatever a handler did.
    }
    m_listening = false;
    return hadHandle;
}

void TSock::releaseHandle() {
    m_lookupId = -1;
    m_readScheduled = false;
    m_failure = 0;
    m_out.clear();
    m_waiting.clear(); // the listener's children: they go with it
    if (m_server) {
        m_server->disconnect(this);
        m_server->close();
        m_server->deleteLater();
        m_server = nullptr;
    }
    if (QTcpSocket* socket = m_socket) {
        m_socket = nullptr;
        socket->disconnect(this);
        sockdetail::retire(socket);
    }
}
