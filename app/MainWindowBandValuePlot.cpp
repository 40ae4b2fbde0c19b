// The pixel value window's band value plot: every listed band's value under the pointer, scaled so that bands
// of different kinds compare on one axis.
#include "app/MainWindow.h"

std::vector<orvenna::BandValueSample> MainWindow::bandValueSamples(const std::vector<double>& values) const {
    std::vector<orvenna::BandValueSample> samples;
    samples.reserve(bandRows.size());
    // Outside the scene there are no values: the plot shows its axis alone.
    for (size_t k = 0; k < bandRows.size(); ++k) {
        const BandRow* row = bandRows[k].get();
        const bool known = k < values.size();
        orvenna::BandValueSample sample =
            orvenna::band_value_sample_of(row->band, row->isPicture, known ? values[k] : 0.0);
        sample.valid = sample.valid && known;
        samples.push_back(sample);
    }
    return samples;
}
