// Band pixels: samples, rows in every layout, histograms, automatic range, stretch and the geographic
// mapping.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "scene/remos.h"
#include "tests/unit/remos_test_files.h"

using namespace remos_test;

namespace {

struct OpenScene {
    SceneFile scene;
    int result;
    explicit OpenScene(const std::string& path, int format = FMT_DETECT) {
        result = remos_open(&scene, path.c_str(), format);
    }
    ~OpenScene() {
        if (result != 0) remos_close(&scene);
    }
    BandInfo* band(int i) { return &scene.bands[i]; }
};

Bytes be16(const std::vector<uint16_t>& v) {
    Bytes b;
    for (uint16_t x : v) {
        b.push_back(static_cast<unsigned char>(x >> 8));
        b.push_back(static_cast<unsigned char>(x));
    }
    return b;
}

Bytes be32(const std::vector<uint32_t>& v) {
    Bytes b;
    for (uint32_t x : v)
        for (int k = 3; k >= 0; --k)
            b.push_back(static_cast<unsigned char>(x >> (8 * k)));
    return b;
}

Bytes be_floats(const std::vector<float>& v) {
    std::vector<uint32_t> u;
    for (float f : v) {
        uint32_t x;
        memcpy(&x, &f, 4);
        u.push_back(x);
    }
    return be32(u);
}

TEST(RemosRow, SixteenBitScaling) {
    TempDir dir;
    // Sample values and the 8-bit value each must draw as (v * 255 / 65535, truncated).
    const std::vector<uint16_t> v = {65535, 32768, 257, 256, 0, 514, 65534, 1000};
    const unsigned char expected[] = {255, 127, 1, 0, 0, 2, 254, 3};
    CeosLayout s{3, 720, 2, 12 + 2 * 8 + 4, 16, 0, 12, 4};
    write_file(dir.file("c16"), ceos_file(s, [&](int) { return be16(v); }));
    OpenScene o(dir.file("c16"));
    ASSERT_EQ(o.result, 1);
    ASSERT_EQ(o.scene.width, 8);
    unsigned char row[8];
    ASSERT_EQ(remos_read_row(o.band(0), row, 1, 0, 8), 1);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(row[i], expected[i]) << v[i];
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(remos_read_sample(o.band(0), 8 + i), v[i]);
}

TEST(RemosRow, ThirtyTwoBitIntegersAreScaled) {
    TempDir dir;
    const std::vector<uint32_t> v = {0xFFFFFFFFu, 16843009u, 16843008u, 0x80000000u, 0};
    const unsigned char expected[] = {255, 1, 0, 127, 0};
    CeosLayout s{3, 720, 1, 5 * 4, 32, 0, 0, 0};
    write_file(dir.file("c32"), ceos_file(s, [&](int) { return be32(v); }));
    OpenScene o(dir.file("c32"));
    ASSERT_EQ(o.result, 1);
    unsigned char row[5];
    remos_read_row(o.band(0), row, 0, 0, 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(row[i], expected[i]) << v[i];
    EXPECT_EQ(remos_read_sample(o.band(0), 0), 4294967295.0);
    RemosPixelVector pv;
    ASSERT_EQ(remos_alloc_pixel_vector(&o.scene, &pv), 1);
    ASSERT_EQ(remos_read_pixel_vector(&o.scene, 0, &pv), 1);
    EXPECT_EQ(pv.values[0], INT32_MAX) << "kept at the int limit, not wrapped";
    ASSERT_EQ(remos_read_pixel_vector(&o.scene, 1, &pv), 1);
    EXPECT_EQ(pv.values[0], 16843009);
    remos_free_pixel_vector(&pv);
}

TEST(RemosRow, FloatGroups) {
    TempDir dir;
    // Groups of two floats: band 0 takes the first, band 1 the second.
    const std::vector<float> g = {-2e6f, -12.7f, 1e6f, 3.9e3f, 0.0f, 1e30f, NAN, -1e5f};
    const unsigned char band0[] = {254, 255, 0, 0};  // 510 mod 256, 255, 0, NaN -> 0
    const unsigned char band1[] = {0, 0, 0, 25};     // 0.0032.., 0.99.., (1e30 -> low 8 bits 0), 25.5
    CeosLayout s{8, 720, 3, 12 + 32 + 4, 32, 2, 12, 4};
    write_file(dir.file("psrb"), ceos_file(s, [&](int) { return be_floats(g); }));
    OpenScene o(dir.file("psrb"));
    ASSERT_EQ(o.result, 1);
    ASSERT_EQ(o.scene.width, 4);
    unsigned char row[4];
    remos_read_row(o.band(0), row, 2, 0, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(row[i], band0[i]) << i;
    remos_read_row(o.band(1), row, 2, 0, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(row[i], band1[i]) << i;
    EXPECT_EQ(remos_read_sample(o.band(1), 0), -12.0);
    EXPECT_EQ(remos_read_sample(o.band(0), 0), -2000000.0);
    EXPECT_EQ(remos_read_sample(o.band(1), 4 + 3), -100000.0);
    EXPECT_EQ(remos_read_sample(o.band(0), 3), 0.0) << "NaN reads as 0";
    EXPECT_EQ(remos_read_sample(o.band(1), 2), static_cast<double>(INT32_MAX)) << "kept in int range";
}

TEST(RemosRow, FloatGroupsOfFour) {
    TempDir dir;
    std::vector<float> g;
    for (int x = 0; x < 6; ++x)
        for (int k = 0; k < 4; ++k)
            g.push_back(static_cast<float>((x * 4 + k) * 10000));
    CeosLayout s{8, 720, 2, 8 + 6 * 16, 32, 4, 8, 0};
    write_file(dir.file("psrb4"), ceos_file(s, [&](int) { return be_floats(g); }));
    OpenScene o(dir.file("psrb4"));
    ASSERT_EQ(o.result, 1);
    ASSERT_EQ(o.scene.width, 6);
    unsigned char row[6];
    remos_read_row(o.band(1), row, 1, 0, 6);
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(row[x], static_cast<unsigned char>(static_cast<int>((x * 4 + 1) * 10000 * 0.000001 * 255)));
}

TEST(RemosRow, LayoutsPickTheirBand) {
    TempDir dir;
    write_file(dir.file("n"), native_file(23, 9, 4));
    OpenScene n(dir.file("n"));
    ASSERT_EQ(n.result, 1);
    unsigned char row[23];
    for (int b = 0; b < 4; ++b)
        for (int y = 0; y < 9; ++y) {
            remos_read_row(n.band(b), row, y, 0, 23);
            for (int x = 0; x < 23; ++x)
                ASSERT_EQ(row[x], pattern(b, x, y)) << b << " " << x << " " << y;
            EXPECT_EQ(remos_read_sample(n.band(b), y * 23 + 5), pattern(b, 5, y));
        }
    // CEOS records: the prefix is skipped, the suffix never read.
    CeosLayout s{7, 360, 5, 16 + 30 + 6, 8, 0, 16, 6};
    write_file(dir.file("psrc"), ceos_file(s, [](int y) {
                   Bytes p;
                   for (int x = 0; x < 30; ++x)
                       p.push_back(pattern(2, x, y));
                   return p;
               }));
    OpenScene c(dir.file("psrc"));
    ASSERT_EQ(c.result, 1);
    for (int y = 0; y < 5; ++y) {
        remos_read_row(c.band(0), row, y, 3, 20);
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(row[x], pattern(2, x + 3, y));
    }
}

TEST(RemosRow, ClampsTheRun) {
    TempDir dir;
    write_file(dir.file("n"), native_file(40, 6, 1));
    OpenScene o(dir.file("n"));
    ASSERT_EQ(o.result, 1);
    struct Case {
        int line, x0, n;
        int read_line, read_x0, written;
    } cases[] = {
        {2, 30, 50, 2, 30, 10},  // run past the end: 10 values
        {2, 0, 40, 2, 0, 40},    // exactly the line
        {9, 0, 5, 5, 0, 5},      // line past the end: last line
        {1, 45, 5, 1, 39, 1},    // start past the end: last sample
        {-3, -2, 4, 0, 0, 4},    // negative arguments start at 0
        {3, 5, 0, 3, 5, 0},      // nothing asked, nothing written
    };
    for (const Case& c : cases) {
        unsigned char row[64];
        memset(row, 0xCD, sizeof row);
        EXPECT_EQ(remos_read_row(o.band(0), row, c.line, c.x0, c.n), 1);
        for (int i = 0; i < c.written; ++i)
            ASSERT_EQ(row[i], pattern(0, c.read_x0 + i, c.read_line)) << i;
        for (int i = c.written; i < 64; ++i)
            ASSERT_EQ(row[i], 0xCD) << "wrote past the run at " << i;
    }
}

TEST(RemosRow, RgbTiffPixels) {
    TempDir dir;
    TiffLayout s;
    s.width = 9;
    s.lines = 4;
    s.samples = 3;
    s.little_endian = false;
    write_file(dir.file("rgb.tif"), tiff_image(s));
    OpenScene o(dir.file("rgb.tif"));
    ASSERT_EQ(o.result, 1);
    unsigned char row[9];
    for (int b = 0; b < 3; ++b) {
        remos_read_row(o.band(b), row, 3, 2, 7);
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(row[x], pattern(b, x + 2, 3));
        EXPECT_EQ(remos_read_sample(o.band(b), 9 * 2 + 4), pattern(b, 4, 2));
    }
}

TEST(RemosRow, MissingBytesReadAsZero) {
    TempDir dir;
    // Open a full file, then cut it: reads past the new end must give zeros, not old buffer contents.
    write_file(dir.file("n"), native_file(100, 50, 1, [](int, int, int) { return 0x77; }));
    OpenScene o(dir.file("n"));
    ASSERT_EQ(o.result, 1);
    std::filesystem::resize_file(dir.file("n"), 512 + 100 * 10 + 40);
    unsigned char row[100];
    memset(row, 0xCD, sizeof row);
    remos_read_row(o.band(0), row, 10, 0, 100);
    for (int x = 0; x < 40; ++x)
        ASSERT_EQ(row[x], 0x77);
    for (int x = 40; x < 100; ++x)
        ASSERT_EQ(row[x], 0) << x;
    memset(row, 0xCD, sizeof row);
    remos_read_row(o.band(0), row, 49, 0, 100);
    for (int x = 0; x < 100; ++x)
        ASSERT_EQ(row[x], 0);
    EXPECT_EQ(remos_read_sample(o.band(0), 100 * 49), 0.0);
    ASSERT_EQ(remos_make_histogram(o.band(0)), 1);
    EXPECT_EQ(o.band(0)->histogram[0x77], 1040);
    EXPECT_EQ(o.band(0)->histogram[0], 5000 - 1040);
}

TEST(RemosRow, SampleOutsideTheImageIsZero) {
    TempDir dir;
    write_file(dir.file("n"), native_file(10, 10, 2, [](int, int, int) { return 9; }));
    OpenScene o(dir.file("n"));
    ASSERT_EQ(o.result, 1);
    EXPECT_EQ(remos_read_sample(o.band(0), 99), 9.0);
    EXPECT_EQ(remos_read_sample(o.band(0), 100), 0.0);
    EXPECT_EQ(remos_read_sample(o.band(0), -1), 0.0);
}

TEST(RemosRow, LastLineOfSceneBeyondTwoGiB) {
    TempDir dir;
    // 65535 x 40000 bytes = 2.6 GB, stored sparse; only the last line holds data.
    const int w = 65535, h = 40000;
    const std::string path = dir.file("big.vdm");
    {
        Bytes head = native_file(0, 0, 1);  // header only; the size fields follow
        put_be(head, 12, w, 2);
        put_be(head, 14, h, 2);
        write_file(path, head);
        std::filesystem::resize_file(path, 512 + static_cast<uint64_t>(w) * h);
        FILE* f = fopen(path.c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        Bytes last(w);
        for (int x = 0; x < w; ++x)
            last[x] = pattern(0, x, h - 1);
        ASSERT_EQ(fseeko(f, 512 + static_cast<off_t>(w) * (h - 1), SEEK_SET), 0);
        ASSERT_EQ(fwrite(last.data(), 1, last.size(), f), last.size());
        fclose(f);
    }
    OpenScene o(path);
    ASSERT_EQ(o.result, 1);
    Bytes row(w);
    remos_read_row(o.band(0), row.data(), h - 1, 0, w);
    for (int x = 0; x < w; ++x)
        ASSERT_EQ(row[x], pattern(0, x, h - 1)) << x;
    const int64_t last_pixel = static_cast<int64_t>(w) * h - 1;
    EXPECT_EQ(remos_read_sample(o.band(0), last_pixel), pattern(0, w - 1, h - 1));
    remos_read_row(o.band(0), row.data(), h - 2, 0, w);
    EXPECT_EQ(row[0], 0);
}

TEST(RemosRaw, DescribedLayouts) {
    TempDir dir;
    // 3 bands, 16-bit, records of 4 + 2*6 + 2 bytes, data after 100 bytes.
    Bytes b(100, 0xFF);
    for (int y = 0; y < 5; ++y)
        for (int k = 0; k < 3; ++k) {
            Bytes rec(4, 0xAA);
            for (int x = 0; x < 6; ++x) {
                uint16_t v = static_cast<uint16_t>(257 * pattern(k, x, y));
                rec.push_back(static_cast<unsigned char>(v >> 8));
                rec.push_back(static_cast<unsigned char>(v));
            }
            rec.push_back(0xBB);
            rec.push_back(0xBB);
            b.insert(b.end(), rec.begin(), rec.end());
        }
    write_file(dir.file("raw.bil"), b);
    SceneFile s;
    ASSERT_EQ(remos_open(&s, dir.file("raw.bil").c_str(), FMT_OPEN_ONLY), 1);
    ASSERT_EQ(remos_describe_raw(&s, 100, 4, 2, 5, 18, 3, 16), 1);
    EXPECT_EQ(s.format, FMT_RAW_MULTI);
    EXPECT_EQ(s.band_count, 3u);
    EXPECT_EQ(s.width, 6) << "width counts samples, not bytes";
    EXPECT_EQ(s.height, 5u);
    for (int k = 0; k < 3; ++k) {
        BandInfo& band = s.bands[k];
        EXPECT_EQ(band.index, k);
        EXPECT_EQ(band.band_count, 3);
        EXPECT_EQ(band.bits, 16);
        EXPECT_EQ(band.bytes_per_sample, 2);
        EXPECT_EQ(band.record_length, 18);
        EXPECT_EQ(band.full_scale, 65535u);
        EXPECT_EQ(band.range_high, 65535);
        EXPECT_EQ(band.file, s.file);
        unsigned char row[6];
        remos_read_row(&band, row, 4, 0, 6);
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(row[x], pattern(k, x, 4));
    }
    ASSERT_EQ(remos_describe_raw_single(&s, 100, 4, 2, 15, 18, 8), 1);
    EXPECT_EQ(s.format, FMT_RAW_SINGLE);
    EXPECT_EQ(s.band_count, 1u);
    EXPECT_EQ(s.width, 12);
    EXPECT_EQ(s.bands[0].band_count, 1);
    // Meaningless descriptions are refused.
    EXPECT_EQ(remos_describe_raw(&s, 100, 10, 10, 5, 18, 3, 8), 0);
    EXPECT_EQ(remos_describe_raw(&s, 100, 0, 0, 5, 18, 0, 8), 0);
    EXPECT_EQ(remos_describe_raw(&s, 100, 0, 0, 5, 18, 1, 4), 0);
    remos_close(&s);

    // A record whose file is not open yet is still described; its bands read zeros until a file is set.
    SceneFile closed{};
    ASSERT_EQ(remos_describe_raw_single(&closed, 0, 0, 0, 2, 4, 8), 1);
    EXPECT_EQ(closed.width, 4);
    EXPECT_EQ(closed.bands[0].file, nullptr);
    unsigned char zeros[4] = {9, 9, 9, 9};
    remos_read_row(&closed.bands[0], zeros, 1, 0, 4);
    EXPECT_EQ(zeros[0] + zeros[1] + zeros[2] + zeros[3], 0);
    remos_close(&closed);
}

// ---------------------------------------------------------------------------------------------------------
// Histograms.

// Histogram counted here, independently of the reader.
std::vector<int> count(int w, int h, int band, const std::function<unsigned char(int, int, int)>& px) {
    std::vector<int> c(256, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            c[px(band, x, y)]++;
    return c;
}

void expect_histogram(const BandInfo* b, const std::vector<int>& c, const std::string& what) {
    int peak = 0, inner = 0;
    for (int v = 0; v < 256; ++v) {
        ASSERT_EQ(b->histogram[v], c[v]) << what << " bin " << v;
        peak = std::max(peak, c[v]);
        if (v > 0 && v < 255) inner = std::max(inner, c[v]);
    }
    EXPECT_EQ(b->hist_peak, peak) << what;
    EXPECT_EQ(b->hist_peak_inner, inner) << what;
}

TEST(RemosHistogram, EveryLayoutCountsEveryPixel) {
    TempDir dir;
    std::mt19937 rng(7);
    std::vector<unsigned char> noise(300 * 200 * 4);
    for (auto& v : noise)
        v = static_cast<unsigned char>(rng() % 7 == 0 ? 255 : rng() % 3 == 0 ? 0 : rng());
    auto px = [&](int b, int x, int y) { return noise[(static_cast<size_t>(y) * 300 + x) * 4 + b]; };
    // Blocks of equal values mixed with noise, widths not a multiple of the block size.
    auto blocky = [](int b, int x, int y) {
        return static_cast<unsigned char>(x < 150 ? 40 + b : (x * 31 + y) & 255);
    };
    struct Case {
        const char* name;
        Bytes file;
        int w, h, bands;
        std::function<unsigned char(int, int, int)> px;
    } cases[] = {
        {"native one band (contiguous)", native_file(300, 200, 1, px), 300, 200, 1, px},
        {"native four bands (records apart)", native_file(300, 200, 4, px), 300, 200, 4, px},
        {"native blocks", native_file(213, 77, 2, blocky), 213, 77, 2, blocky},
        {"ceos with prefix and suffix",
         ceos_file({3, 720, 200, 100 + 300 + 8, 8, 0, 100, 8},
                   [&](int y) {
                       Bytes p;
                       for (int x = 0; x < 300; ++x)
                           p.push_back(px(0, x, y));
                       return p;
                   }),
         300, 200, 1, px},
        {"ceos with wide gaps",
         ceos_file({3, 720, 50, 5000, 8, 0, 4000, 700},
                   [&](int y) {
                       Bytes p;
                       for (int x = 0; x < 300; ++x)
                           p.push_back(px(0, x, y));
                       return p;
                   }),
         300, 50, 1, px},
    };
    for (const Case& c : cases) {
        write_file(dir.file("h"), c.file);
        OpenScene o(dir.file("h"));
        ASSERT_EQ(o.result, 1) << c.name;
        for (int b = 0; b < c.bands; ++b) {
            memset(o.band(b)->histogram, 0x5A, sizeof o.band(b)->histogram);
            ASSERT_EQ(remos_make_histogram(o.band(b)), 1);
            expect_histogram(o.band(b), count(c.w, c.h, b, c.px),
                             std::string(c.name) + " band " + std::to_string(b));
        }
    }
    // Pixel-interleaved colour.
    TiffLayout s;
    s.width = 301;
    s.lines = 33;
    s.samples = 3;
    write_file(dir.file("rgb.tif"), tiff_image(s));
    OpenScene o(dir.file("rgb.tif"));
    ASSERT_EQ(o.result, 1);
    for (int b = 0; b < 3; ++b) {
        ASSERT_EQ(remos_make_histogram(o.band(b)), 1);
        expect_histogram(o.band(b), count(301, 33, b, pattern), "rgb band " + std::to_string(b));
    }
}

TEST(RemosHistogram, ConstantBandAndItsRange) {
    TempDir dir;
    write_file(dir.file("seven"), native_file(129, 31, 1, [](int, int, int) { return 7; }));
    OpenScene o(dir.file("seven"));
    ASSERT_EQ(o.result, 1);
    BandInfo* b = o.band(0);
    ASSERT_EQ(remos_make_histogram(b), 1);
    EXPECT_EQ(b->histogram[7], 129 * 31);
    EXPECT_EQ(b->histogram[6], 0);
    EXPECT_EQ(b->hist_peak, 129 * 31);
    EXPECT_EQ(b->hist_peak_inner, 129 * 31);
    remos_auto_range(b, 0.00085, 0);
    EXPECT_EQ(b->range_low, 7);
    EXPECT_EQ(b->range_high, 7);
    unsigned char row[4] = {7, 0, 100, 255};
    remos_stretch_row(b, row, 4);
    EXPECT_EQ(row[0], 7);
    EXPECT_EQ(row[2], 100);
    EXPECT_EQ(remos_stretch_value(b, 100), 100);
}

TEST(RemosHistogram, OnlyEightBitBands) {
    TempDir dir;
    CeosLayout s{3, 720, 2, 8, 16, 0, 0, 0};
    write_file(dir.file("c16"), ceos_file(s, [](int) { return be16({1, 2, 3, 4}); }));
    OpenScene o(dir.file("c16"));
    ASSERT_EQ(o.result, 1);
    BandInfo* b = o.band(0);
    b->histogram[3] = 42;
    b->hist_peak = 43;
    b->range_low = 5;
    b->range_high = 6;
    EXPECT_EQ(remos_make_histogram(b), 0);
    EXPECT_EQ(b->histogram[3], 42);
    EXPECT_EQ(b->hist_peak, 43);
    remos_auto_range(b, 0.0, 0);
    EXPECT_EQ(b->range_low, 5);
    EXPECT_EQ(b->range_high, 6);
}

// A band record with a given histogram and pixel count, for the automatic range.
BandInfo band_with(const std::vector<std::pair<int, int>>& bins, int w, int h) {
    BandInfo b;
    memset(&b, 0, sizeof b);
    b.bits = 8;
    b.width = w;
    b.lines = h;
    b.range_low = -1;
    b.range_high = -1;
    for (auto [v, n] : bins)
        b.histogram[v] = n;
    return b;
}

TEST(RemosAutoRange, Table) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> bins;
        int w, h;
        double ratio;
        int exclude;
        int low, high;
    } cases[] = {
        {"ratio 0 gives extremes", {{3, 5}, {90, 10}, {200, 1}}, 16, 1, 0.0, 0, 3, 200},
        {"ends excluded: only 0 and 255", {{0, 50}, {255, 50}}, 10, 10, 0.0, 1, 255, 0},
        {"ends kept: only 0 and 255", {{0, 50}, {255, 50}}, 10, 10, 0.0, 0, 0, 255},
        // 1000 pixels, ratio 0.01: t = 10, sums must exceed 10.
        {"sum must exceed t",
         {{0, 5}, {1, 5}, {2, 1}, {128, 978}, {250, 10}, {251, 1}},
         100,
         10,
         0.01,
         0,
         2,
         250},
        {"sum equal to t is not enough", {{10, 10}, {11, 980}, {240, 10}}, 100, 10, 0.01, 0, 11, 11},
        {"exclude skips the end bins",
         {{0, 500}, {40, 11}, {128, 478}, {220, 11}, {255, 0}},
         100,
         10,
         0.01,
         1,
         40,
         220},
        {"empty histogram keeps old bounds", {}, 10, 10, 0.0, 0, -1, -1},
        {"nan ratio keeps old bounds", {{5, 100}}, 10, 10, NAN, 0, -1, -1},
        // 70000 x 70000 pixels overflow 32 bits; t = 4.9e9 * 1e-9 = 4.
        {"large scene", {{1, 4}, {2, 1}, {9, 1}, {10, 4}}, 70000, 70000, 1e-9, 0, 2, 9},
    };
    for (const Case& c : cases) {
        BandInfo b = band_with(c.bins, c.w, c.h);
        remos_auto_range(&b, c.ratio, c.exclude);
        EXPECT_EQ(b.range_low, c.low) << c.name;
        EXPECT_EQ(b.range_high, c.high) << c.name;
    }
}

TEST(RemosStretch, Values) {
    BandInfo b = band_with({}, 100, 1);
    remos_set_range(&b, 100, 50);
    struct Case {
        int in, out;
    } cases[] = {{50, 0}, {75, 127}, {100, 255}, {120, 255}, {10, 0}, {51, 5}, {99, 250}, {256 + 75, 127}};
    for (const Case& c : cases)
        EXPECT_EQ(remos_stretch_value(&b, c.in), c.out) << c.in;
    unsigned char row[5] = {50, 75, 100, 120, 10};
    remos_stretch_row(&b, row, 5);
    const unsigned char expected[] = {0, 127, 255, 255, 0};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(row[i], expected[i]);
}

TEST(RemosStretch, IdentityCases) {
    struct Range {
        int low, high;
    } ranges[] = {{0, 255}, {7, 7}, {200, 100}, {255, 0}};
    for (const Range& r : ranges) {
        BandInfo b = band_with({}, 300, 1);
        remos_set_range(&b, r.high, r.low);
        unsigned char row[256];
        for (int i = 0; i < 256; ++i)
            row[i] = static_cast<unsigned char>(i);
        remos_stretch_row(&b, row, 256);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(row[i], i) << r.low << ".." << r.high;
        EXPECT_EQ(remos_stretch_value(&b, 300), 300) << "passes unchanged, even beyond 8 bits";
    }
}

TEST(RemosStretch, RowStopsAtBandWidthAndWideBandsPassRows) {
    BandInfo b = band_with({}, 3, 1);
    remos_set_range(&b, 100, 50);
    unsigned char row[5] = {75, 75, 75, 75, 75};
    remos_stretch_row(&b, row, 5);
    EXPECT_EQ(row[2], 127);
    EXPECT_EQ(row[3], 75) << "only min(width, len) values";
    // A 16-bit band: the row form leaves values, the single-value form maps them.
    BandInfo w = band_with({}, 10, 1);
    w.bits = 16;
    unsigned char r2[1] = {75};
    remos_stretch_row(&w, r2, 1);
    EXPECT_EQ(r2[0], 75);
    remos_set_range(&w, 255, 0);
    EXPECT_EQ(remos_stretch_value(&w, 75), 75);
    remos_set_range(&w, 100, 50);
    remos_stretch_row(&w, r2, 1);
    EXPECT_EQ(r2[0], 75);
    EXPECT_EQ(remos_stretch_value(&w, 75), 127);
}

// ---------------------------------------------------------------------------------------------------------
// Geographic position to pixel.

struct Corners {
    float ul_lon, ul_lat, ur_lon, ur_lat, ll_lon, ll_lat, lr_lon, lr_lat;
    // Forward bilinear model.
    void at(float s, float u, float* lon, float* lat) const {
        *lon = ul_lon + s * (ur_lon - ul_lon) + u * (ll_lon - ul_lon) +
               s * u * (ul_lon + lr_lon - ll_lon - ur_lon);
        *lat = ul_lat + s * (ur_lat - ul_lat) + u * (ll_lat - ul_lat) +
               s * u * (ul_lat + lr_lat - ll_lat - ur_lat);
    }
    void to_pixel(int w, int h, float lat, float lon, int* col, int* row) const {
        remos_geo_to_pixel(col, row, w, h, lat, lon, ul_lon, ul_lat, ll_lon, ll_lat, ur_lon, ur_lat, lr_lon,
                           lr_lat);
    }
};

TEST(RemosGeo, RoundTripOverSceneShapes) {
    const Corners shapes[] = {
        // axis-parallel rectangle (C = K = 0)
        {139.0f, 36.0f, 140.0f, 36.0f, 139.0f, 35.0f, 140.0f, 35.0f},
        // parallelogram, sheared like a north-up scene of an inclined orbit
        {139.10f, 36.20f, 139.90f, 36.05f, 138.95f, 35.45f, 139.75f, 35.30f},
        // general quadrilateral
        {139.0f, 36.0f, 140.1f, 36.1f, 139.2f, 35.0f, 139.9f, 34.8f},
        // rotated rectangle, typical ALOS footprint
        {138.80f, 35.90f, 139.55f, 35.78f, 138.65f, 35.22f, 139.40f, 35.10f},
    };
    const int w = 1000, h = 800;
    const float fractions[] = {0.0f, 0.1f, 0.25f, 0.5f, 0.77f, 0.9f, 1.0f};
    for (size_t k = 0; k < sizeof shapes / sizeof shapes[0]; ++k) {
        for (float s : fractions)
            for (float u : fractions) {
                float lon, lat;
                shapes[k].at(s, u, &lon, &lat);
                int col = -99, row = -99;
                shapes[k].to_pixel(w, h, lat, lon, &col, &row);
                EXPECT_NEAR(col, (w - 1) * s, 2.0) << "shape " << k << " s " << s << " u " << u;
                EXPECT_NEAR(row, (h - 1) * u, 2.0) << "shape " << k << " s " << s << " u " << u;
            }
    }
}

TEST(RemosGeo, PositionOutsideTheSceneExtrapolates) {
    const Corners r{139.0f, 36.0f, 140.0f, 36.0f, 139.0f, 35.0f, 140.0f, 35.0f};
    int col, row;
    r.to_pixel(101, 101, 35.5f, 141.0f, &col, &row);  // one scene width east
    EXPECT_NEAR(col, 200, 1);
    EXPECT_NEAR(row, 50, 1);
}

TEST(RemosGeo, NoSolutionGivesAClampedPosition) {
    const int w = 500, h = 400;
    struct Case {
        const char* name;
        Corners c;
        float lat, lon;
    } cases[] = {
        {"all corners equal", {139.0f, 35.0f, 139.0f, 35.0f, 139.0f, 35.0f, 139.0f, 35.0f}, 35.5f, 139.5f},
        {"corners on a line", {139.0f, 35.0f, 140.0f, 35.0f, 139.0f, 35.0f, 140.0f, 35.0f}, 36.0f, 139.5f},
        {"nan position", {139.0f, 36.0f, 140.0f, 36.0f, 139.0f, 35.0f, 140.0f, 35.0f}, NAN, NAN},
        {"infinite position",
         {139.0f, 36.0f, 140.0f, 36.0f, 139.0f, 35.0f, 140.0f, 35.0f},
         INFINITY,
         -INFINITY},
    };
    for (const Case& c : cases) {
        int col = INT32_MIN, row = INT32_MIN;
        c.c.to_pixel(w, h, c.lat, c.lon, &col, &row);
        EXPECT_GE(col, 0) << c.name;
        EXPECT_LT(col, w) << c.name;
        EXPECT_GE(row, 0) << c.name;
        EXPECT_LT(row, h) << c.name;
    }
}

TEST(RemosGeo, FarPositionsStayInsideTheIntRange) {
    const Corners r{139.0f, 36.0f,          139.0009765625f, 36.0f,
                    139.0f, 35.9990234375f, 139.0009765625f, 35.9990234375f};
    int col = 0, row = 0;
    r.to_pixel(60000, 60000, -89.0f, -179.0f, &col, &row);
    EXPECT_LT(col, 0);
    EXPECT_GT(row, 0);
}

// ---------------------------------------------------------------------------------------------------------
// Pixel vectors.

TEST(RemosPixelVector, ReadsEveryBand) {
    TempDir dir;
    write_file(dir.file("n"), native_file(12, 7, 5));
    OpenScene o(dir.file("n"));
    ASSERT_EQ(o.result, 1);
    RemosPixelVector v;
    ASSERT_EQ(remos_alloc_pixel_vector(&o.scene, &v), 1);
    ASSERT_EQ(v.length, 5);
    ASSERT_EQ(remos_read_pixel_vector(&o.scene, 12 * 6 + 11, &v), 1);
    for (int b = 0; b < 5; ++b)
        EXPECT_EQ(v.values[b], pattern(b, 11, 6));
    EXPECT_EQ(remos_read_pixel_vector(&o.scene, 12 * 7, &v), 0);
    remos_free_pixel_vector(&v);
    EXPECT_EQ(v.values, nullptr);
    EXPECT_EQ(v.length, 0);
    remos_free_pixel_vector(&v);  // twice is harmless
    EXPECT_EQ(remos_read_pixel_vector(&o.scene, 0, &v), 0);
}

}  // namespace
