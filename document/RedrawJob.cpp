#include "document/RedrawJob.h"

#include "document/SceneOpener.h"

namespace orvenna {

RedrawJob::RedrawJob(QObject* parent) : QObject(parent), control_(std::make_unique<RedrawControl>()) {
    connect(&job_, &BackgroundJob::finished, this,
            [this] { emit finished(control_->complete.load(std::memory_order_acquire)); });
}

RedrawJob::~RedrawJob() = default;

bool RedrawJob::start(RedrawScene scene, const ViewGeometry& geometry, const CompositeTarget& target) {
    if (job_.running()) return false;
    scene_ = std::move(scene);
    control_ = std::make_unique<RedrawControl>();
    readErrorFile_.clear();
    readError_.clear();
    RedrawControl* control = control_.get();
    return job_.start(
        [this, geometry, target, control] {
            renderer_.draw(scene_.rows.data(), static_cast<int>(scene_.rows.size()),
                           scene_.compositeExpressions(), geometry, target, control);
            // Taken here, off the window's thread: a scene's lock may be held by a long read elsewhere.
            for (const auto& scene : scene_.scenes) {
                char message[REMOS_REASON_SIZE];
                if (!remos_take_read_error(scene->get(), message, sizeof message)) continue;
                readErrorFile_ = FileNameOf(scene->path());
                readError_ = message;
                break;
            }
            // The files of bands closed meanwhile close here, off the window's thread.
            scene_ = RedrawScene{};
        },
        [control] { control->stop = true; });
}

void RedrawJob::stop() {
    job_.stop();
}

int RedrawJob::linesDone() const {
    return control_->lines_done.load(std::memory_order_acquire);
}

}  // namespace orvenna
