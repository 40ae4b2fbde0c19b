// The thermography preset dialog: one band or one expression is coloured from black through blue, cyan,
// green and yellow to red; OK writes the three channel expressions and has the view redrawn.
#pragma once

#include "dialogs/PresetDialog.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class ThermographyPresetDialog : public PresetDialog {
    Q_OBJECT
public:
    explicit ThermographyPresetDialog(orvenna::Document& document, QWidget* parent = nullptr);

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

    // The captions of the target window's listed bands in list order (item i is band letter 'a' + i) and its
    // current red, green and blue expressions, to choose from.
    void setSources(const QStringList& bandLabels, const QStringList& expressions);

    void onOkClicked();
    void onCancelClicked();
    void onBandRadioClicked();
    void onExpressionRadioClicked();
};
