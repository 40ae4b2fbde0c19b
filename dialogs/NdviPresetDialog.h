// The NDVI preset dialog: pick the red and near-infrared bands; OK writes the vegetation-index text into all
// three channel boxes, puts both bands on the full display range and redraws.
#pragma once

#include "dialogs/PresetDialog.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class NdviPresetDialog : public PresetDialog {
    Q_OBJECT
public:
    explicit NdviPresetDialog(QWidget* parent = nullptr);

    QLabel* titleLabel;
    QPlainTextEdit* explanationText;
    QLabel* redBandLabel;
    QComboBox* redBandComboBox;
    QLabel* nearInfraredBandLabel;
    QComboBox* nearInfraredBandComboBox;
    QPushButton* okButton;
    QPushButton* cancelButton;

    // The captions of the target window's listed bands in list order (item i is band letter 'a' + i).
    void setBandLabels(const QStringList& labels);

    void onOkClicked();
    void onCancelClicked();
};

extern NdviPresetDialog* ndviPresetDialog;
