// Long work (a redraw, a histogram pass) runs on a thread of its own while the window's thread goes on
// handling events, so menus open, buttons answer and a stop can be asked for; run() returns only when the
// work has ended, so its caller reads on as if it had done the work itself.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

class BackgroundTask {
public:
    BackgroundTask() = default;
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // Runs `work` on a new thread and handles this thread's events until it ends. `tick`, when given, runs on
    // this thread every `tickMs` milliseconds meanwhile (progress, a late "stop" button). `stop` asks the
    // work to end soon; it is called when the application leaves its event loops before the work has ended.
    void run(const std::function<void()>& work, const std::function<void()>& stop,
             const std::function<void()>& tick = {}, int tickMs = 100);

    // True between the start of run() and the end of its work.
    bool running() const;

    // Blocks this thread, without handling events, until the running work has ended (at once when none
    // runs). For handlers that must not overlap the work, after they have asked it to stop.
    void waitUntilEnded();

private:
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    bool running_ = false;
};
