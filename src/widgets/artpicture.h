// A still picture from one of the art:: painters, painted at the widget's device pixel
// ratio and re-made when the window moves to a screen of another density.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <functional>

class ArtPicture : public QWidget {
    Q_OBJECT
public:
    // Paints the picture at a device pixel ratio; the logical size never changes.
    using Painter = std::function<QPixmap(qreal dpr)>;

    explicit ArtPicture(QWidget* parent = nullptr, Painter painter = {});

    void setPainter(Painter painter);
    bool hasPicture() const { return bool(m_painter); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Painter m_painter;
    QPixmap m_cache;
};
