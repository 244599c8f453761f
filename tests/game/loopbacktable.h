// A table window with its own socket connection to a host on loopback, as a player's
// copy of the program has it.
#pragma once

#include "client/chatform.h"
#include "net/Sock.h"
#include "net/sockclientlink.h"

#include <QAbstractButton>
#include <QString>
#include <QStringList>

struct LoopbackTable {
    Tchat window;
    SockClientLink link;
    QStringList boxes;

    LoopbackTable(const QString& port, const QStringList& args) : link(port) {
        window.setLink(&link);
        window.setMessageSink([this](const QString& t) { boxes << t; });
        Tchat::Hooks hooks;
        hooks.listen = [] {}; // the test's host already listens
        window.setHooks(hooks);
        window.setArguments(args);
    }
    Board* board() { return window.board(); }
    template <class W> W* find(const QString& name) { return window.findChild<W*>(name); }
    bool shows(const QString& button) {
        auto* b = find<QAbstractButton>(button);
        return b && b->isVisibleTo(&window);
    }
};
