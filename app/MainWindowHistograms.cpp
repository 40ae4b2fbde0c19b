// Histogram pictures of the band rows.
#include <QCheckBox>
#include <QPainter>

#include <algorithm>

#include "app/MainWindow.h"
#include "display/BandValues.h"
#include "platform/Fonts.h"
#include "platform/ImageControl.h"
#include "platform/SpinButtons.h"
#include "scene/remos.h"

namespace {

// Colours of a histogram column: bar and background, inside and outside the display range.
const QRgb kBarInside = qRgb(30, 30, 255);
const QRgb kBarOutside = qRgb(50, 50, 130);
const QRgb kBackInside = qRgb(255, 255, 255);
const QRgb kBackOutside = qRgb(80, 80, 80);

}  // namespace

void MainWindow::drawBandHistogram(BandRow* row) {
    BandInfo* band = row->band;
    QImage& picture = row->histogramView->picture;
    if (!band) return;
    const int h = picture.height();
    if (band->hist_peak == 0) band->hist_peak = 1;
    if (band->hist_peak_inner == 0) band->hist_peak_inner = 1;
    const double peak =
        histogramPeakExcludesEndsCheckBox->isChecked() ? band->hist_peak_inner : band->hist_peak;
    const int low = band->range_low;
    const int high = band->range_high;
    // A wide band's columns stand for spans of its values, its range is in those values.
    const bool wide = row->lowerValueSpin != nullptr;

    // Bar from the bottom up over b pixels, background above; a bin taller than the reduced peak fills its
    // column.
    for (int v = 0; v < 256 && v < picture.width(); ++v) {
        const double ratio = static_cast<double>(band->histogram[v]) / peak;
        const int b = std::clamp(static_cast<int>(h * ratio), 0, h);
        const bool inside = wide ? orvenna::ColumnInsideRange(band, v, band->display_low, band->display_high)
                                 : low <= v && v < high;
        const QRgb bar = inside ? kBarInside : kBarOutside;
        const QRgb back = inside ? kBackInside : kBackOutside;
        for (int y = 0; y < h; ++y) {
            auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
            line[v] = y >= h - b ? bar : back;
        }
    }
    row->histogramView->update();
}

void MainWindow::drawHistogramCount(BandRow* row, int x) {
    if (!row->band) return;
    QPainter painter(&row->histogramView->picture);
    painter.setFont(uiPointFont(8));
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    const QFontMetrics metrics(painter.font());
    painter.drawText(x + 2, 2 + metrics.ascent(),
                     QString::number(row->band->histogram[std::clamp(x, 0, 255)]));
    painter.end();
    row->histogramView->update();
}

void MainWindow::computePictureHistogram(BandRow* row) {
    BandInfo* band = row->band;
    if (!band) return;
    std::fill(std::begin(band->histogram), std::end(band->histogram), 0);
    const QImage* picture = row->picture.get();
    if (picture && !picture->isNull()) {
        // Memory order of a 24-bit pixel is blue, green, red; channel index 0 is red.
        const int channel = band->index == 0 ? 2 : band->index == 1 ? 1 : 0;
        const QImage bgr = picture->format() == QImage::Format_BGR888
                               ? *picture
                               : picture->convertToFormat(QImage::Format_BGR888);
        const int lines = std::min(band->lines, bgr.height());
        const int width = std::min(band->width, bgr.width());
        for (int y = 0; y < lines; ++y) {
            const uchar* line = bgr.constScanLine(y);
            for (int x = 0; x < width; ++x)
                ++band->histogram[line[x * 3 + channel]];
        }
    }
    band->hist_peak = *std::max_element(std::begin(band->histogram), std::end(band->histogram));
    band->hist_peak_inner = *std::max_element(band->histogram + 1, band->histogram + 255);
    if (band->hist_peak == 0) band->hist_peak = 1;
    if (band->hist_peak_inner == 0) band->hist_peak_inner = 1;
}
