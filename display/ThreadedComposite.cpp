#include "display/ThreadedComposite.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace orvenna {

namespace {

// Drawn lines per band: enough bands to share out evenly, small enough that a stop is soon seen.
int bandLines(int lines, int threads) {
    return std::clamp(lines / (threads * 8), 8, 64);
}

}  // namespace

ThreadedCompositeRenderer::ThreadedCompositeRenderer(int threads) {
    if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (int t = 0; t < threads; ++t)
        renderers_.push_back(std::make_unique<CompositeRenderer>());
}

ThreadedCompositeRenderer::~ThreadedCompositeRenderer() = default;

void ThreadedCompositeRenderer::draw(const CompositeBandRow* rows, int row_count,
                                     const CompositeExpressions& exprs, const ViewGeometry& geometry,
                                     const CompositeTarget& target, RedrawControl* control) {
    // Letters that carry from pixel to pixel need every pixel drawn after the one before it.
    const int threads =
        ExpressionsCarryLetters(exprs, row_count) || geometry.lines < 16 ? 1 : this->threads();
    if (threads <= 1 || !target.pixels || geometry.columns <= 0) {
        renderers_[0]->draw(rows, row_count, exprs, geometry, target, control);
        return;
    }
    const int perDrawn = geometry.magnifying() ? geometry.factor : 1;  // view lines per drawn line
    const int per = bandLines(geometry.lines, threads);
    const int bands = (geometry.lines + per - 1) / per;
    const int top = std::max(0, geometry.offset_y);
    auto whiteLines = [&](int from, int to) {
        for (int y = std::max(from, 0); y < std::min(to, target.height); ++y)
            std::memset(target.pixels + static_cast<std::ptrdiff_t>(y) * target.stride, 0xFF,
                        static_cast<size_t>(target.width) * 3);
    };
    // Above and below the drawn region the view is white; the bands draw the rest.
    whiteLines(0, top);
    whiteLines(top + geometry.lines * perDrawn, target.height);

    std::atomic<int> next{0};
    std::mutex progress;
    std::vector<char> drawn(static_cast<size_t>(bands), 0);
    int finishedFromTop = 0;  // bands from the first that are all drawn
    auto stopped = [&] { return control && control->stop.load(std::memory_order_relaxed); };
    auto report = [&] {
        if (!control) return;
        control->lines_done.store(
            std::min(target.height, top + std::min(finishedFromTop * per, geometry.lines) * perDrawn),
            std::memory_order_release);
    };
    report();
    auto work = [&](CompositeRenderer& renderer) {
        // The caller's line buffers are one set: each thread reads into buffers of its own.
        std::vector<CompositeBandRow> own(rows, rows + std::max(0, row_count));
        for (CompositeBandRow& row : own) {
            row.line_buf = nullptr;
            row.line_buf_size = 0;
        }
        // No letter carries over, so a thread's later bands keep the value caches of its earlier ones: each
        // value met is evaluated once per thread, not once per band.
        bool continuing = false;
        for (int band; !stopped() && (band = next.fetch_add(1)) < bands;) {
            const int first = band * per;
            const ViewGeometry part = geometry_band(geometry, first, per);
            const int y = top + first * perDrawn;
            const int height = std::min(part.view_height, target.height - y);
            if (height > 0) {
                CompositeTarget slice = target;
                slice.pixels = target.pixels + static_cast<std::ptrdiff_t>(y) * target.stride;
                slice.height = height;
                if (continuing)
                    renderer.draw_next_band(own.data(), row_count, exprs, part, slice);
                else
                    renderer.draw(own.data(), row_count, exprs, part, slice);
                continuing = true;
            }
            std::lock_guard<std::mutex> lock(progress);
            drawn[static_cast<size_t>(band)] = 1;
            while (finishedFromTop < bands && drawn[static_cast<size_t>(finishedFromTop)])
                ++finishedFromTop;
            report();
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work, std::ref(*renderers_[static_cast<size_t>(t)]));
        } catch (const std::system_error&) {
            break;  // no thread to be had: the threads there are draw every band
        }
    }
    work(*renderers_[0]);
    for (std::thread& h : helpers)
        h.join();
    if (control && finishedFromTop == bands && !stopped()) {
        control->lines_done.store(target.height, std::memory_order_release);
        control->complete.store(true, std::memory_order_release);
    }
}

}  // namespace orvenna
