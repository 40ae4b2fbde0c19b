// The up and down arrows of the spin buttons: two auto-repeating tool buttons stacked in `owner`, which
// never take the keyboard focus from the edit they serve.
#pragma once

class QToolButton;
class QWidget;

void stackArrowButtons(QWidget* owner, QToolButton* up, QToolButton* down);
