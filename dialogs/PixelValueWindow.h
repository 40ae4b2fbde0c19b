// The small always-on-top window that shows the values under the pointer, and under them a spectral plot of
// the bands' values. It grows to fit its text and plot and never shrinks.
#pragma once

#include <QPoint>
#include <QWidget>

#include <vector>

#include "display/SpectralPlot.h"

class QLabel;
class SpectralPlotView;

class PixelValueWindow : public QWidget {
    Q_OBJECT
public:
    explicit PixelValueWindow(QWidget* parent = nullptr);

    QLabel* valueLabel;
    SpectralPlotView* spectralPlot;  // under the text, kSpectralPlotHeight high, the window's width

    // The height the plot adds to the window: its own and the gap above it.
    static constexpr int kSpectralPlotHeight = 90;
    static constexpr int kSpectralPlotGap = 4;

    // Shows the window if hidden and puts its top-left corner 10 pixels right of and below `globalPointer`.
    void popupAt(const QPoint& globalPointer);
    // Sets the readout text; the window grows when the text and the plot are taller than it (label height
    // + 30 + the plot's height).
    void setValueText(const QString& text);
    // The values the plot shows, one per band in list order.
    void setSpectrum(std::vector<orvenna::SpectralSample> samples);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeSpectralPlot();
};

extern PixelValueWindow* pixelValueWindow;
