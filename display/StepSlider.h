// The magnification step slider: where its ticks and knob sit, which step a pointer line picks, and the
// slider's picture drawn straight into a 24-bit pixel buffer.
//
// Pure math and pixels, no Qt, so that the slider is tested without a window.
#pragma once

#include "display/Navigator.h"

namespace orvenna {

// Colours of the slider (red, green, blue).
struct SliderColour {
    uint8_t r, g, b;
};
inline constexpr SliderColour kSliderOutline{0, 0, 255};
inline constexpr SliderColour kSliderBackground{255, 255, 255};
inline constexpr SliderColour kSliderTriangle{180, 180, 255};
inline constexpr SliderColour kSliderKnob{100, 100, 255};
inline constexpr SliderColour kSliderKnobLight{200, 200, 255};
inline constexpr SliderColour kSliderGrooveDark{50, 50, 200};
inline constexpr SliderColour kSliderGrooveLight{190, 190, 255};

// Tick spacing d = (height - 30) div 10.
int slider_tick_spacing(int height);
// Line of tick i (0..10): 15 + i * d. The knob of a step sits on its tick.
int slider_tick_y(int height, int i);
// The pointer's line limited to the control: 0 above the top, height - 1 below the bottom.
int slider_clamp_pointer(int height, int y);
// Step picked by pointer line y (clamped first): trunc((y - 15 + d div 2) / (height - 30) * 10) limited to
// 0..10. A slider 30 pixels high or less has no travel and keeps `current`.
int slider_step_at(int height, int y, int current);

// Draws the whole slider into `px` (its width and height are the control's): white background with a blue
// outline, the light blue triangle wide at the magnified end, eleven ticks (the 1:1 tick full width) and the
// knob centred on line `knob_y` with its light edges and four grooves. Everything is clipped to `px`.
void draw_step_slider(const BgrPixels& px, int knob_y);

}  // namespace orvenna
