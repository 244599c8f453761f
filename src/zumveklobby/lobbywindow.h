// The lobby's main window: the tables with the buttons that join, watch or host one,
// who is online, and the room's chat. It shows what it is given and says what the
// player asked for; the decisions are made elsewhere.
#pragma once

#include "lobbyproto/tables.h"

#include <QMainWindow>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace zumvek {

class TableView;

class LobbyWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit LobbyWindow(QWidget* parent = nullptr);

    struct Person {
        QString nick;
        QString where; // the table's name, or empty when at none
        bool watching = false;
    };

    void setTables(const QList<lobby::Table>& tables);
    void setPeople(const QList<Person>& people);
    // One line of chat; `nick` and `text` are shown exactly as they came.
    void addChat(const QString& nick, const QString& text);
    // A line of the program's own in the chat.
    void addNotice(const QString& text);
    // The state of the connection, in words, at the top of the window.
    void setStatus(const QString& text);
    // In the room, the lobby's buttons and chat work; out of it only Play Solo does.
    void setInRoom(bool in);
    void setGameRunning(bool running);

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
    QLabel* status = nullptr;

signals:
    void joinClicked(const QString& key, bool watch);
    void hostClicked();
    void serverTableClicked();
    void soloClicked();
    void messageEntered(const QString& text);
    void signInAgain();
    void closing();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void updateButtons();
    void join(bool watch);
    void send();

    bool m_inRoom = false;
    bool m_gameRunning = false;
};

} // namespace zumvek
