#include "client/chatpanel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QUrl>

#include <algorithm>

namespace {

const char* const kPrefixes[] = {"http://", "ftp://",    "file://", "gopher://",
                                 "telnet://", "news:", "mailto:", "www."};

QColor toQColor(wire::BgrColour c) { return QColor::fromRgb(wire::bgrToRgb(c & 0xFFFFFF)); }

} // namespace

qsizetype nameColon(const QString& line) {
    // A colon inside a word (an IPv6 address, a port after "]") or doubled ("::")
    // ends no name: only one followed by a space or the end of the line does.
    for (qsizetype at = line.indexOf(QLatin1Char(':')); at >= 0;
         at = line.indexOf(QLatin1Char(':'), at + 1)) {
        const bool ends = at + 1 == line.size() || line[at + 1] == QLatin1Char(' ');
        if (ends && (at == 0 || line[at - 1] != QLatin1Char(':'))) return at;
    }
    return -1;
}

QString linkAt(const QString& text, qsizetype pos) {
    if (pos < 0 || pos >= text.size()) return {};
    auto isBreak = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator || c == QChar::LineSeparator; };
    if (isBreak(text[pos])) return {};
    qsizetype start = pos, end = pos;
    while (start > 0 && !isBreak(text[start - 1])) --start;
    while (end < text.size() && !isBreak(text[end])) ++end;
    const QString word = text.mid(start, end - start);
    const QString lower = word.toLower();
    for (const char* prefix : kPrefixes) {
        const qsizetype at = lower.indexOf(QLatin1String(prefix));
        if (at < 0) continue;
        QString link = word.mid(at);
        while (!link.isEmpty() && !(link.back().isLetterOrNumber() || link.back() == QLatin1Char('/')))
            link.chop(1);
        if (link.size() > qsizetype(qstrlen(prefix))) return link;
        return {};
    }
    return {};
}

ChatPanel::ChatPanel(QWidget* parent) : QTextEdit(parent) {
    setObjectName(QStringLiteral("mainchat"));
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    document()->setDocumentMargin(5);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    // The selection stays visible when the panel loses the focus.
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
    setTextSize(8);
    setAccessibleName(tr("Chat"));
    m_opener = [](const QString& link) {
        QString url = link;
        if (url.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) url.prepend(QLatin1String("http://"));
        return QDesktopServices::openUrl(QUrl(url));
    };
}

void ChatPanel::setTextSize(int points) {
    m_textSize = points;
    QFont f = font();
    f.setPointSize(qBound(4, points, 72));
    setFont(f);
    document()->setDefaultFont(f);
}

void ChatPanel::addlinetochat(const QString& line, wire::BgrColour colour, const QString& sender) {
    m_lines.append({line, colour, sender});
    if (m_hiddenSenders.contains(sender)) return;
    setUpdatesEnabled(false);
    QScrollBar* bar = verticalScrollBar();
    const int keptScroll = bar->value();
    const QTextCursor keptCursor = textCursor();
    appendLine(m_lines.last());
    if (m_scrollOff) {
        setTextCursor(keptCursor);
        bar->setValue(keptScroll);
    } else {
        QTextCursor end(document());
        end.movePosition(QTextCursor::End);
        setTextCursor(end);
        bar->setValue(bar->maximum());
    }
    setUpdatesEnabled(true);
    viewport()->update();
}

void ChatPanel::appendLine(const Line& line) {
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    // One edit, so a screen reader hears the new line as one text insertion.
    c.beginEditBlock();
    if (!document()->isEmpty()) c.insertBlock();
    const qsizetype colon = nameColon(line.text);
    QTextCharFormat fmt;
    fmt.setForeground(toQColor(line.colour));
    if (colon >= 0) {
        fmt.setFontWeight(QFont::Bold);
        c.insertText(line.text.left(colon + 1), fmt);
    }
    fmt.setFontWeight(QFont::Normal);
    c.insertText(line.text.mid(colon + 1), fmt);
    c.endEditBlock();
}

void ChatPanel::setSenderHidden(const QString& sender, bool hidden) {
    if (sender.isEmpty() || m_hiddenSenders.contains(sender) == hidden) return;
    if (hidden)
        m_hiddenSenders << sender;
    else
        m_hiddenSenders.removeAll(sender);
    if (std::any_of(m_lines.cbegin(), m_lines.cend(),
                    [&sender](const Line& l) { return l.sender == sender; }))
        showLines();
}

void ChatPanel::showLines() {
    setUpdatesEnabled(false);
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    const int keptScroll = bar->value();
    document()->clear();
    for (const Line& line : std::as_const(m_lines))
        if (!m_hiddenSenders.contains(line.sender)) appendLine(line);
    // A reader at the end stays there; one scrolled back stays about where they were.
    bar->setValue(atEnd && !m_scrollOff ? bar->maximum() : keptScroll);
    setUpdatesEnabled(true);
    viewport()->update();
}

void ChatPanel::clearChat() {
    m_lines.clear();
    clear();
}

QString ChatPanel::linkUnder(const QPoint& viewportPos, int* start) const {
    const QTextCursor c = cursorForPosition(viewportPos);
    const QTextBlock block = c.block();
    const QString text = block.text();
    const int inBlock = c.position() - block.position();
    // cursorForPosition rounds to the nearest gap; look at the character on both sides.
    for (int pos : {inBlock, inBlock - 1}) {
        const QString link = linkAt(text, pos);
        if (link.isEmpty()) continue;
        if (start) {
            qsizetype s = pos;
            while (s > 0 && text[s - 1] != QLatin1Char(' ')) --s;
            *start = block.position() + int(text.indexOf(link, s));
        }
        return link;
    }
    return {};
}

void ChatPanel::mouseMoveEvent(QMouseEvent* e) {
    viewport()->setCursor(linkUnder(e->position().toPoint()).isEmpty() ? Qt::IBeamCursor : Qt::PointingHandCursor);
    QTextEdit::mouseMoveEvent(e);
}

void ChatPanel::mousePressEvent(QMouseEvent* e) {
    int start = 0;
    const QString link = e->button() == Qt::LeftButton ? linkUnder(e->position().toPoint(), &start) : QString();
    if (link.isEmpty()) {
        QTextEdit::mousePressEvent(e);
        return;
    }
    QTextCursor c(document());
    c.setPosition(start);
    c.setPosition(start + int(link.size()), QTextCursor::KeepAnchor);
    setTextCursor(c);
    if (m_opener) m_opener(link);
}

void ChatPanel::mouseReleaseEvent(QMouseEvent* e) {
    QTextEdit::mouseReleaseEvent(e);
    if (m_onRelease) m_onRelease();
}

void ChatPanel::contextMenuEvent(QContextMenuEvent* e) {
    QMenu menu(this);
    for (QAction* a : m_menuActions) menu.addAction(a);
    if (!menu.isEmpty()) menu.exec(e->globalPos());
}

QMimeData* ChatPanel::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(textCursor().selection().toPlainText());
    return data;
}

ChatInput::ChatInput(QWidget* parent) : QLineEdit(parent) {
    setObjectName(QStringLiteral("mychat"));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(13);
    setFont(f);
    setText(placeholder());
    setAccessibleName(tr("Chat message"));
}

void ChatInput::keyPressEvent(QKeyEvent* e) {
    if (text() == placeholder()) clear();
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        emit sendRequested();
        return;
    }
    if (e->matches(QKeySequence::Paste)) {
        pasteWhole();
        return;
    }
    if (e->matches(QKeySequence::Copy) && !hasSelectedText() && m_copyFallback) {
        m_copyFallback();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void ChatInput::pasteWhole() {
    QString clip = QApplication::clipboard()->text();
    if (clip.isEmpty()) return;
    // A line break of any kind counts once: CR LF is one break, not two spaces.
    clip.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (QChar brk : {QChar(u'\r'), QChar(u'\n'), QChar(QChar::LineSeparator),
                      QChar(QChar::ParagraphSeparator)})
        clip.replace(brk, QLatin1Char(' '));
    setText(clip);
}

void ChatInput::contextMenuEvent(QContextMenuEvent* e) {
    QMenu menu(this);
    QAction* paste = menu.addAction(tr("Paste"), this, &ChatInput::pasteWhole);
    paste->setShortcut(QKeySequence::Paste);
    menu.exec(e->globalPos());
}
