// The thermography preset dialog: one band or one expression is coloured from black through blue, cyan,
// green and yellow to red; OK writes the three channel texts and redraws.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class TPresetFormTHM : public QDialog {
    Q_OBJECT
public:
    explicit TPresetFormTHM(QWidget* parent = nullptr);

    QLabel* TitleLabel;
    QPlainTextEdit* DetailMemo;
    QRadioButton* BandRadioButton;
    QLabel* BandLabel;
    QComboBox* BandComboBox;
    QRadioButton* ExpRadioButton;
    QLabel* ExpLabel;
    QComboBox* ExpComboBox;
    QPushButton* BtnOk;
    QPushButton* BtnCancel;

    void BtnOkClick();
    void BtnCancelClick();
    void BandRadioButtonClick();
    void ExpRadioButtonClick();
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TPresetFormTHM* PresetFormTHM;
