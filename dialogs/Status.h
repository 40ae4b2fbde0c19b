// The progress window shown while scenes are being loaded.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

class TStatusForm : public QDialog {
    Q_OBJECT
public:
    explicit TStatusForm(QWidget* parent = nullptr);

    QLabel* MessageLabel;
    QProgressBar* ProgressBar;  // thin bar under the label: files and bands loaded so far

    // Centres the window on the main window.
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TStatusForm* StatusForm;
