// TSock: the socket component behind every TCP connection of the game.
//
// Stream sockets only, non-blocking, no automatic accept. Built on QTcpSocket and
// QTcpServer, whose events arrive on the user-interface thread. Events are plain
// std::function members so that Accept can copy a listener's handlers onto the
// sockets it creates, and one handler can serve many sockets (Sender is passed).
//
// A TSock must not be deleted inside one of its own handlers: use deleteLater().
#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <stdexcept>

class QTcpSocket;
class QTcpServer;
class QHostInfo;
class QHostAddress;

class ESockException : public std::runtime_error {
public:
    explicit ESockException(const std::string& message) : std::runtime_error(message) {}
    QString message() const { return QString::fromStdString(what()); }
};

enum class TSocketType { stStream, stDatagram };
enum class TLineBreak { lbCRLF, lbCR, lbLF, lbSmart };

// Info codes delivered through OnInfo.
enum class TSocketInfo : int {
    Lookup = 0,
    Connect = 1,
    Close = 2,
    Listen = 3,
    Receive = 4,
    Send = 5,
    Accept = 6,
    Error = 7,
};

// The Windows Sockets name of an error code ("WSAECONNREFUSED" for 10061);
// "UNKNOWN ERROR" for any other code.
QString sockErrorName(int code);
// The text of an info-7 report: "Error #10061 (WSAECONNREFUSED)".
QString sockErrorText(int code);
// The Windows Sockets code for a Qt socket error; `detail` is Qt's error string,
// which is the only place Qt tells "host unreachable" from "network unreachable".
int sockErrorCode(QAbstractSocket::SocketError error, const QString& detail = {});

class TSock : public QObject {
    Q_OBJECT
public:
    using NotifyEvent = std::function<void(TSock* sender)>;
    using InfoEvent = std::function<void(TSock* sender, TSocketInfo info, const QString& msg)>;
    using ReadEvent = std::function<void(TSock* sender, int count)>;
    using RefuseEvent = std::function<void(TSock* sender, const QString& address)>;

    explicit TSock(QObject* owner = nullptr);
    // Closes a listening or connected socket first ("Socket Closed" for the latter).
    ~TSock() override;

    // Published properties.
    TSocketType SocketType = TSocketType::stStream;
    TLineBreak LineBreak = TLineBreak::lbSmart;
    bool Blocking = false;
    bool AutoAccept = false;
    int BlockingTimeout = 0;
    int Tag = 0;
    // On a listener: how many connections one peer address may hold at once (accepted
    // and open, or waiting for Accept). Further ones are closed as they arrive, before
    // OnAccept hears of them, each reported through OnRefuse. 0: no limit.
    int MaxPerAddress = 0;

    // A dotted IPv4 address, an IPv6 address (brackets optional) or a host name; on
    // an accepted socket, the peer's address.
    QString HostName() const { return m_hostName; }
    void setHostName(const QString& name);
    QString PortName() const { return m_portName; }
    void setPortName(const QString& name);

    bool Listen() const { return m_listening; }
    // Listens on PortName on every local address of both families, or of IPv4 alone
    // where IPv6 cannot be had. Throws ESockException with the listen messages; a bad
    // port name throws the port lookup message or wire::ConvertError.
    void setListen(bool listen);

    // True while listening on IPv4 alone because another program holds the port's IPv6
    // side (reported once more as info 3 "Listening On IPv4 Only - IPv6 Port In Use").
    bool ipv6PortHeld() const { return m_listening && m_ipv4Only; }

    bool Connected() const { return m_connected; }
    bool hasHandle() const;

    // Events.
    NotifyEvent OnConnect;
    NotifyEvent OnDisconnect;
    InfoEvent OnInfo;
    ReadEvent OnRead;
    NotifyEvent OnWrite;
    NotifyEvent OnAccept;
    RefuseEvent OnRefuse;

    // Starts connecting to HostName:PortName; returns Connected (false while connecting).
    // Address literals are never looked up. A host name is resolved without blocking
    // the window, to its first IPv4 address or else its first IPv6 one; a name that
    // cannot be found is reported later as info 7 "Error #11001 (WSAHOST_NOT_FOUND)". A bad
    // port name throws (ESockException or wire::ConvertError) and leaves the handle
    // allocated until Close.
    bool Open();
    // On a listener, from OnAccept: takes the waiting connection into a new TSock owned
    // by this listener. Returns false (and reports info 6) when none was waiting.
    bool Accept(TSock*& newSock);
    // Never blocks and never reports an event from inside itself: the bytes go from
    // the event loop, and a connection found broken there ends through the usual
    // events. Bytes given before the connection stands go once it does.
    bool Send(const QByteArray& bytes);
    QByteArray Receive();
    // Queued outgoing bytes still reach the peer after Close (graceful close).
    bool Close();

    // The listener's local port once listening (tests listen on port "0").
    quint16 localPort() const;
    // Bytes given to Send and not yet taken by the network.
    qsizetype pendingOutgoing() const;

    static constexpr int kReceiveArea = 32768;
    // Keepalive timings so that a vanished peer ends in "Socket Closed".
    static constexpr int kKeepIdleSeconds = 10;
    static constexpr int kKeepIntervalSeconds = 5;
    static constexpr int kKeepCount = 3;
    static constexpr int kUserTimeoutMs = 30000;
    // How long a closed connection may keep trying to hand over its last bytes.
    static constexpr int kLingerMs = 30000;

protected:
    // Watches the socket's readiness notifications to catch a reset before Qt
    // turns it into an ordinary end of stream.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchNotifiers();
    void info(TSocketInfo code, const QString& text);
    void reportError(int code);
    quint16 resolvePort();
    void resolveHostAndConnect(quint16 port);
    void attach(QTcpSocket* socket);
    void startConnect(const QHostAddress& address, quint16 port);
    void releaseHandle();
    void scheduleRead();
    void scheduleCheckClosed();
    void onReadyRead();
    void onBytesWritten();
    void onConnected();
    void onDisconnected();
    void onError(QAbstractSocket::SocketError error);
    void onNewConnection();
    void admitWithinLimit(const NotifyEvent& handler);
    int connectionsFrom(const QString& address) const;
    QTcpSocket* takeWaiting();
    void onLookup(const QHostInfo& info);
    void deliverRead(qint64 limit = kReceiveArea);
    void flush();

    QString m_hostName;
    QString m_portName;
    bool m_listening = false;
    bool m_ipv4Only = false;
    bool m_connected = false;
    bool m_readScheduled = false;
    int m_failure = 0; // errno that ended the connection, seen before Qt read it
    int m_lookupId = -1;
    quint16 m_pendingPort = 0;
    QByteArray m_in;
    QByteArray m_out;
    QPointer<QTcpSocket> m_socket;
    QPointer<QTcpServer> m_server;
    // Connections taken from the listener and counted, not yet given to Accept.
    std::deque<QPointer<QTcpSocket>> m_waiting;
    QString m_peerAddress;
};
