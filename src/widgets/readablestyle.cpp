#include "widgets/readablestyle.h"

namespace readable {

QString boxesSheet() {
    // The box keeps the system's colours, whatever the window around it looks like; the
    // tooltip gets the help pages' dark-on-cream (over 14 : 1).
    return QStringLiteral(
        "QMessageBox QLabel { color: palette(window-text); background: transparent; }"
        "QToolTip { color: #2a1606; background-color: #fff8e8; border: 1px solid #5a2a08;"
        "  padding: 1px; }");
}

} // namespace readable
