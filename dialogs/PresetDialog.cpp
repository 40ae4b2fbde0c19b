#include "dialogs/PresetDialog.h"

#include <QPushButton>

void PresetDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (applyButton_) applyButton_->setEnabled(true);
}
