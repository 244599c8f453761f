// Thelp: the help book, six pages chosen from a side panel.
//
// Each page button carries its page number as its "tag"; the page shown is the one
// named "memo" + tag, and the heading takes the button's caption.
#pragma once

#include <QWidget>

class QAbstractButton;
class QLabel;
class QStackedWidget;
class QTextBrowser;
class HoverButton;
class Tabout;

class Thelp : public QWidget {
    Q_OBJECT
public:
    // `about` is the about window the "About" button shows (may be set later).
    explicit Thelp(Tabout* about = nullptr, QWidget* parent = nullptr);

    void setAboutWindow(Tabout* about) { m_about = about; }

    // One handler for the six page buttons: shows page "memo" + the sender's tag.
    void SelButton1Click(QAbstractButton* sender);
    void button_aboutClick();
    void button_doneClick();

    // Page n (1..6), or nullptr.
    QTextBrowser* page(int n) const;
    // The page in front.
    QTextBrowser* currentPage() const;

    HoverButton* SelButton1;
    HoverButton* SelButton2;
    HoverButton* SelButton3;
    HoverButton* SelButton4;
    HoverButton* SelButton5;
    HoverButton* SelButton6;
    HoverButton* button_about;
    HoverButton* button_done;
    QLabel* label_caption;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* buildSidePanel();
    QWidget* buildMainPanel();
    HoverButton* pageButton(const QString& caption, int tag, QWidget* parent);

    QStackedWidget* m_pages = nullptr;
    Tabout* m_about;
};
