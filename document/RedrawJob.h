// One redraw of the view on a thread of its own: the document's bands and expressions as they were when it
// started (RedrawScene) drawn into the view's picture with the composite renderer. It can be stopped between
// lines; the lines it finished stay drawn.
#pragma once

#include <QObject>

#include <memory>
#include <string>

#include "display/Composite.h"
#include "document/BackgroundJob.h"
#include "document/Document.h"

namespace orvenna {

class RedrawJob : public QObject {
    Q_OBJECT
public:
    explicit RedrawJob(QObject* parent = nullptr);
    ~RedrawJob() override;

    // Draws `scene` at `geometry` into `target`, whose pixels the caller keeps alive and leaves alone until
    // `finished`. False while a redraw runs.
    bool start(RedrawScene scene, const ViewGeometry& geometry, const CompositeTarget& target);
    bool running() const { return job_.running(); }
    void stop();
    // View lines from the top that hold their final pixels.
    int linesDone() const;

    // After `finished`: a scene that had a block it could not decode (it drew as zeros), its file name and
    // the reason; empty when none. Each scene reports its first failure once.
    const std::string& readErrorFile() const { return readErrorFile_; }
    const std::string& readError() const { return readError_; }

signals:
    // Every line was drawn (false: stopped).
    void finished(bool complete);

private:
    CompositeRenderer renderer_;  // kept between redraws for its buffers; used by one redraw at a time
    std::unique_ptr<RedrawControl> control_;
    RedrawScene scene_;
    std::string readErrorFile_, readError_;
    // Last: destroyed first, so the thread has ended before the state it works on goes.
    BackgroundJob job_;
};

}  // namespace orvenna
