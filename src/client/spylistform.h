// `Tspylist`: the list of spectators, with removal for the host's player.
#pragma once

#include <QDialog>
#include <functional>

class QListWidget;
class QMenu;
class QAction;

class Tspylist : public QDialog {
    Q_OBJECT
public:
    explicit Tspylist(QWidget* parent = nullptr);

    void addSpy(const QString& line);
    // Removes the line when present; false when there was none.
    bool removeSpy(const QString& line);
    QStringList spies() const;

    void setKickAction(std::function<void(int)> kick) { m_kick = std::move(kick); }
    // The item that ignores a spectator's chat: its text for a record (empty hides
    // it), asked each time the menu opens, and what choosing it does.
    void setIgnoreActions(std::function<QString(int)> text, std::function<void(int)> toggle) {
        m_ignoreText = std::move(text);
        m_ignoreToggle = std::move(toggle);
    }
    void setRemoveEnabled(bool on);
    bool removeEnabled() const;
    void showCentredOn(QWidget* table);

    // The line under the pointer (-1 for none), kept in the list's tag.
    int hoveredLine() const { return m_hovered; }
    void listbox_spysMouseMove(const QPoint& pos);
    void popup_kickhimClick();
    // Prepares the list's menu for the line at that point of the list.
    void popup_kickPopup(const QPoint& pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* e) override;

private:
    // The record number of the line under the pointer; -1 for none or one unreadable.
    int hoveredRecord() const;

    QListWidget* m_list = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_kickItem = nullptr;
    int m_hovered = -1;
    QAction* m_ignoreItem = nullptr;
    std::function<void(int)> m_kick;
    std::function<QString(int)> m_ignoreText;
    std::function<void(int)> m_ignoreToggle;
};
