// The Landsat 8/9 brightness temperature and its preset: temperatures of stored values against the
// calibration formula, and a 16-bit thermal band drawn with the preset's display range and texts, every pixel
// checked against the colour scale at the temperature of its stored value.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "calc/ecalc.h"
#include "display/Composite.h"
#include "display/LandsatThermal.h"
#include "display/PresetTexts.h"
#include "display/ViewGeometry.h"
#include "tests/support/preset_ramp.h"
#include "tests/unit/composite_support.h"
#include "tests/unit/wide_bands.h"

using namespace orvenna;

namespace {

// The constants of band 10 and band 11 of a Landsat 8 MTL text.
const ThermalCalibration kBand10{3.3420e-04, 0.10000, 774.8853, 1321.0789};
const ThermalCalibration kBand11{3.3420e-04, 0.10000, 480.8883, 1201.1442};

TEST(Landsat8Temperature, FormulaAndInverse) {
    // Where the radiance is K1 / (e - 1), ln(K1 / L + 1) is 1 and T is K2 - 273.15.
    for (const ThermalCalibration& c : {kBand10, kBand11}) {
        const double dn = (c.k1 / (std::exp(1.0) - 1) - c.radianceAdd) / c.radianceMult;
        EXPECT_NEAR(BrightnessTemperature(c, dn), c.k2 - 273.15, 1e-9);
        double last = -1e9;
        for (double v = 1000; v <= 65535; v += 997) {
            const double t = BrightnessTemperature(c, v);
            EXPECT_GT(t, last) << v;  // warmer with every larger value
            last = t;
            EXPECT_NEAR(ValueOfTemperature(c, t), v, 1e-6 * v) << v;
        }
    }
    EXPECT_TRUE(std::isnan(BrightnessTemperature(kBand10, -1000)));  // negative radiance
    EXPECT_TRUE(std::isnan(ValueOfTemperature(kBand10, -273.15)));
}

TEST(Landsat8Temperature, PresetRefusesWhatItCannotScale) {
    Landsat8Preset preset;
    preset.displayLow = 42;
    const ThermalCalibration bad[] = {{0, 0.1, 774.8853, 1321.0789},
                                      {3.342e-4, 0.1, -1, 1321.0789},
                                      {3.342e-4, 0.1, 774.8853, 0},
                                      {3.342e-4, NAN, 774.8853, 1321.0789}};
    for (const ThermalCalibration& c : bad)
        EXPECT_FALSE(Landsat8TemperaturePreset('a', c, 0, 45, true, &preset));
    EXPECT_FALSE(Landsat8TemperaturePreset('a', kBand10, 30, 20, true, &preset));
    EXPECT_FALSE(Landsat8TemperaturePreset('a', kBand10, -300, 20, true, &preset));
    EXPECT_EQ(preset.displayLow, 42);
    EXPECT_EQ(PlainDecimalText(3.342e-4), "0.0003342");
    EXPECT_EQ(PlainDecimalText(1321.0789), "1321.0789");
    EXPECT_EQ(PlainDecimalText(-0.1), "-0.1");
    EXPECT_EQ(PlainDecimalText(18250), "18250");
}

struct Engine {
    bool reference, cached;
};

// Every pixel of a 16-bit thermal band, drawn through the preset at 1:1 and reduced, shows the colour scale
// at a temperature of its byte's share of the range, and that share holds the pixel's own temperature
// (clamped to the scale): the colour is the scale's colour of the pixel's temperature within one byte.
TEST(Landsat8Temperature, DrawnColoursFollowTheScaleAtEachPixelsTemperature) {
    remos_test::TempDir dir;
    const int w = 90, h = 60;
    struct Case {
        ThermalCalibration calibration;
        int minTemp, maxTemp;
    } cases[] = {{kBand10, 0, 45}, {kBand10, -20, 40}, {kBand11, 10, 35}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "scale " << c.minTemp << ".." << c.maxTemp << " K1 " << c.calibration.k1);
        Landsat8Preset preset;
        ASSERT_TRUE(Landsat8TemperaturePreset('a', c.calibration, c.minTemp, c.maxTemp, true, &preset));
        EXPECT_EQ(preset.displayLow, std::floor(preset.displayLow));
        EXPECT_LE(BrightnessTemperature(c.calibration, preset.displayLow), c.minTemp);
        EXPECT_GE(BrightnessTemperature(c.calibration, preset.displayHigh), c.maxTemp);
        EXPECT_GT(BrightnessTemperature(c.calibration, preset.displayLow + 1), c.minTemp);
        // Stored values from below the scale's coldest to above its warmest temperature.
        const double cold = ValueOfTemperature(c.calibration, c.minTemp - 8);
        const double warm = ValueOfTemperature(c.calibration, c.maxTemp + 8);
        auto b = wide_test::raw_band(dir, "b10.raw", REMOS_SAMPLE_U16, w, h, [&](int x, int y) {
            return std::floor(cold + (warm - cold) * (y * w + x) / double(w * h - 1));
        });
        ASSERT_TRUE(b);
        BandInfo* band = b->band();
        band->display_low = preset.displayLow;
        band->display_high = preset.displayHigh;

        composite_test::Texts texts(preset.texts.red, preset.texts.green, preset.texts.blue);
        ASSERT_TRUE(texts.trees[0] && texts.trees[1] && texts.trees[2]);
        std::vector<unsigned char> buf(static_cast<size_t>(w));
        std::vector<CompositeBandRow> rows(1);
        rows[0].band = band;
        rows[0].line_buf = buf.data();
        rows[0].line_buf_size = w;

        const double low = preset.displayLow, high = preset.displayHigh, step = c.maxTemp - c.minTemp;
        for (int zoom : {5, 6}) {
            const ViewGeometry g = compute_view_geometry(w, h, w / 2, h / 2, zoom, w, h);
            for (Engine e : {Engine{true, false}, Engine{false, true}}) {
                composite_test::Picture pic(w, h);
                if (e.reference) {
                    DrawCompositeReference(rows.data(), 1, texts.exprs(), g, pic.target());
                } else {
                    CompositeRenderer renderer;
                    renderer.draw(rows.data(), 1, texts.exprs(), g, pic.target());
                }
                int inside = 0;
                for (int y = 0; y < h; ++y) {
                    for (int x = 0; x < w; ++x) {
                        int col, line;
                        if (!drawn_image_pixel_at(g, x, y, &col, &line)) continue;
                        const double dn = b->values[static_cast<size_t>(line) * w + col];
                        const double t = BrightnessTemperature(c.calibration, dn);
                        // The byte the composite maps this value to, and the share of the range it stands
                        // for.
                        const int byte = static_cast<int>(
                            std::clamp(std::trunc(255.999999 * (dn - low) / (high - low)), 0.0, 255.0));
                        const double from = low + byte * (high - low) / 255.999999;
                        const double to = std::min(high, low + (byte + 1) * (high - low) / 255.999999);
                        const double t_from = BrightnessTemperature(c.calibration, from) - c.minTemp;
                        const double t_to = BrightnessTemperature(c.calibration, to) - c.minTemp;
                        const double t_clamped = std::clamp(t - c.minTemp, 0.0, step);
                        ASSERT_GE(t_clamped, t_from - 1e-9) << dn;
                        ASSERT_LE(t_clamped, t_to + 1e-9) << dn;
                        // Every channel lies between the scale's values over that share (truncated to bytes).
                        std::array<double, 3> lo{255, 255, 255}, hi{0, 0, 0};
                        for (int k = 0; k <= 64; ++k) {
                            const auto r = presettest::Ramp(t_from + (t_to - t_from) * k / 64, step / 5.0);
                            for (int ch = 0; ch < 3; ++ch) {
                                lo[ch] = std::min(lo[ch], r[ch]);
                                hi[ch] = std::max(hi[ch], r[ch]);
                            }
                        }
                        const uint8_t* p = pic.px(x, y);
                        const int drawn[3] = {p[2], p[1], p[0]};
                        for (int ch = 0; ch < 3; ++ch) {
                            ASSERT_GE(drawn[ch], std::floor(lo[ch]) - 1)
                                << "value " << dn << " channel " << ch;
                            ASSERT_LE(drawn[ch], hi[ch] + 1e-6) << "value " << dn << " channel " << ch;
                        }
                        if (t > c.minTemp && t < c.maxTemp) ++inside;
                    }
                }
                EXPECT_GT(inside, zoom == 5 ? w * h / 2 : w * h / 8);
            }
        }
    }
}

}  // namespace
