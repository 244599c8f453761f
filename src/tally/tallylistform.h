// The tally window: the local player's games and wins, and for each followed
// opponent the games played together and who won them, in total and this run.
#pragma once

#include "tally/tallystore.h"

#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The table's seats as the tally needs them.
struct TallySeats {
    std::array<QString, 4> names; // an empty seat reads "<Waiting>"
    int ownSeat = 0;              // 1..4 when playing; anything else is a spectator
};

class Ttallylist : public QWidget {
    Q_OBJECT
public:
    using MessageSink = std::function<void(const QString&)>;
    using Confirm = std::function<bool(const QString&)>;

    // Loads the tally file at once, without running the event loop; a load error goes to
    // `messages` (an error box when none is given) from the event loop, after the
    // constructor has returned. The destructor saves the tally file.
    explicit Ttallylist(QWidget* parent = nullptr, MessageSink messages = {});
    ~Ttallylist() override;

    // Where the seats come from (the table); without one the checklist stays empty.
    void setSeatSource(std::function<TallySeats()> source) { m_seats = std::move(source); }
    // Yes/No questions; defaults to a message box.
    void setConfirm(Confirm confirm) { m_confirm = std::move(confirm); }
    void setMessageSink(MessageSink sink) { m_messages = std::move(sink); }

    // "Vimbreltally.tld" in the player's data folder.
    static QString tallyFilePath();
    // Reload from and write to the tally file, as at start-up and exit.
    void load();
    bool save();

    // One finished game: "addtomine" when the local player won, else the winner text.
    void addgame(const QString& winnerText);
    // The table's rule on a game's winner text: spectators and shared wins count
    // nothing; the own seat's name counts as "addtomine".
    void recordwinner(const QString& winnerText);
    int addit(int column, int row) { return m_store.addit(column, row); }
    void addtomineincrease(int column);
    void loadtally();
    void moverow(int row) { m_store.moverow(row); }
    // Fills "Players In Current Game" from the seats, followed players checked.
    void loadchecklist();

    // The user's actions.
    void checklistClickCheck(QListWidgetItem* item);
    void listbox_tallyClickCheck(QListWidgetItem* item);
    void listbox_tallyClick();
    void button_doneClick() { hide(); }
    void button_resetClick();

    const TallyStore& store() const { return m_store; }
    // mylabel_1..4 and label_1..8 by number.
    QLabel* mylabel(int n) const { return m_mylabels.at(n - 1); }
    QLabel* label(int n) const { return m_labels.at(n - 1); }

    QListWidget* listbox_tally = nullptr;
    QListWidget* checklist = nullptr;
    QLabel* label_hisname = nullptr;
    QLabel* label_hisnametop = nullptr;
    QPushButton* button_reset = nullptr;
    QPushButton* button_done = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    // Loads the tally file and fills the window; returns the text that reports a failure.
    QString readTallyFile();
    void buildLayout();
    QWidget* buildOwnPanel();
    QWidget* buildOpponentPanel();
    QWidget* buildLists();
    void addFollowed(const QString& name);
    int listIndex(const QString& name) const;
    void showOpponent(int row);
    void syncChecklist();
    void report(const QString& message);

    TallyStore m_store;
    std::function<TallySeats()> m_seats;
    Confirm m_confirm;
    MessageSink m_messages;
    std::array<QLabel*, 4> m_mylabels{};
    std::array<QLabel*, 8> m_labels{};
    bool m_quiet = false; // set while the code itself changes check boxes
};
