// The game board of the table window: the dice tray with its turn buttons, the four
// player slots with their score sheets, the round, phase and status lines, the
// phase list and the winner banner. It shows what the session hears from the host
// and sends the player's requests through the session; it never decides anything
// itself and never reaches the window around it except by its signals.
//
// Message handlers take the body after "CMD_x+". A malformed number throws
// wire::ConvertError, which the dispatcher reports; effects made before the bad
// field stay. Numbers that would index the board (seats, dice, rows, faces,
// colours) are checked first: an item out of range is skipped, a message whose
// seat is out of range is ignored.
#pragma once

#include "protocol/messages.h"

#include "table/tablesession.h"

#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

class ArtImage;
class DieImage;
class PictureButton;
class QLabel;

class Board : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 684;
    static constexpr int kHeight = 538;
    static constexpr int kDice = 10;
    static constexpr int kSeats = 4;
    static constexpr int kRows = 12;
    static constexpr int kPhases = 10;
    static constexpr int kShuffleIntervalMs = 500;
    static constexpr int kRestingTop = 15;
    static constexpr int kRaisedTop = 5;

    // One die as this client knows it: the host's last roll and the player's mark.
    struct TrayDie {
        int value = 0;  // 0 = wild (and after a reset), 1..10
        int colour = 0; // 1..4; 0 = not rolled this turn
        bool held = false;
    };

    // Uniform integer in [0, bound). The shuffle's only source of chance.
    using RandomSource = std::function<int(int bound)>;

    // Observes `session` (which must outlive it) from the start.
    Board(TableSession& session, QWidget* parent = nullptr);
    // The line of the phase list for phase 1..10 ("PH1: Two SETS of 3" ...); empty otherwise.
    static QString phaseListText(int phase);
    ~Board() override;

    // ---- dice tray ------------------------------------------------------------
    void createdice(const wire::read::CreateDice& roll);
    void dicetimerTimer();
    void image_d1MouseUp(int die, Qt::MouseButton button);
    void sortthem();
    void button_rollClick();
    void button_alldoneClick();
    // Keyboard play while the board holds the focus: R rolls, D or Enter ends the
    // turn, 1..9 and 0 hold or release the die at that position, S sorts. Each key
    // goes through the handler of the click it stands for, and only where that
    // click is possible. True when the key is one of these.
    bool playKey(int key);

    // ---- score board and game progress -----------------------------------------
    void startthegame(const std::array<QString, 4>& fields);
    void getnextplayer(const wire::read::NextPlayer& next);
    void scores(const wire::read::Scores& s);
    void noscore(const wire::read::NoScore& n);
    void markoff(const wire::read::MarkOff& m);
    void loadstats(const wire::msg::LoadStats& st);
    void loadpscores(const wire::read::PScores& p);
    void winner(const QString& winnerText, const QString& banner);
    // Our seat changed hands (ClientState::computerPlaysOwnSeat): a turn of ours in
    // progress gets its buttons and status for whoever plays it now.
    void ownSeatChangedHands();
    void clearall();
    void button_startClick();

    // ---- tray services (die numbers 1..10; others are ignored) ------------------
    void paintDie(int die);
    void resetTray();
    void raiseDie(int die);
    void restDie(int die);
    void startShuffle();
    void showRolls(int rolls); // 0..3; anything else leaves the indicator blank
    void setRollVisible(bool visible);
    void setAllDoneVisible(bool visible);
    void setStartVisible(bool visible);

    // Position k (0..9, left to right) shows die displayOrder()[k].
    const std::array<int, kDice>& displayOrder() const { return m_order; }
    TrayDie trayDie(int die) const; // a default record for numbers outside 1..10
    QTimer& dicetimer() { return m_dicetimer; }
    void setRandomSource(RandomSource source);

    // ---- seats, for the client-connection code -----------------------------------
    // The name is the host's (or "<Waiting>" for an empty seat); the label shows the
    // empty seat in the player's language, but playerName() keeps the name as set.
    void setPlayerName(int seat, const QString& text);
    QString playerName(int seat) const; // empty for seats outside 1..4
    // The name the solo game gives its player (it travels on the wire as it is).
    static constexpr QLatin1StringView kSoloName{"You"};
    void setScoreVisible(int seat, bool visible);
    void setEyesVisible(int seat, bool visible);

signals:
    void sound(const QString& name);
    // Our own turn began and we play it.
    void ownTurnStarted();
    // The start button: the window asks the session and saves its settings.
    void startClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    enum class PhaseLook { Plain, Done, Current };

    void buildTray();
    void buildSlots();
    void buildLines();
    void buildPhaseList();
    void buildButtons();
    QLabel* addLabel(const QString& name, const QRect& geometry, int pixelSize, bool bold,
                     const QColor& colour, Qt::Alignment align, QWidget* parent = nullptr);

    void placeDie(int die, int top);
    void restAllAndRaise(const QList<int>& dice);
    void setCell(int seat, int row, const QString& text);
    void clearBonusLabels();
    void moveTurnHighlight(int seat);
    void setPhaseLine(int seat, int phase);
    void showPhaseToGet(int phase);
    void setPhaseLook(int phase, PhaseLook look);
    void showExample(int phase);

    // ---- accessibility (boardaccess.cpp) ------------------------------------------
    // Names, states and events for assistive technology; each is cheap to call again
    // and emits change events only for what really changed.
    void nameControls();
    void describeDice();
    void describeSeats();
    void describeRolls(int rolls);
    void orderTabs();
    // True while the keyboard's focus is on the board, one of its dice or turn buttons.
    bool playFocus() const;
    void keepFocusOnHide(QWidget* control);

    static bool isSeat(int seat) { return seat >= 1 && seat <= kSeats; }
    static bool isDie(int die) { return die >= 1 && die <= kDice; }
    const ClientState& state() const { return m_session.state(); }
    void observeSession();
    bool isOwnSeat(int seat) const { return isSeat(seat) && seat == state().ownSeat; }
    // Our seat, played by us rather than by the computer.
    bool playsSeat(int seat) const { return isOwnSeat(seat) && !state().computerPlaysOwnSeat; }
    // The buttons, status line and phase list of a turn of our seat (phase 0: the
    // list as it is).
    void showOwnTurn(int phase);
    QString shownName(int seat, const QString& name) const;

    TableSession& m_session;

    std::array<TrayDie, kDice> m_tray{};
    std::array<int, kDice> m_order{};
    QTimer m_dicetimer;
    RandomSource m_random;

    std::array<DieImage*, kDice> m_dice{};
    ArtImage* m_rolls = nullptr;
    PictureButton* m_roll = nullptr;
    PictureButton* m_allDone = nullptr;
    PictureButton* m_start = nullptr;

    std::array<ArtImage*, kSeats> m_slots{};
    std::array<ArtImage*, kSeats> m_eyes{};
    std::array<QLabel*, kSeats> m_names{};
    std::array<QString, kSeats> m_nameTexts{};
    std::array<QLabel*, kSeats> m_bonus{};
    std::array<QLabel*, kSeats> m_totals{};
    std::array<std::array<QLabel*, kRows>, kSeats> m_cells{};

    ArtImage* m_turn = nullptr;
    int m_turnSeatShown = 0; // the seat the turn highlight marks; 0 when hidden
    int m_openRolls = -1;    // rolls made in the turn in progress; -1 when none is open
    ArtImage* m_winnerBanner = nullptr;
    QLabel* m_winner = nullptr;
    QLabel* m_round = nullptr;
    QLabel* m_phase = nullptr;
    QLabel* m_status = nullptr;

    QWidget* m_phasePanel = nullptr;
    std::array<QLabel*, kPhases> m_examples{};
    ArtImage* m_example = nullptr;

    QPixmap m_banner;
};
