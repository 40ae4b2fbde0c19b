// The synthetic landscape behind every sample file.
//
// Everything is integer arithmetic (hash noise, a rational sine approximation), so the same pixel has the
// same value on every machine and with every compiler. Positions are normalised to 1/65536 of the scene's
// width and height, so the layout (river, lake, town, fields) scales with the scene; texture noise runs in
// pixel units so that large scenes keep fine detail.
#include <cstdint>

#include "tools/samples/landscape_internal.h"
#include "tools/samples/sample_scenes.h"

namespace samples {
namespace {

constexpr int64_t kUnit = 65536;  // normalised position of the right or bottom edge

// A position in the scene, in pixels and in normalised units.
struct Position {
    int x, y;
    int64_t u, v;
};

Position position(int x, int y, int w, int h) {
    Position p{x, y, 0, 0};
    p.u = w > 0 ? int64_t(x) * kUnit / w : 0;
    p.v = h > 0 ? int64_t(y) * kUnit / h : 0;
    return p;
}

// Smooth value noise in [-256, 256]: hashed lattice values every `cell` pixels, interpolated bilinearly.
int smooth_noise(int x, int y, int cell, uint32_t seed) {
    const int gx = x / cell, gy = y / cell;
    const int64_t fx = x % cell, fy = y % cell;
    auto corner = [&](int cx, int cy) {
        return int64_t(hash3(uint32_t(cx), uint32_t(cy), seed) % 513) - 256;
    };
    const int64_t top = corner(gx, gy) * (cell - fx) + corner(gx + 1, gy) * fx;
    const int64_t bottom = corner(gx, gy + 1) * (cell - fx) + corner(gx + 1, gy + 1) * fx;
    return int((top * (cell - fy) + bottom * fy) / (int64_t(cell) * cell));
}

// Texture shared by all bands of a pixel: two octaves of smooth noise plus a little grain, in [-256, 256].
int texture(int x, int y) {
    const int coarse = smooth_noise(x, y, 48, 11);
    const int fine = smooth_noise(x, y, 12, 12);
    const int grain = int(hash3(uint32_t(x), uint32_t(y), 13) % 65) - 32;
    return (coarse * 5 + fine * 3) / 8 + grain / 2;
}

// A value in [-256, 256] fixed per cell (field vigour, soil moisture, roof kind).
int cell_value(int64_t i, int64_t j, uint32_t seed) {
    return int(hash3(uint32_t(i), uint32_t(j), seed) % 513) - 256;
}

// --- The features, from water to town -------------------------------------------------------------------

// Centre of the river (normalised u) at height v: two meander waves.
int64_t river_centre(int64_t v) {
    return 23593 + 5898 * int_sin(v * 13 / 10 + 6554) / 4096 + 2294 * int_sin(v * 37 / 10 + 26214) / 4096;
}

int64_t river_half_width(int64_t v) {
    return 917 + 330 * int_sin(v * 3 + 9000) / 4096;
}

// Water depth in 0..256 (0 at the shore) when p lies in the river or the lake, else -1.
int water_depth(const Position& p) {
    const int64_t hw = river_half_width(p.v);
    int64_t d = p.u - river_centre(p.v);
    if (d < 0) d = -d;
    if (d < hw) return int(256 * (hw - d) / hw);

    // Lake: an ellipse with a wobbling shore; depth grows towards its centre.
    const int64_t du = (p.u - 48497) * 4096 / 8520, dv = (p.v - 17039) * 4096 / 9830;
    const int64_t r2 = (du * du + dv * dv) >> 12;  // 4096 on the nominal shore
    if (r2 >= 4096 + 768) return -1;               // beyond the farthest shore: skip the noise
    const int64_t shore = 4096 + smooth_noise(p.x, p.y, 40, 21) * 3;
    if (r2 < shore) return int(256 * (shore - r2) / shore);
    return -1;
}

// Distance from the river bank in normalised units (0 inside the river).
int64_t river_bank_distance(const Position& p) {
    int64_t d = p.u - river_centre(p.v);
    if (d < 0) d = -d;
    const int64_t hw = river_half_width(p.v);
    return d > hw ? d - hw : 0;
}

constexpr int64_t kTownLeft = 38011, kTownRight = 61604, kTownTop = 40632, kTownBottom = 60293;
constexpr int64_t kBlockU = 1966, kBlockV = 2621, kStreetU = 328, kStreetV = 437;

// Heat in 0..256 of the warm patch (a factory yard in the town), or -1 outside it.
int warm_heat(const Position& p) {
    const int64_t du = (p.u - 52429) * 4096 / 2949, dv = (p.v - 51118) * 4096 / 3932;
    const int64_t r2 = (du * du + dv * dv) >> 12;
    return r2 < 4096 ? int(256 * (4096 - r2) / 4096) : -1;
}

bool in_town(const Position& p) {
    return p.u >= kTownLeft && p.u < kTownRight && p.v >= kTownTop && p.v < kTownBottom;
}

// Field cell indices: a patchwork with gently bent boundaries.
void field_cell(const Position& p, int64_t* i, int64_t* j) {
    *i = (p.u + 800 * int_sin(p.v * 2) / 4096 + 8000) / 5900;
    *j = (p.v + 600 * int_sin(p.u * 3 + 3000) / 4096 + 8000) / 4915;
}

int clamp_byte(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

}  // namespace

// Rational approximation of sin(2 pi phase / 65536) scaled by 4096 (Bhaskara's formula per half turn).
int int_sin(int64_t phase) {
    int64_t p = phase % 65536;
    if (p < 0) p += 65536;
    const bool negative = p >= 32768;
    if (negative) p -= 32768;
    const int64_t q = p * (32768 - p);
    const int64_t s = 4096 * 16 * q / (5 * (int64_t(1) << 30) - 4 * q);
    return int(negative ? -s : s);
}

uint32_t hash3(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

Ground ground_at(int x, int y, int w, int h) {
    const Position p = position(x, y, w, h);
    Ground g{LandClass::Soil, 0, 0};

    const int depth = water_depth(p);
    if (depth >= 0) return Ground{LandClass::Water, depth, 0};

    if (in_town(p)) {
        const int heat = warm_heat(p);
        if (heat >= 0) return Ground{LandClass::WarmPatch, heat, 0};
        const int64_t bu = (p.u - kTownLeft) / kBlockU, bv = (p.v - kTownTop) / kBlockV;
        const bool street = (p.u - kTownLeft) % kBlockU < kStreetU || (p.v - kTownTop) % kBlockV < kStreetV;
        if (street) return Ground{LandClass::Town, 0, kStreet};
        const uint32_t kind = hash3(uint32_t(bu), uint32_t(bv), 31) % 10;
        if (kind == 0) return Ground{LandClass::Town, 0, kWhiteRoof};
        if (kind <= 2) return Ground{LandClass::Town, 0, kDarkRoof};
        if (kind == 3) return Ground{LandClass::Vegetation, 200, 0};  // a park
        return Ground{LandClass::Town, 0, kGreyRoof};
    }

    // Green strips along the river banks.
    const int64_t bank = river_bank_distance(p);
    if (bank < 1311) return Ground{LandClass::Vegetation, int(160 - bank / 20), 0};

    int64_t i, j;
    field_cell(p, &i, &j);
    const int amount = cell_value(i, j, 41);
    g.cls = hash3(uint32_t(i), uint32_t(j), 40) % 100 < 62 ? LandClass::Vegetation : LandClass::Soil;
    g.amount = amount;
    return g;
}

LandClass land_class(int x, int y, int w, int h) {
    return ground_at(x, y, w, h).cls;
}

// Class values: blue, green, red, near infrared, thermal. Thermal counts map through the sensor's
// calibration to about 19 C (water), 24 C (vegetation), 31 C (soil), 38 C (town) and 47..74 C (warm patch).
uint8_t value_of(const Ground& g, Band band, int x, int y) {
    const int b = int(band);
    const int t = texture(x, y);
    int v = 0;
    switch (g.cls) {
        case LandClass::Water: {
            static const int base[5] = {62, 52, 36, 16, 125};
            static const int deep[5] = {20, 22, 30, 18, 10};  // loss towards the deepest water
            v = base[b] - g.amount * deep[b] / 256 + t * 3 / 256;
            break;
        }
        case LandClass::Vegetation: {
            static const int base[5] = {48, 78, 38, 168, 136};
            static const int vigour[5] = {-4, 8, -10, 30, -6};
            static const int tex[5] = {6, 8, 6, 18, 6};
            v = base[b] + g.amount * vigour[b] / 256 + t * tex[b] / 256;
            break;
        }
        case LandClass::Soil: {
            static const int base[5] = {88, 102, 124, 148, 150};
            static const int moisture[5] = {-16, -18, -20, -14, -8};
            static const int tex[5] = {10, 12, 14, 14, 8};
            v = base[b] + g.amount * moisture[b] / 256 + t * tex[b] / 256;
            break;
        }
        case LandClass::Town: {
            static const int street[5] = {158, 156, 160, 138, 168};
            static const int grey[5] = {128, 126, 132, 118, 165};
            static const int white[5] = {248, 250, 252, 238, 155};
            static const int dark[5] = {62, 58, 64, 56, 172};
            const int* base = g.detail == kStreet      ? street
                              : g.detail == kWhiteRoof ? white
                              : g.detail == kDarkRoof  ? dark
                                                       : grey;
            v = base[b] + t * 8 / 256;
            break;
        }
        case LandClass::WarmPatch: {
            static const int base[5] = {140, 138, 136, 124, 185};
            v = base[b] + t * 6 / 256;
            if (band == Band::Thermal) v += g.amount * 90 / 256;
            break;
        }
    }
    // Sparse detector dropouts and saturated pixels, as real sensors have.
    const uint32_t defect = hash3(uint32_t(x), uint32_t(y), 100 + uint32_t(b)) % 5003;
    if (defect == 0) return 0;
    if (defect == 1) return 255;
    return uint8_t(clamp_byte(v));
}

uint8_t band_value(Band band, int x, int y, int w, int h) {
    return value_of(ground_at(x, y, w, h), band, x, y);
}

void band_row(Band band, int y, int w, int h, uint8_t* out) {
    for (int x = 0; x < w; ++x)
        out[x] = value_of(ground_at(x, y, w, h), band, x, y);
}

uint16_t band_value16(Band band, int x, int y, int w, int h) {
    const unsigned v = band_value(band, x, y, w, h);
    if (v == 255) return 65535;
    // 257 * v + 16..240: spreads over the wider range while v * 255 / 65535 still gives v.
    return uint16_t(257 * v + 16 + hash3(uint32_t(x), uint32_t(y), 200 + uint32_t(band)) % 225);
}

float psrb_value(int sample, int x, int y, int w, int h) {
    const Band band = sample == 0 ? Band::Red : Band::NearInfrared;
    const double magnitude = (band_value(band, x, y, w, h) + 0.5) * 1e6 / 255.0;
    const bool negative = hash3(uint32_t(x), uint32_t(y), 300 + uint32_t(sample)) & 1;
    return float(negative ? -magnitude : magnitude);
}

}  // namespace samples
