// A window's style sheet reaches every widget the window parents: the message boxes it
// opens and the tooltips of its controls (a tooltip takes its style from the widget it
// describes). A sheet that makes labels light for a dark window would make those light
// boxes unreadable; every window sheet ends with this part to keep them readable.
#pragma once

#include <QString>

namespace readable {

// Style sheet rules for message boxes and tooltips; append them after a window's own rules.
QString boxesSheet();

} // namespace readable
