#include "display/StepSlider.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace orvenna {

namespace {

// Writes one pixel, ignoring positions outside the picture.
void put(const BgrPixels& px, int x, int y, SliderColour c) {
    if (x < 0 || y < 0 || x >= px.width || y >= px.height) return;
    uint8_t* p = px.bits + static_cast<std::ptrdiff_t>(y) * px.stride + x * 3;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

// Horizontal run x0 <= x < x1 on line y.
void run(const BgrPixels& px, int x0, int x1, int y, SliderColour c) {
    if (y < 0 || y >= px.height) return;
    for (int x = std::max(x0, 0); x < std::min(x1, px.width); ++x)
        put(px, x, y, c);
}

// Vertical run y0 <= y < y1 at column x.
void column(const BgrPixels& px, int x, int y0, int y1, SliderColour c) {
    for (int y = std::max(y0, 0); y < std::min(y1, px.height); ++y)
        put(px, x, y, c);
}

// Line between two points, both ends included (Bresenham).
void line(const BgrPixels& px, int x0, int y0, int x1, int y1, SliderColour c) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        put(px, x0, y0, c);
        if (x0 == x1 && y0 == y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) err += dy, x0 += sx;
        if (e2 <= dx) err += dx, y0 += sy;
    }
}

// Rectangle with outline: left/top inclusive, right/bottom exclusive.
void rectangle(const BgrPixels& px, int x0, int y0, int x1, int y1, SliderColour outline, SliderColour fill) {
    if (x1 <= x0 || y1 <= y0) return;
    for (int y = y0; y < y1; ++y)
        run(px, x0, x1, y, fill);
    run(px, x0, x1, y0, outline);
    run(px, x0, x1, y1 - 1, outline);
    column(px, x0, y0, y1, outline);
    column(px, x1 - 1, y0, y1, outline);
}

// Triangle with its wide side on line `top` from `left` to `right` and its point at (tip_x, bottom).
void triangle(const BgrPixels& px, int left, int right, int top, int tip_x, int bottom, SliderColour outline,
              SliderColour fill) {
    if (bottom > top) {
        const double span = bottom - top;
        for (int y = top; y <= bottom; ++y) {
            const double t = (y - top) / span;
            const int a = static_cast<int>(std::lround(left + (tip_x - left) * t));
            const int b = static_cast<int>(std::lround(right + (tip_x - right) * t));
            run(px, std::min(a, b), std::max(a, b) + 1, y, fill);
        }
    }
    line(px, left, top, right, top, outline);
    line(px, left, top, tip_x, bottom, outline);
    line(px, right, top, tip_x, bottom, outline);
}

}  // namespace

int slider_tick_spacing(int height) {
    return (height - 30) / 10;
}

int slider_tick_y(int height, int i) {
    return 15 + i * slider_tick_spacing(height);
}

int slider_clamp_pointer(int height, int y) {
    if (y < 0) return 0;
    if (y > height - 1) return std::max(height - 1, 0);
    return y;
}

int slider_step_at(int height, int y, int current) {
    if (height - 30 <= 0) return current;
    y = slider_clamp_pointer(height, y);
    const int d = slider_tick_spacing(height);
    const double v = static_cast<double>(y - 15 + d / 2) / (height - 30) * 10;
    return std::clamp(static_cast<int>(std::trunc(v)), 0, 10);
}

void draw_step_slider(const BgrPixels& px, int knob_y) {
    if (!px.bits || px.width <= 0 || px.height <= 0 || px.stride < px.width * 3) return;
    const int w = px.width;
    const int h = px.height;
    rectangle(px, 0, 0, w, h, kSliderOutline, kSliderBackground);
    triangle(px, 12, w - 12, 5, w / 2, h - 5, kSliderOutline, kSliderTriangle);
    for (int i = 0; i <= 10; ++i) {
        const int y = slider_tick_y(h, i);
        if (i == 5)
            run(px, 0, w, y, kSliderOutline);
        else
            run(px, 10, w - 10, y, kSliderOutline);
    }

    // The knob: a blue-outlined block with a light bevel inside its top and left edges, and four grooves,
    // each a dark line under a light one with a light stub at its left end.
    const int y = knob_y;
    rectangle(px, 5, y - 10, w - 5, y + 10, kSliderOutline, kSliderKnob);
    run(px, 6, w - 6, y - 9, kSliderKnobLight);
    column(px, 6, y - 9, y + 9, kSliderKnobLight);
    for (int g : {y - 6, y - 2, y + 2, y + 6}) {
        run(px, 8, w - 8, g, kSliderGrooveDark);
        run(px, 8, w - 8, g - 1, kSliderGrooveLight);
        column(px, 8, g - 1, g + 1, kSliderGrooveLight);
    }
}

}  // namespace orvenna
