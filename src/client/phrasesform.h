// `Tphrases`: the editor of the ten phrase buttons.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

class QLineEdit;

class Tphrases : public QDialog {
    Q_OBJECT
public:
    explicit Tphrases(QWidget* parent = nullptr);

    // Fills the boxes with the buttons' phrases and shows the editor (not modal).
    void edit(const QStringList& phrases, QWidget* table);
    QStringList texts() const;
    QLineEdit* phraseBox(int k) const { return m_boxes.at(k - 1); }

    // "Done": hands the ten texts to the table, which stores them.
    void setDoneAction(std::function<void(const QStringList&)> done) { m_done = std::move(done); }
    void button_doneClick();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::array<QLineEdit*, 10> m_boxes{};
    std::function<void(const QStringList&)> m_done;
};
