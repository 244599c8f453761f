// Asks the local router to forward the game port to this computer, keeps the mapping
// alive while the program runs, and removes it at the end. The router is asked on a
// worker thread, so nothing here blocks the caller's (window's) thread; answers come
// back as signals on the thread that made the mapper.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>

class QThread;
class QTimer;

namespace portmap {
class MapWorker;
}

class PortMapper : public QObject {
    Q_OBJECT
public:
    struct Settings {
        quint16 port = 7772;
        int discoverMs = 2000;         // how long to wait for routers to answer
        int leaseSeconds = 3600;       // asked for, and renewed at half its length
        int endWaitMs = 3000;          // how long destruction waits for the removal
        QByteArray multicastInterface; // the interface discovery goes out on; empty: the system's
    };
    enum class Failure {
        NoRouter, // no router answered, or none that connects to the internet
        Refused,  // the router said no, or stopped renewing
    };
    Q_ENUM(Failure)

    explicit PortMapper(Settings settings, QObject* parent = nullptr);
    // Removes the mapping, waiting at most Settings::endWaitMs for the router; a router
    // that takes longer is left to let the lease run out.
    ~PortMapper() override;

    // Asks for the mapping: opened() or failed() follows. Nothing happens while one is
    // asked for or held already.
    void open();
    // Removes the mapping (or drops an answer still on its way); closed() follows once
    // the router was asked.
    void close();
    bool isOpen() const { return m_state == State::Open; }
    const Settings& settings() const { return m_settings; }

public slots:
    // The renewal timer's tick: asks the router to extend the lease.
    void renew();

signals:
    // `external` is the router's outside address, null when its answer did not parse.
    void opened(const QHostAddress& external);
    // `code` is the router's error code when refused (0 when none was given).
    void failed(PortMapper::Failure why, int code);
    void closed();

private:
    enum class State { Idle, Opening, Open };
    void mapped(quint64 generation, int outcome, int code, const QHostAddress& external, int lease);
    void renewed(quint64 generation, int outcome, int code);

    Settings m_settings;
    QThread* m_thread = nullptr;
    portmap::MapWorker* m_worker = nullptr;
    QTimer* m_renewal = nullptr;
    State m_state = State::Idle;
    // Each open() is one generation: answers to an earlier one are stale.
    quint64 m_generation = 0;
};
