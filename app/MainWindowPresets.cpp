// The colour presets reached from presetButton: the pop-up menu, the menu handlers that fill and show the
// preset dialogs, and what the dialogs change in this window (expressions, display ranges, the redraw).
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "app/MainWindow.h"
#include "dialogs/LandsatTemperatureDialog.h"
#include "dialogs/NdviPresetDialog.h"
#include "dialogs/ThermographyPresetDialog.h"
#include "dialogs/WindowCentring.h"
#include "platform/SpinButtons.h"

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
    row->lowerBoundSpin->setValue(0);
    row->upperBoundSpin->setValue(255);
    refreshBandRow(row);
}
