// The colour presets reached from presetButton: the menu handlers that fill and show the preset dialogs. The
// dialogs apply their presets to the document and the window redraws when they say so.
#include "app/BandListWidget.h"
#include "app/BandRowWidget.h"
#include "app/MainWindow.h"
#include "dialogs/LandsatTemperatureDialog.h"
#include "dialogs/NdviPresetDialog.h"
#include "dialogs/ThermographyPresetDialog.h"
#include "dialogs/WindowCentring.h"
#include "document/Document.h"

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

QStringList MainWindow::bandLabels() const {
    QStringList labels;
    for (int i = 0; i < bandList_->rowCount(); ++i)
        labels << bandList_->row(i)->caption();
    return labels;
}

void MainWindow::onNdviTriggered() {
    if (!document_->hasBands()) return;
    ndviDialog_->setBandLabels(bandLabels());
    showPresetDialog(ndviDialog_, this);
}

void MainWindow::onThermographyTriggered() {
    if (!document_->hasBands()) return;
    thermographyDialog_->setSources(bandLabels(), {QString::fromStdString(document_->expression(0).text()),
                                                   QString::fromStdString(document_->expression(1).text()),
                                                   QString::fromStdString(document_->expression(2).text())});
    showPresetDialog(thermographyDialog_, this);
}

void MainWindow::onLandsatTemperatureTriggered() {
    if (!document_->hasBands()) return;
    landsatDialog_->setBandLabels(bandLabels());
    if (document_->landsat7CalibrationValid())
        landsatDialog_->setCalibration(document_->metadata().lmax, document_->metadata().lmin);
    showPresetDialog(landsatDialog_, this);
}
