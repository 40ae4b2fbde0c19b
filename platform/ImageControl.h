// A picture control with a canvas: it shows its picture at its top-left corner, unscaled, and reports mouse
// presses, moves and releases to the callbacks its owner sets. Drawing goes into `picture` followed by
// update(); the rest of the control shows its parent's background. `paintOver`, when set, draws on top of
// the picture at every paint (what stays through redraws of the picture).
#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

class QMouseEvent;
class QPainter;

class ImageControl : public QWidget {
    Q_OBJECT
public:
    explicit ImageControl(QWidget* parent = nullptr);

    QImage picture;

    std::function<void(QMouseEvent*)> onMousePress;
    std::function<void(QMouseEvent*)> onMouseMove;
    std::function<void(QMouseEvent*)> onMouseRelease;
    std::function<void(QPainter&)> paintOver;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
