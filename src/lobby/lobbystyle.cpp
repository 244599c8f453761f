#include "lobby/lobbystyle.h"

#include "widgets/readablestyle.h"

#include <QFrame>
#include <QVBoxLayout>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initLobbyResources() {
    Q_INIT_RESOURCE(lobby);
}

namespace lobbystyle {

void ensureResources() {
    static const bool once = (initLobbyResources(), true);
    Q_UNUSED(once);
}

QString windowSheet() {
    return QStringLiteral(
        "QLabel { color: #f7e8c4; font-size: 12px; }"
        "QLabel#headline { font-size: 13px; font-weight: bold; color: #ffe9a8; }"
        "QLabel#note { font-size: 11px; color: #e8d6ae; }"
        "QLabel#status { font-weight: bold; color: #ffd75e; min-height: 16px; }"
        "QLabel#closedSign { color: #d40000; font-weight: bold; font-size: 10px;"
        "  background: rgba(255, 244, 214, 225); border: 1px solid #5a2a08;"
        "  border-radius: 3px; padding: 0px 5px; }"
        "QLabel#caption { font-size: 16px; font-weight: bold; color: #ffe9a8; }"
        "QLabel#link { color: #9fd4ff; text-decoration: underline; }"
        "QFrame#panel { background: rgba(24, 12, 2, 120); border: 1px solid"
        "  rgba(255, 222, 160, 90); border-radius: 6px; }"
        "QTextBrowser { background: #fff8e8; color: #2a1606; border: 1px solid #5a2a08;"
        "  selection-background-color: #b8810a; }") +
        readable::boxesSheet();
}

QFrame* panel(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("panel"));
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(6);
    return frame;
}

} // namespace lobbystyle
