// An opening on a thread of its own: SceneOpener's work, with its questions and refusals carried to the
// thread that owns the job and answered there (the window's dialogs) while the opening waits for the answer.
// Progress and the running histogram pass are reported as signals. An opening can be given up while its
// thread is still in a read: nothing it opened is listed then.
#pragma once

#include <QObject>

#include <memory>
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
    // The subdatasets of a container to open (OpeningQuestions::chooseSubdatasets); none by default.
    virtual std::vector<int> chooseSubdatasets(const std::string& /*path*/,
                                               const std::vector<SubdatasetInfo>& /*list*/) {
        return {};
    }
};

class OpeningJob : public QObject {
    Q_OBJECT
public:
    explicit OpeningJob(QObject* parent = nullptr);
    ~OpeningJob() override;

    // Opens `files`; `answers` must outlive the job. False while an opening runs.
    bool start(std::vector<std::string> files, OpeningOptions options, OpeningAnswers* answers);
    bool running() const { return job_.running(); }
    // Stops the running histogram pass ("中止"); the opening goes on.
    void stopHistogramPass();
    // Ends the whole opening at its next step; a question being asked is taken as answered No.
    void stopOpening();
    // Ends it and gives it up at once.
    void abandon();
    // After `finished`.
    OpeningResult takeResult();

signals:
    void progressed(double done);
    void histogramPassRunning(bool running);
    void finished();

private:
    class Run;
    std::shared_ptr<ReportLink> link_;
    std::shared_ptr<Run> run_;
    OpeningAnswers* answers_ = nullptr;
    BackgroundJob job_;
};

}  // namespace orvenna
