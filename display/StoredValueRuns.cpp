#include "display/StoredValueRuns.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "display/BandValues.h"
#include "scene/remos.h"
#include "scene/subdatasets.h"

namespace orvenna {

namespace {

template <class T>
void convert(const void* raw, int from, int step, int count, double* dest) {
    const T* s = static_cast<const T*>(raw);
    for (int i = 0; i < count; ++i)
        dest[i] = static_cast<double>(s[static_cast<size_t>(from) + static_cast<size_t>(i) * step]);
}

// The samples from, from + step, ... of a run of `type` as doubles.
void convert_run(int type, const void* raw, int from, int step, int count, double* dest) {
    switch (type) {
        case REMOS_SAMPLE_U8:
            return convert<uint8_t>(raw, from, step, count, dest);
        case REMOS_SAMPLE_U16:
            return convert<uint16_t>(raw, from, step, count, dest);
        case REMOS_SAMPLE_I16:
            return convert<int16_t>(raw, from, step, count, dest);
        case REMOS_SAMPLE_U32:
            return convert<uint32_t>(raw, from, step, count, dest);
        case REMOS_SAMPLE_I32:
            return convert<int32_t>(raw, from, step, count, dest);
        case REMOS_SAMPLE_F32:
            return convert<float>(raw, from, step, count, dest);
        case REMOS_SAMPLE_F64:
            return convert<double>(raw, from, step, count, dest);
        default:
            std::fill(dest, dest + count, 0.0);
    }
}

}  // namespace

void StoredValueReader::fetch(const CompositeBandRow& row, double* dest, int line, int x0, int n, int step,
                              uint8_t* missing) {
    if (n <= 0 || step <= 0) return;
    const int count = (n - 1) / step + 1;
    std::fill(dest, dest + count, 0.0);
    BandInfo* band = row.band;
    if (!band) return;
    if (row.is_picture()) {
        raw_.resize((static_cast<size_t>(n) + 7) / 8);
        const int got = ReadPictureRow(row, reinterpret_cast<unsigned char*>(raw_.data()), line, x0, n);
        convert_run(REMOS_SAMPLE_U8, raw_.data(), 0, step, std::min(count, (got + step - 1) / step), dest);
        return;
    }
    const int type = band->sample_type;
    const size_t size = static_cast<size_t>(remos_sample_size(type));
    if (size == 0) return;
    // Wide bands read their reduced runs as the display mapping does; 8-bit ones take the samples named from
    // the whole run, as their bytes are drawn.
    const bool reduced = step > 1 && remos_band_is_wide(band);
    const size_t samples = reduced ? static_cast<size_t>(count) : static_cast<size_t>(n);
    raw_.resize((samples * size + 7) / 8);
    int got;
    if (reduced) {
        got = remos_read_row_stored_reduced(band, raw_.data(), line, x0, count, step);
    } else {
        got = remos_read_row_stored(band, raw_.data(), line, x0, n);
        got = got > 0 ? (got - 1) / step + 1 : 0;
    }
    got = std::clamp(got, 0, count);
    convert_run(type, raw_.data(), 0, reduced ? 1 : step, got, dest);

    if (missing)
        for (int i = 0; i < got; ++i)
            if (std::isnan(dest[i]) || IsNoDataValue(band, dest[i])) missing[i] = 1;
    double scale, offset;
    band_value_scale(band, &scale, &offset);
    if (scale != 1.0 || offset != 0.0)
        for (int i = 0; i < got; ++i)
            dest[i] = dest[i] * scale + offset;
}

void StoredRuns::prepare(uint32_t letters, int row_count, int count) {
    for (int k = 0; k < 26; ++k) {
        run[k] = nullptr;
        if (!(letters >> k & 1) || k >= row_count) continue;
        values[k].resize(static_cast<size_t>(std::max(count, 1)));
        run[k] = values[k].data();
    }
}

}  // namespace orvenna
