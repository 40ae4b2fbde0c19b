#include "document/HistogramJob.h"

#include <atomic>

namespace orvenna {

// What one pass uses, shared with its thread.
struct HistogramJob::Run {
    DocumentBand band;  // keeps the scene open
    BandInfo copy{};
    BandHistogram histogram;
    std::atomic<bool> stop{false};
    std::atomic<double> done{0};

    static int keepGoing(void* context, double done) {
        auto* run = static_cast<Run*>(context);
        run->done.store(done, std::memory_order_relaxed);
        return run->stop.load(std::memory_order_relaxed) ? 0 : 1;
    }
};

HistogramJob::HistogramJob(QObject* parent) : QObject(parent) {
    connect(&job_, &BackgroundJob::finished, this, &HistogramJob::finished);
}

HistogramJob::~HistogramJob() {
    job_.abandon();
}

bool HistogramJob::start(const DocumentBand& band) {
    if (job_.running() || !band.info) return false;
    auto run = std::make_shared<Run>();
    run->band = band;
    run->copy = *band.info;
    run_ = run;
    return job_.start([run] { run->histogram.count(run->copy, &Run::keepGoing, run.get()); },
                      [run] { run->stop = true; });
}

void HistogramJob::stop() {
    job_.stop();
}

void HistogramJob::abandon() {
    job_.abandon();
    run_.reset();
}

double HistogramJob::progress() const {
    return run_ ? run_->done.load(std::memory_order_relaxed) : 0.0;
}

const BandInfo* HistogramJob::record() const {
    return run_ ? run_->band.info : nullptr;
}

BandHistogram HistogramJob::takeHistogram() {
    if (!run_ || job_.running()) return BandHistogram{};
    BandHistogram counted = std::move(run_->histogram);
    run_.reset();  // lets go of the scene
    return counted;
}

}  // namespace orvenna
