// Histograms counted on several threads, and the histograms, automatic and full ranges of bands wider than 8
// bits in their own values, each checked against a brute-force count of the values written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

#include "scene/BandHistogram.h"
#include "scene/remos.h"
#include "tests/unit/remos_test_files.h"
#include "tests/unit/wide_bands.h"
#include "tools/samples/sample_scenes.h"

using remos_test::TempDir;
using wide_test::OpenBand;

namespace {

// Restores one thread per core when a test ends.
struct Threads {
    explicit Threads(int n) { remos_set_pass_threads(n); }
    ~Threads() { remos_set_pass_threads(0); }
};

uint32_t mix(uint32_t a, uint32_t b) {
    uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    return h ^ (h >> 13);
}

// Column of a value written out from the definition: 256 columns over min..max, integer bands by whole
// values (v - min) * 256 / (max - min + 1), floats by 256 * (v - min) / (max - min).
int expected_column(double v, double lo, double hi, bool integer) {
    if (integer)
        return static_cast<int>((static_cast<int64_t>(v - lo) * 256) / static_cast<int64_t>(hi - lo + 1));
    if (hi == lo) return 0;
    const long double c = 256.0L * (static_cast<long double>(v) - lo) / (static_cast<long double>(hi) - lo);
    return std::min(255, static_cast<int>(c));
}

struct WideCase {
    const char* name;
    int type;
    int width, height;
    std::function<double(int, int)> value;
    bool nodata;
    double nodata_value;
};

std::vector<WideCase> wide_cases() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    return {
        {"u16 with no-data 0", REMOS_SAMPLE_U16, 97, 61,
         [](int x, int y) { return (x * y) % 7 == 0 ? 0 : 5000 + mix(x, y) % 25001; }, true, 0},
        {"u16 full span", REMOS_SAMPLE_U16, 64, 40,
         [](int x, int y) { return x == 0 ? (y % 2 ? 65535 : 0) : mix(x, y) % 65536; }, false, 0},
        {"i16 negative, no-data -9999", REMOS_SAMPLE_I16, 50, 33,
         [](int x, int y) { return x == y ? -9999 : -2000 + static_cast<int>(mix(x, y) % 3001); }, true,
         -9999},
        {"u32 small span, exact", REMOS_SAMPLE_U32, 40, 30,
         [](int x, int y) { return 70000 + mix(x, y) % 301; }, false, 0},
        {"u32 wide span, fine bins", REMOS_SAMPLE_U32, 80, 50,
         [](int x, int y) { return x == 3 && y == 4 ? 4294967295.0 : static_cast<double>(mix(x, y)); }, false,
         0},
        {"i32 negative", REMOS_SAMPLE_I32, 45, 20,
         [](int x, int y) { return static_cast<double>(static_cast<int32_t>(mix(x, y))) / 3; }, false, 0},
        {"f32 with NaN, infinities and no-data", REMOS_SAMPLE_F32, 70, 45,
         [=](int x, int y) {
             const uint32_t h = mix(x, y);
             if (h % 97 == 0) return nan;
             if (h % 89 == 0) return h % 2 ? inf : -inf;
             if (h % 83 == 0) return -3.0e38;
             return -50.0 + (h % 100000) / 777.0;
         },
         true, -3.0e38},  // the band's no-data value, met as a float
        {"f64", REMOS_SAMPLE_F64, 33, 31, [](int x, int y) { return 1e-3 * mix(x, y) - 7.25; }, false, 0},
        {"u16 constant", REMOS_SAMPLE_U16, 20, 10, [](int, int) { return 500; }, false, 0},
        {"u16 all no-data", REMOS_SAMPLE_U16, 20, 10, [](int, int) { return 7; }, true, 7},
    };
}

// Checks the band's histogram fields against a brute-force count of `usable` values.
void expect_histogram(const BandInfo& band, const std::vector<double>& usable, bool integer) {
    if (usable.empty()) {
        EXPECT_EQ(band.value_min, 0);
        EXPECT_EQ(band.value_max, 0);
        EXPECT_EQ(band.hist_peak, 0);
        return;
    }
    const double lo = *std::min_element(usable.begin(), usable.end());
    const double hi = *std::max_element(usable.begin(), usable.end());
    ASSERT_EQ(band.value_min, lo);
    ASSERT_EQ(band.value_max, hi);
    std::vector<int32_t> columns(256, 0);
    for (double v : usable)
        columns[static_cast<size_t>(expected_column(v, lo, hi, integer))]++;
    for (int c = 0; c < 256; ++c)
        ASSERT_EQ(band.histogram[c], columns[static_cast<size_t>(c)]) << "column " << c;
    EXPECT_EQ(band.hist_peak, *std::max_element(columns.begin(), columns.end()));
    EXPECT_EQ(band.hist_peak_inner, *std::max_element(columns.begin() + 1, columns.end() - 1));
}

// Checks remos_auto_range_values against the sorted values: exact for integer spans of up to 65536 values,
// otherwise within one fine bin and never cutting more than the share.
void expect_auto_range(BandInfo* band, std::vector<double> usable, bool integer, double ratio, int exclude) {
    SCOPED_TRACE(testing::Message() << "ratio " << ratio << " exclude " << exclude);
    band->display_low = -1234;
    band->display_high = -1234;
    const int set = remos_auto_range_values(band, ratio, exclude);
    if (usable.empty()) {
        EXPECT_EQ(set, 0);
        return;
    }
    std::sort(usable.begin(), usable.end());
    const size_t t = static_cast<size_t>(std::trunc(usable.size() * ratio));
    const double lo = usable.front(), hi = usable.back();
    if (exclude)
        usable.erase(
            std::remove_if(usable.begin(), usable.end(), [&](double v) { return v == lo || v == hi; }),
            usable.end());
    if (t >= usable.size()) {  // the sums never pass the share: bounds unchanged
        EXPECT_EQ(set, 0);
        EXPECT_EQ(band->display_low, -1234);
        return;
    }
    ASSERT_EQ(set, 1);
    const double want_low = usable[t], want_high = usable[usable.size() - 1 - t];
    const bool exact = integer && hi - lo + 1 <= 65536;
    if (exact) {
        EXPECT_EQ(band->display_low, want_low);
        EXPECT_EQ(band->display_high, want_high);
    } else {
        const double bin = (hi - lo) / 65536 * (integer ? 1.0001 : 1.0) + (integer ? 1 : 0);
        EXPECT_LE(band->display_low, want_low);
        EXPECT_GE(band->display_low, want_low - bin);
        EXPECT_GE(band->display_high, want_high);
        EXPECT_LE(band->display_high, want_high + bin);
        const auto below =
            std::count_if(usable.begin(), usable.end(), [&](double v) { return v < band->display_low; });
        const auto above =
            std::count_if(usable.begin(), usable.end(), [&](double v) { return v > band->display_high; });
        EXPECT_LE(static_cast<size_t>(below), t);
        EXPECT_LE(static_cast<size_t>(above), t);
    }
    if (integer) {
        EXPECT_EQ(band->display_low, std::floor(band->display_low));
        EXPECT_EQ(band->display_high, std::floor(band->display_high));
    }
}

TEST(WideHistogram, EveryKindMatchesABruteForceCountOnAnyNumberOfThreads) {
    TempDir dir;
    for (const WideCase& c : wide_cases()) {
        SCOPED_TRACE(c.name);
        auto b = wide_test::raw_band(dir, "band.raw", c.type, c.width, c.height, c.value);
        ASSERT_TRUE(b);
        BandInfo* band = b->band();
        band->has_nodata = c.nodata ? 1 : 0;
        band->nodata = c.nodata_value;
        const bool integer = c.type != REMOS_SAMPLE_F32 && c.type != REMOS_SAMPLE_F64;
        const std::vector<double> usable = wide_test::usable_values(b->values, *band);
        EXPECT_EQ(remos_make_histogram(band), 0) << "the 8-bit histogram leaves wide bands alone";
        // Counted apart from the record (as a background pass does) and put into it afterwards: the same
        // histogram, the record owning its fine counts from then on.
        orvenna::BandHistogram apart;
        ASSERT_TRUE(apart.count(*band));
        EXPECT_EQ(band->value_counts, nullptr);
        apart.applyTo(band);
        expect_histogram(*band, usable, integer);
        expect_auto_range(band, usable, integer, 0.00085, 0);
        for (int threads : {1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << threads << " threads");
            Threads t(threads);
            ASSERT_EQ(remos_make_band_histogram(band, nullptr, nullptr), 1);
            expect_histogram(*band, usable, integer);
            for (auto [ratio, exclude] : {std::pair{0.0, 0}, std::pair{0.00085, 0}, std::pair{0.02, 1},
                                          std::pair{0.3, 1}, std::pair{0.6, 0}})
                expect_auto_range(band, usable, integer, ratio, exclude);
        }
        if (!usable.empty()) {
            ASSERT_EQ(remos_full_range_values(band), 1);
            EXPECT_EQ(band->display_low, band->value_min);
            EXPECT_EQ(band->display_high, band->value_max);
        } else {
            EXPECT_EQ(remos_full_range_values(band), 0);
        }
        // The column functions place values as the histogram counts them.
        for (double v : usable) {
            const int col = remos_histogram_column(band, v);
            ASSERT_EQ(col, expected_column(v, band->value_min, band->value_max, integer)) << v;
            ASSERT_LE(remos_histogram_column_value(band, col), v);
            if (col < 255) {
                ASSERT_GT(remos_histogram_column_value(band, col + 1), v);
            }
        }
    }
}

// The demo's own wide bands: the 16-bit CEOS band and the two float samples of each PSRB data group.
TEST(WideHistogram, SampleCeos16AndPsrbBands) {
    TempDir dir;
    const int w = 300, h = 200;
    std::string error;
    const std::string c16 = dir.file("ceos16"), psrb = dir.file("psrb");
    ASSERT_TRUE(samples::write_ceos(c16, samples::CeosKind::General, samples::Band::Red, 16, w, h, &error))
        << error;
    ASSERT_TRUE(samples::write_ceos(psrb, samples::CeosKind::Psrb, samples::Band::Red, 32, w, h, &error))
        << error;
    struct Case {
        std::string path;
        int band;
        std::function<double(int, int)> value;
    } cases[] = {
        {c16, 0, [&](int x, int y) { return samples::band_value16(samples::Band::Red, x, y, w, h); }},
        {psrb, 0, [&](int x, int y) { return samples::psrb_value(0, x, y, w, h); }},
        {psrb, 1, [&](int x, int y) { return samples::psrb_value(1, x, y, w, h); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " band " + std::to_string(c.band));
        SceneFile scene{};
        ASSERT_EQ(remos_open(&scene, c.path.c_str(), FMT_DETECT), REMOS_OK);
        BandInfo* band = &scene.bands[c.band];
        ASSERT_TRUE(remos_band_is_wide(band));
        std::vector<double> values;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                values.push_back(c.value(x, y));
        Threads t(2);
        ASSERT_EQ(remos_make_band_histogram(band, nullptr, nullptr), 1);
        expect_histogram(*band, values, band->sample_type != REMOS_SAMPLE_F32);
        expect_auto_range(band, values, band->sample_type != REMOS_SAMPLE_F32, 0.00085, 1);
        remos_close(&scene);
    }
}

// 8-bit bands in every layout the pass splits: counts equal to counting remos_read_row's values one by one.
TEST(WideHistogram, EightBitCountsAreTheSameOnAnyNumberOfThreads) {
    TempDir dir;
    std::string error;
    const int w = 301, h = 203;
    ASSERT_TRUE(samples::write_native(dir.file("one.vdm"), w, h, 1, &error)) << error;
    ASSERT_TRUE(samples::write_native(dir.file("four.vdm"), w, h, 4, &error)) << error;
    ASSERT_TRUE(samples::write_tiff_rgb(dir.file("rgb.tif"), w, h, false, &error)) << error;
    ASSERT_TRUE(samples::write_ceos(dir.file("ceos8"), samples::CeosKind::General,
                                    samples::Band::NearInfrared, 8, w, h, &error))
        << error;
    for (const char* name : {"one.vdm", "four.vdm", "rgb.tif", "ceos8"}) {
        SceneFile scene{};
        ASSERT_EQ(remos_open(&scene, dir.file(name).c_str(), FMT_DETECT), REMOS_OK) << name;
        for (uint32_t k = 0; k < scene.band_count; ++k) {
            SCOPED_TRACE(testing::Message() << name << " band " << k);
            BandInfo* band = &scene.bands[k];
            int32_t want[256] = {};
            std::vector<unsigned char> row(static_cast<size_t>(w));
            for (int y = 0; y < h; ++y) {
                remos_read_row(band, row.data(), y, 0, w);
                for (unsigned char v : row)
                    want[v]++;
            }
            for (int threads : {1, 2, 5}) {
                Threads t(threads);
                ASSERT_EQ(remos_make_band_histogram(band, nullptr, nullptr), 1);
                for (int v = 0; v < 256; ++v)
                    ASSERT_EQ(band->histogram[v], want[v]) << v << " on " << threads << " threads";
            }
            // A byte value marking pixels without data is left out of its bin only.
            const int most = static_cast<int>(std::max_element(want, want + 256) - want);
            band->has_nodata = 1;
            band->nodata = most;
            ASSERT_EQ(remos_make_histogram(band), 1);
            for (int v = 0; v < 256; ++v)
                ASSERT_EQ(band->histogram[v], v == most ? 0 : want[v]) << v;
            band->has_nodata = 0;
        }
        remos_close(&scene);
    }
}

// The callback runs on the calling thread only, its shares rise to exactly 1, and a stop leaves the band as
// it was; for 8-bit, 16-bit (one pass) and float (two passes) bands counted on three threads.
TEST(WideHistogram, ProgressAndStopOnSeveralThreads) {
    TempDir dir;
    Threads t(3);
    const int kinds[] = {REMOS_SAMPLE_U8, REMOS_SAMPLE_U16, REMOS_SAMPLE_F32};
    for (int type : kinds) {
        SCOPED_TRACE(type);
        std::unique_ptr<OpenBand> b;
        if (type == REMOS_SAMPLE_U8) {
            std::string error;
            ASSERT_TRUE(samples::write_native(dir.file("n.vdm"), 400, 300, 1, &error));
            b = std::make_unique<OpenBand>();
            ASSERT_EQ(remos_open(&b->scene, dir.file("n.vdm").c_str(), FMT_DETECT), REMOS_OK);
        } else {
            b = wide_test::raw_band(dir, "w.raw", type, 400, 300, [](int x, int y) { return x * 3 + y; });
            ASSERT_TRUE(b);
        }
        BandInfo* band = b->band();
        band->hist_peak = 77;
        struct Calls {
            int count = 0;
            double last = -1;
            bool rising = true, on_caller = true;
            std::thread::id caller = std::this_thread::get_id();
        } calls;
        auto stop_at_once = [](void* context, double) {
            static_cast<Calls*>(context)->count++;
            return 0;
        };
        EXPECT_EQ(remos_make_band_histogram(band, stop_at_once, &calls), 0);
        EXPECT_EQ(calls.count, 1);
        EXPECT_EQ(band->hist_peak, 77);
        auto go_on = [](void* context, double done) {
            auto* c = static_cast<Calls*>(context);
            c->rising = c->rising && done >= c->last && done <= 1.0;
            c->on_caller = c->on_caller && std::this_thread::get_id() == c->caller;
            c->last = done;
            c->count++;
            return 1;
        };
        calls = Calls{};
        EXPECT_EQ(remos_make_band_histogram(band, go_on, &calls), 1);
        EXPECT_TRUE(calls.rising);
        EXPECT_TRUE(calls.on_caller);
        EXPECT_DOUBLE_EQ(calls.last, 1.0);
    }
}

}  // namespace
