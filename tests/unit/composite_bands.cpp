// A picture drawn in bands of lines (as the render command draws large pictures) is byte for byte the
// picture drawn at once, also when scratch letters carry values from pixel to pixel; and which expressions
// can carry them.
#include <gtest/gtest.h>

#include <vector>

#include "calc/ecalc.h"
#include "display/Composite.h"
#include "scene/remos.h"
#include "tests/unit/remos_test_files.h"

namespace {

using namespace orvenna;

TEST(CompositeBands, ExpressionsThatCarryLetters) {
    struct Case {
        const char* red;
        bool carries;
    } cases[] = {{"a", false}, {"(c-d)/(c+d)*128+128", false}, {"x = x + 1", true}, {"x = a, x * 2", false},
                 {"y", true},  {"3 @ (z = z + a)", true}};
    for (const Case& c : cases) {
        CalcExpr* tree = ecalc_compile(c.red);
        ASSERT_NE(tree, nullptr) << c.red;
        EXPECT_EQ(ExpressionsCarryLetters({tree, nullptr, nullptr}, 4), c.carries) << c.red;
        ecalc_free(tree);
    }
}

TEST(CompositeBands, BandsPutTogetherAreThePictureDrawnAtOnce) {
    remos_test::TempDir dir;
    const std::string path = dir.file("n.vdm");
    remos_test::write_file(path, remos_test::native_file(97, 61, 2));
    SceneFile scene{};
    ASSERT_EQ(remos_open(&scene, path.c_str(), FMT_DETECT), REMOS_OK);
    CompositeBandRow rows[2];
    rows[0].band = &scene.bands[0];
    rows[1].band = &scene.bands[1];
    for (const char* red : {"a", "x = x + a / 50, x", "(a > 100) IF (y = y + 1), y * 3 + b"}) {
        CalcExpr* r = ecalc_compile(red);
        CalcExpr* g = ecalc_compile("b");
        ASSERT_NE(r, nullptr);
        for (int step : {3, 5, 7}) {
            SCOPED_TRACE(std::string(red) + " at step " + std::to_string(step));
            const ViewGeometry whole = compute_view_geometry(300, 200, 48, 30, step, 97, 61);
            const int height = whole.view_height;
            std::vector<uint8_t> once(size_t(300) * height * 3), banded(once.size());
            CompositeRenderer renderer;
            renderer.draw(rows, 2, {r, g, nullptr}, whole, {once.data(), 300, height, 900});
            // The region's lines in bands of 7 (the white margin above the region comes first).
            CompositeRenderer bands;
            const int top = whole.offset_y;
            const int F = whole.magnifying() ? whole.factor : 1;
            std::fill(banded.begin(), banded.end(), 0xFF);
            for (int first = 0; first < whole.lines; first += 7) {
                const ViewGeometry band = geometry_band(whole, first, 7);
                CompositeTarget target{banded.data() + size_t(top + first * F) * 900, 300, band.view_height,
                                       900};
                if (first == 0)
                    bands.draw(rows, 2, {r, g, nullptr}, band, target);
                else
                    bands.draw_next_band(rows, 2, {r, g, nullptr}, band, target);
            }
            EXPECT_EQ(banded, once);
        }
        ecalc_free(r);
        ecalc_free(g);
    }
    remos_close(&scene);
}

}  // namespace
