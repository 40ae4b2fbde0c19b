// The composite redraw core: band rows + three compiled channel expressions + view geometry -> a 24-bit view
// picture (bytes blue, green, red). Qt-free: the main window's drawComposite adds its guards, the busy text
// and the stored offsets, and hands this core its band rows, its trees and the bitmap's lines.
//
// Two evaluators produce identical pictures:
//  - DrawCompositeReference walks the trees with ecalc_evaluate for every evaluation, in the documented
//  order;
//  - CompositeRenderer evaluates compiled programs and reuses whole-pixel results wherever that provably
//  gives
//    the same bytes (see CompositeCache.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "display/ViewGeometry.h"

struct BandInfo;  // scene/remos.h
struct CalcExpr;  // calc/ecalc.h

namespace orvenna {

// One row of the band list as the redraw sees it.
struct CompositeBandRow {
    // The band's record. For a scene band it is read through remos_read_row; for a picture band it gives the
    // picture's lines, width and channel (`index`: 0 red, 1 green, 2 blue). Both are stretched through its
    // display range. Null: the row reads as all zero.
    BandInfo* band = nullptr;

    // Picture bands only: the decoded 24-bit picture (3 bytes per pixel: blue, green, red), not owned.
    const uint8_t* picture = nullptr;
    std::ptrdiff_t picture_stride = 0;  // bytes from one picture line to the next
    int picture_width = 0;
    int picture_height = 0;

    // The row's line buffer (one band line, `width` bytes), owned by the caller and filled by the redraw.
    unsigned char* line_buf = nullptr;
    int line_buf_size = 0;

    bool is_picture() const { return picture != nullptr; }
};

// The view picture written by the redraw: `height` lines of `width` pixels, 3 bytes each (blue, green, red).
struct CompositeTarget {
    uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;  // bytes from one line to the next (at least width * 3)
    // The colour of pixels without data (a no-data value or not a number in a band an expression reads):
    // the view's own white unless set.
    uint8_t missing_blue = 255, missing_green = 255, missing_red = 255;
};

// The compiled red, green and blue expressions; a null tree evaluates to 0.
struct CompositeExpressions {
    const CalcExpr* red = nullptr;
    const CalcExpr* green = nullptr;
    const CalcExpr* blue = nullptr;
};

// 0 below 0 or not a number, 255 above 255, else the value truncated toward zero.
inline int ClampToByte(double value) {
    if (!(value >= 0.0)) return 0;  // below 0 or not a number
    if (value > 255.0) return 255;
    return static_cast<int>(value);
}

// Picture-band counterpart of remos_read_row: n channel bytes of picture line `line` from column x0 into
// dest. The line is clipped to lines - 1 and x0 to width - 1, n to width - x0 (the band record's lines and
// width, and never beyond the picture itself). Channel index 0 takes the red byte, 1 green, 2 blue. Returns
// the count written.
int ReadPictureRow(const CompositeBandRow& row, unsigned char* dest, int line, int x0, int n);

// Reference redraw: fills the target white, then draws the visible region by walking the trees with
// ecalc_evaluate and fresh letter cells (all 0), exactly in the documented order.
void DrawCompositeReference(const CompositeBandRow* rows, int row_count, const CompositeExpressions& exprs,
                            const ViewGeometry& geometry, const CompositeTarget& target);

// Counters of the last redraw of a CompositeRenderer, for tests and benchmarks.
struct CompositeStats {
    long long evaluations = 0;       // pixel evaluations done in full (three programs each)
    long long reused = 0;            // pixel results taken from the cache
    bool cached = false;             // a cache was in use for (part of) the redraw
    bool fell_back = false;          // the cache was abandoned mid-redraw (too many states)
    bool per_channel = false;        // the channels were cached independently
    bool pixel_independent = false;  // no scratch letter carries over between pixels
};

// Shared by a redraw that runs on a worker thread and the window waiting for it.
struct RedrawControl {
    std::atomic<bool> stop{false};      // raised by the window: the redraw ends within the line in progress
    std::atomic<int> lines_done{0};     // view lines from the top that hold their final pixels
    std::atomic<bool> complete{false};  // set when every line was drawn (not stopped)
};

// Whether a scratch letter can carry a value from one pixel to the next (a pixel's colour may then depend
// on the pixels drawn before it). When not, any part of a picture can be drawn on its own, in any order.
bool ExpressionsCarryLetters(const CompositeExpressions& exprs, int row_count);

// Whether an expression assigns a value to any letter (a channel that assigns none gives the same value as
// another channel of the same text).
bool ExpressionAssignsLetters(const CalcExpr* tree);

class CompositeCache;

// Fast redraw with the same result as DrawCompositeReference. Keep one instance per view and reuse it across
// redraws (it keeps its buffers); not thread-safe.
class CompositeRenderer {
public:
    CompositeRenderer();
    ~CompositeRenderer();
    CompositeRenderer(const CompositeRenderer&) = delete;
    CompositeRenderer& operator=(const CompositeRenderer&) = delete;

    // With a control, the redraw can be stopped from another thread (lines not reached stay white, a line
    // in progress may be partly drawn) and reports the lines it has finished.
    void draw(const CompositeBandRow* rows, int row_count, const CompositeExpressions& exprs,
              const ViewGeometry& geometry, const CompositeTarget& target, RedrawControl* control = nullptr);

    // Draws the next lines of a picture drawn in bands: as draw(), but the letters, the scratch values and
    // the caches carry on from the previous draw of this renderer instead of starting afresh. With the same
    // rows and expressions and bands of consecutive image lines, the bands put together are byte for byte
    // the picture drawn at once.
    void draw_next_band(const CompositeBandRow* rows, int row_count, const CompositeExpressions& exprs,
                        const ViewGeometry& geometry, const CompositeTarget& target);

    // Disables the result cache (every pixel evaluated through the compiled programs), for comparisons.
    void set_cache_enabled(bool enabled) { cache_enabled_ = enabled; }

    const CompositeStats& last_stats() const { return stats_; }

private:
    std::unique_ptr<CompositeCache> cache_;
    CompositeStats stats_;
    bool cache_enabled_ = true;
};

}  // namespace orvenna
