// Reads of a band placed on a grid finer than its own (scene_grid.h), nearest neighbour: each grid column and
// line stands for one column and line of the band (maps made at placement), so a run of the grid is read as
// the run of the band it covers, once, and spread. Positions outside the band read as its no-data value (0
// without one), as a warp onto the grid writes them.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "scene/gdal_scene.h"
#include "scene/remos_gdal.h"
#include "scene/remos_values.h"

namespace remos_gdal {

namespace {

// The band's own samples a mapped read spreads (apart from the buffers of the reads it calls).
unsigned char* own_span(size_t bytes) {
    thread_local std::vector<unsigned char> buf;
    if (buf.size() < bytes) buf.resize(bytes);
    return buf.data();
}

BandInfo* own_of(BandInfo* band) {
    return &band_state(band)->scene->own_records[static_cast<size_t>(band->index)];
}

// The stored bytes of the band's no-data value (0 without one).
void outside_value(const BandInfo* band, unsigned char out[8]) {
    std::memset(out, 0, 8);
    if (!band->has_nodata) return;
    const double v = band->nodata;
    switch (band->sample_type) {
        case REMOS_SAMPLE_U8:
            out[0] = static_cast<unsigned char>(std::clamp(v, 0.0, 255.0));
            break;
        case REMOS_SAMPLE_U16: {
            const uint16_t t = static_cast<uint16_t>(std::clamp(v, 0.0, 65535.0));
            std::memcpy(out, &t, 2);
            break;
        }
        case REMOS_SAMPLE_I16: {
            const int16_t t = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
            std::memcpy(out, &t, 2);
            break;
        }
        case REMOS_SAMPLE_U32: {
            const uint32_t t = static_cast<uint32_t>(std::clamp(v, 0.0, 4294967295.0));
            std::memcpy(out, &t, 4);
            break;
        }
        case REMOS_SAMPLE_I32: {
            const int32_t t = static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
            std::memcpy(out, &t, 4);
            break;
        }
        case REMOS_SAMPLE_F32: {
            const float t = static_cast<float>(v);
            std::memcpy(out, &t, 4);
            break;
        }
        case REMOS_SAMPLE_F64:
            std::memcpy(out, &v, 8);
            break;
        default:
            break;
    }
}

// The first and last of n positions from `first`, `step` apart, that the map places inside the band; false
// when none does. The maps never decrease, so those inside lie together.
bool inside_range(const std::vector<int32_t>& map, int first, int n, int step, int* lo, int* hi) {
    *lo = 0;
    while (*lo < n && map[static_cast<size_t>(first) + static_cast<size_t>(*lo) * step] < 0)
        ++*lo;
    if (*lo == n) return false;
    *hi = n - 1;
    while (map[static_cast<size_t>(first) + static_cast<size_t>(*hi) * step] < 0)
        --*hi;
    return true;
}

// spread() for samples of one size (T a type of that size): plain copies the compiler can inline.
template <class T>
void spread_as(const int32_t* columns, int n, int step, const T* src, int c0, int own_step, T outside,
               T* dest) {
    if (step == 1 && own_step == 1) {
        for (int i = 0; i < n; ++i) {
            const int32_t c = columns[i];
            dest[i] = c < 0 ? outside : src[c - c0];
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        const int32_t c = columns[static_cast<size_t>(i) * step];
        dest[i] = c < 0 ? outside : src[(c - c0) / own_step];
    }
}

template <class T>
void spread_typed(const BandInfo* band, const int32_t* columns, int n, int step, const unsigned char* src,
                  int c0, int own_step, unsigned char* dest) {
    unsigned char bytes[8];
    outside_value(band, bytes);
    T outside;
    std::memcpy(&outside, bytes, sizeof outside);
    const bool aligned = reinterpret_cast<uintptr_t>(src) % alignof(T) == 0 &&
                         reinterpret_cast<uintptr_t>(dest) % alignof(T) == 0;
    if (aligned) {
        spread_as(columns, n, step, reinterpret_cast<const T*>(src), c0, own_step, outside,
                  reinterpret_cast<T*>(dest));
        return;
    }
    // A caller's buffer that does not start on a whole sample is written byte by byte.
    for (int i = 0; i < n; ++i) {
        const int32_t c = columns[static_cast<size_t>(i) * step];
        std::memcpy(dest + static_cast<size_t>(i) * sizeof(T),
                    c < 0 ? bytes : src + static_cast<size_t>((c - c0) / own_step) * sizeof(T), sizeof(T));
    }
}

// Writes n samples of the grid positions first, first + step, ... from `src` (the band's samples from its
// column c0, `own_step` apart), the positions outside the band as its no-data value.
void spread(const BandInfo* band, const std::vector<int32_t>& column_of, int first, int n, int step,
            const unsigned char* src, int c0, int own_step, unsigned char* dest) {
    const int32_t* columns = column_of.data() + first;
    switch (band->bytes_per_sample) {
        case 1:
            spread_typed<uint8_t>(band, columns, n, step, src, c0, own_step, dest);
            break;
        case 2:
            spread_typed<uint16_t>(band, columns, n, step, src, c0, own_step, dest);
            break;
        case 4:
            spread_typed<uint32_t>(band, columns, n, step, src, c0, own_step, dest);
            break;
        case 8:
            spread_typed<uint64_t>(band, columns, n, step, src, c0, own_step, dest);
            break;
        default:
            break;
    }
}

void fill_outside(const BandInfo* band, unsigned char* dest, int n) {
    const int S = band->bytes_per_sample;
    unsigned char outside[8];
    outside_value(band, outside);
    for (int i = 0; i < n; ++i)
        std::memcpy(dest + static_cast<size_t>(i) * S, outside, static_cast<size_t>(S));
}

// The band's own pixel for a grid position; false outside the band.
bool own_pixel(const BandInfo* band, int64_t pixel_index, int64_t* own_index) {
    const GdalScene* s = band_state(band)->scene;
    if (band->width <= 0 || pixel_index < 0) return false;
    const int64_t line = pixel_index / band->width, x = pixel_index % band->width;
    if (line >= band->lines) return false;
    const int32_t c = s->column_of[static_cast<size_t>(x)], l = s->line_of[static_cast<size_t>(line)];
    if (c < 0 || l < 0) return false;
    *own_index = int64_t(l) * s->own_records.front().width + c;
    return true;
}

double outside_sample(const BandInfo* band) {
    return band->has_nodata ? band->nodata : 0.0;
}

}  // namespace

const BandInfo* own_record(const BandInfo* band) {
    const GdalBand* g = band_state(band);
    return g && g->own ? &g->scene->own_records[static_cast<size_t>(band->index)] : band;
}

int count_own_pixels(BandInfo* band, int (*pass)(BandInfo*, RemosProgress, void*), RemosProgress progress,
                     void* context) {
    BandInfo own = *own_record(band);
    own.value_counts = nullptr;
    const int made = pass(&own, progress, context);
    if (!made) {
        remos_values::release(&own, 1);
        return made;
    }
    remos_values::take_histogram(band, &own);
    return made;
}

double placed_read_sample(BandInfo* band, int64_t pixel_index) {
    int64_t own = 0;
    return own_pixel(band, pixel_index, &own) ? read_sample(own_of(band), own) : outside_sample(band);
}

int placed_read_sample_nowait(BandInfo* band, int64_t pixel_index, double* value) {
    int64_t own = 0;
    if (own_pixel(band, pixel_index, &own)) return read_sample_nowait(own_of(band), own, value);
    *value = outside_sample(band);
    return 1;
}

int placed_read_row_stored(BandInfo* band, void* dest, int line, int x0, int n) {
    return placed_read_lines_stored(band, dest, line, 1, x0, n, n);
}

int placed_read_lines_stored(BandInfo* band, void* dest, int line, int lines, int x0, int n,
                             int row_samples) {
    const GdalScene* s = band_state(band)->scene;
    const int S = band->bytes_per_sample;
    auto* d = static_cast<unsigned char*>(dest);
    const size_t row = static_cast<size_t>(row_samples) * S;
    int lo = 0, hi = 0, first_line = 0, last_line = 0;
    if (!inside_range(s->column_of, x0, n, 1, &lo, &hi) ||
        !inside_range(s->line_of, line, lines, 1, &first_line, &last_line)) {
        for (int k = 0; k < lines; ++k)
            fill_outside(band, d + row * k, n);
        return n;
    }
    // The band's own lines and columns under the grid's run, read at once.
    const int c0 = s->column_of[static_cast<size_t>(x0 + lo)],
              c1 = s->column_of[static_cast<size_t>(x0 + hi)];
    const int l0 = s->line_of[static_cast<size_t>(line + first_line)],
              l1 = s->line_of[static_cast<size_t>(line + last_line)];
    const int span = c1 - c0 + 1, own_lines = l1 - l0 + 1;
    unsigned char* src = own_span(static_cast<size_t>(span) * own_lines * S);
    read_lines_stored(own_of(band), src, l0, own_lines, c0, span);
    for (int k = 0; k < lines; ++k) {
        const int32_t l = s->line_of[static_cast<size_t>(line + k)];
        if (l < 0)
            fill_outside(band, d + row * k, n);
        else
            spread(band, s->column_of, x0, n, 1, src + static_cast<size_t>(l - l0) * span * S, c0, 1,
                   d + row * k);
    }
    return n;
}

int placed_read_row_stored_reduced(BandInfo* band, void* dest, int line, int x0, int n, int step) {
    const GdalScene* s = band_state(band)->scene;
    auto* d = static_cast<unsigned char*>(dest);
    const int32_t l = s->line_of[static_cast<size_t>(line)];
    int lo = 0, hi = 0;
    if (l < 0 || !inside_range(s->column_of, x0, n, step, &lo, &hi)) {
        fill_outside(band, d, n);
        return n;
    }
    const int c0 = s->column_of[static_cast<size_t>(x0) + static_cast<size_t>(lo) * step],
              c1 = s->column_of[static_cast<size_t>(x0) + static_cast<size_t>(hi) * step];
    // The band's own step between the samples asked for; a reduced read of the band at that step (from its
    // overview or reduced copy) gives each the sample at or before its position, as for any reduced view.
    const int own_step = hi > lo ? std::max(1, (c1 - c0) / (hi - lo)) : 1;
    const int count = (c1 - c0) / own_step + 1;
    const int S = band->bytes_per_sample;
    unsigned char* src = own_span(static_cast<size_t>(count) * S);
    read_row_stored_reduced(own_of(band), src, l, c0, count, own_step);
    spread(band, s->column_of, x0, n, step, src, c0, own_step, d);
    return n;
}

}  // namespace remos_gdal
