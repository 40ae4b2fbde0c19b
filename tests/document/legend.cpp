// The colour bar the document keeps for its last preset: its title and labels, and its colours, which must be
// the composite's colours for the same values through the preset's own expressions; and when it is forgotten.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cmath>
#include <filesystem>

#include "document/Document.h"
#include "tests/support/document_opening.h"
#include "tests/unit/composite_support.h"
#include "tests/unit/remos_test_files.h"

using namespace orvenna;

namespace {

// The value a pixel of bytes (a, b) stands for; NaN leaves it out. The bar's NDVI values are the steps k/128.
double NdviOf(const Document&, int r, int n) {
    const double v = r + n ? double(n - r) / (n + r) : NAN;
    return v * 128 == std::floor(v * 128) ? v : NAN;
}
// The others take the ramp's pixels (b = 255 - a), drawn in the bar's order: scratch letters carry alike.
double RampOf(const Document&, int a, int b) {
    return b == 255 - a ? a : NAN;
}
// A Landsat 8 byte stands for the middle of its 1/256 share of the band's display range.
double TemperatureOf(const Document& d, int a, int b) {
    const BandInfo* info = d.band(0).info;
    double t = NAN;
    d.temperatureOf(0, info->display_low + (a + 0.5) * (info->display_high - info->display_low) / 256, &t);
    return b == 255 - a ? t : NAN;
}

struct LegendCase {
    const char* what;
    const char* clip;  // a Landsat 8 band with the metadata; null: the synthetic scene
    PresetRequest request;
    const char* title;
    std::array<const char*, 3> labels;
    double (*value)(const Document&, int, int);
    int compared;  // at least this many pixels fall on the bar
};

void PrintTo(const LegendCase& c, std::ostream* out) {
    *out << c.what;
}

class LegendTest : public ::testing::TestWithParam<LegendCase> {
protected:
    remos_test::TempDir dir;
    Document document;
};

TEST_P(LegendTest, ShowsThePicturesColoursForItsValues) {
    const LegendCase& c = GetParam();
    // Band a steps over 0..255 (b: 255 - a), then NDVI pairs of every index k / 128 and both ends.
    std::vector<std::pair<int, int>> pixels{{5, 0}, {0, 5}};
    for (int a = 0; a < 256; ++a)
        pixels.push_back({a, 255 - a});
    for (int k = -127; k <= 127; ++k)
        pixels.push_back({128 - k, 128 + k});
    const int width = static_cast<int>(pixels.size());
    const auto scene = composite_test::make_scene(dir.path(), width, 1, 2, [&](int band, int x, int) {
        return uint8_t(band == 0 ? pixels[x].first : pixels[x].second);
    });
    std::vector<std::string> files{scene->file.path};
    if (c.clip) {
        // In a folder of its own: the metadata is looked for beside the first file.
        files.clear();
        for (const char* kind : {"B10.TIF", "MTL.txt"}) {
            const std::string name = std::string("LC08_L1TP_195025_20130707_20170503_01_T1_") + kind;
            files.push_back(dir.file(name));
            std::filesystem::copy_file(std::string(ORVENNA_SOURCE_DIR) + "/tests/data/landsat/" + name,
                                       files.back());
        }
    }
    ASSERT_TRUE(doctest::OpenInto(document, files).empty());
    ASSERT_TRUE(document.applyPreset(c.request).applied);
    const Legend& legend = document.legend();
    ASSERT_TRUE(legend.drawable());
    EXPECT_EQ(legend.title, c.title);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(legend.label(k), c.labels[k]) << "label " << k;

    composite_test::Picture picture(width, 1);
    const ViewGeometry whole = compute_view_geometry(width, 1, width / 2, 0, kUnitZoomStep, width, 1);
    ASSERT_EQ(whole.columns, width);
    DrawCompositeReference(
        scene->rows.data(), 2,
        {document.expression(0).tree(), document.expression(1).tree(), document.expression(2).tree()}, whole,
        picture.target());
    int compared = 0;
    for (int x = 0; x < width; ++x) {
        const double v = c.value(document, pixels[x].first, pixels[x].second);
        if (!(v >= legend.low && v <= legend.high)) continue;
        const LegendStop* stop = legend.stopAt(v);
        const std::array<int, 3> bar{stop->red, stop->green, stop->blue};
        const uint8_t* drawn = picture.px(x, 0);
        ASSERT_EQ(bar, (std::array<int, 3>{drawn[2], drawn[1], drawn[0]})) << "pixel " << x << " value " << v;
        if (c.request.kind == PresetRequest::Kind::Ndvi) {
            const int grey = std::clamp(static_cast<int>(v * 128 + 128), 0, 255);
            ASSERT_EQ(bar, (std::array<int, 3>{grey, grey, grey}));
        }
        ++compared;
    }
    EXPECT_GE(compared, c.compared);
}

INSTANTIATE_TEST_SUITE_P(
    Presets, LegendTest,
    ::testing::Values(
        LegendCase{"ndvi", nullptr, PresetRequest::ndvi(0, 1), "NDVI", {"-1", "0", "1"}, NdviOf, 257},
        LegendCase{"thermography",
                   nullptr,
                   PresetRequest::thermography("a"),
                   "a",
                   {"0", "127.5", "255"},
                   RampOf,
                   256},
        LegendCase{"landsat",
                   "B10",
                   PresetRequest::landsatTemperature(0, 10, 35),
                   "℃",
                   {"10", "22.5", "35"},
                   TemperatureOf,
                   250}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(LegendLifetime, HandTypedTextsClosingAndANewSceneForgetIt) {
    remos_test::TempDir dir;
    const std::string path = dir.file("scene.bil");
    remos_test::write_file(path, remos_test::native_file(8, 6, 2, remos_test::pattern));
    Document document;
    int changes = 0;
    QObject::connect(&document, &Document::legendChanged, [&] { ++changes; });
    const struct {
        std::function<void()> act;
        bool kept;
    } steps[] = {
        {[&] { document.setExpression(1, document.expression(1).text()); }, true},  // the preset's own text
        {[&] { document.setExpression(1, "a"); }, false},
        {[&] { document.closeAll(); }, false},
        {[&] {
             document.closeBand(1);
             document.closeBand(0);
             doctest::OpenInto(document, {path});
         },
         false},
        {[&] { document.applyPreset(PresetRequest::thermography("(a")); }, false},  // no colours to show
    };
    for (const auto& step : steps) {
        if (document.bandCount() == 0) {
            ASSERT_TRUE(doctest::OpenInto(document, {path}).empty());
        }
        ASSERT_TRUE(document.applyPreset(PresetRequest::ndvi(0, 1)).applied);
        ASSERT_TRUE(document.legend().drawable());
        changes = 0;
        step.act();
        EXPECT_EQ(document.legend().drawable(), step.kept);
        EXPECT_EQ(changes, step.kept ? 0 : 1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
