#include "document/OpeningJob.h"

#include <chrono>
#include <memory>

namespace orvenna {

OpeningJob::OpeningJob(QObject* parent) : QObject(parent) {
    connect(&job_, &BackgroundJob::finished, this, &OpeningJob::finished);
}

OpeningJob::~OpeningJob() {
    stopOpening();  // a question still waiting is let go before the thread is joined
}

bool OpeningJob::start(std::vector<std::string> files, OpeningOptions options, OpeningAnswers* answers) {
    if (job_.running()) return false;
    answers_ = answers;
    control_.stopPass = false;
    control_.stopOpening = false;
    {
        std::lock_guard<std::mutex> lock(askMutex_);
        cancelled_ = false;
    }
    lastReport_ = {};
    reportPending_ = false;
    return job_.start(
        [this, files = std::move(files), options = std::move(options)] {
            result_ = OpenFiles(files, options, *this, control_);
        },
        [this] { stopOpening(); });
}

void OpeningJob::stopHistogramPass() {
    control_.stopPass = true;
}

void OpeningJob::stopOpening() {
    control_.stopOpening = true;
    {
        std::lock_guard<std::mutex> lock(askMutex_);
        cancelled_ = true;
    }
    answered_.notify_all();
}

bool OpeningJob::askOnOwnerThread(std::function<bool()> ask) {
    // The answer lives as long as either side needs it: the owner may answer after the opening stopped
    // waiting.
    struct Answer {
        bool given = false;
        bool value = false;
    };
    auto answer = std::make_shared<Answer>();
    QMetaObject::invokeMethod(
        this,
        [this, ask = std::move(ask), answer] {
            {
                // Stopped before the question came up: nobody waits for the answer any more.
                std::lock_guard<std::mutex> lock(askMutex_);
                if (cancelled_) return;
            }
            const bool value = ask();
            {
                std::lock_guard<std::mutex> lock(askMutex_);
                answer->value = value;
                answer->given = true;
            }
            answered_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(askMutex_);
    answered_.wait(lock, [&] { return answer->given || cancelled_; });
    return answer->given && answer->value;
}

bool OpeningJob::countHistogramsOfLargeFile(const std::string& path) {
    OpeningAnswers* answers = answers_;
    return askOnOwnerThread([answers, path] { return answers && answers->countHistogramsOfLargeFile(path); });
}

bool OpeningJob::refused(const OpeningRefusal& refusal) {
    OpeningAnswers* answers = answers_;
    return askOnOwnerThread([answers, refusal] { return answers ? answers->refused(refusal) : true; });
}

void OpeningJob::progress(double done) {
    // The window's progress bar needs a few reports a second, not one per block read: a report is posted only
    // when the one before has been taken, and at most every few tens of milliseconds; the last one always.
    progress_.store(done, std::memory_order_relaxed);
    const auto now = std::chrono::steady_clock::now();
    if (done < 1.0 && now - lastReport_ < std::chrono::milliseconds(30)) return;
    if (reportPending_.exchange(true)) return;
    lastReport_ = now;
    QMetaObject::invokeMethod(
        this,
        [this] {
            reportPending_ = false;
            emit progressed(progress_.load(std::memory_order_relaxed));
        },
        Qt::QueuedConnection);
}

void OpeningJob::histogramPass(bool running) {
    QMetaObject::invokeMethod(
        this, [this, running] { emit histogramPassRunning(running); }, Qt::QueuedConnection);
}

}  // namespace orvenna
