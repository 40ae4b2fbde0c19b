// Pointer readout over the view: the colour under the pointer in the status bar, and the pixel value window
// with the image position, its longitude and latitude and every band's value there.
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "app/MainWindow.h"
#include "dialogs/PixelValueWindow.h"
#include "display/BandValues.h"
#include "display/ViewGeometry.h"
#include "platform/ImageControl.h"
#include "scene/remos.h"

namespace {

// Bilinear interpolation between the values at the centres of the four corner pixels, in extended
// precision, stored as a double. A scene one pixel wide or high has no extent in that direction, so the
// terms that would divide by zero are left out.
double cornerInterpolation(double ul, double ur, double ll, double lr, int width, int height, int x, int y) {
    long double v = 0;
    if (width > 1) v += static_cast<long double>(ur - ul) / (width - 1) * x;
    v += ul;
    if (height > 1) v += static_cast<long double>(ll - ul) / (height - 1) * y;
    if (width > 1 && height > 1) {
        // 64-bit products: the 32-bit ones wrap for scenes over 46341 pixels on a side.
        const int64_t area = int64_t(width - 1) * (height - 1);
        const int64_t xy = int64_t(x) * y;
        v += static_cast<long double>(static_cast<long double>(lr) - ll - ur + ul) / area * xy;
    }
    return static_cast<double>(v);
}

QString readoutLetter(int position) {
    return position < kBandLetterCount ? QString(QChar('a' + position))
                                       : QStringLiteral("[%1]").arg(position + 1);
}

}  // namespace

void MainWindow::onViewMouseMove(QMouseEvent* event) {
    if (!imageLoaded || panning) return;  // while panning the navigation code owns the pointer
    const QPoint p = event->position().toPoint();
    showPointerReadout(p.x(), p.y());
}

void MainWindow::onViewMousePress(QMouseEvent* event) {
    // The left button starts a pan (navigation); every other button calls up the pixel value window.
    if (!imageLoaded || event->button() == Qt::LeftButton) return;
    showPixelValueWindowAt(event->globalPosition().toPoint());
    // Filled at once for the clicked pixel, not only at the next move of the pointer.
    const QPoint p = event->position().toPoint();
    showPointerReadout(p.x(), p.y());
}

void MainWindow::showPixelValueWindowAt(const QPoint& globalPointer) {
    if (pixelValueWindow) pixelValueWindow->popupAt(globalPointer);
}

int MainWindow::imageColumnAtView(int viewX) const {
    orvenna::ViewGeometry g;
    g.view_width = view->width();
    g.scroll_x = horizontalScrollBar->value();
    g.view_offset_x = viewOffsetX;
    g.scale = zoomScale;
    return orvenna::image_column_at(g, viewX);
}

int MainWindow::imageLineAtView(int viewY) const {
    orvenna::ViewGeometry g;
    g.view_height = view->height();
    g.scroll_y = verticalScrollBar->value();
    g.view_offset_y = viewOffsetY;
    g.scale = zoomScale;
    return orvenna::image_line_at(g, viewY);
}

void MainWindow::showPointerReadout(int viewX, int viewY) {
    if (!imageLoaded) return;
    // The colour on the screen: after display ranges and expressions. Outside the drawn picture the view
    // shows white.
    QColor colour(Qt::white);
    const QImage& shown = view->picture;
    if (!shown.isNull() && shown.valid(viewX, viewY)) colour = shown.pixelColor(viewX, viewY);
    setStatusPanelText(2, QStringLiteral("座標値 : ( R, G, B ) = ( %1, %2, %3 )")
                              .arg(colour.red())
                              .arg(colour.green())
                              .arg(colour.blue()));

    if (!pixelValueWindow || !pixelValueWindow->isVisible()) return;
    const int x = imageColumnAtView(viewX), y = imageLineAtView(viewY);
    const std::vector<double> values = rowValuesAt(x, y);
    pixelValueWindow->setValueText(pixelValueText(x, y, values));
    if (pixelValueWindow->showsBandValuePlot())
        pixelValueWindow->setBandValueSamples(bandValueSamples(values));
}

std::vector<double> MainWindow::rowValuesAt(int x, int y) {
    std::vector<double> values;
    // The white margin around the scene has no values.
    if (x < 0 || y < 0 || x >= imageWidth || y >= imageHeight) return values;
    const int64_t index = int64_t(imageWidth) * y + x;
    values.reserve(bandRows.size());
    for (const auto& row : bandRows) {
        const BandRow* r = row.get();
        values.push_back(!r->band       ? 0.0
                         : r->isPicture ? pictureBandValue(row.get(), index)
                                        : remos_read_sample(r->band, index));
    }
    return values;
}

QString MainWindow::pixelValueText(int x, int y) {
    return pixelValueText(x, y, rowValuesAt(x, y));
}

QString MainWindow::pixelValueText(int x, int y, const std::vector<double>& values) {
    QString text = QStringLiteral("X, Y : %1, %2\n").arg(x).arg(y);
    // The white margin around the scene has no values and no place on the ground.
    if (x < 0 || y < 0 || x >= imageWidth || y >= imageHeight) return text + QStringLiteral("範囲外\n");
    if (geographyKnown())
        text += QStringLiteral("経度, 緯度 : ") + longitudeText(x, y) + QStringLiteral(", ") +
                latitudeText(x, y) + QStringLiteral("\n\n");
    for (size_t k = 0; k < bandRows.size() && k < values.size(); ++k) {
        text += readoutLetter(static_cast<int>(k)) + QStringLiteral(" : ") +
                rowValueText(bandRows[k].get(), values[k]) + QLatin1Char('\n');
    }
    return text;
}

// The scene's own georeferencing gives the pixel centre exactly; without it the corners are interpolated.
QString MainWindow::longitudeText(int x, int y) const {
    double lat, lon;
    if (exactPixelToGeo(x, y, &lat, &lon)) return QString::asprintf("%.4lf", lon);
    return QString::asprintf("%.4lf",
                             cornerInterpolation(ulLon, urLon, llLon, lrLon, imageWidth, imageHeight, x, y));
}

QString MainWindow::latitudeText(int x, int y) const {
    double lat, lon;
    if (exactPixelToGeo(x, y, &lat, &lon)) return QString::asprintf("%.4lf", lat);
    return QString::asprintf("%.4lf",
                             cornerInterpolation(ulLat, urLat, llLat, lrLat, imageWidth, imageHeight, x, y));
}

int MainWindow::bandValueAt(BandRow* row, int64_t index) {
    if (!row || !row->band) return 0;
    if (row->isPicture) return pictureBandValue(row, index);
    // Past the band's last pixel the reader has nothing and gives 0.
    const double v = std::trunc(remos_read_sample(row->band, index));
    if (!(v == v)) return 0;
    return static_cast<int>(std::clamp(v, double(INT32_MIN), double(INT32_MAX)));
}

QString MainWindow::bandValueText(BandRow* row, int64_t index) {
    if (!row || !row->band || row->isPicture) return QString::number(bandValueAt(row, index));
    // Past the band's last pixel the reader has nothing and gives 0.
    return rowValueText(row, remos_read_sample(row->band, index));
}

QString MainWindow::rowValueText(const BandRow* row, double value) const {
    if (!row || !row->band || row->isPicture) return QString::number(static_cast<int>(value));
    return QString::fromStdString(orvenna::StoredValueText(row->band, value));
}

int MainWindow::pictureBandValue(BandRow* row, int64_t index) const {
    if (!row || !row->band || !row->picture || row->picture->isNull() || imageWidth < 1 || index < 0)
        return 0;
    const QImage& picture = *row->picture;
    const int64_t column = index % imageWidth;
    // An index past the last line reads the last line, at the same column.
    const int64_t line = std::min<int64_t>(index / imageWidth, picture.height() - 1);
    if (column >= picture.width()) return 0;
    // Memory order of a 24-bit pixel: blue, green, red.
    int offset;
    switch (row->band->index) {
        case 0:
            offset = 2;
            break;
        case 1:
            offset = 1;
            break;
        case 2:
            offset = 0;
            break;
        default:
            return 0;
    }
    if (picture.format() == QImage::Format_BGR888)
        return picture.constScanLine(static_cast<int>(line))[column * 3 + offset];
    const QColor c = picture.pixelColor(static_cast<int>(column), static_cast<int>(line));
    return offset == 2 ? c.red() : offset == 1 ? c.green() : c.blue();
}
