// The colour presets reached from presetButton: the pop-up menu, the menu handlers that fill and show the
// preset dialogs, and what the dialogs change in this window (expressions, display ranges, the redraw).
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <algorithm>
#include <cmath>

#include "app/MainWindow.h"
#include "dialogs/LandsatTemperatureDialog.h"
#include "dialogs/NdviPresetDialog.h"
#include "dialogs/ThermographyPresetDialog.h"
#include "dialogs/WindowCentring.h"
#include "display/BandValues.h"
#include "display/DisplayRanges.h"
#include "platform/SpinButtons.h"
#include "scene/remos.h"

namespace {

void showPresetDialog(QDialog* dialog, const QWidget* over) {
    // Centred before showing, and again once shown, when the window system has given the frame its borders.
    centreOverWindow(dialog, over);
    dialog->show();
    centreOverWindow(dialog, over);
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace

void MainWindow::connectPresetHandlers() {
    connect(presetButton, &QPushButton::clicked, this, [this] { onPresetClicked(); });
    connect(ndviAction, &QAction::triggered, this, [this] { onNdviTriggered(); });
    connect(thermographyAction, &QAction::triggered, this, [this] { onThermographyTriggered(); });
    connect(landsatTemperatureAction, &QAction::triggered, this, [this] { onLandsatTemperatureTriggered(); });
}

QPoint MainWindow::presetMenuPosition() const {
    return presetButton->mapToGlobal(QPoint(presetButton->width(), 0));
}

void MainWindow::onPresetClicked() {
    presetMenu->popup(presetMenuPosition());
}

QStringList MainWindow::bandLabels() const {
    QStringList labels;
    for (const auto& row : bandRows)
        labels << (row->nameLabel ? row->nameLabel->text() : QString());
    return labels;
}

void MainWindow::onNdviTriggered() {
    if (!imageLoaded || !ndviPresetDialog) return;
    ndviPresetDialog->setTarget(this);
    ndviPresetDialog->setBandLabels(bandLabels());
    showPresetDialog(ndviPresetDialog, this);
}

void MainWindow::onThermographyTriggered() {
    if (!imageLoaded || !thermographyPresetDialog) return;
    thermographyPresetDialog->setTarget(this);
    thermographyPresetDialog->setSources(
        bandLabels(), {redExpressionEdit->text(), greenExpressionEdit->text(), blueExpressionEdit->text()});
    showPresetDialog(thermographyPresetDialog, this);
}

void MainWindow::onLandsatTemperatureTriggered() {
    if (!imageLoaded || !landsatTemperatureDialog) return;
    landsatTemperatureDialog->setTarget(this);
    landsatTemperatureDialog->setBandLabels(bandLabels());
    if (landsatCalibrationValid) landsatTemperatureDialog->setCalibration(landsatLmax, landsatLmin);
    showPresetDialog(landsatTemperatureDialog, this);
}

void MainWindow::setChannelExpressions(const QString& red, const QString& green, const QString& blue) {
    redExpressionEdit->setText(red);
    greenExpressionEdit->setText(green);
    blueExpressionEdit->setText(blue);
}

void MainWindow::showBandAtFullRange(int index) {
    if (index < 0 || index >= static_cast<int>(bandRows.size())) return;
    BandRow* row = bandRows[index].get();
    if (row->lowerValueSpin) {
        orvenna::SetFullRange(row->band);
        setWideBandRange(row, row->band->display_low, row->band->display_high, false);
        return;
    }
    row->lowerBoundSpin->setValue(0);
    row->upperBoundSpin->setValue(255);
    refreshBandRow(row);
}

PresetBandFacts MainWindow::presetBandFacts(int index) const {
    PresetBandFacts facts;
    if (index < 0 || index >= static_cast<int>(bandRows.size()) || !bandRows[index]->band) return facts;
    const BandRow* row = bandRows[index].get();
    facts.listed = true;
    facts.wide = row->lowerValueSpin != nullptr;
    facts.integerValues = orvenna::BandHoldsIntegers(row->band);
    // The Landsat 7 range in use is the window's (it may have been set apart from the metadata).
    SceneMetadataState metadata = sceneMetadata;
    metadata.landsat7_valid = landsatCalibrationValid;
    metadata.lmax = landsatLmax;
    metadata.lmin = landsatLmin;
    facts.thermal = orvenna::ChooseLandsatThermal(metadata, row->fileName.toStdString());
    return facts;
}

void MainWindow::setBandDisplayRange(int index, double low, double high) {
    if (index < 0 || index >= static_cast<int>(bandRows.size())) return;
    BandRow* row = bandRows[index].get();
    if (!row->band) return;
    if (row->lowerValueSpin) {
        // Taken as it is, also past the values the band's kind stores: the preset's texts are made for it.
        if (!(low < high) || !std::isfinite(low) || !std::isfinite(high)) return;
        row->band->display_low = low;
        row->band->display_high = high;
        showWideBandRange(row);
        drawBandHistogram(row);
        return;
    }
    // 8-bit bands: the nearest whole values, kept apart inside 0..255.
    const int wholeLow = std::clamp(static_cast<int>(std::lround(low)), 0, 254);
    const int wholeHigh = std::clamp(static_cast<int>(std::lround(high)), wholeLow + 1, 255);
    row->band->range_low = wholeLow;
    row->band->range_high = wholeHigh;
    refreshBandRow(row);
}
