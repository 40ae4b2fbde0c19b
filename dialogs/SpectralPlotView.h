// The spectral plot under the pixel value window's text: the bands' values under the pointer as points
// joined by a line, band letters along the bottom, in the window's own palette colours.
#pragma once

#include <QWidget>

#include <vector>

#include "display/SpectralPlot.h"

class SpectralPlotView : public QWidget {
    Q_OBJECT
public:
    explicit SpectralPlotView(QWidget* parent = nullptr);

    void setSamples(std::vector<orvenna::SpectralSample> samples);
    const std::vector<orvenna::SpectralSample>& samples() const { return samples_; }
    // The layout as the plot draws it at its present size.
    orvenna::SpectralPlotLayout currentLayout() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<orvenna::SpectralSample> samples_;
};
