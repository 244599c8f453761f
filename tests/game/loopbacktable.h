// A table window with its own connection to a host: over loopback sockets, as a
// player's copy of the program has it, or on the in-process pair.
#pragma once

#include "client/chatform.h"
#include "net/Sock.h"
#include "net/sockclientlink.h"
#include "support/locallinks.h"

#include <QAbstractButton>
#include <QString>
#include <QStringList>
#include <memory>

struct GameTable {
    std::unique_ptr<ClientLink> link; // outlives the window, which listens to it
    Tchat window;
    QStringList boxes;

    GameTable(std::unique_ptr<ClientLink> connection, const QStringList& args)
        : link(std::move(connection)), window(*link) {
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

struct LoopbackTable : GameTable {
    LoopbackTable(const QString& port, const QStringList& args)
        : GameTable(std::make_unique<SockClientLink>(port), args) {}
};

struct LocalTable : GameTable {
    LocalTable(LocalServerLink& host, const QStringList& args)
        : GameTable(std::make_unique<LocalClientLink>(host), args) {}
};
