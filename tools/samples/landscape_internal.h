// Internals of the synthetic landscape shared by the sample writers.
#pragma once

#include <cstdint>

#include "tools/samples/sample_scenes.h"

namespace samples {

// Kinds of town ground (Ground::detail).
enum { kStreet = 0, kGreyRoof = 1, kWhiteRoof = 2, kDarkRoof = 3 };

// The ground at one pixel: its class and what varies within the class.
struct Ground {
    LandClass cls;
    int amount;  // water depth 0..256, vegetation vigour / soil moisture -256..256, warm patch heat 0..256
    int detail;  // town: kStreet, kGreyRoof, kWhiteRoof, kDarkRoof
};

Ground ground_at(int x, int y, int w, int h);
uint8_t value_of(const Ground& g, Band band, int x, int y);

// Integer hash of three words (well mixed; deterministic everywhere).
uint32_t hash3(uint32_t a, uint32_t b, uint32_t c);

// sin(2 pi phase / 65536) * 4096, integer approximation.
int int_sin(int64_t phase);

}  // namespace samples
