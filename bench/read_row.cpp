// remos_read_row on 16-bit line records and on float data groups: nanoseconds per sample with the file in the
// page cache. The files are written to /tmp once.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "scene/SceneHandle.h"
#include "scene/remos.h"

namespace {

constexpr int kWidth = 8000;
constexpr int kLines = 1000;
constexpr int kPrefix = 12;
constexpr int kSuffix = 4;

// CEOS image file with `bits` 16 (one band) or 32 (float groups of two, "PSRB").
std::string ceos_file(bool floats) {
    std::string path = std::string("/tmp/orvenna_bench_row_") + (floats ? "psrb" : "16bit");
    const int sample_bytes = floats ? 8 : 2;
    const int record = kPrefix + kWidth * sample_bytes + kSuffix;
    std::vector<unsigned char> head(720, ' ');
    auto dec = [&](int at, long v, int w) {
        std::string s = std::to_string(v);
        s = std::string(w - s.size(), ' ') + s;
        memcpy(&head[at], s.data(), w);
    };
    head[8] = 0;
    head[9] = 0;
    head[10] = 720 >> 8;
    head[11] = 720 & 255;
    memcpy(&head[48], "AL", 2);
    memcpy(&head[52], floats ? "PSRB" : "AVN2", 4);
    dec(186, record, 6);
    dec(216, floats ? 32 : 16, 4);
    if (floats) {
        dec(220, 2, 4);
        dec(236, kLines, 8);
        dec(276, kPrefix, 4);
        dec(288, kSuffix, 4);
    } else {
        dec(180, kLines, 6);
        dec(280, kPrefix, 4);
        dec(292, kSuffix, 4);
    }
    FILE* f = fopen(path.c_str(), "wb");
    fwrite(head.data(), 1, head.size(), f);
    std::vector<unsigned char> rec(record, 0);
    for (int y = 0; y < kLines; ++y) {
        // 16-bit: values over the whole range; floats: backscatter-like magnitudes up to 10^6.
        for (int x = 0; x < kWidth * sample_bytes / 4; ++x) {
            uint32_t u = static_cast<uint32_t>(x * 2654435761u + y);
            if (floats) {
                float v = static_cast<float>(u % 1000000) * ((x & 1) ? -1.0f : 1.0f);
                memcpy(&u, &v, 4);
            }
            for (int k = 0; k < 4; ++k)
                rec[kPrefix + 4 * x + k] = static_cast<unsigned char>(u >> (24 - 8 * k));
        }
        fwrite(rec.data(), 1, rec.size(), f);
    }
    fclose(f);
    return path;
}

void BM_ReadRow(benchmark::State& state) {
    const bool floats = state.range(0) != 0;
    const std::string path = ceos_file(floats);
    orvenna::SceneHandle scene;
    if (!scene.open(path).opened()) {
        state.SkipWithError("cannot open the bench file");
        return;
    }
    std::vector<unsigned char> row(kWidth);
    int line = 0;
    for (auto _ : state) {
        remos_read_row(scene.band(0), row.data(), line, 0, kWidth);
        benchmark::DoNotOptimize(row.data());
        line = (line + 1) % kLines;
    }
    state.SetItemsProcessed(state.iterations() * kWidth);
    state.counters["ns_per_sample"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kWidth,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_ReadRow)->Arg(0)->Arg(1)->ArgName("float")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
