#include "display/BandValuePlot.h"

#include <algorithm>
#include <cmath>

#include "display/BandValues.h"
#include "display/WideBandMapping.h"
#include "scene/remos.h"

namespace orvenna {

namespace {

constexpr int kMargin = 4;  // room around the points so that their marks stay inside the plot

}  // namespace

BandValueSample band_value_sample_of(const BandInfo* band, bool is_picture, double value) {
    BandValueSample sample;
    sample.value = value;
    sample.valid = band && std::isfinite(value) && (is_picture || !IsNoDataValue(band, value));
    if (!band) return sample;
    if (!is_picture && remos_band_is_wide(band)) {
        // The range alone: preparing a whole mapping would build its 16-bit table on every pointer move.
        // Without one the band is drawn as remos_read_row converts it, over its type's span.
        if (!wide_band_display_range(band, &sample.low, &sample.high))
            ImpliedDisplayRange(band, &sample.low, &sample.high);
    }
    return sample;
}

std::string band_value_label(int i) {
    if (i >= 0 && i < 26) return std::string(1, static_cast<char>('a' + i));
    return std::to_string(i + 1);
}

BandValuePlotLayout layout_band_value_plot(const std::vector<BandValueSample>& samples, int width, int height,
                                           int label_width, int label_height) {
    BandValuePlotLayout layout;
    layout.left = kMargin;
    layout.right = width - 1 - kMargin;
    layout.top = kMargin;
    layout.bottom = height - 1 - kMargin - std::max(label_height, 0);
    const int n = static_cast<int>(samples.size());
    if (n == 0 || layout.right <= layout.left || layout.bottom <= layout.top) return layout;

    const double spacing = static_cast<double>(layout.right - layout.left) / n;
    // Letters that would touch their neighbours are written for every n-th point only.
    const int every = std::max(1, static_cast<int>(std::ceil((label_width + 2) / std::max(spacing, 1e-9))));
    layout.points.resize(static_cast<size_t>(n));
    layout.labels.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const BandValueSample& s = samples[static_cast<size_t>(i)];
        BandValuePoint& p = layout.points[static_cast<size_t>(i)];
        p.x = layout.left + static_cast<int>((i + 0.5) * spacing);
        if (i % every == 0) layout.labels[static_cast<size_t>(i)] = band_value_label(i);
        p.valid = s.valid && std::isfinite(s.value) && std::isfinite(s.low) && std::isfinite(s.high) &&
                  s.high > s.low;
        if (!p.valid) continue;
        double level = (s.value - s.low) / (s.high - s.low);
        p.clipped = level < 0 || level > 1;
        level = std::clamp(level, 0.0, 1.0);
        p.y = layout.bottom - static_cast<int>(std::lround(level * (layout.bottom - layout.top)));
    }
    return layout;
}

}  // namespace orvenna
