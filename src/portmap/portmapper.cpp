#include "portmap/portmapper.h"

#include "portmap/igdsession.h"

#include <QThread>
#include <QTimer>

namespace portmap {

// Lives on the worker thread and owns the session there; each request is one queued
// call, so requests reach the router in the order they were made.
class MapWorker : public QObject {
    Q_OBJECT
public:
    MapWorker(const PortMapper::Settings& s)
        : m_session(s.port, s.multicastInterface), m_settings(s) {}

    void map(quint64 generation) {
        const MapResult r = m_session.map(m_settings.discoverMs, m_settings.leaseSeconds);
        emit mapped(generation, int(r.outcome), r.code, r.external, r.lease);
    }
    void renew(quint64 generation) {
        const MapResult r = m_session.renew();
        emit renewed(generation, int(r.outcome), r.code);
    }
    void unmap() {
        m_session.unmap();
        emit unmapped();
    }

signals:
    void mapped(quint64 generation, int outcome, int code, const QHostAddress& external, int lease);
    void renewed(quint64 generation, int outcome, int code);
    void unmapped();

private:
    IgdSession m_session;
    PortMapper::Settings m_settings;
};

} // namespace portmap

using portmap::MapWorker;
using portmap::Outcome;

PortMapper::PortMapper(Settings settings, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)) {
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("PortMapper"));
    m_worker = new MapWorker(m_settings);
    m_worker->moveToThread(m_thread);
    connect(m_worker, &MapWorker::mapped, this, &PortMapper::mapped);
    connect(m_worker, &MapWorker::renewed, this, &PortMapper::renewed);
    connect(m_worker, &MapWorker::unmapped, this, &PortMapper::closed);
    m_renewal = new QTimer(this);
    m_renewal->setSingleShot(false);
    connect(m_renewal, &QTimer::timeout, this, &PortMapper::renew);
    m_thread->start();
}

PortMapper::~PortMapper() {
    m_renewal->stop();
    disconnect(m_worker, nullptr, this, nullptr);
    // The removal and the end of the thread queue behind whatever the router is still
    // being asked, so a mapping on its way is removed too.
    MapWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [worker] {
            worker->unmap();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    if (m_thread->wait(QDeadlineTimer(m_settings.endWaitMs))) {
        delete m_worker;
        delete m_thread;
        return;
    }
    // A router that stalls must not hold up the end of the program. The thread ends with
    // the process; its objects are left to it, and the router's lease runs out.
    qWarning("vimbrel: the router did not confirm the removal of the port mapping in time");
}

void PortMapper::open() {
    if (m_state != State::Idle) return;
    m_state = State::Opening;
    const quint64 generation = ++m_generation;
    MapWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, generation] { worker->map(generation); }, Qt::QueuedConnection);
}

void PortMapper::close() {
    ++m_generation;
    m_state = State::Idle;
    m_renewal->stop();
    QMetaObject::invokeMethod(m_worker, &MapWorker::unmap, Qt::QueuedConnection);
}

void PortMapper::renew() {
    if (m_state != State::Open) return;
    const quint64 generation = m_generation;
    MapWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, generation] { worker->renew(generation); }, Qt::QueuedConnection);
}

void PortMapper::mapped(quint64 generation, int outcome, int code, const QHostAddress& external,
                        int lease) {
    if (generation != m_generation || m_state != State::Opening) return;
    if (Outcome(outcome) != Outcome::Mapped) {
        m_state = State::Idle;
        emit failed(Outcome(outcome) == Outcome::NoRouter ? Failure::NoRouter : Failure::Refused,
                    code);
        return;
    }
    m_state = State::Open;
    // Renewed at half the lease, so one late or lost renewal still leaves time for the next.
    if (lease > 0) m_renewal->start(lease * 1000 / 2);
    emit opened(external);
}

void PortMapper::renewed(quint64 generation, int outcome, int code) {
    if (generation != m_generation || m_state != State::Open) return;
    if (Outcome(outcome) == Outcome::Mapped) return;
    m_state = State::Idle;
    m_renewal->stop();
    emit failed(Failure::Refused, code);
}

#include "portmapper.moc"
