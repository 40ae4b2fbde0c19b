// Pieces shared by the three preset dialogs: the title, the explanation text, labels and the band lists.
#pragma once

#include <QStringList>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QWidget;

namespace dialogparts {

// The dialog's title in a larger bold face at the top left.
QLabel* makeTitleLabel(QWidget* dialog, const QString& text);

// A read-only, borderless text box in the light 3-D colour holding `text` as it stands: its lines are broken
// where the text breaks them, never wrapped.
QPlainTextEdit* makeExplanationText(QWidget* dialog, const QString& text, int x, int y, int width,
                                    int height);

// A plain label with its top-left corner at (x, y).
QLabel* makeLabel(QWidget* parent, const QString& text, int x, int y);

// Replaces the items of `combo` with `items` and selects the first.
void fillComboBox(QComboBox* combo, const QStringList& items);

// fillComboBox for band labels: a label wider than the box keeps its start and its end with "…" in the
// middle (items are chosen by position, so the shortened text is only shown); the whole label is the item's
// tooltip and the box's own while it is chosen.
void fillBandComboBox(QComboBox* combo, const QStringList& labels);

}  // namespace dialogparts
