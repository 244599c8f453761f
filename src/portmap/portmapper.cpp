#include "portmap/portmapper.h"

#include "portmap/helperreport.h"
#include "portmap/routeraddress.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTimer>

using portmap::Outcome;

namespace {

constexpr char kHelperName[] = "vimbrel-portmap";

PortMapper::Failure failureFor(Outcome outcome) {
    switch (outcome) {
    case Outcome::Refused:
        return PortMapper::Failure::Refused;
    case Outcome::NoAnswer:
        return PortMapper::Failure::NoAnswer;
    case Outcome::Mapped:
    case Outcome::NoRouter:
        break;
    }
    return PortMapper::Failure::NoRouter;
}

bool isProgram(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace

QString PortMapper::helperProgram(const QString& configured, const QString& programDir) {
    if (!configured.isEmpty()) return isProgram(configured) ? configured : QString();
    // Found relative to the program, so a package unpacked elsewhere works too.
    for (const QString& candidate :
         {programDir + QLatin1Char('/') + QLatin1String(kHelperName),
          programDir + QStringLiteral("/" VIMBREL_PORTMAP_HELPER_FROM_BINDIR "/") +
              QLatin1String(kHelperName)})
        if (isProgram(candidate)) return QFileInfo(candidate).canonicalFilePath();
    return {};
}

PortMapper::Answer PortMapper::noAnswer() {
    Answer a;
    a.outcome = int(Outcome::NoAnswer);
    return a;
}

PortMapper::PortMapper(Settings settings, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)),
      m_program(helperProgram(m_settings.helper, QCoreApplication::applicationDirPath())) {
    if (m_program.isEmpty())
        qWarning("vimbrel: the helper program %s was not found; the router cannot be asked",
                 kHelperName);
    m_renewal = new QTimer(this);
    m_renewal->setSingleShot(false);
    connect(m_renewal, &QTimer::timeout, this, &PortMapper::renew);
    m_deadline = new QTimer(this);
    m_deadline->setSingleShot(true);
    m_deadline->setTimerType(Qt::PreciseTimer); // never early: the helper gets its whole time
    connect(m_deadline, &QTimer::timeout, this, [this] {
        if (!m_process) return;
        m_timedOut = true;
        m_process->kill();
    });
}

PortMapper::~PortMapper() {
    endAtOnce();
}

void PortMapper::open() {
    if (m_state != State::Idle) return;
    m_state = State::Opening;
    ++m_generation;
    enqueue(Kind::Map);
}

void PortMapper::close() {
    ++m_generation;
    m_state = State::Idle;
    m_renewal->stop();
    enqueue(Kind::Unmap);
}

void PortMapper::renew() {
    if (m_state != State::Open) return;
    enqueue(Kind::Renew);
}

void PortMapper::enqueue(Kind kind) {
    m_requests.push_back({kind, m_generation});
    // Started from the event loop, never inside the caller's own call.
    if (m_process || m_startQueued) return;
    m_startQueued = true;
    QMetaObject::invokeMethod(this, &PortMapper::startNext, Qt::QueuedConnection);
}

void PortMapper::startNext() {
    m_startQueued = false;
    while (!m_process && !m_requests.empty()) {
        const Request request = m_requests.front();
        m_requests.pop_front();
        // Nothing of ours at the router: nothing to renew or remove.
        if (request.kind != Kind::Map && !m_mapped) {
            if (request.kind == Kind::Unmap) emit closed();
            continue;
        }
        if (m_program.isEmpty()) {
            apply(request, noAnswer());
            continue;
        }
        m_current = request;
        m_output.clear();
        m_timedOut = false;
        m_process = new QProcess(this);
        m_process->setStandardInputFile(QProcess::nullDevice());
        m_process->setStandardErrorFile(QProcess::nullDevice());
        connect(m_process, &QProcess::readyReadStandardOutput, this, &PortMapper::helperOutput);
        connect(m_process, &QProcess::finished, this, &PortMapper::helperEnded);
        connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart) helperEnded();
        });
        m_process->start(m_program, argumentsFor(request.kind));
        if (m_process) m_deadline->start(m_settings.answerMs);
    }
}

QStringList PortMapper::argumentsFor(Kind kind) const {
    const QString port = QString::number(m_settings.port);
    const QString deadline = QString::number(m_settings.answerMs);
    switch (kind) {
    case Kind::Map: {
        QStringList args{"map",
                         "--port",
                         port,
                         "--lease",
                         QString::number(m_settings.leaseSeconds),
                         "--discover-ms",
                         QString::number(std::min(m_settings.discoverMs, m_settings.answerMs)),
                         "--deadline-ms",
                         deadline};
        if (!m_settings.multicastInterface.isEmpty())
            args << "--interface" << QString::fromLatin1(m_settings.multicastInterface);
        return args;
    }
    case Kind::Renew:
    case Kind::Unmap:
        break;
    }
    QStringList args{kind == Kind::Renew ? "renew" : "unmap",
                     "--port",
                     port,
                     "--control",
                     QString::fromLatin1(m_control),
                     "--service",
                     QString::fromLatin1(m_service),
                     "--lan",
                     QString::fromLatin1(m_lan),
                     "--deadline-ms",
                     deadline};
    if (kind == Kind::Renew) args << "--lease" << QString::number(m_lease);
    return args;
}

void PortMapper::helperOutput() {
    if (!m_process) return;
    const QByteArray more = m_process->readAllStandardOutput();
    // A report is short; a helper that writes on is no longer ours to listen to.
    if (m_output.size() + more.size() > qsizetype(portmap::kMaxReport)) {
        m_output = QByteArray(qsizetype(portmap::kMaxReport) + 1, '\n');
        m_process->kill();
        return;
    }
    m_output += more;
}

void PortMapper::helperEnded() {
    if (!m_process) return;
    m_deadline->stop();
    helperOutput();
    const Answer answer = takeAnswer();
    m_process->disconnect(this);
    m_process->deleteLater();
    m_process = nullptr;
    apply(m_current, answer);
    if (!m_requests.empty() && !m_startQueued) {
        m_startQueued = true;
        QMetaObject::invokeMethod(this, &PortMapper::startNext, Qt::QueuedConnection);
    }
}

PortMapper::Answer PortMapper::takeAnswer() {
    // Killed at the deadline, crashed on what the router sent, or stopped by its limits:
    // either way the router gave no answer we can use.
    const Answer none = noAnswer();
    if (m_process->error() == QProcess::FailedToStart) {
        qWarning("vimbrel: the helper program %s could not be started", qPrintable(m_program));
        return none;
    }
    if (m_timedOut || m_process->exitStatus() != QProcess::NormalExit || m_process->exitCode() != 0)
        return none;
    const auto report =
        portmap::readReport(std::string_view(m_output.constData(), size_t(m_output.size())));
    if (!report) return none;
    Answer answer;
    answer.outcome = int(report->outcome);
    answer.code = report->code;
    answer.lease = report->lease;
    if (!report->external.empty())
        answer.external =
            portmap::addressFromRouter(report->external.c_str(), report->external.size() + 1);
    if (report->outcome == Outcome::Mapped) {
        m_control = QByteArray::fromStdString(report->control);
        m_service = QByteArray::fromStdString(report->service);
        m_lan = QByteArray::fromStdString(report->lan);
    }
    return answer;
}

void PortMapper::apply(const Request& request, const Answer& answer) {
    const Outcome outcome = Outcome(answer.outcome);
    const bool current = request.generation == m_generation;
    switch (request.kind) {
    case Kind::Map:
        // Recorded even when stale: the close() that made it stale queued its removal.
        if (outcome == Outcome::Mapped) {
            m_mapped = true;
            m_lease = answer.lease;
        }
        if (!current || m_state != State::Opening) return;
        if (outcome != Outcome::Mapped) {
            m_state = State::Idle;
            emit failed(failureFor(outcome), answer.code);
            return;
        }
        m_state = State::Open;
        // Renewed at half the lease, so one late or lost renewal still leaves time for the next.
        if (m_lease > 0) m_renewal->start(m_lease * 1000 / 2);
        emit opened(answer.external);
        return;
    case Kind::Renew:
        // A refusal may mean the router dropped it already; a router that did not answer
        // may still hold it, and is asked to remove it at the end.
        if (outcome == Outcome::Refused) m_mapped = false;
        if (!current || m_state != State::Open || outcome == Outcome::Mapped) return;
        m_state = State::Idle;
        m_renewal->stop();
        emit failed(outcome == Outcome::NoAnswer ? Failure::NoAnswer : Failure::Refused,
                    answer.code);
        return;
    case Kind::Unmap:
        m_mapped = false;
        emit closed();
        return;
    }
}

void PortMapper::endAtOnce() {
    m_renewal->stop();
    m_deadline->stop();
    m_requests.clear();
    blockSignals(true); // nobody hears a mapper that is going away
    const QDeadlineTimer end(m_settings.endWaitMs);
    // A request on its way may be making the mapping, so it is let finish first.
    auto finish = [&end](QProcess* p) {
        if (!p->waitForFinished(int(end.remainingTime()))) {
            p->kill();
            p->waitForFinished(1000);
        }
    };
    if (m_process) finish(m_process);
    if (m_process) helperEnded(); // killed, and gone before it said so
    if (m_mapped && !end.hasExpired()) {
        m_requests.push_back({Kind::Unmap, m_generation});
        startNext();
        if (m_process) finish(m_process);
        if (m_process) helperEnded();
    }
    // A router that stalls must not hold up the end of the program; its lease runs out.
    if (m_mapped)
        qWarning("vimbrel: the router did not confirm the removal of the port mapping in time");
}
