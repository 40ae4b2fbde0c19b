// The NDVI preset dialog: pick the red and near-infrared bands; OK writes the vegetation-index text into all
// three channel boxes, puts both bands on the full display range and redraws.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class TPresetFormNDVI : public QDialog {
    Q_OBJECT
public:
    explicit TPresetFormNDVI(QWidget* parent = nullptr);

    QLabel* TitleLabel;
    QPlainTextEdit* DetailMemo;
    QLabel* RedLabel;
    QComboBox* RedComboBox;
    QLabel* NIRLabel;
    QComboBox* NIRComboBox;
    QPushButton* BtnOk;
    QPushButton* BtnCancel;

    void BtnOkClick();
    void BtnCancelClick();
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TPresetFormNDVI* PresetFormNDVI;
