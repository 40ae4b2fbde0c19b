// TIFF files rewritten by libtiff's own tools (tiffcp, tiffset): what the reader accepts must read back pixel
// for pixel, and what it cannot draw (compressed, tiled, 16-bit, palette, separate planes) must be refused by
// the built-in reader and read back through GDAL when the format is detected.
// The tools are a test requirement (scripts/setup installs libtiff-tools): without them these tests fail.
#include <gdal.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "scene/remos.h"
#include "tests/unit/remos_test_files.h"

using namespace remos_test;

namespace {

int run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

std::string shell_quoted(const std::string& s) {
    return "'" + s + "'";
}

TEST(RemosTiffTools, ToolsArePresent) {
    ASSERT_EQ(run("command -v tiffcp"), 0) << "tiffcp missing: install libtiff-tools (scripts/setup)";
    ASSERT_EQ(run("command -v tiffset"), 0) << "tiffset missing: install libtiff-tools (scripts/setup)";
}

// Source image written by the test itself, one strip for the whole image (as many writers store it).
std::string write_source(const TempDir& dir, const std::string& name, int width, int lines, int samples) {
    TiffLayout s;
    s.width = width;
    s.lines = lines;
    s.samples = samples;
    s.rows_per_strip = 0;
    const std::string path = dir.file(name);
    write_file(path, tiff_image(s));
    return path;
}

// Opens `path` and compares every band with the generated pattern.
void expect_reads_back(const std::string& path, int width, int lines, int samples, const std::string& what) {
    SceneFile scene;
    ASSERT_EQ(remos_open(&scene, path.c_str(), FMT_DETECT), 1) << what;
    EXPECT_EQ(scene.format, FMT_TIFF) << what;
    ASSERT_EQ(scene.band_count, static_cast<uint32_t>(samples)) << what;
    EXPECT_EQ(scene.width, width) << what;
    EXPECT_EQ(scene.height, static_cast<uint32_t>(lines)) << what;
    std::vector<unsigned char> row(static_cast<size_t>(width));
    for (int b = 0; b < samples; ++b) {
        EXPECT_EQ(scene.bands[b].interleave, samples == 3 ? 1u : 0u) << what;
        for (int y = 0; y < lines; ++y) {
            remos_read_row(&scene.bands[b], row.data(), y, 0, width);
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(row[x], pattern(b, x, y)) << what << " band " << b << " x " << x << " y " << y;
        }
        ASSERT_EQ(remos_make_histogram(&scene.bands[b]), 1);
        int total = 0;
        for (int v = 0; v < 256; ++v)
            total += scene.bands[b].histogram[v];
        EXPECT_EQ(total, width * lines) << what;
    }
    remos_close(&scene);
}

void expect_refused(const std::string& path, const std::string& what) {
    SceneFile scene;
    int r = remos_open(&scene, path.c_str(), FMT_TIFF);
    EXPECT_EQ(r, 3) << what;
    EXPECT_EQ(scene.bands, nullptr) << what;
    if (r != 0) remos_close(&scene);
}

// With detection a TIFF the built-in reader refuses opens through GDAL, one band per sample, with the values
// `value(band, x, y)`.
void expect_read_through_gdal(const std::string& path, int width, int lines, int samples,
                              const std::string& what, const std::function<double(int, int, int)>& value) {
    SceneFile scene;
    ASSERT_EQ(remos_open(&scene, path.c_str(), FMT_DETECT), 1) << what;
    EXPECT_EQ(scene.format, FMT_GDAL) << what;
    ASSERT_EQ(scene.band_count, static_cast<uint32_t>(samples)) << what;
    ASSERT_EQ(scene.width, width) << what;
    ASSERT_EQ(scene.height, static_cast<uint32_t>(lines)) << what;
    for (int b = 0; b < samples; ++b)
        for (int y = 0; y < lines; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(remos_read_sample(&scene.bands[b], int64_t(y) * width + x), value(b, x, y))
                    << what << " band " << b << " x " << x << " y " << y;
    remos_close(&scene);
}

TEST(RemosTiffTools, UncompressedOneLinePerStripReadsBack) {
    TempDir dir;
    struct Case {
        const char* name;
        int width, lines, samples;
        const char* options;
    } cases[] = {
        {"grey little-endian", 37, 21, 1, "-c none -r 1 -L"},
        {"grey big-endian", 37, 21, 1, "-c none -r 1 -B"},
        {"colour little-endian", 29, 17, 3, "-c none -r 1 -L"},
        {"colour big-endian", 29, 17, 3, "-c none -r 1 -B"},
        {"wide grey", 1500, 4, 1, "-c none -r 1 -B"},
    };
    for (const Case& c : cases) {
        std::string src = write_source(dir, "src.tif", c.width, c.lines, c.samples);
        std::string out = dir.file("out.tif");
        ASSERT_EQ(run("tiffcp " + std::string(c.options) + " " + shell_quoted(src) + " " + shell_quoted(out)),
                  0)
            << c.name;
        expect_reads_back(out, c.width, c.lines, c.samples, c.name);
    }
}

TEST(RemosTiffTools, TagsAddedByTiffsetKeepTheImageReadable) {
    TempDir dir;
    for (const char* order : {"-L", "-B"}) {
        std::string src = write_source(dir, "src.tif", 31, 9, 3);
        std::string out = dir.file("out.tif");
        ASSERT_EQ(run("tiffcp -c none -r 1 " + std::string(order) + " " + shell_quoted(src) + " " +
                      shell_quoted(out)),
                  0);
        // A long text rewrites the directory elsewhere in the file.
        ASSERT_EQ(run("tiffset -s 270 " + shell_quoted(std::string(300, 'D')) + " " + shell_quoted(out)), 0);
        ASSERT_EQ(run("tiffset -s 305 'Orvenna test' " + shell_quoted(out)), 0);
        expect_reads_back(out, 31, 9, 3, std::string("tiffset ") + order);
    }
}

TEST(RemosTiffTools, LayoutsTheBuiltInReaderCannotDrawGoToGdal) {
    TempDir dir;
    struct Case {
        const char* name;
        int samples;
        const char* options;
    } cases[] = {
        {"lzw grey", 1, "-c lzw -r 1"},
        {"lzw colour", 3, "-c lzw -r 1 -B"},
        {"deflate", 1, "-c zip -r 1"},
        {"packbits", 1, "-c packbits -r 1"},
        {"tiled", 1, "-c none -t -w 16 -l 16"},
        {"tiled colour", 3, "-c none -t -w 16 -l 16 -B"},
        {"sixteen rows per strip", 1, "-c none -r 16"},
        {"separate planes", 3, "-c none -r 1 -p separate"},
    };
    for (const Case& c : cases) {
        std::string src = write_source(dir, "src.tif", 40, 40, c.samples);
        std::string out = dir.file("out.tif");
        ASSERT_EQ(run("tiffcp " + std::string(c.options) + " " + shell_quoted(src) + " " + shell_quoted(out)),
                  0)
            << c.name;
        expect_refused(out, c.name);
        expect_read_through_gdal(out, 40, 40, c.samples, c.name,
                                 [](int b, int x, int y) { return pattern(b, x, y); });
    }
}

TEST(RemosTiffTools, SixteenBitAndPaletteImagesGoToGdal) {
    TempDir dir;
    // 16-bit grey, one strip.
    Bytes pixels16;
    for (int i = 0; i < 20 * 10; ++i) {
        pixels16.push_back(static_cast<unsigned char>(i));
        pixels16.push_back(static_cast<unsigned char>(i >> 8));
    }
    write_file(dir.file("g16.tif"), tiff_file(true,
                                              {{256, kShort, {20}},
                                               {257, kShort, {10}},
                                               {258, kShort, {16}},
                                               {259, kShort, {1}},
                                               {262, kShort, {1}},
                                               {273, kLong, {8}},
                                               {277, kShort, {1}},
                                               {278, kShort, {10}},
                                               {279, kLong, {400}}},
                                              pixels16));
    // 8-bit palette image with its colour map.
    TiffLayout pal;
    pal.width = 20;
    pal.lines = 10;
    pal.photometric = 3;
    pal.rows_per_strip = 0;
    write_file(dir.file("pal.tif"), tiff_image(pal));
    for (const char* name : {"g16.tif", "pal.tif"}) {
        for (const char* order : {"-L", "-B"}) {
            std::string out = dir.file("out.tif");
            ASSERT_EQ(run(std::string("tiffcp -c none -r 1 ") + order + " " + shell_quoted(dir.file(name)) +
                          " " + shell_quoted(out)),
                      0)
                << name;
            expect_refused(out, std::string(name) + " " + order);
            // GDAL gives the 16-bit values, and the palette's indices as the colours its own table gives
            // them.
            const bool sixteen = std::string(name) == "g16.tif";
            std::vector<GDALColorEntry> colours;
            if (!sixteen) {
                GDALAllRegister();
                GDALDatasetH ds = GDALOpen(out.c_str(), GA_ReadOnly);
                ASSERT_NE(ds, nullptr);
                GDALColorTableH table = GDALGetRasterColorTable(GDALGetRasterBand(ds, 1));
                for (int i = 0; table && i < GDALGetColorEntryCount(table); ++i)
                    colours.push_back(*GDALGetColorEntry(table, i));
                GDALClose(ds);
                ASSERT_EQ(colours.size(), 256u);
            }
            expect_read_through_gdal(out, 20, 10, sixteen ? 1 : 3, std::string(name) + " " + order,
                                     [&](int b, int x, int y) {
                                         if (sixteen) return static_cast<double>(y * 20 + x);
                                         const GDALColorEntry& e = colours[pattern(0, x, y)];
                                         return static_cast<double>(b == 0 ? e.c1 : b == 1 ? e.c2 : e.c3);
                                     });
        }
    }
}

}  // namespace
