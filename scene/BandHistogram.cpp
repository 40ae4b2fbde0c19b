#include "scene/BandHistogram.h"

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "scene/remos_gdal.h"
#include "scene/remos_values.h"

namespace orvenna {

BandHistogram::BandHistogram() {
    std::memset(&counted_record_, 0, sizeof counted_record_);
}

BandHistogram::~BandHistogram() {
    remos_values::release(&counted_record_, 1);
}

BandHistogram::BandHistogram(BandHistogram&& other) noexcept : BandHistogram() {
    *this = std::move(other);
}

BandHistogram& BandHistogram::operator=(BandHistogram&& other) noexcept {
    if (this != &other) {
        remos_values::release(&counted_record_, 1);
        counted_record_ = other.counted_record_;
        counted_ = other.counted_;
        other.counted_record_.value_counts = nullptr;  // now ours
        other.counted_ = false;
    }
    return *this;
}

bool BandHistogram::count(const BandInfo& band, RemosProgress progress, void* context) {
    remos_values::release(&counted_record_, 1);
    // The pass writes into a copy; the fine counts of the band's own record stay where they are. A band
    // placed on a grid is counted (and keeps its reduced copy) at its own size.
    counted_record_ = *remos_gdal::own_record(&band);
    counted_record_.value_counts = nullptr;
    // A band without overviews keeps a reduced copy of the lines the pass reads, for reduced views.
    const BandInfo& own = counted_record_;
    const bool large = int64_t(own.width) * own.lines > remos_reduced::kCopyAbove;
    remos_reduced::ReducedSlot* slot =
        large && remos_band_is_wide(&own) ? remos_gdal::reduced_slot(&own) : nullptr;
    std::unique_ptr<remos_reduced::ReducedCopy> copy =
        slot ? remos_reduced::ReducedCopy::make(own.width, own.lines, remos_sample_size(own.sample_type))
             : nullptr;
    const remos_values::LineObserver keep = [&copy](int64_t line, int x0, const void* samples, int n) {
        copy->take(line, x0, samples, n);
    };
    counted_ =
        remos_values::make_band_histogram(&counted_record_, progress, context, copy ? &keep : nullptr) == 1;
    if (counted_ && copy) {
        copy->finish();
        slot->publish(std::move(copy));
    }
    return counted_;
}

BandHistogram::Sample BandHistogram::countSample(const BandInfo& band, int64_t enough) {
    remos_values::release(&counted_record_, 1);
    counted_record_ = band;
    counted_record_.value_counts = nullptr;
    counted_ = false;
    if (!band.source) return Sample::None;
    std::vector<unsigned char> samples;
    size_t count = 0;
    const int from = remos_gdal::read_histogram_sample(&counted_record_, enough, &samples, &count);
    if (from == 0 || !remos_values::histogram_of_samples(&counted_record_, samples.data(), count))
        return Sample::None;
    counted_ = true;
    return from == 1 ? Sample::Overview : Sample::Blocks;
}

void BandHistogram::applyTo(BandInfo* band) {
    if (!band || !counted_) return;
    remos_values::take_histogram(band, &counted_record_);
    counted_ = false;
}

}  // namespace orvenna
