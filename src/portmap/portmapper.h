// Asks the local router to forward the game port to this computer, keeps the mapping
// alive while the program runs, and removes it at the end. Each request to the router
// runs in the helper program vimbrel-portmap (see portmaphelper.cpp for why), started
// and watched from the caller's thread without blocking it: a helper still running at
// Settings::answerMs is killed, and the router counts as not answering. Answers come
// back as signals on the thread that made the mapper, one request after the other.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QProcess>

#include <deque>

class QTimer;

class PortMapper : public QObject {
    Q_OBJECT
public:
    struct Settings {
        quint16 port = 7772;
        int discoverMs = 2000;         // how long to wait for routers to answer
        int answerMs = 8000;           // the whole request, discovery included
        int leaseSeconds = 3600;       // asked for, and renewed at half its length
        int endWaitMs = 3000;          // how long destruction waits for the removal
        QByteArray multicastInterface; // the interface discovery goes out on; empty: the system's
        // The helper program; empty: vimbrel-portmap beside this program (the build
        // folder), else where the package installs it.
        QString helper;
    };
    enum class Failure {
        NoRouter, // no router answered, or none that connects to the internet
        Refused,  // the router said no, or stopped renewing
        NoAnswer, // a router is there but did not answer in time (or not readably)
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

    // The helper program: `configured` (Settings::helper) when set, else the one beside
    // the program in `programDir` (the build folder) or where the package installs it
    // relative to that folder; empty when there is none.
    static QString helperProgram(const QString& configured, const QString& programDir);

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
    enum class Kind { Map, Renew, Unmap };
    struct Request {
        Kind kind;
        quint64 generation;
    };
    // What a helper said, or what its silence means.
    struct Answer {
        int outcome = 0; // portmap::Outcome
        int code = 0;
        int lease = 0;
        QHostAddress external;
    };

    static Answer noAnswer();
    void enqueue(Kind kind);
    void startNext();
    QStringList argumentsFor(Kind kind) const;
    void helperOutput();
    void helperEnded();
    Answer takeAnswer();
    void apply(const Request& request, const Answer& answer);
    // At the end of the program: lets the request under way finish and removes the mapping,
    // together within `endWaitMs`.
    void endAtOnce();

    Settings m_settings;
    QString m_program;
    QTimer* m_renewal = nullptr;
    QTimer* m_deadline = nullptr;
    State m_state = State::Idle;
    // Each open() is one generation: answers to an earlier one are stale.
    quint64 m_generation = 0;
    std::deque<Request> m_requests;
    bool m_startQueued = false;
    QProcess* m_process = nullptr; // the helper under way, if any
    Request m_current{Kind::Map, 0};
    QByteArray m_output;
    bool m_timedOut = false;
    // The mapping as the router last confirmed it, for renewing and removing it.
    bool m_mapped = false;
    QByteArray m_control, m_service, m_lan;
    int m_lease = 0;
};
