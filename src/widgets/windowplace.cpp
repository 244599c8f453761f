#include "widgets/windowplace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace windowplace {

QRect bounds(const QWidget* window) {
    return QRect(window->pos(), window->size());
}

void place(QWidget* window, const QRect& bounds) {
    // A shown window already there is left alone: no needless request to the window manager.
    if (window->isVisible() && windowplace::bounds(window) == bounds) return;
    window->resize(bounds.size());
    // move() places the frame; setGeometry() would place the inner area.
    window->move(bounds.topLeft());
}

QRect centred(const QSize& size, const QScreen* screen) {
    if (!screen) screen = QGuiApplication::primaryScreen();
    QRect r(QPoint(), size);
    if (!screen) return r;
    const QRect work = screen->availableGeometry();
    r.moveCenter(work.center());
    // Larger than the screen: the title bar still in its top-left corner.
    if (r.top() < work.top()) r.moveTop(work.top());
    if (r.left() < work.left()) r.moveLeft(work.left());
    return r;
}

bool reachable(const QRect& bounds) {
    // A few pixels below the frame's top edge is the title bar under any window manager.
    const QPoint grip(bounds.left() + bounds.width() / 2, bounds.top() + 8);
    return QGuiApplication::screenAt(grip) != nullptr;
}

} // namespace windowplace
