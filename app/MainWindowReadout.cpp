// Pointer readout over the view: the colour under the pointer in the status bar, and the pixel value window
// with the image position, its longitude and latitude and every band's value there.
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "dialogs/PixelValueWindow.h"
#include "display/BandValues.h"
#include "document/Document.h"
#include "document/ValueReadJob.h"
#include "platform/ImageControl.h"
#include "scene/band_colour.h"
#include "scene/subdatasets.h"

QString MainWindow::readoutLetter(int band) {
    return band < orvenna::kBandLetterCount ? QString(QChar('a' + band))
                                            : QStringLiteral("[%1]").arg(band + 1);
}

void MainWindow::onViewMouseMove(QMouseEvent* event) {
    if (!document_->hasBands() || panning_) return;  // while panning the navigation code owns the pointer
    const QPoint p = event->position().toPoint();
    showPointerReadout(p.x(), p.y());
}

void MainWindow::onViewMousePress(QMouseEvent* event) {
    // The left button starts a pan (navigation); every other button calls up the pixel value window.
    if (!document_->hasBands() || event->button() == Qt::LeftButton) return;
    pixelValueWindow_->popupAt(event->globalPosition().toPoint());
    // Filled at once for the clicked pixel, not only at the next move of the pointer.
    const QPoint p = event->position().toPoint();
    showPointerReadout(p.x(), p.y());
}

int MainWindow::imageColumnAtView(int viewX) const {
    orvenna::ViewGeometry g = drawnGeometry_;
    g.view_width = view_->width();
    g.scroll_x = horizontalScrollBar_->value();
    return orvenna::image_column_at(g, viewX);
}

int MainWindow::imageLineAtView(int viewY) const {
    orvenna::ViewGeometry g = drawnGeometry_;
    g.view_height = view_->height();
    g.scroll_y = verticalScrollBar_->value();
    return orvenna::image_line_at(g, viewY);
}

void MainWindow::showPointerReadout(int viewX, int viewY) {
    if (!document_->hasBands()) return;
    // The colour on the screen: after display ranges and expressions. Outside the drawn picture the view
    // shows white.
    QColor colour(Qt::white);
    const QImage& shown = view_->picture;
    if (!shown.isNull() && shown.valid(viewX, viewY)) colour = shown.pixelColor(viewX, viewY);
    setStatusPanelText(
        2,
        tr("座標値 : ( R, G, B ) = ( %1, %2, %3 )").arg(colour.red()).arg(colour.green()).arg(colour.blue()));

    // Where the pointer is on the ground, live, when the scene has geography and the pointer is over the
    // picture drawn.
    const int x = imageColumnAtView(viewX), y = imageLineAtView(viewY);
    int column, line;
    double lat, lon;
    const bool over = orvenna::drawn_image_pixel_at(drawnGeometry_, viewX, viewY, &column, &line);
    setStatusPanelText(4, over && document_->geoAt(x, y, &lat, &lon)
                              ? tr("経度 %1, 緯度 %2").arg(degreesText(lon), degreesText(lat))
                              : QString());

    if (!pixelValueWindow_->isVisible()) return;
    // The readout never waits for a band whose file is busy on another thread or slow to decode: it says so
    // and the values follow from a read in the background.
    const orvenna::PixelValues values = document_->valuesNowAt(x, y);
    showPixelValues(x, y, values);
    if (values.anyBusy()) valueReads_->read(x, y);
}

void MainWindow::showPixelValues(int x, int y, const orvenna::PixelValues& values) {
    readoutX_ = x;
    readoutY_ = y;
    // One read of the bands feeds both the text and the plot.
    pixelValueWindow_->setValueText(readoutText(x, y, values));
    if (pixelValueWindow_->showsBandValuePlot())
        pixelValueWindow_->setBandValueSamples(bandValueSamples(values));
}

QString MainWindow::pixelValueText(int x, int y) const {
    return readoutText(x, y, orvenna::PixelValues{document_->valuesAt(x, y), {}});
}

QString MainWindow::readoutText(int x, int y, const orvenna::PixelValues& values) const {
    QString text = QStringLiteral("X, Y : %1, %2\n").arg(x).arg(y);
    // The white margin around the scene has no values and no place on the ground.
    if (values.values.empty()) return text + tr("範囲外") + QLatin1Char('\n');
    double lat, lon;
    if (document_->geoAt(x, y, &lat, &lon))
        text += tr("経度, 緯度 : %1, %2").arg(degreesText(lon), degreesText(lat)) + QStringLiteral("\n\n");
    // The class a value stands for, where the file's attribute table names it (a palette band's colour
    // records name it by the colour they show together, so only once all values are in).
    std::vector<const BandInfo*> records;
    for (int k = 0; k < document_->bandCount(); ++k)
        records.push_back(document_->band(k).info);
    const int count = static_cast<int>(std::min(records.size(), values.values.size()));
    for (size_t k = 0; k < values.values.size(); ++k) {
        text += readoutLetter(static_cast<int>(k)) + QStringLiteral(" : ") +
                bandValueText(values, static_cast<int>(k));
        const std::string name = values.anyBusy() ? std::string()
                                                  : band_class_name(records.data(), values.values.data(),
                                                                    count, static_cast<int>(k));
        if (!name.empty()) text += QStringLiteral(" (") + QString::fromStdString(name) + QStringLiteral(")");
        const QString temperature = temperatureText(values, static_cast<int>(k));
        if (!temperature.isEmpty()) text += QStringLiteral(" (") + temperature + QStringLiteral(")");
        double reflectance = 0;
        if (!values.isBusy(k) &&
            document_->reflectanceOf(static_cast<int>(k), values.values[k], &reflectance))
            text += tr(" (反射率 %1)").arg(reflectance, 0, 'f', 4);
        text += QLatin1Char('\n');
    }
    return text;
}

// A band's value as the readout writes it: the stored value as it is ("-12", "0.1234"), "NoData"; a picture
// band's channel byte.
QString MainWindow::bandValueText(const orvenna::PixelValues& values, int band) const {
    // A band whose file is busy with a long read elsewhere is not waited for.
    if (values.isBusy(static_cast<size_t>(band))) return tr("読み込み中");
    const double value = values.values.at(static_cast<size_t>(band));
    const orvenna::DocumentBand& b = document_->band(band);
    if (!b.info || b.isPicture()) return QString::number(static_cast<int>(value));
    const QString text = QString::fromStdString(orvenna::StoredValueText(b.info, value));
    // The unit the file gives its values ("K"), after a value that is one.
    const std::string unit = orvenna::band_unit(b.info);
    return unit.empty() || !std::isfinite(value) || orvenna::IsNoDataValue(b.info, value)
               ? text
               : text + QLatin1Char(' ') + QString::fromStdString(unit);
}

// The scene's thermal band in degrees Celsius beside its stored value ("24.6 ℃"), by the temperature preset's
// calibration; empty for other bands, values without a temperature and values not read yet.
QString MainWindow::temperatureText(const orvenna::PixelValues& values, int band) const {
    const size_t i = static_cast<size_t>(band);
    double celsius = 0;
    if (i >= values.values.size() || values.isBusy(i) ||
        !document_->temperatureOf(band, values.values[i], &celsius))
        return QString();
    return QString::number(celsius, 'f', 1) + QStringLiteral(" ℃");
}

// The band value plot's samples, one per band; outside the scene there are no values and the plot shows its
// axis alone.
std::vector<orvenna::BandValueSample> MainWindow::bandValueSamples(const orvenna::PixelValues& values) const {
    std::vector<orvenna::BandValueSample> samples;
    samples.reserve(static_cast<size_t>(document_->bandCount()));
    for (int k = 0; k < document_->bandCount(); ++k) {
        const orvenna::DocumentBand& b = document_->band(k);
        const size_t i = static_cast<size_t>(k);
        const bool known = i < values.values.size() && !values.isBusy(i);
        orvenna::BandValueSample sample =
            orvenna::band_value_sample_of(b.info, b.isPicture(), known ? values.values[i] : 0.0);
        sample.valid = sample.valid && known;
        sample.note = temperatureText(values, k).toStdString();
        samples.push_back(sample);
    }
    return samples;
}
