#include "scene/reduced_copy.h"

#include <algorithm>
#include <cstring>

namespace remos_reduced {

namespace {

// One band's copy, and all copies together, stay within these.
constexpr int64_t kBandBudget = int64_t(64) << 20;
constexpr int64_t kTotalBudget = int64_t(384) << 20;
constexpr int kCoarsest = 64;
std::atomic<int64_t> g_used{0};

int64_t level_bytes(int width, int lines, int size, int factor) {
    return ((int64_t(width) + factor - 1) / factor) * ((int64_t(lines) + factor - 1) / factor) * size;
}

// Bytes of the levels from `factor` to the coarsest.
int64_t copy_bytes(int width, int lines, int size, int factor) {
    int64_t bytes = 0;
    for (int f = factor; f <= kCoarsest; f *= 2)
        bytes += level_bytes(width, lines, size, f);
    return bytes;
}

}  // namespace

std::unique_ptr<ReducedCopy> ReducedCopy::make(int width, int lines, int sample_size) {
    if (width <= 0 || lines <= 0 || sample_size <= 0) return nullptr;
    for (int factor = 2; factor <= kCoarsest; factor *= 2) {
        const int64_t bytes = copy_bytes(width, lines, sample_size, factor);
        if (bytes > kBandBudget) continue;
        if (g_used.fetch_add(bytes) + bytes > kTotalBudget) {
            g_used.fetch_sub(bytes);
            return nullptr;
        }
        return std::unique_ptr<ReducedCopy>(new ReducedCopy(width, lines, sample_size, factor, bytes));
    }
    return nullptr;
}

ReducedCopy::ReducedCopy(int width, int lines, int sample_size, int factor, int64_t reserved)
    : width_(width), lines_(lines), size_(sample_size), reserved_(reserved) {
    Level first{factor, (int64_t(width) + factor - 1) / factor, (int64_t(lines) + factor - 1) / factor, {}};
    first.data.resize(static_cast<size_t>(first.columns * first.rows * sample_size));
    levels_.push_back(std::move(first));
}

ReducedCopy::~ReducedCopy() {
    g_used.fetch_sub(reserved_);
}

void ReducedCopy::take(int64_t y, int x0, const void* samples, int n) {
    Level& level = levels_.front();
    const int f = level.factor;
    if (y < 0 || y >= lines_ || y % f != 0 || x0 < 0 || n <= 0) return;
    const auto* s = static_cast<const unsigned char*>(samples);
    unsigned char* row = level.data.data() + (y / f) * level.columns * size_;
    const int64_t end = std::min<int64_t>(int64_t(x0) + n, width_);
    for (int64_t x = (int64_t(x0) + f - 1) / f * f; x < end; x += f)
        std::memcpy(row + x / f * size_, s + (x - x0) * size_, static_cast<size_t>(size_));
}

void ReducedCopy::finish() {
    while (levels_.back().factor < kCoarsest) {
        const Level& finer = levels_.back();
        const int f = finer.factor * 2;
        Level coarser{f, (int64_t(width_) + f - 1) / f, (int64_t(lines_) + f - 1) / f, {}};
        coarser.data.resize(static_cast<size_t>(coarser.columns * coarser.rows * size_));
        for (int64_t r = 0; r < coarser.rows; ++r) {
            const unsigned char* from = finer.data.data() + 2 * r * finer.columns * size_;
            unsigned char* to = coarser.data.data() + r * coarser.columns * size_;
            for (int64_t c = 0; c < coarser.columns; ++c)
                std::memcpy(to + c * size_, from + 2 * c * size_, static_cast<size_t>(size_));
        }
        levels_.push_back(std::move(coarser));
    }
}

void ReducedCopy::read(void* dest, int line, int x0, int n, int step) const {
    const Level* level = &levels_.front();
    for (const Level& l : levels_)
        if (step % l.factor == 0) level = &l;
    const int64_t f = level->factor;
    const unsigned char* row = level->data.data() + (line / f) * level->columns * size_;
    auto* d = static_cast<unsigned char*>(dest);
    int64_t column = x0 / f;
    const int64_t advance = step / f;
    if (size_ == 2) {
        for (int i = 0; i < n; ++i, column += advance)
            std::memcpy(d + int64_t(i) * 2, row + column * 2, 2);
        return;
    }
    for (int i = 0; i < n; ++i, column += advance)
        std::memcpy(d + int64_t(i) * size_, row + column * size_, static_cast<size_t>(size_));
}

}  // namespace remos_reduced
