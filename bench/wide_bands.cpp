// Bands wider than 8 bits beside 8-bit bands of the same pixels, in the same run:
//  - the histogram of a 16000 x 16000 8-bit band on 1 and 2 threads against a plain pread of the same file
//    (counter vs_read: read time / histogram time), and of the same scene as 16-bit values with its smallest
//    and largest value (counter vs_8bit: 16-bit time / 8-bit time on the same number of threads);
//  - a 1000 x 700 redraw at 1:1 over three 16-bit bands (a, b, c and NDVI) against three 8-bit bands
//    (counter vs_8bit).
// Files are written once to /tmp/orvenna_bench_wide and read from the page cache.
//
// Run: build/bench_wide_bands [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "calc/ecalc.h"
#include "calc/ecalc_stored.h"
#include "display/Composite.h"
#include "display/PresetTexts.h"
#include "scene/SceneHandle.h"
#include "scene/remos.h"

using namespace orvenna;

namespace {

const std::string kDir = "/tmp/orvenna_bench_wide";

// A landscape-like 16-bit scene: smooth fields of 5000..30000 with fine noise, as Landsat bands look.
uint16_t value16(int x, int y, int band) {
    const double field = 0.5 + 0.25 * std::sin(x / 310.0 + band) + 0.25 * std::cos(y / 190.0 - band);
    const uint32_t h = (static_cast<uint32_t>(x) * 0x9E3779B1u) ^ (static_cast<uint32_t>(y) * 0x85EBCA77u);
    return static_cast<uint16_t>(5000 + 25000 * field + (h >> 24));
}
uint8_t value8(int x, int y, int band) {
    return static_cast<uint8_t>(value16(x, y, band) * 255 / 65535);
}

// Writes `bands` line-interleaved bands of width x height samples (1 or 2 bytes, big-endian) once.
std::string scene_file(const char* name, int width, int height, int bands, int bytes) {
    const std::string path = kDir + "/" + name;
    std::error_code ec;
    const auto want = static_cast<std::uintmax_t>(width) * height * bands * bytes;
    if (std::filesystem::exists(path, ec) && std::filesystem::file_size(path, ec) == want) return path;
    std::filesystem::create_directories(kDir, ec);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::vector<unsigned char> line(static_cast<size_t>(width) * bytes);
    for (int y = 0; y < height; ++y) {
        for (int b = 0; b < bands; ++b) {
            for (int x = 0; x < width; ++x) {
                if (bytes == 1) {
                    line[static_cast<size_t>(x)] = value8(x, y, b);
                } else {
                    const uint16_t v = value16(x, y, b);
                    line[2 * static_cast<size_t>(x)] = static_cast<unsigned char>(v >> 8);
                    line[2 * static_cast<size_t>(x) + 1] = static_cast<unsigned char>(v);
                }
            }
            std::fwrite(line.data(), 1, line.size(), f);
        }
    }
    std::fclose(f);
    return path;
}

struct RawScene {
    orvenna::SceneHandle file;
    int width = 0, height = 0;
    std::vector<std::vector<unsigned char>> bufs;
    std::vector<CompositeBandRow> rows;
    RawScene(const std::string& path, int w, int h, int bands, int bytes) : width(w), height(h) {
        if (!file.open(path, FMT_OPEN_ONLY).opened() ||
            remos_describe_raw(file.get(), 0, 0, 0, h, w * bytes, bands, bytes * 8) != 1)
            std::abort();
        bufs.assign(static_cast<size_t>(file.band_count()),
                    std::vector<unsigned char>(static_cast<size_t>(w)));
        for (int b = 0; b < file.band_count(); ++b) {
            CompositeBandRow row;
            row.band = file.band(b);
            row.line_buf = bufs[static_cast<size_t>(b)].data();
            row.line_buf_size = w;
            rows.push_back(row);
            file.band(b)->range_low = 0;
            file.band(b)->range_high = 255;
        }
    }
};

constexpr int kSide = 16000;

RawScene* big_band(int bytes) {
    static std::map<int, std::unique_ptr<RawScene>> scenes;
    auto& s = scenes[bytes];
    if (!s) {
        const std::string path =
            scene_file(bytes == 1 ? "u8_16000.raw" : "u16_16000.raw", kSide, kSide, 1, bytes);
        s = std::make_unique<RawScene>(path, kSide, kSide, 1, bytes);
    }
    return s.get();
}

std::map<std::string, double> g_seconds;  // mean time of earlier benchmarks of this run, by name

// Plain pread of the whole file in 1 MiB pieces, one thread.
void BM_PlainRead(benchmark::State& state) {
    const int bytes = static_cast<int>(state.range(0));
    const std::string path = kDir + (bytes == 1 ? "/u8_16000.raw" : "/u16_16000.raw");
    big_band(bytes);
    std::vector<unsigned char> buf(1 << 20);
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const int fd = open(path.c_str(), O_RDONLY);
        off_t off = 0;
        ssize_t n;
        uint64_t sum = 0;
        while ((n = pread(fd, buf.data(), buf.size(), off)) > 0) {
            sum += buf[static_cast<size_t>(n) - 1];
            off += n;
        }
        close(fd);
        benchmark::DoNotOptimize(sum);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    g_seconds["read" + std::to_string(bytes)] = seconds / static_cast<double>(state.iterations());
    state.SetBytesProcessed(state.iterations() * int64_t(kSide) * kSide * bytes);
}

// Histogram of the 8-bit (arg 1) or 16-bit (arg 2) band on range(1) threads.
void BM_Histogram(benchmark::State& state) {
    const int bytes = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    RawScene* s = big_band(bytes);
    BandInfo* band = s->file.band(0);
    remos_set_pass_threads(threads);
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        if (bytes == 1)
            remos_make_histogram(band);
        else
            remos_make_band_histogram(band, nullptr, nullptr);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    remos_set_pass_threads(0);
    benchmark::DoNotOptimize(band->hist_peak);
    const double mean = seconds / static_cast<double>(state.iterations());
    const std::string key = "hist" + std::to_string(bytes) + "_" + std::to_string(threads);
    g_seconds[key] = mean;
    const auto read = g_seconds.find("read" + std::to_string(bytes));
    if (read != g_seconds.end()) state.counters["vs_read"] = read->second / mean;
    const auto eight = g_seconds.find("hist1_" + std::to_string(threads));
    if (bytes == 2 && eight != g_seconds.end()) state.counters["vs_8bit"] = mean / eight->second;
    state.SetItemsProcessed(state.iterations() * int64_t(kSide) * kSide);
}

RawScene* small_scene(int bytes) {
    static std::map<int, std::unique_ptr<RawScene>> scenes;
    auto& s = scenes[bytes];
    if (!s) {
        const std::string path =
            scene_file(bytes == 1 ? "abc8_2000x1400.raw" : "abc16_2000x1400.raw", 2000, 1400, 3, bytes);
        s = std::make_unique<RawScene>(path, 2000, 1400, 3, bytes);
        if (bytes == 2) {
            for (int b = 0; b < s->file.band_count(); ++b) {
                remos_make_band_histogram(s->file.band(b), nullptr, nullptr);
                remos_auto_range_values(s->file.band(b), 0.00085, 0);
            }
        }
    }
    return s.get();
}

// 1000 x 700 redraw at 1:1 of the 8-bit (arg 1) or 16-bit (arg 2) three-band scene; range(1): 0 "a, b, c",
// 1 the NDVI of the display bytes, 2 the NDVI preset (of the stored values).
void BM_Redraw(benchmark::State& state) {
    const int bytes = static_cast<int>(state.range(0));
    const int kind = static_cast<int>(state.range(1));
    const bool ndvi = kind != 0;
    RawScene* s = small_scene(bytes);
    const std::string n =
        kind == 2 ? NdviText(NdviBand{'b'}, NdviBand{'c'}) : "( c - b ) / ( c + b ) * 128 + 128";
    CalcExpr* r = ecalc_compile_stored(ndvi ? n.c_str() : "a");
    CalcExpr* g = ecalc_compile_stored(ndvi ? n.c_str() : "b");
    CalcExpr* b = ecalc_compile_stored(ndvi ? n.c_str() : "c");
    const int w = 1000, h = 700;
    const ViewGeometry geo = compute_view_geometry(w, h, s->width / 2, s->height / 2, 5, s->width, s->height);
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * 3 * h);
    const CompositeTarget target{pixels.data(), w, h, w * 3};
    CompositeRenderer renderer;
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        renderer.draw(s->rows.data(), static_cast<int>(s->rows.size()), {r, g, b}, geo, target);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        benchmark::DoNotOptimize(pixels.data());
    }
    const double mean = seconds / static_cast<double>(state.iterations());
    const std::string key = std::string("redraw") + std::to_string(kind);
    if (bytes == 1) g_seconds[key] = mean;
    const auto eight = g_seconds.find(key);
    if (bytes == 2 && eight != g_seconds.end()) state.counters["vs_8bit"] = mean / eight->second;
    static const char* const kKinds[] = {"a, b, c", "NDVI of bytes", "NDVI of stored values"};
    state.SetLabel(std::string(bytes == 1 ? "8-bit " : "16-bit ") + kKinds[kind]);
    ecalc_free(r);
    ecalc_free(g);
    ecalc_free(b);
}

}  // namespace

// The plain reads and the 8-bit passes run first, so that the ratios are of this run.
BENCHMARK(BM_PlainRead)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Histogram)
    ->Args({1, 1})
    ->Args({1, 2})
    ->Args({2, 1})
    ->Args({2, 2})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK(BM_Redraw)
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({1, 2})
    ->Args({2, 0})
    ->Args({2, 1})
    ->Args({2, 2})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
