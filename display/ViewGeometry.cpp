#include "display/ViewGeometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace orvenna {

namespace {

// Truncates toward zero into int, saturating far outside the int range (absurd scroll positions must not
// overflow).
int trunc_to_int(double v) {
    if (!(v == v)) return 0;
    double t = std::trunc(v);
    if (t >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (t <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(t);
}

struct AxisResult {
    int first = 0;        // first image pixel drawn
    int offset = 0;       // screen offset of the first drawn pixel
    int view_offset = 0;  // view_offset_x or _y
    int count = 0;        // columns/lines drawn
};

// One axis of the geometry; the horizontal and vertical rules are the same with the view width, scroll_x and
// the image width swapped for the view height, scroll_y and the image height.
AxisResult compute_axis(int view_size, int scroll, int image_size, float scale, int factor) {
    AxisResult r;
    const double s = scale;
    const double inv = 1.0 / s;
    const double start = static_cast<double>(scroll) - inv * (view_size * 0.5);
    int first = trunc_to_int(start);
    if (first < 0) {
        r.offset = trunc_to_int(std::fabs(start) * s);
        first = 0;
        r.view_offset = 0;
    } else {
        r.offset = 0;
        r.view_offset = trunc_to_int(view_size / 2 - (static_cast<double>(scroll) - first) * s);
    }
    r.first = first;

    const long long remaining = static_cast<long long>(image_size) - first;  // image pixels from `first` on
    long long count;
    if (scale >= 1.0f) {
        count = (static_cast<long long>(view_size) - r.offset) / factor;
        if (count > remaining) count = remaining;
    } else {
        count = static_cast<long long>(view_size) - r.offset;
        if (static_cast<long long>(image_size) < count * factor + first) count = remaining / factor;
    }
    r.count = static_cast<int>(std::max(0LL, count));
    return r;
}

}  // namespace

int clamp_zoom_step(int step) {
    return std::clamp(step, kMinZoomStep, kMaxZoomStep);
}

float zoom_scale_for_step(int step) {
    step = clamp_zoom_step(step);
    return std::ldexp(1.0f, kUnitZoomStep - step);
}

int zoom_factor_for_step(int step) {
    const float s = zoom_scale_for_step(step);
    return s >= 1.0f ? static_cast<int>(s) : static_cast<int>(1.0f / s);
}

ViewGeometry compute_view_geometry(int view_width, int view_height, int scroll_x, int scroll_y, int step,
                                   int image_width, int image_height) {
    ViewGeometry g;
    g.view_width = std::max(0, view_width);
    g.view_height = std::max(0, view_height);
    g.scroll_x = scroll_x;
    g.scroll_y = scroll_y;
    g.step = clamp_zoom_step(step);
    g.image_width = std::max(0, image_width);
    g.image_height = std::max(0, image_height);
    g.scale = zoom_scale_for_step(g.step);
    g.factor = zoom_factor_for_step(g.step);

    const AxisResult x = compute_axis(g.view_width, scroll_x, g.image_width, g.scale, g.factor);
    const AxisResult y = compute_axis(g.view_height, scroll_y, g.image_height, g.scale, g.factor);
    g.first_column = x.first;
    g.offset_x = x.offset;
    g.view_offset_x = x.view_offset;
    g.columns = x.count;
    g.first_line = y.first;
    g.offset_y = y.offset;
    g.view_offset_y = y.view_offset;
    g.lines = y.count;
    return g;
}

int image_column_at(const ViewGeometry& g, int x) {
    const double v = g.scroll_x + (static_cast<double>(x) + g.view_offset_x - g.view_width / 2) / g.scale;
    return std::max(0, trunc_to_int(v));
}

int image_line_at(const ViewGeometry& g, int y) {
    const double v = g.scroll_y + (static_cast<double>(y) + g.view_offset_y - g.view_height / 2) / g.scale;
    return std::max(0, trunc_to_int(v));
}

bool screen_block_of(const ViewGeometry& g, int column, int line, ScreenBlock* block) {
    const long long i = static_cast<long long>(column) - g.first_column;
    const long long j = static_cast<long long>(line) - g.first_line;
    if (g.magnifying()) {
        if (i < 0 || j < 0 || i >= g.columns || j >= g.lines) return false;
        block->x = static_cast<int>(g.offset_x + i * g.factor);
        block->y = static_cast<int>(g.offset_y + j * g.factor);
        block->size = g.factor;
        return true;
    }
    if (i < 0 || j < 0 || i % g.factor != 0 || j % g.factor != 0) return false;
    if (i / g.factor >= g.columns || j / g.factor >= g.lines) return false;
    block->x = static_cast<int>(g.offset_x + i / g.factor);
    block->y = static_cast<int>(g.offset_y + j / g.factor);
    block->size = 1;
    return true;
}

bool drawn_image_pixel_at(const ViewGeometry& g, int x, int y, int* column, int* line) {
    const int dx = x - g.offset_x;
    const int dy = y - g.offset_y;
    if (dx < 0 || dy < 0) return false;
    int i, j;
    if (g.magnifying()) {
        i = dx / g.factor;
        j = dy / g.factor;
    } else {
        i = dx;
        j = dy;
    }
    if (i >= g.columns || j >= g.lines) return false;
    if (g.magnifying()) {
        *column = g.first_column + i;
        *line = g.first_line + j;
    } else {
        *column = g.first_column + i * g.factor;
        *line = g.first_line + j * g.factor;
    }
    return true;
}

ViewGeometry geometry_band(const ViewGeometry& whole, int first, int count) {
    ViewGeometry band = whole;
    const bool magnify = whole.magnifying();
    band.first_line = whole.first_line + first * (magnify ? 1 : whole.factor);
    band.lines = std::max(0, std::min(count, whole.lines - first));
    band.offset_y = 0;
    band.view_height = band.lines * (magnify ? whole.factor : 1);
    return band;
}

int fit_zoom_step(int view_width, int view_height, int image_width, int image_height) {
    for (int step = kMinZoomStep; step < kMaxZoomStep; ++step) {
        const double s = zoom_scale_for_step(step);
        if (image_width * s <= view_width && image_height * s <= view_height) return step;
    }
    return kMaxZoomStep;
}

namespace {

// The image position (unclamped, rounded down) under view position `at` along one axis.
int image_position_at(const ViewGeometry& g, bool horizontal, int at) {
    const double v =
        horizontal ? g.scroll_x + (static_cast<double>(at) + g.view_offset_x - g.view_width / 2) / g.scale
                   : g.scroll_y + (static_cast<double>(at) + g.view_offset_y - g.view_height / 2) / g.scale;
    return static_cast<int>(std::clamp(std::floor(v), -2147483648.0, 2147483647.0));
}

// The scroll position along one axis that puts image position `target` under view position `at` with the
// new geometry, searched near the arithmetic answer (the geometry truncates), clamped to 0..size - 1.
int anchored_axis(const ViewGeometry& g, bool horizontal, int target, int at) {
    const int size = horizontal ? g.image_width : g.image_height;
    const int half = (horizontal ? g.view_width : g.view_height) / 2;
    const int guess = target - trunc_to_int((at - half) / static_cast<double>(g.scale));
    int best = 0;
    long long bestDistance = -1;
    for (int c = guess - 3; c <= guess + 3; ++c) {
        const int clamped = std::clamp(c, 0, std::max(size - 1, 0));
        const ViewGeometry t =
            compute_view_geometry(g.view_width, g.view_height, horizontal ? clamped : g.scroll_x,
                                  horizontal ? g.scroll_y : clamped, g.step, g.image_width, g.image_height);
        const long long distance =
            std::llabs(static_cast<long long>(image_position_at(t, horizontal, at)) - target) * 8 +
            std::llabs(static_cast<long long>(c) - guess);
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = clamped;
        }
    }
    return best;
}

}  // namespace

void anchored_zoom_scroll(const ViewGeometry& old, int new_step, int x, int y, int* scroll_x, int* scroll_y) {
    const int column = image_position_at(old, true, x);
    const int line = image_position_at(old, false, y);
    ViewGeometry g = compute_view_geometry(old.view_width, old.view_height, old.scroll_x, old.scroll_y,
                                           new_step, old.image_width, old.image_height);
    *scroll_x = anchored_axis(g, true, column, x);
    g = compute_view_geometry(old.view_width, old.view_height, *scroll_x, old.scroll_y, new_step,
                              old.image_width, old.image_height);
    *scroll_y = anchored_axis(g, false, line, y);
}

}  // namespace orvenna
