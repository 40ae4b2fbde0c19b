// Bands of different pixel sizes drawn together: the grid they share (the area of the first scene at the
// finest pixel size among them) and the placing of a scene's bands on it. A placed scene's records have the
// grid's size and read on it, nearest neighbour: through the band's georeferencing in the same coordinate
// system, through GDAL's warp in another, or by a whole factor when either has no georeferencing. Its
// histograms still count the band's own pixels, and its georeferencing becomes the grid's. Internal to the
// scene module's callers above it; plain C++.
#pragma once

#include <string>
#include <vector>

#include "scene/remos.h"

struct SceneGrid {
    int width = 0;
    int height = 0;
    bool georeferenced = false;
    double transform[6] = {};  // pixel corners to map coordinates, as GDAL's geotransform
    std::string crs_wkt;

    // The same size and, when both are georeferenced, the same transform.
    bool same_as(const SceneGrid& other) const;
};

// The scene's grid as it reads now: its size and its georeferencing when it has one.
SceneGrid scene_grid_of(const SceneFile* scene);

// The grid of scenes drawn together: the first one's area at the finest pixel size among them. Pixel sizes
// are compared in the first's coordinate system (a scene in another one by the size of its pixel there); a
// scene without georeferencing, or beside a first without, by how many pixels it has across and down. Only a
// north-up first grid is made finer.
SceneGrid finest_scene_grid(const std::vector<SceneGrid>& grids);

// Why a scene of grid `own` cannot be placed on `grid` whatever reads it (a size that is no whole part of the
// grid's, without georeferencing to place it by); "" when it may be.
std::string grid_placement_problem(const SceneGrid& own, const SceneGrid& grid);

// Places a GDAL scene's bands on the grid. "" when placed or already on it; otherwise why not, in the user's
// words (no overlap, another size without georeferencing to place it by, a coordinate system that cannot be
// transformed). A scene is placed once.
std::string place_scene_on_grid(SceneFile* scene, const SceneGrid& grid);

// The record of the band at its own size when its scene is placed on a grid, else `band`.
const BandInfo* own_band_record(const BandInfo* band);

// A placed scene's own size and pixel size ("20 m", "0.0003°", or "5490 × 5490" without georeferencing);
// "" when the scene reads at its own size.
std::string scene_own_pixel_size(const SceneFile* scene);
