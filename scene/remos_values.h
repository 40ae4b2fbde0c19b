// Internal: the fine counts that the histogram pass of a band wider than 8 bits keeps with the band, and the
// arithmetic that places a value in its fine bin and histogram column. The pass, the range functions and
// the column functions all place values through these, so they agree to the last value. Not part of the
// public interface.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "scene/remos.h"

// Fine bins over value_min..value_max. Integer bands: one bin per value when the span has at most
// kMaxFineBins values (exact), else kMaxFineBins bins of equal integer share. Float bands: kMaxFineBins bins
// of equal width. Each of the 256 histogram columns is a run of whole fine bins.
struct RemosValueCounts {
    static constexpr int kMaxFineBins = 65536;

    bool integer = true;
    double min = 0, max = 0;  // smallest and largest value counted
    uint64_t span = 1;        // integers: max - min + 1
    double half_width = 0;    // floats: (max - min) / 2, kept halved so that it never overflows
    int bins = 1;
    std::vector<uint64_t> counts;  // `bins` counts
    uint64_t total = 0;            // values counted (no-data and non-finite values left out)
    uint64_t at_min = 0, at_max = 0;

    // Sets the bins for the span min..max (integers when `whole`); the counts are left to the caller.
    void shape(bool whole, double lo, double hi) {
        integer = whole;
        min = lo;
        max = hi;
        if (integer) {
            span = static_cast<uint64_t>(hi - lo) + 1;
            bins = span < kMaxFineBins ? static_cast<int>(span) : kMaxFineBins;
        } else {
            half_width = hi * 0.5 - lo * 0.5;
            bins = kMaxFineBins;
        }
    }

    // Fine bin of an integer value inside min..max.
    int fine_of_integer(int64_t v) const {
        const uint64_t a = static_cast<uint64_t>(v - static_cast<int64_t>(min));
        return span <= static_cast<uint64_t>(bins) ? static_cast<int>(a) : static_cast<int>(a * bins / span);
    }
    // Fine bin of a float value inside min..max.
    int fine_of_float(double v) const {
        if (!(half_width > 0)) return 0;
        const double x = (v * 0.5 - min * 0.5) / half_width * bins;
        if (!(x > 0)) return 0;
        return x >= bins ? bins - 1 : static_cast<int>(x);
    }
    // Fine bin of any value, clamped to the bins.
    int fine_of(double v) const {
        if (!(v > min)) return 0;
        if (v >= max) return bins - 1;
        return integer ? fine_of_integer(static_cast<int64_t>(std::floor(v))) : fine_of_float(v);
    }
    // Histogram column of a fine bin.
    int column_of_fine(int f) const { return static_cast<int>(static_cast<int64_t>(f) * 256 / bins); }

    // Smallest value of fine bin f (integers: the smallest whole value in it).
    double fine_low(int f) const {
        if (integer) return min + static_cast<double>((static_cast<uint64_t>(f) * span + bins - 1) / bins);
        return min + 2.0 * half_width * f / bins;
    }
    // Largest value of fine bin f (floats: its upper edge, at most max).
    double fine_high(int f) const {
        if (integer)
            return min + static_cast<double>((static_cast<uint64_t>(f + 1) * span + bins - 1) / bins) - 1;
        return f + 1 >= bins ? max : min + 2.0 * half_width * (f + 1) / bins;
    }
};

namespace remos_values {

// Histogram of the band from `count` stored samples in memory (the band's sample_type, host order) instead of
// a pass over the band: 8-bit bands their 256 counts, wider bands the span, fine counts and columns as the
// pass makes them. False for unknown sample types.
bool histogram_of_samples(BandInfo* band, const void* samples, size_t count);

// What a histogram pass hands on of every piece of a line it reads as stored samples: (line, first column,
// samples, count). Called from the pass's threads, each line on one of them.
using LineObserver = std::function<void(int64_t line, int x0, const void* samples, int count)>;
// remos_make_band_histogram that also shows the lines it reads to `observe` (null: none). The pass of a wide
// band reads every line through remos_read_row_stored (in its last stage); 8-bit bands show nothing.
int make_band_histogram(BandInfo* band, RemosProgress progress, void* context, const LineObserver* observe);

// Releases the fine counts of `count` band records (null records accepted).
void release(BandInfo* bands, uint32_t count);

// Puts the histogram counted into `counted` (a copy of the band's record, or of its record at its own size)
// into `band`: the 256 columns, their peaks, and for wide bands the value span and the fine counts, which
// `band` then owns (`counted` keeps none).
void take_histogram(BandInfo* band, BandInfo* counted);

}  // namespace remos_values
