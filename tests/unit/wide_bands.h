// Bands wider than 8 bits for tests: raw files of big-endian samples of any sample type, opened and described
// as one band, with the values written kept beside them for brute-force checks.
#pragma once

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "scene/remos.h"
#include "tests/unit/remos_test_files.h"

namespace wide_test {

struct OpenBand {
    SceneFile scene{};
    std::vector<double> values;  // the values written, line after line, as the sample type holds them
    int width = 0, height = 0;
    BandInfo* band() { return &scene.bands[0]; }
    ~OpenBand() {
        if (scene.file) remos_close(&scene);
    }
};

// The value as a sample of `type` holds it (integers wrap as the cast does; floats round to single).
inline double as_stored(int type, double v) {
    switch (type) {
        case REMOS_SAMPLE_U16:
            return static_cast<uint16_t>(static_cast<int64_t>(v));
        case REMOS_SAMPLE_I16:
            return static_cast<int16_t>(static_cast<int64_t>(v));
        case REMOS_SAMPLE_U32:
            return static_cast<uint32_t>(static_cast<int64_t>(v));
        case REMOS_SAMPLE_I32:
            return static_cast<int32_t>(static_cast<int64_t>(v));
        case REMOS_SAMPLE_F32:
            return static_cast<float>(v);
        default:
            return v;
    }
}

// Writes a width x height band of `type` with value(x, y) and opens it as a raw single band.
inline std::unique_ptr<OpenBand> raw_band(const remos_test::TempDir& dir, const std::string& name, int type,
                                          int width, int height,
                                          const std::function<double(int, int)>& value) {
    auto b = std::make_unique<OpenBand>();
    b->width = width;
    b->height = height;
    const int size = remos_sample_size(type);
    remos_test::Bytes bytes;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double v = as_stored(type, value(x, y));
            b->values.push_back(v);
            uint64_t bits = 0;
            if (type == REMOS_SAMPLE_F32) {
                const float f = static_cast<float>(v);
                uint32_t u;
                std::memcpy(&u, &f, 4);
                bits = u;
            } else if (type == REMOS_SAMPLE_F64) {
                std::memcpy(&bits, &v, 8);
            } else {
                bits = static_cast<uint64_t>(static_cast<int64_t>(v));
            }
            remos_test::put_be(bytes, bytes.size(), bits, size);
        }
    }
    const std::string path = dir.file(name);
    remos_test::write_file(path, bytes);
    if (remos_open(&b->scene, path.c_str(), FMT_OPEN_ONLY) != REMOS_OK) return nullptr;
    // The raw description knows 8-, 16- and 32-bit samples; 64-bit ones are described as 32-bit pairs.
    const int bits = size == 8 ? 32 : size * 8;
    if (remos_describe_raw_single(&b->scene, 0, 0, 0, height, width * size, bits) != 1) return nullptr;
    BandInfo* band = b->band();
    band->bits = size * 8;
    band->bytes_per_sample = size;
    band->width = width;
    band->sample_type = type;
    return b;
}

// Whether a value written is the band's no-data value (single-precision bands compare as floats).
inline bool is_nodata(double v, const BandInfo& band) {
    if (band.has_nodata != 1) return false;
    if (band.sample_type == REMOS_SAMPLE_F32) return static_cast<float>(v) == static_cast<float>(band.nodata);
    return v == band.nodata;
}

// Values written that a histogram counts: no-data and non-finite values left out.
inline std::vector<double> usable_values(const std::vector<double>& values, const BandInfo& band) {
    std::vector<double> out;
    for (double v : values)
        if (std::isfinite(v) && !is_nodata(v, band)) out.push_back(v);
    return out;
}

}  // namespace wide_test
