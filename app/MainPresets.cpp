// The colour presets reached from BtnColor: the pop-up menu and the menu handlers that fill and show the
// preset dialogs. The dialogs build the texts and redraw themselves.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "app/Main.h"
#include "display/PresetDialogParts.h"
#include "display/PresetTexts.h"
#include "display/Presethtm.h"
#include "display/Presetls_thm.h"
#include "display/Presetndvi.h"

namespace {

// One item per band row, the row's caption, in list order: item i is band letter 'a' + i.
void FillBandCombo(QComboBox* combo, const TGelvantMainForm* main) {
    combo->clear();
    for (const auto& row : main->BandRowList)
        combo->addItem(row->NameLabel ? row->NameLabel->text() : QString());
    combo->setCurrentIndex(0);
}

void ShowPresetDialog(QDialog* dialog) {
    // Centred before showing, and again once shown, when the window system has given the frame its borders.
    presetui::CentreOverMainWindow(dialog);
    dialog->show();
    presetui::CentreOverMainWindow(dialog);
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace

void TGelvantMainForm::ConnectPresetHandlers() {
    connect(BtnColor, &QPushButton::clicked, this, [this] { BtnColorClick(); });
    connect(MI_C_NDVI, &QAction::triggered, this, [this] { MI_C_NDVIClick(); });
    connect(MI_C_TM, &QAction::triggered, this, [this] { MI_C_TMClick(); });
    connect(MI_C_LS_THM, &QAction::triggered, this, [this] { MI_C_LS_THMClick(); });
}

QPoint TGelvantMainForm::ColorMenuPosition() const {
    return BtnColor->mapToGlobal(QPoint(BtnColor->width(), 0));
}

void TGelvantMainForm::BtnColorClick() {
    ColorMenu->popup(ColorMenuPosition());
}

void TGelvantMainForm::MI_C_NDVIClick() {
    if (!ImageLoaded || !PresetFormNDVI) return;
    FillBandCombo(PresetFormNDVI->NIRComboBox, this);
    FillBandCombo(PresetFormNDVI->RedComboBox, this);
    ShowPresetDialog(PresetFormNDVI);
}

void TGelvantMainForm::MI_C_TMClick() {
    if (!ImageLoaded || !PresetFormTHM) return;
    FillBandCombo(PresetFormTHM->BandComboBox, this);
    QComboBox* expressions = PresetFormTHM->ExpComboBox;
    expressions->clear();
    expressions->addItems({ExpEditR->text(), ExpEditG->text(), ExpEditB->text()});
    expressions->setCurrentIndex(0);
    ShowPresetDialog(PresetFormTHM);
}

void TGelvantMainForm::MI_C_LS_THMClick() {
    if (!ImageLoaded || !PresetFormLS_THM) return;
    FillBandCombo(PresetFormLS_THM->BandComboBox, this);
    if (LsThermValid) {
        PresetFormLS_THM->LMAXEdit->setText(QString::fromStdString(orvenna::GeneralNumberText(LsLmax)));
        PresetFormLS_THM->LMINEdit->setText(QString::fromStdString(orvenna::GeneralNumberText(LsLmin)));
    }
    ShowPresetDialog(PresetFormLS_THM);
}
