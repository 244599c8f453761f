// Where a top-level window goes on the screen. Its place is its frame's top-left corner,
// title bar included: a window manager shows a window placed by its inner area with the
// title bar that much higher, above the screen at the top edge, where it cannot be dragged.
#pragma once

#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace windowplace {

// A window's place and size as the settings file keeps them: the frame's top-left and the
// inner size.
QRect bounds(const QWidget* window);

// Sizes `window` to bounds.size() and puts its frame's top-left at bounds.topLeft().
void place(QWidget* window, const QRect& bounds);

// The place of a window of `size` that nobody has placed yet: centred on the free area of
// `screen` (the primary one when null), its top-left corner never off that area.
QRect centred(const QSize& size, const QScreen* screen);

// Whether a window at `bounds` could be dragged: the middle of its title bar is on a screen.
bool reachable(const QRect& bounds);

} // namespace windowplace
