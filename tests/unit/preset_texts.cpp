// Colour preset texts: their exact shape, that they compile, and what they compute when evaluated pixel after
// pixel with shared letter cells, against a colour ramp and a temperature formula written out here; the
// temperature scale labels, the calibration number reader and the window placement arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/WindowPlacement.h"
#include "calc/ecalc.h"
#include "calc/ecalc_stored.h"
#include "composite_texts.h"
#include "display/LandsatThermalChoice.h"
#include "display/PresetTexts.h"
#include "tests/support/preset_ramp.h"

namespace {

using orvenna::PresetChannelTexts;

struct Tree {
    explicit Tree(const std::string& text) : root(ecalc_compile_stored(text.c_str())) {}
    ~Tree() { ecalc_free(root); }
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;
    CalcExpr* root;
};

bool Compiles(const std::string& text) {
    Tree t(text);
    return t.root != nullptr;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// The three channels evaluated the way the redraw does: red, green, blue in turn on 26 shared cells that
// live for the whole run, band letters loaded before each pixel.
class ChannelRun {
public:
    explicit ChannelRun(const PresetChannelTexts& texts)
        : red_(texts.red), green_(texts.green), blue_(texts.blue) {
        for (int i = 0; i < 26; ++i)
            cells_[i] = &values_[i];
    }
    bool compiled() const { return red_.root && green_.root && blue_.root; }
    std::array<double, 3> Pixel(int letter, double value) {
        values_[letter] = value;
        const double r = ecalc_evaluate(red_.root, cells_, 0);
        const double g = ecalc_evaluate(green_.root, cells_, 0);
        const double b = ecalc_evaluate(blue_.root, cells_, 0);
        return {r, g, b};
    }

private:
    Tree red_, green_, blue_;
    double values_[26] = {};
    LetterCells cells_;
};

using presettest::Ramp;

double Clamp(double v) {
    return std::isnan(v) ? 0 : std::clamp(v, 0.0, 255.0);
}

// ---- Text shapes ----------------------------------------------------------------------------------------

orvenna::NdviBand Band(char letter, double mult = 0, double add = 0) {
    orvenna::NdviBand b;
    b.letter = letter;
    b.rescaled = mult != 0;
    b.mult = mult;
    b.add = add;
    return b;
}

TEST(PresetTexts, NdviNamesNearInfraredFirst) {
    const struct {
        orvenna::NdviBand red, nir;
        const char* text;
    } cases[] = {
        {Band('c'), Band('d'), "( #d - #c ) / ( #d + #c ) * 128 + 128"},
        {Band('a'), Band('a'), "( #a - #a ) / ( #a + #a ) * 128 + 128"},
        {Band('d', 2e-5, -0.1), Band('e', 2.5e-5, 0.2),
         "( ( #e * 0.000025 + 0.2 ) - ( #d * 0.00002 - 0.1 ) ) / ( ( #e * 0.000025 + 0.2 ) + ( #d * 0.00002 "
         "- "
         "0.1 ) ) * 128 + 128"},
        // Reflectance of one band only: both stay stored values.
        {Band('d', 2e-5, -0.1), Band('e'), "( #e - #d ) / ( #e + #d ) * 128 + 128"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(orvenna::NdviText(c.red, c.nir), c.text);
        EXPECT_TRUE(Compiles(c.text));
    }
    // The numbers read back as the metadata's doubles, to the last bit.
    for (double v : {2.0000e-05, 1.0 / 3, -0.1, 6.8e-7})
        EXPECT_EQ(std::stod(orvenna::ExactDecimalText(v)), v) << orvenna::ExactDecimalText(v);
}

// The NDVI dialog starts on the red and near-infrared bands of the products it knows by their file names.
TEST(PresetTexts, NdviBandsByName) {
    const struct {
        std::vector<std::string> files;
        int red, nir;
    } cases[] = {
        {{"/d/LC08_L1TP_195025_20130707_20170503_01_T1_B5.TIF",
          "/d/LC08_L1TP_195025_20130707_20170503_01_T1_B4.TIF"},
         1,
         0},
        {{"LE07_X_B1.TIF", "LE07_X_B3.TIF", "LE07_X_B4.TIF", "LE07_X_B6_VCID_1.TIF"}, 1, 2},
        {{"T32TQM_20200101T101010_B8A_20m.jp2", "T32TQM_20200101T101010_B04_10m.jp2",
          "T32TQM_20200101T101010_B08_10m.jp2"},
         1,
         2},
        {{"T32TQM_B04.jp2", "T32TQM_B8A.jp2"}, 0, 1},
        {{"IMG-01", "IMG-02", "scene_B4.tif"}, -1, -1},
    };
    for (const auto& c : cases) {
        const orvenna::NdviBandChoice got = orvenna::NdviBandsByName(c.files);
        EXPECT_EQ(got.red, c.red) << c.files[0];
        EXPECT_EQ(got.nearInfrared, c.nir) << c.files[0];
    }
}

TEST(PresetTexts, BandLetters) {
    EXPECT_EQ(orvenna::PresetBandLetter(0), 'a');
    EXPECT_EQ(orvenna::PresetBandLetter(3), 'd');
    EXPECT_EQ(orvenna::PresetBandLetter(25), 'z');
    // Rows without a letter must not turn into another band's letter; the text then fails to compile.
    for (int index : {26, 40, -1}) {
        const char letter = orvenna::PresetBandLetter(index);
        EXPECT_FALSE(letter >= 'a' && letter <= 'z') << index;
        EXPECT_FALSE(Compiles(orvenna::NdviText(Band(letter), Band('a')))) << index;
    }
}

TEST(PresetTexts, ThermographyWrapsTheSource) {
    struct Case {
        std::string source, prefix;
    };
    for (const Case& c : {Case{"a", "( w = ( a ) ), "}, Case{"a+b", "( w = ( a+b ) ), "}}) {
        const PresetChannelTexts t = orvenna::ThermographyTexts(c.source);
        for (const std::string& text : {t.red, t.green, t.blue}) {
            EXPECT_TRUE(StartsWith(text, c.prefix)) << text;
            EXPECT_TRUE(Compiles(text)) << text;
        }
        EXPECT_TRUE(t.red.back() == 'x' && t.green.back() == 'y' && t.blue.back() == 'z');
    }
}

TEST(PresetTexts, ThermographyOfAnEmptyOrBrokenSourceDoesNotCompile) {
    for (const std::string& source : {std::string(), std::string("a +"), std::string("(")}) {
        const PresetChannelTexts t = orvenna::ThermographyTexts(source);
        if (source.empty()) {
            EXPECT_NE(t.red.find("( w = (  ) )"), std::string::npos);
        }
        for (const std::string& text : {t.red, t.green, t.blue})
            EXPECT_FALSE(Compiles(text)) << text;
    }
}

TEST(PresetTexts, LandsatRedTextOfTheDocumentedExample) {
    const PresetChannelTexts t = orvenna::LandsatTemperatureTexts('c', 17.04f, 0.0f, 0, 45);
    EXPECT_TRUE(
        StartsWith(t.red,
                   "( v = c - 1 ), ( v < 0 )if( v = 0 ), ( w = 1282.71 / ( ln( 666.09 / ( ( v ) * ( "
                   "17.040001 - 0.000000 ) / ( 255.0 - 1.0 ) + 0.000000 ) + 1 ) ) - 273.15 - 0 ), ( w < ( "
                   "45 / 5 * 4 ) )if( x = 0 ), "))
        << t.red;
    for (const std::string& text : {t.red, t.green, t.blue}) {
        EXPECT_TRUE(StartsWith(text, "( v = c - 1 ), ")) << text;
        EXPECT_TRUE(Compiles(text)) << text;
        EXPECT_EQ(text.find('%'), std::string::npos) << text;
    }
}

TEST(PresetTexts, LandsatNegativeCalibrationStillCompiles) {
    const PresetChannelTexts t = orvenna::LandsatTemperatureTexts('a', 17.04f, -1.2f, -5, 40);
    for (const std::string& text : {t.red, t.green, t.blue}) {
        EXPECT_NE(text.find("( 17.040001 - -1.200000 )"), std::string::npos) << text;
        EXPECT_NE(text.find("+ -1.200000 )"), std::string::npos) << text;
        EXPECT_NE(text.find("- 273.15 - -5 )"), std::string::npos) << text;
        EXPECT_TRUE(Compiles(text)) << text;
    }
}

// The texts against the same format strings filled by printf in the C locale.
TEST(PresetTexts, SameTextsAsPrintfFilledFormats) {
    for (char band : {'a', 'c', 'z'}) {
        for (auto [lmax, lmin] : {std::pair{17.04f, 0.0f}, std::pair{15.3f, -1.2f}, std::pair{1e6f, 3.25f}}) {
            for (auto [lo, hi] :
                 {std::pair{0, 45}, std::pair{10, 35}, std::pair{-20, 47}, std::pair{30, 30}}) {
                const PresetChannelTexts mine = orvenna::LandsatTemperatureTexts(band, lmax, lmin, lo, hi);
                const composite_texts::Channels ref = composite_texts::landsat(band, lmax, lmin, lo, hi);
                EXPECT_EQ(mine.red, ref.red);
                EXPECT_EQ(mine.green, ref.green);
                EXPECT_EQ(mine.blue, ref.blue);
            }
        }
    }
    for (const char* source : {"a", "a+b", "ROOT ( b )"}) {
        const PresetChannelTexts mine = orvenna::ThermographyTexts(source);
        const composite_texts::Channels ref = composite_texts::thermography(source);
        EXPECT_EQ(mine.red, ref.red);
        EXPECT_EQ(mine.green, ref.green);
        EXPECT_EQ(mine.blue, ref.blue);
    }
}

// ---- Evaluated texts ------------------------------------------------------------------------------------

TEST(PresetTexts, NdviEvaluatesTheVegetationIndexOfTheStoredValues) {
    Tree t(orvenna::NdviText(Band('c'), Band('d')));
    ASSERT_NE(t.root, nullptr);
    double v[26] = {}, stored[26] = {};
    LetterCells cells;
    for (int i = 0; i < 26; ++i)
        cells[i] = &v[i];
    for (double red : {0.0, 1.0, 37.0, 255.0, 9000.0, -0.25}) {
        for (double nir : {0.0, 1.0, 90.0, 255.0, 31000.0, 0.75}) {
            stored[2] = red;
            stored[3] = nir;
            v[2] = v[3] = 99;  // the display bytes play no part
            const double expected = red + nir == 0 ? 128 : (nir - red) / (nir + red) * 128 + 128;
            EXPECT_EQ(ecalc_evaluate_stored(t.root, cells, stored, 0), expected) << red << " " << nir;
        }
    }
}

TEST(PresetTexts, ThermographyFollowsTheRampAndKeepsLastValuesAtTheJoints) {
    ChannelRun run(orvenna::ThermographyTexts("b"));
    ASSERT_TRUE(run.compiled());
    std::array<double, 3> last{0, 0, 0};
    for (int w = 0; w <= 255; ++w) {
        const std::array<double, 3> got = run.Pixel(1, w);
        std::array<double, 3> want = Ramp(w, 51);
        // At the joints no branch of one channel applies: it repeats what it showed for the pixel before.
        if (w == 204) want[0] = last[0];
        if (w == 102) want[1] = last[1];
        if (w == 153) want[2] = last[2];
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(Clamp(got[c]), want[c], 1e-9) << "w " << w << " channel " << c;
        last = got;
    }
}

TEST(PresetTexts, ThermographyOfExactly204ShowsTheLastRedAssigned) {
    {
        ChannelRun fresh(orvenna::ThermographyTexts("a"));
        EXPECT_EQ(fresh.Pixel(0, 204)[0], 0);  // nothing assigned yet in this run
    }
    ChannelRun run(orvenna::ThermographyTexts("a"));
    const double red180 = run.Pixel(0, 180)[0];
    EXPECT_NEAR(red180, 255.0 * 27 / 51, 1e-9);
    EXPECT_EQ(run.Pixel(0, 204)[0], red180);
    EXPECT_EQ(run.Pixel(0, 230)[0], 255);
    EXPECT_EQ(run.Pixel(0, 204)[0], 255);
}

struct LandsatCase {
    float lmax, lmin;
    double lmaxPrinted, lminPrinted;  // the calibration as the text carries it, six decimals
    int minTemp, maxTemp;
};

// Temperature above the minimum of band value b, written from the calibration formula.
double TemperatureAboveMinimum(int b, const LandsatCase& c) {
    const double v = std::max(b - 1, 0);
    const double radiance = v * (c.lmaxPrinted - c.lminPrinted) / 254.0 + c.lminPrinted;
    // A zero radiance divides to 0 in the expression language; ln(0 + 1) = 0 divides to 0 again.
    const double kelvin = radiance == 0 ? 0 : 1282.71 / std::log(666.09 / radiance + 1);
    return kelvin - 273.15 - c.minTemp;
}

TEST(PresetTexts, LandsatTextsComputeTheTemperatureRamp) {
    const LandsatCase cases[] = {
        {17.04f, 0.0f, 17.040001, 0.0, 0, 45},
        {17.04f, 0.0f, 17.040001, 0.0, 10, 35},
        {12.65f, 3.2f, 12.650000, 3.200000, 20, 47},
        {17.04f, -1.2f, 17.040001, -1.200000, -5, 40},
    };
    for (const LandsatCase& c : cases) {
        ChannelRun run(orvenna::LandsatTemperatureTexts('c', c.lmax, c.lmin, c.minTemp, c.maxTemp));
        ASSERT_TRUE(run.compiled());
        const double step = (c.maxTemp - c.minTemp) / 5.0;
        int shown = 0;
        std::array<double, 3> last{0, 0, 0};
        for (int b = 0; b <= 255; ++b) {
            const std::array<double, 3> got = run.Pixel(2, b);
            const double t = TemperatureAboveMinimum(b, c);
            // A negative radiance has no temperature (ln of a negative number): no branch applies and every
            // channel repeats its value of the pixel before.
            const std::array<double, 3> want = std::isnan(t) ? last : Ramp(t, step);
            last = {Clamp(got[0]), Clamp(got[1]), Clamp(got[2])};
            for (int ch = 0; ch < 3; ++ch)
                EXPECT_NEAR(Clamp(got[ch]), want[ch], 1e-6)
                    << "b " << b << " channel " << ch << " min " << c.minTemp;
            if (want[0] + want[1] + want[2] > 0) ++shown;
        }
        EXPECT_GT(shown, 50);  // the case does reach into the ramp
    }
}

// ---- Scale labels, numbers, placement -------------------------------------------------------------------

TEST(PresetTexts, TemperatureScaleLabels) {
    struct Case {
        int max, min;
        std::array<int, 6> labels;
    };
    const Case cases[] = {
        {35, 10, {35, 30, 25, 20, 15, 10}}, {47, 0, {47, 36, 27, 18, 9, 0}},
        {45, 0, {45, 36, 27, 18, 9, 0}},    {-3, -10, {-3, -6, -7, -8, -9, -10}},
        {0, 7, {0, 3, 4, 5, 6, 7}},         {3, 0, {3, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const orvenna::TemperatureScaleLabels s = orvenna::TemperatureScale(c.max, c.min);
        EXPECT_EQ((std::array<int, 6>{s.red, s.yellow, s.green, s.water, s.blue, s.black}), c.labels)
            << c.max << " " << c.min;
    }
}

TEST(PresetTexts, CalibrationNumbers) {
    struct Case {
        const char* text;
        bool ok;
        float value;
    };
    const Case cases[] = {
        {"17.04", true, 17.04f}, {" -1.2 ", true, -1.2f}, {"+3", true, 3.0f},  {"1e2", true, 100.0f},
        {".5", true, 0.5f},      {"0", true, 0.0f},       {"", false, 0},      {"   ", false, 0},
        {"abc", false, 0},       {"1.5x", false, 0},      {"17,04", false, 0}, {"nan", false, 0},
        {"inf", false, 0},       {"-inf", false, 0},      {"1e39", false, 0},  {"0x10", false, 0},
        {"--1", false, 0},       {"+", false, 0},         {"1 2", false, 0},
    };
    for (const Case& c : cases) {
        float value = 42.0f;
        EXPECT_EQ(orvenna::ParseCalibrationNumber(c.text, &value), c.ok) << '"' << c.text << '"';
        EXPECT_EQ(value, c.ok ? c.value : 42.0f) << '"' << c.text << '"';
    }
    EXPECT_EQ(orvenna::GeneralNumberText(17.04), "17.04");
    EXPECT_EQ(orvenna::GeneralNumberText(-1.2), "-1.2");
    EXPECT_EQ(orvenna::GeneralNumberText(0.1 + 0.2), "0.3");
    EXPECT_EQ(orvenna::FixedSixText(17.04f), "17.040001");
    EXPECT_EQ(orvenna::FixedSixText(-1.2f), "-1.200000");
}

TEST(WindowPlacement, HalvesAndQuartersOfTheAvailableArea) {
    using orvenna::WindowPlacement;
    struct Case {
        WindowPlacement placement;
        int left, top, width, height;
    };
    const Case on1280x974[] = {
        {WindowPlacement::LeftTop, 0, 0, 640, 487},      {WindowPlacement::RightTop, 640, 0, 640, 487},
        {WindowPlacement::LeftBottom, 0, 487, 640, 487}, {WindowPlacement::RightBottom, 640, 487, 640, 487},
        {WindowPlacement::Top, 0, 0, 1280, 487},         {WindowPlacement::Bottom, 0, 487, 1280, 487},
        {WindowPlacement::Left, 0, 0, 640, 974},         {WindowPlacement::Right, 640, 0, 640, 974},
    };
    for (const Case& c : on1280x974) {
        const orvenna::PlacementRect r = orvenna::placeOnScreen(c.placement, 1280, 974);
        EXPECT_EQ((std::array<int, 4>{r.left, r.top, r.width, r.height}),
                  (std::array<int, 4>{c.left, c.top, c.width, c.height}))
            << static_cast<int>(c.placement);
    }
    // Odd sizes halve downwards; an area that starts below a top panel moves every placement with it.
    const orvenna::PlacementRect odd = orvenna::placeOnScreen(WindowPlacement::RightBottom, 1281, 975);
    EXPECT_EQ((std::array<int, 4>{odd.left, odd.top, odd.width, odd.height}),
              (std::array<int, 4>{640, 487, 640, 487}));
    const orvenna::PlacementRect shifted = orvenna::placeOnScreen(WindowPlacement::Bottom, 1920, 1050, 0, 30);
    EXPECT_EQ((std::array<int, 4>{shifted.left, shifted.top, shifted.width, shifted.height}),
              (std::array<int, 4>{0, 555, 1920, 525}));
}

}  // namespace
