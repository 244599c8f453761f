// A one-line text that may be too long for its place (a player's name): it ends in an
// ellipsis instead of being cut off mid-letter. text() stays whole, so screen readers
// read it all, and hovering shows it whole when it is shortened.
#pragma once

#include "widgets/plainlabel.h"

class ElidedLabel : public PlainLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // The text as painted: whole, or shortened with an ellipsis to fit the label.
    QString shownText() const;
    bool elided() const { return shownText() != text(); }

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
};
