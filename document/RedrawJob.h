// One redraw of the view in the background: the document's bands and expressions as they were when it
// started (RedrawScene) drawn on every core into a picture the job keeps. It can be stopped
// between lines, the lines it finished stay drawn; it can be given up while its thread is still in a read.
#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/ThreadedComposite.h"
#include "document/BackgroundJob.h"
#include "document/Document.h"

namespace orvenna {

class RedrawJob : public QObject {
    Q_OBJECT
public:
    explicit RedrawJob(QObject* parent = nullptr);
    ~RedrawJob() override;

    // Draws `scene` at `geometry` into a picture of geometry.view_width x view_height. False while a redraw
    // runs.
    bool start(RedrawScene scene, const ViewGeometry& geometry);
    bool running() const { return job_.running(); }
    void stop();
    // Stops the redraw and gives it up at once: its thread ends on its own, the lines it finished stay
    // readable here until the next start.
    void abandon();

    // The picture of the running (or last) redraw: lines of width x 3 bytes (blue, green, red), `stride`
    // apart. The first linesDone() lines hold their final pixels.
    const uint8_t* pixels() const;
    std::ptrdiff_t stride() const;
    int width() const;
    int height() const;
    int linesDone() const;
    // How long the last redraw that finished took to draw, in milliseconds, and at which zoom step.
    long long drawMilliseconds() const;
    int step() const;

    // After `finished`: a scene that had a block it could not decode (it drew as zeros), its file name and
    // the reason; empty when none. Each scene reports its first failure once.
    std::string readErrorFile() const;
    std::string readError() const;

signals:
    // Every line was drawn (false: stopped).
    void finished(bool complete);

private:
    struct Run;
    std::shared_ptr<Run> run_;
    // Kept from one redraw to the next for its buffers; a redraw given up keeps its own.
    std::shared_ptr<ThreadedCompositeRenderer> renderer_;
    BackgroundJob job_;
};

}  // namespace orvenna
