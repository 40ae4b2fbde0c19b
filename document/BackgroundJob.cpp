#include "document/BackgroundJob.h"

#include <atomic>
#include <thread>
#include <utility>

namespace orvenna {

namespace {

std::atomic<int> g_abandoned_running{0};

}  // namespace

void ReportLink::detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    receiver_ = nullptr;
}

void ReportLink::post(std::function<void()> report) {
    // Posted under the lock: the receiver cannot go meanwhile, and once posted the report is dropped with it.
    std::lock_guard<std::mutex> lock(mutex_);
    if (receiver_) QMetaObject::invokeMethod(receiver_, std::move(report), Qt::QueuedConnection);
}

// One work's fate, settled once by whichever side comes first: the thread returning or the job abandoning it.
struct BackgroundJob::Run {
    enum { kRunning, kReturned, kAbandoned };
    std::atomic<int> state{kRunning};
};

BackgroundJob::BackgroundJob(QObject* parent) : QObject(parent), link_(std::make_shared<ReportLink>(this)) {}

BackgroundJob::~BackgroundJob() {
    link_->detach();
    if (running_) abandon();
}

bool BackgroundJob::start(std::function<void()> work, std::function<void()> stop) {
    if (running_) return false;
    running_ = true;
    stop_ = std::move(stop);
    run_ = std::make_shared<Run>();
    std::thread([run = run_, link = link_, work = std::move(work), this] {
        work();
        int running = Run::kRunning;
        if (!run->state.compare_exchange_strong(running, Run::kReturned)) {
            --g_abandoned_running;  // given up before it returned: nobody waits for its report
            return;
        }
        // `this` is only touched on its own thread, and only while the link still leads to it.
        link->post([this, run] { onWorkReturned(run); });
    }).detach();
    return true;
}

void BackgroundJob::stop() {
    if (running_ && stop_) stop_();
}

void BackgroundJob::abandon() {
    if (!running_) return;
    stop();
    int running = Run::kRunning;
    if (run_->state.compare_exchange_strong(running, Run::kAbandoned)) ++g_abandoned_running;
    run_.reset();
    running_ = false;
}

int BackgroundJob::abandonedRunning() {
    return g_abandoned_running.load();
}

void BackgroundJob::onWorkReturned(const std::shared_ptr<Run>& run) {
    if (run != run_) return;  // a run given up meanwhile
    run_.reset();
    running_ = false;
    emit finished();
}

}  // namespace orvenna
