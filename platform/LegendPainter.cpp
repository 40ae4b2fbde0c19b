#include "platform/LegendPainter.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>

#include "platform/Fonts.h"

orvenna::LegendPicture paintLegend(const orvenna::Legend& legend, int pictureWidth, int pictureHeight) {
    orvenna::LegendPicture picture;
    if (!legend.drawable()) return picture;
    // Grey text on white, never coloured fringes: a grey picture stays grey with its legend.
    QFont font = uiFont(12);
    font.setStyleStrategy(QFont::NoSubpixelAntialias);
    const QFontMetrics metrics(font);
    const QString title = QString::fromStdString(legend.title);
    QString labels[3];
    orvenna::LegendTextSizes sizes;
    sizes.lineHeight = metrics.height();
    sizes.titleWidth = metrics.horizontalAdvance(title);
    for (int k = 0; k < 3; ++k) {
        labels[k] = QString::fromStdString(legend.label(k));
        sizes.labelWidth[k] = metrics.horizontalAdvance(labels[k]);
    }
    const orvenna::LegendLayout placed = orvenna::LayOutLegend(pictureWidth, pictureHeight, sizes);
    const orvenna::LegendRect& box = placed.box;
    const orvenna::LegendLayout local = orvenna::MovedBy(placed, -box.x, -box.y);
    picture.box = box;
    picture.bgr.assign(static_cast<size_t>(box.width) * box.height * 3, 0xFF);
    const orvenna::CompositeTarget target{picture.bgr.data(), box.width, box.height,
                                          static_cast<std::ptrdiff_t>(box.width) * 3};
    orvenna::DrawLegendBar(legend, local, target);

    QImage image(picture.bgr.data(), box.width, box.height, box.width * 3, QImage::Format_BGR888);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(local.titleX, local.titleY + metrics.ascent(), title);
    for (int k = 0; k < 3; ++k)
        painter.drawText(local.labelX[k], local.labelY + metrics.ascent(), labels[k]);
    return picture;
}
