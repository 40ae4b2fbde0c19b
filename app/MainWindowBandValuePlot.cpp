// The pixel value window's band value plot: every listed band's value under the pointer, scaled so that bands
// of different kinds compare on one axis.
#include "app/MainWindow.h"
#include "dialogs/BandValuePlotView.h"
#include "dialogs/PixelValueWindow.h"
#include "scene/remos.h"

std::vector<orvenna::BandValueSample> MainWindow::bandValueSamplesAt(int x, int y) {
    std::vector<orvenna::BandValueSample> samples;
    samples.reserve(bandRows.size());
    // The white margin around the scene has no values: the plot shows its axis alone.
    const bool inside = x >= 0 && y >= 0 && x < imageWidth && y < imageHeight;
    const int64_t index = int64_t(imageWidth) * y + x;
    for (const auto& row : bandRows) {
        double value = 0;
        if (inside && row->band)
            value = row->isPicture ? pictureBandValue(row.get(), index) : remos_read_sample(row->band, index);
        orvenna::BandValueSample sample = orvenna::band_value_sample_of(row->band, row->isPicture, value);
        sample.valid = sample.valid && inside;
        samples.push_back(sample);
    }
    return samples;
}

void MainWindow::showBandValuePlotAtView(int viewX, int viewY) {
    if (!pixelValueWindow || !pixelValueWindow->isVisible() || pixelValueWindow->bandValuePlot->isHidden())
        return;
    pixelValueWindow->setBandValueSamples(
        bandValueSamplesAt(imageColumnAtView(viewX), imageLineAtView(viewY)));
}
