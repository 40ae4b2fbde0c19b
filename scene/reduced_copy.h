// A reduced copy of a band that has no overviews, made while the band's exact histogram pass reads every line
// anyway, so that reduced views read memory instead of decoding the whole file again: the stored samples of
// every f-th column of every f-th line, f the smallest power of two that keeps the copy inside its memory
// budget, and coarser levels (2f, 4f, ... 64) taken from it. Like overviews, a reduced read at step F (a
// multiple of f) reads the coarsest level whose factor divides F and gets its sample at or before each
// position. Internal to scene/.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace remos_reduced {

// Bands of more samples than this get a copy; smaller ones read their samples fast enough.
inline constexpr int64_t kCopyAbove = int64_t(4) << 20;

class ReducedCopy {
public:
    // A copy for a band of width x lines samples of `sample_size` bytes; null when no factor up to 64 fits
    // the budget (per band, and all copies together).
    static std::unique_ptr<ReducedCopy> make(int width, int lines, int sample_size);
    ~ReducedCopy();
    ReducedCopy(const ReducedCopy&) = delete;
    ReducedCopy& operator=(const ReducedCopy&) = delete;

    // The finest factor kept.
    int factor() const { return levels_.front().factor; }
    // Keeps what it needs of n stored samples of line y from column x0. Any thread, one line per call.
    void take(int64_t y, int x0, const void* samples, int n);
    // Once every line was taken: the coarser levels (factors 2f, 4f, ... up to 64), each from the one before.
    void finish();
    // n samples of `line` at x0, x0 + step, ... (clipped to the band by the caller), each the sample at or
    // before its position on the grid of the coarsest level whose factor divides step; step must be a
    // multiple of factor().
    void read(void* dest, int line, int x0, int n, int step) const;

private:
    struct Level {
        int factor;
        int64_t columns, rows;
        std::vector<unsigned char> data;
    };
    ReducedCopy(int width, int lines, int sample_size, int factor, int64_t reserved);
    int width_, lines_, size_;
    int64_t reserved_;  // bytes counted against the budget for every level
    std::vector<Level> levels_;
};

// Where a band's copy is published once its pass has ended; shared by the records of the band.
struct ReducedSlot {
    std::atomic<ReducedCopy*> copy{nullptr};
    ~ReducedSlot() { delete copy.load(); }
    // Publishes `made` unless a copy is there already.
    void publish(std::unique_ptr<ReducedCopy> made) {
        ReducedCopy* expected = nullptr;
        if (copy.compare_exchange_strong(expected, made.get())) made.release();
    }
};

}  // namespace remos_reduced
