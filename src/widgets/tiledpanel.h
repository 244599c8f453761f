// A plain panel painted with the table's tiled brown background.
#pragma once

#include <QWidget>

class TiledPanel : public QWidget {
    Q_OBJECT
public:
    explicit TiledPanel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
