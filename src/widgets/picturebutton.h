// A button drawn entirely from a picture, with normal, hover and pressed pictures.
#pragma once

#include "art.h"

#include <QAbstractButton>

#include <functional>

class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    // Supplies the picture of a state at a device pixel ratio; all states share one size.
    using PictureSource = std::function<QPixmap(art::ButtonState state, qreal dpr)>;

    explicit PictureButton(PictureSource source, QWidget* parent = nullptr);
    // ROLL DICE, ALL DONE or START GAME.
    explicit PictureButton(art::ButtonKind kind, QWidget* parent = nullptr);
    // The small green phrase button "P<k>".
    static PictureButton* phrase(int k, QWidget* parent = nullptr);

    void setPictureSource(PictureSource source);
    art::ButtonState state() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void setHovered(bool hovered);

    PictureSource m_source;
    bool m_hovered = false;
};
