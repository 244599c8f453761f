// The picture controls of the board: die images that report clicks by their tag,
// and plain pictures painted from the artwork at the screen's pixel density.
#pragma once

#include "widgets/artpicture.h"

#include <QPixmap>
#include <QWidget>

// One of `image_d1`..`image_d10`. Its tag is the die number and never changes; the
// picture is what the image currently shows, which during the shuffle is not the
// die's record.
//
// Each die is its own focusable widget rather than a child interface of the board:
// focus, tab order, geometry and hit testing then come from Qt as for any control,
// and a screen reader's focus follows the keyboard's. Space or Enter acts like a
// left click; the accessible name and held state come from the board's record.
class DieImage : public QWidget {
    Q_OBJECT
public:
    struct Picture {
        bool blank = true;
        int colour = 0; // body 1..4, 0 for none
        int value = 0;  // face 0 (wild) .. 10
        bool framed = false;
        friend bool operator==(const Picture&, const Picture&) = default;
    };

    DieImage(int tag, QWidget* parent);

    int tag() const { return m_tag; }
    const Picture& picture() const { return m_picture; }
    void setPicture(const Picture& picture);
    void clearPicture() { setPicture({}); }

    // What assistive technology reports: `name` as the accessible name, `held` as the
    // checked state. Emits the name and state change events when they change.
    void setAccessibleState(const QString& name, bool held);
    bool isHeld() const { return m_held; }
    // The click a key or an assistive technology's action stands for.
    void activate(Qt::MouseButton button) { emit mouseUp(m_tag, button); }

signals:
    // The mouse button was released over the image.
    void mouseUp(int tag, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    const int m_tag;
    Picture m_picture;
    bool m_held = false;
    QPixmap m_cache;
};

// Registers the dice's accessible interface with Qt (boardaccess.cpp); calling it
// again does nothing.
void installDieAccessibility();

// A picture drawn by one of the art:: painters. `index` names the image shown (-1
// when blank) so callers can tell which one is up; `tag` is free for the owner.
class ArtImage : public ArtPicture {
    Q_OBJECT
public:
    explicit ArtImage(QWidget* parent, Painter painter = {}, int index = 0);

    void setArt(Painter painter, int index);
    void clearArt();
    int index() const { return hasPicture() ? m_index : -1; }
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

private:
    int m_index = -1;
    int m_tag = 0;
};
