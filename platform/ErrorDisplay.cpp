#include "platform/ErrorDisplay.h"

#include "platform/Prompts.h"

void ShowErrorText(const QString& text) {
    Prompts::Current().Inform(text, QStringLiteral("Orvenna"), PromptKind::Error);
}

void ShowException(const std::exception& error) {
    ShowErrorText(QString::fromUtf8(error.what()));
}

void ShowUnknownException() {
    ShowErrorText(QString());
}
