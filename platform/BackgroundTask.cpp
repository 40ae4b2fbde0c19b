#include "platform/BackgroundTask.h"

#include <QEventLoop>
#include <QTimer>

#include <thread>

void BackgroundTask::run(const std::function<void()>& work, const std::function<void()>& stop,
                         const std::function<void()>& tick, int tickMs) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = true;
    }
    QEventLoop loop;
    QTimer ticker;
    if (tick) {
        QObject::connect(&ticker, &QTimer::timeout, &loop, tick);
        ticker.start(tickMs);
    }
    std::thread worker([&] {
        work();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            running_ = false;
        }
        ended_.notify_all();
        // Posted to the loop's thread; if the loop has not started yet it quits as soon as it does.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    // The loop also ends when the application quits: the work is then told to stop before it is waited for.
    if (running() && stop) stop();
    worker.join();
}

bool BackgroundTask::running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

void BackgroundTask::waitUntilEnded() {
    std::unique_lock<std::mutex> lock(mutex_);
    ended_.wait(lock, [this] { return !running_; });
}
