// The band value plot's data: each band's value with the scale it is drawn on (8-bit bands as stored, wide
// bands through their display range), no-data and outside values left out, and the layout of the points.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "display/BandValuePlot.h"
#include "scene/remos.h"

namespace {

BandInfo band8() {
    BandInfo band{};
    band.sample_type = REMOS_SAMPLE_U8;
    band.full_scale = 255;
    return band;
}

BandInfo band16(double displayLow, double displayHigh, double valueMin, double valueMax) {
    BandInfo band{};
    band.sample_type = REMOS_SAMPLE_U16;
    band.full_scale = 65535;
    band.display_low = displayLow;
    band.display_high = displayHigh;
    band.value_min = valueMin;
    band.value_max = valueMax;
    return band;
}

TEST(BandValuePlot, SamplesCarryTheScaleTheirBandIsShownOn) {
    BandInfo byteBand = band8();
    BandInfo byteWithNoData = band8();
    byteWithNoData.has_nodata = 1;
    byteWithNoData.nodata = 0;
    BandInfo displayed = band16(1000, 3000, 0, 60000);
    BandInfo histogramOnly = band16(0, 0, 10, 20);
    BandInfo unmeasured = band16(0, 0, 0, 0);
    BandInfo signedUnmeasured = band16(0, 0, 0, 0);
    signedUnmeasured.sample_type = REMOS_SAMPLE_I16;
    BandInfo floatUnmeasured{};
    floatUnmeasured.sample_type = REMOS_SAMPLE_F32;
    BandInfo floats{};
    floats.sample_type = REMOS_SAMPLE_F32;
    floats.has_nodata = 1;
    floats.nodata = -3.4028234663852886e38;
    floats.display_low = -10;
    floats.display_high = 40;

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* what;
        const BandInfo* band;
        bool picture;
        double value;
        bool valid;
        double low, high;
    } cases[] = {
        {"8-bit band as stored", &byteBand, false, 200, true, 0, 255},
        {"picture channel", &byteBand, true, 17, true, 0, 255},
        {"8-bit no-data", &byteWithNoData, false, 0, false, 0, 255},
        {"8-bit beside its no-data", &byteWithNoData, false, 1, true, 0, 255},
        {"16-bit through its display range", &displayed, false, 2000, true, 1000, 3000},
        {"16-bit through the values present", &histogramOnly, false, 15, true, 10, 20},
        {"16-bit without a range: its full scale", &unmeasured, false, 15, true, 0, 65535},
        {"signed 16-bit without a range: the type's span", &signedUnmeasured, false, 83, true, -32768, 32767},
        {"float without a range: as drawn", &floatUnmeasured, false, 83, true, 0, 255},
        {"float no-data compared as a float", &floats, false, static_cast<float>(-3.4028234663852886e38),
         false, -10, 40},
        {"float value", &floats, false, 21.5, true, -10, 40},
        {"not a number", &floats, false, nan, false, -10, 40},
        {"no band", nullptr, false, 5, false, 0, 255},
    };
    for (const auto& c : cases) {
        const orvenna::BandValueSample s = orvenna::band_value_sample_of(c.band, c.picture, c.value);
        EXPECT_EQ(s.valid, c.valid) << c.what;
        EXPECT_DOUBLE_EQ(s.low, c.low) << c.what;
        EXPECT_DOUBLE_EQ(s.high, c.high) << c.what;
    }
}

orvenna::BandValueSample sample(double value, double low = 0, double high = 255, bool valid = true) {
    orvenna::BandValueSample s;
    s.value = value;
    s.low = low;
    s.high = high;
    s.valid = valid;
    return s;
}

TEST(BandValuePlot, PointsRunInListOrderAtTheHeightOfTheirValue) {
    const std::vector<orvenna::BandValueSample> samples = {
        sample(0), sample(255), sample(2000, 1000, 3000), sample(9, 0, 255, false), sample(300), sample(-5),
    };
    const orvenna::BandValuePlotLayout layout = orvenna::layout_band_value_plot(samples, 200, 100, 10, 12);
    ASSERT_EQ(layout.points.size(), samples.size());
    EXPECT_LT(layout.top, layout.bottom);
    EXPECT_LE(layout.bottom, 100 - 12);  // the letters have room below the axis
    for (size_t i = 1; i < layout.points.size(); ++i)
        EXPECT_GT(layout.points[i].x, layout.points[i - 1].x);
    EXPECT_GE(layout.points.front().x, layout.left);
    EXPECT_LE(layout.points.back().x, layout.right);

    const struct {
        bool valid, clipped;
        int y;
    } expected[] = {
        {true, false, layout.bottom},
        {true, false, layout.top},
        {true, false, (layout.top + layout.bottom + 1) / 2},  // the middle of its own range
        {false, false, 0},
        {true, true, layout.top},
        {true, true, layout.bottom},
    };
    for (size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(layout.points[i].valid, expected[i].valid) << i;
        EXPECT_EQ(layout.points[i].clipped, expected[i].clipped) << i;
        if (expected[i].valid) {
            EXPECT_NEAR(layout.points[i].y, expected[i].y, 1) << i;
        }
    }
    const std::vector<std::string> letters = {"a", "b", "c", "d", "e", "f"};
    EXPECT_EQ(layout.labels, letters);
}

TEST(BandValuePlot, CrowdedLettersAreThinnedAndTinyPlotsHaveNoPoints) {
    std::vector<orvenna::BandValueSample> many(40, sample(100));
    const orvenna::BandValuePlotLayout layout = orvenna::layout_band_value_plot(many, 200, 100, 14, 12);
    ASSERT_EQ(layout.labels.size(), 40u);
    EXPECT_EQ(layout.labels[0], "a");
    int written = 0, lastX = -1000;
    for (size_t i = 0; i < layout.labels.size(); ++i) {
        if (layout.labels[i].empty()) continue;
        ++written;
        EXPECT_GE(layout.points[i].x - lastX, 14) << "letters overlap at " << i;
        lastX = layout.points[i].x;
    }
    EXPECT_GT(written, 3);
    EXPECT_LT(written, 40);
    EXPECT_EQ(orvenna::band_value_label(25), "z");
    EXPECT_EQ(orvenna::band_value_label(26), "27");

    EXPECT_TRUE(orvenna::layout_band_value_plot(many, 6, 100, 14, 12).points.empty());
    EXPECT_TRUE(orvenna::layout_band_value_plot(many, 200, 14, 14, 12).points.empty());
    EXPECT_TRUE(orvenna::layout_band_value_plot({}, 200, 100, 14, 12).points.empty());
}

}  // namespace
