// The progress window shown while scenes are being loaded, with a button that stops a long histogram pass.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class TStatusForm : public QDialog {
    Q_OBJECT
public:
    explicit TStatusForm(QWidget* parent = nullptr);

    QLabel* MessageLabel;
    QProgressBar* ProgressBar;  // thin bar under the label: files and bands loaded so far
    QPushButton* StopButton;    // "中止": stops the histogram being counted (enabled while one is)

    // Centres the window on the main window.
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;
    // Esc and the close box stop the histogram being counted instead of hiding the window.
    void reject() override;
};

extern TStatusForm* StatusForm;
