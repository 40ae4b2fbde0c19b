#include "display/Composite.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "calc/ecalc.h"
#include "calc/ecalc_program.h"
#include "display/CompositeCache.h"
#include "display/CompositeRows.h"
#include "display/StoredValueRuns.h"
#include "scene/remos.h"

namespace orvenna {

int ReadPictureRow(const CompositeBandRow& row, unsigned char* dest, int line, int x0, int n) {
    const BandInfo* band = row.band;
    if (!band || !row.picture || !dest || n <= 0) return 0;
    // The band record says how large the picture is; never trust it beyond the picture actually held.
    const int lines = std::min(band->lines, row.picture_height);
    const int width = std::min(band->width, row.picture_width);
    if (lines <= 0 || width <= 0) return 0;
    if (line >= lines) line = lines - 1;
    if (line < 0) line = 0;
    if (x0 >= width) x0 = width - 1;
    if (x0 < 0) x0 = 0;
    if (n > width - x0) n = width - x0;
    int channel_byte;  // offset of the channel inside a blue, green, red pixel
    switch (band->index) {
        case 0:
            channel_byte = 2;
            break;
        case 1:
            channel_byte = 1;
            break;
        case 2:
            channel_byte = 0;
            break;
        default:
            return 0;
    }
    const uint8_t* src = row.picture + static_cast<std::ptrdiff_t>(line) * row.picture_stride +
                         static_cast<std::ptrdiff_t>(x0) * 3 + channel_byte;
    for (int i = 0; i < n; ++i)
        dest[i] = src[static_cast<std::ptrdiff_t>(i) * 3];
    return n;
}

void RowBuffers::prepare(const CompositeBandRow* rows, int row_count, int run) {
    buffers_.assign(static_cast<size_t>(std::max(0, row_count)), nullptr);
    stand_ins_.resize(buffers_.size());
    for (int b = 0; b < row_count; ++b) {
        if (rows[b].line_buf && rows[b].line_buf_size >= run) {
            buffers_[b] = rows[b].line_buf;
        } else {
            stand_ins_[b].assign(static_cast<size_t>(std::max(1, run)), 0);
            buffers_[b] = stand_ins_[b].data();
        }
    }
}

void FetchBandRun(const CompositeBandRow& row, unsigned char* dest, int line, int x0, int n, bool stretch,
                  WideBandMapping* mapping, uint8_t* missing) {
    if (n <= 0) return;
    if (!row.band) {
        std::memset(dest, 0, static_cast<size_t>(n));
        return;
    }
    if (mapping && mapping->active()) {
        mapping->fetch(row.band, dest, line, x0, n, 1, missing);
        return;
    }
    if (row.is_picture()) {
        ReadPictureRow(row, dest, line, x0, n);
    } else {
        remos_read_row(row.band, dest, line, x0, n);
        const int none = missing ? MissingByte(row) : -1;
        if (none >= 0)
            for (int i = 0; i < n; ++i)
                if (dest[i] == none) missing[i] = 1;
    }
    if (stretch) remos_stretch_row(row.band, dest, n);
}

int MissingByte(const CompositeBandRow& row) {
    const BandInfo* b = row.band;
    if (!b || row.is_picture() || remos_band_is_wide(b) || !b->has_nodata) return -1;
    return b->nodata >= 0 && b->nodata <= 255 && b->nodata == std::floor(b->nodata)
               ? static_cast<int>(b->nodata)
               : -1;
}

bool MarksMissing(const CompositeBandRow& row, const WideBandMapping& mapping) {
    return mapping.marks_missing() || MissingByte(row) >= 0;
}

void PaintMissing(const CompositeTarget& target, const uint8_t* missing, int count, uint8_t* bgr) {
    for (int i = 0; i < count; ++i) {
        if (!missing[i]) continue;
        bgr[3 * i] = target.missing_blue;
        bgr[3 * i + 1] = target.missing_green;
        bgr[3 * i + 2] = target.missing_red;
    }
}

void PrepareMappings(const CompositeBandRow* rows, int row_count, std::vector<WideBandMapping>& mappings) {
    mappings.resize(static_cast<size_t>(std::max(0, row_count)));
    for (int b = 0; b < row_count; ++b)
        mappings[static_cast<size_t>(b)].prepare(rows[b].band, rows[b].is_picture());
}

void FillWhite(const CompositeTarget& target) {
    if (!target.pixels || target.width <= 0) return;
    for (int y = 0; y < target.height; ++y) {
        std::memset(target.pixels + static_cast<std::ptrdiff_t>(y) * target.stride, 0xFF,
                    static_cast<size_t>(target.width) * 3);
    }
}

void DrawCompositeReference(const CompositeBandRow* rows, int row_count, const CompositeExpressions& exprs,
                            const ViewGeometry& geometry, const CompositeTarget& target) {
    FillWhite(target);
    if (!target.pixels) return;
    row_count = std::max(0, row_count);

    double values[kLetterCount] = {};  // every letter starts at 0 for the redraw
    LetterCells cells;
    for (int k = 0; k < kLetterCount; ++k)
        cells[k] = &values[k];
    const int lettered = std::min(row_count, kLetterCount);

    const int F = geometry.factor;
    const int C = geometry.columns;
    const int L = geometry.lines;
    RowBuffers bufs;
    std::vector<WideBandMapping> mappings;
    PrepareMappings(rows, row_count, mappings);
    // The bands the expressions read that can be without data mark the pixels drawn in its colour; every
    // band read as stored values can.
    uint32_t read = 0, stored_read = 0;
    for (const CalcExpr* tree : {exprs.red, exprs.green, exprs.blue}) {
        if (!tree) continue;
        const EcalcProgram program(tree);
        read |= program.letters_read();
        stored_read |= program.stored_read();
    }
    StoredValueReader stored_reader;
    StoredRuns stored_runs;
    double stored[kLetterCount] = {};
    std::vector<bool> marking(static_cast<size_t>(row_count), false);
    for (int b = 0; b < lettered; ++b)
        marking[static_cast<size_t>(b)] = (read >> b & 1) && MarksMissing(rows[b], mappings[b]);
    std::vector<uint8_t> missing(static_cast<size_t>(std::max(C, 0)), 0);
    auto put = [&](int x, int y, int count, const uint8_t* bgr, int i) {
        if (missing[static_cast<size_t>(i)])
            PutPixels(target, x, y, count, target.missing_blue, target.missing_green, target.missing_red);
        else
            PutPixels(target, x, y, count, bgr[0], bgr[1], bgr[2]);
    };

    auto evaluate_pixel = [&](uint8_t* bgr, int i) {
        for (int b = 0; b < lettered; ++b)
            if (stored_runs.run[b]) stored[b] = stored_runs.run[b][i];
        bgr[2] = static_cast<uint8_t>(ClampToByte(ecalc_evaluate_stored(exprs.red, cells, stored, 0.0)));
        bgr[1] = static_cast<uint8_t>(ClampToByte(ecalc_evaluate_stored(exprs.green, cells, stored, 0.0)));
        bgr[0] = static_cast<uint8_t>(ClampToByte(ecalc_evaluate_stored(exprs.blue, cells, stored, 0.0)));
    };
    stored_runs.prepare(stored_read, lettered, C);
    auto fetch_stored = [&](int line, int n, int step) {
        for (int b = 0; b < lettered; ++b)
            if (stored_runs.run[b])
                stored_reader.fetch(rows[b], stored_runs.run[b], line, geometry.first_column, n, step,
                                    missing.data());
    };

    if (geometry.magnifying()) {
        bufs.prepare(rows, row_count, C);
        for (int j = 0; j < L; ++j) {
            std::fill(missing.begin(), missing.end(), 0);
            fetch_stored(geometry.first_line + j, C, 1);
            for (int b = 0; b < row_count; ++b) {
                FetchBandRun(rows[b], bufs[b], geometry.first_line + j, geometry.first_column, C, true,
                             &mappings[b], marking[static_cast<size_t>(b)] ? missing.data() : nullptr);
            }
            for (int k = 0; k < F; ++k) {
                const int y = geometry.offset_y + j * F + k;
                for (int i = 0; i < C; ++i) {
                    for (int b = 0; b < lettered; ++b)
                        values[b] = bufs[b][i];
                    uint8_t bgr[3];
                    evaluate_pixel(bgr, i);
                    put(geometry.offset_x + i * F, y, F, bgr, i);
                }
            }
        }
    } else {
        bufs.prepare(rows, row_count, C * F);
        for (int j = 0; j < L; ++j) {
            std::fill(missing.begin(), missing.end(), 0);
            fetch_stored(geometry.first_line + j * F, C * F, F);
            for (int b = 0; b < row_count; ++b) {
                const bool marks = marking[static_cast<size_t>(b)];
                // Mapped wide bands read their reduced run (a GDAL band's overview when it has one), packed;
                // the others the whole run, sampled below.
                if (rows[b].band && mappings[b].active()) {
                    mappings[b].fetch(rows[b].band, bufs[b], geometry.first_line + j * F,
                                      geometry.first_column, C * F, F, marks ? missing.data() : nullptr);
                } else {
                    FetchBandRun(rows[b], bufs[b], geometry.first_line + j * F, geometry.first_column, C * F,
                                 false, nullptr);
                    const int none = marks ? MissingByte(rows[b]) : -1;
                    for (int i = 0; none >= 0 && i < C; ++i)
                        if (bufs[b][i * F] == none) missing[static_cast<size_t>(i)] = 1;
                }
            }
            const int y = geometry.offset_y + j;
            for (int i = 0; i < C; ++i) {
                for (int b = 0; b < lettered; ++b) {
                    // Mapped wide bands hold their bytes already; the others pass through the 8-bit range.
                    values[b] = !rows[b].band          ? 0
                                : mappings[b].active() ? bufs[b][i]
                                                       : remos_stretch_value(rows[b].band, bufs[b][i * F]);
                }
                uint8_t bgr[3];
                evaluate_pixel(bgr, i);
                put(geometry.offset_x + i, y, 1, bgr, i);
            }
        }
    }
}

CompositeRenderer::CompositeRenderer() : cache_(std::make_unique<CompositeCache>()) {}
CompositeRenderer::~CompositeRenderer() = default;

void CompositeRenderer::draw(const CompositeBandRow* rows, int row_count, const CompositeExpressions& exprs,
                             const ViewGeometry& geometry, const CompositeTarget& target,
                             RedrawControl* control) {
    stats_ = CompositeStats{};
    cache_->draw(rows, row_count, exprs, geometry, target, cache_enabled_, &stats_, control);
}

void CompositeRenderer::draw_next_band(const CompositeBandRow* rows, int row_count,
                                       const CompositeExpressions& exprs, const ViewGeometry& geometry,
                                       const CompositeTarget& target) {
    stats_ = CompositeStats{};
    cache_->draw(rows, row_count, exprs, geometry, target, cache_enabled_, &stats_, nullptr, true);
}

bool ExpressionsCarryLetters(const CompositeExpressions& exprs, int row_count) {
    const CalcExpr* trees[3] = {exprs.red, exprs.green, exprs.blue};
    ProgramMasks masks[3];
    for (int c = 0; c < 3; ++c) {
        const EcalcProgram program(trees[c]);
        masks[c].read = program.letters_read();
        masks[c].written = program.letters_written();
        masks[c].always_written = program.letters_always_written();
        masks[c].read_before_write = program.letters_read_before_write();
    }
    return PlanPixel(masks, std::max(0, row_count)).state_letters != 0;
}

bool ExpressionAssignsLetters(const CalcExpr* tree) {
    return EcalcProgram(tree).letters_written() != 0;
}

}  // namespace orvenna
