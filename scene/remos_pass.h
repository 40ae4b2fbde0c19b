// Internal helper of the remos reader: a pass over a band's data split into parts that threads count at
// once. The calling thread counts the first part and is the only one that calls the caller's progress
// callback; the other parts run on threads of their own. Not part of the public interface.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "scene/remos.h"

namespace remos_pass {

// Number of parts for a pass over `bytes` bytes of band data: the thread setting of remos_set_pass_threads,
// or one per core (bands too small to gain from threads take one).
int part_count(int64_t bytes);

// Puts the counts of an 8-bit pass into the band's histogram: the band's no-data byte left out, counts
// beyond 32 bits held at the largest value, the peaks with and without 0 and 255.
void store_byte_histogram(BandInfo* band, uint64_t total[256]);

// The part of a pass the calling thread works on now: k inside part k of run_parts, 0 in part 0 and outside
// any pass. Readers use it to give the further parts handles of their own.
int current_part();

// Progress of one pass of one or more stages, shared by the threads that count it.
class Progress {
public:
    // The callback sees the stage's share mapped onto from..to of the whole pass.
    Progress(RemosProgress callback, void* context);

    // Starts a stage of `total` units that covers from..to of the pass (0..1 for a single stage).
    void begin_stage(int64_t total, double from, double to);

    // Adds `units` done by the calling thread, and on the thread that started the pass forwards the share
    // done to the callback. False once the pass is to stop (the callback returned 0).
    bool add(int64_t units);

    // Forwards the share done to the callback (the starting thread only); false once stopped.
    bool report();

    bool stopped() const { return stop_.load(std::memory_order_relaxed); }

private:
    RemosProgress callback_;
    void* context_;
    std::thread::id owner_;
    std::atomic<int64_t> done_{0};
    std::atomic<bool> stop_{false};
    int64_t total_ = 0;
    double from_ = 0, to_ = 1;
    double last_ = -1;
};

// Splits [0, total) into `parts` consecutive ranges and calls part(k, begin, end) for each: range 0 on the
// calling thread, the others on threads of their own (or on the calling thread when no thread can be
// started). Returns when every range is done; while waiting the calling thread keeps reporting progress.
void run_parts(int64_t total, int parts, Progress& progress,
               const std::function<void(int, int64_t, int64_t)>& part);

}  // namespace remos_pass
