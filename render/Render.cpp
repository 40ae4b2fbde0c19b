#include "render/Render.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "render/PictureWriters.h"
#include "text/translated_text.h"

namespace orvenna {

namespace {

// Bands of about this many bytes of picture: large enough to keep the cores busy, small enough that the
// bands in flight stay well inside the memory budget.
constexpr size_t kBandBytes = size_t(4) << 20;

struct Band {
    int first = 0;  // first drawn line of the region (image lines magnifying, picture lines reducing)
    int count = 0;
    std::vector<uint8_t> pixels;
};

// Bands drawn by worker threads and written in order by the calling thread. A worker takes the next band
// number, but never more than `ahead` bands beyond the one to be written next, so memory stays bounded.
class BandQueue {
public:
    BandQueue(int bands, int ahead) : bands_(bands), ahead_(ahead) {}

    // The next band number to draw, or -1 when all are taken or the writing failed.
    int take() {
        std::unique_lock<std::mutex> lock(mutex_);
        room_.wait(lock, [&] { return failed_ || next_ >= bands_ || next_ < written_ + ahead_; });
        if (failed_ || next_ >= bands_) return -1;
        return next_++;
    }
    void put(int number, Band band) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_[number] = std::move(band);
        }
        ready_.notify_all();
    }
    // Waits for band `number`; false when a worker will never bring it (writing failed).
    bool wait_for(int number, Band* band) {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [&] { return done_.count(number) != 0; });
        *band = std::move(done_[number]);
        done_.erase(number);
        return true;
    }
    void written(int number) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            written_ = number + 1;
        }
        room_.notify_all();
    }
    void fail() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            failed_ = true;
        }
        room_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable room_, ready_;
    std::map<int, Band> done_;
    int bands_, ahead_;
    int next_ = 0, written_ = 0;
    bool failed_ = false;
};

}  // namespace

bool RenderGeometry(int x, int y, int w, int h, int step, int imageWidth, int imageHeight,
                    ViewGeometry* geometry, std::string* problem) {
    const auto refuse = [problem](const std::string& why) {
        if (problem) *problem = why;
        return false;
    };
    const std::string nothing = tr_text("Render", "--window と --step では描くピクセルがありません");
    const int x1 = static_cast<int>(std::min<long long>(static_cast<long long>(x) + w, imageWidth));
    const int y1 = static_cast<int>(std::min<long long>(static_cast<long long>(y) + h, imageHeight));
    if (x < 0 || y < 0 || x >= imageWidth || y >= imageHeight || x1 <= x || y1 <= y) return refuse(nothing);
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
    // Every F-th image pixel when reducing, as the view samples a reduced scene; F picture pixels for each
    // when magnifying.
    const long long columns = g.magnifying() ? x1 - x : (x1 - x) / g.factor;
    const long long lines = g.magnifying() ? y1 - y : (y1 - y) / g.factor;
    const long long pictureWidth = g.magnifying() ? columns * g.factor : columns;
    const long long pictureHeight = g.magnifying() ? lines * g.factor : lines;
    if (columns <= 0 || lines <= 0) return refuse(nothing);
    if (pictureWidth > kMaxPictureSide || pictureHeight > kMaxPictureSide)
        return refuse(fill_text(
            tr_text("Render",
                    "描く画像が大きすぎます (%1 x %2 ピクセル、1 辺 %3 まで。"
                    "--window か --step で小さくしてください)"),
            {std::to_string(pictureWidth), std::to_string(pictureHeight), std::to_string(kMaxPictureSide)}));
    g.columns = static_cast<int>(columns);
    g.lines = static_cast<int>(lines);
    g.view_width = static_cast<int>(pictureWidth);
    g.view_height = static_cast<int>(pictureHeight);
    *geometry = g;
    return true;
}

bool RenderPicture(const RenderRequest& request, PictureWriter& writer, std::string* error) {
    const ViewGeometry& whole = request.geometry;
    const int width = whole.view_width;
    const int linesPerDrawn = whole.magnifying() ? whole.factor : 1;  // picture lines per drawn line
    const size_t bytesPerDrawn = static_cast<size_t>(width) * 3 * linesPerDrawn;
    const size_t bandBytes = request.bandBytes ? request.bandBytes : kBandBytes;
    const int bandLines =
        static_cast<int>(std::max<size_t>(1, bandBytes / std::max<size_t>(bytesPerDrawn, 1)));
    const int bandCount = (whole.lines + bandLines - 1) / bandLines;
    if (!writer.begin(width, whole.view_height, error)) return false;

    auto draw = [&](CompositeRenderer& renderer, int number, bool continuing) {
        Band band;
        band.first = number * bandLines;
        band.count = std::min(bandLines, whole.lines - band.first);
        const ViewGeometry part = geometry_band(whole, band.first, band.count);
        band.pixels.assign(static_cast<size_t>(part.view_height) * width * 3, 0xFF);
        const CompositeTarget target{band.pixels.data(), width, part.view_height,
                                     static_cast<std::ptrdiff_t>(width) * 3};
        if (continuing)
            renderer.draw_next_band(request.rows, request.rowCount, request.expressions, part, target);
        else
            renderer.draw(request.rows, request.rowCount, request.expressions, part, target);
        return band;
    };

    // Expressions that carry letters draw every band with one renderer, in order, on one worker; the others
    // draw bands side by side on every worker. The calling thread writes meanwhile.
    const bool inOrder = ExpressionsCarryLetters(request.expressions, request.rowCount);
    const int workers = inOrder ? 1 : std::max(1, request.threads);
    BandQueue queue(bandCount, workers + 1);
    std::vector<std::thread> threads;
    for (int t = 0; t < workers; ++t) {
        try {
            threads.emplace_back([&] {
                CompositeRenderer renderer;
                bool continuing = false;
                for (int number; (number = queue.take()) >= 0; continuing = inOrder)
                    queue.put(number, draw(renderer, number, continuing));
            });
        } catch (const std::system_error&) {
            break;  // the workers there are draw every band
        }
    }
    if (threads.empty()) {
        *error = tr_text("Render", "描画のスレッドを作れません");
        return false;
    }
    bool ok = true;
    for (int number = 0; number < bandCount && ok; ++number) {
        Band band;
        queue.wait_for(number, &band);
        if (request.stop && request.stop->load()) {
            *error = "中止しました";
            ok = false;
            break;
        }
        if (request.legend) {
            const CompositeTarget target{band.pixels.data(), width, band.count * linesPerDrawn,
                                         static_cast<std::ptrdiff_t>(width) * 3};
            PutLegendPicture(*request.legend, target, band.first * linesPerDrawn);
        }
        ok = writer.write_lines(band.pixels.data(), static_cast<std::ptrdiff_t>(width) * 3,
                                band.count * linesPerDrawn, error);
        queue.written(number);
        if (ok && request.progress)
            request.progress(static_cast<double>(band.first + band.count) / whole.lines);
    }
    if (!ok) queue.fail();
    for (auto& thread : threads)
        thread.join();
    return ok && writer.finish(error);
}

}  // namespace orvenna
