// Histogram speed on a 256 MiB 8-bit band (random values and one constant value), beside a plain sequential
// fread of the same file in the same run. The files are written to /tmp once and read from the page cache.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "scene/SceneHandle.h"
#include "scene/remos.h"

namespace {

constexpr int kSide = 16384;  // 16384 x 16384 bytes = 256 MiB
constexpr int64_t kBytes = int64_t(kSide) * kSide;

// Writes a native one-band scene once; returns its path.
std::string band_file(bool constant) {
    std::string path = std::string("/tmp/orvenna_bench_hist_") + (constant ? "const" : "random") + ".vdm";
    FILE* f = fopen(path.c_str(), "rb");
    if (f) {
        fseeko(f, 0, SEEK_END);
        bool complete = ftello(f) == 512 + kBytes;
        fclose(f);
        if (complete) return path;
    }
    f = fopen(path.c_str(), "wb");
    unsigned char head[512] = {};
    memcpy(head, "VELDAMOR", 8);
    head[12] = kSide >> 8;
    head[13] = kSide & 255;
    head[14] = kSide >> 8;
    head[15] = kSide & 255;
    head[87] = 1;
    fwrite(head, 1, sizeof head, f);
    std::vector<unsigned char> line(kSide);
    std::mt19937_64 rng(1);
    for (int y = 0; y < kSide; ++y) {
        if (constant) {
            memset(line.data(), 7, line.size());
        } else {
            for (int x = 0; x < kSide; x += 8) {
                uint64_t r = rng();
                memcpy(&line[x], &r, 8);
            }
        }
        fwrite(line.data(), 1, line.size(), f);
    }
    fclose(f);
    return path;
}

double g_fread_seconds[2] = {0, 0};  // per kind, from the plain read benchmark of this run

void BM_PlainFread(benchmark::State& state) {
    const bool constant = state.range(0) != 0;
    const std::string path = band_file(constant);
    std::vector<unsigned char> buf(1 << 20);
    double seconds = 0;
    int64_t iterations = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        FILE* f = fopen(path.c_str(), "rb");
        uint64_t sum = 0;
        size_t n;
        while ((n = fread(buf.data(), 1, buf.size(), f)) > 0)
            sum += buf[n - 1];
        fclose(f);
        benchmark::DoNotOptimize(sum);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++iterations;
    }
    g_fread_seconds[constant] = seconds / iterations;
    state.SetBytesProcessed(state.iterations() * kBytes);
}

void BM_Histogram(benchmark::State& state) {
    const bool constant = state.range(0) != 0;
    const std::string path = band_file(constant);
    orvenna::SceneHandle scene;
    if (!scene.open(path).opened()) {
        state.SkipWithError("cannot open the bench file");
        return;
    }
    double seconds = 0;
    int64_t iterations = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        remos_make_histogram(scene.band(0));
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++iterations;
    }
    benchmark::DoNotOptimize(scene.band(0)->hist_peak);
    state.SetBytesProcessed(state.iterations() * kBytes);
    if (g_fread_seconds[constant] > 0)
        state.counters["vs_fread"] = g_fread_seconds[constant] / (seconds / iterations);
}

// Random (0) and constant (1); the plain read runs first so that the ratio is of this run.
BENCHMARK(BM_PlainFread)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Histogram)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
