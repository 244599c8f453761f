#include "net/desktophostlink.h"

DesktopHostLink::DesktopHostLink(TSock* Sock1, QObject* parent)
    : QObject(parent), m_sock1(Sock1), m_sockets(Sock1) {
    m_sockets.attach(this);
    m_local.attach(this);
}

DesktopHostLink::~DesktopHostLink() {
    m_sockets.attach(nullptr);
    m_local.attach(nullptr);
}

void DesktopHostLink::listen() {
    m_sock1->setListen(true);
    m_ownTable.open(QString());
    // The own table's arrival, its record and whatever follows, delivered now: a
    // connection that came in meanwhile waits for the event loop, which is ours.
    m_local.pump();
}

// Record 1 is the own table's alone; a connection from outside is never taken into it.
bool DesktopHostLink::accept(int record) {
    return record == kOwnRecord ? m_local.accept(record) : m_sockets.accept(record);
}

void DesktopHostLink::send(int record, const QByteArray& bytes) {
    record == kOwnRecord ? m_local.send(record, bytes) : m_sockets.send(record, bytes);
}

void DesktopHostLink::close(int record) {
    record == kOwnRecord ? m_local.close(record) : m_sockets.close(record);
}

// A player coming back moves between outside records; the own table never moves,
// and nobody moves into its record.
bool DesktopHostLink::move(int from, int to) {
    if (from == kOwnRecord || to == kOwnRecord) return false;
    return m_sockets.move(from, to);
}

QString DesktopHostLink::peerName(int record) const {
    return record == kOwnRecord ? QString() : m_sockets.peerName(record);
}

void DesktopHostLink::Sock1Accept() {
    if (m_events) m_events->Sock1Accept();
}

void DesktopHostLink::Sock1Read(int record, const QByteArray& bytes) {
    if (m_events) m_events->Sock1Read(record, bytes);
}

void DesktopHostLink::tempsockDisconnect(int record) {
    if (m_events) m_events->tempsockDisconnect(record);
}
