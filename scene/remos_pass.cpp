#include "scene/remos_pass.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <vector>

namespace {

std::atomic<int> g_threads{0};  // remos_set_pass_threads: 0 = one per core

// Below this much data a second thread costs more to start than it saves.
constexpr int64_t kMinBytesPerExtraThread = int64_t(8) << 20;
constexpr int kMaxThreads = 64;

}  // namespace

void remos_set_pass_threads(int threads) {
    g_threads.store(std::clamp(threads, 0, kMaxThreads), std::memory_order_relaxed);
}

namespace remos_pass {

int part_count(int64_t bytes) {
    const int set = g_threads.load(std::memory_order_relaxed);
    if (set > 0) return set;
    const int cores = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxThreads);
    const int64_t useful = std::max<int64_t>(1, bytes / kMinBytesPerExtraThread);
    return static_cast<int>(std::min<int64_t>(cores, useful));
}

Progress::Progress(RemosProgress callback, void* context)
    : callback_(callback), context_(context), owner_(std::this_thread::get_id()) {}

void Progress::begin_stage(int64_t total, double from, double to) {
    done_.store(0, std::memory_order_relaxed);
    total_ = total;
    from_ = from;
    to_ = to;
}

bool Progress::add(int64_t units) {
    done_.fetch_add(units, std::memory_order_relaxed);
    if (std::this_thread::get_id() == owner_) return report();
    return !stopped();
}

bool Progress::report() {
    if (stopped()) return false;
    if (!callback_ || total_ <= 0 || std::this_thread::get_id() != owner_) return true;
    const int64_t done = std::min(done_.load(std::memory_order_relaxed), total_);
    double share = from_ + (to_ - from_) * (static_cast<double>(done) / static_cast<double>(total_));
    if (done == total_) share = to_;  // exactly the stage's end, whatever the rounding
    if (share <= last_) return true;  // nothing new to tell; the shares reported never go back
    last_ = share;
    if (callback_(context_, share) == 0) stop_.store(true, std::memory_order_relaxed);
    return !stopped();
}

namespace {
thread_local int t_part = 0;
}  // namespace

void store_byte_histogram(BandInfo* band, uint64_t total[256]) {
    // A band that marks pixels without data by a byte value leaves them out.
    if (band->has_nodata == 1 && band->nodata >= 0 && band->nodata <= 255 &&
        band->nodata == static_cast<int>(band->nodata))
        total[static_cast<int>(band->nodata)] = 0;
    uint32_t peak = 0, peak_inner = 0;
    for (int v = 0; v < 256; ++v) {
        const uint64_t t = std::min<uint64_t>(total[v], INT32_MAX);
        band->histogram[v] = static_cast<int32_t>(t);
        peak = std::max(peak, static_cast<uint32_t>(t));
        if (v >= 1 && v <= 254) peak_inner = std::max(peak_inner, static_cast<uint32_t>(t));
    }
    band->hist_peak = static_cast<int32_t>(peak);
    band->hist_peak_inner = static_cast<int32_t>(peak_inner);
}

int current_part() {
    return t_part;
}

void run_parts(int64_t total, int parts, Progress& progress,
               const std::function<void(int, int64_t, int64_t)>& part) {
    if (total <= 0) return;
    parts = static_cast<int>(std::clamp<int64_t>(parts, 1, total));
    auto begin_of = [&](int k) { return total / parts * k + std::min<int64_t>(k, total % parts); };

    std::mutex mutex;
    std::condition_variable finished_cv;
    int finished = 0;
    std::vector<std::thread> threads;
    std::vector<int> on_caller;  // parts no thread could be started for
    for (int k = 1; k < parts; ++k) {
        try {
            threads.emplace_back([&, k] {
                t_part = k;
                part(k, begin_of(k), begin_of(k + 1));
                std::lock_guard<std::mutex> lock(mutex);
                ++finished;
                finished_cv.notify_one();
            });
        } catch (const std::system_error&) {
            on_caller.push_back(k);
        }
    }
    part(0, begin_of(0), begin_of(1));
    for (int k : on_caller) {
        t_part = k;
        part(k, begin_of(k), begin_of(k + 1));
        t_part = 0;
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        const int started = static_cast<int>(threads.size());
        while (finished < started) {
            finished_cv.wait_for(lock, std::chrono::milliseconds(20));
            lock.unlock();
            progress.report();
            lock.lock();
        }
    }
    for (std::thread& t : threads)
        t.join();
    progress.report();  // the share of the last parts to finish
}

}  // namespace remos_pass
