#include "dialogs/PixelValueWindow.h"

#include "dialogs/BandValuePlotView.h"
#include "platform/Fonts.h"

#include <QLabel>

#include <algorithm>

PixelValueWindow::PixelValueWindow(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setWindowTitle(tr("座標値"));
    setFont(uiFont());
    resize(203, 21);
    valueLabel = new QLabel(tr("座標値"), this);
    valueLabel->move(4, 4);
    valueLabel->adjustSize();
    bandValuePlot = new BandValuePlotView(this);
    placeBandValuePlot();
}

void PixelValueWindow::popupAt(const QPoint& globalPointer) {
    if (isHidden()) show();
    move(globalPointer + QPoint(10, 10));
}

void PixelValueWindow::setValueText(const QString& text) {
    valueLabel->setText(text);
    valueLabel->adjustSize();
    // The height compared is the window's outer height, as the user sees it.
    const int frameExtra = isVisible() ? frameGeometry().height() - height() : 0;
    const int wanted = valueLabel->height() + 30 + kBandValuePlotGap + kBandValuePlotHeight - frameExtra;
    // However tall the window's frame, the plot under the text fits inside.
    const int plotBottom = valueLabel->geometry().bottom() + 1 + kBandValuePlotGap + kBandValuePlotHeight + 4;
    if (std::max(wanted, plotBottom) > height()) resize(width(), std::max(wanted, plotBottom));
    placeBandValuePlot();
}

void PixelValueWindow::setBandValueSamples(std::vector<orvenna::BandValueSample> samples) {
    bandValuePlot->setSamples(std::move(samples));
}

void PixelValueWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeBandValuePlot();
}

bool PixelValueWindow::showsBandValuePlot() const {
    return !bandValuePlot->isHidden();
}

void PixelValueWindow::placeBandValuePlot() {
    // Always below the text, so that the plot never covers it.
    const int top = valueLabel->geometry().bottom() + 1 + kBandValuePlotGap;
    bandValuePlot->setGeometry(4, top, std::max(width() - 8, 16), kBandValuePlotHeight);
}
