// The view's redraw on every core: the drawn region split into bands of lines, each band drawn by a renderer
// of its own on one of the threads, byte for byte the picture one renderer draws at once. Expressions whose
// scratch letters carry a value from pixel to pixel are drawn by one renderer, in order, as before.
#pragma once

#include <memory>
#include <vector>

#include "display/Composite.h"

namespace orvenna {

class ThreadedCompositeRenderer {
public:
    // threads: how many draw at once; 0 one per core.
    explicit ThreadedCompositeRenderer(int threads = 0);
    ~ThreadedCompositeRenderer();

    // As CompositeRenderer::draw: the control's stop ends the redraw between bands (a band in progress is
    // finished), lines_done counts the view lines from the top that hold their final pixels, complete is
    // set when every line was drawn. The calling thread draws too.
    void draw(const CompositeBandRow* rows, int row_count, const CompositeExpressions& exprs,
              const ViewGeometry& geometry, const CompositeTarget& target, RedrawControl* control = nullptr);

    int threads() const { return static_cast<int>(renderers_.size()); }

private:
    std::vector<std::unique_ptr<CompositeRenderer>> renderers_;  // one per thread, kept for their buffers
};

}  // namespace orvenna
