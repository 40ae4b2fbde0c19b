// Composite redraw of a 1000 x 700 view: the reference tree walk, the compiled programs without the result
// cache, and the cached renderer, side by side. Scenes are written once to /tmp/orvenna_bench_composite (a
// 3-band 8-bit scene for 1:1 and a 16000 x 16000 band for the step-8 reduction).
//
// Run: build-*/bench_composite [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "calc/ecalc.h"
#include "display/Composite.h"
#include "scene/SceneHandle.h"
#include "scene/remos.h"
#include "tests/unit/composite_texts.h"
#include "tools/samples/sample_scenes.h"

using namespace orvenna;

namespace {

constexpr int kViewW = 1000, kViewH = 700;

struct OpenScene {
    SceneHandle file;
    std::vector<std::vector<unsigned char>> bufs;
    std::vector<CompositeBandRow> rows;
    int width = 0, height = 0;

    bool open(const std::string& path, int w, int h, int bands) {
        std::error_code ec;
        const auto want = 512 + static_cast<std::uintmax_t>(w) * h * bands;
        if (!std::filesystem::exists(path, ec) || std::filesystem::file_size(path, ec) != want) {
            std::string error;
            std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
            if (!samples::write_large_native(path, w, h, bands, &error)) {
                std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), error.c_str());
                return false;
            }
        }
        if (!file.open(path).opened()) return false;
        width = w;
        height = h;
        bufs.assign(static_cast<size_t>(file.band_count()),
                    std::vector<unsigned char>(static_cast<size_t>(w)));
        for (int b = 0; b < file.band_count(); ++b) {
            CompositeBandRow row;
            row.band = file.band(b);
            row.line_buf = bufs[b].data();
            row.line_buf_size = w;
            rows.push_back(row);
        }
        return true;
    }
};

OpenScene* scene_small() {
    static std::unique_ptr<OpenScene> s;
    if (!s) {
        s = std::make_unique<OpenScene>();
        if (!s->open("/tmp/orvenna_bench_composite/scene3_2000x1400.vdm", 2000, 1400, 3)) std::abort();
    }
    return s.get();
}

OpenScene* scene_large() {
    static std::unique_ptr<OpenScene> s;
    if (!s) {
        s = std::make_unique<OpenScene>();
        if (!s->open("/tmp/orvenna_bench_composite/band1_16000x16000.vdm", 16000, 16000, 1)) std::abort();
    }
    return s.get();
}

enum Engine { kReference = 0, kProgramsOnly = 1, kCached = 2 };

void run(benchmark::State& state, OpenScene* scene, const composite_texts::Channels& texts, int step) {
    CalcExpr* r = ecalc_compile(texts.red.c_str());
    CalcExpr* g = ecalc_compile(texts.green.c_str());
    CalcExpr* b = ecalc_compile(texts.blue.c_str());
    const CompositeExpressions exprs{r, g, b};
    const ViewGeometry geo = compute_view_geometry(kViewW, kViewH, scene->width / 2, scene->height / 2, step,
                                                   scene->width, scene->height);
    std::vector<uint8_t> pixels(static_cast<size_t>(kViewW) * 3 * kViewH);
    const CompositeTarget target{pixels.data(), kViewW, kViewH, kViewW * 3};
    CompositeRenderer renderer;
    const int engine = static_cast<int>(state.range(0));
    renderer.set_cache_enabled(engine == kCached);
    for (auto _ : state) {
        if (engine == kReference) {
            DrawCompositeReference(scene->rows.data(), static_cast<int>(scene->rows.size()), exprs, geo,
                                   target);
        } else {
            renderer.draw(scene->rows.data(), static_cast<int>(scene->rows.size()), exprs, geo, target);
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    if (engine != kReference) {
        state.counters["evaluations"] = static_cast<double>(renderer.last_stats().evaluations);
        state.counters["reused"] = static_cast<double>(renderer.last_stats().reused);
    }
    state.SetLabel(engine == kReference ? "reference" : (engine == kCached ? "cached" : "programs"));
    ecalc_free(r);
    ecalc_free(g);
    ecalc_free(b);
}

void BM_Unit_abc(benchmark::State& s) {
    run(s, scene_small(), {"a", "b", "c"}, 5);
}
void BM_Unit_NDVI(benchmark::State& s) {
    run(s, scene_small(), composite_texts::ndvi('b', 'c'), 5);
}
void BM_Unit_Thermography(benchmark::State& s) {
    run(s, scene_small(), composite_texts::thermography("a"), 5);
}
void BM_Unit_ThermographyExpr(benchmark::State& s) {
    run(s, scene_small(), composite_texts::thermography("a+b"), 5);
}
void BM_Unit_Landsat(benchmark::State& s) {
    run(s, scene_small(), composite_texts::landsat('c', 17.04f, 0.0f, 0, 45), 5);
}
void BM_Magnify4_Thermography(benchmark::State& s) {
    run(s, scene_small(), composite_texts::thermography("a"), 3);
}
void BM_Reduce8_a(benchmark::State& s) {
    run(s, scene_large(), {"a", "a", "a"}, 8);
}
void BM_Reduce8_Thermography(benchmark::State& s) {
    run(s, scene_large(), composite_texts::thermography("a"), 8);
}

}  // namespace

#define ENGINES ->Arg(kReference)->Arg(kProgramsOnly)->Arg(kCached)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_Unit_abc) ENGINES;
BENCHMARK(BM_Unit_NDVI) ENGINES;
BENCHMARK(BM_Unit_Thermography) ENGINES;
BENCHMARK(BM_Unit_ThermographyExpr) ENGINES;
BENCHMARK(BM_Unit_Landsat) ENGINES;
BENCHMARK(BM_Magnify4_Thermography) ENGINES;
BENCHMARK(BM_Reduce8_a) ENGINES;
BENCHMARK(BM_Reduce8_Thermography) ENGINES;

BENCHMARK_MAIN();
