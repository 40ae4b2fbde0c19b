// "シーン全体を書き出す...": what to export and where: the whole scene or the part the view shows, the
// magnification step (the step slider's, ×32 .. ×1/32) and the file, its format by its extension (GeoTIFF
// .tif, PNG .png, JPEG .jpg).
#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class ExportDialog : public QDialog {
    Q_OBJECT
public:
    // Starts on the whole scene at `step`.
    explicit ExportDialog(int step, QWidget* parent = nullptr);

    bool wholeScene() const;
    int step() const;
    QString fileName() const;

    QRadioButton* wholeSceneRadioButton;
    QRadioButton* viewAreaRadioButton;
    QComboBox* stepComboBox;  // item i is step i
    QLineEdit* fileEdit;
    QPushButton* browseButton;  // the file dialog, through the prompts
    QPushButton* okButton;
    QPushButton* cancelButton;

    // The name of magnification step `step` as the step slider's ends name them ("×32", "×1", "×1/4").
    static QString stepName(int step);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onBrowseClicked();
    // OK: a file of a format it writes, else a message and the dialog stays.
    void onOkClicked();
};
