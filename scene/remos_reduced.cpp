// Reduced runs of a line (every step-th sample) for drawing reduced views. GDAL bands with overviews take
// them from the overview; every other band reads the run and picks the samples.
#include <algorithm>
#include <cstring>
#include <vector>

#include "scene/remos.h"
#include "scene/remos_gdal.h"

namespace {

// Clips the run to the band; the count of samples x0, x0 + step, ... that lie inside, or 0.
int reduced_count(const BandInfo* band, int* line, int* x0, int n, int step) {
    if (band->width <= 0 || band->lines <= 0 || n <= 0 || step < 1) return 0;
    *line = std::clamp(*line, 0, band->lines - 1);
    *x0 = std::clamp(*x0, 0, band->width - 1);
    return std::min(n, (band->width - 1 - *x0) / step + 1);
}

}  // namespace

int remos_read_row_stored_reduced(BandInfo* band, void* dest, int line, int x0, int n, int step) {
    if (band && band->source) return remos_gdal::read_row_stored_reduced(band, dest, line, x0, n, step);
    if (!band || !dest) return 0;
    const int S = remos_sample_size(band->sample_type);
    n = reduced_count(band, &line, &x0, n, step);
    if (n <= 0 || S == 0) return 0;
    if (step == 1) return remos_read_row_stored(band, dest, line, x0, n);
    const int span = (n - 1) * step + 1;
    std::vector<unsigned char> run(static_cast<size_t>(span) * S);
    remos_read_row_stored(band, run.data(), line, x0, span);
    auto* d = static_cast<unsigned char*>(dest);
    for (int i = 0; i < n; ++i)
        memcpy(d + static_cast<size_t>(i) * S, run.data() + static_cast<size_t>(i) * step * S,
               static_cast<size_t>(S));
    return n;
}

int remos_read_row_reduced(BandInfo* band, unsigned char* dest, int line, int x0, int n, int step) {
    if (band && band->source) return remos_gdal::read_row_reduced(band, dest, line, x0, n, step);
    if (!band || !dest) return 0;
    n = reduced_count(band, &line, &x0, n, step);
    if (n <= 0) return 0;
    if (step == 1) {
        remos_read_row(band, dest, line, x0, n);
        return n;
    }
    const int span = (n - 1) * step + 1;
    std::vector<unsigned char> run(static_cast<size_t>(span));
    remos_read_row(band, run.data(), line, x0, span);
    for (int i = 0; i < n; ++i)
        dest[i] = run[static_cast<size_t>(i) * step];
    return n;
}
