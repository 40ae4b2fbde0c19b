// The composite redraw: geometry on screen, white outside the image, stretch on each path, letter cells
// shared across channels and pixels, picture rows. Every case runs through the reference evaluator and
// through the fast renderer (with and without its result cache), against values computed here pixel by pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "display/Composite.h"
#include "tests/unit/composite_support.h"

using namespace orvenna;
using namespace composite_test;

namespace {

bool is_white(const uint8_t* p) {
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

class CompositeTest : public ::testing::Test {
protected:
    std::filesystem::path dir = make_temp_dir();
    void TearDown() override { std::filesystem::remove_all(dir); }
};

}  // namespace

TEST(CompositeClamp, ClampToByte) {
    const struct {
        double in;
        int out;
    } cases[] = {{300, 255},
                 {-5, 0},
                 {254.9, 254},
                 {0.999, 0},
                 {255, 255},
                 {255.5, 255},
                 {-0.5, 0},
                 {std::nan(""), 0},
                 {std::numeric_limits<double>::infinity(), 255},
                 {-std::numeric_limits<double>::infinity(), 0},
                 {std::sqrt(-1.0), 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ClampToByte(c.in), c.out) << c.in;
}

TEST(CompositePicture, ReadPictureRowTakesTheChannelAndClips) {
    const int w = 6, h = 3;
    std::vector<uint8_t> pic(static_cast<size_t>(w * 3 + 2) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = pic.data() + y * (w * 3 + 2) + x * 3;
            p[0] = static_cast<uint8_t>(100 + 10 * y + x);  // blue
            p[1] = static_cast<uint8_t>(50 + 10 * y + x);   // green
            p[2] = static_cast<uint8_t>(10 * y + x);        // red
        }
    }
    BandInfo bands[3] = {};
    for (int k = 0; k < 3; ++k) {
        bands[k].index = k;
        bands[k].width = w;
        bands[k].lines = h;
    }
    CompositeBandRow row;
    row.picture = pic.data();
    row.picture_stride = w * 3 + 2;
    row.picture_width = w;
    row.picture_height = h;

    unsigned char dest[16];
    const int base[3] = {0, 50, 100};  // red, green, blue
    for (int k = 0; k < 3; ++k) {
        row.band = &bands[k];
        std::memset(dest, 0xEE, sizeof dest);
        EXPECT_EQ(ReadPictureRow(row, dest, 1, 2, 3), 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(dest[i], base[k] + 10 + 2 + i);
        EXPECT_EQ(dest[3], 0xEE);
        // Line beyond the picture reads the last line; the run stops at the right edge.
        std::memset(dest, 0xEE, sizeof dest);
        EXPECT_EQ(ReadPictureRow(row, dest, 9, 4, 10), 2);
        EXPECT_EQ(dest[0], base[k] + 20 + 4);
        EXPECT_EQ(dest[1], base[k] + 20 + 5);
        EXPECT_EQ(dest[2], 0xEE);
        // x0 beyond the width is clipped to the last column.
        EXPECT_EQ(ReadPictureRow(row, dest, 0, 50, 4), 1);
        EXPECT_EQ(dest[0], base[k] + 5);
    }
    // A band record claiming more than the picture holds is not trusted past the picture.
    bands[0].width = 1000;
    bands[0].lines = 1000;
    row.band = &bands[0];
    EXPECT_EQ(ReadPictureRow(row, dest, 999, 0, 1000), w);
    EXPECT_EQ(dest[5], 25);
}

TEST_F(CompositeTest, GreyAtOriginThroughRangeWhiteOutside) {
    auto s =
        make_scene(dir, 30, 20, 2, [](int b, int x, int y) { return uint8_t((x * 7 + y * 13 + b) % 256); });
    remos_set_range(&s->file.bands[0], 100, 40);  // high, low
    Texts texts("a", "a", "a");
    const ViewGeometry g = compute_view_geometry(64, 48, 0, 0, 5, 30, 20);
    for (Engine e : kEngines) {
        SCOPED_TRACE(engine_name(e));
        Picture pic(64, 48);
        draw(e, s->rows, texts, g, pic);
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 64; ++x) {
                const uint8_t* p = pic.px(x, y);
                const int ix = x - 32, iy = y - 24;  // image's top-left corner at the view centre
                if (ix < 0 || iy < 0 || ix >= 30 || iy >= 20) {
                    ASSERT_TRUE(is_white(p)) << x << "," << y;
                    continue;
                }
                const int v = stretch(s->at(0, ix, iy), 40, 100);
                ASSERT_EQ(p[0], v) << x << "," << y;
                ASSERT_EQ(p[1], v);
                ASSERT_EQ(p[2], v);
            }
        }
    }
}

TEST_F(CompositeTest, MagnifiedBlocksWithStretch) {
    auto s = make_scene(dir, 12, 9, 3, [](int b, int x, int y) { return uint8_t(x * 20 + y * 3 + b * 50); });
    remos_set_range(&s->file.bands[1], 200, 20);
    Texts texts("a", "b", "c / 2");
    // x4 at scroll (5, 4): 5 - 40/4 = -5 -> the image starts 20 pixels in; 4 - 30/4 = -3.5 -> 14 pixels down.
    const ViewGeometry g = compute_view_geometry(80, 60, 5, 4, 3, 12, 9);
    ASSERT_EQ(g.offset_x, 20);
    ASSERT_EQ(g.offset_y, 14);
    for (Engine e : kEngines) {
        SCOPED_TRACE(engine_name(e));
        Picture pic(80, 60);
        draw(e, s->rows, texts, g, pic);
        for (int y = 0; y < 60; ++y) {
            for (int x = 0; x < 80; ++x) {
                const uint8_t* p = pic.px(x, y);
                const int dx = x - 20, dy = y - 14;
                const int ix = dx >= 0 ? dx / 4 : -1, iy = dy >= 0 ? dy / 4 : -1;
                if (ix < 0 || iy < 0 || ix >= 12 || iy >= 9) {
                    ASSERT_TRUE(is_white(p)) << x << "," << y;
                    continue;
                }
                ASSERT_EQ(p[2], s->at(0, ix, iy)) << x << "," << y;
                ASSERT_EQ(p[1], stretch(s->at(1, ix, iy), 20, 200)) << x << "," << y;
                ASSERT_EQ(p[0], s->at(2, ix, iy) / 2) << x << "," << y;
            }
        }
    }
}

TEST_F(CompositeTest, ReducedSamplesEveryFthPixelThroughStretchValue) {
    auto s =
        make_scene(dir, 200, 150, 2, [](int b, int x, int y) { return uint8_t((x * 3 + y * 5) * (b + 1)); });
    remos_set_range(&s->file.bands[0], 180, 60);
    Texts texts("a", "b", "a + b");
    // 1/4 at (100, 80) in a 40 x 30 view: first column 100 - 80 = 20, first line 80 - 60 = 20.
    const ViewGeometry g = compute_view_geometry(40, 30, 100, 80, 7, 200, 150);
    ASSERT_EQ(g.first_column, 20);
    ASSERT_EQ(g.first_line, 20);
    ASSERT_EQ(g.columns, 40);
    ASSERT_EQ(g.lines, 30);
    for (Engine e : kEngines) {
        SCOPED_TRACE(engine_name(e));
        Picture pic(40, 30);
        draw(e, s->rows, texts, g, pic);
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) {
                const int ix = 20 + 4 * x, iy = 20 + 4 * y;
                const int a = stretch(s->at(0, ix, iy), 60, 180);
                const int b = s->at(1, ix, iy);
                const uint8_t* p = pic.px(x, y);
                ASSERT_EQ(p[2], a) << x << "," << y;
                ASSERT_EQ(p[1], b);
                ASSERT_EQ(p[0], std::min(255, a + b));
            }
        }
    }
}

TEST_F(CompositeTest, SixteenBitBandUsesItsRangeOnlyWhenReduced) {
    // A 16-bit raw band (big-endian): value k * 257 + 100 reads as the 8-bit k.
    const int w = 64, h = 32;
    const std::string path = (dir / "band16.raw").string();
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int v = ((x * 4 + y) % 255) * 257 + 100;
            const unsigned char be[2] = {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
            std::fwrite(be, 1, 2, f);
        }
    }
    std::fclose(f);
    SceneFile scene{};
    ASSERT_EQ(remos_open(&scene, path.c_str(), FMT_OPEN_ONLY), 1);
    ASSERT_EQ(remos_describe_raw_single(&scene, 0, 0, 0, h, w * 2, 16), 1);
    remos_set_range(&scene.bands[0], 100, 50);
    std::vector<unsigned char> buf(w);
    std::vector<CompositeBandRow> rows(1);
    rows[0].band = &scene.bands[0];
    rows[0].line_buf = buf.data();
    rows[0].line_buf_size = w;
    Texts texts("a", "a", "a");

    const ViewGeometry unit = compute_view_geometry(w, h, w / 2, h / 2, 5, w, h);  // whole image, 1:1
    const ViewGeometry half = compute_view_geometry(w / 2, h / 2, w / 2, h / 2, 6, w, h);
    ASSERT_EQ(unit.first_column, 0);
    ASSERT_EQ(half.first_column, 0);
    for (Engine e : kEngines) {
        SCOPED_TRACE(engine_name(e));
        Picture p1(w, h), p2(w / 2, h / 2);
        draw(e, rows, texts, unit, p1);
        draw(e, rows, texts, half, p2);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(p1.px(x, y)[0], (x * 4 + y) % 255) << x << "," << y;
        }
        for (int y = 0; y < h / 2; ++y) {
            for (int x = 0; x < w / 2; ++x) {
                ASSERT_EQ(p2.px(x, y)[0], stretch((x * 8 + y * 2) % 255, 50, 100)) << x << "," << y;
            }
        }
    }
    remos_close(&scene);
}

// Letter cells are shared by the three channels of a pixel and scratch letters carry over from pixel to
// pixel, in drawing order (image line, screen line within it, column).
TEST_F(CompositeTest, LetterCellsCarryOverAcrossChannelsAndPixels) {
    const int w = 7, h = 5;
    auto s = make_scene(dir, w, h, 2, [](int b, int x, int y) { return uint8_t(x * 31 + y * 17 + b * 101); });
    struct Case {
        const char* name;
        const char* r;
        const char* g;
        const char* b;
        int step;
    };
    const Case cases[] = {
        {"green sees red's scratch", "x = a", "x", "0", 5},
        {"counter over every evaluation, x2", "x = x + 1", "0", "0", 4},
        {"counter over every evaluation, x4", "0", "x = x + 1", "x", 3},
        {"scratch read before assignment", "y", "y = a", "0", 5},
        {"band letter assigned for later channels", "a = 255 - a", "a", "b", 4},
        {"scratch carried, reduced", "q", "q = a + b", "q - a", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ViewGeometry g = compute_view_geometry(40, 30, 0, 0, c.step, w, h);
        const int F = g.factor;
        // Expected picture, simulated in drawing order.
        Picture want(40, 30);
        std::memset(want.bytes.data(), 255, want.bytes.size());
        double x = 0, y = 0, q = 0;
        auto put = [&](int sx, int sy, int n, int rr, int gg, int bb) {
            for (int m = 0; m < n; ++m) {
                uint8_t* p = want.bytes.data() + sy * want.stride + (sx + m) * 3;
                p[0] = static_cast<uint8_t>(std::clamp(bb, 0, 255));
                p[1] = static_cast<uint8_t>(std::clamp(gg, 0, 255));
                p[2] = static_cast<uint8_t>(std::clamp(rr, 0, 255));
            }
        };
        const bool magnify = g.magnifying();
        const int per_line = magnify ? F : 1;
        for (int j = 0; j < g.lines; ++j) {
            for (int k = 0; k < per_line; ++k) {
                for (int i = 0; i < g.columns; ++i) {
                    const int ix = g.first_column + (magnify ? i : i * F);
                    const int iy = g.first_line + (magnify ? j : j * F);
                    const int a = s->at(0, ix, iy), b = s->at(1, ix, iy);
                    int rr, gg, bb;
                    const std::string name = c.name;
                    if (name == "green sees red's scratch") {
                        x = a;
                        rr = a, gg = a, bb = 0;
                    } else if (name.rfind("counter", 0) == 0 && c.r[0] == 'x') {
                        x += 1;
                        rr = static_cast<int>(x), gg = 0, bb = 0;
                    } else if (name.rfind("counter", 0) == 0) {
                        x += 1;
                        rr = 0, gg = static_cast<int>(x), bb = static_cast<int>(x);
                    } else if (name == "scratch read before assignment") {
                        rr = static_cast<int>(y);
                        y = a;
                        gg = a, bb = 0;
                    } else if (name == "band letter assigned for later channels") {
                        rr = 255 - a, gg = 255 - a, bb = b;
                    } else {
                        rr = static_cast<int>(q);
                        q = a + b;
                        gg = static_cast<int>(q), bb = static_cast<int>(q) - a;
                    }
                    const int sx = g.offset_x + (magnify ? i * F : i);
                    const int sy = g.offset_y + (magnify ? j * F + k : j);
                    put(sx, sy, per_line, rr, gg, bb);
                }
            }
        }
        Texts texts(c.r, c.g, c.b);
        for (Engine e : kEngines) {
            SCOPED_TRACE(engine_name(e));
            Picture pic(40, 30);
            draw(e, s->rows, texts, g, pic);
            EXPECT_TRUE(pic.same_pixels(want));
        }
    }
}

TEST_F(CompositeTest, MoreThanTwentySixBandsDrawWithTheFirstTwentySix) {
    auto s = make_scene(dir, 8, 6, 28, [](int b, int x, int y) { return uint8_t(b * 9 + x + y); });
    Texts texts("z", "a", "b + 0");  // z is band row 26 (index 25); rows 27 and 28 have no letter
    const ViewGeometry g = compute_view_geometry(8, 6, 4, 3, 5, 8, 6);
    for (Engine e : kEngines) {
        SCOPED_TRACE(engine_name(e));
        Picture pic(8, 6);
        draw(e, s->rows, texts, g, pic);
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 8; ++x) {
                ASSERT_EQ(pic.px(x, y)[2], s->at(25, x, y));
                ASSERT_EQ(pic.px(x, y)[1], s->at(0, x, y));
                ASSERT_EQ(pic.px(x, y)[0], s->at(1, x, y));
            }
        }
    }
}

TEST_F(CompositeTest, UncompilableChannelIsBlackAndPictureRowsDraw) {
    // A scene band next to the three channel rows of a picture.
    const int w = 10, h = 8;
    auto s = make_scene(dir, w, h, 1, [](int, int x, int y) { return uint8_t(x + 10 * y); });
    std::vector<uint8_t> pic_bytes(static_cast<size_t>(w) * 3 * h);
    for (int i = 0; i < w * h; ++i) {
        pic_bytes[3 * i] = static_cast<uint8_t>(i);            // blue
        pic_bytes[3 * i + 1] = static_cast<uint8_t>(2 * i);    // green
        pic_bytes[3 * i + 2] = static_cast<uint8_t>(255 - i);  // red
    }
    BandInfo pic_bands[3] = {};
    std::vector<std::vector<unsigned char>> bufs(3, std::vector<unsigned char>(w));
    for (int k = 0; k < 3; ++k) {
        pic_bands[k].index = k;
        pic_bands[k].bits = 8;
        pic_bands[k].width = w;
        pic_bands[k].lines = h;
        pic_bands[k].range_low = 0;
        pic_bands[k].range_high = 255;
        CompositeBandRow row;
        row.band = &pic_bands[k];
        row.picture = pic_bytes.data();
        row.picture_stride = w * 3;
        row.picture_width = w;
        row.picture_height = h;
        row.line_buf = bufs[k].data();
        row.line_buf_size = w;
        s->rows.push_back(row);
    }
    pic_bands[2].range_low = 10;  // the picture's blue channel through 10..90
    pic_bands[2].range_high = 90;
    const ViewGeometry g = compute_view_geometry(w, h, w / 2, h / 2, 5, w, h);
    {
        Texts texts("b + ", "c", "d");  // red does not compile
        ASSERT_EQ(texts.trees[0], nullptr);
        for (Engine e : kEngines) {
            SCOPED_TRACE(engine_name(e));
            Picture pic(w, h);
            draw(e, s->rows, texts, g, pic);
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const int i = y * w + x;
                    ASSERT_EQ(pic.px(x, y)[2], 0);
                    ASSERT_EQ(pic.px(x, y)[1], 2 * i % 256);
                    ASSERT_EQ(pic.px(x, y)[0], stretch(i, 10, 90));
                }
            }
        }
    }
    {
        Texts texts("b", "a", "300");
        for (Engine e : kEngines) {
            SCOPED_TRACE(engine_name(e));
            Picture pic(w, h);
            draw(e, s->rows, texts, g, pic);
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    ASSERT_EQ(pic.px(x, y)[2], 255 - (y * w + x));
                    ASSERT_EQ(pic.px(x, y)[1], x + 10 * y);
                    ASSERT_EQ(pic.px(x, y)[0], 255);
                }
            }
        }
    }
}

TEST_F(CompositeTest, LineBufferTooSmallIsNeverOverrun) {
    auto s = make_scene(dir, 16, 4, 1, [](int, int x, int y) { return uint8_t(x + y); });
    std::vector<unsigned char> tiny(4 + 8, 0xCD);  // 4 usable bytes and a guard
    s->rows[0].line_buf = tiny.data();
    s->rows[0].line_buf_size = 4;
    Texts texts("a", "a", "a");
    const ViewGeometry g = compute_view_geometry(16, 4, 8, 2, 5, 16, 4);
    for (Engine e : kEngines) {
        Picture pic(16, 4);
        draw(e, s->rows, texts, g, pic);
        EXPECT_EQ(pic.px(5, 1)[0], 6) << engine_name(e);
        for (size_t i = 4; i < tiny.size(); ++i)
            ASSERT_EQ(tiny[i], 0xCD);
    }
}
