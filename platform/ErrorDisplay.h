// The application's standard error display: a message box with the error's text.
#pragma once

#include <QString>

#include <exception>

// Shows `text` as an error (caption "Orvenna", error icon) through the current prompts.
void showErrorText(const QString& text);

// Shows an exception's text; any other thrown value shows as an error with an empty text.
void showException(const std::exception& error);
void showUnknownException();
