#include "dialogs/ProgressWindow.h"

#include "dialogs/WindowCentring.h"
#include "platform/Fonts.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

ProgressWindow::ProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(tr("処理中...しばらくお待ちください"));
    setFont(uiFont());
    setFixedSize(355, 72);
    messageLabel = new QLabel(this);
    messageLabel->setFont(uiFont(16));
    messageLabel->move(12, 12);
    messageLabel->resize(331, 20);
    progressBar = new QProgressBar(this);
    progressBar->setGeometry(12, 34, 331, 8);
    progressBar->setTextVisible(false);
    progressBar->setRange(0, 1);
    progressBar->setValue(0);
    stopButton = new QPushButton(tr("中止"), this);
    stopButton->setGeometry(268, 46, 75, 22);
    stopButton->setEnabled(false);
    connect(stopButton, &QPushButton::clicked, this, &ProgressWindow::stopRequested);
}

void ProgressWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOverWindow(this, parentWidget());
}

void ProgressWindow::reject() {
    emit stopRequested();
}
