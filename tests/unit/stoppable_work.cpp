// Work that must never hold the viewer for good: readers refuse pipes and devices at once, metadata
// reading ends whatever the text holds, a histogram pass and a redraw stop when asked, and a raised stop
// flag ends runaway repeats. Without these, each test here would hang (ctest's time limit fails it).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <vector>

#include "calc/ecalc.h"
#include "calc/ecalc_program.h"
#include "display/Composite.h"
#include "scene/econf.h"
#include "scene/remos.h"
#include "scene/tifrec.h"
#include "tests/unit/remos_test_files.h"

using remos_test::TempDir;

namespace {

TEST(StoppableWork, ReadersRefusePipesDevicesAndFoldersAtOnce) {
    TempDir dir;
    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {pipe, std::string("/dev/zero"), dir.path().string()}) {
        SCOPED_TRACE(path);
        SceneFile scene{};
        EXPECT_EQ(remos_open(&scene, path.c_str(), FMT_DETECT), REMOS_CANNOT_OPEN);
        EXPECT_EQ(remos_open(&scene, path.c_str(), FMT_OPEN_ONLY), REMOS_CANNOT_OPEN);
        EXPECT_EQ(scene.file, nullptr);
        TiffFile tiff{};
        EXPECT_EQ(tifrec_open(&tiff, path.c_str()), 1);
        ConfFile conf{};
        EXPECT_EQ(econf_open(&conf, path.c_str()), 0);
        EXPECT_EQ(conf.file, nullptr);
    }
}

// A text of NUL bytes or blanks stores no entry, so only the bytes and line pieces read can end the pass.
TEST(StoppableWork, MetadataReadingEndsWhateverTheTextHolds) {
    TempDir dir;
    const std::string blanks = dir.file("blanks.met");
    remos_test::write_file(blanks, remos_test::Bytes(80u << 20, ' '));
    for (const char* path : {"/dev/zero", blanks.c_str()}) {
        SCOPED_TRACE(path);
        ConfFile conf{};
        conf.file = std::fopen(path, "r");  // as if the caller had opened the stream itself
        ASSERT_NE(conf.file, nullptr);
        EXPECT_EQ(econf_read(&conf), 0);
        EXPECT_EQ(econf_close(&conf), 1);
    }
}

TEST(StoppableWork, HistogramPassStopsWhenAsked) {
    TempDir dir;
    const std::string path = dir.file("n.vdm");
    remos_test::write_file(path, remos_test::native_file(300, 200, 1));
    SceneFile scene{};
    ASSERT_EQ(remos_open(&scene, path.c_str(), FMT_DETECT), REMOS_OK);
    BandInfo* band = &scene.bands[0];
    band->hist_peak = 77;
    struct Calls {
        int count = 0;
        double last = -1;
        bool rising = true;
    } calls;
    auto stopAtOnce = [](void* context, double done) {
        static_cast<Calls*>(context)->count++;
        static_cast<Calls*>(context)->last = done;
        return 0;
    };
    EXPECT_EQ(remos_make_histogram_progress(band, stopAtOnce, &calls), 0);
    EXPECT_EQ(calls.count, 1);
    EXPECT_EQ(band->hist_peak, 77);  // a stopped pass leaves the band as it was

    calls = Calls{};
    auto goOn = [](void* context, double done) {
        auto* c = static_cast<Calls*>(context);
        c->rising = c->rising && done >= c->last && done <= 1.0;
        c->last = done;
        c->count++;
        return 1;
    };
    EXPECT_EQ(remos_make_histogram_progress(band, goOn, &calls), 1);
    EXPECT_TRUE(calls.rising);
    EXPECT_DOUBLE_EQ(calls.last, 1.0);
    BandInfo plain = *band;
    ASSERT_EQ(remos_make_histogram(&plain), 1);
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(band->histogram[v], plain.histogram[v]) << v;
    remos_close(&scene);
}

TEST(StoppableWork, RaisedStopFlagEndsRunawayRepeats) {
    CalcExpr* tree = ecalc_compile("2000000000@(2000000000@(x=x+1))");
    ASSERT_NE(tree, nullptr);
    EcalcProgram program(tree);
    std::atomic<bool> stop{true};
    program.set_stop_flag(&stop);
    double x = 0;
    double cells[26] = {};
    LetterCells letters;
    for (int k = 0; k < 26; ++k)
        letters[k] = k == 23 ? &x : &cells[k];
    program.evaluate(letters, 0.0);  // returns at once instead of after 4e18 turns
    EXPECT_LE(x, 1.0);
    stop = false;
    CalcExpr* small = ecalc_compile("5@(y=y+1)");
    EcalcProgram counted(small);
    counted.set_stop_flag(&stop);
    double y = 0;
    letters[24] = &y;
    counted.evaluate(letters, 0.0);
    EXPECT_EQ(y, 5.0);  // a lowered flag changes nothing
    ecalc_free(small);
    ecalc_free(tree);
}

// A redraw stopped from its control ends within the line in progress and reports only finished lines;
// one left alone reports every line and completes.
TEST(StoppableWork, RedrawReportsFinishedLinesAndStops) {
    TempDir dir;
    const std::string path = dir.file("n.vdm");
    remos_test::write_file(path, remos_test::native_file(64, 48, 1));
    SceneFile scene{};
    ASSERT_EQ(remos_open(&scene, path.c_str(), FMT_DETECT), REMOS_OK);
    orvenna::CompositeBandRow row;
    row.band = &scene.bands[0];
    const orvenna::ViewGeometry geometry = orvenna::compute_view_geometry(100, 80, 32, 24, 5, 64, 48);
    std::vector<uint8_t> pixels(100 * 80 * 3);
    orvenna::CompositeTarget target{pixels.data(), 100, 80, 300};
    CalcExpr* runaway = ecalc_compile("100000000@(x=x+1)");
    CalcExpr* plain = ecalc_compile("a");
    orvenna::CompositeRenderer renderer;

    orvenna::RedrawControl stopped;
    stopped.stop = true;
    renderer.draw(&row, 1, {runaway, plain, plain}, geometry, target, &stopped);
    EXPECT_FALSE(stopped.complete);
    EXPECT_EQ(stopped.lines_done, geometry.offset_y);  // only the white lines above the image

    orvenna::RedrawControl whole;
    renderer.draw(&row, 1, {plain, plain, plain}, geometry, target, &whole);
    EXPECT_TRUE(whole.complete);
    EXPECT_EQ(whole.lines_done, 80);
    ecalc_free(runaway);
    ecalc_free(plain);
    remos_close(&scene);
}

}  // namespace
