#include "platform/ErrorDisplay.h"

#include "platform/Prompts.h"

void showErrorText(const QString& text) {
    Prompts::current().inform(text, QStringLiteral("Orvenna"), PromptKind::Error);
}

void showException(const std::exception& error) {
    showErrorText(QString::fromUtf8(error.what()));
}

void showUnknownException() {
    showErrorText(QString());
}
