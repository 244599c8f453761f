// Helpers of TSock that are not part of its interface.
#pragma once

#include <QHostAddress>
#include <QString>
#include <optional>

class QTcpSocket;

namespace sockdetail {

// A dotted IPv4 address as the classic resolver reads it ("127.1" included); text
// that is no address gives 255.255.255.255, which the connect then reports.
QHostAddress parseDotted(const QString& text);

// The process-wide host cache: names compared without letter case, entries kept
// until the program ends.
std::optional<QHostAddress> cachedHost(const QString& name);
void cacheHost(const QString& name, const QHostAddress& address);

// Keepalive with short timings, so a peer that vanished without a word is noticed.
void enableKeepAlive(QTcpSocket* socket);

// The error that ended a connection (ECONNRESET, ETIMEDOUT, ...), taken from the
// descriptor before Qt reads it as a plain end of stream; 0 while it is alive or
// after an orderly close by the peer.
int takeFailure(qintptr descriptor);
// The Windows Sockets code for a platform errno.
int wsaCodeOfErrno(int failure);

// Takes over a socket its TSock no longer uses: a connected one gets to hand over
// its queued bytes before it closes (for at most TSock::kLingerMs), any other is
// dropped. Either way it deletes itself.
void retire(QTcpSocket* socket);

} // namespace sockdetail
