// View navigation math: navigator marks, pan arithmetic, zoom preview rectangles, the snapshot copies the
// gestures draw with, and the degree encoding of viewer messages; expected values worked out by hand.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "display/Navigator.h"

using namespace orvenna;

TEST(Navigator, MarksScaleTheSceneToAHundredPixels) {
    struct Case {
        int x, y, w, h;
        int height, mx, my;
    } const cases[] = {
        {500, 250, 1000, 500, 50, 50, 25},  // lines cross at the middle of a 100 x 50 navigator
        {0, 0, 1000, 500, 50, 0, 0},          {999, 499, 1000, 500, 50, 99, 49},
        {250, 1000, 500, 2000, 400, 50, 200},  // tall scene: the navigator is 400 high
        {5, 5, 1, 1, 100, 500, 500},           // positions past the scene are not clamped here
        {3, 3, 0, -4, 100, 300, 300},          // sizes below 1 count as 1
    };
    for (const Case& c : cases) {
        const NavigatorMarks m = navigator_marks(c.x, c.y, c.w, c.h);
        EXPECT_EQ(m.width, 100);
        EXPECT_EQ(m.height, c.height) << c.w << "x" << c.h;
        EXPECT_EQ(m.marker_x, c.mx) << c.x;
        EXPECT_EQ(m.marker_y, c.my) << c.y;
    }
}

TEST(Navigator, ScrollOverlayTextEndsInTenBlanks) {
    EXPECT_EQ(scroll_overlay_text(120, 7), "120, 7          ");
    EXPECT_EQ(scroll_overlay_text(0, 0), "0, 0          ");
}

TEST(Navigator, ScrollCodesThatDrawTheOverlay) {
    EXPECT_TRUE(scroll_code_draws_overlay(ScrollCode::LineUp));
    EXPECT_TRUE(scroll_code_draws_overlay(ScrollCode::LineDown));
    EXPECT_TRUE(scroll_code_draws_overlay(ScrollCode::PageUp));
    EXPECT_TRUE(scroll_code_draws_overlay(ScrollCode::PageDown));
    EXPECT_TRUE(scroll_code_draws_overlay(ScrollCode::Track));
    EXPECT_FALSE(scroll_code_draws_overlay(ScrollCode::Position));
    EXPECT_FALSE(scroll_code_draws_overlay(ScrollCode::Top));
    EXPECT_FALSE(scroll_code_draws_overlay(ScrollCode::Bottom));
    EXPECT_FALSE(scroll_code_draws_overlay(ScrollCode::EndScroll));
}

TEST(Navigator, PanArithmeticTruncatesTowardZero) {
    struct Case {
        int start, start_pointer, pointer;
        float scale;
        int expected;
    } const cases[] = {
        {100, 0, 10, 4.0f, 97},   // 10 pixels right at step 3: trunc(100 - 2.5)
        {100, 0, 10, 0.25f, 60},  // at step 7: 100 - 40
        {100, 10, 0, 4.0f, 102},  // trunc(102.5)
        {0, 0, 3, 4.0f, 0},       // trunc(-0.75) is 0, not -1
        {0, 0, 10, 1.0f, -10},    // the bar clamps, not this
        {7, 5, 5, 32.0f, 7},      // no movement
        {50, 0, 7, 32.0f, 49},    // trunc(50 - 0.21875)
        {50, 100, 0, 0.03125f, 3250},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pan_scroll_position(c.start, c.start_pointer, c.pointer, c.scale), c.expected)
            << c.start << " " << c.pointer << " " << c.scale;
}

TEST(Navigator, ZoomPreviewRectGrowsAboutTheCentre) {
    struct Case {
        int w, h, from, to;
        int left, top, right, bottom;
    } const cases[] = {
        {1000, 700, 5, 5, 0, 0, 1000, 700},
        {1000, 700, 5, 6, 250, 175, 750, 525},      // one step out: half size
        {1000, 700, 5, 4, -500, -350, 1500, 1050},  // one step in: double size
        {1000, 700, 3, 7, 468, 328, 531, 371},      // 500 - 500/16 = 468.75, 350 - 350/16 = 328.125
        {1001, 701, 5, 5, 0, 0, 1000, 700},         // integer halves: the odd last column stays white
    };
    for (const Case& c : cases) {
        const PixelRect r = zoom_preview_rect(c.w, c.h, c.from, c.to);
        EXPECT_EQ(r.left, c.left) << c.from << "->" << c.to;
        EXPECT_EQ(r.top, c.top);
        EXPECT_EQ(r.right, c.right);
        EXPECT_EQ(r.bottom, c.bottom);
    }
}

namespace {

// A w x h BGR picture whose pixel (x, y) holds bytes (x, y, 7).
struct Picture {
    int w, h;
    std::vector<uint8_t> bytes;
    Picture(int width, int height, bool pattern) : w(width), h(height), bytes(size_t(width) * height * 3, 0) {
        for (int y = 0; y < h && pattern; ++y)
            for (int x = 0; x < w; ++x) {
                bytes[(size_t(y) * w + x) * 3 + 0] = uint8_t(x);
                bytes[(size_t(y) * w + x) * 3 + 1] = uint8_t(y);
                bytes[(size_t(y) * w + x) * 3 + 2] = 7;
            }
    }
    BgrPixels pixels() { return {bytes.data(), w, h, w * 3}; }
    ConstBgrPixels cpixels() const { return {bytes.data(), w, h, w * 3}; }
    bool white(int x, int y) const {
        const uint8_t* p = &bytes[(size_t(y) * w + x) * 3];
        return p[0] == 255 && p[1] == 255 && p[2] == 255;
    }
    bool from(int x, int y, int sx, int sy) const {
        const uint8_t* p = &bytes[(size_t(y) * w + x) * 3];
        return p[0] == sx && p[1] == sy && p[2] == 7;
    }
};

}  // namespace

TEST(Navigator, CopyShiftedMovesTheSnapshotAndWhitensTheRest) {
    const Picture src(6, 4, true);
    for (const auto& shift : std::vector<std::pair<int, int>>{{0, 0}, {2, -1}, {-3, 2}, {6, 0}, {-100, 50}}) {
        Picture dst(6, 4, true);
        copy_shifted(src.cpixels(), dst.pixels(), shift.first, shift.second);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) {
                const int sx = x - shift.first, sy = y - shift.second;
                if (sx >= 0 && sx < 6 && sy >= 0 && sy < 4)
                    EXPECT_TRUE(dst.from(x, y, sx, sy)) << x << "," << y;
                else
                    EXPECT_TRUE(dst.white(x, y)) << x << "," << y;
            }
    }
}

TEST(Navigator, StretchIntoScalesTheWholeSnapshot) {
    const Picture src(4, 2, true);
    Picture dst(8, 8, false);
    // Twice the size, at (0, 2): every source pixel becomes a 2 x 2 block.
    stretch_into(src.cpixels(), dst.pixels(), PixelRect{0, 2, 8, 6});
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            if (y >= 2 && y < 6)
                EXPECT_TRUE(dst.from(x, y, x / 2, (y - 2) / 2)) << x << "," << y;
            else
                EXPECT_TRUE(dst.white(x, y)) << x << "," << y;
        }
    // Half size, centred: every other pixel.
    const Picture big(8, 8, true);
    Picture small(8, 8, false);
    stretch_into(big.cpixels(), small.pixels(), PixelRect{2, 2, 6, 6});
    EXPECT_TRUE(small.from(2, 2, 0, 0));
    EXPECT_TRUE(small.from(5, 5, 6, 6));
    EXPECT_TRUE(small.white(1, 1));
    EXPECT_TRUE(small.white(6, 6));
    // Larger than the destination: clipped, the visible part still maps from the whole rectangle.
    Picture clipped(4, 4, false);
    stretch_into(big.cpixels(), clipped.pixels(), PixelRect{-4, -4, 12, 12});  // 16 x 16 from 8 x 8
    EXPECT_TRUE(clipped.from(0, 0, 2, 2));
    EXPECT_TRUE(clipped.from(3, 3, 3, 3));
    // Empty rectangle or source: all white.
    Picture blank(3, 3, true);
    stretch_into(big.cpixels(), blank.pixels(), PixelRect{1, 1, 1, 3});
    EXPECT_TRUE(blank.white(1, 1));
}

TEST(Navigator, DegreesTravelInTenThousandths) {
    struct Case {
        const char* text;
        int32_t wparam;
    } const cases[] = {
        {"139.5000", 1395000},
        {"-35.2500", -352500},
        {"139.5005", 1395005},  // exact, though 139.5005 * 10000 falls just below in binary
        {"35.6789", 356789},
        {"-0.0001", -1},
        {"0.0000", 0},
        {"12", 120000},
        {"1.23456789", 12345},     // digits past the fourth decimal are dropped
        {"-1.99999", -19999},      // toward zero
        {"300000.0000", INT_MAX},  // saturates
        {"-300000.0000", INT_MIN},
        {"nan", 0},
        {"-inf", 0},
        {"", 0},
        {"-", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(degrees_text_to_wparam(c.text), c.wparam) << c.text;
    EXPECT_EQ(degrees_text_to_wparam(nullptr), 0);

    EXPECT_EQ(wparam_to_degrees(-352500), -35.25f);
    EXPECT_EQ(wparam_to_degrees(1395000), 139.5f);
    EXPECT_EQ(wparam_to_degrees(0), 0.0f);
    EXPECT_NEAR(wparam_to_degrees(356789), 35.6789f, 1e-5f);
}
