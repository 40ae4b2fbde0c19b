// The render command's drawing of a whole 7801 x 7921 scene (a Landsat band's size) on one core and on two,
// with the picture handed to a writer that keeps nothing: what the cores share is the drawing itself, not the
// writing of the file (bench/render_vs_gdal_calc.sh times whole commands). Two pixel-independent presets:
// NDVI (one division a pixel) and thermography (a dozen comparisons a pixel). The 4-band native scene is
// written once to /tmp/orvenna_bench_render_cores and read from the page cache.
//
// Run: build/bench_render_cores
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "calc/Expression.h"
#include "display/PresetTexts.h"
#include "render/PictureWriters.h"
#include "render/Render.h"
#include "scene/SceneHandle.h"
#include "scene/remos.h"
#include "tools/samples/sample_scenes.h"

using namespace orvenna;

namespace {

constexpr int kWidth = 7801, kHeight = 7921, kBands = 4;

class DiscardingWriter : public PictureWriter {
public:
    bool begin(int, int, std::string*) override { return true; }
    bool write_lines(const uint8_t* bgr, std::ptrdiff_t, int count, std::string*) override {
        benchmark::DoNotOptimize(bgr);
        lines += count;
        return true;
    }
    bool finish(std::string*) override { return true; }
    long long lines = 0;
};

struct Scene {
    orvenna::SceneHandle file;
    std::vector<std::vector<unsigned char>> buffers;
    std::vector<CompositeBandRow> rows;

    Scene() {
        const std::string path = "/tmp/orvenna_bench_render_cores/scene.vdm";
        std::error_code ec;
        const auto size = 512 + static_cast<std::uintmax_t>(kWidth) * kHeight * kBands;
        if (std::filesystem::file_size(path, ec) != size) {
            std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
            std::string error;
            if (!samples::write_large_native(path, kWidth, kHeight, kBands, &error)) {
                std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), error.c_str());
                std::abort();
            }
        }
        if (!file.open(path).opened()) {
            std::fprintf(stderr, "cannot open %s\n", path.c_str());
            std::abort();
        }
        buffers.assign(static_cast<size_t>(file.band_count()), std::vector<unsigned char>(kWidth));
        for (int b = 0; b < file.band_count(); ++b) {
            CompositeBandRow row;
            row.band = file.band(b);
            row.line_buf = buffers[static_cast<size_t>(b)].data();
            row.line_buf_size = kWidth;
            rows.push_back(row);
        }
    }
};

Scene& scene() {
    static Scene s;
    return s;
}

void Draw(benchmark::State& state, const PresetChannelTexts& texts) {
    Scene& s = scene();
    const Expression red(texts.red), green(texts.green), blue(texts.blue);
    if (!red.compiles() || !green.compiles() || !blue.compiles()) std::abort();
    RenderRequest request;
    request.rows = s.rows.data();
    request.rowCount = static_cast<int>(s.rows.size());
    request.expressions = {red.tree(), green.tree(), blue.tree()};
    RenderGeometry(0, 0, kWidth, kHeight, 5, kWidth, kHeight, &request.geometry);
    request.threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        DiscardingWriter writer;
        std::string error;
        if (!RenderPicture(request, writer, &error) || writer.lines != kHeight) std::abort();
    }
    state.counters["Mpixel/s"] =
        benchmark::Counter(static_cast<double>(kWidth) * kHeight * state.iterations(),
                           benchmark::Counter::kIsRate, benchmark::Counter::kIs1000);
}

void BM_Ndvi(benchmark::State& state) {
    const std::string text = NdviText(NdviBand{'c'}, NdviBand{'d'});
    Draw(state, {text, text, text});
}

void BM_Thermography(benchmark::State& state) {
    Draw(state, ThermographyTexts("d"));
}

}  // namespace

BENCHMARK(BM_Ndvi)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_Thermography)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

BENCHMARK_MAIN();
