// `mainchat`: the read-only panel of coloured chat lines, with links that open in
// the system's handler, and `mychat`: the single-line input under it.
#pragma once

#include "protocol/colourtext.h"

#include <QLineEdit>
#include <QTextEdit>
#include <functional>

class QAction;

// Where the bold start of a chat line ends ("Bo chats:", "Bo says:"): the first
// colon followed by a space or the end of the line, or -1 when there is none.
qsizetype nameColon(const QString& line);

// The link in `text` around position `pos`, or an empty string. A word runs between
// spaces or line breaks; it is a link when it contains one of the known prefixes.
QString linkAt(const QString& text, qsizetype pos);

class ChatPanel : public QTextEdit {
    Q_OBJECT
public:
    explicit ChatPanel(QWidget* parent = nullptr);

    // Appends a line: up to and including nameColon() in bold, the rest normal, both
    // in `colour`; the text itself is shown as it is. `sender`: whose chat the line
    // is (empty for the table's own lines); it is kept out of sight while hidden.
    void addlinetochat(const QString& line, wire::BgrColour colour,
                       const QString& sender = QString());
    // Hides every line of `sender`, those already shown too, or shows them again.
    void setSenderHidden(const QString& sender, bool hidden);
    // Clear Main Chat: every line goes, the hidden ones too.
    void clearChat();

    void setScrollChatOff(bool on) { m_scrollOff = on; }
    bool scrollChatOff() const { return m_scrollOff; }
    void setTextSize(int points);
    int textSize() const { return m_textSize; }

    // The actions of the panel's context menu (Copy, Clear Main Chat, Scroll Chat Off).
    void setMenuActions(const QList<QAction*>& actions) { m_menuActions = actions; }
    // Opens a link; QDesktopServices by default, replaceable for tests.
    void setLinkOpener(std::function<bool(const QString&)> opener) { m_opener = std::move(opener); }
    // Called when a mouse button is released over the panel (focus goes to the input).
    void setReleaseAction(std::function<void()> action) { m_onRelease = std::move(action); }

protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    // Copies and drags carry plain text, never the panel's HTML.
    QMimeData* createMimeDataFromSelection() const override;

private:
    // The link under a viewport point, with its document range.
    QString linkUnder(const QPoint& viewportPos, int* start = nullptr) const;

    struct Line {
        QString text;
        wire::BgrColour colour;
        QString sender;
    };
    // Writes one line at the end of the document.
    void appendLine(const Line& line);
    // Writes the document again from m_lines, without the hidden senders' lines.
    void showLines();

    QList<Line> m_lines; // every line, in order, shown or not
    QStringList m_hiddenSenders;
    bool m_scrollOff = false;
    int m_textSize = 8;
    QList<QAction*> m_menuActions;
    std::function<bool(const QString&)> m_opener;
    std::function<void()> m_onRelease;
};

class ChatInput : public QLineEdit {
    Q_OBJECT
public:
    static QString placeholder() { return tr("<Enter Chat Here>"); }
    explicit ChatInput(QWidget* parent = nullptr);

    // Run by the copy key when the box has no selection of its own (the chat panel's
    // selection is copied then).
    void setCopyFallback(std::function<void()> copy) { m_copyFallback = std::move(copy); }
    // The clipboard's text replaces the box's text, line breaks turned into spaces.
    void pasteWhole();

signals:
    void sendRequested();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    std::function<void()> m_copyFallback;
};
