// Fuzzes the scene reader: the input becomes a file that is opened with format detection; every band's first
// and last row, its last sample, reduced and stored runs, its stored values and its histograms are read, then
// the scene is closed.
//
// GDAL: only its AAIGrid driver (ESRI ASCII grid, a short text header and numbers) is registered here. GDAL
// is not built with the sanitizers, and several of its drivers allocate from header fields without checking
// them against the file (AAIGrid itself takes 8 bytes per declared line), which the fuzzer's malloc limit
// would report as a crash in GDAL rather than in the reader. Text grids declaring more than 2048 columns or
// lines are therefore passed over. Within that bound every GDAL path of the reader runs on real GDAL bands:
// the fall-back from detection, the type and size checks, no-data, sample, row, stored and reduced reads,
// the transform without a CRS, and the read errors of grids shorter than they claim.
#include <gdal.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_input_file.h"
#include "scene/gdal_scene.h"
#include "scene/remos.h"

namespace {

constexpr long kMaxGridSide = 2048;
constexpr int kMaxRun = 4096;

// Leaves GDAL with its ASCII grid driver only.
void restrict_gdal() {
    remos_gdal::initialise();
    for (int i = GDALGetDriverCount() - 1; i >= 0; --i) {
        GDALDriverH d = GDALGetDriver(i);
        if (strcmp(GDALGetDriverShortName(d), "AAIGrid") != 0) {
            GDALDeregisterDriver(d);
            GDALDestroyDriver(d);
        }
    }
}

// Whether a text header declares "ncols" or "nrows" above the bound (case-insensitive, as GDAL reads them).
bool declares_large_grid(const uint8_t* data, size_t size) {
    const std::string head(reinterpret_cast<const char*>(data), size < 2048 ? size : 2048);
    std::vector<std::string> words;
    std::string word;
    for (char ch : head) {
        if (std::isspace(static_cast<unsigned char>(ch))) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        }
    }
    if (!word.empty()) words.push_back(word);
    for (size_t i = 0; i + 1 < words.size(); ++i)
        if (words[i] == "ncols" || words[i] == "nrows") {
            const long v = std::atol(words[i + 1].c_str());
            if (v > kMaxGridSide || v < -kMaxGridSide) return true;
        }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool restricted = (restrict_gdal(), true);
    (void)restricted;
    if (declares_large_grid(data, size)) return 0;
    const char* path = WriteFuzzInput("remos", data, size);
    if (!path) return 0;

    SceneFile scene;
    int r = remos_open(&scene, path, FMT_DETECT);
    if (r == 0) return 0;
    if (r == 1) {
        std::vector<unsigned char> row;
        std::vector<unsigned char> stored;
        for (uint32_t i = 0; i < scene.band_count; ++i) {
            BandInfo* b = &scene.bands[i];
            // GDAL bands are not bounded by the file's size: their runs are cut.
            const int run = b->source && b->width > kMaxRun ? kMaxRun : b->width;
            row.assign(static_cast<size_t>(run) + 16, 0);
            stored.assign(static_cast<size_t>(run) * 8 + 16, 0);
            remos_read_row(b, row.data(), 0, 0, run);
            remos_read_row(b, row.data(), b->lines - 1, 0, run);
            remos_read_row(b, row.data(), b->lines, b->width - 1, 100);  // clamped
            remos_read_row_stored(b, stored.data(), b->lines / 2, 0, run);
            remos_read_row_reduced(b, row.data(), b->lines / 3, 1, run / 3, 3);
            remos_read_row_stored_reduced(b, stored.data(), 0, 0, run / 2, 2);
            remos_read_sample(b, static_cast<int64_t>(b->width) * b->lines - 1);
            remos_make_histogram(b);
            remos_auto_range(b, 0.00085, static_cast<int>(i & 1));
            remos_stretch_row(b, row.data(), run);
            remos_stretch_value(b, row[0]);
            // Stored values and the histogram and ranges in band values (all bands, 8-bit ones included).
            std::vector<uint64_t> stored(static_cast<size_t>(b->width) + 2);
            remos_read_row_stored(b, stored.data(), b->lines - 1, 0, b->width);
            remos_make_band_histogram(b, nullptr, nullptr);
            remos_auto_range_values(b, 0.00085, static_cast<int>(i & 1));
            remos_histogram_column(b, b->display_low);
            remos_histogram_column_value(b, 128);
        }
        double lat = 0, lon = 0;
        int x = 0, y = 0;
        if (remos_pixel_to_geo(&scene, 0, 0, &lat, &lon)) remos_geo_to_pixel_exact(&scene, lat, lon, &x, &y);
        char message[256];
        remos_take_read_error(&scene, message, sizeof message);
    }
    remos_open_reason(&scene);
    remos_close(&scene);
    return 0;
}
