#include "net/sockdetail.h"

#include "net/Sock.h"

#include <QCoreApplication>
#include <QHash>
#include <QTcpSocket>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace sockdetail {

QHostAddress parseDotted(const QString& text) {
    in_addr address{};
    if (inet_aton(text.toLatin1().constData(), &address) == 0) return QHostAddress(0xFFFFFFFFu);
    return QHostAddress(quint32(ntohl(address.s_addr)));
}

std::optional<QHostAddress> parseIPv6(const QString& text) {
    QString inner = text;
    if (inner.startsWith(u'[') && inner.endsWith(u']')) inner = inner.mid(1, inner.size() - 2);
    // Every IPv6 literal has a colon and no IPv4 one or host name does.
    if (!inner.contains(u':')) return std::nullopt;
    QHostAddress address;
    if (!address.setAddress(inner) || address.protocol() != QAbstractSocket::IPv6Protocol)
        return std::nullopt;
    return address;
}

std::optional<QHostAddress> pickAddress(const QList<QHostAddress>& answer) {
    for (const auto family : {QAbstractSocket::IPv4Protocol, QAbstractSocket::IPv6Protocol}) {
        for (const QHostAddress& address : answer)
            if (address.protocol() == family) return address;
    }
    return std::nullopt;
}

QString peerText(const QHostAddress& address) {
    bool isIPv4 = false;
    const quint32 v4 = address.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(v4).toString() : address.toString();
}

namespace {
QHash<QString, QHostAddress>& hostCache() {
    static QHash<QString, QHostAddress> cache;
    return cache;
}
} // namespace

std::optional<QHostAddress> cachedHost(const QString& name) {
    const auto it = hostCache().constFind(name.toLower());
    if (it == hostCache().constEnd()) return std::nullopt;
    return *it;
}

void cacheHost(const QString& name, const QHostAddress& address) {
    hostCache().insert(name.toLower(), address);
}

void enableKeepAlive(QTcpSocket* socket) {
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const auto fd = int(socket->socketDescriptor());
    if (fd < 0) return;
    const int idle = TSock::kKeepIdleSeconds;
    const int interval = TSock::kKeepIntervalSeconds;
    const int count = TSock::kKeepCount;
    const unsigned int userTimeout = TSock::kUserTimeoutMs;
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout);
}

int takeFailure(qintptr descriptor) {
    // A peer's FIN leaves the connection in CLOSE_WAIT; a reset or a timeout leaves
    // it in CLOSE with the cause pending in SO_ERROR.
    const auto fd = int(descriptor);
    if (fd < 0) return 0;
    tcp_info state{};
    socklen_t length = sizeof state;
    if (getsockopt(fd, IPPROTO_TCP, TCP_INFO, &state, &length) != 0) return 0;
    if (state.tcpi_state != TCP_CLOSE) return 0;
    int failure = 0;
    length = sizeof failure;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &length) != 0 || failure == 0)
        failure = ECONNRESET;
    return failure;
}

int wsaCodeOfErrno(int failure) {
    switch (failure) {
    case ECONNRESET:
    case EPIPE:
        return 10054;
    case ETIMEDOUT:
        return 10060;
    case EHOSTUNREACH:
        return 10065;
    case ENETUNREACH:
        return 10051;
    case ENETDOWN:
        return 10050;
    case ENETRESET:
        return 10052;
    case ECONNREFUSED:
        return 10061;
    default:
        return 10053;
    }
}

void retire(QTcpSocket* socket) {
    socket->setParent(QCoreApplication::instance());
    if (socket->state() != QAbstractSocket::ConnectedState) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    QObject::connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QAbstractSocket::errorOccurred, socket, &QObject::deleteLater);
    QTimer::singleShot(TSock::kLingerMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState) socket->deleteLater();
}

} // namespace sockdetail
