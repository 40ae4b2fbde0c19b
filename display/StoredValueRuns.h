// The stored values that expressions read as "#a" during a redraw: a band's samples as its file stores
// them, with the file's scale and offset applied, run by run as the composite draws. Qt-free.
#pragma once

#include <cstdint>
#include <vector>

#include "display/Composite.h"

namespace orvenna {

class StoredValueReader {
public:
    // Writes the values of the samples x0, x0 + step, ... below x0 + n of `line` to dest ((n - 1) / step + 1
    // values), clipped to the band like remos_read_row (values past its edge are 0). Bands wider than 8 bits
    // read reduced runs as the display does (a GDAL band's overview when it has one), 8-bit bands and
    // pictures the samples named. With `missing`, the samples without data (the band's no-data value, not a
    // number) set their byte there to 1. A row without band reads as 0.
    void fetch(const CompositeBandRow& row, double* dest, int line, int x0, int n, int step,
               uint8_t* missing);

private:
    std::vector<uint64_t> raw_;  // one run of stored samples (8-byte aligned for every sample type)
};

// One run of stored values per letter for a redraw: the letters in `letters` (bit k: letter 'a' + k) whose
// rows exist get a buffer of `count` values.
struct StoredRuns {
    std::vector<double> values[26];
    double* run[26] = {};
    void prepare(uint32_t letters, int row_count, int count);
};

}  // namespace orvenna
