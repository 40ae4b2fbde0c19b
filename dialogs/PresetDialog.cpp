#include "dialogs/PresetDialog.h"

#include <QPushButton>

#include "document/Document.h"
#include "platform/Prompts.h"

void PresetDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (applyButton_) applyButton_->setEnabled(true);
}

bool PresetDialog::apply(const orvenna::PresetRequest& request) {
    const orvenna::PresetResult result = document_.applyPreset(request);
    if (!result.applied) {
        Prompts::current().inform(QString::fromStdString(result.problem), tr("失敗"),
                                  PromptKind::Information);
        return false;
    }
    emit applied();
    return true;
}
