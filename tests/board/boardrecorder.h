// A BoardHost that records what the board asks of the window around it, and a
// fixture that builds a board for seat 1 ("Ann") with three more players seated.
#pragma once

#include "client/board/board.h"
#include "client/board/boardimages.h"

#include <QLabel>
#include <QList>
#include <QStringList>
#include <memory>

class RecordingHost : public BoardHost {
public:
    QList<QByteArray> sent;
    QStringList chat;
    QStringList sounds;
    QStringList games;
    QStringList messages;
    int saves = 0;
    int turnStarts = 0;
    int sound = 0;
    QList<bool> justWatch;

    void send(const QByteArray& bytes) override { sent.append(bytes); }
    void addlinetochat(const QString& line, wire::BgrColour) override { chat.append(line); }
    void playsounds(const QString& name) override { sounds.append(name); }
    void addgame(const QString& winnerText) override { games.append(winnerText); }
    int turnSound() const override { return sound; }
    void saveinifile() override { ++saves; }
    void showMessage(const QString& text) override { messages.append(text); }
    void setJustWatchChecked(bool checked) override { justWatch.append(checked); }
    void turnStarted() override { ++turnStarts; }
};

struct BoardRig {
    ClientState state;
    RecordingHost host;
    std::unique_ptr<Board> board;

    explicit BoardRig(int ownSeat = 1) {
        state.playerName = QStringLiteral("Ann");
        state.ownSeat = ownSeat;
        state.connected = true;
        board = std::make_unique<Board>(state, host);
        const QStringList names{"Ann", "Bob", "Cy", "Dee"};
        for (int s = 1; s <= 4; ++s)
            board->setPlayerName(s, names[s - 1]);
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
};
