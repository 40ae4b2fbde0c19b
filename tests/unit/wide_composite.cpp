// The composite draws bands wider than 8 bits through their display range in their own values, the same
// way at 1:1, magnified and reduced, with every evaluator; bands without a usable range fall back as
// documented.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "display/Composite.h"
#include "display/ViewGeometry.h"
#include "display/WideBandMapping.h"
#include "tests/unit/composite_support.h"
#include "tests/unit/gdal_test_files.h"
#include "tests/unit/wide_bands.h"

using namespace orvenna;
using composite_test::draw;
using composite_test::Engine;
using composite_test::Picture;
using composite_test::Texts;

namespace {

// The byte of a value, written out from the definition.
int expected_byte(double v, double low, double high, bool nodata) {
    if (nodata || std::isnan(v) || v <= low) return 0;
    if (v >= high) return 255;
    return static_cast<int>(std::trunc(255.999999 * (v - low) / (high - low)));
}

struct MappingCase {
    const char* name;
    int type;
    std::function<double(int, int)> value;
    double low, high;
    bool has_nodata;
    double nodata;
};

TEST(WideComposite, EveryZoomStepShowsTheSameBytesThroughTheDisplayRange) {
    remos_test::TempDir dir;
    const int w = 75, h = 53;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const MappingCase cases[] = {
        {"u16, range inside the values, no-data 0", REMOS_SAMPLE_U16,
         [](int x, int y) { return (x + y) % 11 == 0 ? 0 : 500 + 29 * x + 13 * y; }, 1000, 1500, true, 0},
        {"i16 negative", REMOS_SAMPLE_I16, [](int x, int y) { return -3000 + 97 * x - 41 * y; }, -2500, 1200,
         false, 0},
        {"u32", REMOS_SAMPLE_U32, [](int x, int y) { return 4e9 - 3e7 * x - 1e6 * y; }, 2.5e9, 3.9e9, false,
         0},
        {"f32 with NaN and no-data 0.1", REMOS_SAMPLE_F32,
         [=](int x, int y) { return x == y       ? nan
                                    : x == 2 * y ? 0.1
                                                 : 0.01 * x - 0.02 * y + 0.123; }, -0.25,
         0.5, true, 0.1},
        {"f64, no-data -1", REMOS_SAMPLE_F64, [](int x, int y) { return x % 9 == 4 ? -1 : 1e-3 * x * y; },
         0.1, 2.0, true, -1},
    };
    struct View {
        int vw, vh, sx, sy, step;
    };
    const View views[] = {{90, 70, 37, 26, 5}, {60, 44, 30, 20, 3}, {48, 40, 20, 25, 2},
                          {40, 30, 37, 26, 6}, {25, 20, 30, 20, 7}, {9, 7, 40, 30, 9}};
    for (const MappingCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto b = wide_test::raw_band(dir, "band.raw", c.type, w, h, c.value);
        ASSERT_TRUE(b);
        BandInfo* band = b->band();
        band->has_nodata = c.has_nodata ? 1 : 0;
        band->nodata = c.nodata;
        band->display_low = c.low;
        band->display_high = c.high;
        std::vector<unsigned char> buf(static_cast<size_t>(w));
        std::vector<CompositeBandRow> rows(1);
        rows[0].band = band;
        rows[0].line_buf = buf.data();
        rows[0].line_buf_size = w;
        Texts texts("a", "255 - a", "a / 2");
        // The same band read as stored values beside its bytes: numbers as the texts write them.
        const std::string low_text = std::to_string(c.low), span_text = std::to_string(c.high - c.low),
                          middle_text = std::to_string((c.low + c.high) / 2);
        const double low = std::stod(low_text), span = std::stod(span_text), middle = std::stod(middle_text);
        Texts stored("( #a - ( " + low_text + " ) ) * 255 / " + span_text, "a",
                     "( #a < " + middle_text + " ) * 200");
        int mapped_seen[3] = {0, 0, 0};  // pixels at 0, inside, at 255: every case reaches all three
        int missing_seen = 0;
        for (const View& v : views) {
            const ViewGeometry g = compute_view_geometry(v.vw, v.vh, v.sx, v.sy, v.step, w, h);
            for (Engine e : {Engine::Reference, Engine::Fast, Engine::FastUncached}) {
                SCOPED_TRACE(testing::Message() << "step " << v.step << " engine " << static_cast<int>(e));
                Picture pic(v.vw, v.vh), pic_stored(v.vw, v.vh);
                draw(e, rows, texts, g, pic);
                draw(e, rows, stored, g, pic_stored);
                for (int y = 0; y < v.vh; ++y) {
                    for (int x = 0; x < v.vw; ++x) {
                        const uint8_t* p = pic.px(x, y);
                        const uint8_t* q = pic_stored.px(x, y);
                        int col, line;
                        if (!drawn_image_pixel_at(g, x, y, &col, &line)) {
                            ASSERT_TRUE(p[0] == 255 && p[1] == 255 && p[2] == 255) << x << "," << y;
                            ASSERT_TRUE(q[0] == 255 && q[1] == 255 && q[2] == 255) << x << "," << y;
                            continue;
                        }
                        const double value = b->values[static_cast<size_t>(line) * w + col];
                        // Pixels without data take the view's colour for them (white), whatever the texts.
                        if (std::isnan(value) || wide_test::is_nodata(value, *band)) {
                            ASSERT_TRUE(p[0] == 255 && p[1] == 255 && p[2] == 255) << col << "," << line;
                            ASSERT_TRUE(q[0] == 255 && q[1] == 255 && q[2] == 255) << col << "," << line;
                            ++missing_seen;
                            continue;
                        }
                        const int want = expected_byte(value, c.low, c.high, false);
                        ASSERT_EQ(p[2], want) << "pixel " << col << "," << line << " value " << value;
                        ASSERT_EQ(p[1], 255 - want);
                        ASSERT_EQ(p[0], want / 2);
                        ASSERT_EQ(q[2], ClampToByte((value - low) * 255 / span)) << "stored " << value;
                        ASSERT_EQ(q[1], want);
                        ASSERT_EQ(q[0], value < middle ? 200 : 0);
                        mapped_seen[want == 0 ? 0 : want == 255 ? 2 : 1]++;
                    }
                }
            }
        }
        EXPECT_GT(mapped_seen[0], 0);
        EXPECT_GT(mapped_seen[1], 0);
        EXPECT_GT(mapped_seen[2], 0);
        EXPECT_EQ(missing_seen > 0, c.has_nodata);
    }
}

// Without a display range the value span is used; without either the band draws as before: remos_read_row's
// conversion, and the 8-bit range when reduced.
// An 8-bit band whose no-data value is a byte: its pixels take the view's colour for them at every zoom,
// with every evaluator, whether or not the expression reads the band at all.
TEST(WideComposite, EightBitNoDataTakesItsOwnColour) {
    remos_test::TempDir dir;
    const int w = 40, h = 30;
    auto b = wide_test::raw_band(dir, "bytes.raw", REMOS_SAMPLE_U8, w, h,
                                 [](int x, int y) { return (x * 7 + y * 3) % 50; });
    ASSERT_TRUE(b);
    BandInfo* band = b->band();
    band->has_nodata = 1;
    band->nodata = 7;
    std::vector<unsigned char> buf(static_cast<size_t>(w));
    std::vector<CompositeBandRow> rows(1);
    rows[0].band = band;
    rows[0].line_buf = buf.data();
    rows[0].line_buf_size = w;
    for (const char* text : {"a * 5", "200"}) {
        const bool reads = text[0] == 'a';
        Texts texts(text, text, text);
        for (const int step : {5, 3, 7}) {
            const ViewGeometry g = compute_view_geometry(50, 40, 20, 15, step, w, h);
            for (Engine e : {Engine::Reference, Engine::Fast, Engine::FastUncached}) {
                SCOPED_TRACE(testing::Message()
                             << text << " step " << step << " engine " << static_cast<int>(e));
                Picture pic(50, 40);
                draw(e, rows, texts, g, pic);
                int missing = 0;
                for (int y = 0; y < 40; ++y)
                    for (int x = 0; x < 50; ++x) {
                        int col, line;
                        if (!drawn_image_pixel_at(g, x, y, &col, &line)) continue;
                        const double value = b->values[static_cast<size_t>(line) * w + col];
                        const uint8_t* p = pic.px(x, y);
                        const int want = reads && value == 7 ? 255 : reads ? int(value) * 5 : 200;
                        ASSERT_EQ(p[2], want) << col << "," << line;
                        missing += reads && value == 7;
                    }
                // Every image pixel is drawn at 1:1 and magnified.
                if (step <= 5) {
                    EXPECT_EQ(missing > 0, reads);
                }
            }
        }
    }
}

TEST(WideComposite, BandsWithoutARangeFallBack) {
    remos_test::TempDir dir;
    const int w = 40, h = 30;
    auto b = wide_test::raw_band(dir, "u16.raw", REMOS_SAMPLE_U16, w, h,
                                 [](int x, int y) { return 20000 + 300 * x + 7 * y; });
    ASSERT_TRUE(b);
    BandInfo* band = b->band();
    band->range_low = 0;
    band->range_high = 255;
    std::vector<unsigned char> buf(static_cast<size_t>(w));
    std::vector<CompositeBandRow> rows(1);
    rows[0].band = band;
    rows[0].line_buf = buf.data();
    rows[0].line_buf_size = w;
    Texts texts("a", "a", "a");
    const ViewGeometry unit = compute_view_geometry(w, h, w / 2, h / 2, 5, w, h);
    const ViewGeometry half = compute_view_geometry(w / 2, h / 2, w / 2, h / 2, 6, w, h);

    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind == 0   ? "no range, no histogram"
                     : kind == 1 ? "value span"
                                 : "inverted display range");
        if (kind == 1) {
            ASSERT_EQ(remos_make_band_histogram(band, nullptr, nullptr), 1);
        }
        if (kind == 2) {
            band->display_low = 30000;
            band->display_high = 25000;  // not usable: the value span again
        }
        for (Engine e : {Engine::Reference, Engine::Fast}) {
            Picture p1(w, h), p2(w / 2, h / 2);
            draw(e, rows, texts, unit, p1);
            draw(e, rows, texts, half, p2);
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const double v = b->values[static_cast<size_t>(y) * w + x];
                    const int want = kind == 0 ? static_cast<int>(v * 255 / 65535)
                                               : expected_byte(v, band->value_min, band->value_max, false);
                    ASSERT_EQ(p1.px(x, y)[0], want) << x << "," << y;
                    if (x % 2 == 0 && y % 2 == 0) {
                        ASSERT_EQ(p2.px(x / 2, y / 2)[0], want) << x << "," << y;
                    }
                }
            }
        }
    }
}

// A reduced view of a GDAL band with overviews shows the overview (here each value the average of its 2 x 2
// block, 505 above the block's first value), in every evaluator; without overviews the samples themselves.
TEST(WideComposite, ReducedViewsOfAGdalBandTakeItsOverviews) {
    remos_test::TempDir dir;
    const int w = 64, h = 64;
    auto value = [](int x, int y) { return 1000.0 + 10 * x + 1000 * y; };
    const std::string src =
        gdal_test::write_envi(dir.file("src"), w, h, 1, [&](int, int x, int y) { return value(x, y); });
    const std::string plain = dir.file("plain.tif"), ovr = dir.file("ovr.tif");
    ASSERT_TRUE(gdal_test::translate(src, plain, "-ot UInt16"));
    ASSERT_TRUE(gdal_test::translate(src, ovr, "-ot UInt16"));
    bool ok = false;
    gdal_test::shell("gdaladdo -q -r average " + gdal_test::quoted(ovr) + " 2", &ok);
    ASSERT_TRUE(ok);
    for (const std::string& path : {plain, ovr}) {
        SCOPED_TRACE(path);
        SceneFile scene{};
        ASSERT_EQ(remos_open(&scene, path.c_str(), FMT_DETECT), 1);
        BandInfo* band = &scene.bands[0];
        band->display_low = 0;
        band->display_high = 65535;
        std::vector<unsigned char> buf(static_cast<size_t>(w));
        std::vector<CompositeBandRow> rows(1);
        rows[0].band = band;
        rows[0].line_buf = buf.data();
        rows[0].line_buf_size = w;
        const ViewGeometry half = compute_view_geometry(w / 2, h / 2, w / 2, h / 2, 6, w, h);
        int differing = 0;
        for (Engine e : {Engine::Reference, Engine::Fast, Engine::FastUncached}) {
            Picture p(w / 2, h / 2);
            draw(e, rows, Texts("a", "a", "a"), half, p);
            for (int y = 0; y < h / 2; ++y)
                for (int x = 0; x < w / 2; ++x) {
                    const double sample = value(2 * x, 2 * y);
                    const double shown = path == ovr ? sample + 505 : sample;
                    ASSERT_EQ(p.px(x, y)[0], expected_byte(shown, 0, 65535, false)) << x << "," << y;
                    differing +=
                        expected_byte(shown, 0, 65535, false) != expected_byte(sample, 0, 65535, false);
                }
        }
        if (path == ovr) {
            EXPECT_GT(differing, 0);  // the overview is told apart from the samples
        }
        remos_close(&scene);
    }
}

TEST(WideComposite, DisplayByteFormula) {
    struct Case {
        double v, low, high;
        int want;
    } cases[] = {
        {1000, 1000, 2000, 0},   {999, 1000, 2000, 0},
        {2000, 1000, 2000, 255}, {5000, 1000, 2000, 255},
        {1500, 1000, 2000, 127}, {1999, 1000, 2000, 255},
        {1004, 1000, 2000, 1},   {1003, 1000, 2000, 0},
        {-0.5, -1, 1, 63},       {0.999, -1, 1, 255},
        {NAN, 0, 1, 0},          {INFINITY, 0, 1, 255},
        {-INFINITY, 0, 1, 0},    {3.5e9, 0, 4294967295.0, 208},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DisplayByte(c.v, c.low, c.high), c.want) << c.v << " in " << c.low << ".." << c.high;
}

}  // namespace
