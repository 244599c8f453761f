// A flat text button for dialogs and side panels: its fill and text brighten under the
// mouse. A checkable HoverButton shows its checked state with a lime marker.
#pragma once

#include <QAbstractButton>
#include <QColor>

class HoverButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit HoverButton(const QString& text = QString(), QWidget* parent = nullptr);

    // Fill and text colours at rest; hover and pressed shades derive from them.
    void setColours(const QColor& fill, const QColor& text);
    QColor fillColour() const { return m_fill; }
    QColor textColour() const { return m_text; }
    bool isHovered() const { return m_hovered; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QColor m_fill{70, 38, 16, 200};
    QColor m_text{244, 228, 196};
    bool m_hovered = false;
};
