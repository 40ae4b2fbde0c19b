// The NDVI preset dialog: pick the red and near-infrared bands; OK writes the vegetation-index text into all
// three channel expressions, puts both bands on the full display range and has the view redrawn.
#pragma once

#include "dialogs/PresetDialog.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class NdviPresetDialog : public PresetDialog {
    Q_OBJECT
public:
    explicit NdviPresetDialog(orvenna::Document& document, QWidget* parent = nullptr);

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
