// Placing a dialog or small window over the window it belongs to.
#pragma once

class QWidget;

// Moves `window` so that its frame is centred over the frame of `over` (integer halves); nothing without
// `over`.
void centreOverWindow(QWidget* window, const QWidget* over);
