// GDAL scenes at the size of a Landsat band: a 7801 x 7921 UInt16 band of the sample landscape, DEFLATE,
// tiled 512 (and the same as Byte, and a copy with overviews), written once under /tmp with gdal_translate
// and gdaladdo. Measured beside `gdalinfo -hist` on the same file in the same run:
//  - open + one pass over every sample + the first 1000 x 700 view (what opening with a histogram costs);
//  - open + remos_make_histogram + first view on the Byte file (today's 8-bit histogram);
//  - a pan: a 1000 x 700 view at a new place, the band's blocks in GDAL's cache;
//  - a 1/32 view of the whole scene with and without overviews;
//  - four bands opened with their passes, one after another and on two threads, with the resident memory.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gdal.h>

#include "scene/SceneHandle.h"
#include "scene/remos.h"
#include "tools/samples/sample_scenes.h"

namespace {

constexpr int kWidth = 7801;
constexpr int kHeight = 7921;
constexpr int kViewWidth = 1000;
constexpr int kViewLines = 700;
const std::string kDir = "/tmp/orvenna_bench_gdal";

bool exists(const std::string& path) {
    return access(path.c_str(), R_OK) == 0;
}

int run(const std::string& command) {
    return std::system(command.c_str());
}

// The landscape's near-infrared band as a raw big-endian file with an ENVI header, 16- or 8-bit.
std::string raw_band(bool sixteen) {
    const std::string raw = kDir + (sixteen ? "/nir16.raw" : "/nir8.raw");
    if (exists(raw)) return raw;
    FILE* f = fopen(raw.c_str(), "wb");
    std::vector<unsigned char> line(static_cast<size_t>(kWidth) * 2);
    for (int y = 0; y < kHeight; ++y) {
        if (sixteen) {
            for (int x = 0; x < kWidth; ++x) {
                const uint16_t v = samples::band_value16(samples::Band::NearInfrared, x, y, kWidth, kHeight);
                line[2 * x] = static_cast<unsigned char>(v >> 8);
                line[2 * x + 1] = static_cast<unsigned char>(v);
            }
            fwrite(line.data(), 1, line.size(), f);
        } else {
            samples::band_row(samples::Band::NearInfrared, y, kWidth, kHeight, line.data());
            fwrite(line.data(), 1, static_cast<size_t>(kWidth), f);
        }
    }
    fclose(f);
    std::ofstream hdr(raw.substr(0, raw.size() - 4) + ".hdr");
    hdr << "ENVI\nsamples = " << kWidth << "\nlines = " << kHeight << "\nbands = 1\nheader offset = 0\n"
        << "file type = ENVI Standard\ndata type = " << (sixteen ? 12 : 1)
        << "\ninterleave = bsq\nbyte order = 1\n";
    return raw;
}

// Tiled DEFLATE GeoTIFF of the band; with `overviews` also levels 2 .. 32 inside the file.
std::string tiff_band(bool sixteen, bool overviews) {
    run("mkdir -p " + kDir);
    const std::string tif =
        kDir + (sixteen ? "/nir16" : "/nir8") + (overviews ? "_ovr" : "") + "_deflate512.tif";
    if (exists(tif)) return tif;
    const std::string raw = raw_band(sixteen);
    const std::string tmp = tif + ".part";
    run("gdal_translate -q -of GTiff -co TILED=YES -co BLOCKXSIZE=512 -co BLOCKYSIZE=512 -co "
        "COMPRESS=DEFLATE " +
        raw + " " + tmp);
    if (overviews) run("gdaladdo -q -r average " + tmp + " 2 4 8 16 32");
    run("mv " + tmp + " " + tif);
    return tif;
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

long resident_kib() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return 0;
}

// One pass over every stored sample, counting values as an exact 16-bit histogram would.
void full_pass(BandInfo* band, std::vector<uint32_t>& bins) {
    std::fill(bins.begin(), bins.end(), 0);
    std::vector<uint16_t> row(static_cast<size_t>(band->width));
    for (int y = 0; y < band->lines; ++y) {
        remos_read_row_stored(band, row.data(), y, 0, band->width);
        for (uint16_t v : row)
            bins[v]++;
    }
}

void first_view(BandInfo* band, int x0, int y0) {
    std::vector<unsigned char> row(kViewWidth);
    for (int y = 0; y < kViewLines; ++y)
        remos_read_row(band, row.data(), y0 + y, x0, kViewWidth);
    benchmark::DoNotOptimize(row.data());
}

double g_gdalinfo_seconds[2] = {0, 0};  // [sixteen]
const long g_resident_at_start = resident_kib();

void BM_GdalinfoHist(benchmark::State& state) {
    const bool sixteen = state.range(0) != 0;
    const std::string tif = tiff_band(sixteen, false);
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        // Without PAM gdalinfo keeps no .aux.xml, so every run computes the histogram.
        if (run("GDAL_PAM_ENABLED=NO gdalinfo -hist " + tif + " >/dev/null") != 0)
            state.SkipWithError("gdalinfo");
        total += seconds_since(t0);
    }
    g_gdalinfo_seconds[sixteen] = total / static_cast<double>(state.iterations());
}

// Opening with a pass over every sample (16-bit) or remos_make_histogram (8-bit), then the first view.
void BM_OpenHistogramFirstView(benchmark::State& state) {
    const bool sixteen = state.range(0) != 0;
    const std::string tif = tiff_band(sixteen, false);
    std::vector<uint32_t> bins(65536);
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        {
            orvenna::SceneHandle scene;
            if (!scene.open(tif).opened()) {
                state.SkipWithError("cannot open");
                return;
            }
            if (sixteen)
                full_pass(scene.band(0), bins);
            else
                remos_make_histogram(scene.band(0));
            first_view(scene.band(0), (kWidth - kViewWidth) / 2, (kHeight - kViewLines) / 2);
        }
        total += seconds_since(t0);
    }
    const double ours = total / static_cast<double>(state.iterations());
    if (g_gdalinfo_seconds[sixteen] > 0)
        state.counters["gdalinfo_hist_over_ours"] = g_gdalinfo_seconds[sixteen] / ours;
}

// A pan: each iteration draws a 1000 x 700 view at a new place of a band whose blocks are cached.
void BM_PanView(benchmark::State& state) {
    const std::string tif = tiff_band(true, false);
    orvenna::SceneHandle scene;
    if (!scene.open(tif).opened()) {
        state.SkipWithError("cannot open");
        return;
    }
    std::vector<uint32_t> bins(65536);
    full_pass(scene.band(0), bins);
    int step = 0;
    for (auto _ : state) {
        const int x0 = (step * 617) % (kWidth - kViewWidth), y0 = (step * 433) % (kHeight - kViewLines);
        first_view(scene.band(0), x0, y0);
        ++step;
    }
}

// The whole scene at 1/32: every 32nd line, every 32nd sample (or the 1/32 overview).
void BM_Reduced32(benchmark::State& state) {
    const bool overviews = state.range(0) != 0;
    const bool warm = state.range(1) != 0;
    const std::string tif = tiff_band(true, overviews);
    auto scene = std::make_unique<orvenna::SceneHandle>();
    if (!scene->open(tif).opened()) {
        state.SkipWithError("cannot open");
        return;
    }
    std::vector<uint32_t> bins(65536);
    if (warm) full_pass(scene->band(0), bins);
    std::vector<unsigned char> row(kWidth / 32 + 1);
    for (auto _ : state) {
        if (!warm) {  // a fresh dataset: nothing in the block cache
            state.PauseTiming();
            scene = std::make_unique<orvenna::SceneHandle>();
            scene->open(tif);
            state.ResumeTiming();
        }
        for (int y = 0; y < kHeight; y += 32)
            remos_read_row_reduced(scene->band(0), row.data(), y, 0, kWidth / 32 + 1, 32);
        benchmark::DoNotOptimize(row.data());
    }
}

// Four such bands opened with their passes: one after another (threads 1), two at a time (threads 2), or one
// after another with the viewer's histogram pass, whose parts read on every core (threads 0).
void BM_FourBands(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    const std::string tif = tiff_band(true, false);
    long rss_after = 0;
    for (auto _ : state) {
        auto scenes = std::make_unique<orvenna::SceneHandle[]>(4);
        auto work = [&](int first, int stride) {
            std::vector<uint32_t> bins(65536);
            for (int i = first; i < 4; i += stride) {
                scenes[i].open(tif);
                if (threads == 0)
                    remos_make_band_histogram(scenes[i].band(0), nullptr, nullptr);
                else
                    full_pass(scenes[i].band(0), bins);
            }
        };
        std::vector<std::thread> pool;
        for (int t = 0; t < std::max(threads, 1); ++t)
            pool.emplace_back(work, t, std::max(threads, 1));
        for (auto& t : pool)
            t.join();
        rss_after = std::max(rss_after, resident_kib());
        state.PauseTiming();
        scenes.reset();
        state.ResumeTiming();
    }
    // The whole process's resident memory with the four bands open (it includes what the benchmarks before
    // left), against their decoded size.
    state.counters["resident_MiB"] = static_cast<double>(rss_after) / 1024.0;
    state.counters["at_start_MiB"] = static_cast<double>(g_resident_at_start) / 1024.0;
    state.counters["decoded_MiB"] = 4.0 * kWidth * kHeight * 2 / (1 << 20);
    state.counters["gdal_cache_MiB"] = static_cast<double>(GDALGetCacheMax64()) / (1 << 20);
}

BENCHMARK(BM_GdalinfoHist)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenHistogramFirstView)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PanView)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Reduced32)
    ->Args({0, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_FourBands)->Arg(1)->Arg(2)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
