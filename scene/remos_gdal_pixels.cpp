// Reading GDAL bands: samples, runs of a line as stored or as 8-bit values, reduced runs (from overviews
// when the file has them) and the histogram of Byte bands. A read holds the scene's `io` lock for one
// RasterIO on the main handle (the further parts of a histogram pass: on a spare handle under its own
// lock); reads go through GDAL's block cache, so neighbouring lines decode each block once.
#include <gdal.h>
#include <gdal_priv.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "scene/gdal_scene.h"
#include "scene/remos_gdal.h"
#include "scene/remos_pass.h"
#include "scene/remos_values.h"

namespace remos_gdal {

namespace {

// Largest buffer of one histogram read: whole block rows of the band where they fit.
constexpr int64_t kHistogramReadBytes = int64_t(16) << 20;

unsigned char* scratch(size_t n) {
    thread_local std::vector<unsigned char> buf;
    if (buf.size() < n) buf.resize(n);
    return buf.data();
}

// A block larger than this is decoded for a caller that must not wait only when it is in the cache already.
constexpr int64_t kQuickBlockBytes = int64_t(4) << 20;

// Whether the sample at (x, line) can be read at once, the scene's lock being held: its block is small or
// decoded already (a text grid: its line has been read).
bool quick_to_read(const GdalBand* g, int x, int line) {
    if (g->text_lines) return line < g->lines_known;
    const int64_t bytes = int64_t(g->block_width) * g->block_height * GDALGetDataTypeSizeBytes(g->type);
    // A block of a scene on a server may be a request that waits on the network.
    if (bytes <= kQuickBlockBytes && !g->scene->remote) return true;
    GDALRasterBlock* block = GDALRasterBand::FromHandle(g->handle)->TryGetLockedBlockRef(
        x / g->block_width, line / g->block_height);
    if (!block) return false;
    block->DropLock();
    return true;
}

// Clamps a run to the band as remos_read_row does; false when the band has no samples.
bool clamp_run(const BandInfo* b, int* line, int* x0, int* n) {
    if (b->width <= 0 || b->lines <= 0 || *n <= 0) return false;
    if (*line < 0) *line = 0;
    if (*line >= b->lines) *line = b->lines - 1;
    if (*x0 < 0) *x0 = 0;
    if (*x0 >= b->width) *x0 = b->width - 1;
    if (static_cast<int64_t>(*x0) + *n >= b->width) *n = b->width - *x0;
    return true;
}

bool raster_io(GdalBand* g, GDALRasterBandH handle, int x, int y, int w, int h, void* dest, int buf_w,
               int buf_h, int64_t line_bytes) {
    const int S = GDALGetDataTypeSizeBytes(g->type);
    return GDALRasterIO(handle, GF_Read, x, y, w, h, dest, buf_w, buf_h, g->type, S,
                        static_cast<GSpacing>(line_bytes)) == CE_None;
}
bool raster_io(GdalBand* g, int x, int y, int w, int h, void* dest, int buf_w, int buf_h,
               int64_t line_bytes) {
    return raster_io(g, g->handle, x, y, w, h, dest, buf_w, buf_h, line_bytes);
}

// Text grids: GDAL finds a line by reading the lines before it, and for each line it cannot find it searches
// every earlier line again, which takes exponential time past the end of a cut file. So their lines are read
// once, in order, up to the end of the window asked for, stopping at the first line that cannot be read. The
// caller holds `io`.
void walk_text_lines(GdalBand* g, int end) {
    if (g->lines_known >= end || g->first_bad_line != INT32_MAX) return;
    const int width = GDALGetRasterBandXSize(g->handle);
    const int S = GDALGetDataTypeSizeBytes(g->type);
    std::vector<unsigned char> line(static_cast<size_t>(width) * S);
    for (int k = g->lines_known; k < end; ++k) {
        if (!raster_io(g, 0, k, width, 1, line.data(), width, 1, static_cast<int64_t>(width) * S)) {
            g->first_bad_line = k;
            note_read_error(g->scene);
            return;
        }
        g->lines_known = k + 1;
    }
}

// Reads the window through `handle` (the band in the main dataset or a spare); see read_window. `io_held`:
// the caller holds the scene's `io` lock already.
void read_window_through(GdalBand* g, GDALRasterBandH handle, int x, int y, int w, int h, void* dest,
                         int buf_w, int buf_h, bool io_held) {
    const int S = GDALGetDataTypeSizeBytes(g->type);
    const int64_t line_bytes = static_cast<int64_t>(buf_w) * S;
    if (raster_io(g, handle, x, y, w, h, dest, buf_w, buf_h, line_bytes)) return;
    if (io_held) {
        note_read_error(g->scene);
    } else {
        std::lock_guard<std::mutex> lock(g->scene->io);
        note_read_error(g->scene);
    }
    auto* d = static_cast<unsigned char*>(dest);
    memset(d, 0, static_cast<size_t>(line_bytes * buf_h));
    if (buf_w != w || buf_h != h) return;
    // Block positions in 64 bits: the block after the last one may start past INT32_MAX.
    const int64_t bw = g->block_width, bh = g->block_height;
    for (int64_t by = y / bh * bh; by < int64_t(y) + h; by += bh) {
        const int y0 = static_cast<int>(std::max<int64_t>(by, y)),
                  y1 = static_cast<int>(std::min(by + bh, int64_t(y) + h));
        for (int64_t bx = x / bw * bw; bx < int64_t(x) + w; bx += bw) {
            const int x0 = static_cast<int>(std::max<int64_t>(bx, x)),
                      x1 = static_cast<int>(std::min(bx + bw, int64_t(x) + w));
            unsigned char* at = d + (y0 - y) * line_bytes + static_cast<int64_t>(x0 - x) * S;
            if (!raster_io(g, handle, x0, y0, x1 - x0, y1 - y0, at, x1 - x0, y1 - y0, line_bytes))
                for (int r = 0; r < y1 - y0; ++r)
                    memset(at + r * line_bytes, 0, static_cast<size_t>(x1 - x0) * S);
        }
    }
}

// A palette band's record reads its indices as the colour of its channel.
void look_up(const GdalBand* g, void* dest, int64_t n) {
    if (g->channel < 0 || !g->palette) return;
    auto* d = static_cast<unsigned char*>(dest);
    for (int64_t i = 0; i < n; ++i)
        d[i] = g->palette->colours[d[i]][g->channel];
}

// The window's samples as stored, through the main dataset, the caller holding `io`.
void read_window_stored(GdalBand* g, int x, int y, int w, int h, void* dest, int buf_w, int buf_h) {
    if (!g->text_lines) {
        read_window_through(g, g->handle, x, y, w, h, dest, buf_w, buf_h, true);
        return;
    }
    const int S = GDALGetDataTypeSizeBytes(g->type);
    const int64_t line_bytes = static_cast<int64_t>(buf_w) * S;
    walk_text_lines(g, y + h);
    if (y + h > g->first_bad_line) {
        // Lines from the first bad one on are zeros; the lines before it are read when at full size.
        memset(dest, 0, static_cast<size_t>(line_bytes * buf_h));
        const int good = g->first_bad_line - y;
        if (good > 0 && buf_w == w && buf_h == h) raster_io(g, x, y, w, good, dest, w, good, line_bytes);
        return;
    }
    read_window_through(g, g->handle, x, y, w, h, dest, buf_w, buf_h, true);
}

// read_window through the main dataset, the caller holding `io`.
void read_window_held(GdalBand* g, int x, int y, int w, int h, void* dest, int buf_w, int buf_h) {
    read_window_stored(g, x, y, w, h, dest, buf_w, buf_h);
    look_up(g, dest, int64_t(buf_w) * buf_h);
}

// Reads the window (x, y, w, h) into dest as buf_w x buf_h samples of the band's type, rows packed. A read
// that fails is zeroed and, at full resolution, read again block by block so that only the blocks that
// cannot be decoded stay zero; the scene keeps the reason. The further parts of a histogram pass read
// through the scene's spare handles.
void read_window(GdalBand* g, int x, int y, int w, int h, void* dest, int buf_w, int buf_h) {
    clear_last_error();
    if (!g->text_lines) {
        const int part = remos_pass::current_part();
        if (part > 0 && !g->warped && !g->scene->spares.empty()) {
            GdalScene::Spare& spare =
                *g->scene->spares[static_cast<size_t>(part - 1) % g->scene->spares.size()];
            std::lock_guard<std::mutex> lock(spare.lock);
            if (!spare.tried) {
                spare.tried = true;
                spare.dataset = open_spare(g->scene);
            }
            GDALRasterBandH handle = spare.dataset ? GDALGetRasterBand(spare.dataset, g->number) : nullptr;
            if (handle) {
                read_window_through(g, handle, x, y, w, h, dest, buf_w, buf_h, false);
                look_up(g, dest, int64_t(buf_w) * buf_h);
                return;
            }
        }
    }
    std::lock_guard<std::mutex> lock(g->scene->io);
    read_window_held(g, x, y, w, h, dest, buf_w, buf_h);
}

// 16-bit to 8-bit as for the built-in 16-bit bands: v * 255 / 65535 truncated, exactly (v * 0xFF01) >> 24.
inline unsigned char scale16(uint32_t v) {
    return static_cast<unsigned char>((v * 0xFF01u) >> 24);
}
inline unsigned char scale32(uint32_t v) {
    return static_cast<unsigned char>(v / 16843009u);
}
template <typename F>
inline unsigned char float_byte(F f) {
    if (!(f > 0)) return 0;  // also NaN
    if (f >= 255) return 255;
    return static_cast<unsigned char>(f);
}

template <typename T, typename Convert>
void convert(const void* src, unsigned char* dest, int n, Convert c) {
    const T* s = static_cast<const T*>(src);
    for (int i = 0; i < n; ++i)
        dest[i] = c(s[i]);
}

// Picks every step-th sample of a run of stored samples of S bytes.
void pick(const unsigned char* src, void* dest, int n, int step, int S) {
    auto* d = static_cast<unsigned char*>(dest);
    for (int i = 0; i < n; ++i)
        memcpy(d + static_cast<size_t>(i) * S, src + static_cast<size_t>(i) * step * S,
               static_cast<size_t>(S));
}

// Counts of the 256 byte values, four interleaved tables so that equal neighbours do not serialise.
struct ByteCounts {
    uint64_t total[256] = {};
    uint32_t sub[4][256] = {};
    void add(const unsigned char* p, size_t n) {
        size_t i = 0;
        for (; i + 4 <= n; i += 4) {
            sub[0][p[i]]++;
            sub[1][p[i + 1]]++;
            sub[2][p[i + 2]]++;
            sub[3][p[i + 3]]++;
        }
        for (; i < n; ++i)
            sub[0][p[i]]++;
        for (int v = 0; v < 256; ++v) {
            total[v] += uint64_t(sub[0][v]) + sub[1][v] + sub[2][v] + sub[3][v];
            sub[0][v] = sub[1][v] = sub[2][v] = sub[3][v] = 0;
        }
    }
};

// The value of one stored sample of `sample_type` in the machine's byte order.
double stored_value(int sample_type, const unsigned char* p) {
    auto get = [p](auto t) {
        decltype(t) v;
        memcpy(&v, p, sizeof v);
        return static_cast<double>(v);
    };
    switch (sample_type) {
        case REMOS_SAMPLE_U8:
            return p[0];
        case REMOS_SAMPLE_U16:
            return get(uint16_t{});
        case REMOS_SAMPLE_I16:
            return get(int16_t{});
        case REMOS_SAMPLE_U32:
            return get(uint32_t{});
        case REMOS_SAMPLE_I32:
            return get(int32_t{});
        case REMOS_SAMPLE_F32:
            return get(float{});
        case REMOS_SAMPLE_F64:
            return get(double{});
        default:
            return 0.0;
    }
}

}  // namespace

void stored_to_bytes(int sample_type, const void* src, unsigned char* dest, int n) {
    switch (sample_type) {
        case REMOS_SAMPLE_U8:
            memmove(dest, src, static_cast<size_t>(n));
            break;
        case REMOS_SAMPLE_U16:
            convert<uint16_t>(src, dest, n, [](uint16_t v) { return scale16(v); });
            break;
        case REMOS_SAMPLE_I16:
            convert<int16_t>(src, dest, n,
                             [](int16_t v) { return scale16(static_cast<uint32_t>(v + 32768)); });
            break;
        case REMOS_SAMPLE_U32:
            convert<uint32_t>(src, dest, n, [](uint32_t v) { return scale32(v); });
            break;
        case REMOS_SAMPLE_I32:
            convert<int32_t>(src, dest, n, [](int32_t v) {
                return scale32(static_cast<uint32_t>(static_cast<int64_t>(v) + 2147483648LL));
            });
            break;
        case REMOS_SAMPLE_F32:
            convert<float>(src, dest, n, [](float v) { return float_byte(v); });
            break;
        case REMOS_SAMPLE_F64:
            convert<double>(src, dest, n, [](double v) { return float_byte(v); });
            break;
        default:
            memset(dest, 0, static_cast<size_t>(n));
            break;
    }
}

double read_sample(BandInfo* band, int64_t pixel_index) {
    GdalBand* g = band_state(band);
    if (!g || band->width <= 0 || band->lines <= 0 || pixel_index < 0) return 0.0;
    if (reads_mapped(g)) return placed_read_sample(band, pixel_index);
    const int64_t line = pixel_index / band->width;
    if (line >= band->lines) return 0.0;
    // One sample of the band's type, read like a run (same lock, same handling of bad blocks).
    unsigned char stored[8] = {};
    read_window(g, static_cast<int>(pixel_index % band->width), static_cast<int>(line), 1, 1, stored, 1, 1);
    return stored_value(band->sample_type, stored);
}

int read_sample_nowait(BandInfo* band, int64_t pixel_index, double* value) {
    GdalBand* g = band_state(band);
    *value = 0;
    if (!g || band->width <= 0 || band->lines <= 0 || pixel_index < 0) return 1;
    if (reads_mapped(g)) return placed_read_sample_nowait(band, pixel_index, value);
    const int64_t line = pixel_index / band->width;
    if (line >= band->lines) return 1;
    // The main dataset is busy with a long read (a histogram pass, a slow block), or the sample's block would
    // take long to decode: the caller is not kept.
    std::unique_lock<std::mutex> lock(g->scene->io, std::try_to_lock);
    if (!lock.owns_lock()) return 0;
    const int x = static_cast<int>(pixel_index % band->width);
    if (!quick_to_read(g, x, static_cast<int>(line))) return 0;
    clear_last_error();
    unsigned char stored[8] = {};
    read_window_held(g, x, static_cast<int>(line), 1, 1, stored, 1, 1);
    *value = stored_value(band->sample_type, stored);
    return 1;
}

int read_row_stored(BandInfo* band, void* dest, int line, int x0, int n) {
    GdalBand* g = band_state(band);
    if (!g || !dest || !clamp_run(band, &line, &x0, &n)) return 0;
    if (reads_mapped(g)) return placed_read_row_stored(band, dest, line, x0, n);
    read_window(g, x0, line, n, 1, dest, n, 1);
    return n;
}

int read_lines_stored(BandInfo* band, void* dest, int line, int lines, int x0, int n) {
    GdalBand* g = band_state(band);
    const int asked = n;
    if (!g || !dest || !clamp_run(band, &line, &x0, &n)) return 0;
    lines = std::min(lines, band->lines - line);
    if (reads_mapped(g)) {
        placed_read_lines_stored(band, dest, line, lines, x0, n, asked);
        return lines;
    }
    if (n < asked) {  // rows stay `asked` samples apart: read one line at a time into them
        const size_t row = static_cast<size_t>(asked) * band->bytes_per_sample;
        for (int k = 0; k < lines; ++k)
            read_window(g, x0, line + k, n, 1, static_cast<unsigned char*>(dest) + row * k, n, 1);
        return lines;
    }
    read_window(g, x0, line, n, lines, dest, n, lines);
    return lines;
}

int read_row(BandInfo* band, unsigned char* dest, int line, int x0, int n) {
    GdalBand* g = band_state(band);
    if (!g || !dest) return 0;
    if (!clamp_run(band, &line, &x0, &n)) return 1;
    if (reads_mapped(g)) {
        if (band->sample_type == REMOS_SAMPLE_U8) {
            placed_read_row_stored(band, dest, line, x0, n);
            return 1;
        }
        // The mapped read keeps its own buffers: this one is free for the stored samples.
        unsigned char* s = scratch(static_cast<size_t>(n) * band->bytes_per_sample);
        placed_read_row_stored(band, s, line, x0, n);
        stored_to_bytes(band->sample_type, s, dest, n);
        return 1;
    }
    if (band->sample_type == REMOS_SAMPLE_U8) {
        read_window(g, x0, line, n, 1, dest, n, 1);
        return 1;
    }
    unsigned char* s = scratch(static_cast<size_t>(n) * band->bytes_per_sample);
    read_window(g, x0, line, n, 1, s, n, 1);
    stored_to_bytes(band->sample_type, s, dest, n);
    return 1;
}

int read_row_stored_reduced(BandInfo* band, void* dest, int line, int x0, int n, int step) {
    GdalBand* g = band_state(band);
    if (!g || !dest) return 0;
    if (step <= 1) return read_row_stored(band, dest, line, x0, n);
    if (!clamp_run(band, &line, &x0, &n)) return 0;
    n = std::min(n, (band->width - 1 - x0) / step + 1);
    if (reads_mapped(g)) return placed_read_row_stored_reduced(band, dest, line, x0, n, step);
    if (g->overview_count > 0) {
        // A buffer smaller than the window makes GDAL read the overview that matches the reduction.
        const int w = static_cast<int>(std::min<int64_t>(static_cast<int64_t>(n) * step, band->width - x0));
        const int h = std::min(step, band->lines - line);
        read_window(g, x0, line, w, h, dest, n, 1);
        return n;
    }
    // Once the band's exact pass has made its reduced copy, reduced views read that instead of the file.
    const remos_reduced::ReducedCopy* copy =
        g->reduced ? g->reduced->copy.load(std::memory_order_acquire) : nullptr;
    if (copy && step % copy->factor() == 0) {
        copy->read(dest, line, x0, n, step);
        return n;
    }
    const int S = band->bytes_per_sample;
    const int span = (n - 1) * step + 1;
    unsigned char* s = scratch(static_cast<size_t>(span) * S);
    read_window(g, x0, line, span, 1, s, span, 1);
    pick(s, dest, n, step, S);
    return n;
}

int read_row_reduced(BandInfo* band, unsigned char* dest, int line, int x0, int n, int step) {
    GdalBand* g = band_state(band);
    if (!g || !dest || n <= 0) return 0;
    // The stored samples go to a buffer of their own: dest holds one byte per sample.
    std::vector<unsigned char> stored(static_cast<size_t>(n) * band->bytes_per_sample);
    const int k = read_row_stored_reduced(band, stored.data(), line, x0, n, step);
    stored_to_bytes(band->sample_type, stored.data(), dest, k);
    return k;
}

namespace {

// Reads the whole of the smallest overview that holds at least `enough` samples (the largest when none
// does); false when the band has no usable overview.
bool read_overview_sample(GdalBand* g, int64_t enough, std::vector<unsigned char>* samples, size_t* count) {
    const int S = GDALGetDataTypeSizeBytes(g->type);
    std::lock_guard<std::mutex> lock(g->scene->io);
    GDALRasterBandH chosen = nullptr;
    int64_t chosen_samples = 0;
    for (int i = 0; i < g->overview_count; ++i) {
        GDALRasterBandH o = GDALGetOverview(g->handle, i);
        if (!o || GDALGetRasterDataType(o) != g->type) continue;
        const int64_t n = int64_t(GDALGetRasterBandXSize(o)) * GDALGetRasterBandYSize(o);
        if (n <= 0) continue;
        const bool better = !chosen || (n >= enough ? chosen_samples < enough || n < chosen_samples
                                                    : chosen_samples < enough && n > chosen_samples);
        if (better) {
            chosen = o;
            chosen_samples = n;
        }
    }
    // An overview far larger than asked for (or one so small it says little) is not worth it.
    if (!chosen || chosen_samples > enough * 16 || chosen_samples * 16 < enough) return false;
    const int w = GDALGetRasterBandXSize(chosen), h = GDALGetRasterBandYSize(chosen);
    samples->resize(static_cast<size_t>(chosen_samples) * S);
    clear_last_error();
    if (!raster_io(g, chosen, 0, 0, w, h, samples->data(), w, h, int64_t(w) * S)) return false;
    look_up(g, samples->data(), chosen_samples);
    *count = static_cast<size_t>(chosen_samples);
    return true;
}

// Reads windows of about a block each, spread evenly over the band in a grid, until about `enough` samples
// are read (at least 16 windows when the band has them).
bool read_block_sample(GdalBand* g, const BandInfo* band, int64_t enough, std::vector<unsigned char>* samples,
                       size_t* count) {
    const int S = GDALGetDataTypeSizeBytes(g->type);
    const int64_t width = band->width, lines = band->lines;
    int64_t bw = std::clamp<int64_t>(g->block_width, 1, width),
            bh = std::clamp<int64_t>(g->block_height, 1, lines);
    // Very large blocks (whole-image strips) are sampled in smaller windows: each still decodes its block.
    while (bw * bh > enough / 4 && (bw > 64 || bh > 64)) {
        if (bw >= bh)
            bw = (bw + 1) / 2;
        else
            bh = (bh + 1) / 2;
    }
    const int64_t across = (width + bw - 1) / bw, down = (lines + bh - 1) / bh;
    const int64_t wanted = std::clamp<int64_t>((enough + bw * bh - 1) / (bw * bh), 16, 4096);
    const int64_t nx =
        std::min(across, static_cast<int64_t>(std::ceil(std::sqrt(double(wanted) * across / down))));
    const int64_t ny = std::min(down, std::max<int64_t>(1, (wanted + nx - 1) / nx));
    samples->clear();
    samples->reserve(static_cast<size_t>(nx * ny * bw * bh * S));
    std::vector<unsigned char> window(static_cast<size_t>(bw * bh * S));
    *count = 0;
    for (int64_t j = 0; j < ny; ++j) {
        const int64_t y = (j * down / ny + (down / ny) / 2) * bh;
        for (int64_t i = 0; i < nx; ++i) {
            const int64_t x = (i * across / nx + (across / nx) / 2) * bw;
            const int64_t w = std::min(bw, width - x), h = std::min(bh, lines - y);
            if (w <= 0 || h <= 0) continue;
            read_window(g, static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h),
                        window.data(), static_cast<int>(w), static_cast<int>(h));
            samples->insert(samples->end(), window.begin(), window.begin() + w * h * S);
            *count += static_cast<size_t>(w * h);
        }
    }
    return *count > 0;
}

}  // namespace

int read_histogram_sample(BandInfo* band, int64_t enough, std::vector<unsigned char>* samples,
                          size_t* count) {
    GdalBand* g = band_state(band);
    *count = 0;
    if (g && g->own)
        return read_histogram_sample(const_cast<BandInfo*>(own_record(band)), enough, samples, count);
    // Text grids are read from their start whatever is asked: a sample saves nothing.
    if (!g || g->text_lines || band->width <= 0 || band->lines <= 0 || enough <= 0) return 0;
    if (g->overview_count > 0 && read_overview_sample(g, enough, samples, count)) return 1;
    return read_block_sample(g, band, enough, samples, count) ? 2 : 0;
}

remos_reduced::ReducedSlot* reduced_slot(const BandInfo* band) {
    const GdalBand* g = band_state(band);
    return g && g->reduced && !g->reduced->copy.load() ? g->reduced.get() : nullptr;
}

int make_histogram(BandInfo* band, RemosProgress progress, void* context) {
    GdalBand* g = band_state(band);
    if (!g || band->sample_type != REMOS_SAMPLE_U8) return 0;
    if (g->own) return count_own_pixels(band, &make_histogram, progress, context);
    if (counts_overview(band)) return make_overview_histogram(band, progress, context);
    const int64_t width = band->width, lines = band->lines;
    auto counts = std::make_unique<ByteCounts>();
    if (width > 0 && lines > 0) {
        // Whole block rows per read (GDAL decodes their tiles in parallel), columns cut only for very wide
        // bands. Positions in 64 bits: a band 2^31 - 1 wide has column pieces that end past INT32_MAX.
        const int64_t cols = std::min<int64_t>(width, kHistogramReadBytes);
        int64_t rows = std::max<int64_t>(1, kHistogramReadBytes / cols);
        if (rows >= g->block_height) rows = rows / g->block_height * g->block_height;
        rows = std::min(rows, lines);
        std::vector<unsigned char> buf(static_cast<size_t>(cols * rows));
        for (int64_t y = 0; y < lines; y += rows) {
            const int64_t k = std::min(rows, lines - y);
            for (int64_t x = 0; x < width; x += cols) {
                const int64_t w = std::min(cols, width - x);
                read_window(g, static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                            static_cast<int>(k), buf.data(), static_cast<int>(w), static_cast<int>(k));
                counts->add(buf.data(), static_cast<size_t>(w * k));
                // A very wide band is asked to stop between its pieces too.
                const double done = (static_cast<double>(y) + static_cast<double>(x + w) / width * k) / lines;
                if (progress && progress(context, done) == 0) return 0;
            }
        }
    }
    remos_pass::store_byte_histogram(band, counts->total);
    return 1;
}

bool counts_overview(const BandInfo* band) {
    const GdalBand* g = band_state(band);
    if (!g || !g->scene || !g->scene->remote) return false;
    std::lock_guard<std::mutex> lock(g->scene->io);
    for (int i = 0; i < g->overview_count; ++i) {
        GDALRasterBandH o = GDALGetOverview(g->handle, i);
        if (o && int64_t(GDALGetRasterBandXSize(o)) * GDALGetRasterBandYSize(o) >= kOverviewHistogramPixels)
            return true;
    }
    return false;
}

int make_overview_histogram(BandInfo* band, RemosProgress progress, void* context) {
    GdalBand* g = band_state(band);
    std::vector<unsigned char> samples;
    size_t count = 0;
    // The whole of the overview, read as a quick histogram reads it.
    if (!g || !read_overview_sample(g, kOverviewHistogramPixels, &samples, &count)) return 0;
    if (progress && progress(context, 1.0) == 0) return 0;
    return remos_values::histogram_of_samples(band, samples.data(), count) ? 1 : 0;
}

}  // namespace remos_gdal
