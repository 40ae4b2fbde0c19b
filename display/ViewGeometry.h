// View geometry of the composite view: which image pixels are visible at a magnification step and scroll
// position, where they go on screen, and how view pixels map back to image pixels.
//
// Pure math, no Qt. The redraw, the pointer readout, the pan overlay and viewer synchronisation all convert
// positions through these functions so that they agree to the pixel.
#pragma once

namespace orvenna {

// Magnification steps: 0 (x32) .. 5 (1:1) .. 10 (1/32).
inline constexpr int kMinZoomStep = 0;
inline constexpr int kUnitZoomStep = 5;
inline constexpr int kMaxZoomStep = 10;

// Clamps a step into kMinZoomStep..kMaxZoomStep.
int clamp_zoom_step(int step);

// Screen pixels per image pixel: 2 to the power (5 - step), held in single precision (every value is exact).
float zoom_scale_for_step(int step);

// Integer factor F: screen pixels replicated per image pixel when magnifying (step < 5), image pixels skipped
// per screen pixel when reducing (step > 5), 1 at 1:1.
int zoom_factor_for_step(int step);

struct ViewGeometry {
    // Inputs.
    int view_width = 0;   // W
    int view_height = 0;  // H
    int scroll_x = 0;     // image column shown at the view centre (the horizontal scroll bar)
    int scroll_y = 0;     // image line shown at the view centre (the vertical scroll bar)
    int step = kUnitZoomStep;
    int image_width = 0;   // columns of the scene
    int image_height = 0;  // lines of the scene

    // Derived.
    float scale = 1.0f;     // screen pixels per image pixel
    int factor = 1;         // F
    int first_column = 0;   // ViewLeft: first image column drawn (0 when the view starts left of the image)
    int first_line = 0;     // ViewTop
    int offset_x = 0;       // OffX: screen column of the first drawn image pixel
    int offset_y = 0;       // OffY
    int view_offset_x = 0;  // W div 2 minus the screen column of the centre image pixel
    int view_offset_y = 0;  // H div 2 minus the screen line of the centre image pixel
    int columns = 0;        // C: image columns drawn (magnifying) or screen columns drawn (reducing)
    int lines = 0;          // L: image lines drawn (magnifying) or screen lines drawn (reducing)

    bool magnifying() const { return scale >= 1.0f; }  // 1:1 counts as magnifying by 1

    // Screen column where the centre image pixel is drawn (the pan overlay's crosshair).
    int centre_screen_x() const { return view_width / 2 - view_offset_x; }
    int centre_screen_y() const { return view_height / 2 - view_offset_y; }
};

// Computes the visible region. Steps outside 0..10 are clamped; negative view sizes count as 0. Column and
// line counts never come out negative.
ViewGeometry compute_view_geometry(int view_width, int view_height, int scroll_x, int scroll_y, int step,
                                   int image_width, int image_height);

// Image column/line under view pixel (x, y), as the pointer readout converts it: trunc(scroll_x + (x +
// view_offset_x - W div 2) / s), negative results become 0; no upper clamp.
int image_column_at(const ViewGeometry& g, int x);
int image_line_at(const ViewGeometry& g, int y);

// Screen rectangle covered by the drawn image pixel (column, line): its top-left and its size (F by F when
// magnifying, 1 by 1 when reducing). Returns false when that image pixel is not drawn in this view (outside
// the visible region, or skipped by the reduction).
struct ScreenBlock {
    int x = 0;
    int y = 0;
    int size = 0;
};
bool screen_block_of(const ViewGeometry& g, int column, int line, ScreenBlock* block);

// Image pixel shown at view pixel (x, y) by the redraw. Returns false where the view shows white (outside the
// drawn region).
bool drawn_image_pixel_at(const ViewGeometry& g, int x, int y, int* column, int* line);

// Lines `first` .. `first + count - 1` of a view's drawn region (image lines when magnifying, view lines
// when reducing) as a view of their own, `count` lines (times F when magnifying) high, drawn from its top:
// drawing the bands of a region one under the other gives the region.
ViewGeometry geometry_band(const ViewGeometry& whole, int first, int count);

// The largest magnification at which the whole scene (image_width x image_height) fits a view of
// view_width x view_height: the smallest step whose scale s has image size * s within the view; the largest
// reduction when even that is too large.
int fit_zoom_step(int view_width, int view_height, int image_width, int image_height);

// Scroll positions after a change of magnification to `new_step` that keep the image pixel under view pixel
// (x, y) under it, as far as the scroll range (0 .. image size - 1) allows. `old` is the geometry before.
void anchored_zoom_scroll(const ViewGeometry& old, int new_step, int x, int y, int* scroll_x, int* scroll_y);

}  // namespace orvenna
