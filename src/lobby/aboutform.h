// Tabout: the about box with the version and a link to the maker's web page.
//
// The `version` label is also the protocol version a client sends at log-in.
#pragma once

#include "version/version.h"

#include "lobby/urlopener.h"

#include <QDialog>

class QLabel;
class HoverButton;

class Tabout : public QDialog {
    Q_OBJECT
public:
    // The protocol version ("1.0.7") and what the release number adds (".8").
    static constexpr const char* kVersion = vimbrel::kProtocolVersion;
    static constexpr const char* kRelease = vimbrel::kReleaseSuffix;

    // `tableWindow` is the window the box opens centred on.
    explicit Tabout(QWidget* tableWindow = nullptr);

    // The text of `version`, as compared at log-in.
    QString versionText() const;

    // The address line was clicked.
    void Label7Click();
    // "Done".
    void Button1Click();

    QLabel* Label7;
    QLabel* version;
    HoverButton* button_done;
    TURL URL1;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
