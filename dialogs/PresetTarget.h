// What a colour preset dialog changes in the window it was opened from: the three channel expressions, the
// display range of a listed band, and the redraw. The main window implements it; the dialogs know nothing
// else of it.
#pragma once

#include "display/LandsatThermalChoice.h"

class QString;

// What a preset may ask of a listed band.
struct PresetBandFacts {
    bool listed = false;        // the position holds a band
    bool wide = false;          // stored values wider than 8 bits: its display range is in those values
    bool integerValues = true;  // the band stores whole numbers
    orvenna::LandsatThermalChoice thermal;  // the Landsat calibration the temperature preset uses for it
};

class PresetTarget {
public:
    // Writes the red, green and blue expression texts (each box recompiles and recolours as if typed).
    virtual void setChannelExpressions(const QString& red, const QString& green, const QString& blue) = 0;
    // Puts the band at list position `index` on its full display range: 0..255, or its smallest to largest
    // value for a band wider than 8 bits. The list may have changed since the dialog was filled: a position
    // that holds no band any more is skipped.
    virtual void showBandAtFullRange(int index) = 0;
    // Redraws the view from the current expressions (when a scene is loaded and automatic update is on).
    virtual void drawComposite() = 0;
    // The band at list position `index`, as the presets need to know it (not listed: all defaults).
    virtual PresetBandFacts presetBandFacts(int index) const { return {}; }
    // Sets the display range of the band at `index` in its stored values (an 8-bit band takes the nearest
    // whole values inside 0..255); a position that holds no band is skipped.
    virtual void setBandDisplayRange(int index, double low, double high) {}

protected:
    ~PresetTarget() = default;
};
