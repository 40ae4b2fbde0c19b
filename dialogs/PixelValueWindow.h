// The small always-on-top window that shows the values under the pointer, and under them a band value plot of
// the bands' values. It grows to fit its text and plot and never shrinks.
#pragma once

#include <QPoint>
#include <QWidget>

#include <vector>

#include "display/BandValuePlot.h"

class QLabel;
class BandValuePlotView;

class PixelValueWindow : public QWidget {
    Q_OBJECT
public:
    explicit PixelValueWindow(QWidget* parent = nullptr);

    QLabel* valueLabel;
    BandValuePlotView* bandValuePlot;  // under the text, kBandValuePlotHeight high, the window's width

    // The height the plot adds to the window: its own and the gap above it.
    static constexpr int kBandValuePlotHeight = 90;
    static constexpr int kBandValuePlotGap = 4;

    // Shows the window if hidden and puts its top-left corner 10 pixels right of and below `globalPointer`.
    void popupAt(const QPoint& globalPointer);
    // Sets the readout text; the window grows when the text and the plot are taller than it (label height
    // + 30 + the plot's height).
    void setValueText(const QString& text);
    // The values the plot shows, one per band in list order.
    void setBandValueSamples(std::vector<orvenna::BandValueSample> samples);
    // The plot is shown (a hidden one is not worth filling).
    bool showsBandValuePlot() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeBandValuePlot();
};
