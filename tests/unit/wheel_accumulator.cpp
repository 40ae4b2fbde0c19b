// Gathering wheel turns into whole zoom steps and whole scrolled pixels: notches of 120, the small parts of
// high-resolution wheels and touchpads, and turns back the other way.
#include <gtest/gtest.h>

#include <vector>

#include "display/WheelAccumulator.h"

namespace {

TEST(WheelAccumulator, GathersPartsIntoWholeNotches) {
    const struct {
        const char* what;
        std::vector<int> deltas;
        std::vector<int> notches;  // given out after each delta
    } cases[] = {
        {"one notch", {120}, {1}},
        {"two notches towards the user", {-240}, {-2}},
        {"quarter notches", {30, 30, 30, 30}, {0, 0, 0, 1}},
        {"thirds", {40, 40, 40, 40, 40, 40}, {0, 0, 1, 0, 0, 1}},
        {"the rest waits", {200, 40}, {1, 1}},
        {"turning back drops the rest", {60, -30, -90}, {0, 0, -1}},
        {"and the other way", {-100, 30, 90}, {0, 0, 1}},
    };
    for (const auto& c : cases) {
        orvenna::WheelAccumulator wheel;
        std::vector<int> got;
        for (int delta : c.deltas)
            got.push_back(wheel.notches(delta));
        EXPECT_EQ(got, c.notches) << c.what;
    }

    // A touchpad's one-unit reports make exactly one notch after 120 of them, not one short.
    orvenna::WheelAccumulator pad;
    int total = 0;
    for (int i = 0; i < 119; ++i)
        total += pad.notches(1);
    EXPECT_EQ(total, 0);
    EXPECT_EQ(pad.notches(1), 1);
}

TEST(WheelAccumulator, GathersScrollingIntoWholePixels) {
    const struct {
        const char* what;
        double perNotch;
        std::vector<int> deltas;
        std::vector<int> pixels;
    } cases[] = {
        {"a notch at 12.5 pixels", 12.5, {120, 120}, {12, 13}},
        {"small parts", 10, {12, 12, 12, 12, 12}, {1, 1, 1, 1, 1}},
        {"below a pixel a turn", 0.5, {120, 120, -120}, {0, 1, 0}},
        {"no pixels a notch", 0, {120}, {0}},
    };
    for (const auto& c : cases) {
        orvenna::WheelAccumulator wheel;
        std::vector<int> got;
        for (int delta : c.deltas)
            got.push_back(wheel.pixels(delta, c.perNotch));
        EXPECT_EQ(got, c.pixels) << c.what;
    }
}

}  // namespace
