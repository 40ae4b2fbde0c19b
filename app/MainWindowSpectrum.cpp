// The pixel value window's spectral plot: every listed band's value under the pointer, scaled so that bands
// of different kinds compare on one axis.
#include "app/MainWindow.h"
#include "dialogs/PixelValueWindow.h"
#include "dialogs/SpectralPlotView.h"
#include "scene/remos.h"

std::vector<orvenna::SpectralSample> MainWindow::spectralSamplesAt(int x, int y) {
    std::vector<orvenna::SpectralSample> samples;
    samples.reserve(bandRows.size());
    // The white margin around the scene has no values: the plot shows its axis alone.
    const bool inside = x >= 0 && y >= 0 && x < imageWidth && y < imageHeight;
    const int64_t index = int64_t(imageWidth) * y + x;
    for (const auto& row : bandRows) {
        double value = 0;
        if (inside && row->band)
            value = row->isPicture ? pictureBandValue(row.get(), index) : remos_read_sample(row->band, index);
        orvenna::SpectralSample sample = orvenna::spectral_sample_of(row->band, row->isPicture, value);
        sample.valid = sample.valid && inside;
        samples.push_back(sample);
    }
    return samples;
}

void MainWindow::showSpectrumAtView(int viewX, int viewY) {
    if (!pixelValueWindow || !pixelValueWindow->isVisible() || pixelValueWindow->spectralPlot->isHidden())
        return;
    pixelValueWindow->setSpectrum(spectralSamplesAt(imageColumnAtView(viewX), imageLineAtView(viewY)));
}
