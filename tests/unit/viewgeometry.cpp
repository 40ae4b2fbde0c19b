// View geometry: steps, scales, the visible region and the view <-> image mapping, checked against values
// worked out by hand from the geometry rules.
#include <gtest/gtest.h>

#include "display/ViewGeometry.h"

using namespace orvenna;

TEST(ViewGeometry, StepsGiveScaleAndFactor) {
    const float scales[11] = {32, 16, 8, 4, 2, 1, 0.5f, 0.25f, 0.125f, 0.0625f, 0.03125f};
    const int factors[11] = {32, 16, 8, 4, 2, 1, 2, 4, 8, 16, 32};
    for (int step = 0; step <= 10; ++step) {
        EXPECT_EQ(zoom_scale_for_step(step), scales[step]) << step;
        EXPECT_EQ(zoom_factor_for_step(step), factors[step]) << step;
    }
    EXPECT_EQ(zoom_scale_for_step(-3), 32.0f);
    EXPECT_EQ(zoom_scale_for_step(14), 0.03125f);
}

struct GeometryCase {
    const char* name;
    int w, h, hpos, vpos, step, img_w, img_h;
    int first_column, first_line, off_x, off_y, vox, voy, columns, lines;
};

TEST(ViewGeometry, VisibleRegion) {
    const GeometryCase cases[] = {
        // Start-up state: the image's top-left corner at the view centre.
        {"origin 1:1", 800, 600, 0, 0, 5, 1000, 1000, 0, 0, 400, 300, 0, 0, 400, 300},
        {"origin x4, clipped by image", 800, 600, 0, 0, 3, 100, 50, 0, 0, 400, 300, 0, 0, 100, 50},
        {"inside 1:1", 800, 600, 500, 400, 5, 1000, 1000, 100, 100, 0, 0, 0, 0, 800, 600},
        // 20 - 500/32 = 4.375: first column 4, centre pixel 20 drawn at (20-4)*32 = 512 = 500 - (-12).
        {"x32 fractional start", 1000, 1000, 20, 20, 0, 100, 100, 4, 4, 0, 0, -12, -12, 31, 31},
        {"1/8 inside", 1000, 700, 5000, 5000, 8, 16000, 16000, 1000, 2200, 0, 0, 0, 0, 1000, 700},
        // 16000 < 1000*8 + 11000: columns = (16000 - 11000) div 8.
        {"1/8 right edge", 1000, 700, 15000, 15000, 8, 16000, 16000, 11000, 12200, 0, 0, 0, 0, 625, 475},
        // Odd width: 1001 * 0.5 * 4 = 2002 left of the image, offset trunc(2002 / 4) = 500.
        {"1/4 odd width", 1001, 11, 0, 0, 7, 1000, 1000, 0, 0, 500, 5, 0, 0, 250, 6},
        {"odd width 1:1", 1001, 601, 0, 0, 5, 2000, 2000, 0, 0, 500, 300, 0, 0, 501, 301},
        {"1/2 near origin", 10, 10, 3, 3, 6, 100, 100, 0, 0, 3, 3, 0, 0, 7, 7},
        // 3 - 50/16 = -0.125 truncates to 0, which is not left of the image: no offset, ViewOffset 50-48 = 2.
        {"x16 start truncates to 0", 100, 100, 3, 3, 1, 100, 100, 0, 0, 0, 0, 2, 2, 6, 6},
        {"empty view", 0, 0, 0, 0, 5, 100, 100, 0, 0, 0, 0, 0, 0, 0, 0},
        {"scrolled past the image", 100, 100, 500, 500, 5, 100, 100, 450, 450, 0, 0, 0, 0, 0, 0},
    };
    for (const GeometryCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ViewGeometry g = compute_view_geometry(c.w, c.h, c.hpos, c.vpos, c.step, c.img_w, c.img_h);
        EXPECT_EQ(g.first_column, c.first_column);
        EXPECT_EQ(g.first_line, c.first_line);
        EXPECT_EQ(g.offset_x, c.off_x);
        EXPECT_EQ(g.offset_y, c.off_y);
        EXPECT_EQ(g.view_offset_x, c.vox);
        EXPECT_EQ(g.view_offset_y, c.voy);
        EXPECT_EQ(g.columns, c.columns);
        EXPECT_EQ(g.lines, c.lines);
    }
}

TEST(ViewGeometry, PointerReadoutFollowsTheDrawing) {
    // x32 with the centre pixel 20 drawn at 512..543: screen 500 lies in pixel 19's block.
    const ViewGeometry g = compute_view_geometry(1000, 1000, 20, 20, 0, 100, 100);
    EXPECT_EQ(image_column_at(g, 500), 19);
    EXPECT_EQ(image_column_at(g, 512), 20);
    EXPECT_EQ(image_column_at(g, 543), 20);
    EXPECT_EQ(image_column_at(g, 544), 21);
    EXPECT_EQ(g.centre_screen_x(), 512);

    // Left of the image the readout is 0, never negative.
    const ViewGeometry origin = compute_view_geometry(800, 600, 0, 0, 5, 100, 100);
    EXPECT_EQ(image_column_at(origin, 10), 0);
    EXPECT_EQ(image_line_at(origin, 310), 10);
    // Reduced: every screen pixel stands for 8 image pixels.
    const ViewGeometry reduced = compute_view_geometry(1000, 700, 5000, 5000, 8, 16000, 16000);
    EXPECT_EQ(image_column_at(reduced, 500), 5000);
    EXPECT_EQ(image_column_at(reduced, 501), 5008);
}

TEST(ViewGeometry, ScreenBlocksAndDrawnPixelsAgree) {
    const ViewGeometry views[] = {
        compute_view_geometry(97, 61, 7, 5, 3, 40, 30),
        compute_view_geometry(97, 61, 0, 0, 5, 40, 30),
        compute_view_geometry(97, 61, 60, 33, 7, 300, 200),
        compute_view_geometry(64, 64, 3, 3, 0, 10, 10),
    };
    for (const ViewGeometry& g : views) {
        int drawn = 0;
        for (int y = 0; y < g.view_height; ++y) {
            for (int x = 0; x < g.view_width; ++x) {
                int col, line;
                if (!drawn_image_pixel_at(g, x, y, &col, &line)) continue;
                ++drawn;
                ASSERT_GE(col, 0);
                ASSERT_LT(col, g.image_width);
                ASSERT_LT(line, g.image_height);
                ScreenBlock block;
                ASSERT_TRUE(screen_block_of(g, col, line, &block));
                EXPECT_LE(block.x, x);
                EXPECT_LT(x, block.x + block.size);
                EXPECT_LE(block.y, y);
                EXPECT_LT(y, block.y + block.size);
            }
        }
        const int per_pixel = g.magnifying() ? g.factor * g.factor : 1;
        EXPECT_EQ(drawn, g.columns * g.lines * per_pixel);
    }
    // A skipped image pixel of a reduced view has no block.
    const ViewGeometry reduced = compute_view_geometry(100, 100, 200, 200, 7, 1000, 1000);
    ScreenBlock block;
    EXPECT_FALSE(screen_block_of(reduced, reduced.first_column + 1, reduced.first_line, &block));
    EXPECT_TRUE(screen_block_of(reduced, reduced.first_column + 4, reduced.first_line, &block));
    EXPECT_EQ(block.x, reduced.offset_x + 1);
}

TEST(ViewGeometry, FitStepIsTheLargestWholeScene) {
    struct Case {
        int w, h, iw, ih, step;
    } cases[] = {
        {800, 600, 41, 41, 2},       // a 41 x 41 clip: x8 (328) fits, x16 (656) does not
        {800, 600, 800, 600, 5},     // exactly 1:1
        {800, 600, 801, 600, 6},     // one column too many: 1/2
        {1000, 700, 7801, 7921, 9},  // a Landsat band: 1/16
        {100, 100, 100000, 10, 10},  // too large even at 1/32: the largest reduction
        {300, 200, 1, 1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fit_zoom_step(c.w, c.h, c.iw, c.ih), c.step) << c.iw << "x" << c.ih;
        const ViewGeometry g = compute_view_geometry(c.w, c.h, c.iw / 2, c.ih / 2, c.step, c.iw, c.ih);
        if (c.step < kMaxZoomStep) {
            EXPECT_EQ(g.first_column, 0);  // the whole scene is drawn
        }
    }
}

// Zooming around the pointer keeps the image pixel under it where it is, unless the scroll range stops it.
TEST(ViewGeometry, AnchoredZoomKeepsThePixelUnderThePointer) {
    const int w = 1000, h = 700, iw = 5000, ih = 4000;
    int kept = 0;
    for (int step = 1; step <= 7; ++step) {
        for (int to : {step - 1, step + 1}) {
            for (const auto& [x, y] : {std::pair{500, 350}, {10, 690}, {999, 0}, {123, 456}}) {
                const ViewGeometry before = compute_view_geometry(w, h, 2500, 2000, step, iw, ih);
                int sx = 0, sy = 0;
                anchored_zoom_scroll(before, to, x, y, &sx, &sy);
                const ViewGeometry after = compute_view_geometry(w, h, sx, sy, to, iw, ih);
                EXPECT_EQ(image_column_at(after, x), image_column_at(before, x)) << step << "->" << to;
                EXPECT_EQ(image_line_at(after, y), image_line_at(before, y)) << step << "->" << to;
                ++kept;
            }
        }
    }
    EXPECT_EQ(kept, 56);
    // Near the scene's corner the scroll range stops the anchor: positions stay within the scene.
    const ViewGeometry corner = compute_view_geometry(w, h, 100, 100, 5, iw, ih);
    int sx = -1, sy = -1;
    anchored_zoom_scroll(corner, 9, w - 1, h / 2, &sx, &sy);
    EXPECT_EQ(sx, 0);    // 599 - 499 * 16 lies left of the scene
    EXPECT_EQ(sy, 100);  // the centre line stays
}
