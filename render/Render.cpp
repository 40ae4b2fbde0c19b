#include "render/Render.h"

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "render/PictureWriters.h"

namespace orvenna {

namespace {

// Bands of about this many bytes of picture: large enough to keep the cores busy, small enough that a few
// of them stay well inside the memory budget.
constexpr size_t kBandBytes = size_t(8) << 20;

struct Band {
    int first = 0;  // first drawn line of the region (image lines magnifying, picture lines reducing)
    int count = 0;
    std::vector<uint8_t> pixels;
};

}  // namespace

bool RenderGeometry(int x, int y, int w, int h, int step, int imageWidth, int imageHeight,
                    ViewGeometry* geometry) {
    const int x1 = std::min<long long>(static_cast<long long>(x) + w, imageWidth);
    const int y1 = std::min<long long>(static_cast<long long>(y) + h, imageHeight);
    if (x < 0 || y < 0 || x >= imageWidth || y >= imageHeight || x1 <= x || y1 <= y) return false;
    ViewGeometry g;
    g.step = clamp_zoom_step(step);
    g.scale = zoom_scale_for_step(g.step);
    g.factor = zoom_factor_for_step(g.step);
    g.image_width = imageWidth;
    g.image_height = imageHeight;
    g.first_column = x;
    g.first_line = y;
    g.offset_x = 0;
    g.offset_y = 0;
    if (g.magnifying()) {
        g.columns = x1 - x;
        g.lines = y1 - y;
        g.view_width = g.columns * g.factor;
        g.view_height = g.lines * g.factor;
    } else {
        // Every F-th image pixel, as the view samples a reduced scene.
        g.columns = (x1 - x) / g.factor;
        g.lines = (y1 - y) / g.factor;
        g.view_width = g.columns;
        g.view_height = g.lines;
    }
    if (g.columns <= 0 || g.lines <= 0) return false;
    if (static_cast<long long>(g.view_width) * g.view_height > (1ll << 40)) return false;
    *geometry = g;
    return true;
}

bool RenderPicture(const RenderRequest& request, PictureWriter& writer, std::string* error) {
    const ViewGeometry& whole = request.geometry;
    const int width = whole.view_width;
    const int linesPerDrawn = whole.magnifying() ? whole.factor : 1;  // picture lines per drawn line
    const size_t bytesPerDrawn = static_cast<size_t>(width) * 3 * linesPerDrawn;
    const int bandLines =
        static_cast<int>(std::max<size_t>(1, kBandBytes / std::max<size_t>(bytesPerDrawn, 1)));
    if (!writer.begin(width, whole.view_height, error)) return false;

    auto draw = [&](CompositeRenderer& renderer, Band& band, bool continuing) {
        const ViewGeometry part = geometry_band(whole, band.first, band.count);
        band.pixels.assign(static_cast<size_t>(part.view_height) * width * 3, 0xFF);
        const CompositeTarget target{band.pixels.data(), width, part.view_height,
                                     static_cast<std::ptrdiff_t>(width) * 3};
        if (continuing)
            renderer.draw_next_band(request.rows, request.rowCount, request.expressions, part, target);
        else
            renderer.draw(request.rows, request.rowCount, request.expressions, part, target);
    };
    auto write = [&](const Band& band) {
        const int lines = band.count * linesPerDrawn;
        if (!writer.write_lines(band.pixels.data(), static_cast<std::ptrdiff_t>(width) * 3, lines, error))
            return false;
        if (request.progress) request.progress(static_cast<double>(band.first + band.count) / whole.lines);
        return true;
    };

    const bool inOrder =
        request.threads <= 1 || ExpressionsCarryLetters(request.expressions, request.rowCount);
    if (inOrder) {
        // One renderer carries the letters from band to band, as one redraw carries them from line to line.
        CompositeRenderer renderer;
        Band band;
        for (int first = 0; first < whole.lines; first += bandLines) {
            band.first = first;
            band.count = std::min(bandLines, whole.lines - first);
            draw(renderer, band, first > 0);
            if (!write(band)) return false;
        }
        return writer.finish(error);
    }

    // Bands side by side, one per thread, written in order once the round is drawn.
    const int threads = request.threads;
    std::vector<std::unique_ptr<CompositeRenderer>> renderers;
    for (int t = 0; t < threads; ++t)
        renderers.push_back(std::make_unique<CompositeRenderer>());
    std::vector<Band> round(static_cast<size_t>(threads));
    for (int first = 0; first < whole.lines;) {
        int used = 0;
        for (; used < threads && first < whole.lines; ++used) {
            round[used].first = first;
            round[used].count = std::min(bandLines, whole.lines - first);
            first += round[used].count;
        }
        std::vector<std::thread> workers;
        for (int t = 1; t < used; ++t)
            workers.emplace_back([&, t] { draw(*renderers[t], round[t], false); });
        draw(*renderers[0], round[0], false);
        for (auto& worker : workers)
            worker.join();
        for (int t = 0; t < used; ++t)
            if (!write(round[t])) return false;
    }
    return writer.finish(error);
}

}  // namespace orvenna
