// The Landsat temperature preset dialog: band 6 of a Landsat-7 ETM+ scene is turned into degrees Celsius with
// the scene's LMAX/LMIN calibration and coloured like a thermography picture between a minimum and a maximum
// temperature. "実行" may be run again and again; the dialog stays open until "閉じる".
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class ImageControl;
class UpDown;

class TPresetFormLS_THM : public QDialog {
    Q_OBJECT
public:
    explicit TPresetFormLS_THM(QWidget* parent = nullptr);

    QLabel* TitleLabel;
    QPlainTextEdit* DetailMemo;
    QLabel* BandLabel;
    QComboBox* BandComboBox;
    QLabel* LMAXLabel;
    QLineEdit* LMAXEdit;
    QLabel* LMINLabel;
    QLineEdit* LMINEdit;
    QLabel* MaxTempLabel;
    QLineEdit* MaxTempEdit;
    UpDown* TempUpDown;
    QLabel* MinTempLabel;
    QLineEdit* MinTempEdit;
    UpDown* TempMinUpDown;
    ImageControl* Image1;  // the colour scale, red (hottest) at the left, black at the right
    QLabel* LabelRed;
    QLabel* LabelYellow;
    QLabel* LabelGreen;
    QLabel* LabelWater;
    QLabel* LabelBlue;
    QLabel* LabelBlack;
    QPushButton* BtnOk;
    QPushButton* BtnCancel;

    void BtnOkClick();
    void BtnCancelClick();
    void MaxTempEditChange();
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void PlaceScaleLabels();
};

extern TPresetFormLS_THM* PresetFormLS_THM;
