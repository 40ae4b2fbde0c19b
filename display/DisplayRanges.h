// The display ranges a band gets from the viewer's controls and at opening, for 8-bit bands (0..255 in
// range_low/range_high) and bands wider than 8 bits (display_low/display_high in the band's own values).
// Shared by the window and the render command, so both give a band the same range. Qt-free.
#pragma once

struct BandInfo;  // scene/remos.h

namespace orvenna {

// The settings panel's defaults: the share of pixels "自動" cuts at each end, and leaving out 0 and 255.
inline constexpr double kDefaultClipRatio = 0.00085;
inline constexpr bool kDefaultExcludeEnds = true;

// The automatic range a band opens with (its histogram must have been made): what "自動" gives with the
// defaults, else its whole span (wide bands: value_min..value_max, 8-bit: 0..255).
void SetOpeningRange(BandInfo* band);

// "<>": 0..255, or the band's smallest to largest value for wider bands.
void SetFullRange(BandInfo* band);

// "自動": cuts `ratio` of the pixels at both ends of the histogram as it stands.
void SetAutomaticRange(BandInfo* band, double ratio, bool excludeEnds);

// Keeps an 8-bit range inside 0..255 with low below high, as the band rows do: when they meet or cross, the
// bound that moved goes one step to the other side of the one that stayed (at 0 or 255 the one that stayed
// gives way).
void SeparateEightBitBounds(bool lowerMoved, int* low, int* high);

}  // namespace orvenna
