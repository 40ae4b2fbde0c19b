#include "document/BackgroundJob.h"

#include <utility>

namespace orvenna {

BackgroundJob::BackgroundJob(QObject* parent) : QObject(parent) {}

BackgroundJob::~BackgroundJob() {
    if (thread_.joinable()) {
        stop();
        thread_.join();
    }
}

bool BackgroundJob::start(std::function<void()> work, std::function<void()> stop) {
    if (running_) return false;
    if (thread_.joinable()) thread_.join();  // returned, its report not handled yet
    running_ = true;
    stop_ = std::move(stop);
    thread_ = std::thread([this, work = std::move(work)] {
        work();
        // Posted to the owner's thread; dropped with the job if it goes first.
        QMetaObject::invokeMethod(this, &BackgroundJob::onWorkReturned, Qt::QueuedConnection);
    });
    return true;
}

void BackgroundJob::stop() {
    if (running_ && stop_) stop_();
}

void BackgroundJob::onWorkReturned() {
    if (!running_) return;
    if (thread_.joinable()) thread_.join();
    running_ = false;
    emit finished();
}

}  // namespace orvenna
