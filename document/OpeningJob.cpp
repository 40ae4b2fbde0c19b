#include "document/OpeningJob.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace orvenna {

// One opening, shared with its thread: the opener's questions go to the job's thread through the link and
// are waited for here; stopping the opening lets a waiting question go as answered No.
class OpeningJob::Run : public OpeningQuestions {
public:
    Run(std::shared_ptr<ReportLink> link, OpeningJob* job) : link_(std::move(link)), job_(job) {}

    OpeningControl control;
    OpeningResult result;

    void cancel() {
        control.stopOpening = true;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            cancelled_ = true;
        }
        answered_.notify_all();
    }

    bool countHistogramsOfLargeFile(const std::string& path) override {
        return ask([path](OpeningAnswers* answers) { return answers->countHistogramsOfLargeFile(path); });
    }
    bool refused(const OpeningRefusal& refusal) override {
        return ask([refusal](OpeningAnswers* answers) { return answers->refused(refusal); });
    }
    std::vector<int> chooseSubdatasets(const std::string& path,
                                       const std::vector<SubdatasetInfo>& list) override {
        return ask(std::function<std::vector<int>(OpeningAnswers*)>(
            [path, list](OpeningAnswers* answers) { return answers->chooseSubdatasets(path, list); }));
    }

    // The window's progress bar needs a few reports a second, not one per block read: a report is posted only
    // when the one before has been taken, and at most every few tens of milliseconds; the last one always.
    void progress(double done) override {
        progress_.store(done, std::memory_order_relaxed);
        const auto now = std::chrono::steady_clock::now();
        if (done < 1.0 && now - lastReport_ < std::chrono::milliseconds(30)) return;
        if (reportPending_.exchange(true)) return;
        lastReport_ = now;
        OpeningJob* job = job_;
        auto self = shared_from_run();
        link_->post([job, self] {
            self->reportPending_ = false;
            if (job->run_ == self) emit job->progressed(self->progress_.load(std::memory_order_relaxed));
        });
    }

    void histogramPass(bool running) override {
        OpeningJob* job = job_;
        auto self = shared_from_run();
        link_->post([job, self, running] {
            if (job->run_ == self) emit job->histogramPassRunning(running);
        });
    }

    std::weak_ptr<Run> self;

private:
    std::shared_ptr<Run> shared_from_run() { return self.lock(); }

    // Runs `question` with the job's answers on the job's thread and waits for the answer; false (none) when
    // the opening is stopped first, or the job has gone.
    bool ask(std::function<bool(OpeningAnswers*)> question) { return ask<bool>(std::move(question)); }
    template <typename T>
    T ask(std::function<T(OpeningAnswers*)> question) {
        struct Answer {
            bool given = false;
            T value{};
        };
        auto answer = std::make_shared<Answer>();
        OpeningJob* job = job_;
        auto self = shared_from_run();
        link_->post([job, self, question = std::move(question), answer] {
            {
                // Stopped before the question came up: nobody waits for the answer any more.
                std::lock_guard<std::mutex> lock(self->mutex_);
                if (self->cancelled_ || job->run_ != self || !job->answers_) return;
            }
            T value = question(job->answers_);
            {
                std::lock_guard<std::mutex> lock(self->mutex_);
                answer->value = std::move(value);
                answer->given = true;
            }
            self->answered_.notify_all();
        });
        std::unique_lock<std::mutex> lock(mutex_);
        answered_.wait(lock, [&] { return answer->given || cancelled_; });
        return answer->given ? std::move(answer->value) : T{};
    }

    std::shared_ptr<ReportLink> link_;
    OpeningJob* job_;  // touched only on the job's own thread, through the link
    std::mutex mutex_;
    std::condition_variable answered_;
    bool cancelled_ = false;
    std::atomic<double> progress_{0};
    std::atomic<bool> reportPending_{false};
    std::chrono::steady_clock::time_point lastReport_;
};

OpeningJob::OpeningJob(QObject* parent) : QObject(parent), link_(std::make_shared<ReportLink>(this)) {
    connect(&job_, &BackgroundJob::finished, this, &OpeningJob::finished);
}

OpeningJob::~OpeningJob() {
    link_->detach();
    abandon();
}

bool OpeningJob::start(std::vector<std::string> files, OpeningOptions options, OpeningAnswers* answers) {
    if (job_.running()) return false;
    answers_ = answers;
    auto run = std::make_shared<Run>(link_, this);
    run->self = run;
    run_ = run;
    return job_.start(
        [run, files = std::move(files), options = std::move(options)] {
            run->result = OpenFiles(files, options, *run, run->control);
        },
        [run] { run->cancel(); });
}

void OpeningJob::stopHistogramPass() {
    if (run_) run_->control.stopPass = true;
}

void OpeningJob::stopOpening() {
    if (run_) run_->cancel();
}

void OpeningJob::abandon() {
    if (run_) run_->cancel();
    job_.abandon();
    run_.reset();
}

OpeningResult OpeningJob::takeResult() {
    if (!run_ || job_.running()) return OpeningResult{};
    OpeningResult result = std::move(run_->result);
    run_.reset();
    return result;
}

}  // namespace orvenna
