// The thermography preset dialog: one band or one expression is coloured from black through blue, cyan,
// green and yellow to red; OK writes the three channel texts and redraws.
#pragma once

#include <QDialog>

class PresetTarget;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class ThermographyPresetDialog : public QDialog {
    Q_OBJECT
public:
    explicit ThermographyPresetDialog(QWidget* parent = nullptr);

    QLabel* titleLabel;
    QPlainTextEdit* explanationText;
    QRadioButton* bandRadioButton;
    QLabel* bandLabel;
    QComboBox* bandComboBox;
    QRadioButton* expressionRadioButton;
    QLabel* expressionLabel;
    QComboBox* expressionComboBox;
    QPushButton* okButton;
    QPushButton* cancelButton;

    // The window OK writes into; the captions of its listed bands in list order (item i is band letter
    // 'a' + i) and its current red, green and blue expressions to choose from.
    void setTarget(PresetTarget* target) { target_ = target; }
    void setSources(const QStringList& bandLabels, const QStringList& expressions);

    void onOkClicked();
    void onCancelClicked();
    void onBandRadioClicked();
    void onExpressionRadioClicked();

protected:
    // Each showing offers OK again.
    void showEvent(QShowEvent* event) override;

private:
    PresetTarget* target_ = nullptr;
};

extern ThermographyPresetDialog* thermographyPresetDialog;
