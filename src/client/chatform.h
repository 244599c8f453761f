// `Tchat`, the table window: the board, the chat, the menus and the preferences. What
// the table knows of the game and the connection is its TableSession's: the window
// observes it and sends the player's requests through it.
#pragma once

#include "portmap/portmapper.h"
#include "protocol/colourtext.h"
#include "table/tablesession.h"

#include <QHash>
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <array>
#include <functional>

class Board;
class ChatInput;
class ChatPanel;
class ClientLink;
class IniFile;
class PictureButton;
class QAction;
class QActionGroup;
class QMenu;
class Sounds;
class Tspylist;
class Tphrases;

class Tchat : public QMainWindow {
    Q_OBJECT
public:
    static QString programName() { return QStringLiteral("Vimbrel"); }
    static QString settingsFileName() { return QStringLiteral("zumveklobby.ini"); }
    // The window's inner size until the player changes it.
    static constexpr QSize kTableSize{700, 590};

    // `link`: the connection to the host, which must outlive the window.
    explicit Tchat(ClientLink& link, QWidget* parent = nullptr);
    ~Tchat() override;

    // What the table reaches in the other windows and in start-up; set once all exist.
    struct Hooks {
        std::function<void()> listen; // make the host's listener listen (throws ESockException)
        std::function<void()> openLobbyLink;         // open the link to the game lobby
        std::function<QString()> version;            // the about window's `version` text
        std::function<void(const QString&)> addgame; // the tally
        std::function<void()> showTally;             // View > View Tally
        std::function<void()> showHelp;              // Help > Content
        std::function<void()> showAbout;             // Help > About
        std::function<void()> showDownload;          // the lobby download window (solo start)
        std::function<void()> openMakerPage;         // the maker's web page (logo click)
        // Starts a copy of the program that takes over from this one (File > Host/Join
        // a Network Game); false when it could not be started.
        std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
        // Asks the router to forward the game port here (true) or to stop (false); the
        // answer comes back through portOpened() or portNotOpened().
        std::function<void(bool open)> routerPort;
        // A yes/no question to the player (a message box when unset); true for yes.
        std::function<bool(const QString& question)> confirm;
    };
    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    void setSpyList(Tspylist* spylist);
    void setPhraseEditor(Tphrases* phrases);
    void setArguments(const QStringList& args) { m_args = args; }
    // The port the host listens on, named when the router is asked to forward it.
    void setGamePort(quint16 port);
    // Modal message boxes go here (replaceable so tests never block on a dialog). The
    // sink returns once the player has dismissed the message.
    void setMessageSink(std::function<void(const QString&)> sink) {
        m_messageSink = std::move(sink);
    }
    // Milliseconds on a steady clock; the chat allowance reads it (tests inject one).
    void setClock(TableSession::Clock clock) { m_session->setClock(std::move(clock)); }
    // Asks the desktop for attention to the window (QApplication::alert by default).
    void setAlertAction(std::function<void(QWidget*)> alert) { m_alert = std::move(alert); }

    TableSession& session() { return *m_session; }
    const ClientState& state() const { return m_session->state(); }
    Board* board() const { return m_board; }
    ChatPanel* mainchat() const { return m_mainchat; }
    ChatInput* mychat() const { return m_mychat; }
    Sounds* sounds() const { return m_sounds; }
    wire::Dispatcher& queue() { return m_session->queue(); }
    QAction* action(const QString& objectName) const;
    QString settingsPath() const;

    // Start-up: the first showing reads the command line.
    void processparams();
    bool hostpress(); // false when the listener could not be opened
    void joinpress();
    // The router's answers to Hooks::routerPort, told in the chat panel.
    void portOpened(const QHostAddress& external);
    void portNotOpened(PortMapper::Failure why, int code);
    // The player's choice to have the router open the game port (off until chosen).
    bool openPortChosen() const { return m_openPort; }
    // File > "Host a Network Game…" (host true) and "Join a Network Game…": the dialog
    // that starts the program again in that role.
    void openNetworkDialog(bool host);

    // A complete message from the host, handled on a later tick.
    void received(const QString& message) { m_session->received(message); }

    // File > "Rejoin Last Game": a new copy joins the last host under the same name, once
    // that host answers and the player agreed to leave a game open here.
    void RejoinGame1Click();
    void JustWatch1Click();
    void label_playername1ContextPopup(int seat, const QPoint& globalPos);
    void SpyList1Click();

    // Chat, phrases and preferences.
    void addlinetochat(const QString& line, wire::BgrColour colour);
    void sendit();
    void b_phrase1Click(int k);
    QString phrase(int k) const;
    void setPhrases(const QStringList& phrases);
    void loadinifile();
    void saveinifile();
    void playsounds(const QString& name);
    wire::BgrColour textColour() const { return m_textColour; }
    wire::BgrColour actionColour() const { return m_actionColour; }
    int botSpeed() const { return m_botSpeed; }
    void setBotSpeed(int ms);
    bool botExpert() const { return m_botExpert; }
    void setBotSkill(bool expert);
    void setTurnSound(int which);
    void setTextSize(int points);
    void setPlaySounds(bool on);
    void setTextColour(wire::BgrColour c);
    void setActionColour(wire::BgrColour c);
    void resetScreenLocation();
    QTimer* phraseCooldown() const { return m_session->phraseCooldown(); }
    int turnSound() const { return m_turnSound; }
    // A modal message; the window stays open until the player dismissed it.
    void showMessage(const QString& text);
    // File > Start Game and the start button.
    void startGame();

signals:
    // The table window closed: the program ends.
    void tableClosed();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void buildWindow();
    void buildMenus();
    void buildChat();
    void buildFileMenu();
    void buildOptionsMenu();
    void buildBotMenus(QMenu* options);
    void buildPreferenceItems(QMenu* options);
    void buildCopyItem(const QList<QAction*>& chatItems);
    void buildViewAndHelpMenus();
    void buildSeatMenu();
    void observeSession();
    void ownTurnStarted();
    void setJustWatchChecked(bool checked);
    void setStartEnabled(bool on);
    QString seatName(int seat) const { return m_session->seatName(seat); }
    bool canRejoin() const;
    void probeLastHost(const QString& address, std::function<void(bool answers)> done);
    // The player chose the value of this settings key, so saving may write it.
    void chose(const QString& key) { m_settingsChosen.insert(key); }
    // Tells the player, once, that the settings file cannot be read (nor is written).
    void warnSettingsUnreadable();
    void copyChatSelection();
    // Once every message that came before the end is handled and no message is up
    // waiting for the player: tableEnded().
    void closeWhenIdle();
    // Closes the window when the table has nothing more to say; otherwise keeps it,
    // and tells the player why the table is over.
    void tableEnded();
    // Reads the saved choice to open the port on the router; off when none was saved.
    void readOpenPortChoice();
    // The window's bounds as `ini` keeps them, or centred where it keeps none it can use.
    QRect savedBounds(const IniFile& ini) const;
    void setOpenPortChosen(bool on);
    // Asks the router (once) to open or close the port, when this table hosts for others.
    void askRouter(bool open);

    TableSession* m_session = nullptr;
    Hooks m_hooks;
    QStringList m_args;
    Board* m_board = nullptr;
    ChatPanel* m_mainchat = nullptr;
    ChatInput* m_mychat = nullptr;
    std::array<PictureButton*, 10> m_phraseButtons{};
    Sounds* m_sounds = nullptr;
    QPointer<Tspylist> m_spylist;
    QPointer<Tphrases> m_phrases;
    std::function<void(const QString&)> m_messageSink;
    std::function<void(QWidget*)> m_alert;
    QTimer* m_closeTimer = nullptr;

    wire::BgrColour m_textColour = wire::kBlack;
    wire::BgrColour m_actionColour = wire::kBlack;
    int m_botSpeed = 1000;
    bool m_botExpert = false;
    int m_turnSound = 0;
    QRect m_boundsRead;    // bounds read from the settings file (all 0 until then)
    QRect m_boundsApplied; // bounds the program last gave the window
    // The raw texts of our keys the settings file held when it was read, and the keys
    // the player changed: saving writes these and nothing else.
    QHash<QString, QString> m_settingsRead;
    QSet<QString> m_settingsChosen;
    bool m_settingsWarned = false;
    quint16 m_gamePort = 7772;
    bool m_openPort = false;  // the player's saved or changed choice
    bool m_portAsked = false; // the router was asked to open the port and not told to close it
    bool m_portTroubleTold = false; // the panel said the router did not open it
    int m_messagesShown = 0;        // message boxes up right now
    bool m_firstShow = true;
    bool m_closing = false;
    bool m_endPending = false; // the table ended; tableEnded() waits for the queue
};
