// Work on a thread of its own that reports back on the thread that owns the job: `finished` is emitted there
// once the work has returned, so the owner's thread never waits for it. The work keeps what it uses alive
// itself (it captures shared state), so a job can be abandoned, or destroyed, while its thread is still busy
// - stuck in a read, say: its report is then dropped and the thread ends on its own.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

namespace orvenna {

// Where a thread's reports go: a receiver on its own thread, for as long as it lives.
class ReportLink {
public:
    explicit ReportLink(QObject* receiver) : receiver_(receiver) {}
    // The receiver goes: later reports are dropped.
    void detach();
    // Runs `report` on the receiver's thread, unless the receiver has gone by then.
    void post(std::function<void()> report);

private:
    std::mutex mutex_;
    QObject* receiver_;
};

class BackgroundJob : public QObject {
    Q_OBJECT
public:
    explicit BackgroundJob(QObject* parent = nullptr);
    // A running work is asked to stop and let go, never waited for.
    ~BackgroundJob() override;

    // Starts `work` on a new thread; `stop` asks it to end soon. False while work is running.
    bool start(std::function<void()> work, std::function<void()> stop = {});
    // From start() until `finished` is emitted (or the work is abandoned).
    bool running() const { return running_; }
    void stop();
    // Asks the running work to stop and forgets it: no `finished` for it, and new work may start at once.
    void abandon();
    // Works abandoned whose threads have not ended yet, in the whole process.
    static int abandonedRunning();

signals:
    void finished();

private:
    struct Run;
    void onWorkReturned(const std::shared_ptr<Run>& run);

    std::shared_ptr<ReportLink> link_;
    std::shared_ptr<Run> run_;
    std::function<void()> stop_;
    bool running_ = false;
};

}  // namespace orvenna
