#include "document/RedrawJob.h"

#include <chrono>

#include "document/SceneOpener.h"

namespace orvenna {

// What one redraw uses, shared with its thread.
struct RedrawJob::Run {
    RedrawScene scene;
    ViewGeometry geometry;
    std::vector<uint8_t> pixels;
    RedrawControl control;
    std::shared_ptr<ThreadedCompositeRenderer> renderer;
    std::string readErrorFile, readError;
    long long milliseconds = 0;
};

RedrawJob::RedrawJob(QObject* parent)
    : QObject(parent), renderer_(std::make_shared<ThreadedCompositeRenderer>()) {
    connect(&job_, &BackgroundJob::finished, this,
            [this] { emit finished(run_->control.complete.load(std::memory_order_acquire)); });
}

RedrawJob::~RedrawJob() {
    job_.abandon();
}

bool RedrawJob::start(RedrawScene scene, const ViewGeometry& geometry) {
    if (job_.running()) return false;
    auto run = std::make_shared<Run>();
    run->scene = std::move(scene);
    run->geometry = geometry;
    run->renderer = renderer_;
    const size_t bytes = static_cast<size_t>(std::max(geometry.view_width, 0)) * 3 *
                         static_cast<size_t>(std::max(geometry.view_height, 0));
    // The last redraw's picture is taken over when nothing else holds it.
    if (run_ && run_.use_count() == 1) run->pixels = std::move(run_->pixels);
    run->pixels.resize(bytes);
    run_ = run;
    return job_.start(
        [run] {
            const auto began = std::chrono::steady_clock::now();
            CompositeTarget target;
            target.pixels = run->pixels.data();
            target.width = run->geometry.view_width;
            target.height = run->geometry.view_height;
            target.stride = static_cast<std::ptrdiff_t>(target.width) * 3;
            run->renderer->draw(run->scene.rows.data(), static_cast<int>(run->scene.rows.size()),
                                run->scene.compositeExpressions(), run->geometry, target, &run->control);
            run->milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - began)
                                    .count();
            // Taken here, off the window's thread: a scene's lock may be held by a long read elsewhere.
            for (const auto& scene : run->scene.scenes) {
                char message[REMOS_REASON_SIZE];
                if (!remos_take_read_error(scene->get(), message, sizeof message)) continue;
                run->readErrorFile = FileNameOf(scene->path());
                run->readError = message;
                break;
            }
            // The files of bands closed meanwhile close here, off the window's thread.
            run->scene = RedrawScene{};
        },
        [run] { run->control.stop = true; });
}

void RedrawJob::stop() {
    job_.stop();
}

void RedrawJob::abandon() {
    if (!job_.running()) return;
    job_.abandon();
    renderer_ = std::make_shared<ThreadedCompositeRenderer>();  // the one given up may still be drawing
}

const uint8_t* RedrawJob::pixels() const {
    return run_ ? run_->pixels.data() : nullptr;
}

std::ptrdiff_t RedrawJob::stride() const {
    return run_ ? static_cast<std::ptrdiff_t>(run_->geometry.view_width) * 3 : 0;
}

int RedrawJob::width() const {
    return run_ ? run_->geometry.view_width : 0;
}

int RedrawJob::height() const {
    return run_ ? run_->geometry.view_height : 0;
}

int RedrawJob::linesDone() const {
    return run_ ? run_->control.lines_done.load(std::memory_order_acquire) : 0;
}

long long RedrawJob::drawMilliseconds() const {
    return run_ && !job_.running() ? run_->milliseconds : 0;
}

int RedrawJob::step() const {
    return run_ ? run_->geometry.step : 0;
}

std::string RedrawJob::readErrorFile() const {
    return run_ && !job_.running() ? run_->readErrorFile : std::string();
}

std::string RedrawJob::readError() const {
    return run_ && !job_.running() ? run_->readError : std::string();
}

}  // namespace orvenna
