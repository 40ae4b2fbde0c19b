// The document without a window: the one opener's refusals, histogram policies and stops; display ranges kept
// valid whichever bound moved; presets that say why they cannot be made; bands closed while a redraw still
// reads them; a histogram counted in the background that follows its band; large bands opened from a sample.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <filesystem>
#include <fstream>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "document/Document.h"
#include "document/ViewerJobs.h"
#include "scene/subdatasets.h"
#include "tests/support/document_opening.h"
#include "tests/support/event_pump.h"
#include "tests/unit/gdal_test_files.h"
#include "tests/unit/remos_test_files.h"

using namespace orvenna;
using Kind = OpeningRefusal::Kind;

namespace {

const std::string kLandsat = std::string(ORVENNA_SOURCE_DIR) + "/tests/data/landsat/";

int openFileCount() {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                          std::filesystem::directory_iterator()));
}

class DocumentTest : public ::testing::Test {
protected:
    std::string native(const std::string& name, int w, int h, int bands = 1,
                       const std::function<unsigned char(int, int, int)>& px = remos_test::pattern) {
        const std::string path = dir.file(name);
        remos_test::write_file(path, remos_test::native_file(w, h, bands, px));
        return path;
    }
    // A one-band UInt16 GeoTIFF of value(x, y).
    std::string wide(const std::string& name, int w, int h, const std::function<double(int, int)>& value) {
        const std::string source = gdal_test::write_envi(dir.file(name + ".src"), w, h, 1,
                                                         [&](int, int x, int y) { return value(x, y); });
        const std::string path = dir.file(name);
        EXPECT_TRUE(gdal_test::translate(source, path, "-of GTiff -ot UInt16"));
        return path;
    }
    remos_test::TempDir dir;
    Document document;
};

TEST_F(DocumentTest, RefusedFilesAreNamedAndTheOthersOpen) {
    const std::string good = native("a_good.bil", 8, 6);
    std::filesystem::create_directories(dir.file("c_folder"));
    remos_test::write_file(dir.file("d_unknown.txt"), remos_test::Bytes(100, 'x'));
    remos_test::write_file(dir.file("e_picture.bmp"), remos_test::Bytes(60, 'B'));
    native("f_mismatch.bil", 9, 6);
    native("g_after.bil", 8, 6);
    std::vector<std::string> files = {
        dir.file("g_after.bil"),   dir.file("f_mismatch.bil"), good,
        dir.file("b_missing.bil"), dir.file("c_folder"),       dir.file("d_unknown.txt"),
        dir.file("e_picture.bmp")};
    // The side files of a product are passed over without a word, like its metadata text.
    for (const char* side : {"h_MTL.txt", "LC08_ANG.txt", "x_gcp.TXT", "MTD_MSIL1C.xml", "README.GTF"}) {
        remos_test::write_file(dir.file(side), remos_test::Bytes(10, ' '));
        files.push_back(dir.file(side));
    }
    std::vector<OpeningRefusal> refusals = doctest::OpenInto(document, files);
    const std::vector<std::pair<Kind, std::string>> expected = {{Kind::CannotOpen, "b_missing.bil"},
                                                                {Kind::CannotOpen, "c_folder"},
                                                                {Kind::Unrecognised, "d_unknown.txt"},
                                                                {Kind::Picture, "e_picture.bmp"},
                                                                {Kind::NotOnGrid, "f_mismatch.bil"}};
    ASSERT_EQ(refusals.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(refusals[i].kind, expected[i].first) << i;
        EXPECT_EQ(FileNameOf(refusals[i].path), expected[i].second);
    }
    EXPECT_FALSE(refusals[0].reason.empty());  // the system's reason
    EXPECT_NE(refusals[2].reason.find("不明な衛星データ形式"), std::string::npos);
    ASSERT_EQ(document.bandCount(), 2);  // g_after.bil opens after the refusals
    EXPECT_EQ(document.band(0).fileName, "a_good.bil");
    EXPECT_EQ(document.band(1).fileName, "g_after.bil");

    // A path longer than a scene record holds (in folders of 200-byte names).
    std::string deep = dir.path().string();
    for (int i = 0; i < 5; ++i)
        deep += "/" + std::string(200, 'b');
    std::filesystem::create_directories(deep);
    remos_test::write_file(deep + "/x.bil", remos_test::native_file(8, 6, 1));
    Document other;
    refusals = doctest::OpenInto(other, {deep + "/x.bil", good});
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0].kind, Kind::PathTooLong);
    EXPECT_EQ(other.bandCount(), 1);

    // The render command stops at the first refusal: the answer false ends the opening there.
    struct Strict : doctest::CollectingQuestions {
        bool refused(const OpeningRefusal& r) override {
            refusals.push_back(r);
            return false;
        }
    } strict;
    OpeningControl control;
    const OpeningResult result = OpenFiles({good, dir.file("b_missing.bil"), dir.file("g_after.bil")},
                                           OpeningOptions{}, strict, control);
    EXPECT_EQ(strict.refusals.size(), 1u);
    EXPECT_EQ(result.bandCount(), 1);
    EXPECT_FALSE(result.finished);
    EXPECT_FALSE(result.metadataRead);  // a stopped opening reads no metadata
}

TEST_F(DocumentTest, HistogramPoliciesTheLargeFileQuestionAndStops) {
    const std::string eight = native("a.bil", 40, 30, 1, [](int, int x, int) { return uint8_t(100 + x); });
    const std::string sixteen = wide("b.tif", 40, 30, [](int x, int y) { return 1000 + 37 * x + y; });
    struct Policy {
        OpeningOptions::Histograms histograms;
        bool eightMade, wideMade;
    } policies[] = {{OpeningOptions::Histograms::All, true, true},
                    {OpeningOptions::Histograms::WideOnly, false, true},
                    {OpeningOptions::Histograms::None, false, false}};
    for (const Policy& p : policies) {
        Document d;
        ASSERT_TRUE(doctest::OpenInto(d, {eight, sixteen}, p.histograms).empty());
        ASSERT_EQ(d.bandCount(), 2);
        EXPECT_EQ(d.band(0).histogramMade, p.eightMade);
        EXPECT_EQ(d.band(1).histogramMade, p.wideMade);
        EXPECT_EQ(d.band(0).info->histogram[110] > 0, p.eightMade);
        // 8-bit bands open at 0..255; a wide band with its histogram at the automatic range.
        EXPECT_EQ(d.band(0).info->range_low, 0);
        EXPECT_EQ(d.band(0).info->range_high, 255);
        if (p.wideMade) {
            EXPECT_GE(d.band(1).info->display_low, 1000);
            EXPECT_LE(d.band(1).info->display_high, 1000 + 37 * 39 + 29);
            EXPECT_LT(d.band(1).info->display_low, d.band(1).info->display_high);
        }
    }

    // A band whose range the caller gives counts nothing.
    OpeningOptions given;
    given.rangeGiven = {false, true};
    doctest::CollectingQuestions questions;
    OpeningControl go;
    const OpeningResult ranged = OpenFiles({eight, sixteen}, given, questions, go);
    ASSERT_EQ(ranged.opened.size(), 2u);
    EXPECT_TRUE(ranged.opened[0].histogramMade[0]);
    EXPECT_FALSE(ranged.opened[1].histogramMade[0]);

    // A file over 100 MB asks first; No opens it without histograms.
    const std::string large = native("c.bil", 40, 30);
    ASSERT_EQ(truncate(large.c_str(), 150 << 20), 0);
    struct Asked : doctest::CollectingQuestions {
        bool countHistogramsOfLargeFile(const std::string& path) override {
            asked.push_back(FileNameOf(path));
            return false;
        }
        std::vector<std::string> asked;
    } asked;
    OpeningControl control;
    OpeningResult result = OpenFiles({eight, large}, OpeningOptions{}, asked, control);
    EXPECT_EQ(asked.asked, std::vector<std::string>{"c.bil"});
    ASSERT_EQ(result.opened.size(), 2u);
    EXPECT_TRUE(result.opened[0].histogramMade[0]);
    EXPECT_FALSE(result.opened[1].histogramMade[0]);

    // Asked to stop: nothing more is opened and the result says it was stopped.
    control.stopOpening = true;
    result = OpenFiles({eight, sixteen}, OpeningOptions{}, asked, control);
    EXPECT_FALSE(result.finished);
    EXPECT_TRUE(result.opened.empty());
}

TEST_F(DocumentTest, RangesStayValidWhicheverBoundMoved) {
    ASSERT_TRUE(
        doctest::OpenInto(document, {native("a.bil", 16, 8, 1, [](int, int, int) { return uint8_t(7); }),
                                     wide("b.tif", 16, 8, [](int, int) { return 1234; })})
            .empty());
    const BandInfo* eight = document.band(0).info;
    const BandInfo* sixteen = document.band(1).info;
    struct EightBit {
        int low, high;
        MovedBound moved;
        int wantLow, wantHigh;
    } eightCases[] = {
        {10, 200, MovedBound::Lower, 10, 200}, {200, 100, MovedBound::Lower, 99, 100},
        {50, 20, MovedBound::Upper, 50, 51},   {300, 400, MovedBound::Upper, 254, 255},
        {-5, 0, MovedBound::Lower, 0, 1},      {255, 255, MovedBound::Lower, 254, 255},
    };
    for (const EightBit& c : eightCases) {
        document.setEightBitRange(0, c.low, c.high, c.moved);
        EXPECT_EQ(eight->range_low, c.wantLow) << c.low << ".." << c.high;
        EXPECT_EQ(eight->range_high, c.wantHigh) << c.low << ".." << c.high;
    }
    struct Wide {
        double low, high;
        MovedBound moved;
        double wantLow, wantHigh;
    } wideCases[] = {
        {100, 50, MovedBound::Lower, 49, 50},
        {-10, 70000, MovedBound::Upper, 0, 65535},
        {20, 20, MovedBound::Upper, 20, 21},
    };
    for (const Wide& c : wideCases) {
        document.setValueRange(1, c.low, c.high, c.moved);
        EXPECT_EQ(sixteen->display_low, c.wantLow) << c.low << ".." << c.high;
        EXPECT_EQ(sixteen->display_high, c.wantHigh) << c.low << ".." << c.high;
    }
    // "自動" on bands of one value: the cut meets itself; the upper bound steps above it.
    document.setAutomaticRange(0, 0.00085, false);
    EXPECT_EQ(eight->range_low, 7);
    EXPECT_EQ(eight->range_high, 8);
    document.setAutomaticRange(1, 0.00085, false);
    EXPECT_EQ(sixteen->display_low, 1234);
    EXPECT_EQ(sixteen->display_high, 1235);
    // A preset's range: a wide band takes it as given, past its kind; an 8-bit band the nearest whole
    // values inside 0..255.
    document.setPresetRange(1, -100.5, 70000.25);
    EXPECT_EQ(sixteen->display_low, -100.5);
    EXPECT_EQ(sixteen->display_high, 70000.25);
    document.setPresetRange(0, -3.4, 300);
    EXPECT_EQ(eight->range_low, 0);
    EXPECT_EQ(eight->range_high, 255);
    document.setPresetRange(0, 100.4, 100.6);
    EXPECT_EQ(eight->range_low, 100);
    EXPECT_EQ(eight->range_high, 101);
}

TEST_F(DocumentTest, PresetsSayWhyTheyCannotBeMade) {
    const std::string folder = dir.file("band11");
    std::filesystem::create_directories(folder);
    const std::string b11 = folder + "/LC08_L1TP_195025_20130707_20170503_01_T1_B11.TIF";
    std::filesystem::copy_file(kLandsat + "LC08_L1TP_195025_20130707_20170503_01_T1_B11.TIF", b11);
    ASSERT_TRUE(doctest::OpenInto(document, {b11}).empty());  // no MTL beside it
    const std::string before = document.expression(0).text();
    struct Case {
        PresetRequest request;
        const char* says;
    } cases[] = {
        {PresetRequest::ndvi(0, 3), "バンド d がありません"},
        {PresetRequest::landsatTemperature(0, 0, 40), "LANDSAT 8/9 バンド11 の熱赤外の定数"},
    };
    for (const Case& c : cases) {
        const PresetResult r = document.applyPreset(c.request);
        EXPECT_FALSE(r.applied);
        EXPECT_NE(r.problem.find(c.says), std::string::npos) << r.problem;
        EXPECT_EQ(document.expression(0).text(), before);  // nothing changed
    }
    // A band without any calibration: the typed LMAX/LMIN of the dialog make it, the command cannot.
    Document plain;
    ASSERT_TRUE(doctest::OpenInto(plain, {native("t.bil", 8, 8)}).empty());
    PresetRequest typed = PresetRequest::landsatTemperature(0, 0, 40);
    EXPECT_NE(plain.applyPreset(typed).problem.find("校正値"), std::string::npos);
    typed.typedCalibration = true;
    typed.lmax = 17.04f;
    EXPECT_TRUE(plain.applyPreset(typed).applied);
    EXPECT_NE(plain.expression(0).text().find("17.040001"), std::string::npos);
    EXPECT_TRUE(plain.expression(0).compiles());
}

TEST_F(DocumentTest, ClosedBandsStayReadableForTheRedrawThatHoldsThem) {
    const int filesBefore = openFileCount();
    ASSERT_TRUE(doctest::OpenInto(document, {native("a.bil", 16, 8)}).empty());
    EXPECT_EQ(openFileCount(), filesBefore + 1);
    {
        RedrawScene scene = document.redrawScene();
        document.closeAll();
        EXPECT_FALSE(document.hasBands());
        unsigned char row[16];
        ASSERT_EQ(remos_read_row(scene.rows[0].band, row, 3, 0, 16), 1);
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(row[x], remos_test::pattern(0, x, 3));
        EXPECT_EQ(openFileCount(), filesBefore + 1);
    }
    EXPECT_EQ(openFileCount(), filesBefore);  // the file went with the redraw's copy
}

// A histogram counted in the background lands on its band, also after a band before it was closed.
TEST_F(DocumentTest, BackgroundHistogramFollowsItsBand) {
    ASSERT_TRUE(doctest::OpenInto(document, {native("a.bil", 64, 64), native("b.bil", 64, 64)},
                                  OpeningOptions::Histograms::None)
                    .empty());
    ViewerJobs jobs(document);
    int counted = -2;
    QObject::connect(&jobs, &ViewerJobs::histogramCounted, [&](int index) { counted = index; });
    ASSERT_TRUE(jobs.countHistogram(1));
    EXPECT_TRUE(jobs.countHistogram(0));  // one pass at a time: it waits behind the first
    EXPECT_TRUE(jobs.histogramPending(0));
    document.closeBand(0);
    ASSERT_TRUE(testsupport::pumpUntil([&] { return counted != -2; }, 10000));
    EXPECT_EQ(counted, 0);
    EXPECT_TRUE(document.band(0).histogramMade);
    EXPECT_EQ(document.band(0).info->hist_peak > 0, true);

    // Closing while a pass runs: ready once it has ended.
    bool ready = false;
    QObject::connect(&jobs, &ViewerJobs::readyToClose, [&] { ready = true; });
    ASSERT_TRUE(jobs.countHistogram(0));
    jobs.close();
    EXPECT_EQ(jobs.state(), ViewerJobs::State::Closing);
    ASSERT_TRUE(testsupport::pumpUntil([&] { return ready; }, 10000));
    EXPECT_FALSE(jobs.busy());
}

// Large bands read through GDAL open with a range from a sample (their overview, or blocks spread over the
// band), are drawn at once, and get their exact histogram in the background: it replaces the sampled one
// without moving the range or asking for a redraw, and equals the histogram an exact opening counts.
TEST_F(DocumentTest, LargeBandsOpenFromASampleAndTheExactHistogramFollows) {
    // Mostly dark with a bright corner: the sample must still see both.
    const std::string source = gdal_test::write_envi(dir.file("scene"), 600, 500, 1, [](int, int x, int y) {
        return x > 450 && y > 380 ? 30000 + (x * 7 + y) % 900 : 1000 + (x * 13 + y * 7) % 4000;
    });
    struct Case {
        const char* name;
        const char* options;
    } cases[] = {{"overviews.tif", "-of COG -co BLOCKSIZE=64 -co COMPRESS=DEFLATE"},
                 {"blocks.tif", "-of COG -co BLOCKSIZE=64 -co COMPRESS=DEFLATE -co OVERVIEWS=NONE"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(gdal_test::translate(source, path, std::string("-ot UInt16 ") + c.options));
        Document exact;
        ASSERT_TRUE(doctest::OpenInto(exact, {path}).empty());

        Document sampled;
        ViewerJobs jobs(sampled);
        jobs.setSampleAbove(1000);
        jobs.setRedrawPlanner([](ViewGeometry* g) {
            *g = compute_view_geometry(60, 50, 300, 250, 9, 600, 500);
            return true;
        });
        struct : OpeningAnswers {
            bool countHistogramsOfLargeFile(const std::string&) override { return true; }
            bool refused(const OpeningRefusal&) override { return true; }
        } answers;
        int redraws = 0, counted = -2;
        double lastProgress = -2;
        QObject::connect(&jobs, &ViewerJobs::redrawStarted, [&] { ++redraws; });
        QObject::connect(&jobs, &ViewerJobs::histogramCounted, [&](int index) { counted = index; });
        QObject::connect(&jobs, &ViewerJobs::histogramProgress,
                         [&](int, double done) { lastProgress = done; });
        ASSERT_TRUE(jobs.open({path}, OpeningOptions::Histograms::All, &answers));
        ASSERT_TRUE(testsupport::pumpUntil([&] { return sampled.hasBands() && redraws == 1; }, 10000));
        const BandInfo* band = sampled.band(0).info;
        EXPECT_TRUE(sampled.band(0).histogramSampled);
        const double low = band->display_low, high = band->display_high;
        EXPECT_LT(low, high);
        // Near the exact opening's range: overviews resample (cubic ones overshoot), so within 5 % of the
        // span.
        const BandInfo* whole = exact.band(0).info;
        const double near = 0.05 * (whole->value_max - whole->value_min);
        EXPECT_NEAR(low, whole->display_low, near);
        EXPECT_NEAR(high, whole->display_high, near);

        ASSERT_TRUE(testsupport::pumpUntil([&] { return counted != -2; }, 20000));
        EXPECT_EQ(counted, 0);
        EXPECT_EQ(lastProgress, -1.0);  // the row's progress was taken down
        EXPECT_TRUE(sampled.band(0).histogramMade);
        EXPECT_FALSE(sampled.band(0).histogramSampled);
        EXPECT_EQ(band->display_low, low);  // no jump
        EXPECT_EQ(band->display_high, high);
        EXPECT_EQ(redraws, 1);
        EXPECT_TRUE(
            std::equal(std::begin(band->histogram), std::end(band->histogram), std::begin(whole->histogram)));
        EXPECT_EQ(band->value_max, whole->value_max);
    }
}

// A container opens the parts chosen beforehand or answered, each as a file of its own named "x.nc:part";
// no answer passes it over without a word; a name it does not hold is refused with the names it holds.
TEST_F(DocumentTest, ContainersOpenTheSubdatasetsChosen) {
    const std::string nc = dir.file("x.nc");
    ASSERT_TRUE(gdal_test::write_netcdf_container(nc));
    struct Chooser : doctest::CollectingQuestions {
        std::vector<int> answer;
        std::vector<std::string> offered;
        std::vector<int> chooseSubdatasets(const std::string&,
                                           const std::vector<SubdatasetInfo>& list) override {
            for (const SubdatasetInfo& part : list)
                offered.push_back(part.name);
            return answer;
        }
    };
    const struct {
        std::vector<std::string> named;
        std::vector<int> answer;
        std::vector<std::pair<std::string, int>> opened;  // file name shown, bands
        bool asked;
        std::string refusal;
    } cases[] = {
        {{}, {0, 2}, {{"x.nc:sst", 3}, {"x.nc:depth", 1}}, true, ""},
        {{}, {}, {}, true, ""},
        {{"t"}, {}, {{"x.nc:t", 2}}, false, ""},
        {{"salinity", "depth"},
         {},
         {{"x.nc:depth", 1}},
         false,
         "サブデータセット \"salinity\" はありません (sst, t, depth)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opened.size());
        Document d;
        Chooser questions;
        questions.answer = c.answer;
        OpeningControl control;
        OpeningOptions options = d.openingOptions(OpeningOptions::Histograms::All);
        options.subdatasets = c.named;
        const OpeningResult result = OpenFiles({nc}, options, questions, control);
        const std::vector<std::string> offered =
            c.asked ? std::vector<std::string>{"sst", "t", "depth"} : std::vector<std::string>{};
        EXPECT_EQ(questions.offered, offered);
        ASSERT_EQ(result.opened.size(), c.opened.size());
        for (size_t i = 0; i < c.opened.size(); ++i) {
            EXPECT_EQ(result.opened[i].fileName, c.opened[i].first);
            EXPECT_EQ(result.opened[i].scene->band_count(), c.opened[i].second);
        }
        ASSERT_EQ(questions.refusals.size(), c.refusal.empty() ? 0u : 1u);
        if (!c.refusal.empty()) {
            EXPECT_EQ(questions.refusals[0].words(), c.refusal);
        }
    }

    // The window's question comes through the opening job, and the time steps label their bands.
    ViewerJobs jobs(document);
    struct : OpeningAnswers {
        bool countHistogramsOfLargeFile(const std::string&) override { return true; }
        bool refused(const OpeningRefusal&) override { return true; }
        std::vector<int> chooseSubdatasets(const std::string&, const std::vector<SubdatasetInfo>&) override {
            return {0};
        }
    } answers;
    ASSERT_TRUE(jobs.open({nc}, OpeningOptions::Histograms::All, &answers));
    ASSERT_TRUE(testsupport::pumpUntil([&] { return document.hasBands(); }, 10000));
    ASSERT_EQ(document.bandCount(), 3);
    EXPECT_EQ(document.band(0).fileName, "x.nc:sst");
    EXPECT_EQ(band_label(document.band(2).info), "2000-01-01 12:00");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
