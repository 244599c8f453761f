// Records what a TSock reports, as short strings in arrival order.
#pragma once

#include "net/Sock.h"

#include <QStringList>

struct SockRecorder {
    QStringList events;
    QByteArray received;     // everything taken with Receive, in order
    QList<int> receiveSizes; // the size of each Receive
    bool receiveOnRead = true;
    bool closeOnDisconnect = false;

    void bind(TSock* sock) {
        sock->OnInfo = [this](TSock*, TSocketInfo code, const QString& text) {
            events << QStringLiteral("info %1 %2").arg(int(code)).arg(text);
        };
        sock->OnConnect = [this](TSock*) { events << QStringLiteral("connect"); };
        sock->OnDisconnect = [this](TSock* sender) {
            events << QStringLiteral("disconnect");
            if (closeOnDisconnect) sender->Close();
        };
        sock->OnRead = [this](TSock* sender, int) {
            events << QStringLiteral("read");
            if (!receiveOnRead) return;
            const QByteArray bytes = sender->Receive();
            receiveSizes << int(bytes.size());
            received += bytes;
        };
    }

    // Events other than the data progress texts, which come in any number.
    QStringList significant() const {
        QStringList out;
        for (const QString& e : events) {
            if (e == QLatin1String("read") || e.startsWith(QLatin1String("info 4 ")) ||
                e.startsWith(QLatin1String("info 5 ")))
                continue;
            out << e;
        }
        return out;
    }
};
