// The table's one connection, whichever it is: the socket to a host elsewhere, or the
// in-process end of the desktop host's own table once this program hosts. The table
// gets this link when it is built; the launcher picks what stands behind it.
#pragma once

#include "protocol/clientlink.h"

class ClientLinkSwitch : public ClientLink, private ClientEvents {
public:
    ~ClientLinkSwitch() override { use(nullptr); }

    // From now on the table speaks through `target` (not owned; null: to nobody) and
    // hears it alone.
    void use(ClientLink* target) {
        if (m_target) m_target->attach(nullptr);
        m_target = target;
        if (m_target) m_target->attach(this);
    }

    void attach(ClientEvents* events) override { m_events = events; }
    void open(const QString& host) override {
        if (m_target) m_target->open(host);
    }
    void send(const QByteArray& bytes) override {
        if (m_target) m_target->send(bytes);
    }
    void close() override {
        if (m_target) m_target->close();
    }

private:
    void sockRead(const QByteArray& bytes) override {
        if (m_events) m_events->sockRead(bytes);
    }
    void departed(Departure why) override {
        if (m_events) m_events->departed(why);
    }
    void sockInfo(const QString& text) override {
        if (m_events) m_events->sockInfo(text);
    }

    ClientLink* m_target = nullptr;
    ClientEvents* m_events = nullptr;
};
