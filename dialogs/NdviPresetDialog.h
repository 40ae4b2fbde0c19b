// The NDVI preset dialog: pick the red and near-infrared bands; OK writes the vegetation-index text into all
// three channel boxes, puts both bands on the full display range and redraws.
#pragma once

#include <QDialog>

class PresetTarget;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class NdviPresetDialog : public QDialog {
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

    // The window OK writes into, and the captions of its listed bands in list order (item i is band letter
    // 'a' + i).
    void setTarget(PresetTarget* target) { target_ = target; }
    void setBandLabels(const QStringList& labels);

    void onOkClicked();
    void onCancelClicked();

protected:
    // Each showing offers OK again.
    void showEvent(QShowEvent* event) override;

private:
    PresetTarget* target_ = nullptr;
};

extern NdviPresetDialog* ndviPresetDialog;
