#include "widgets/elidedlabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

ElidedLabel::ElidedLabel(QWidget* parent) : PlainLabel(parent) {}

QString ElidedLabel::shownText() const {
    // Only a single line is shortened; text laid out over lines is QLabel's to show.
    if (wordWrap() || text().contains(QLatin1Char('\n'))) return text();
    const int room = contentsRect().width() - 2 * margin();
    return fontMetrics().elidedText(text(), Qt::ElideRight, room);
}

bool ElidedLabel::event(QEvent* e) {
    // A tooltip set on purpose wins; otherwise a shortened text shows whole on hover.
    if (e->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        if (elided())
            // Escaped: the text is a player's, never markup.
            QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(),
                               Qt::convertFromPlainText(text(), Qt::WhiteSpacePre), this);
        else
            QToolTip::hideText();
        return true;
    }
    return PlainLabel::event(e);
}

void ElidedLabel::paintEvent(QPaintEvent* e) {
    const QString shown = shownText();
    if (shown == text()) {
        PlainLabel::paintEvent(e);
        return;
    }
    QPainter p(this);
    drawFrame(&p);
    const QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&p, room, QStyle::visualAlignment(layoutDirection(), alignment()),
                          palette(), isEnabled(), shown, foregroundRole());
}
