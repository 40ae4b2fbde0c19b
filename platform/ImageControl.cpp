#include "platform/ImageControl.h"

#include <QMouseEvent>
#include <QPainter>

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) {}

void ImageControl::paintEvent(QPaintEvent*) {
    if (picture.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
    if (paintOver) paintOver(painter);
}

void ImageControl::mousePressEvent(QMouseEvent* event) {
    if (onMousePress) onMousePress(event);
}

void ImageControl::mouseMoveEvent(QMouseEvent* event) {
    if (onMouseMove) onMouseMove(event);
}

void ImageControl::mouseReleaseEvent(QMouseEvent* event) {
    if (onMouseRelease) onMouseRelease(event);
}
