// The Landsat temperature preset dialog: band 6 of a Landsat-7 ETM+ scene is turned into degrees Celsius with
// the scene's LMAX/LMIN calibration and coloured like a thermography picture between a minimum and a maximum
// temperature. A Landsat 8/9 thermal band (10 or 11) takes the constants of the scene's *_MTL.txt instead:
// the dialog names them in place of LMAX/LMIN. "実行" may be run again and again; the dialog stays open
// until "閉じる".
#pragma once

#include "dialogs/PresetDialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class ImageControl;
class SpinButtons;

class LandsatTemperatureDialog : public PresetDialog {
    Q_OBJECT
public:
    explicit LandsatTemperatureDialog(orvenna::Document& document, QWidget* parent = nullptr);

    QLabel* titleLabel;
    QPlainTextEdit* explanationText;
    QLabel* bandLabel;
    QComboBox* bandComboBox;
    QLabel* lmaxLabel;
    QLineEdit* lmaxEdit;
    QLabel* lminLabel;
    QLineEdit* lminEdit;
    // In place of LMAX/LMIN for a Landsat 8/9 band: the satellite and band the constants come from, or that
    // they are missing.
    QLabel* constantsLabel;
    // Why the chosen band's calibration makes no temperature (LMAX equal to LMIN ...), in red; empty when it
    // does.
    QLabel* messageLabel;
    QLabel* maxTemperatureLabel;
    QLineEdit* maxTemperatureEdit;
    SpinButtons* maxTemperatureSpin;
    QLabel* minTemperatureLabel;
    QLineEdit* minTemperatureEdit;
    SpinButtons* minTemperatureSpin;
    ImageControl* scaleView;  // the colour scale, red (hottest) at the left, black at the right
    QLabel* redScaleLabel;
    QLabel* yellowScaleLabel;
    QLabel* greenScaleLabel;
    QLabel* cyanScaleLabel;
    QLabel* blueScaleLabel;
    QLabel* blackScaleLabel;
    QPushButton* runButton;
    QPushButton* closeButton;

    // The captions of the target window's listed bands in list order (item i is band letter 'a' + i); the
    // band the scene's thermal calibration belongs to is chosen, else the first.
    void setBandLabels(const QStringList& labels);
    // The scene's band 6 calibration as read from its metadata.
    void setCalibration(double lmax, double lmin);

    void onRunClicked();
    void onCloseClicked();
    void onTemperatureChanged();
    // The chosen band changed (or the list was refilled): LMAX/LMIN or the Landsat 8/9 constants.
    void onBandChanged();

private:
    void placeScaleLabels();
    // The message line for the chosen band and the LMAX/LMIN as they stand.
    void updateMessage();
};
