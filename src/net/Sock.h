// TSock: the socket component behind every TCP connection of the game.
//
// Stream sockets only, non-blocking, no automatic accept. Built on QTcpSocket and
// QTcpServer, whose events arrive on the user-interface thread. Events are plain
// std::function members so that Accept can copy a listener's handlers onto the
// sockets it creates, and one handler can serve many sockets (Sender is passed).
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <stdexcept>

class QTcpSocket;
class QTcpServer;
class QHostInfo;

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

class TSock : public QObject {
    Q_OBJECT
public:
    using NotifyEvent = std::function<void(TSock* sender)>;
    using InfoEvent = std::function<void(TSock* sender, TSocketInfo info, const QString& msg)>;
    using ReadEvent = std::function<void(TSock* sender, int count)>;

    explicit TSock(QObject* owner = nullptr);
    ~TSock() override;

    // Published properties.
    TSocketType SocketType = TSocketType::stStream;
    TLineBreak LineBreak = TLineBreak::lbSmart;
    bool Blocking = false;
    bool AutoAccept = false;
    int BlockingTimeout = 0;
    int Tag = 0;

    QString HostName() const { return m_hostName; }
    void setHostName(const QString& name);
    QString PortName() const { return m_portName; }
    void setPortName(const QString& name);

    bool Listen() const { return m_listening; }
    // Throws ESockException with the listen messages.
    void setListen(bool listen);

    bool Connected() const { return m_connected; }
    bool hasHandle() const;

    // Events.
    NotifyEvent OnConnect;
    NotifyEvent OnDisconnect;
    InfoEvent OnInfo;
    ReadEvent OnRead;
    NotifyEvent OnWrite;
    NotifyEvent OnAccept;

    // Starts connecting to HostName:PortName; returns Connected (false while connecting).
    // A host name is resolved without blocking the window.
    bool Open();
    // On a listener, from OnAccept: takes the waiting connection into a new TSock owned
    // by this listener. Returns false (and reports info 6) when none was waiting.
    bool Accept(TSock*& newSock);
    bool Send(const QByteArray& bytes);
    QByteArray Receive();
    bool Close();

    // The listener's local port once listening (tests listen on port "0").
    quint16 localPort() const;
    // Bytes waiting in the outgoing buffer (not yet taken by the network).
    qsizetype pendingOutgoing() const { return m_out.size(); }

    static constexpr int kReceiveArea = 32768;

private:
    void info(TSocketInfo code, const QString& text);
    quint16 resolvePort();
    void attach(QTcpSocket* socket);
    void startConnect(const QString& address, quint16 port);
    void onReadyRead();
    void onBytesWritten();
    void onConnected();
    void onDisconnected();
    void onError(int code);
    void onNewConnection();
    void onLookup(const QHostInfo& info);
    void flush();

    QString m_hostName;
    QString m_portName;
    bool m_listening = false;
    bool m_connected = false;
    bool m_closing = false;
    int m_lookupId = -1;
    quint16 m_pendingPort = 0;
    QByteArray m_in;
    QByteArray m_out;
    QPointer<QTcpSocket> m_socket;
    QPointer<QTcpServer> m_server;
    QString m_peerAddress;
};
