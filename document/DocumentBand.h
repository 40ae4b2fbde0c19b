// One listed band of the document: where its samples come from and what the viewer keeps of it. The band's
// display range and histogram live in its record (BandInfo): range_low..range_high for 8-bit bands,
// display_low..display_high in the band's own values for wider ones.
#pragma once

#include <memory>
#include <string>

#include "scene/SceneHandle.h"
#include "scene/picture_files.h"

namespace orvenna {

struct DocumentBand {
    // The opened file that holds the band; shared with the jobs that read it, so closing a band never waits
    // for a redraw: the file closes when the last of them lets go.
    std::shared_ptr<SceneHandle> scene;
    BandInfo* info = nullptr;  // the band's record in the scene's band array
    // Picture bands (a bitmap's or a JPEG's red, green and blue): the decoded picture, shared by the three.
    std::shared_ptr<const DecodedPicture> picture;
    std::string fileName;           // the file's name without its folder, as the file system holds it
    bool histogramMade = false;     // counted exactly
    bool histogramSampled = false;  // counted from a sample of the band; the exact count is still to come

    bool isPicture() const { return picture != nullptr; }
    bool isWide() const { return !picture && remos_band_is_wide(info) != 0; }
};

// Letters exist for the first 26 bands only ('a'..'z' in expressions).
inline constexpr int kBandLetterCount = 26;

}  // namespace orvenna
