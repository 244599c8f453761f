// The table's connection as a recorder: what the table sent, and where it went.
#pragma once

#include "protocol/clientlink.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct TableSendRecorder : ClientLink {
    QList<QByteArray> sent;
    QString opened;
    void attach(ClientEvents*) override {}
    void open(const QString& host) override { opened = host; }
    void send(const QByteArray& bytes) override { sent << bytes; }
    void close() override {}
    QByteArray last() const { return sent.isEmpty() ? QByteArray() : sent.last(); }
};
