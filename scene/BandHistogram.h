// A band's histogram counted apart from the band's record, so that a pass can run on another thread while the
// record stays in use, and be put into the record afterwards in one step. Plain C++, no Qt.
#pragma once

#include <cstdint>

#include "scene/remos.h"

namespace orvenna {

class BandHistogram {
public:
    BandHistogram();
    ~BandHistogram();
    BandHistogram(BandHistogram&& other) noexcept;
    BandHistogram& operator=(BandHistogram&& other) noexcept;
    BandHistogram(const BandHistogram&) = delete;
    BandHistogram& operator=(const BandHistogram&) = delete;

    // Counts the histogram of the band `band` describes, as remos_make_band_histogram does (8-bit bands as
    // remos_make_histogram_progress), without changing the record. False when the pass was stopped or the
    // band has nothing to count.
    bool count(const BandInfo& band, RemosProgress progress = nullptr, void* context = nullptr);
    // Where a quick histogram's samples came from.
    enum class Sample { None, Overview, Blocks };
    // Counts the histogram of a large band read through GDAL from part of its pixels, for the range it opens
    // with while its exact histogram is counted: the whole of its smallest overview that holds about
    // `enough` samples, or without overviews blocks spread over the band. None (nothing counted) for bands
    // of the built-in readers and those that cannot be sampled.
    Sample countSample(const BandInfo& band, int64_t enough);
    bool counted() const { return counted_; }

    // Puts the counts into `band` (the record of the band counted, or a copy of it): the 256 columns, their
    // peaks, and for wide bands the value span and the fine counts, which the record then owns.
    void applyTo(BandInfo* band);

private:
    BandInfo counted_record_;
    bool counted_ = false;
};

}  // namespace orvenna
