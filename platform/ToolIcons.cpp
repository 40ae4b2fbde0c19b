#include "platform/ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

const QColor kInk(40, 40, 60);
const QColor kBlue(40, 90, 200);
const QColor kGreen(30, 150, 60);
const QColor kRed(210, 40, 40);
const QColor kFolder(235, 190, 70);

// A screen outline with the part of it named by (x, y, w, h) in halves filled.
void drawPlacement(QPainter& p, double x, double y, double w, double h) {
    const QRectF screen(2.5, 3.5, 15, 12);
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(screen);
    const QRectF part(screen.left() + x * screen.width() / 2, screen.top() + y * screen.height() / 2,
                      w * screen.width() / 2, h * screen.height() / 2);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(part.adjusted(1, 1, 0, 0));
    p.setPen(QPen(kInk, 1));
    p.drawLine(QPointF(7, 17.5), QPointF(13, 17.5));
}

void drawMagnifier(QPainter& p, bool plus) {
    p.setPen(QPen(kInk, 2));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QPointF(8.5, 8.5), 6, 6);
    p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(13, 13), QPointF(18, 18));
    p.setPen(QPen(plus ? kBlue : kRed, 2));
    p.drawLine(QPointF(5.5, 8.5), QPointF(11.5, 8.5));
    if (plus) p.drawLine(QPointF(8.5, 5.5), QPointF(8.5, 11.5));
}

}  // namespace

QImage toolIconImage(ToolIcon icon, int size) {
    QImage image(20, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    switch (icon) {
        case ToolIcon::Open: {
            p.setPen(QPen(kInk, 1));
            p.setBrush(kFolder.darker(115));
            p.drawRect(QRectF(2.5, 5.5, 14, 11));
            p.drawRect(QRectF(2.5, 3.5, 6, 2));
            p.setBrush(kFolder);
            p.drawPolygon(QPolygonF({{4.5, 8.5}, {18.5, 8.5}, {16.5, 16.5}, {2.5, 16.5}}));
            // A scene peeking out: three coloured strips.
            p.setPen(Qt::NoPen);
            p.setBrush(kRed);
            p.drawRect(QRectF(6, 10.5, 3, 4));
            p.setBrush(kGreen);
            p.drawRect(QRectF(9, 10.5, 3, 4));
            p.setBrush(kBlue);
            p.drawRect(QRectF(12, 10.5, 3, 4));
            break;
        }
        case ToolIcon::Save: {
            p.setPen(QPen(kInk, 1));
            p.setBrush(kBlue);
            p.drawRoundedRect(QRectF(2.5, 2.5, 15, 15), 1.5, 1.5);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(5.5, 2.5, 9, 6));
            p.setBrush(QColor(200, 200, 210));
            p.drawRect(QRectF(5.5, 11.5, 9, 6));
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawRect(QRectF(11, 3.5, 2, 4));
            break;
        }
        case ToolIcon::Close: {
            p.setPen(QPen(kInk, 1));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(3.5, 2.5, 11, 14));
            p.setPen(QPen(kRed, 2.5, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(9, 9), QPointF(17, 17));
            p.drawLine(QPointF(17, 9), QPointF(9, 17));
            break;
        }
        case ToolIcon::Side: {
            p.setPen(QPen(kInk, 1));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(2.5, 3.5, 15, 13));
            p.setBrush(QColor(200, 215, 240));
            p.drawRect(QRectF(11.5, 3.5, 6, 13));
            p.setPen(QPen(kInk, 1));
            for (double y : {6.5, 9.5, 12.5})
                p.drawLine(QPointF(13, y), QPointF(16, y));
            break;
        }
        case ToolIcon::Update: {
            p.setPen(QPen(kGreen, 2.2, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(4, 4, 12, 12), 60 * 16, 270 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(kGreen);
            p.drawPolygon(QPolygonF({{11, 1.5}, {16.5, 4.5}, {11, 8}}));
            break;
        }
        case ToolIcon::Sync: {
            p.setPen(QPen(kInk, 1));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(1.5, 3.5, 8, 7));
            p.drawRect(QRectF(10.5, 9.5, 8, 7));
            p.setPen(QPen(kRed, 1.5, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(6, 13), QPointF(9, 13));
            p.drawLine(QPointF(11, 7), QPointF(14, 7));
            p.setPen(Qt::NoPen);
            p.setBrush(kRed);
            p.drawPolygon(QPolygonF({{9.5, 11}, {9.5, 15}, {11.5, 13}}));
            p.drawPolygon(QPolygonF({{10.5, 5}, {10.5, 9}, {8.5, 7}}));
            break;
        }
        case ToolIcon::WindowLeftTop:
            drawPlacement(p, 0, 0, 1, 1);
            break;
        case ToolIcon::WindowRightTop:
            drawPlacement(p, 1, 0, 1, 1);
            break;
        case ToolIcon::WindowLeftBottom:
            drawPlacement(p, 0, 1, 1, 1);
            break;
        case ToolIcon::WindowRightBottom:
            drawPlacement(p, 1, 1, 1, 1);
            break;
        case ToolIcon::WindowTop:
            drawPlacement(p, 0, 0, 2, 1);
            break;
        case ToolIcon::WindowBottom:
            drawPlacement(p, 0, 1, 2, 1);
            break;
        case ToolIcon::WindowLeft:
            drawPlacement(p, 0, 0, 1, 2);
            break;
        case ToolIcon::WindowRight:
            drawPlacement(p, 1, 0, 1, 2);
            break;
        case ToolIcon::ZoomIn:
            drawMagnifier(p, true);
            break;
        case ToolIcon::ZoomOut:
            drawMagnifier(p, false);
            break;
        case ToolIcon::ZoomFit: {
            // The whole scene inside the view's four corners.
            p.setPen(Qt::NoPen);
            p.setBrush(kGreen);
            p.drawRect(QRectF(5.5, 6.5, 9, 7));
            p.setBrush(kBlue);
            p.drawRect(QRectF(5.5, 10, 9, 3.5));
            p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::SquareCap));
            p.setBrush(Qt::NoBrush);
            for (const QPointF& corner : {QPointF(2, 3), QPointF(18, 3), QPointF(2, 17), QPointF(18, 17)}) {
                const double dx = corner.x() < 10 ? 4 : -4;
                const double dy = corner.y() < 10 ? 3.5 : -3.5;
                p.drawLine(corner, corner + QPointF(dx, 0));
                p.drawLine(corner, corner + QPointF(0, dy));
            }
            break;
        }
    }
    p.end();
    return size == 20 ? image : image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QIcon makeToolIcon(ToolIcon icon) {
    QIcon result;
    result.addPixmap(QPixmap::fromImage(toolIconImage(icon, 20)));
    result.addPixmap(QPixmap::fromImage(toolIconImage(icon, 40)));
    return result;
}

QImage applicationIconImage(int size) {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A tilted scene frame with water, vegetation and soil, and a satellite above it.
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(60, 120, 200));
    const QPolygonF frame({{4, 14}, {24, 10}, {28, 29}, {8, 31}});
    p.drawPolygon(frame);
    QPainterPath land;
    land.moveTo(10, 13);
    land.lineTo(24, 10);
    land.lineTo(28, 29);
    land.lineTo(16, 30);
    land.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPath(land);
    p.setBrush(QColor(190, 150, 90));
    p.drawPolygon(QPolygonF({{18, 20}, {26, 18}, {27, 25}, {19, 27}}));
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(230, 230, 240));
    p.drawRect(QRectF(12.5, 2.5, 6, 4));
    p.setBrush(kBlue);
    p.drawRect(QRectF(4.5, 3.5, 7, 2));
    p.drawRect(QRectF(19.5, 3.5, 7, 2));
    p.end();
    return size == 32 ? image : image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
