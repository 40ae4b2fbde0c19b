// Drawing a whole picture with the viewer's redraw core and handing it to a writer in bands of lines, so
// memory stays bounded whatever the picture's size. Expressions that carry no letter from one pixel to the
// next are drawn on several cores, bands side by side; the others in order on one core. The bytes are the
// same either way, and the same as the viewer's redraw of the same view.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

#include "display/Composite.h"
#include "display/Legend.h"
#include "display/ViewGeometry.h"

namespace orvenna {

class PictureWriter;

// Longest side of a picture a render writes (the GeoTIFF writer holds a row of tiles of its width).
inline constexpr int kMaxPictureSide = 262144;

// The region of a scene a render draws: the window x, y, w, h (scene pixels, clipped to the scene) at a
// magnification step, drawn from the top-left of a picture of its own size. False, with the reason in
// *problem when given, when nothing of the window lies in the scene, a reduction leaves no pixel or the
// picture would have a side longer than kMaxPictureSide.
bool RenderGeometry(int x, int y, int w, int h, int step, int imageWidth, int imageHeight,
                    ViewGeometry* geometry, std::string* problem = nullptr);

struct RenderRequest {
    const CompositeBandRow* rows = nullptr;
    int rowCount = 0;
    CompositeExpressions expressions;
    ViewGeometry geometry;  // from RenderGeometry
    int threads = 1;
    size_t bandBytes = 0;  // picture bytes per band drawn at once; 0 for the default of a few MiB
    std::function<void(double)> progress;     // share done, after every band written; may be empty
    const LegendPicture* legend = nullptr;    // drawn over the picture where its box lies; may be null
    const std::atomic<bool>* stop = nullptr;  // when set, the render ends before the next band; may be null
};

// Draws the picture and writes it through `writer` (begin, lines, finish). False with *error when the
// writer fails or the request's stop was set: the writer is then left unfinished (its file never appears).
bool RenderPicture(const RenderRequest& request, PictureWriter& writer, std::string* error);

}  // namespace orvenna
