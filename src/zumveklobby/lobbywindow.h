// The lobby's main window: the tables with the buttons that join, watch or host one,
// who is online with their ratings, the best players, and the room's chat. It shows what it is
// given and says what the player asked for; the decisions are made elsewhere.
#pragma once

#include "lobbyproto/tables.h"

#include <QMainWindow>
#include <QSet>

class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace zumvek {

class BestPlayersDialog;
class TableView;

class LobbyWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit LobbyWindow(QWidget* parent = nullptr);

    struct Person {
        QString nick;
        QString where; // the table's name, or empty when at none
        bool watching = false;
        bool muted = false; // a visitor in the room: cannot speak
        int rating = 0;     // the displayed rating, shown when `games` > 0
        int games = 0;      // rated games; 0: no rating to show
    };

    void setTables(const QList<lobby::Table>& tables);
    void setPeople(const QList<Person>& people);
    // The best players, best first, for the Best Players window.
    void setBestPlayers(const QList<lobby::RatedPlayer>& best);
    void showBestPlayers();
    // One line of chat; `nick` and `text` are shown exactly as they came.
    void addChat(const QString& nick, const QString& text);
    // A line of the program's own in the chat.
    void addNotice(const QString& text);
    // The state of the connection, in words, at the top of the window.
    void setStatus(const QString& text);
    // In the room, the lobby's buttons and chat work; out of it only Play Solo does.
    void setInRoom(bool in);
    void setGameRunning(bool running);
    // A moderator gets a menu on each other person in the Online list: mute (or unmute)
    // and ban. `self` is our own name, which gets none.
    void setModerator(bool on, const QString& self);
    // That menu for `nick` (owned by the caller), or nullptr when there is none.
    QMenu* moderationMenu(const QString& nick);

    TableView* tables = nullptr;
    QListWidget* online = nullptr;
    QPlainTextEdit* chatView = nullptr;
    QLineEdit* message = nullptr;
    QPushButton* sendButton = nullptr;
    QPushButton* joinButton = nullptr;
    QPushButton* watchButton = nullptr;
    QPushButton* hostButton = nullptr;
    QPushButton* serverButton = nullptr;
    QPushButton* soloButton = nullptr;
    QPushButton* bestButton = nullptr;
    QLabel* status = nullptr;
    BestPlayersDialog* bestPlayers = nullptr;

    // Where the Online list keeps a person's rating, as the text drawn beside the name.
    static constexpr int kRatingRole = Qt::UserRole + 1;

signals:
    void joinClicked(const QString& key, bool watch);
    void hostClicked();
    void serverTableClicked();
    void soloClicked();
    void messageEntered(const QString& text);
    void signInAgain();
    // A moderator's choice from the menu; the reason is shown to the one it concerns.
    void muteClicked(const QString& nick, const QString& reason);
    void unmuteClicked(const QString& nick);
    void banClicked(const QString& nick, const QString& reason);
    void closing();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void updateButtons();
    void join(bool watch);
    void send();

    bool m_inRoom = false;
    bool m_gameRunning = false;
    bool m_moderator = false;
    QString m_self;
    QSet<QString> m_muted;
};

} // namespace zumvek
