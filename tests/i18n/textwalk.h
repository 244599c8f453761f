// Every text a player can read in a window, keyed by where it sits, so the same
// windows built in two languages can be compared text by text.
#pragma once

#include "client/chatpanel.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMenu>
#include <QTextBrowser>
#include <QWidget>

namespace textwalk {

using Texts = QMap<QString, QString>; // "window/child#2/.../Label.text" -> text

inline void put(Texts& out, const QString& key, const QString& text) {
    if (!text.trimmed().isEmpty()) out.insert(key, text);
}

// Adds the texts of `o` and everything under it. Keys are built from object names
// and creation order, which do not depend on the language.
inline void walk(QObject* o, const QString& path, Texts& out) {
    if (auto* w = qobject_cast<QWidget*>(o)) {
        if (w->isWindow()) put(out, path + ".title", w->windowTitle());
        put(out, path + ".tooltip", w->toolTip());
        put(out, path + ".plainToolTip", w->property("plainToolTip").toString());
        put(out, path + ".statusTip", w->statusTip());
        // What a screen reader says is read by the player too.
        put(out, path + ".accessibleName", w->accessibleName());
        put(out, path + ".accessibleDescription", w->accessibleDescription());
    }
    if (auto* l = qobject_cast<QLabel*>(o)) put(out, path + ".text", l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(o)) put(out, path + ".text", b->text());
    if (auto* e = qobject_cast<QLineEdit*>(o)) {
        put(out, path + ".text", e->text());
        put(out, path + ".placeholder", e->placeholderText());
    }
    if (auto* g = qobject_cast<QGroupBox*>(o)) put(out, path + ".title", g->title());
    if (auto* m = qobject_cast<QMenu*>(o)) put(out, path + ".title", m->title());
    if (auto* a = qobject_cast<QAction*>(o)) {
        put(out, path + ".text", a->text());
        put(out, path + ".tooltip", a->toolTip());
    }
    if (auto* list = qobject_cast<QListWidget*>(o)) {
        for (int i = 0; i < list->count(); ++i)
            put(out, path + QStringLiteral(".item%1").arg(i), list->item(i)->text());
    }
    if (auto* chat = qobject_cast<ChatPanel*>(o)) {
        const QStringList lines = chat->toPlainText().split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i)
            put(out, path + QStringLiteral(".line%1").arg(i), lines[i]);
    }
    // A help page as a whole: its parts need not line up between two languages.
    if (auto* page = qobject_cast<QTextBrowser*>(o)) {
        put(out, path + ".page", page->toPlainText());
        return;
    }
    QMap<QString, int> seen;
    for (QObject* child : o->children()) {
        const QString base = child->objectName().isEmpty()
                                 ? QString::fromLatin1(child->metaObject()->className())
                                 : child->objectName();
        const int n = seen[base]++;
        walk(child, path + QLatin1Char('/') + base + QLatin1Char('#') + QString::number(n), out);
    }
}

inline Texts of(QWidget* window, const QString& name) {
    Texts out;
    walk(window, name, out);
    return out;
}

} // namespace textwalk
