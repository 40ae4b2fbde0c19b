// Pieces shared by the three preset dialogs: the title, the explanation memo, labels and the placement of a
// dialog over the main window.
#pragma once

#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QWidget;

namespace presetui {

// The dialog's title in a larger bold face at the top left.
QLabel* MakeTitleLabel(QWidget* dialog, const QString& text);

// A read-only, borderless memo in the light 3-D colour holding `lines` as they stand (no wrapping).
QPlainTextEdit* MakeDetailMemo(QWidget* dialog, const QStringList& lines, int x, int y, int width,
                               int height);

// A plain label with its top-left corner at (x, y).
QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y);

// Moves `dialog` so that its frame is centred over the main window's frame (integer halves).
void CentreOverMainWindow(QWidget* dialog);

}  // namespace presetui
