// The GDAL side of the remos reader: files the built-in readers do not recognise (and TIFFs the built-in TIFF
// reader refuses) open through GDAL as FMT_GDAL scenes, one band record per raster band. The remos_*
// functions hand GDAL bands (BandInfo::source set) to the functions below. Internal to scene/.
#pragma once

#include <gdal.h>

#include <cstdint>
#include <string>
#include <vector>

#include "scene/reduced_copy.h"
#include "scene/remos.h"

namespace remos_gdal {

// Opens the scene's path with GDAL and fills its band records (format FMT_GDAL). Returns REMOS_OK, or
// REMOS_UNKNOWN_FORMAT with the reason in the scene's open_reason; the scene's `format` is left as it was
// when GDAL does not know the file at all. A URL (scene_url.h) opens through GDAL's network file systems;
// a server that does not give the file (not found, no answer in time) gives REMOS_CANNOT_OPEN with the
// reason. With `subdataset` (a name GDAL listed for the scene's file) that part of a container opens
// instead of the file itself.
int open_scene(SceneFile* scene, const std::string& subdataset = std::string());

// The label of a band (subdatasets.h band_label), made from its own and its dataset's metadata.
std::string band_label_of(GDALDatasetH dataset, GDALRasterBandH band);

// Reads only the georeferencing of a file a built-in reader opened (a GeoTIFF the built-in TIFF reader
// reads); the scene keeps no dataset open.
void attach_georeferencing(SceneFile* scene);

// Releases everything the scene holds of GDAL; the scene's records stay as they are.
void close_scene(SceneFile* scene);

// Sets the scene's open_reason (truncated to fit, always NUL-terminated).
void set_open_reason(SceneFile* scene, const char* reason);

// The remos_* operations on a band whose `source` is a GDAL band.
double read_sample(BandInfo* band, int64_t pixel_index);
int read_sample_nowait(BandInfo* band, int64_t pixel_index, double* value);
int read_row(BandInfo* band, unsigned char* dest, int line, int x0, int n);
int read_row_stored(BandInfo* band, void* dest, int line, int x0, int n);
// `lines` lines (from a line inside the band, cut to it by the caller) of n samples from x0, rows n apart.
int read_lines_stored(BandInfo* band, void* dest, int line, int lines, int x0, int n);
int read_row_reduced(BandInfo* band, unsigned char* dest, int line, int x0, int n, int step);
int read_row_stored_reduced(BandInfo* band, void* dest, int line, int x0, int n, int step);
int make_histogram(BandInfo* band, RemosProgress progress, void* context);

// Stored samples (host order) of part of the band, for a histogram that must come quickly: the whole of the
// smallest overview that holds about `enough` samples (1), or windows spread over the band (2); 0 when the
// band cannot be sampled (text grids, empty bands). `count` is the number of samples.
int read_histogram_sample(BandInfo* band, int64_t enough, std::vector<unsigned char>* samples, size_t* count);

// Bands on a server that have overviews are counted over one (the coarsest with at least
// kOverviewHistogramPixels pixels, read whole as a quick histogram reads it), so that a histogram costs a
// small share of the file's bytes rather than the whole file; the counts then stand for the band's values in
// their shares, not in their numbers.
inline constexpr int64_t kOverviewHistogramPixels = int64_t(1) << 18;
// Whether the band's histogram is counted over an overview.
bool counts_overview(const BandInfo* band);
// remos_make_band_histogram (or, for a Byte band, remos_make_histogram_progress) over that overview; the
// band gets the counts, peaks, value span and fine counts.
int make_overview_histogram(BandInfo* band, RemosProgress progress, void* context);

// Where the band's reduced copy goes (a local band without overviews that has none yet), else null.
remos_reduced::ReducedSlot* reduced_slot(const BandInfo* band);

// The record of the band at its own size when it is placed on a grid (scene_grid.h), else `band` itself:
// histograms count the band's own pixels, not the grid's repeated ones.
const BandInfo* own_record(const BandInfo* band);
// Runs a histogram pass on a copy of the band's own record and puts what it counted into `band` (columns,
// peaks, and for wide bands the value span and fine counts); the pass's result.
int count_own_pixels(BandInfo* band, int (*pass)(BandInfo*, RemosProgress, void*), RemosProgress progress,
                     void* context);

// Mapped reads of a band placed on a grid (remos_placed.cpp): as the functions above, on the grid.
double placed_read_sample(BandInfo* band, int64_t pixel_index);
int placed_read_sample_nowait(BandInfo* band, int64_t pixel_index, double* value);
int placed_read_row_stored(BandInfo* band, void* dest, int line, int x0, int n);
int placed_read_lines_stored(BandInfo* band, void* dest, int line, int lines, int x0, int n, int row_samples);
int placed_read_row_stored_reduced(BandInfo* band, void* dest, int line, int x0, int n, int step);

// Converts n stored samples of `sample_type` (host order) to the 8-bit values remos_read_row gives.
void stored_to_bytes(int sample_type, const void* src, unsigned char* dest, int n);

}  // namespace remos_gdal
