// An opening on a thread of its own: SceneOpener's work, with its questions and refusals carried to the
// thread that owns the job and answered there (the window's dialogs), while the opening waits for the answer.
// Progress and the running histogram pass are reported as signals.
#pragma once

#include <QObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "document/BackgroundJob.h"
#include "document/SceneOpener.h"

namespace orvenna {

// What the opening asks, answered on the job owner's thread.
class OpeningAnswers {
public:
    virtual ~OpeningAnswers() = default;
    virtual bool countHistogramsOfLargeFile(const std::string& path) = 0;
    // False stops the whole opening.
    virtual bool refused(const OpeningRefusal& refusal) = 0;
};

class OpeningJob : public QObject, private OpeningQuestions {
    Q_OBJECT
public:
    explicit OpeningJob(QObject* parent = nullptr);
    ~OpeningJob() override;

    // Opens `files`; `answers` must outlive the job's run. False while an opening runs.
    bool start(std::vector<std::string> files, OpeningOptions options, OpeningAnswers* answers);
    bool running() const { return job_.running(); }
    // Stops the running histogram pass ("中止"); the opening goes on.
    void stopHistogramPass();
    // Ends the whole opening at its next step; a question being asked is taken as answered No.
    void stopOpening();
    // After `finished`.
    OpeningResult takeResult() { return std::move(result_); }

signals:
    void progressed(double done);
    void histogramPassRunning(bool running);
    void finished();

private:
    // OpeningQuestions, called on the opening's thread.
    bool countHistogramsOfLargeFile(const std::string& path) override;
    bool refused(const OpeningRefusal& refusal) override;
    void progress(double done) override;
    void histogramPass(bool running) override;

    // Runs `ask` on the owner's thread and waits for its answer; false when the opening is stopped first.
    bool askOnOwnerThread(std::function<bool()> ask);

    OpeningControl control_;
    OpeningAnswers* answers_ = nullptr;
    OpeningResult result_;
    std::atomic<double> progress_{0};
    std::atomic<bool> reportPending_{false};
    std::chrono::steady_clock::time_point lastReport_;

    std::mutex askMutex_;
    std::condition_variable answered_;
    bool cancelled_ = false;
    // Last: destroyed first, so the thread has ended before the state it works on goes.
    BackgroundJob job_;
};

}  // namespace orvenna
