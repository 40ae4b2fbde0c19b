// remos: reading band samples, line runs as 8-bit values, automatic display ranges of 8-bit bands, the
// display stretch and the geographic-to-pixel mapping (histograms: remos_histogram.cpp).
//
// Every read seeks immediately before it reads (the bands of a scene share one file handle) and bytes the
// file does not hold read as zero.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "scene/remos.h"
#include "scene/remos_gdal.h"
#include "scene/remos_io.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Largest single read of a row conversion or a histogram pass; rows of ordinary scenes take one read.
constexpr size_t kChunkBytes = size_t(4) << 20;
// Data groups larger than this are read sample by sample instead of whole.
constexpr int64_t kWholeGroupLimit = 64 * 1024;

// Reused scratch buffer, so that row reads do not allocate on every call.
unsigned char* scratch(size_t n) {
    thread_local std::vector<unsigned char> buf;
    if (buf.size() < n) buf.resize(n);
    return buf.data();
}

// 16-bit to 8-bit: v * 255 / 65535 truncated, which is exactly v / 257, and for every 16-bit v also
// (v * 0xFF01) >> 24, a form that vectorises. 32-bit likewise v / ((2^32 - 1) / 255).
inline uint8_t scale16(uint32_t v) {
    return static_cast<uint8_t>((v * 0xFF01u) >> 24);
}
inline uint8_t scale32(uint32_t v) {
    return static_cast<uint8_t>(v / 16843009u);
}

// Converts k big-endian 16-bit samples; blocks of fixed length let the compiler use vector instructions.
void convert16(const unsigned char* __restrict s, unsigned char* __restrict d, int k) {
    constexpr int kBlock = 32;
    int i = 0;
    for (; i + kBlock <= k; i += kBlock) {
        const unsigned char* p = s + 2 * i;
        unsigned char* q = d + i;
        for (int j = 0; j < kBlock; ++j)
            q[j] = scale16((uint32_t(p[2 * j]) << 8) | p[2 * j + 1]);
    }
    for (; i < k; ++i)
        d[i] = scale16((uint32_t(s[2 * i]) << 8) | s[2 * i + 1]);
}

// Mode-2 drawing value: |f| * 0.000001 * 255 truncated toward zero, keeping the low 8 bits. Values of 2^64
// and more are integers that are multiples of 2^12 as doubles, so their low 8 bits are 0.
inline uint8_t float_to_byte(float f) {
    double v = std::fabs(static_cast<double>(f)) * 0.000001 * 255.0;
    if (!(v < 18446744073709551616.0)) return 0;  // also NaN
    return static_cast<uint8_t>(static_cast<uint64_t>(v));
}

inline float be_float(const unsigned char* p) {
    uint32_t u = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    float f;
    memcpy(&f, &u, 4);
    return f;
}

// Mode 0, samples wider than one byte: one read per chunk of the run, converted in memory.
void read_line_wide(BandInfo* b, unsigned char* dest, int64_t off, int n) {
    const int B = b->bytes_per_sample;
    const size_t per_chunk = kChunkBytes / B;
    for (int done = 0; done < n;) {
        int k = static_cast<int>(std::min<size_t>(per_chunk, static_cast<size_t>(n - done)));
        unsigned char* s = scratch(static_cast<size_t>(k) * B);
        remos_io::read_at(b->file, off + static_cast<int64_t>(done) * B, s, static_cast<size_t>(k) * B);
        unsigned char* d = dest + done;
        if (B == 2) {
            convert16(s, d, k);
        } else {
            for (int i = 0; i < k; ++i)
                d[i] = scale32(remos_bytes_to_uint(s + 4 * i, 4, 0));
        }
        done += k;
    }
}

// Mode 1: pick the band's sample out of every pixel's three.
void read_line_rgb(BandInfo* b, unsigned char* dest, int64_t off, int n) {
    const size_t per_chunk = kChunkBytes / 3;
    for (int done = 0; done < n;) {
        int k = static_cast<int>(std::min<size_t>(per_chunk, static_cast<size_t>(n - done)));
        unsigned char* s = scratch(static_cast<size_t>(k) * 3);
        // off addresses the band's own sample; the pixel starts `index` bytes earlier.
        remos_io::read_at(b->file, off - b->index + static_cast<int64_t>(done) * 3, s,
                          static_cast<size_t>(k) * 3);
        const unsigned char* p = s + b->index;
        unsigned char* d = dest + done;
        for (int i = 0; i < k; ++i)
            d[i] = p[3 * i];
        done += k;
    }
}

// Mode 2: big-endian floats, the band's sample out of every data group.
void read_line_groups(BandInfo* b, unsigned char* dest, int64_t off, int n) {
    const int64_t group = static_cast<int64_t>(b->samples_per_group) * 4;
    if (group > kWholeGroupLimit) {
        unsigned char s[4];
        for (int i = 0; i < n; ++i) {
            remos_io::read_at(b->file, off + group * i, s, 4);
            dest[i] = float_to_byte(be_float(s));
        }
        return;
    }
    const size_t per_chunk = std::max<size_t>(1, kChunkBytes / static_cast<size_t>(group));
    const int64_t start = off - 4 * static_cast<int64_t>(b->index);
    for (int done = 0; done < n;) {
        int k = static_cast<int>(std::min<size_t>(per_chunk, static_cast<size_t>(n - done)));
        size_t bytes = static_cast<size_t>(k) * static_cast<size_t>(group);
        unsigned char* s = scratch(bytes);
        remos_io::read_at(b->file, start + group * done, s, bytes);
        const unsigned char* p = s + 4 * b->index;
        unsigned char* d = dest + done;
        for (int i = 0; i < k; ++i)
            d[i] = float_to_byte(be_float(p + group * i));
        done += k;
    }
}

#if defined(__SSE2__)
// Byte order of every 16-, 32- or 64-bit lane of 16 bytes reversed.
inline __m128i swap_lanes16(__m128i v) {
    return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
}
inline __m128i swap_lanes(__m128i v, int size) {
    if (size == 4) v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xB1), 0xB1);  // swap the 16-bit halves
    if (size == 8) v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0x1B), 0x1B);  // reverse the four quarters
    return swap_lanes16(v);
}
#endif

// Turns n big-endian samples of `size` bytes (2, 4 or 8) into the machine's byte order, in place.
void big_endian_to_host(unsigned char* p, int n, int size) {
    if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__) return;
    if (size != 2 && size != 4 && size != 8) return;
    const size_t bytes = static_cast<size_t>(n) * static_cast<size_t>(size);
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: the byte swap is a few instructions per vector instead of one per sample.
    for (; i + 16 <= bytes; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), swap_lanes(v, size));
    }
#endif
    for (; i < bytes; i += static_cast<size_t>(size))
        std::reverse(p + i, p + i + size);
}

// Mode 2 as stored: the band's float out of every data group, in the machine's byte order.
void read_groups_stored(BandInfo* b, unsigned char* dest, int64_t off, int n) {
    const int64_t group = static_cast<int64_t>(b->samples_per_group) * 4;
    if (group > kWholeGroupLimit) {
        for (int i = 0; i < n; ++i)
            remos_io::read_at(b->file, off + group * i, dest + 4 * i, 4);
    } else {
        const size_t per_chunk = std::max<size_t>(1, kChunkBytes / static_cast<size_t>(group));
        for (int done = 0; done < n;) {
            const int k = static_cast<int>(std::min<size_t>(per_chunk, static_cast<size_t>(n - done)));
            const size_t bytes = static_cast<size_t>(k - 1) * static_cast<size_t>(group) + 4;
            unsigned char* s = scratch(bytes);
            remos_io::read_at(b->file, off + group * done, s, bytes);
            for (int i = 0; i < k; ++i)
                memcpy(dest + 4 * (done + i), s + group * i, 4);
            done += k;
        }
    }
    big_endian_to_host(dest, n, 4);
}

// Maps one 8-bit value through the display range low..high (high - low >= 1).
inline int stretch_one(int p, int64_t low, int64_t high) {
    double v = std::trunc(255.999999 / static_cast<double>(high - low) * static_cast<double>(p - low));
    if (v < 0) return 0;
    if (v > 255) return 255;
    return static_cast<int>(v);
}

inline bool stretch_is_identity(const BandInfo* b) {
    const int64_t low = b->range_low, high = b->range_high;
    return (low == 0 && high == 255) || high - low < 1;
}

// Chooses the fraction along one direction of the bilinear patch: a root of q2 * t^2 + q1 * t + q0 = 0.
// The roots are computed in the cancellation-free form, so a parallelogram (q2 = 0) gives the root of the
// linear equation. `n` is the pixel count in that direction. Returns false when no real root exists.
bool patch_fraction(float q2, float q1, float q0, int n, float* t) {
    const float disc = q1 * q1 - 4.0f * q2 * q0;
    if (!(disc >= 0.0f)) return false;
    const float root = std::sqrt(disc);
    // q = -(q1 + sign(q1) * root) / 2; the roots are q / q2 and q0 / q.
    const float q = q1 >= 0.0f ? -0.5f * (q1 + root) : 0.5f * (root - q1);
    float plus = NAN, minus = NAN;  // (root - q1) / 2q2 and (-q1 - root) / 2q2
    if (q1 >= 0.0f) {
        if (q != 0.0f) plus = q0 / q;
        if (q2 != 0.0f) minus = q / q2;
    } else {
        if (q2 != 0.0f) plus = q / q2;
        if (q != 0.0f) minus = q0 / q;
    }
    const bool plus_ok = std::isfinite(plus), minus_ok = std::isfinite(minus);
    // The first root when it lies in the scene; otherwise the root nearer to the scene. (Near the edges the
    // right root can come out a hair below 0, while the other one of a near-parallelogram lies far away.)
    auto distance = [](float t) { return t < 0.0f ? -t : t > 1.0f ? t - 1.0f : 0.0f; };
    if (plus_ok && plus >= 0.0f && static_cast<float>(n) > plus * static_cast<float>(n - 1)) {
        *t = plus;
    } else if (plus_ok && minus_ok) {
        *t = distance(minus) <= distance(plus) ? minus : plus;
    } else if (minus_ok) {
        *t = minus;
    } else if (plus_ok) {
        *t = plus;
    } else {
        return false;
    }
    return true;
}

// Pixel coordinate of a fraction, truncated toward zero and kept inside the int range.
int fraction_to_pixel(float t, int n) {
    float v = static_cast<float>(n - 1) * t;
    const float limit = 1073741824.0f;  // 2^30
    if (!(v > -limit)) v = -limit;
    if (v > limit) v = limit;
    return static_cast<int>(v);
}

}  // namespace

int remos_read_sample_nowait(BandInfo* band, int64_t pixel_index, double* value) {
    if (!value) return 0;
    if (band && band->source) return remos_gdal::read_sample_nowait(band, pixel_index, value);
    *value = remos_read_sample(band, pixel_index);
    return 1;
}

double remos_read_sample(BandInfo* band, int64_t pixel_index) {
    if (band && band->source) return remos_gdal::read_sample(band, pixel_index);  // GDAL band
    if (!band || band->width <= 0 || band->lines <= 0 || pixel_index < 0) return 0.0;
    if (pixel_index / band->width >= band->lines) return 0.0;
    int64_t off = 0;
    if (!remos_io::sample_offset(band, pixel_index / band->width, pixel_index % band->width, &off))
        return 0.0;
    unsigned char s[4];
    const int B = band->bytes_per_sample;
    if (band->interleave == REMOS_BY_GROUP) {
        if (B != 4) return 0.0;
        remos_io::read_at(band->file, off, s, 4);
        double v = std::trunc(static_cast<double>(be_float(s)));
        // Callers convert to an integer: keep the value inside the int32 range.
        if (std::isnan(v)) return 0.0;
        return std::clamp(v, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX));
    }
    if (B < 1 || B > 4) return 0.0;
    remos_io::read_at(band->file, off, s, static_cast<size_t>(B));
    return static_cast<double>(remos_bytes_to_uint(s, B, 0));
}

int remos_sample_size(int sample_type) {
    switch (sample_type) {
        case REMOS_SAMPLE_U8:
            return 1;
        case REMOS_SAMPLE_U16:
        case REMOS_SAMPLE_I16:
            return 2;
        case REMOS_SAMPLE_U32:
        case REMOS_SAMPLE_I32:
        case REMOS_SAMPLE_F32:
            return 4;
        case REMOS_SAMPLE_F64:
            return 8;
        default:
            return 0;
    }
}

int remos_read_row_stored(BandInfo* band, void* dest, int line, int x0, int n) {
    if (band && band->source) return remos_gdal::read_row_stored(band, dest, line, x0, n);  // GDAL band
    if (!band || !dest || n <= 0 || band->width <= 0 || band->lines <= 0) return 0;
    const int S = remos_sample_size(band->sample_type);
    if (S == 0) return 0;
    if (line < 0) line = 0;
    if (line >= band->lines) line = band->lines - 1;
    if (x0 < 0) x0 = 0;
    if (x0 >= band->width) x0 = band->width - 1;
    if (static_cast<int64_t>(x0) + n >= band->width) n = band->width - x0;
    auto* d = static_cast<unsigned char*>(dest);
    const size_t bytes = static_cast<size_t>(n) * static_cast<size_t>(S);
    int64_t off = 0;
    if (!remos_io::sample_offset(band, line, x0, &off)) {
        memset(d, 0, bytes);
        return n;
    }
    // The built-in formats store big-endian samples (pixel-interleaved colour is 8-bit only).
    if (band->interleave == REMOS_BY_LINE && band->bytes_per_sample == S) {
        remos_io::read_at(band->file, off, d, bytes);
        big_endian_to_host(d, n, S);
    } else if (band->interleave == REMOS_BY_PIXEL_RGB && S == 1) {
        read_line_rgb(band, d, off, n);
    } else if (band->interleave == REMOS_BY_GROUP && S == 4 && band->samples_per_group > 0) {
        read_groups_stored(band, d, off, n);
    } else {
        memset(d, 0, bytes);
    }
    return n;
}

int remos_read_row(BandInfo* band, unsigned char* dest, int line, int x0, int n) {
    if (band && band->source) return remos_gdal::read_row(band, dest, line, x0, n);  // GDAL band
    if (!band || !dest) return 0;
    if (band->width <= 0 || band->lines <= 0 || n <= 0) return 1;
    // Clamp the run to the band.
    if (line < 0) line = 0;
    if (line >= band->lines) line = band->lines - 1;
    if (x0 < 0) x0 = 0;
    if (x0 >= band->width) x0 = band->width - 1;
    if (static_cast<int64_t>(x0) + n >= band->width) n = band->width - x0;

    int64_t off = 0;
    if (!remos_io::sample_offset(band, line, x0, &off)) {
        memset(dest, 0, static_cast<size_t>(n));
        return 1;
    }
    const int B = band->bytes_per_sample;
    switch (band->interleave) {
        case REMOS_BY_LINE:
            if (band->bits == 8 && B == 1) {
                remos_io::read_at(band->file, off, dest, static_cast<size_t>(n));
            } else if ((band->bits == 16 && B == 2) || (band->bits == 32 && B == 4)) {
                read_line_wide(band, dest, off, n);
            } else {
                memset(dest, 0, static_cast<size_t>(n));
            }
            break;
        case REMOS_BY_PIXEL_RGB:
            if (B == 1)
                read_line_rgb(band, dest, off, n);
            else
                memset(dest, 0, static_cast<size_t>(n));
            break;
        case REMOS_BY_GROUP:
            if (B == 4)
                read_line_groups(band, dest, off, n);
            else
                memset(dest, 0, static_cast<size_t>(n));
            break;
        default:
            memset(dest, 0, static_cast<size_t>(n));
            break;
    }
    return 1;
}

void remos_auto_range(BandInfo* band, double ratio, int exclude_ends) {
    if (!band || band->bits != 8) return;
    // The pixel count is taken in 64 bits: large scenes overflow 32.
    const double t = std::trunc(static_cast<double>(static_cast<int64_t>(band->lines) * band->width) * ratio);
    const int k = exclude_ends ? 1 : 0;
    // Comparisons with a NaN threshold are false, so an unusable ratio changes nothing.
    double sum = 0;
    for (int v = k; v <= 255; ++v) {
        sum += static_cast<uint32_t>(band->histogram[v]);
        if (sum > t) {
            band->range_low = v;
            break;
        }
    }
    sum = 0;
    for (int v = 255 - k; v >= 0; --v) {
        sum += static_cast<uint32_t>(band->histogram[v]);
        if (sum > t) {
            band->range_high = v;
            break;
        }
    }
}

void remos_stretch_row(BandInfo* band, unsigned char* buf, int len) {
    if (!band || !buf || band->bits != 8) return;
    const int n = std::min(band->width, len);
    if (n <= 0 || stretch_is_identity(band)) return;
    unsigned char map[256];
    for (int p = 0; p < 256; ++p)
        map[p] = static_cast<unsigned char>(stretch_one(p, band->range_low, band->range_high));
    for (int i = 0; i < n; ++i)
        buf[i] = map[buf[i]];
}

int remos_stretch_value(BandInfo* band, int value) {
    if (!band || stretch_is_identity(band)) return value;
    return stretch_one(value & 0xFF, band->range_low, band->range_high);
}

void remos_geo_to_pixel(int* column, int* row, int width, int height, float lat, float lon, float ul_lon,
                        float ul_lat, float ll_lon, float ll_lat, float ur_lon, float ur_lat, float lr_lon,
                        float lr_lat) {
    if (!column || !row) return;
    const float a_lon = ll_lon - ul_lon, a_lat = ll_lat - ul_lat;
    const float b_lon = ur_lon - ul_lon, b_lat = ur_lat - ul_lat;
    const float c_lon = ul_lon + lr_lon - ll_lon - ur_lon, c_lat = ul_lat + lr_lat - ll_lat - ur_lat;
    const float d_lon = lon - ul_lon, d_lat = lat - ul_lat;

    // Row fraction u: C u^2 + A u + E = 0.
    const float A = a_lon * b_lat - a_lat * b_lon - c_lat * d_lon + c_lon * d_lat;
    const float C = a_lon * c_lat - a_lat * c_lon;
    const float E = b_lon * d_lat - b_lat * d_lon;
    // Column fraction s: K s^2 + I s + M = 0.
    const float I = c_lon * d_lat + a_lat * b_lon - a_lon * b_lat - c_lat * d_lon;
    const float K = b_lon * c_lat - b_lat * c_lon;
    const float M = a_lon * d_lat - a_lat * d_lon;

    // Without a real solution (a position the patch never reaches, degenerate corners) the nearest point of
    // the quadratic is taken and kept inside the scene.
    float u = 0.0f, s = 0.0f;
    if (!patch_fraction(C, A, E, height, &u)) {
        u = C != 0.0f ? -A / (2.0f * C) : 0.0f;
        u = std::isfinite(u) ? std::clamp(u, 0.0f, 1.0f) : 0.0f;
    }
    if (!patch_fraction(K, I, M, width, &s)) {
        s = K != 0.0f ? -I / (2.0f * K) : 0.0f;
        s = std::isfinite(s) ? std::clamp(s, 0.0f, 1.0f) : 0.0f;
    }
    *column = width > 0 ? fraction_to_pixel(s, width) : 0;
    *row = height > 0 ? fraction_to_pixel(u, height) : 0;
}

int remos_alloc_pixel_vector(const SceneFile* scene, RemosPixelVector* vector) {
    if (!vector) return 0;
    vector->values = nullptr;
    vector->length = 0;
    if (!scene || scene->band_count == 0 || scene->band_count > 65535) return 0;
    vector->values = static_cast<int*>(calloc(scene->band_count, sizeof(int)));
    if (!vector->values) return 0;
    vector->length = static_cast<int>(scene->band_count);
    return 1;
}

void remos_free_pixel_vector(RemosPixelVector* vector) {
    if (!vector) return;
    free(vector->values);
    vector->values = nullptr;
    vector->length = 0;
}

int remos_read_pixel_vector(SceneFile* scene, int64_t pixel_index, RemosPixelVector* vector) {
    if (!scene || !scene->bands || !vector || !vector->values ||
        static_cast<uint32_t>(vector->length) != scene->band_count)
        return 0;
    if (scene->width <= 0 || pixel_index < 0 ||
        pixel_index / scene->width >= static_cast<int64_t>(scene->height))
        return 0;
    // Samples beyond the int range (32-bit and float bands) are kept at its nearest end rather than wrapped;
    // a NaN gives 0. Fractions are cut toward zero.
    for (int i = 0; i < vector->length; ++i) {
        const double v = remos_read_sample(&scene->bands[i], pixel_index);
        vector->values[i] = std::isnan(v) ? 0
                                          : static_cast<int>(std::clamp(v, static_cast<double>(INT32_MIN),
                                                                        static_cast<double>(INT32_MAX)));
    }
    return 1;
}
