// A band's own values as the window shows and takes them: value texts, typed bounds, the bounds of a wide
// band that never meet, the histogram columns a drag stands for, and which Landsat calibration the
// temperature preset takes for a band.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "display/BandValues.h"
#include "display/LandsatThermalChoice.h"
#include "scene/remos.h"
#include "scene/scene_metadata.h"
#include "tests/unit/wide_bands.h"

using namespace orvenna;

namespace {

BandInfo bandOf(int sampleType) {
    BandInfo b{};
    b.sample_type = sampleType;
    return b;
}

TEST(BandValues, TextsOfStoredValues) {
    struct Case {
        double value;
        bool integer;
        const char* text;
    } cases[] = {
        {-32768, true, "-32768"},
        {4294967295.0, true, "4294967295"},
        {17, true, "17"},
        {0.1234, false, "0.1234"},
        {0.12345678, false, "0.1235"},
        {273.5, false, "273.5"},
        {-12, false, "-12"},
        {0.001234567, false, "0.001235"},
        {0.0001234, false, "0.0001234"},
        {-0.00004, false, "-0.00004"},
        {0, false, "0"},
        {-0.00001, false, "-0.00001"},
        {1e-30, false, "0"},
        {NAN, false, "NaN"},
        {-INFINITY, false, "-inf"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BandValueText(c.value, c.integer), c.text) << c.value;

    // The band's no-data value reads "NoData"; a float band compares it in single precision.
    BandInfo i16 = bandOf(REMOS_SAMPLE_I16);
    i16.has_nodata = 1;
    i16.nodata = -32768;
    EXPECT_EQ(StoredValueText(&i16, -32768), "NoData");
    EXPECT_EQ(StoredValueText(&i16, -32767), "-32767");
    BandInfo f32 = bandOf(REMOS_SAMPLE_F32);
    f32.has_nodata = 1;
    f32.nodata = 0.1;
    EXPECT_EQ(StoredValueText(&f32, static_cast<float>(0.1)), "NoData");
    EXPECT_EQ(StoredValueText(&f32, 0.25), "0.25");
    f32.nodata = NAN;
    EXPECT_EQ(StoredValueText(&f32, NAN), "NoData");
    f32.has_nodata = 0;
    EXPECT_EQ(StoredValueText(&f32, NAN), "NaN");
}

TEST(BandValues, TypedBounds) {
    struct Case {
        const char* text;
        bool integer;
        bool complete, partial;
        double value;
    } cases[] = {
        {"123", true, true, true, 123},  {" -45 ", true, true, true, -45}, {"+7", true, true, true, 7},
        {"1.5", true, false, false, 0},  {"1.5", false, true, true, 1.5},  {".25", false, true, true, 0.25},
        {"-3.", false, true, true, -3},  {"", true, false, true, 0},       {"-", false, false, true, 0},
        {".", false, false, true, 0},    {"1e5", false, false, false, 0},  {"12a", true, false, false, 0},
        {"1,5", false, false, false, 0}, {"--1", true, false, false, 0},   {"1.2.3", false, false, false, 0},
    };
    for (const Case& c : cases) {
        double v = -999;
        EXPECT_EQ(ParseBandValue(c.text, c.integer, &v), c.complete) << c.text;
        if (c.complete) {
            EXPECT_EQ(v, c.value) << c.text;
        }
        EXPECT_EQ(IsPartialBandValue(c.text, c.integer), c.partial) << c.text;
    }
}

TEST(BandValues, BoundsNeverMeetAndStayInsideTheKind) {
    BandInfo u16 = bandOf(REMOS_SAMPLE_U16);
    BandInfo f32 = bandOf(REMOS_SAMPLE_F32);
    f32.value_min = -1;
    f32.value_max = 1;  // a step of 2/256
    struct Case {
        BandInfo* band;
        bool lowerMoved;
        double low, high, wantLow, wantHigh;
    } cases[] = {
        {&u16, true, 500, 600, 500, 600},           // apart: unchanged
        {&u16, true, 600, 600, 599, 600},           // the lower one gives way
        {&u16, false, 700, 600, 700, 701},          // the upper one gives way
        {&u16, true, 0, 0, 0, 1},                   // at the kind's bottom the other one moves
        {&u16, false, 65535, 70000, 65534, 65535},  // clamped, then kept apart at the top
        {&u16, true, -5, 10, 0, 10},
        {&f32, true, 0.5, 0.5, 0.5 - 2.0 / 256, 0.5},
        {&f32, false, 0.5, 0.25, 0.5, 0.5 + 2.0 / 256},
    };
    for (const Case& c : cases) {
        double low = c.low, high = c.high;
        SeparateBounds(c.band, c.lowerMoved, &low, &high);
        EXPECT_EQ(low, c.wantLow) << c.low << ".." << c.high;
        EXPECT_EQ(high, c.wantHigh) << c.low << ".." << c.high;
    }
    double low = FLT_MAX, high = FLT_MAX;
    SeparateBounds(&f32, true, &low, &high);
    EXPECT_LT(low, high);
}

TEST(BandValues, ColumnsOfAWideBandInItsValues) {
    remos_test::TempDir dir;
    // 1000..3559: 2560 values, ten to a column.
    auto b = wide_test::raw_band(dir, "u16.raw", REMOS_SAMPLE_U16, 64, 40,
                                 [](int x, int y) { return 1000 + y * 64 + x; });
    ASSERT_TRUE(b);
    BandInfo* band = b->band();
    // Before a histogram the columns cover the kind's implied range, and stand still under a drag.
    EXPECT_EQ(ColumnValue(band, 128), 32767.5);
    EXPECT_EQ(DraggedUpperBound(band, 255), 65535);
    band->display_low = 100;
    band->display_high = 200;
    EXPECT_EQ(ColumnValue(band, 128), 32767.5);

    ASSERT_EQ(remos_make_band_histogram(band, nullptr, nullptr), 1);
    struct Case {
        int column;
        double lower, upper;  // the drag's bounds
    } cases[] = {{0, 1000, 1010}, {1, 1010, 1020}, {100, 2000, 2010}, {254, 3540, 3550}, {255, 3550, 3559}};
    for (const Case& c : cases) {
        EXPECT_EQ(DraggedLowerBound(band, c.column), c.lower) << c.column;
        EXPECT_EQ(DraggedUpperBound(band, c.column), c.upper) << c.column;
        // Every value of the dragged span counts in columns from `column` to the upper bound's.
        EXPECT_EQ(remos_histogram_column(band, c.lower), c.column);
    }
    // The picture draws a column in the range's colours when any of its values lie inside low..high.
    struct Inside {
        int column;
        double low, high;
        bool inside;
    } inside[] = {{0, 1000, 3559, true},   {255, 1000, 3559, true}, {10, 1105, 2000, true},
                  {10, 1110, 2000, false}, {99, 1200, 1995, true},  {99, 1200, 1990, false}};
    for (const Inside& c : inside)
        EXPECT_EQ(ColumnInsideRange(band, c.column, c.low, c.high), c.inside)
            << c.column << " in " << c.low << ".." << c.high;
    EXPECT_EQ(BoundStep(band), 1);

    // A float band steps by 1/256 of its span.
    auto f = wide_test::raw_band(dir, "f32.raw", REMOS_SAMPLE_F32, 16, 16,
                                 [](int x, int y) { return -1.0 + (y * 16 + x) / 127.5; });
    ASSERT_TRUE(f);
    ASSERT_EQ(remos_make_band_histogram(f->band(), nullptr, nullptr), 1);
    EXPECT_NEAR(BoundStep(f->band()), 2.0 / 256, 1e-9);
    EXPECT_EQ(DraggedLowerBound(f->band(), 0), -1);
    EXPECT_EQ(DraggedUpperBound(f->band(), 255), f->band()->value_max);
}

TEST(LandsatThermalChoice, WhichCalibrationABandTakes) {
    SceneMetadataState landsat8;
    landsat8.spacecraft = "LANDSAT_8";
    landsat8.band10 = {true, 3.342e-4, 0.1, 774.8853, 1321.0789};
    SceneMetadataState only11 = landsat8;
    only11.band10 = {};
    only11.band11 = {true, 3.342e-4, 0.1, 480.8883, 1201.1442};
    SceneMetadataState landsat7;
    landsat7.spacecraft = "LANDSAT_7";
    landsat7.landsat7_valid = true;
    SceneMetadataState none;
    using Kind = LandsatThermalChoice::Kind;
    struct Case {
        const SceneMetadataState* metadata;
        const char* file;
        Kind kind;
        int band;
    } cases[] = {
        {&landsat8, "LC08_X_B10.TIF", Kind::Landsat8, 10},
        {&landsat8, "LC08_X_B11.TIF", Kind::Landsat8Missing, 11},  // no constants of band 11
        {&landsat8, "LC08_X_B4.TIF", Kind::Landsat8, 10},          // a Landsat 8 scene: band 10
        {&only11, "LC08_X_B11.TIF", Kind::Landsat8, 11},
        {&only11, "LC08_X_B10.TIF", Kind::Landsat8Missing, 10},
        {&landsat7, "LE07_X_B6_VCID_1.TIF", Kind::Landsat7, 0},
        {&landsat7, "thermal.tif", Kind::Landsat7, 0},
        {&none, "thermal.tif", Kind::Typed, 0},
        {&none, "LC09_Y_b10.tif", Kind::Landsat8Missing, 10},  // the name alone makes it band 10
    };
    for (const Case& c : cases) {
        const LandsatThermalChoice choice = ChooseLandsatThermal(*c.metadata, c.file);
        EXPECT_EQ(choice.kind, c.kind) << c.file;
        EXPECT_EQ(choice.band, c.band) << c.file;
    }
    const LandsatThermalChoice b10 = ChooseLandsatThermal(landsat8, "LC08_X_B10.TIF");
    EXPECT_EQ(b10.satellite, "LANDSAT_8");
    EXPECT_EQ(b10.calibration.k1, 774.8853);
    EXPECT_EQ(ChooseLandsatThermal(none, "b10.tif").satellite, "LANDSAT 8/9");
}

}  // namespace
