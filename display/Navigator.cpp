#include "display/Navigator.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

namespace orvenna {

namespace {

int trunc_to_int(double v) {
    if (!(v == v)) return 0;
    const double t = std::trunc(v);
    if (t >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (t <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(t);
}

void fill_white(const BgrPixels& dst) {
    for (int y = 0; y < dst.height; ++y)
        std::memset(dst.bits + static_cast<std::ptrdiff_t>(y) * dst.stride, 0xFF,
                    static_cast<size_t>(dst.width) * 3);
}

bool usable(const BgrPixels& p) {
    return p.bits && p.width > 0 && p.height > 0 && p.stride >= p.width * 3;
}

bool usable(const ConstBgrPixels& p) {
    return p.bits && p.width > 0 && p.height > 0 && p.stride >= p.width * 3;
}

}  // namespace

bool scroll_code_draws_overlay(ScrollCode code) {
    switch (code) {
        case ScrollCode::LineUp:
        case ScrollCode::LineDown:
        case ScrollCode::PageUp:
        case ScrollCode::PageDown:
        case ScrollCode::Track:
            return true;
        default:
            return false;
    }
}

NavigatorMarks navigator_marks(int x, int y, int image_width, int image_height) {
    const double wi = std::max(image_width, 1);
    const double hi = std::max(image_height, 1);
    NavigatorMarks m;
    m.height = trunc_to_int(hi / wi * 100);
    m.marker_x = trunc_to_int(x / wi * 100);
    m.marker_y = trunc_to_int(hi / wi * 100 * (y / hi));
    return m;
}

std::string scroll_overlay_text(int x, int y) {
    return std::to_string(x) + ", " + std::to_string(y) + "          ";
}

int pan_scroll_position(int start_position, int start_pointer, int pointer, float scale) {
    const double s = scale > 0 ? scale : 1.0;
    return trunc_to_int(start_position + (static_cast<double>(start_pointer) - pointer) / s);
}

PixelRect zoom_preview_rect(int w, int h, int from_step, int to_step) {
    const double q = std::ldexp(1.0, to_step - from_step);
    const int cx = w / 2;
    const int cy = h / 2;
    PixelRect r;
    r.left = trunc_to_int(cx - cx / q);
    r.top = trunc_to_int(cy - cy / q);
    r.right = trunc_to_int(cx + cx / q);
    r.bottom = trunc_to_int(cy + cy / q);
    return r;
}

void copy_shifted(const ConstBgrPixels& src, const BgrPixels& dst, int dx, int dy) {
    if (!usable(dst)) return;
    fill_white(dst);
    if (!usable(src)) return;
    // Overlap of the shifted source with the destination, in destination coordinates (64-bit: shifts can be
    // anything the pointer produces).
    const long long x0 = std::max<long long>(0, dx);
    const long long y0 = std::max<long long>(0, dy);
    const long long x1 = std::min<long long>(dst.width, static_cast<long long>(dx) + src.width);
    const long long y1 = std::min<long long>(dst.height, static_cast<long long>(dy) + src.height);
    if (x0 >= x1 || y0 >= y1) return;
    const size_t bytes = static_cast<size_t>(x1 - x0) * 3;
    for (long long y = y0; y < y1; ++y) {
        const uint8_t* from = src.bits + (y - dy) * src.stride + (x0 - dx) * 3;
        std::memcpy(dst.bits + y * dst.stride + x0 * 3, from, bytes);
    }
}

void stretch_into(const ConstBgrPixels& src, const BgrPixels& dst, const PixelRect& rect) {
    if (!usable(dst)) return;
    fill_white(dst);
    if (!usable(src) || rect.width() <= 0 || rect.height() <= 0) return;
    const int x0 = std::max(0, rect.left);
    const int y0 = std::max(0, rect.top);
    const int x1 = std::min(dst.width, rect.right);
    const int y1 = std::min(dst.height, rect.bottom);
    if (x0 >= x1 || y0 >= y1) return;
    // Source column of every destination column, computed once.
    const long long rw = rect.width();
    const long long rh = rect.height();
    std::vector<int> columns(static_cast<size_t>(x1 - x0));
    for (int x = x0; x < x1; ++x)
        columns[static_cast<size_t>(x - x0)] = static_cast<int>((x - rect.left) * src.width / rw);
    for (int y = y0; y < y1; ++y) {
        const int sy = static_cast<int>((y - rect.top) * src.height / rh);
        const uint8_t* from = src.bits + static_cast<std::ptrdiff_t>(sy) * src.stride;
        uint8_t* to = dst.bits + static_cast<std::ptrdiff_t>(y) * dst.stride + x0 * 3;
        for (size_t i = 0; i < columns.size(); ++i, to += 3) {
            const uint8_t* p = from + columns[i] * 3;
            to[0] = p[0];
            to[1] = p[1];
            to[2] = p[2];
        }
    }
}

int32_t degrees_text_to_wparam(const char* text) {
    if (!text) return 0;
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    // Whole degrees, then up to four decimals, all as one count of 1/10000 degree.
    long long units = 0;
    bool digits = false;
    while (*p >= '0' && *p <= '9') {
        digits = true;
        units = std::min<long long>(units * 10 + (*p++ - '0'), 1LL << 40);
    }
    int decimals = 0;
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9') {
            digits = true;
            if (decimals < 4) {
                units = units * 10 + (*p - '0');
                ++decimals;
            }
            ++p;
        }
    }
    if (!digits) return 0;
    for (; decimals < 4; ++decimals)
        units *= 10;
    if (negative) units = -units;
    return static_cast<int32_t>(std::clamp<long long>(units, INT32_MIN, INT32_MAX));
}

float wparam_to_degrees(int32_t wparam) {
    return static_cast<float>(wparam * 0.0001);
}

}  // namespace orvenna
