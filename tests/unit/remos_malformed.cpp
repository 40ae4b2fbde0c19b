// Damaged and hostile files (tests/data/malformed/, one file per case) must be refused or read cleanly; the
// fuzzing seeds, which are well-formed scenes of every kind, must open.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "scene/remos.h"

namespace {

std::vector<std::filesystem::path> files_in(const std::string& dir) {
    std::vector<std::filesystem::path> out;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.is_regular_file()) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

// Opens a file with detection and, when it opens, reads every band at its edges and makes its histogram.
int open_and_read(const std::string& path) {
    SceneFile scene;
    int r = remos_open(&scene, path.c_str(), FMT_DETECT);
    if (r == 1) {
        for (uint32_t i = 0; i < scene.band_count; ++i) {
            BandInfo* b = &scene.bands[i];
            std::vector<unsigned char> row(static_cast<size_t>(b->width));
            EXPECT_EQ(remos_read_row(b, row.data(), 0, 0, b->width), 1) << path;
            EXPECT_EQ(remos_read_row(b, row.data(), b->lines - 1, 0, b->width), 1) << path;
            remos_read_sample(b, static_cast<int64_t>(b->width) * b->lines - 1);
            if (b->bits == 8) {
                EXPECT_EQ(remos_make_histogram(b), 1) << path;
                int64_t total = 0;
                for (int v = 0; v < 256; ++v)
                    total += b->histogram[v];
                EXPECT_EQ(total, static_cast<int64_t>(b->width) * b->lines) << path;
            }
        }
    }
    if (r != 0) remos_close(&scene);
    return r;
}

TEST(RemosMalformed, EveryFileIsRefusedOrReadCleanly) {
    const auto files = files_in(ORVENNA_SOURCE_DIR "/tests/data/malformed");
    for (const auto& f : files) {
        int r = open_and_read(f.string());
        EXPECT_TRUE(r == 1 || r == 3) << f << " gave " << r;
        // Files named after a refusal must be refused by their reader. A TIFF the built-in reader refuses
        // goes on to GDAL with detection, so its refusal is checked with the built-in reader alone.
        const std::string name = f.filename().string();
        if (name.rfind("remos_refused_tiff_", 0) == 0) {
            SceneFile scene;
            const int builtin = remos_open(&scene, f.string().c_str(), FMT_TIFF);
            EXPECT_EQ(builtin, 3) << f;
            if (builtin != 0) remos_close(&scene);
        } else if (name.rfind("remos_refused_", 0) == 0) {
            EXPECT_EQ(r, 3) << f;
        }
    }
}

TEST(RemosMalformed, FuzzSeedsOpen) {
    const auto files = files_in(ORVENNA_SOURCE_DIR "/fuzz/corpus/remos_open");
    ASSERT_FALSE(files.empty());
    for (const auto& f : files)
        EXPECT_EQ(open_and_read(f.string()), 1) << f;
}

}  // namespace
