// The Landsat temperature preset dialog: band 6 of a Landsat-7 ETM+ scene is turned into degrees Celsius with
// the scene's LMAX/LMIN calibration and coloured like a thermography picture between a minimum and a maximum
// temperature. "実行" may be run again and again; the dialog stays open until "閉じる".
#pragma once

#include <QDialog>

class PresetTarget;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class ImageControl;
class SpinButtons;

class LandsatTemperatureDialog : public QDialog {
    Q_OBJECT
public:
    explicit LandsatTemperatureDialog(QWidget* parent = nullptr);

    QLabel* titleLabel;
    QPlainTextEdit* explanationText;
    QLabel* bandLabel;
    QComboBox* bandComboBox;
    QLabel* lmaxLabel;
    QLineEdit* lmaxEdit;
    QLabel* lminLabel;
    QLineEdit* lminEdit;
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

    // The window "実行" writes into, and the captions of its listed bands in list order (item i is band
    // letter 'a' + i).
    void setTarget(PresetTarget* target) { target_ = target; }
    void setBandLabels(const QStringList& labels);
    // The scene's band 6 calibration as read from its metadata.
    void setCalibration(double lmax, double lmin);

    void onRunClicked();
    void onCloseClicked();
    void onTemperatureChanged();

protected:
    // Each showing offers "実行" again.
    void showEvent(QShowEvent* event) override;

private:
    void placeScaleLabels();

    PresetTarget* target_ = nullptr;
};

extern LandsatTemperatureDialog* landsatTemperatureDialog;
