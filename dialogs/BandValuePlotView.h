// The band value plot under the pixel value window's text: the bands' values under the pointer as points
// joined by a line, band letters along the bottom, in the window's own palette colours.
#pragma once

#include <QWidget>

#include <vector>

#include "display/BandValuePlot.h"

class BandValuePlotView : public QWidget {
    Q_OBJECT
public:
    explicit BandValuePlotView(QWidget* parent = nullptr);

    void setSamples(std::vector<orvenna::BandValueSample> samples);
    const std::vector<orvenna::BandValueSample>& samples() const { return samples_; }
    // The layout as the plot draws it at its present size.
    orvenna::BandValuePlotLayout currentLayout() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<orvenna::BandValueSample> samples_;
};
