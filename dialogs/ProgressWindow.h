// The progress window shown while scenes are being loaded, with a button that asks a long histogram pass to
// stop.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* parent = nullptr);

    QLabel* messageLabel;
    QProgressBar* progressBar;  // thin bar under the label: files and bands loaded so far
    QPushButton* stopButton;    // "中止": stops the histogram being counted (enabled while one is)

signals:
    // "中止", Esc or the close box: the histogram being counted should stop.
    void stopRequested();

protected:
    // Centres the window over the window it belongs to.
    void showEvent(QShowEvent* event) override;
    // Esc and the close box ask for the stop instead of hiding the window.
    void reject() override;
};
