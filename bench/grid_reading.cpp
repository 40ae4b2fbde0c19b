// A band read onto a grid finer than its own, against the same band read at its own size, per drawn pixel:
// a 20 m UInt16 band (5490 x 5490) opened alone, and opened after a 10 m band of the same area (10980 x
// 10980) so that it is placed on the 10 m grid and each of its pixels is drawn as two by two. The redraw of
// "a" over that one band, as the window draws it (warm: after one untimed redraw, the tiles in GDAL's block
// cache), on one core and on two:
//  - 3840 x 2160 at 1:1 around the scene's centre: ns per drawn pixel, and for the placed band its ratio to
//    the band alone (vs_own; the aim is at most 1.5);
//  - the whole scene in a 1000 x 1000 view at the step that fits it (every eighth pixel of the band alone,
//    every sixteenth of the grid), in ns per drawn pixel and the same ratio.
// Both files are tiled DEFLATE GeoTIFFs (512 x 512 tiles, no overviews) in UTM 54N, written once to
// /tmp/orvenna_bench_grid with gdal_translate (gdal-bin) and opened through the document's opener as the
// render command opens them (wide histograms from a sample). Figures only; nothing is asserted.
//
// Run: build/bench_grid_reading [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "calc/ecalc.h"
#include "display/ThreadedComposite.h"
#include "document/SceneOpener.h"

using namespace orvenna;

namespace {

const std::string kDir = "/tmp/orvenna_bench_grid";
constexpr int kFine = 10980;  // 10 m
constexpr int kCoarse = kFine / 2;

// A landscape-like 16-bit scene over the ground (x, y in 10 m pixels): smooth fields with fine noise.
uint16_t value16(int x, int y) {
    const double field = 0.5 + 0.25 * std::sin(x / 310.0) + 0.25 * std::cos(y / 190.0);
    const uint32_t h = (static_cast<uint32_t>(x) * 0x9E3779B1u) ^ (static_cast<uint32_t>(y) * 0x85EBCA77u);
    return static_cast<uint16_t>(5000 + 25000 * field + (h >> 24));
}

// Writes `path` at `side` x `side` pixels over the same 109.8 km square (its pixel size 109800 / side m).
void write_band(const std::string& path, int side) {
    const int scale = kFine / side;
    const std::string raw = kDir + "/band.raw";
    FILE* f = std::fopen(raw.c_str(), "wb");
    if (!f) std::abort();
    std::vector<uint16_t> line(static_cast<size_t>(side));
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x)
            line[static_cast<size_t>(x)] = value16(x * scale, y * scale);
        std::fwrite(line.data(), 2, line.size(), f);
    }
    std::fclose(f);
    FILE* hdr = std::fopen((kDir + "/band.hdr").c_str(), "w");
    std::fprintf(hdr,
                 "ENVI\nsamples = %d\nlines = %d\nbands = 1\nheader offset = 0\nfile type = ENVI Standard\n"
                 "data type = 12\ninterleave = bsq\nbyte order = 0\n",
                 side, side);
    std::fclose(hdr);
    const std::string part = path + ".part.tif";
    const std::string command =
        "gdal_translate -q -of GTiff -co TILED=YES -co BLOCKXSIZE=512 -co BLOCKYSIZE=512 -co "
        "COMPRESS=DEFLATE "
        "-a_srs EPSG:32654 -a_ullr 300000 4000000 409800 3890200 " +
        raw + " " + part;
    if (std::system(command.c_str()) != 0) std::abort();
    std::filesystem::rename(part, path);
    std::filesystem::remove(raw);
    std::filesystem::remove(kDir + "/band.hdr");
}

// The 10 m and the 20 m file, written once (named so that natural order opens the 10 m one first).
std::pair<std::string, std::string> band_files() {
    const std::string fine = kDir + "/B04_10m.tif", coarse = kDir + "/B05_20m.tif";
    std::filesystem::create_directories(kDir);
    if (!std::filesystem::exists(fine)) write_band(fine, kFine);
    if (!std::filesystem::exists(coarse)) write_band(coarse, kCoarse);
    return {fine, coarse};
}

class Answers : public OpeningQuestions {
public:
    bool countHistogramsOfLargeFile(const std::string&) override { return true; }
    bool refused(const OpeningRefusal& refusal) override {
        std::fprintf(stderr, "refused: %s %s\n", refusal.path.c_str(), refusal.words().c_str());
        std::abort();
    }
};

// An opening whose last band is drawn: the 20 m band alone, or placed after the 10 m file.
struct Opening {
    OpeningResult result;
    BandInfo* band = nullptr;
    int width = 0, height = 0;
};

Opening& opening(bool placed) {
    static std::map<bool, Opening> openings;
    auto found = openings.find(placed);
    if (found != openings.end()) return found->second;
    const auto files = band_files();
    OpeningOptions options;
    options.histograms = OpeningOptions::Histograms::WideOnly;
    options.sampleAbove = OpeningOptions::kLargeBandSamples;
    Answers answers;
    OpeningControl control;
    Opening& o = openings[placed];
    o.result = OpenFiles(
        placed ? std::vector<std::string>{files.first, files.second} : std::vector<std::string>{files.second},
        options, answers, control);
    if (o.result.opened.size() != (placed ? 2u : 1u)) std::abort();
    o.band = o.result.opened.back().scene->band(0);
    o.width = o.result.width;
    o.height = o.result.height;
    if (o.width != (placed ? kFine : kCoarse)) std::abort();
    return o;
}

// ns per drawn pixel of the band alone, by (threads, view kind), for the placed band's ratio.
std::map<std::pair<int, int>, double> g_own_ns;

// range(0): threads; range(1): 0 the band alone, 1 placed on the 10 m grid; range(2): 0 3840 x 2160 at 1:1,
// 1 the whole scene in 1000 x 1000.
void BM_Redraw(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    const bool placed = state.range(1) != 0, whole = state.range(2) != 0;
    Opening& o = opening(placed);
    CompositeBandRow row;
    row.band = o.band;
    CalcExpr* tree = ecalc_compile("a");
    const CompositeExpressions exprs{tree, tree, tree};
    const int w = whole ? 1000 : 3840, h = whole ? 1000 : 2160;
    const int step = whole ? fit_zoom_step(w, h, o.width, o.height) : kUnitZoomStep;
    const ViewGeometry geo = compute_view_geometry(w, h, o.width / 2, o.height / 2, step, o.width, o.height);
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * 3 * h);
    const CompositeTarget target{pixels.data(), w, h, w * 3};
    ThreadedCompositeRenderer renderer(threads);
    renderer.draw(&row, 1, exprs, geo, target);  // warm: the tiles decoded
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        renderer.draw(&row, 1, exprs, geo, target);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        benchmark::DoNotOptimize(pixels.data());
    }
    ecalc_free(tree);
    const double drawn = double(geo.columns) * geo.lines;  // 1:1 or reduced: view pixels
    const double ns = seconds / static_cast<double>(state.iterations()) * 1e9 / drawn;
    const std::pair<int, int> key{threads, whole ? 1 : 0};
    if (!placed) g_own_ns[key] = ns;
    state.counters["ns_per_px"] = ns;
    state.counters["drawn_px"] = drawn;
    if (placed && g_own_ns.count(key)) state.counters["vs_own"] = ns / g_own_ns[key];
    state.SetLabel(std::string(placed ? "20 m placed on 10 m" : "20 m alone") + (whole ? " whole" : " 1:1") +
                   " step " + std::to_string(step) + " on " + std::to_string(threads));
}

}  // namespace

BENCHMARK(BM_Redraw)
    ->Args({1, 0, 0})
    ->Args({1, 1, 0})
    ->Args({2, 0, 0})
    ->Args({2, 1, 0})
    ->Args({1, 0, 1})
    ->Args({1, 1, 1})
    ->Args({2, 0, 1})
    ->Args({2, 1, 1})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
