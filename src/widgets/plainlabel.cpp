#include "widgets/plainlabel.h"

#include <QTextDocument>

PlainLabel::PlainLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

PlainLabel::PlainLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    // The format first, so the text is never laid out as markup even once.
    setTextFormat(Qt::PlainText);
    setText(text);
}

namespace plain {

QMessageBox::StandardButton ask(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                const QString& text, QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, title, QString(), buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void setToolTip(QWidget* widget, const QString& text) {
    widget->setProperty("plainToolTip", text);
    widget->setToolTip(text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpacePre));
}

QString toolTip(const QWidget* widget) {
    return widget->property("plainToolTip").toString();
}

} // namespace plain
