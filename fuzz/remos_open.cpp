// Fuzzes the scene reader: the input becomes a file that is opened with format detection; every band's first
// and last row, its last sample, its stored values and its histograms are read, then the scene is closed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "fuzz/fuzz_input_file.h"
#include "scene/remos.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = WriteFuzzInput("remos", data, size);
    if (!path) return 0;

    SceneFile scene;
    int r = remos_open(&scene, path, FMT_DETECT);
    if (r == 0) return 0;
    if (r == 1) {
        std::vector<unsigned char> row;
        for (uint32_t i = 0; i < scene.band_count; ++i) {
            BandInfo* b = &scene.bands[i];
            row.assign(static_cast<size_t>(b->width) + 16, 0);
            remos_read_row(b, row.data(), 0, 0, b->width);
            remos_read_row(b, row.data(), b->lines - 1, 0, b->width);
            remos_read_row(b, row.data(), b->lines, b->width - 1, 100);  // clamped
            remos_read_sample(b, static_cast<int64_t>(b->width) * b->lines - 1);
            remos_make_histogram(b);
            remos_auto_range(b, 0.00085, static_cast<int>(i & 1));
            remos_stretch_row(b, row.data(), b->width);
            remos_stretch_value(b, row[0]);
            // Stored values and the histogram and ranges in band values (all bands, 8-bit ones included).
            std::vector<uint64_t> stored(static_cast<size_t>(b->width) + 2);
            remos_read_row_stored(b, stored.data(), b->lines - 1, 0, b->width);
            remos_make_band_histogram(b, nullptr, nullptr);
            remos_auto_range_values(b, 0.00085, static_cast<int>(i & 1));
            remos_histogram_column(b, b->display_low);
            remos_histogram_column_value(b, 128);
        }
    }
    remos_close(&scene);
    return 0;
}
