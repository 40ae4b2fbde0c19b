// The view's redraw over three Landsat-sized UInt16 bands in tiled DEFLATE COGs (7801 x 7801, 512 x 512
// tiles, no overviews), as the window draws it, on one core and on every core:
//  - 3840 x 2160 at 1:1, warm (the tiles in GDAL's block cache): "a, b, c" and NDVI, in ns per pixel;
//  - the whole scene in 1000 x 700 (every sixteenth pixel), cold (each time from a fresh opening), and warm
//    once the exact histogram passes have made the bands' reduced copies, against the 1:1 cost per pixel
//    drawn on every core in a view of the same size (counter vs_unit).
// The files are written once to /tmp/orvenna_bench_cores with gdal_translate (gdal-bin).
//
// Run: build/bench_redraw_cores [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "calc/ecalc.h"
#include "calc/ecalc_stored.h"
#include "display/PresetTexts.h"
#include "display/ThreadedComposite.h"
#include "scene/BandHistogram.h"
#include "scene/SceneHandle.h"
#include "scene/remos.h"

using namespace orvenna;

namespace {

const std::string kDir = "/tmp/orvenna_bench_cores";
constexpr int kSide = 7801;

// A landscape-like 16-bit scene: smooth fields of 5000..30000 with fine noise, as Landsat bands look.
uint16_t value16(int x, int y, int band) {
    const double field = 0.5 + 0.25 * std::sin(x / 310.0 + band) + 0.25 * std::cos(y / 190.0 - band);
    const uint32_t h = (static_cast<uint32_t>(x) * 0x9E3779B1u) ^ (static_cast<uint32_t>(y) * 0x85EBCA77u);
    return static_cast<uint16_t>(5000 + 25000 * field + (h >> 24));
}

// The three band files, written once.
std::vector<std::string> band_files() {
    std::vector<std::string> paths;
    for (int b = 0; b < 3; ++b)
        paths.push_back(kDir + "/b" + std::to_string(b + 1) + ".tif");
    if (std::filesystem::exists(paths.back())) return paths;
    std::filesystem::create_directories(kDir);
    const std::string raw = kDir + "/scene.raw";
    FILE* f = std::fopen(raw.c_str(), "wb");
    if (!f) std::abort();
    std::vector<uint16_t> line(kSide);
    for (int b = 0; b < 3; ++b)
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x)
                line[static_cast<size_t>(x)] = value16(x, y, b);
            std::fwrite(line.data(), 2, line.size(), f);
        }
    std::fclose(f);
    FILE* hdr = std::fopen((kDir + "/scene.hdr").c_str(), "w");
    std::fprintf(hdr,
                 "ENVI\nsamples = %d\nlines = %d\nbands = 3\nheader offset = 0\nfile type = ENVI Standard\n"
                 "data type = 12\ninterleave = bsq\nbyte order = 0\n",
                 kSide, kSide);
    std::fclose(hdr);
    for (int b = 0; b < 3; ++b) {
        const std::string command = "gdal_translate -q -b " + std::to_string(b + 1) +
                                    " -of COG -co COMPRESS=DEFLATE -co BLOCKSIZE=512 -co OVERVIEWS=NONE " +
                                    raw + " " + paths[static_cast<size_t>(b)];
        if (std::system(command.c_str()) != 0) std::abort();
    }
    std::filesystem::remove(raw);
    return paths;
}

struct Scene {
    std::vector<std::unique_ptr<SceneHandle>> files;
    std::vector<CompositeBandRow> rows;
    Scene() {
        for (const std::string& path : band_files()) {
            files.push_back(std::make_unique<SceneHandle>());
            if (!files.back()->open(path, FMT_DETECT).opened()) std::abort();
            BandInfo* band = files.back()->band(0);
            band->display_low = 6000;
            band->display_high = 28000;
            CompositeBandRow row;
            row.band = band;
            rows.push_back(row);
        }
    }
};

struct Texts {
    CalcExpr* trees[3];
    explicit Texts(bool ndvi) {
        const std::string n = NdviText(NdviBand{'b'}, NdviBand{'c'});
        const char* texts[3] = {"a", "b", "c"};
        for (int c = 0; c < 3; ++c)
            trees[c] = ecalc_compile_stored(ndvi ? n.c_str() : texts[c]);
    }
    ~Texts() {
        for (CalcExpr* t : trees)
            ecalc_free(t);
    }
    CompositeExpressions exprs() const { return {trees[0], trees[1], trees[2]}; }
};

// 1:1 cost per pixel of "a, b, c" by view width, from the runs before.
std::map<int, double> g_unit_ns;

// range(0): threads; range(1): 0 "a, b, c", 1 NDVI; range(2): the view's width (3840 x 2160, or 7 / 10 of the
// width high).
void BM_Unit(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    Scene scene;
    Texts texts(state.range(1) != 0);
    const int w = static_cast<int>(state.range(2)), h = w == 3840 ? 2160 : w * 7 / 10;
    const ViewGeometry geo = compute_view_geometry(w, h, kSide / 2, kSide / 2, 5, kSide, kSide);
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * 3 * h);
    const CompositeTarget target{pixels.data(), w, h, w * 3};
    ThreadedCompositeRenderer renderer(threads);
    renderer.draw(scene.rows.data(), 3, texts.exprs(), geo, target);  // warm: the tiles decoded
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        renderer.draw(scene.rows.data(), 3, texts.exprs(), geo, target);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        benchmark::DoNotOptimize(pixels.data());
    }
    const double ns = seconds / static_cast<double>(state.iterations()) * 1e9 / (double(w) * h);
    if (state.range(1) == 0) g_unit_ns[w] = ns;
    state.counters["ns_per_px"] = ns;
    state.SetLabel(std::string(state.range(1) ? "NDVI" : "a, b, c") + " " + std::to_string(w) + " on " +
                   std::to_string(threads));
}

// The whole scene in 1000 x 700 from a fresh opening each time; range(0): threads.
void BM_WholeSceneCold(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    Texts texts(false);
    const int w = 1000, h = 700;
    const int step = fit_zoom_step(w, h, kSide, kSide);
    double seconds = 0, drawn = 0;
    for (auto _ : state) {
        Scene scene;
        const ViewGeometry geo = compute_view_geometry(w, h, kSide / 2, kSide / 2, step, kSide, kSide);
        std::vector<uint8_t> pixels(static_cast<size_t>(w) * 3 * h);
        ThreadedCompositeRenderer renderer(threads);
        const auto t0 = std::chrono::steady_clock::now();
        renderer.draw(scene.rows.data(), 3, texts.exprs(), geo, {pixels.data(), w, h, w * 3});
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        drawn = double(geo.columns) * geo.lines;
    }
    const double ns = seconds / static_cast<double>(state.iterations()) * 1e9 / drawn;
    state.counters["ns_per_px"] = ns;
    if (g_unit_ns.count(3840)) state.counters["vs_unit"] = ns / g_unit_ns[3840];
    state.SetLabel("a, b, c at step " + std::to_string(step) + " on " + std::to_string(threads));
}

// The whole scene once the exact histogram passes have made the bands' reduced copies, warm; range(0):
// threads, range(1): the view's width (its height: 7 / 10 of it).
void BM_WholeSceneFromCopy(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    Texts texts(false);
    Scene scene;
    for (const auto& file : scene.files) {
        BandHistogram histogram;
        histogram.count(*file->band(0));
    }
    const int w = static_cast<int>(state.range(1)), h = w * 7 / 10;
    const int step = fit_zoom_step(w, h, kSide, kSide);
    const ViewGeometry geo = compute_view_geometry(w, h, kSide / 2, kSide / 2, step, kSide, kSide);
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * 3 * h);
    ThreadedCompositeRenderer renderer(threads);
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        renderer.draw(scene.rows.data(), 3, texts.exprs(), geo, {pixels.data(), w, h, w * 3});
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    const double ns =
        seconds / static_cast<double>(state.iterations()) * 1e9 / (double(geo.columns) * geo.lines);
    state.counters["ns_per_px"] = ns;
    if (g_unit_ns.count(w)) state.counters["vs_unit"] = ns / g_unit_ns[w];
    state.SetLabel("a, b, c " + std::to_string(w) + " at step " + std::to_string(step) + " on " +
                   std::to_string(threads));
}

}  // namespace

BENCHMARK(BM_Unit)
    ->Args({1, 0, 3840})
    ->Args({1, 1, 3840})
    ->Args({2, 0, 3840})
    ->Args({2, 1, 3840})
    ->Args({2, 0, 1000})
    ->Args({2, 0, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeSceneCold)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WholeSceneFromCopy)->Args({2, 1000})->Args({2, 3000})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
