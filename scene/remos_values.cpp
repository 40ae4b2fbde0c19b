// remos: histograms, automatic and full display ranges of bands wider than 8 bits, in the band's own values.
//
// Every band is read through remos_read_row_stored, so any reader that delivers stored samples gets these for
// free (16-bit line records of the built-in formats are read straight from the file). 16-bit bands are
// counted exactly in one pass (a bin per possible value); 32-bit and float bands take two passes, the first
// for the smallest and largest value, the second counting fine bins between them. Threads count ranges of
// lines into counts of their own, added up at the end.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "scene/remos.h"
#include "scene/remos_gdal.h"
#include "scene/remos_io.h"
#include "scene/remos_pass.h"
#include "scene/remos_values.h"

namespace {

using remos_pass::Progress;

// Samples per stored-row read: whole lines of ordinary scenes, pieces of very wide ones.
constexpr int kPieceSamples = 1 << 16;

// Reads lines [from, to) of the band as stored samples of type T, a piece at a time, and hands every piece to
// fn(samples, count). Stops early when the pass is to stop.
template <class T, class Fn>
void for_each_piece(BandInfo* band, int64_t from, int64_t to, Progress& progress, Fn fn,
                    const remos_values::LineObserver* observe = nullptr) {
    const int width = band->width;
    std::vector<T> buf(static_cast<size_t>(std::min(width, kPieceSamples)));
    for (int64_t y = from; y < to; ++y) {
        for (int x = 0; x < width;) {
            const int n = remos_read_row_stored(band, buf.data(), static_cast<int>(y), x,
                                                std::min(width - x, kPieceSamples));
            if (n <= 0) break;
            fn(buf.data(), n);
            if (observe) (*observe)(y, x, buf.data(), n);
            x += n;
        }
        if (!progress.add(width)) return;
    }
}

// Whether the band's no-data value can occur as a stored sample of type T (and so must be left out).
template <class T>
bool nodata_of(const BandInfo* band, T* value) {
    if (band->has_nodata != 1 || std::isnan(band->nodata)) return false;
    const double v = band->nodata;
    if (std::numeric_limits<T>::is_integer) {
        if (v != std::floor(v) || v < static_cast<double>(std::numeric_limits<T>::min()) ||
            v > static_cast<double>(std::numeric_limits<T>::max()))
            return false;
    } else if (std::fabs(v) > static_cast<double>(std::numeric_limits<T>::max()) && !std::isinf(v)) {
        return false;
    }
    *value = static_cast<T>(v);
    return true;
}

// ---- 16-bit bands: every value counted in its own bin ---------------------------------------------------

// Counts of one thread, indexed by the 16 bits of the value (signed values: their bits as unsigned). 32-bit
// counters are moved into 64-bit ones before they can overflow.
struct Table16 {
    std::vector<uint32_t> count = std::vector<uint32_t>(65536, 0);
    std::vector<uint64_t> spilled;
    uint64_t since_spill = 0;

    // Counts n values; with Swap the values are big-endian bits read on a little-endian machine and are
    // counted by their value (which keeps neighbouring values close together in the table).
    template <bool Swap>
    void add_run(const uint16_t* p, size_t n) {
        if (since_spill + n > 0xFFFFFFFFu) spill();
        since_spill += n;
        uint32_t* t = count.data();
        auto at = [](uint16_t v) { return Swap ? __builtin_bswap16(v) : v; };
        // Four places of the run far apart in turn: neighbouring pixels often hold equal or close values, and
        // an increment that waits on the one before it to the same counter would hold up the next.
        const size_t q = n / 4;
        const uint16_t *a = p, *b = p + q, *c = p + 2 * q, *d = p + 3 * q;
        for (size_t i = 0; i < q; ++i) {
            t[at(a[i])]++;
            t[at(b[i])]++;
            t[at(c[i])]++;
            t[at(d[i])]++;
        }
        for (size_t i = 4 * q; i < n; ++i)
            t[at(p[i])]++;
    }
    void spill() {
        if (spilled.empty()) spilled.assign(65536, 0);
        for (size_t v = 0; v < 65536; ++v)
            spilled[v] += count[v];
        std::fill(count.begin(), count.end(), 0u);
        since_spill = 0;
    }
};

// Line records of 16-bit samples in a file of the built-in formats are counted as they lie in the file,
// without turning every sample into the machine's byte order first; other bands come through
// remos_read_row_stored.
bool counts_file_order(const BandInfo* band) {
    return !band->source && band->file && band->interleave == REMOS_BY_LINE && band->bytes_per_sample == 2;
}

// Lines [from, to) of a band that counts_file_order accepts, a piece at a time, as the file holds them.
void count_lines_as_stored_in_file(const BandInfo* band, int64_t from, int64_t to, Progress& progress,
                                   Table16& t) {
    const int width = band->width;
    std::vector<uint16_t> buf(static_cast<size_t>(std::min(width, kPieceSamples)));
    for (int64_t y = from; y < to; ++y) {
        for (int x = 0; x < width;) {
            const int n = std::min(width - x, kPieceSamples);
            int64_t off = 0;
            if (remos_io::sample_offset(band, y, x, &off))
                remos_io::read_at(band->file, off, buf.data(), static_cast<size_t>(n) * 2);
            else
                std::fill(buf.begin(), buf.begin() + n, 0);
            if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__)
                t.add_run<true>(buf.data(), static_cast<size_t>(n));
            else
                t.add_run<false>(buf.data(), static_cast<size_t>(n));
            x += n;
        }
        if (!progress.add(width)) return;
    }
}

// One pass counting every value; fills `counts` (fine bins = values) and returns false when stopped.
bool count_16bit(BandInfo* band, Progress& progress, RemosValueCounts* counts,
                 const remos_values::LineObserver* observe) {
    const bool is_signed = band->sample_type == REMOS_SAMPLE_I16;
    const bool file_order = counts_file_order(band);
    const int64_t lines = band->lines;
    const int parts =
        static_cast<int>(std::min<int64_t>(remos_pass::part_count(lines * band->width * 2), lines));
    std::vector<std::unique_ptr<Table16>> tables;
    for (int k = 0; k < parts; ++k)
        tables.push_back(std::make_unique<Table16>());
    progress.begin_stage(lines * band->width, 0.0, 1.0);
    remos_pass::run_parts(lines, parts, progress, [&](int k, int64_t from, int64_t to) {
        Table16& t = *tables[static_cast<size_t>(k)];
        if (file_order)
            count_lines_as_stored_in_file(band, from, to, progress, t);
        else
            for_each_piece<uint16_t>(
                band, from, to, progress,
                [&](const uint16_t* p, int n) { t.add_run<false>(p, static_cast<size_t>(n)); }, observe);
    });
    if (progress.stopped()) return false;

    // Index order = value order: signed values have their sign bit flipped.
    const uint16_t flip = is_signed ? 0x8000 : 0;
    std::vector<uint64_t> all(65536, 0);
    for (auto& t : tables) {
        if (!t->spilled.empty()) t->spill();  // everything in the 64-bit counters
        for (size_t i = 0; i < 65536; ++i)
            all[i ^ flip] += t->spilled.empty() ? t->count[i] : t->spilled[i];
    }
    if (is_signed) {
        int16_t nd;
        if (nodata_of(band, &nd)) all[static_cast<uint16_t>(nd) ^ flip] = 0;
    } else {
        uint16_t nd;
        if (nodata_of(band, &nd)) all[nd] = 0;
    }
    const int offset = is_signed ? -32768 : 0;
    int lo = 0, hi = 65535;
    while (lo < 65535 && all[static_cast<size_t>(lo)] == 0)
        ++lo;
    while (hi > 0 && all[static_cast<size_t>(hi)] == 0)
        --hi;
    if (hi < lo) {  // no value at all
        counts->shape(true, 0, 0);
        counts->counts.assign(1, 0);
        return true;
    }
    counts->shape(true, lo + offset, hi + offset);
    counts->counts.assign(static_cast<size_t>(counts->bins), 0);
    std::copy(all.begin() + lo, all.begin() + hi + 1, counts->counts.begin());
    for (uint64_t c : counts->counts)
        counts->total += c;
    counts->at_min = all[static_cast<size_t>(lo)];
    counts->at_max = all[static_cast<size_t>(hi)];
    return true;
}

// ---- 32-bit and float bands: smallest and largest value, then fine bins ---------------------------------

template <class T>
inline bool usable(T v, bool has_nodata, T nodata) {
    if (has_nodata && v == nodata) return false;
    if constexpr (!std::numeric_limits<T>::is_integer) return std::isfinite(v);
    return true;
}

struct Span {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();
};

// Smallest and largest usable value of a run.
template <class T>
void scan_span(const T* p, int n, bool has_nodata, T nodata, Span& s) {
    T lo = std::numeric_limits<T>::max(), hi = std::numeric_limits<T>::lowest();
    bool any = false;
    for (int i = 0; i < n; ++i) {
        const T v = p[i];
        if (!usable(v, has_nodata, nodata)) continue;
        any = true;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    if (!any) return;
    s.lo = std::min(s.lo, static_cast<double>(lo));
    s.hi = std::max(s.hi, static_cast<double>(hi));
}

// Fine-bin counts of one thread.
struct FineTable {
    std::vector<uint64_t> count;
    uint64_t at_min = 0, at_max = 0;
};

template <class T>
void count_fine(const T* p, int n, bool has_nodata, T nodata, const RemosValueCounts& shape, FineTable& t) {
    const double lo = shape.min, hi = shape.max;
    const int last = shape.bins - 1;
    for (int i = 0; i < n; ++i) {
        const T v = p[i];
        if (!usable(v, has_nodata, nodata)) continue;
        const double d = static_cast<double>(v);
        int f;
        // Values outside the first pass's span (a file changed in between) go to the end bins.
        if (d <= lo) {
            f = 0;
            if (d == lo) t.at_min++;
        } else if (d >= hi) {
            f = last;
            if (d == hi) t.at_max++;
        } else if constexpr (std::numeric_limits<T>::is_integer) {
            f = shape.fine_of_integer(static_cast<int64_t>(v));
        } else {
            f = shape.fine_of_float(d);
        }
        t.count[static_cast<size_t>(f)]++;
    }
}

template <class T>
bool count_two_passes(BandInfo* band, Progress& progress, RemosValueCounts* counts,
                      const remos_values::LineObserver* observe) {
    T nodata{};
    const bool has_nodata = nodata_of(band, &nodata);
    const int64_t lines = band->lines, samples = lines * band->width;
    const int parts = static_cast<int>(
        std::min<int64_t>(remos_pass::part_count(samples * static_cast<int64_t>(sizeof(T))), lines));

    std::vector<Span> spans(static_cast<size_t>(parts));
    progress.begin_stage(samples, 0.0, 0.5);
    remos_pass::run_parts(lines, parts, progress, [&](int k, int64_t from, int64_t to) {
        Span& s = spans[static_cast<size_t>(k)];
        for_each_piece<T>(band, from, to, progress,
                          [&](const T* p, int n) { scan_span(p, n, has_nodata, nodata, s); });
    });
    if (progress.stopped()) return false;
    Span all;
    for (const Span& s : spans) {
        all.lo = std::min(all.lo, s.lo);
        all.hi = std::max(all.hi, s.hi);
    }
    if (!(all.lo <= all.hi)) {  // no usable value at all
        counts->shape(true, 0, 0);
        counts->counts.assign(1, 0);
        return true;
    }
    counts->shape(std::numeric_limits<T>::is_integer, all.lo, all.hi);
    counts->counts.assign(static_cast<size_t>(counts->bins), 0);

    std::vector<FineTable> tables(static_cast<size_t>(parts));
    for (FineTable& t : tables)
        t.count.assign(static_cast<size_t>(counts->bins), 0);
    progress.begin_stage(samples, 0.5, 1.0);
    remos_pass::run_parts(lines, parts, progress, [&](int k, int64_t from, int64_t to) {
        FineTable& t = tables[static_cast<size_t>(k)];
        for_each_piece<T>(
            band, from, to, progress,
            [&](const T* p, int n) { count_fine(p, n, has_nodata, nodata, *counts, t); }, observe);
    });
    if (progress.stopped()) return false;
    for (const FineTable& t : tables) {
        for (int f = 0; f < counts->bins; ++f)
            counts->counts[static_cast<size_t>(f)] += t.count[static_cast<size_t>(f)];
        counts->at_min += t.at_min;
        counts->at_max += t.at_max;
    }
    if (counts->min == counts->max) counts->at_max = counts->at_min;
    for (uint64_t c : counts->counts)
        counts->total += c;
    return true;
}

bool count_values(BandInfo* band, Progress& progress, RemosValueCounts* counts,
                  const remos_values::LineObserver* observe) {
    switch (band->sample_type) {
        case REMOS_SAMPLE_U16:
        case REMOS_SAMPLE_I16:
            return count_16bit(band, progress, counts, observe);
        case REMOS_SAMPLE_U32:
            return count_two_passes<uint32_t>(band, progress, counts, observe);
        case REMOS_SAMPLE_I32:
            return count_two_passes<int32_t>(band, progress, counts, observe);
        case REMOS_SAMPLE_F32:
            return count_two_passes<float>(band, progress, counts, observe);
        case REMOS_SAMPLE_F64:
            return count_two_passes<double>(band, progress, counts, observe);
        default:
            return false;
    }
}

// Counts `n` samples of type T lying in memory (a sample of the band) into `counts`: the span, then the
// fine bins, as the passes over the whole band do.
template <class T>
void count_samples(const BandInfo* band, const T* p, size_t n, RemosValueCounts* counts) {
    T nodata{};
    const bool has_nodata = nodata_of(band, &nodata);
    Span span;
    FineTable table;
    for (size_t done = 0; done < n;) {
        const int k = static_cast<int>(std::min<size_t>(n - done, kPieceSamples));
        scan_span(p + done, k, has_nodata, nodata, span);
        done += static_cast<size_t>(k);
    }
    if (!(span.lo <= span.hi)) {
        counts->shape(true, 0, 0);
        counts->counts.assign(1, 0);
        return;
    }
    counts->shape(std::numeric_limits<T>::is_integer, span.lo, span.hi);
    table.count.assign(static_cast<size_t>(counts->bins), 0);
    for (size_t done = 0; done < n;) {
        const int k = static_cast<int>(std::min<size_t>(n - done, kPieceSamples));
        count_fine(p + done, k, has_nodata, nodata, *counts, table);
        done += static_cast<size_t>(k);
    }
    counts->counts = std::move(table.count);
    counts->at_min = table.at_min;
    counts->at_max = counts->min == counts->max ? table.at_min : table.at_max;
    for (uint64_t c : counts->counts)
        counts->total += c;
}

// Puts fine counts into the band: the 256 columns (runs of whole fine bins), their peaks, the value span;
// the band then owns the counts.
void store_wide_histogram(BandInfo* band, std::unique_ptr<RemosValueCounts> counts) {
    uint64_t columns[256] = {};
    for (int f = 0; f < counts->bins; ++f)
        columns[counts->column_of_fine(f)] += counts->counts[static_cast<size_t>(f)];
    uint32_t peak = 0, peak_inner = 0;
    for (int c = 0; c < 256; ++c) {
        const uint32_t t = static_cast<uint32_t>(std::min<uint64_t>(columns[c], INT32_MAX));
        band->histogram[c] = static_cast<int32_t>(t);
        peak = std::max(peak, t);
        if (c >= 1 && c <= 254) peak_inner = std::max(peak_inner, t);
    }
    band->hist_peak = static_cast<int32_t>(peak);
    band->hist_peak_inner = static_cast<int32_t>(peak_inner);
    band->value_min = counts->min;
    band->value_max = counts->max;
    delete band->value_counts;
    band->value_counts = counts.release();
}

bool is_integer_type(int sample_type) {
    return sample_type != REMOS_SAMPLE_F32 && sample_type != REMOS_SAMPLE_F64;
}

// The fine counts of a wide band's last histogram pass; null when it has none.
const RemosValueCounts* counts_of(const BandInfo* band) {
    return band && remos_band_is_wide(band) ? band->value_counts : nullptr;
}

}  // namespace

namespace remos_values {

bool histogram_of_samples(BandInfo* band, const void* samples, size_t count) {
    if (!band || (!samples && count > 0)) return false;
    if (band->sample_type == REMOS_SAMPLE_U8) {
        uint64_t total[256] = {};
        const auto* p = static_cast<const unsigned char*>(samples);
        for (size_t i = 0; i < count; ++i)
            total[p[i]]++;
        remos_pass::store_byte_histogram(band, total);
        return true;
    }
    auto counts = std::make_unique<RemosValueCounts>();
    switch (band->sample_type) {
        case REMOS_SAMPLE_U16:
            count_samples(band, static_cast<const uint16_t*>(samples), count, counts.get());
            break;
        case REMOS_SAMPLE_I16:
            count_samples(band, static_cast<const int16_t*>(samples), count, counts.get());
            break;
        case REMOS_SAMPLE_U32:
            count_samples(band, static_cast<const uint32_t*>(samples), count, counts.get());
            break;
        case REMOS_SAMPLE_I32:
            count_samples(band, static_cast<const int32_t*>(samples), count, counts.get());
            break;
        case REMOS_SAMPLE_F32:
            count_samples(band, static_cast<const float*>(samples), count, counts.get());
            break;
        case REMOS_SAMPLE_F64:
            count_samples(band, static_cast<const double*>(samples), count, counts.get());
            break;
        default:
            return false;
    }
    store_wide_histogram(band, std::move(counts));
    return true;
}

void take_histogram(BandInfo* band, BandInfo* counted) {
    std::memcpy(band->histogram, counted->histogram, sizeof band->histogram);
    band->hist_peak = counted->hist_peak;
    band->hist_peak_inner = counted->hist_peak_inner;
    if (!remos_band_is_wide(band)) return;
    band->value_min = counted->value_min;
    band->value_max = counted->value_max;
    release(band, 1);
    band->value_counts = std::exchange(counted->value_counts, nullptr);
}

void release(BandInfo* bands, uint32_t count) {
    if (!bands) return;
    for (uint32_t i = 0; i < count; ++i) {
        delete bands[i].value_counts;
        bands[i].value_counts = nullptr;
    }
}

}  // namespace remos_values

int remos_band_is_wide(const BandInfo* band) {
    return band && band->sample_type != REMOS_SAMPLE_U8 && remos_sample_size(band->sample_type) != 0 ? 1 : 0;
}

int remos_make_band_histogram(BandInfo* band, RemosProgress callback, void* context) {
    return remos_values::make_band_histogram(band, callback, context, nullptr);
}

int remos_values::make_band_histogram(BandInfo* band, RemosProgress callback, void* context,
                                      const LineObserver* observe) {
    if (!band) return 0;
    if (!remos_band_is_wide(band)) return remos_make_histogram_progress(band, callback, context);
    // A band placed on a grid counts its own pixels.
    if (remos_gdal::own_record(band) != band && !observe)
        return remos_gdal::count_own_pixels(band, &remos_make_band_histogram, callback, context);
    // A band on a server is counted over an overview, not read whole.
    if (remos_gdal::counts_overview(band))
        return remos_gdal::make_overview_histogram(band, callback, context);
    auto counts = std::make_unique<RemosValueCounts>();
    Progress progress(callback, context);
    if (band->width > 0 && band->lines > 0) {
        if (!count_values(band, progress, counts.get(), observe) || progress.stopped()) return 0;
    } else {
        counts->shape(true, 0, 0);
        counts->counts.assign(1, 0);
    }

    store_wide_histogram(band, std::move(counts));
    return 1;
}

int remos_auto_range_values(BandInfo* band, double ratio, int exclude_ends) {
    const RemosValueCounts* counts = counts_of(band);
    if (!counts || counts->total == 0) return 0;
    // Same share as remos_auto_range, of the values counted (no-data left out).
    const double t = std::trunc(static_cast<double>(counts->total) * ratio);
    if (std::isnan(t)) return 0;
    const int last = counts->bins - 1;
    // With exclude_ends the sums leave out the pixels of the smallest and the largest value.
    auto count = [&](int f) {
        uint64_t c = counts->counts[static_cast<size_t>(f)];
        if (exclude_ends) {
            if (f == 0) c -= std::min(c, counts->at_min);
            if (f == last && (last != 0 || counts->max != counts->min)) c -= std::min(c, counts->at_max);
        }
        return static_cast<double>(c);
    };
    int found = 0;
    double sum = 0;
    for (int f = 0; f <= last; ++f) {
        sum += count(f);
        if (sum > t) {
            band->display_low = counts->fine_low(f);
            ++found;
            break;
        }
    }
    sum = 0;
    for (int f = last; f >= 0; --f) {
        sum += count(f);
        if (sum > t) {
            band->display_high = counts->fine_high(f);
            ++found;
            break;
        }
    }
    return found == 2 ? 1 : 0;
}

int remos_full_range_values(BandInfo* band) {
    if (!counts_of(band) || band->value_counts->total == 0) return 0;
    band->display_low = band->value_min;
    band->display_high = band->value_max;
    return 1;
}

int remos_histogram_column(const BandInfo* band, double value) {
    if (!band || std::isnan(value)) return 0;
    if (!remos_band_is_wide(band)) return static_cast<int>(std::clamp(std::trunc(value), 0.0, 255.0));
    RemosValueCounts shape;
    if (!(band->value_min <= band->value_max)) return 0;
    shape.shape(is_integer_type(band->sample_type), band->value_min, band->value_max);
    return shape.column_of_fine(shape.fine_of(value));
}

double remos_histogram_column_value(const BandInfo* band, int column) {
    if (!band) return 0;
    column = std::clamp(column, 0, 255);
    if (!remos_band_is_wide(band)) return column;
    if (!(band->value_min <= band->value_max)) return band->value_min;
    RemosValueCounts shape;
    shape.shape(is_integer_type(band->sample_type), band->value_min, band->value_max);
    if (shape.integer)
        return shape.min + static_cast<double>((static_cast<uint64_t>(column) * shape.span + 255) / 256);
    return shape.min + 2.0 * shape.half_width * column / 256;
}
