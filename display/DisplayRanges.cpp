#include "display/DisplayRanges.h"

#include <algorithm>

#include "scene/remos.h"

namespace orvenna {

void SetOpeningRange(BandInfo* band) {
    if (!band) return;
    if (!remos_band_is_wide(band)) {
        remos_auto_range(band, kDefaultClipRatio, kDefaultExcludeEnds);
        // A band of one value (or none) shows its whole span instead.
        if (band->range_low >= band->range_high) {
            band->range_low = 0;
            band->range_high = 255;
        }
        return;
    }
    if (!remos_auto_range_values(band, kDefaultClipRatio, kDefaultExcludeEnds) ||
        !(band->display_high > band->display_low))
        remos_full_range_values(band);
}

void SetFullRange(BandInfo* band) {
    if (!band) return;
    if (remos_band_is_wide(band)) {
        remos_full_range_values(band);
    } else {
        band->range_low = 0;
        band->range_high = 255;
    }
}

void SetAutomaticRange(BandInfo* band, double ratio, bool excludeEnds) {
    if (!band) return;
    if (remos_band_is_wide(band))
        remos_auto_range_values(band, ratio, excludeEnds ? 1 : 0);
    else
        remos_auto_range(band, ratio, excludeEnds ? 1 : 0);
}

void SeparateEightBitBounds(bool lowerMoved, int* low, int* high) {
    *low = std::clamp(*low, 0, 255);
    *high = std::clamp(*high, 0, 255);
    if (*low < *high) return;
    if (lowerMoved) {
        *low = std::max(*high - 1, 0);
        *high = *low + 1;
    } else {
        *high = std::min(*low + 1, 255);
        *low = *high - 1;
    }
}

}  // namespace orvenna
