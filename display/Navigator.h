// View navigation math: the scroll-event kinds, the navigator drawn during a scroll or pan, the pan
// arithmetic, the zoom preview rectangle, the snapshot copies the gestures draw with, and the encoding of
// geographic positions in the 32-bit parameter of viewer messages.
//
// Pure math and byte copies, no Qt: the gestures of the main window call these, and tests check them
// without a window.
#pragma once

#include <cstdint>
#include <string>

namespace orvenna {

// The kinds of scroll-bar event, as a scroll bar control reports them.
enum class ScrollCode : int { LineUp, LineDown, PageUp, PageDown, Position, Track, Top, Bottom, EndScroll };

// True for the events during which the scroll overlay is drawn (line, page and thumb tracking).
bool scroll_code_draws_overlay(ScrollCode code);

// Navigator: the whole scene drawn 100 pixels wide at the view's top-left, with the position marked.
struct NavigatorMarks {
    int width = 100;   // right edge of the navigator rectangle
    int height = 0;    // bottom edge: trunc(Hi / Wi * 100)
    int marker_x = 0;  // mx = trunc(x / Wi * 100)
    int marker_y = 0;  // my = trunc(Hi / Wi * 100 * (y / Hi))
};
// Sizes below 1 count as 1; results saturate at the int range.
NavigatorMarks navigator_marks(int x, int y, int image_width, int image_height);

// Text of the scroll overlay: x ", " y and ten blanks, which overwrite the tail of a longer earlier text.
std::string scroll_overlay_text(int x, int y);

// Scroll position while panning: trunc(start + (start_pointer - pointer) / scale). The scroll bar clamps.
int pan_scroll_position(int start_position, int start_pointer, int pointer, float scale);

// Rectangle (right and bottom exclusive) into which a slider preview stretches the snapshot of a view of
// w by h pixels taken at step `from_step`, shown at `to_step`: it grows or shrinks about the view centre.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};
PixelRect zoom_preview_rect(int w, int h, int from_step, int to_step);

// A 24-bit picture in memory: lines of `width` pixels, three bytes each (blue, green, red), `stride` bytes
// apart.
struct BgrPixels {
    uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};
struct ConstBgrPixels {
    const uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

// Fills `dst` white and copies `src` into it with its top-left at (dx, dy), clipped to `dst`.
void copy_shifted(const ConstBgrPixels& src, const BgrPixels& dst, int dx, int dy);

// Fills `dst` white and stretches the whole of `src` into `rect` (nearest sample), clipped to `dst`.
void stretch_into(const ConstBgrPixels& src, const BgrPixels& dst, const PixelRect& rect);

// Geographic positions travel in units of 1/10000 degree: the position's "%.4lf" text (for example
// "-35.2500") taken times 10000 and truncated toward zero. The text is read digit by digit, so that no
// binary rounding can take a unit off ("139.5005" gives exactly 1395005); digits past the fourth decimal
// are dropped, values beyond the 32-bit range saturate, and a text that is not a number gives 0.
int32_t degrees_text_to_wparam(const char* text);
// The receiver's side: wParam * 0.0001 in single precision.
float wparam_to_degrees(int32_t wparam);

}  // namespace orvenna
