#include "scene/reduced_copy.h"

#include <algorithm>
#include <cstring>

namespace remos_reduced {

namespace {

// One band's copy, and all copies together, stay within these.
constexpr int64_t kBandBudget = int64_t(64) << 20;
constexpr int64_t kTotalBudget = int64_t(384) << 20;
std::atomic<int64_t> g_used{0};

int64_t copy_bytes(int width, int lines, int size, int factor) {
    return ((int64_t(width) + factor - 1) / factor) * ((int64_t(lines) + factor - 1) / factor) * size;
}

}  // namespace

std::unique_ptr<ReducedCopy> ReducedCopy::make(int width, int lines, int sample_size) {
    if (width <= 0 || lines <= 0 || sample_size <= 0) return nullptr;
    for (int factor = 2; factor <= 64; factor *= 2) {
        const int64_t bytes = copy_bytes(width, lines, sample_size, factor);
        if (bytes > kBandBudget) continue;
        if (g_used.fetch_add(bytes) + bytes > kTotalBudget) {
            g_used.fetch_sub(bytes);
            return nullptr;
        }
        return std::unique_ptr<ReducedCopy>(new ReducedCopy(width, lines, sample_size, factor));
    }
    return nullptr;
}

ReducedCopy::ReducedCopy(int width, int lines, int sample_size, int factor)
    : width_(width),
      lines_(lines),
      size_(sample_size),
      factor_(factor),
      columns_((int64_t(width) + factor - 1) / factor),
      rows_((int64_t(lines) + factor - 1) / factor),
      data_(static_cast<size_t>(columns_ * rows_ * sample_size)) {}

ReducedCopy::~ReducedCopy() {
    g_used.fetch_sub(static_cast<int64_t>(data_.size()));
}

void ReducedCopy::take(int64_t y, int x0, const void* samples, int n) {
    if (y < 0 || y >= lines_ || y % factor_ != 0 || x0 < 0 || n <= 0) return;
    const auto* s = static_cast<const unsigned char*>(samples);
    unsigned char* row = data_.data() + (y / factor_) * columns_ * size_;
    const int64_t end = std::min<int64_t>(int64_t(x0) + n, width_);
    for (int64_t x = (int64_t(x0) + factor_ - 1) / factor_ * factor_; x < end; x += factor_)
        std::memcpy(row + x / factor_ * size_, s + (x - x0) * size_, static_cast<size_t>(size_));
}

void ReducedCopy::read(void* dest, int line, int x0, int n, int step) const {
    const unsigned char* row = data_.data() + (int64_t(line) / factor_) * columns_ * size_;
    auto* d = static_cast<unsigned char*>(dest);
    int64_t column = x0 / factor_;
    const int64_t advance = step / factor_;
    if (size_ == 2) {
        for (int i = 0; i < n; ++i, column += advance)
            std::memcpy(d + int64_t(i) * 2, row + column * 2, 2);
        return;
    }
    for (int i = 0; i < n; ++i, column += advance)
        std::memcpy(d + int64_t(i) * size_, row + column * size_, static_cast<size_t>(size_));
}

}  // namespace remos_reduced
