#include "dialogs/Status.h"

#include "app/Main.h"
#include "platform/Fonts.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

TStatusForm* StatusForm = nullptr;

TStatusForm::TStatusForm(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral("処理中...しばらくお待ちください"));
    setFont(FormFont());
    setFixedSize(355, 72);
    MessageLabel = new QLabel(this);
    MessageLabel->setFont(FormFont(16));
    MessageLabel->move(12, 12);
    MessageLabel->resize(331, 20);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setGeometry(12, 34, 331, 8);
    ProgressBar->setTextVisible(false);
    ProgressBar->setRange(0, 1);
    ProgressBar->setValue(0);
    StopButton = new QPushButton(QStringLiteral("中止"), this);
    StopButton->setGeometry(268, 46, 75, 22);
    StopButton->setEnabled(false);
    connect(StopButton, &QPushButton::clicked, this, [] {
        if (GelvantMainForm) GelvantMainForm->StopOpeningHistogram();
    });
}

void TStatusForm::FormShow() {
    if (!GelvantMainForm) return;
    const QRect main = GelvantMainForm->frameGeometry();
    const QRect own = frameGeometry();
    move(main.left() + main.width() / 2 - own.width() / 2, main.top() + main.height() / 2 - own.height() / 2);
}

void TStatusForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TStatusForm::reject() {
    if (GelvantMainForm) GelvantMainForm->StopOpeningHistogram();
}
