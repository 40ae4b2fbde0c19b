// What a colour preset dialog changes in the window it was opened from: the three channel expressions, the
// display range of a listed band, and the redraw. The main window implements it; the dialogs know nothing
// else of it.
#pragma once

class QString;

class PresetTarget {
public:
    // Writes the red, green and blue expression texts (each box recompiles and recolours as if typed).
    virtual void setChannelExpressions(const QString& red, const QString& green, const QString& blue) = 0;
    // Puts the band at list position `index` on the full display range 0..255. The list may have changed
    // since the dialog was filled: a position that holds no band any more is skipped.
    virtual void showBandAtFullRange(int index) = 0;
    // Redraws the view from the current expressions (when a scene is loaded and automatic update is on).
    virtual void drawComposite() = 0;

protected:
    ~PresetTarget() = default;
};
