// TSock's event side: what QTcpSocket and QTcpServer report, turned into the
// component's info texts and events, always on the user-interface thread.
#include "net/Sock.h"

#include "net/sockdetail.h"

#include <QEvent>
#include <QHostInfo>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

// A handler's exception must not unwind into Qt's event loop, which cannot carry it.
template <typename F> void shielded(F&& step) {
    try {
        step();
    } catch (const std::exception& e) {
        qWarning("TSock: a socket event handler failed: %s", e.what());
    } catch (...) {
        qWarning("TSock: a socket event handler failed");
    }
}

} // namespace

void TSock::attach(QTcpSocket* socket) {
    m_socket = socket;
    // Qt then takes at most one receive area from the network per read event; the
    // rest stays in the network until the next one.
    socket->setReadBufferSize(kReceiveArea);
    connect(socket, &QTcpSocket::readyRead, this, &TSock::onReadyRead);
    connect(socket, &QTcpSocket::bytesWritten, this, &TSock::onBytesWritten);
    connect(socket, &QTcpSocket::connected, this, &TSock::onConnected);
    connect(socket, &QTcpSocket::disconnected, this, &TSock::onDisconnected);
    connect(socket, &QTcpSocket::errorOccurred, this, &TSock::onError);
}

void TSock::watchNotifiers() {
    if (!m_socket) return;
    for (QSocketNotifier* notifier : m_socket->findChildren<QSocketNotifier*>())
        notifier->installEventFilter(this);
}

bool TSock::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::SockAct && m_socket && m_connected && m_failure == 0) {
        const qintptr descriptor = static_cast<QSocketNotifier*>(watched)->socket();
        if (descriptor == m_socket->socketDescriptor())
            m_failure = sockdetail::takeFailure(descriptor);
    }
    return QObject::eventFilter(watched, event);
}

void TSock::startConnect(const QHostAddress& address, quint16 port) {
    // Started from the event loop, so the outcome always comes after Open returned.
    QPointer<QTcpSocket> socket = m_socket;
    QTimer::singleShot(0, this, [this, socket, address, port] {
        if (socket && socket == m_socket) socket->connectToHost(address, port);
    });
}

void TSock::scheduleRead() {
    if (m_readScheduled) return;
    m_readScheduled = true;
    QPointer<QTcpSocket> socket = m_socket;
    QTimer::singleShot(0, this, [this, socket] {
        if (!m_readScheduled || !socket || socket != m_socket) return;
        if (socket->bytesAvailable() > 0)
            shielded([this] { deliverRead(); });
        else
            m_readScheduled = false;
    });
}

void TSock::scheduleCheckClosed() {
    QPointer<QTcpSocket> socket = m_socket;
    QTimer::singleShot(0, this, [this, socket] {
        if (socket && socket == m_socket && m_connected &&
            socket->state() == QAbstractSocket::UnconnectedState)
            onDisconnected();
    });
}

void TSock::deliverRead(qint64 limit) {
    m_readScheduled = false;
    if (!m_socket) return;
    m_in.append(m_socket->read(limit));
    watchNotifiers(); // Qt may have made new ones since the last read
    QPointer<TSock> self(this);
    info(TSocketInfo::Receive, QStringLiteral("Non-Blocking Incoming Data"));
    if (!self) return;
    if (OnRead) {
        const ReadEvent handler = OnRead;
        handler(this, int(m_in.size()));
    }
    if (self && m_socket && m_socket->bytesAvailable() > 0) scheduleRead();
}

void TSock::onReadyRead() {
    shielded([this] { deliverRead(); });
}

void TSock::onBytesWritten() {
    if (!m_socket || m_socket->bytesToWrite() > 0) return;
    // Everything queued has gone: the socket can take more.
    shielded([this] {
        QPointer<TSock> self(this);
        info(TSocketInfo::Send, QStringLiteral("Non-Blocking Outgoing Data"));
        if (self && OnWrite) {
            const NotifyEvent handler = OnWrite;
            handler(this);
        }
    });
}

void TSock::onConnected() {
    m_connected = true;
    sockdetail::enableKeepAlive(m_socket);
    watchNotifiers();
    QPointer<TSock> self(this);
    shielded(
        [this] { info(TSocketInfo::Connect, QStringLiteral("Non-Blocking Socket Connected")); });
    if (self && OnConnect) {
        const NotifyEvent handler = OnConnect;
        shielded([&] { handler(this); });
    }
    // Bytes sent while connecting go now, ahead of anything later.
    if (self && !m_out.isEmpty()) shielded([this] { Send(QByteArray()); });
}

void TSock::onDisconnected() {
    if (!m_connected || !m_socket) return;
    QPointer<TSock> self(this);
    // Bytes Qt already took from the network are handed over before the close.
    if (m_socket->bytesAvailable() > 0) {
        shielded([this] { deliverRead(m_socket->bytesAvailable()); });
        if (!self || !m_socket) return;
    }
    if (OnDisconnect) {
        const NotifyEvent handler = OnDisconnect;
        shielded([&] { handler(this); });
        if (!self) return;
    }
    Close();
}

void TSock::onError(QAbstractSocket::SocketError error) {
    if (!m_socket) return;
    if (error == QAbstractSocket::RemoteHostClosedError) {
        // An orderly close needs no report; disconnected() follows either way.
        if (m_connected && m_failure != 0) {
            const int code = sockdetail::wsaCodeOfErrno(std::exchange(m_failure, 0));
            shielded([this, code] { reportError(code); });
        }
        return;
    }
    const int code = sockErrorCode(error, m_socket->errorString());
    shielded([this, code] { reportError(code); });
    // A connection that broke ends like a close, so its owner frees what it holds.
    if (m_connected) scheduleCheckClosed();
}

void TSock::onNewConnection() {
    if (!OnAccept) return;
    const NotifyEvent handler = OnAccept;
    if (MaxPerAddress > 0) {
        admitWithinLimit(handler);
        return;
    }
    shielded([&] { handler(this); });
}

// Takes every waiting connection off the listener so that its address can be counted
// before anybody hears of it; one address holding every seat is refused here, at once.
void TSock::admitWithinLimit(const NotifyEvent& handler) {
    int admitted = 0;
    while (QTcpSocket* socket = m_server ? m_server->nextPendingConnection() : nullptr) {
        const QString address = sockdetail::peerText(socket->peerAddress());
        if (connectionsFrom(address) < MaxPerAddress) {
            m_waiting.emplace_back(socket);
            ++admitted;
            continue;
        }
        socket->abort();
        socket->deleteLater();
        if (OnRefuse) {
            const RefuseEvent refused = OnRefuse;
            shielded([&] { refused(this, address); });
        }
    }
    QPointer<TSock> self(this);
    for (; admitted > 0 && self; --admitted)
        shielded([&] { handler(this); });
}

int TSock::connectionsFrom(const QString& address) const {
    int count = 0;
    for (const QPointer<QTcpSocket>& waiting : m_waiting)
        count += waiting && sockdetail::peerText(waiting->peerAddress()) == address;
    // Accepted connections are this listener's children until they are deleted.
    for (const TSock* accepted : findChildren<TSock*>(Qt::FindDirectChildrenOnly))
        count += accepted->m_connected && accepted->m_socket && accepted->m_hostName == address;
    return count;
}

void TSock::onLookup(const QHostInfo& answer) {
    if (answer.lookupId() != m_lookupId || !m_socket) return;
    m_lookupId = -1;
    if (answer.error() == QHostInfo::NoError) {
        if (const auto address = sockdetail::pickAddress(answer.addresses())) {
            sockdetail::cacheHost(answer.hostName(), *address);
            startConnect(*address, m_pendingPort);
            return;
        }
    }
    // Stays connecting until Close, as a refused connection does.
    shielded([this] { reportError(11001); });
}
