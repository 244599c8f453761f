// The look shared by the lobby, help and about windows: light text on the tiled
// background, grouped in darkened rounded panels.
#pragma once

#include <QString>

class QFrame;
class QWidget;

namespace lobbystyle {

// Registers the windows' pictures and help pages (they live in this static library,
// which the linker would otherwise leave out). Safe to call more than once.
void ensureResources();

// Style sheet for a whole window (labels, panels, status lines, help pages).
QString windowSheet();

// A darkened panel with a vertical layout, child of `parent`.
QFrame* panel(QWidget* parent);

} // namespace lobbystyle
