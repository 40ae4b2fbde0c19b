#include "document/HistogramJob.h"

namespace orvenna {

namespace {

int keepGoing(void* context, double) {
    return static_cast<std::atomic<bool>*>(context)->load(std::memory_order_relaxed) ? 0 : 1;
}

}  // namespace

HistogramJob::HistogramJob(QObject* parent) : QObject(parent) {
    connect(&job_, &BackgroundJob::finished, this, [this] {
        band_ = DocumentBand{};  // lets go of the scene
        emit finished();
    });
}

bool HistogramJob::start(const DocumentBand& band) {
    if (job_.running() || !band.info) return false;
    band_ = band;
    copy_ = *band.info;
    record_ = band.info;
    stop_ = false;
    histogram_ = BandHistogram{};
    return job_.start([this] { histogram_.count(copy_, &keepGoing, &stop_); }, [this] { stop_ = true; });
}

void HistogramJob::stop() {
    job_.stop();
}

BandHistogram HistogramJob::takeHistogram() {
    return std::move(histogram_);
}

}  // namespace orvenna
