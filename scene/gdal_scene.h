// State the GDAL reader hangs on a scene (SceneFile::source) and on each of its bands (BandInfo::source).
// Internal to scene/: the rest of the system sees only the remos_* functions.
//
// Threads: GDAL dataset handles are not thread-safe, so every scene keeps one main dataset handle guarded
// by `io`, a mutex taken around each GDAL call on the dataset or its bands. The redraw worker and the GUI
// thread's pixel readout take turns per read (a row read holds the lock for one RasterIO call), and the
// blocks they decode stay in GDAL's block cache under the main handle. The further parts of a histogram
// pass (remos_pass) read through spare handles of the same file instead, part k always through the same
// spare (opened when first needed, at most one per further core, each under a lock of its own), so that
// the parts decode on every core and each block is cached under one handle. The coordinate
// transformations have a lock of their own (`geo`).
#pragma once

#include <gdal.h>
#include <ogr_srs_api.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "scene/reduced_copy.h"
#include "scene/remos.h"

namespace remos_gdal {

struct GdalScene;

// The colour table of a band of palette indices, and the class names its raster attribute table gives them.
struct Palette {
    unsigned char colours[256][3] = {};  // red, green, blue of each index; indices past the table black
    std::vector<std::string> names;      // by index; empty without a table of names
};

// One raster band of a GDAL dataset, pointed to by BandInfo::source. A Byte band of palette indices has three
// records, one per colour, that read its indices looked up in the palette.
struct GdalBand {
    GdalScene* scene = nullptr;
    GDALRasterBandH handle = nullptr;
    GDALDataType type = GDT_Unknown;
    int block_width = 0;  // GDAL's natural block of the band
    int block_height = 0;
    int overview_count = 0;
    int number = 0;                // the band's number in its dataset (1 for the first)
    std::string label;             // band_label (subdatasets.h)
    std::string unit;              // band_unit (subdatasets.h)
    double scale = 1, offset = 0;  // band_value_scale (subdatasets.h)
    int channel = -1;              // palette bands: 0 red, 1 green, 2 blue; -1 for bands read as stored
    std::shared_ptr<const Palette> palette;  // palette bands only
    std::shared_ptr<const std::vector<std::string>>
        classes;  // class names by value, other bands with a table
    // Text grids (ESRI and GRASS ASCII grids) are read line by line from their start, see read_window.
    bool text_lines = false;
    int lines_known = 0;              // lines 0 .. lines_known - 1 have been read
    int first_bad_line = 2147483647;  // first line that could not be read (none yet: INT_MAX)
    // Bands without overviews: where the reduced copy made by the exact histogram pass is published.
    std::shared_ptr<remos_reduced::ReducedSlot> reduced;
    // A band placed on a grid finer than its own (scene_grid.h): the same band at its own size, for its
    // histograms and, unless the band reads through a warped dataset, for the reads the grid maps onto it.
    GdalBand* own = nullptr;
    bool warped = false;  // `handle` is a band of the scene's warped dataset: no spare handle reads it
};

// A pixel-to-map transform and the coordinate transformations between the file's CRS and WGS 84.
struct Georeferencing {
    bool valid = false;
    double to_map[6] = {};    // pixel/line to map coordinates (GDAL geotransform)
    double from_map[6] = {};  // its inverse
    std::string crs_wkt;      // the file's coordinate system (WKT)
    OGRCoordinateTransformationH to_wgs84 = nullptr;
    OGRCoordinateTransformationH from_wgs84 = nullptr;
};

struct GdalScene {
    GDALDatasetH dataset = nullptr;  // null for built-in scenes that only carry georeferencing
    std::mutex io;                   // guards `dataset`, its bands and the read error below
    std::vector<GdalBand> bands;     // one per BandInfo, in band order
    std::string read_error;          // first read failure not yet taken by remos_take_read_error
    bool read_error_seen = false;    // a failure was recorded once already: later ones are not reported
    std::mutex geo;                  // guards the coordinate transformations
    Georeferencing georef;
    std::string dataset_name;  // the name the main handle was opened with, for the spares
    int raster_count = 0;      // the dataset's bands (palette bands have three records each)
    bool subdataset = false;   // dataset_name is a subdataset GDAL named, not a file
    // A scene on a server (scene_url.h): a block not in the cache is a request to the server, and the
    // histograms are counted over an overview (histogram_overview).
    bool remote = false;
    struct Spare {
        std::mutex lock;  // guards both below and every GDAL call through `dataset`
        bool tried = false;
        GDALDatasetH dataset = nullptr;  // null until tried, or when the file would not open again
    };
    std::vector<std::unique_ptr<Spare>> spares;  // one per further core, made with the scene
    // Placed on a grid (scene_grid.h): the bands and their records at their own size; either the grid's
    // columns and lines mapped onto the band's own (-1 outside it), or, for a band in another coordinate
    // system, the warped dataset (GDAL's nearest-neighbour warp onto the grid) the bands read through.
    std::vector<GdalBand> own_bands;
    std::vector<BandInfo> own_records;
    std::vector<int32_t> column_of, line_of;
    GDALDatasetH warped = nullptr;
    double own_transform[6] = {};  // the band's own georeferencing, when it has one
    bool own_georeferenced = false;
    std::string own_unit;  // linear unit of its CRS ("m"), "°" for degrees
};

// Whether the band's reads map the grid's positions onto its own (a placed band not read through a warp).
inline bool reads_mapped(const GdalBand* g) {
    return g && g->own && !g->scene->column_of.empty();
}

// The scene's GDAL state, or null for scenes without one.
inline GdalScene* scene_state(const SceneFile* scene) {
    return scene ? static_cast<GdalScene*>(scene->source) : nullptr;
}
inline GdalBand* band_state(const BandInfo* band) {
    return band ? static_cast<GdalBand*>(band->source) : nullptr;
}

// Registers the drivers and makes GDAL quiet and read-only; runs once per process, later calls return at
// once.
void initialise();

// Opens the scene's dataset once more for a spare; null when it will not open or no longer has the same
// bands and size.
GDALDatasetH open_spare(const GdalScene* scene);

// Message of the last GDAL failure on this thread (kept by the quiet error handler); empty when none since
// clear_last_error.
std::string last_error();
void clear_last_error();

// Reads the file's own georeferencing (geotransform and CRS, or a world file with a .prj beside the file)
// into `georef`. False, with `georef` left invalid, when the file has none that can be turned into WGS 84.
bool read_georeferencing(GDALDatasetH dataset, const char* path, Georeferencing* georef);
void release_georeferencing(Georeferencing* georef);

// Records a failed read of the scene (its GDAL message) for remos_take_read_error; the caller holds `io`.
void note_read_error(GdalScene* scene);

}  // namespace remos_gdal
