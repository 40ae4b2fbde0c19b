#include "display/WideBandMapping.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "scene/remos.h"
#include "scene/remos_lines.h"

namespace orvenna {

bool wide_band_display_range(const BandInfo* band, double* low, double* high) {
    if (!band || !remos_band_is_wide(band)) return false;
    const double dlow = band->display_low, dhigh = band->display_high;
    const double vmin = band->value_min, vmax = band->value_max;
    if (std::isfinite(dlow) && std::isfinite(dhigh) && dhigh > dlow) {
        *low = dlow;
        *high = dhigh;
    } else if (std::isfinite(vmin) && std::isfinite(vmax) && vmax > vmin) {
        *low = vmin;
        *high = vmax;
    } else {
        return false;
    }
    return true;
}

void WideBandMapping::prepare(const BandInfo* band, bool is_picture) {
    active_ = false;
    if (is_picture || !wide_band_display_range(band, &low_, &high_)) return;
    active_ = true;
    sample_type_ = band->sample_type;
    has_nodata_ = band->has_nodata == 1 && !std::isnan(band->nodata);
    nodata_ = has_nodata_ ? band->nodata : 0;
    // Single-precision samples equal the no-data value as a float, as the histogram compares them.
    if (sample_type_ == REMOS_SAMPLE_F32) nodata_ = static_cast<float>(nodata_);
    is_float_ = sample_type_ == REMOS_SAMPLE_F32 || sample_type_ == REMOS_SAMPLE_F64;
    if (sample_type_ == REMOS_SAMPLE_U16 || sample_type_ == REMOS_SAMPLE_I16) build_table();
}

uint8_t WideBandMapping::byte_of(double value) const {
    if (has_nodata_ && value == nodata_) return 0;
    return DisplayByte(value, low_, high_);
}

void WideBandMapping::build_table() {
    if (table_type_ == sample_type_ && table_low_ == low_ && table_high_ == high_ &&
        table_has_nodata_ == has_nodata_ && table_nodata_ == nodata_)
        return;
    table_.resize(65536);
    const bool is_signed = sample_type_ == REMOS_SAMPLE_I16;
    for (int raw = 0; raw < 65536; ++raw) {
        const double v = is_signed ? static_cast<int16_t>(raw) : raw;
        table_[static_cast<size_t>(raw)] = byte_of(v);
    }
    table_type_ = sample_type_;
    table_low_ = low_;
    table_high_ = high_;
    table_has_nodata_ = has_nodata_;
    table_nodata_ = nodata_;
}

template <class T>
void WideBandMapping::map_run(const T* stored, unsigned char* dest, int count, uint8_t* missing) const {
    for (int i = 0; i < count; ++i)
        dest[i] = byte_of(static_cast<double>(stored[i]));
    if (missing) mark_run(stored, missing, count);
}

template <class T>
void WideBandMapping::mark_run(const T* stored, uint8_t* missing, int count) const {
    for (int i = 0; i < count; ++i) {
        const double v = static_cast<double>(stored[i]);
        if (std::isnan(v) || (has_nodata_ && v == nodata_)) missing[i] = 1;
    }
}

// Lines read at once ahead of a full-resolution fetch.
constexpr int kReadAheadLines = 16;

// A full-resolution run of stored samples: from the lines read ahead when it lies among them, else read
// (with the lines after it, when reading ahead is allowed and the run lies inside the band).
const void* WideBandMapping::stored_run(BandInfo* band, int line, int x0, int n, int* got) {
    const size_t size = static_cast<size_t>(remos_sample_size(sample_type_));
    const bool inside = line >= 0 && x0 >= 0 && n > 0 && static_cast<int64_t>(x0) + n <= band->width;
    if (inside && x0 == window_x0_ && n == window_n_ && line >= window_first_ &&
        line < window_first_ + window_lines_) {
        *got = n;
        return reinterpret_cast<const unsigned char*>(window_.data()) +
               static_cast<size_t>(line - window_first_) * n * size;
    }
    const int ahead = std::min(kReadAheadLines, read_ahead_end_ - line);
    if (inside && ahead > 1) {
        const size_t words = (static_cast<size_t>(ahead) * n * size + 7) / 8;
        if (window_.size() < words) window_.resize(words);
        window_lines_ = remos_read_lines_stored(band, window_.data(), line, ahead, x0, n);
        window_first_ = line;
        window_x0_ = x0;
        window_n_ = n;
        if (window_lines_ > 0) {
            *got = n;
            return window_.data();
        }
    }
    const size_t words = (static_cast<size_t>(n) * size + 7) / 8;
    if (stored_.size() < words) stored_.resize(words);
    *got = remos_read_row_stored(band, stored_.data(), line, x0, n);
    return stored_.data();
}

void WideBandMapping::fetch(BandInfo* band, unsigned char* dest, int line, int x0, int n, int step,
                            uint8_t* missing) {
    if (n <= 0 || step <= 0) return;
    const int count = (n - 1) / step + 1;
    const size_t size = static_cast<size_t>(remos_sample_size(sample_type_));
    const size_t words = (static_cast<size_t>(count) * size + 7) / 8;
    if (stored_.size() < words) stored_.resize(words);
    void* raw = stored_.data();
    // Reduced runs come from a GDAL band's overviews when it has them, else they are the samples named.
    int got = 0;
    if (step == 1)
        raw = const_cast<void*>(stored_run(band, line, x0, n, &got));
    else
        got = remos_read_row_stored_reduced(band, raw, line, x0, count, step);
    // Samples past the band's edge read as zero, like remos_read_row leaves nothing stale behind.
    if (got < count)
        std::memset(static_cast<unsigned char*>(raw) + static_cast<size_t>(std::max(got, 0)) * size, 0,
                    static_cast<size_t>(count - std::max(got, 0)) * size);
    // Marks are made only for bands that can be without data.
    uint8_t* const marks = missing && marks_missing() ? missing : nullptr;
    switch (sample_type_) {
        case REMOS_SAMPLE_U16:
        case REMOS_SAMPLE_I16: {
            const uint16_t* s = static_cast<const uint16_t*>(raw);
            const uint8_t* table = table_.data();
            for (int i = 0; i < count; ++i)
                dest[i] = table[s[i]];
            if (!marks) break;
            if (sample_type_ == REMOS_SAMPLE_U16)
                mark_run(s, marks, count);
            else
                mark_run(static_cast<const int16_t*>(raw), marks, count);
            break;
        }
        case REMOS_SAMPLE_U32:
            map_run(static_cast<const uint32_t*>(raw), dest, count, marks);
            break;
        case REMOS_SAMPLE_I32:
            map_run(static_cast<const int32_t*>(raw), dest, count, marks);
            break;
        case REMOS_SAMPLE_F32:
            map_run(static_cast<const float*>(raw), dest, count, marks);
            break;
        case REMOS_SAMPLE_F64:
            map_run(static_cast<const double*>(raw), dest, count, marks);
            break;
        default:
            std::memset(dest, 0, static_cast<size_t>(count));
            break;
    }
}

}  // namespace orvenna
