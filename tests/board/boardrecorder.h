// A board observing a session seated for seat 1 ("Ann") with three more players, and
// a recorder of what both tell the windows around them and send to the host.
#pragma once

#include "client/board/board.h"
#include "client/board/boardimages.h"
#include "common/tablesendrecorder.h"
#include "table/tablesession.h"

#include <QLabel>
#include <QList>
#include <QStringList>
#include <memory>

struct RecordingHost : TableSendRecorder {
    QStringList chat;
    QStringList sounds;
    QStringList games;
    QStringList messages;
    int saves = 0;
    int turnStarts = 0;
    QList<bool> justWatch;
};

struct BoardRig {
    RecordingHost host;
    std::unique_ptr<TableSession> session;
    std::unique_ptr<Board> board;

    // `connected`: logged in as `ownSeat`; `seatTwo`: whether seat 2 has a player.
    explicit BoardRig(int ownSeat = 1, bool connected = true, bool seatTwo = true) {
        session = std::make_unique<TableSession>(host, QString());
        board = std::make_unique<Board>(*session);
        record();
        session->setPlayerName(QStringLiteral("Ann"));
        if (connected) session->sendloginfo({ownSeat, QString()});
        const QStringList names{"Ann", "Bob", "Cy", "Dee"};
        for (int s = 1; s <= 4; ++s)
            if (s != 2 || seatTwo) session->newplayerinfo({s, names[s - 1]});
        clearRecords();
        host.sent.clear();
    }

    const ClientState& state() const { return session->state(); }
    // Start as the board's window does: a start the session sent is saved.
    void wireStart() {
        QObject::connect(board.get(), &Board::startClicked, board.get(), [this] {
            if (session->startGame()) ++host.saves;
        });
    }

    DieImage* die(int n) const {
        return board->findChild<DieImage*>(QStringLiteral("image_d") + QString::number(n));
    }
    QLabel* label(const QString& name) const { return board->findChild<QLabel*>(name); }
    QString text(const QString& name) const {
        QLabel* l = label(name);
        return l ? l->text() : QStringLiteral("<missing %1>").arg(name);
    }
    ArtImage* image(const QString& name) const { return board->findChild<ArtImage*>(name); }
    bool shows(const QString& name) const {
        QWidget* w = board->findChild<QWidget*>(name);
        return w && w->isVisibleTo(board.get());
    }
    // The die shown at display position k (1..10), by its screen place.
    int dieAt(int k) const {
        for (int n = 1; n <= 10; ++n)
            if (die(n)->x() == 56 * k + 11) return n;
        return 0;
    }
    void clearRecords() {
        host.sent.clear();
        host.sounds.clear();
        host.chat.clear();
        host.games.clear();
    }

private:
    void record() {
        RecordingHost* h = &host;
        const TableSession* s = session.get();
        QObject::connect(s, &TableSession::notice, [h](const QString& line) { h->chat << line; });
        QObject::connect(s, &TableSession::sound, [h](const QString& n) { h->sounds << n; });
        QObject::connect(board.get(), &Board::sound, [h](const QString& n) { h->sounds << n; });
        QObject::connect(s, &TableSession::tallied, [h](const QString& w) { h->games << w; });
        QObject::connect(s, &TableSession::message, [h](const QString& m) { h->messages << m; });
        QObject::connect(s, &TableSession::ownJustWatchChanged,
                         [h](bool on) { h->justWatch << on; });
        QObject::connect(board.get(), &Board::ownTurnStarted, [h] { ++h->turnStarts; });
        wireStart();
    }
};
