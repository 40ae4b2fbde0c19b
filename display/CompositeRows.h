// Internals shared by the two composite evaluators: fetching band rows into line buffers and writing pixels.
// Not part of the redraw's public interface.
#pragma once

#include <cstdint>
#include <vector>

#include "display/Composite.h"
#include "display/WideBandMapping.h"

namespace orvenna {

inline constexpr int kLetterCount = 26;

// The line buffers of one redraw: each row's own line buffer when it is large enough for the runs this view
// fetches, otherwise a zero-filled stand-in owned here (a row whose buffer is missing or too small must not
// be written past its end).
class RowBuffers {
public:
    // Prepares one buffer per row able to hold `run` values.
    void prepare(const CompositeBandRow* rows, int row_count, int run);
    unsigned char* operator[](int row) const { return buffers_[row]; }

private:
    std::vector<unsigned char*> buffers_;
    std::vector<std::vector<unsigned char>> stand_ins_;
};

// Fetches `n` values of image line `line` from column x0 into dest: the picture channel for picture rows,
// the stored values mapped through the display range for wide bands with an active `mapping`, remos_read_row
// for other scene rows; a row without band reads as zero. With `stretch`, the values fetched by
// remos_read_row then pass through remos_stretch_row (the 1:1 and magnifying paths).
// With `missing`, the values without data (MarksMissing) set their byte there to 1.
void FetchBandRun(const CompositeBandRow& row, unsigned char* dest, int line, int x0, int n, bool stretch,
                  WideBandMapping* mapping, uint8_t* missing = nullptr);

// Whether a row's values can be without data: a wide band with a no-data value or of floats (through its
// mapping), or an 8-bit scene band whose no-data value is a byte.
bool MarksMissing(const CompositeBandRow& row, const WideBandMapping& mapping);
// The byte value of an 8-bit band that stands for no data, or -1.
int MissingByte(const CompositeBandRow& row);

// Paints the pixels of an evaluated run whose `missing` byte is set in the target's colour for pixels
// without data (`count` pixels of 3 bytes).
void PaintMissing(const CompositeTarget& target, const uint8_t* missing, int count, uint8_t* bgr);

// One display mapping per row for a redraw, prepared from the rows' bands.
void PrepareMappings(const CompositeBandRow* rows, int row_count, std::vector<WideBandMapping>& mappings);

// Fills every line of the target with white (255, 255, 255).
void FillWhite(const CompositeTarget& target);

// Writes `count` copies of one pixel (blue, green, red) at screen (x, y), clipped to the target.
inline void PutPixels(const CompositeTarget& t, int x, int y, int count, uint8_t b, uint8_t g, uint8_t r) {
    if (y < 0 || y >= t.height) return;
    int x1 = x + count;
    if (x < 0) x = 0;
    if (x1 > t.width) x1 = t.width;
    uint8_t* p = t.pixels + static_cast<std::ptrdiff_t>(y) * t.stride + static_cast<std::ptrdiff_t>(x) * 3;
    for (int i = x; i < x1; ++i) {
        p[0] = b;
        p[1] = g;
        p[2] = r;
        p += 3;
    }
}

}  // namespace orvenna
