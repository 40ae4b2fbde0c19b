// What the scene fuzzers do with a file once it is written: open it, read every band's first and last row,
// its last sample, reduced and stored runs, its stored values, its histograms and ranges, place a pixel on
// the ground, and close it.
#pragma once

#include <gdal.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "scene/gdal_scene.h"
#include "scene/remos.h"

// Leaves GDAL with the named drivers only. GDAL is not built with the sanitizers, and many of its drivers
// allocate from header fields without checking them, which the fuzzer's malloc limit would report as a crash
// in GDAL rather than in the reader.
inline void KeepGdalDrivers(std::initializer_list<const char*> keep) {
    remos_gdal::initialise();
    for (int i = GDALGetDriverCount() - 1; i >= 0; --i) {
        GDALDriverH d = GDALGetDriver(i);
        bool kept = false;
        for (const char* name : keep)
            kept = kept || std::strcmp(GDALGetDriverShortName(d), name) == 0;
        if (!kept) {
            GDALDeregisterDriver(d);
            GDALDestroyDriver(d);
        }
    }
}

// Runs are cut to `max_run` samples; whole-band passes (histograms, ranges) run only on bands of at most
// `max_pass_pixels` pixels, so a file declaring a huge band is read in bounded time.
inline void ExerciseScene(const char* path, int format, int max_run, int64_t max_pass_pixels = INT64_MAX) {
    SceneFile scene;
    const int r = remos_open(&scene, path, format);
    if (r == 0) return;
    if (r == 1) {
        std::vector<unsigned char> row;
        std::vector<unsigned char> stored;
        for (uint32_t i = 0; i < scene.band_count; ++i) {
            BandInfo* b = &scene.bands[i];
            // GDAL bands are not bounded by the file's size: their runs are cut.
            const int run = b->source && b->width > max_run ? max_run : b->width;
            row.assign(static_cast<size_t>(run) + 16, 0);
            stored.assign(static_cast<size_t>(run) * 8 + 16, 0);
            remos_read_row(b, row.data(), 0, 0, run);
            remos_read_row(b, row.data(), b->lines - 1, 0, run);
            remos_read_row(b, row.data(), b->lines, b->width - 1, 100);  // clamped
            remos_read_row_stored(b, stored.data(), b->lines / 2, 0, run);
            remos_read_row_reduced(b, row.data(), b->lines / 3, 1, run / 3, 3);
            remos_read_row_stored_reduced(b, stored.data(), 0, 0, run / 2, 2);
            remos_read_sample(b, static_cast<int64_t>(b->width) * b->lines - 1);
            double value = 0;
            remos_read_sample_nowait(b, static_cast<int64_t>(b->width) * (b->lines / 2), &value);
            if (static_cast<int64_t>(b->width) * b->lines <= max_pass_pixels) {
                remos_make_histogram(b);
                remos_auto_range(b, 0.00085, static_cast<int>(i & 1));
                remos_stretch_row(b, row.data(), run);
                remos_stretch_value(b, row[0]);
                // Stored values and the histogram and ranges in band values (8-bit bands included).
                std::vector<uint64_t> line(static_cast<size_t>(run) + 2);
                remos_read_row_stored(b, line.data(), b->lines - 1, 0, run);
                remos_make_band_histogram(b, nullptr, nullptr);
                remos_auto_range_values(b, 0.00085, static_cast<int>(i & 1));
                remos_histogram_column(b, b->display_low);
                remos_histogram_column_value(b, 128);
            }
        }
        double lat = 0, lon = 0;
        int x = 0, y = 0;
        if (remos_pixel_to_geo(&scene, 0, 0, &lat, &lon)) remos_geo_to_pixel_exact(&scene, lat, lon, &x, &y);
        char message[256];
        remos_take_read_error(&scene, message, sizeof message);
    }
    remos_open_reason(&scene);
    remos_close(&scene);
}
