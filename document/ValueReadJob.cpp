#include "document/ValueReadJob.h"

#include <functional>

#include "document/Document.h"

namespace orvenna {

struct ValueReadJob::Run {
    int x = 0, y = 0;
    std::function<std::vector<double>()> reader;
    std::vector<double> values;
    bool stale = false;  // the band list changed while it read
};

ValueReadJob::ValueReadJob(const Document& document, QObject* parent) : QObject(parent), document_(document) {
    connect(&job_, &BackgroundJob::finished, this, &ValueReadJob::onFinished);
    // Values read for bands that are no longer listed would be shown against the wrong rows.
    connect(&document, &Document::bandsChanged, this, [this] {
        if (run_) run_->stale = true;
    });
}

ValueReadJob::~ValueReadJob() {
    job_.abandon();
}

void ValueReadJob::read(int x, int y) {
    if (job_.running()) {
        pending_ = true;
        pendingX_ = x;
        pendingY_ = y;
        return;
    }
    start(x, y);
}

void ValueReadJob::start(int x, int y) {
    auto run = std::make_shared<Run>();
    run->x = x;
    run->y = y;
    run->reader = document_.valuesReader(x, y);
    run_ = run;
    job_.start([run] { run->values = run->reader(); });
}

void ValueReadJob::onFinished() {
    const std::shared_ptr<Run> done = std::move(run_);
    if (pending_) {
        pending_ = false;
        start(pendingX_, pendingY_);
    }
    if (done && !done->stale) emit valuesRead(done->x, done->y, done->values);
}

}  // namespace orvenna
