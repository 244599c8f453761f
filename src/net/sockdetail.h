// Helpers of TSock that are not part of its interface.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <optional>

class QTcpSocket;

namespace sockdetail {

// A dotted IPv4 address as the classic resolver reads it ("127.1" included); text
// that is no address gives 255.255.255.255, which the connect then reports.
QHostAddress parseDotted(const QString& text);
// An IPv6 address as people write it, brackets optional ("::1", "[2001:db8::5]",
// "fe80::1%eth0"); nothing for any other text, so dotted IPv4 and names keep their
// own paths even when they start with a digit.
std::optional<QHostAddress> parseIPv6(const QString& text);
// Which address of a resolver's answer to connect to: the first IPv4 one, as the
// game always did, else the first IPv6 one; nothing when neither is there.
std::optional<QHostAddress> pickAddress(const QList<QHostAddress>& answer);
// A peer's address as HostName and the host's log show it: an IPv4 peer reached
// through the dual-stack listener reads "127.0.0.1", not "::ffff:127.0.0.1".
QString peerText(const QHostAddress& address);

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
