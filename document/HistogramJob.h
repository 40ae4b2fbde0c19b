// Counting one band's histogram on a thread of its own: the exact histogram of a band opened from a sample,
// and "自動" and "<>" of a band opened without one. The pass counts into a histogram of its own; the document
// takes it when the job has finished.
#pragma once

#include <QObject>

#include <memory>

#include "document/BackgroundJob.h"
#include "document/DocumentBand.h"
#include "scene/BandHistogram.h"

namespace orvenna {

class HistogramJob : public QObject {
    Q_OBJECT
public:
    explicit HistogramJob(QObject* parent = nullptr);
    ~HistogramJob() override;

    // Counts the histogram of `band` (its scene stays open meanwhile). False while a pass runs.
    bool start(const DocumentBand& band);
    bool running() const { return job_.running(); }
    void stop();
    void abandon();
    // The share of the pass done so far, 0..1.
    double progress() const;
    // The band counted: its record in the document (identifies it after other bands were closed).
    const BandInfo* record() const;
    // After `finished`: the counts (not counted when stopped).
    BandHistogram takeHistogram();

signals:
    void finished();

private:
    struct Run;
    std::shared_ptr<Run> run_;
    BackgroundJob job_;
};

}  // namespace orvenna
