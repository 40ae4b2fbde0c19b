// The colour presets reached from BtnColor: the pop-up menu, the menu handlers that fill and show the preset
// dialogs, and what the dialogs change in this window (expressions, display ranges, the redraw).
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
#include "platform/UpDown.h"

namespace {

void ShowPresetDialog(QDialog* dialog, const QWidget* over) {
    // Centred before showing, and again once shown, when the window system has given the frame its borders.
    centreOverWindow(dialog, over);
    dialog->show();
    centreOverWindow(dialog, over);
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace

void MainWindow::ConnectPresetHandlers() {
    connect(BtnColor, &QPushButton::clicked, this, [this] { BtnColorClick(); });
    connect(MI_C_NDVI, &QAction::triggered, this, [this] { MI_C_NDVIClick(); });
    connect(MI_C_TM, &QAction::triggered, this, [this] { MI_C_TMClick(); });
    connect(MI_C_LS_THM, &QAction::triggered, this, [this] { MI_C_LS_THMClick(); });
}

QPoint MainWindow::ColorMenuPosition() const {
    return BtnColor->mapToGlobal(QPoint(BtnColor->width(), 0));
}

void MainWindow::BtnColorClick() {
    ColorMenu->popup(ColorMenuPosition());
}

QStringList MainWindow::BandLabels() const {
    QStringList labels;
    for (const auto& row : BandRowList)
        labels << (row->NameLabel ? row->NameLabel->text() : QString());
    return labels;
}

void MainWindow::MI_C_NDVIClick() {
    if (!ImageLoaded || !ndviPresetDialog) return;
    ndviPresetDialog->setTarget(this);
    ndviPresetDialog->setBandLabels(BandLabels());
    ShowPresetDialog(ndviPresetDialog, this);
}

void MainWindow::MI_C_TMClick() {
    if (!ImageLoaded || !thermographyPresetDialog) return;
    thermographyPresetDialog->setTarget(this);
    thermographyPresetDialog->setSources(BandLabels(),
                                         {ExpEditR->text(), ExpEditG->text(), ExpEditB->text()});
    ShowPresetDialog(thermographyPresetDialog, this);
}

void MainWindow::MI_C_LS_THMClick() {
    if (!ImageLoaded || !landsatTemperatureDialog) return;
    landsatTemperatureDialog->setTarget(this);
    landsatTemperatureDialog->setBandLabels(BandLabels());
    if (LsThermValid) landsatTemperatureDialog->setCalibration(LsLmax, LsLmin);
    ShowPresetDialog(landsatTemperatureDialog, this);
}

void MainWindow::setChannelExpressions(const QString& red, const QString& green, const QString& blue) {
    ExpEditR->setText(red);
    ExpEditG->setText(green);
    ExpEditB->setText(blue);
}

void MainWindow::showBandAtFullRange(int index) {
    if (index < 0 || index >= static_cast<int>(BandRowList.size())) return;
    BandRow* row = BandRowList[index].get();
    row->MinUpDown->SetPosition(0);
    row->MaxUpDown->SetPosition(255);
    RefreshBandRow(row);
}
