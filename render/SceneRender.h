// A render of the document's scene as the render command makes it and the viewer exports it: what the drawing
// reads, taken on the document's thread so that the drawing may run on another, the georeferencing of the
// picture's pixels and whether it is one grey band. Both draw through it, so that the same document, window
// and step give the same file.
#pragma once

#include <memory>
#include <string>

#include "display/Legend.h"
#include "document/Document.h"
#include "render/PictureWriters.h"
#include "render/Render.h"

namespace orvenna {

// Where the pixels of a picture drawn from the document's scene with geometry `g` (first_column,
// first_line, step) lie: the scene's own transform for those pixels, or the metadata's corners as four
// control points in WGS 84; neither when the scene has no geography.
OutputGeoreference SceneGeoreference(const Document& document, const ViewGeometry& g);

struct SceneRender {
    RedrawScene scene;  // the bands and expressions drawn, as they were when it was made
    OutputGeoreference georeference;
    bool grey = false;      // the three channels are one text that assigns no letter: one grey band
    LegendPicture legend;   // drawn over the picture when not empty (see takeLegend)
    RenderRequest request;  // points into `scene` and `legend`: a SceneRender stays where it was made

    // Draws `legend` (painted for the picture's size) into the picture.
    void takeLegend(LegendPicture picture);
    // Draws the picture and writes it to `path` (the format by its extension) with its georeferencing.
    // False with *error when it cannot be written or was stopped; nothing half-written is left.
    bool write(const std::string& path, std::string* error) const;
};

// The first channel whose expression does not compile, named with its problem ("赤の式: ..."); empty when all
// three compile.
std::string ExpressionsProblem(const Document& document);

// The document's scene at `geometry` (from RenderGeometry), drawn on `threads` threads.
std::unique_ptr<SceneRender> PrepareSceneRender(const Document& document, const ViewGeometry& geometry,
                                                int threads);

}  // namespace orvenna
