// The magnification step slider: tick and knob lines, the step a pointer line picks, and the picture drawn
// into a pixel buffer (colours at chosen pixels).
#include <gtest/gtest.h>

#include <vector>

#include "display/StepSlider.h"

using namespace orvenna;

TEST(StepSlider, TicksAndKnobLines) {
    EXPECT_EQ(slider_tick_spacing(330), 30);
    EXPECT_EQ(slider_tick_spacing(137), 10);  // (137 - 30) div 10
    EXPECT_EQ(slider_tick_y(330, 0), 15);
    EXPECT_EQ(slider_tick_y(330, 5), 165);
    EXPECT_EQ(slider_tick_y(330, 10), 315);
}

TEST(StepSlider, StepFromPointerLine) {
    struct Case {
        int height, y, current, step;
    } const cases[] = {
        // Height 330, d = 30: step k covers lines 30k .. 30k + 29 (its tick at 15 + 30k is in the middle).
        {330, 0, 5, 0},
        {330, 29, 5, 0},
        {330, 30, 5, 1},
        {330, 164, 2, 5},
        {330, 165, 2, 5},
        {330, 179, 2, 5},
        {330, 180, 2, 6},
        {330, 299, 2, 9},
        {330, 300, 2, 10},
        {330, 329, 2, 10},
        {330, -40, 5, 0},    // above the top: line 0
        {330, 5000, 5, 10},  // below the bottom: the last line
        // Height 137, d = 10: trunc((y - 10) / 107 * 10).
        {137, 20, 5, 0},
        {137, 21, 5, 1},
        {137, 136, 5, 10},
        {137, 70, 0, 5},
        // No travel: the current step stays.
        {30, 10, 7, 7},
        {12, 3, 2, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(slider_step_at(c.height, c.y, c.current), c.step) << c.height << " " << c.y;
    EXPECT_EQ(slider_clamp_pointer(330, -1), 0);
    EXPECT_EQ(slider_clamp_pointer(330, 330), 329);
    EXPECT_EQ(slider_clamp_pointer(330, 200), 200);
}

namespace {

struct Canvas {
    int w, h;
    std::vector<uint8_t> bytes;
    Canvas(int width, int height) : w(width), h(height), bytes(size_t(width) * height * 3, 0x11) {}
    BgrPixels pixels() { return {bytes.data(), w, h, w * 3}; }
    bool is(int x, int y, SliderColour c) const {
        const uint8_t* p = &bytes[(size_t(y) * w + x) * 3];
        return p[0] == c.b && p[1] == c.g && p[2] == c.r;
    }
};

}  // namespace

TEST(StepSlider, PictureColours) {
    Canvas c(40, 330);
    draw_step_slider(c.pixels(), 165);  // knob at step 5
    const SliderColour white = kSliderBackground;
    struct Probe {
        int x, y;
        SliderColour colour;
        const char* what;
    } const probes[] = {
        {0, 0, kSliderOutline, "outline corner"},
        {39, 200, kSliderOutline, "outline right"},
        {20, 329, kSliderOutline, "outline bottom"},
        {2, 20, white, "background"},
        {20, 20, kSliderTriangle, "triangle, wide end"},
        {20, 300, kSliderTriangle, "triangle, near its point"},
        {13, 300, white, "beside the narrow end"},
        {10, 15, kSliderOutline, "tick 0 start"},
        {29, 15, kSliderOutline, "tick 0 end"},
        {30, 15, white, "past tick 0"},
        {9, 45, white, "before tick 1"},
        {20, 105, kSliderOutline, "tick 3"},
        {2, 165, kSliderOutline, "the 1:1 tick runs the full width"},
        {37, 165, kSliderOutline, "the 1:1 tick on the right"},
        {20, 155, kSliderOutline, "knob top edge"},
        {20, 156, kSliderKnobLight, "knob light top"},
        {6, 170, kSliderKnobLight, "knob light left"},
        {20, 157, kSliderKnob, "knob body"},
        {20, 159, kSliderGrooveDark, "groove dark"},
        {20, 158, kSliderGrooveLight, "groove light"},
        {8, 159, kSliderGrooveLight, "groove stub"},
        {31, 171, kSliderGrooveDark, "last groove end"},
        {32, 171, kSliderKnob, "past the groove"},
        {34, 170, kSliderOutline, "knob right edge"},
        {35, 170, white, "right of the knob"},
        {20, 174, kSliderOutline, "knob bottom edge"},
    };
    for (const Probe& p : probes)
        EXPECT_TRUE(c.is(p.x, p.y, p.colour)) << p.what << " at " << p.x << "," << p.y;
}

TEST(StepSlider, KnobOutsideThePictureIsClipped) {
    Canvas c(40, 50);
    draw_step_slider(c.pixels(), -100);
    draw_step_slider(c.pixels(), 1000);
    Canvas tiny(3, 2);
    draw_step_slider(tiny.pixels(), 1);  // smaller than the triangle's margins: no write out of bounds
    EXPECT_TRUE(tiny.is(0, 0, kSliderOutline));
    draw_step_slider(BgrPixels{}, 0);  // no picture: nothing happens
}
