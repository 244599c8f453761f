// A host with a recorder in place of the sockets, and helpers that drive it in
// virtual time: messages go through the inbound queue, timers are ticked by hand.
#pragma once

#include "protocol/serverlink.h"
#include "protocol/wiretext.h"
#include "server/tserver.h"

#include <QByteArrayList>
#include <QList>
#include <QMap>
#include <deque>
#include <random>
#include <set>

// Records every byte sent per record, and what was accepted and closed. Keeps the
// links' contract on which records hold a connection (ServerLink::move).
class HostSendRecorder : public ServerLink {
public:
    ServerEvents* events = nullptr;
    int waiting = 0; // connections waiting on the listener
    QMap<int, QByteArrayList> sent;
    QList<int> accepted, closed;
    std::set<int> held; // records holding a connection

    void attach(ServerEvents* e) override { events = e; }
    bool accept(int record) override {
        if (waiting == 0) return false;
        --waiting;
        accepted.append(record);
        held.insert(record);
        return true;
    }
    // Seat secrets are random: they are kept apart, so the rest compares exactly.
    void send(int record, const QByteArray& bytes) override {
        (bytes.startsWith("CMD_seattoken+") ? tokens : sent)[record].append(bytes);
    }
    QMap<int, QByteArrayList> tokens;
    void close(int record) override {
        closed.append(record);
        held.erase(record);
    }
    bool move(int from, int to) override {
        if (!held.contains(from) || from == to || held.contains(to)) return false;
        held.erase(from);
        held.insert(to);
        moved.append({from, to});
        return true;
    }
    // The record's connection ends as a link reports it: the record is let go first.
    void depart(int record, Departure why = Departure::ClosedByPeer) {
        held.erase(record);
        if (events) events->tempsockDisconnect(record, why);
    }
    QList<QPair<int, int>> moved;

    // What the record received since the last take, one entry per message.
    QByteArrayList take(int record) { return sent.take(record); }
    void clear() { sent.clear(); }
};

// Faces from a script first; seeded random faces once the script runs out.
struct ScriptedFaces {
    std::deque<int> script;
    std::mt19937 random{12345};
    int operator()() {
        if (script.empty()) return std::uniform_int_distribution<int>(1, 6)(random);
        const int f = script.front();
        script.pop_front();
        return f;
    }
};

struct Host {
    HostSendRecorder link;
    TServer server{link};
    std::shared_ptr<ScriptedFaces> faces = std::make_shared<ScriptedFaces>();
    QStringList errors;

    Host() {
        server.setFaceSource([f = faces] { return (*f)(); });
        server.setErrorSink([this](const QString& e) { errors.append(e); });
    }

    // A connection arrives; returns the record it got (0 when it was turned away).
    int connectOne() {
        ++link.waiting;
        const int before = link.accepted.size();
        server.Sock1Accept();
        if (link.accepted.size() == before) return 0;
        const int r = link.accepted.last();
        return r <= 9 ? r : 0;
    }
    // Queues the message as received from `record` and handles the whole queue.
    void send(int record, const QByteArray& framed) {
        QByteArray bytes = framed;
        if (!bytes.endsWith(wire::kTerminator)) bytes.append(wire::kTerminator);
        server.Sock1Read(record, bytes);
        drain();
    }
    void drain() {
        while (server.queue().pending() > 0)
            server.queue().tick();
    }
    int join(const QString& name) {
        const int r = connectOne();
        send(r, QStringLiteral("CMD_logininfo+%1+1.0.7+%2").arg(r).arg(name).toUtf8());
        return r;
    }
    // Ticks the pause to its end, as timer1 would.
    void finishPause() {
        while (server.timer1().isActive())
            server.timer1Timer();
    }
    void script(std::initializer_list<int> f) { faces->script.insert(faces->script.end(), f); }
};

inline QByteArray framed(const char* text) {
    QByteArray b(text);
    b.append(wire::kTerminator);
    return b;
}

// Messages as text, without terminators, for readable comparisons.
inline QStringList texts(const QByteArrayList& list) {
    QStringList out;
    for (QByteArray b : list) {
        if (b.endsWith(wire::kTerminator)) b.chop(1);
        out.append(wire::decode(b));
    }
    return out;
}
