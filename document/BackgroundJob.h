// Work on a thread of its own that reports back on the thread that owns the job: `finished` is emitted there
// once the work has returned, so the owner's thread never waits for it. Destroying a job that still runs asks
// it to stop and waits for it.
#pragma once

#include <QObject>

#include <functional>
#include <thread>

namespace orvenna {

class BackgroundJob : public QObject {
    Q_OBJECT
public:
    explicit BackgroundJob(QObject* parent = nullptr);
    ~BackgroundJob() override;

    // Starts `work`; `stop` asks it to end soon (called by stop() and by the destructor). False when work is
    // still running.
    bool start(std::function<void()> work, std::function<void()> stop = {});
    // From start() until `finished` is emitted.
    bool running() const { return running_; }
    void stop();

signals:
    void finished();

private:
    void onWorkReturned();

    std::thread thread_;
    std::function<void()> stop_;
    bool running_ = false;
};

}  // namespace orvenna
