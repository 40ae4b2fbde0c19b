#include "scene/remos_lines.h"

#include <algorithm>

#include "scene/remos_gdal.h"

int remos_read_lines_stored(BandInfo* band, void* dest, int line, int lines, int x0, int n) {
    if (!band || !dest || lines <= 0 || n <= 0 || band->width <= 0 || band->lines <= 0) return 0;
    line = std::clamp(line, 0, band->lines - 1);
    lines = std::min(lines, band->lines - line);
    if (band->source) return remos_gdal::read_lines_stored(band, dest, line, lines, x0, n);
    const size_t row = static_cast<size_t>(n) * static_cast<size_t>(remos_sample_size(band->sample_type));
    auto* d = static_cast<unsigned char*>(dest);
    for (int k = 0; k < lines; ++k)
        remos_read_row_stored(band, d + row * static_cast<size_t>(k), line + k, x0, n);
    return lines;
}
