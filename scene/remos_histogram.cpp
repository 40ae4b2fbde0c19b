// remos: the 256-bin histogram of 8-bit bands. The band is split into ranges of lines (or of bytes, when its
// lines lie one after another) that threads count at once, each into counts of its own that are added up at
// the end: the result is the same whatever the number of threads.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "scene/remos.h"
#include "scene/remos_gdal.h"
#include "scene/remos_io.h"
#include "scene/remos_pass.h"

namespace {

// Histogram reads: small enough that the bytes just read are still in the core's cache when they are counted.
constexpr size_t kHistChunkBytes = size_t(64) << 10;
// Bytes counted between moves of the 32-bit sub-histograms into the totals: far below 2^32.
constexpr size_t kFlushBytes = size_t(1) << 30;

// The calling thread's reused read buffer.
unsigned char* scratch(size_t n) {
    thread_local std::vector<unsigned char> buf;
    if (buf.size() < n) buf.resize(n);
    return buf.data();
}

// Eight sub-histograms take consecutive bytes so that runs of equal values do not wait on the previous
// increment of the same counter; blocks of 64 equal bytes are counted at once.
struct Counts {
    uint64_t total[256] = {};
    uint32_t sub[8][256];
    size_t unflushed = 0;  // bytes counted into `sub` since the last flush
    Counts() { memset(sub, 0, sizeof sub); }
    // Notes n more bytes counted; the 32-bit counters move into the totals long before one could overflow
    // (no counter gains more than the bytes counted).
    void counted(size_t n) {
        unflushed += n;
        if (unflushed >= kFlushBytes) flush();
    }
    // Moves the sub-histograms into the totals.
    void flush() {
        unflushed = 0;
        for (int v = 0; v < 256; ++v) {
            uint64_t s = 0;
            for (int t = 0; t < 8; ++t)
                s += sub[t][v];
            total[v] += s;
        }
        memset(sub, 0, sizeof sub);
    }
};

inline void count8(Counts& c, uint64_t w) {
    c.sub[0][w & 255]++;
    c.sub[1][(w >> 8) & 255]++;
    c.sub[2][(w >> 16) & 255]++;
    c.sub[3][(w >> 24) & 255]++;
    c.sub[4][(w >> 32) & 255]++;
    c.sub[5][(w >> 40) & 255]++;
    c.sub[6][(w >> 48) & 255]++;
    c.sub[7][w >> 56]++;
}

// Counts n contiguous bytes into the sub-histograms (the caller notes them with `counted`). A block whose
// first 8 bytes repeat one value is checked whole and, when uniform, counted at once; other blocks cost one
// extra compare.
void count_bytes(Counts& c, const unsigned char* p, size_t n) {
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const unsigned char* q = p + i;
        uint64_t w0;
        memcpy(&w0, q, 8);
        if (w0 == uint64_t(q[0]) * 0x0101010101010101ull) {
            bool same = true;
            for (int k = 1; k < 8; ++k) {
                uint64_t w;
                memcpy(&w, q + 8 * k, 8);
                same &= w == w0;
            }
            if (same) {
                c.sub[0][q[0]] += 64;
                continue;
            }
        }
        for (int k = 0; k < 8; ++k) {
            uint64_t w;
            memcpy(&w, q + 8 * k, 8);
            count8(c, w);
        }
    }
    for (; i < n; ++i)
        c.sub[i & 7][p[i]]++;
}

// Counts every third byte (one colour of pixel-interleaved RGB).
void count_every_third(Counts& c, const unsigned char* p, size_t samples) {
    size_t i = 0;
    for (; i + 4 <= samples; i += 4) {
        c.sub[0][p[3 * i]]++;
        c.sub[1][p[3 * i + 3]]++;
        c.sub[2][p[3 * i + 6]]++;
        c.sub[3][p[3 * i + 9]]++;
    }
    for (; i < samples; ++i)
        c.sub[4][p[3 * i]]++;
}

using remos_pass::Progress;

// Mode 0, 8-bit, lines stored one after another: bytes [from, to) of the band's data as one block.
void count_block(const BandInfo* b, int64_t first, int64_t from, int64_t to, Counts& c, Progress& progress) {
    unsigned char* buf = scratch(kHistChunkBytes);
    for (int64_t done = from; done < to;) {
        const size_t k = static_cast<size_t>(std::min<int64_t>(kHistChunkBytes, to - done));
        remos_io::read_at(b->file, first + done, buf, k);
        count_bytes(c, buf, k);
        c.counted(k);
        done += static_cast<int64_t>(k);
        if (!progress.add(static_cast<int64_t>(k))) return;
    }
}

// Mode 0, 8-bit: lines [from, to), several line records per read when they lie close together in the file.
void count_lines(const BandInfo* b, int64_t first, int64_t from, int64_t to, Counts& c, Progress& progress) {
    const int64_t width = b->width;
    const int64_t stride = static_cast<int64_t>(b->band_count) * b->record_length;
    const int64_t per_read =
        stride > 0 && stride <= 2 * width && width <= static_cast<int64_t>(kHistChunkBytes)
            ? std::max<int64_t>(1, static_cast<int64_t>(kHistChunkBytes) / stride)
            : 1;
    const size_t bytes_max = static_cast<size_t>((per_read - 1) * stride + width);
    unsigned char* buf = scratch(std::max(bytes_max, kHistChunkBytes));
    for (int64_t line = from; line < to;) {
        const int64_t k = std::min<int64_t>(per_read, to - line);
        const size_t bytes = static_cast<size_t>((k - 1) * stride + width);
        remos_io::read_at(b->file, first + line * stride, buf, bytes);
        for (int64_t j = 0; j < k; ++j) {
            count_bytes(c, buf + j * stride, static_cast<size_t>(width));
            c.counted(static_cast<size_t>(width));
        }
        line += k;
        if (!progress.add(k)) break;
    }
}

// Mode 1, 8-bit: pixels [from, to), all lying one after another; one colour of each is counted.
void count_rgb(const BandInfo* b, int64_t first, int64_t from, int64_t to, Counts& c, Progress& progress) {
    const int64_t per_read = kHistChunkBytes / 3;
    unsigned char* buf = scratch(kHistChunkBytes);
    for (int64_t done = from; done < to;) {
        const int64_t k = std::min(per_read, to - done);
        remos_io::read_at(b->file, first + done * 3, buf, static_cast<size_t>(k * 3));
        count_every_third(c, buf + b->index, static_cast<size_t>(k));
        c.counted(static_cast<size_t>(k));
        done += k;
        if (!progress.add(k)) return;
    }
}

// Any other layout: lines [from, to), one row read each.
void count_rows(BandInfo* b, int64_t from, int64_t to, Counts& c, Progress& progress) {
    std::vector<unsigned char> line(static_cast<size_t>(b->width));
    for (int64_t y = from; y < to; ++y) {
        remos_read_row(b, line.data(), static_cast<int>(y), 0, b->width);
        count_bytes(c, line.data(), line.size());
        c.counted(line.size());
        if (!progress.add(1)) return;
    }
}

// Counts the whole band into `total`; false when the pass was stopped.
bool count_band(BandInfo* band, Progress& progress, uint64_t total[256]) {
    const int64_t width = band->width, lines = band->lines;
    const int64_t pixels = width * lines;
    enum class Layout { Block, Lines, Rgb, Rows } layout = Layout::Rows;
    int64_t first = 0, units = lines;
    // Bands of other readers (`source`) come row by row through remos_read_row; the built-in layouts are
    // read straight from the file.
    if (band->source) {
        layout = Layout::Rows;
    } else if (band->interleave == REMOS_BY_LINE && band->bytes_per_sample == 1 && band->band_count > 0 &&
               band->record_length > 0) {
        if (!remos_io::sample_offset(band, 0, 0, &first)) return true;  // nothing readable: all counts 0
        const bool block = static_cast<int64_t>(band->band_count) * band->record_length == width;
        layout = block ? Layout::Block : Layout::Lines;
        units = block ? pixels : lines;
    } else if (band->interleave == REMOS_BY_PIXEL_RGB && band->bytes_per_sample == 1) {
        if (!remos_io::sample_offset(band, 0, 0, &first)) return true;
        first -= band->index;
        layout = Layout::Rgb;
        units = pixels;
    }

    const int parts = static_cast<int>(std::min<int64_t>(remos_pass::part_count(pixels), units));
    std::vector<std::unique_ptr<Counts>> counts;
    for (int k = 0; k < parts; ++k)
        counts.push_back(std::make_unique<Counts>());
    progress.begin_stage(units, 0.0, 1.0);
    remos_pass::run_parts(units, parts, progress, [&](int k, int64_t from, int64_t to) {
        Counts& c = *counts[static_cast<size_t>(k)];
        switch (layout) {
            case Layout::Block:
                count_block(band, first, from, to, c, progress);
                break;
            case Layout::Lines:
                count_lines(band, first, from, to, c, progress);
                break;
            case Layout::Rgb:
                count_rgb(band, first, from, to, c, progress);
                break;
            case Layout::Rows:
                count_rows(band, from, to, c, progress);
                break;
        }
    });
    if (progress.stopped()) return false;
    for (const auto& c : counts) {
        c->flush();
        for (int v = 0; v < 256; ++v)
            total[v] += c->total[v];
    }
    return true;
}

}  // namespace

int remos_make_histogram(BandInfo* band) {
    return remos_make_histogram_progress(band, nullptr, nullptr);
}

int remos_make_histogram_progress(BandInfo* band, RemosProgress callback, void* context) {
    // A GDAL Byte band is counted block by block by its reader, which knows the file's tiling.
    if (band && band->source && band->bits == 8) return remos_gdal::make_histogram(band, callback, context);
    if (!band || band->bits != 8) return 0;
    uint64_t total[256] = {};
    Progress progress(callback, context);
    if (band->width > 0 && band->lines > 0 && !count_band(band, progress, total)) return 0;
    // Stopped by the last report of the pass.
    if (progress.stopped()) return 0;
    remos_pass::store_byte_histogram(band, total);
    return 1;
}
