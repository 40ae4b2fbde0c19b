#include "scene/scene_grid.h"

#include <cpl_string.h>
#include <gdal.h>
#include <gdal_utils.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>

#include "scene/gdal_scene.h"
#include "scene/remos_gdal.h"
#include "text/translated_text.h"

using orvenna::fill_text;
using orvenna::tr_text;
using remos_gdal::GdalBand;
using remos_gdal::GdalScene;

namespace {

// A spatial reference from WKT with longitude (easting) first; null when the text is not one.
struct Srs {
    OGRSpatialReferenceH h = nullptr;
    explicit Srs(const std::string& wkt) {
        if (wkt.empty()) return;
        h = OSRNewSpatialReference(nullptr);
        const char* text = wkt.c_str();
        if (OSRImportFromWkt(h, const_cast<char**>(&text)) != OGRERR_NONE) {
            OSRDestroySpatialReference(h);
            h = nullptr;
            return;
        }
        OSRSetAxisMappingStrategy(h, OAMS_TRADITIONAL_GIS_ORDER);
    }
    ~Srs() {
        if (h) OSRDestroySpatialReference(h);
    }
    Srs(const Srs&) = delete;
    Srs& operator=(const Srs&) = delete;
};

bool same_crs(const std::string& a, const std::string& b) {
    if (a == b) return true;
    const Srs sa(a), sb(b);
    return sa.h && sb.h && OSRIsSame(sa.h, sb.h);
}

bool north_up(const double t[6]) {
    return t[2] == 0 && t[4] == 0 && t[1] != 0 && t[5] != 0;
}

// Map position of a pixel position (x, y) of the grid.
void to_map(const double t[6], double x, double y, double* mx, double* my) {
    *mx = t[0] + x * t[1] + y * t[2];
    *my = t[3] + x * t[4] + y * t[5];
}

// The pixel size of `g` measured in `first`'s coordinate system (x and y, absolute); false when its
// positions cannot be carried over.
bool pixel_size_in(const SceneGrid& first, const SceneGrid& g, double* sx, double* sy) {
    if (same_crs(first.crs_wkt, g.crs_wkt)) {
        *sx = std::hypot(g.transform[1], g.transform[4]);
        *sy = std::hypot(g.transform[2], g.transform[5]);
        return true;
    }
    const Srs from(g.crs_wkt), to(first.crs_wkt);
    if (!from.h || !to.h) return false;
    OGRCoordinateTransformationH ct = OCTNewCoordinateTransformation(from.h, to.h);
    if (!ct) return false;
    // The scene's centre pixel and its neighbours across and down.
    double x[3], y[3];
    const double cx = g.width / 2.0, cy = g.height / 2.0;
    to_map(g.transform, cx, cy, &x[0], &y[0]);
    to_map(g.transform, cx + 1, cy, &x[1], &y[1]);
    to_map(g.transform, cx, cy + 1, &x[2], &y[2]);
    const bool ok = OCTTransform(ct, 3, x, y, nullptr) != 0;
    OCTDestroyCoordinateTransformation(ct);
    if (!ok) return false;
    *sx = std::hypot(x[1] - x[0], y[1] - y[0]);
    *sy = std::hypot(x[2] - x[0], y[2] - y[0]);
    return std::isfinite(*sx) && std::isfinite(*sy) && *sx > 0 && *sy > 0;
}

std::string size_text(int width, int height) {
    return std::to_string(width) + " × " + std::to_string(height);
}

// Nearest-neighbour maps of the grid's columns and lines onto the band's own (-1 outside it): the band's
// pixel under each grid pixel's centre, as a warp finds it.
bool affine_maps(const SceneGrid& grid, const SceneGrid& own, std::vector<int32_t>* column_of,
                 std::vector<int32_t>* line_of) {
    double inverse[6];
    if (!GDALInvGeoTransform(const_cast<double*>(own.transform), inverse)) return false;
    auto pixel = [](double v, int size) {
        const double f = std::floor(v + 1e-10);
        return f >= 0 && f < size ? static_cast<int32_t>(f) : -1;
    };
    column_of->resize(static_cast<size_t>(grid.width));
    for (int x = 0; x < grid.width; ++x) {
        double mx, my;
        to_map(grid.transform, x + 0.5, 0.5, &mx, &my);
        (*column_of)[static_cast<size_t>(x)] =
            pixel(inverse[0] + mx * inverse[1] + my * inverse[2], own.width);
    }
    line_of->resize(static_cast<size_t>(grid.height));
    for (int y = 0; y < grid.height; ++y) {
        double mx, my;
        to_map(grid.transform, 0.5, y + 0.5, &mx, &my);
        (*line_of)[static_cast<size_t>(y)] =
            pixel(inverse[3] + mx * inverse[4] + my * inverse[5], own.height);
    }
    return true;
}

// Maps of a band that covers the grid's area with whole pixels of `fx` by `fy` grid pixels.
void factor_maps(const SceneGrid& grid, int fx, int fy, std::vector<int32_t>* column_of,
                 std::vector<int32_t>* line_of) {
    column_of->resize(static_cast<size_t>(grid.width));
    for (int x = 0; x < grid.width; ++x)
        (*column_of)[static_cast<size_t>(x)] = x / fx;
    line_of->resize(static_cast<size_t>(grid.height));
    for (int y = 0; y < grid.height; ++y)
        (*line_of)[static_cast<size_t>(y)] = y / fy;
}

bool any_inside(const std::vector<int32_t>& map) {
    return std::any_of(map.begin(), map.end(), [](int32_t v) { return v >= 0; });
}

// Whether the band's area, carried into the grid's coordinate system, meets the grid's; *known false when
// its corners cannot be carried over.
bool overlaps(const SceneGrid& grid, const SceneGrid& own, bool* known) {
    *known = false;
    const Srs from(own.crs_wkt), to(grid.crs_wkt);
    if (!from.h || !to.h) return false;
    OGRCoordinateTransformationH ct = OCTNewCoordinateTransformation(from.h, to.h);
    if (!ct) return false;
    // The band's edges at nine points each, so that a curved edge is not missed.
    std::vector<double> x, y;
    for (int i = 0; i <= 8; ++i) {
        const double f = i / 8.0;
        for (const auto& p : {std::pair<double, double>{f * own.width, 0},
                              {f * own.width, double(own.height)},
                              {0, f * own.height},
                              {double(own.width), f * own.height}}) {
            double mx, my;
            to_map(own.transform, p.first, p.second, &mx, &my);
            x.push_back(mx);
            y.push_back(my);
        }
    }
    std::vector<int> ok(x.size());
    OCTTransformEx(ct, static_cast<int>(x.size()), x.data(), y.data(), nullptr, ok.data());
    OCTDestroyCoordinateTransformation(ct);
    double x0 = HUGE_VAL, x1 = -HUGE_VAL, y0 = HUGE_VAL, y1 = -HUGE_VAL;
    for (size_t i = 0; i < x.size(); ++i) {
        if (!ok[i] || !std::isfinite(x[i]) || !std::isfinite(y[i])) continue;
        x0 = std::min(x0, x[i]);
        x1 = std::max(x1, x[i]);
        y0 = std::min(y0, y[i]);
        y1 = std::max(y1, y[i]);
    }
    if (x0 > x1) return false;
    *known = true;
    double gx0, gy0, gx1, gy1;
    to_map(grid.transform, 0, 0, &gx0, &gy0);
    to_map(grid.transform, grid.width, grid.height, &gx1, &gy1);
    return x0 < std::max(gx0, gx1) && x1 > std::min(gx0, gx1) && y0 < std::max(gy0, gy1) &&
           y1 > std::min(gy0, gy1);
}

// GDAL's nearest-neighbour warp of the dataset onto the grid, as a virtual dataset read on demand.
GDALDatasetH warp_onto(GDALDatasetH dataset, const SceneGrid& grid) {
    double x0, y0, x1, y1;
    to_map(grid.transform, 0, 0, &x0, &y0);
    to_map(grid.transform, grid.width, grid.height, &x1, &y1);
    auto number = [](double v) {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", v);
        return std::string(text);
    };
    CPLStringList args;
    for (const std::string& a :
         {std::string("-of"), std::string("VRT"), std::string("-r"), std::string("near"),
          std::string("-t_srs"), grid.crs_wkt, std::string("-te"), number(std::min(x0, x1)),
          number(std::min(y0, y1)), number(std::max(x0, x1)), number(std::max(y0, y1)), std::string("-ts"),
          std::to_string(grid.width), std::to_string(grid.height)})
        args.AddString(a.c_str());
    GDALWarpAppOptions* options = GDALWarpAppOptionsNew(args.List(), nullptr);
    if (!options) return nullptr;
    int usage_error = 0;
    GDALDatasetH warped = GDALWarp("", nullptr, 1, &dataset, options, &usage_error);
    GDALWarpAppOptionsFree(options);
    return warped;
}

std::string unit_of(const std::string& wkt) {
    const Srs srs(wkt);
    if (!srs.h) return "";
    if (OSRIsGeographic(srs.h)) return "°";
    char* name = nullptr;
    OSRGetLinearUnits(srs.h, &name);
    const std::string unit = name ? name : "";
    return unit == "metre" || unit == "meter" || unit == "Meter" ? "m" : unit;
}

// Replaces the scene's georeferencing by the grid's: pixel positions on the grid then give its positions.
void adopt_transform(GdalScene* s, const double t[6]) {
    double inverse[6];
    if (!GDALInvGeoTransform(const_cast<double*>(t), inverse)) return;
    for (int i = 0; i < 6; ++i) {
        s->georef.to_map[i] = t[i];
        s->georef.from_map[i] = inverse[i];
    }
}

}  // namespace

bool SceneGrid::same_as(const SceneGrid& other) const {
    if (width != other.width || height != other.height) return false;
    if (!georeferenced || !other.georeferenced) return true;
    for (int i = 0; i < 6; ++i)
        if (std::fabs(transform[i] - other.transform[i]) > 1e-9 * std::max(1.0, std::fabs(transform[i])))
            return false;
    return same_crs(crs_wkt, other.crs_wkt);
}

SceneGrid scene_grid_of(const SceneFile* scene) {
    SceneGrid grid;
    if (!scene) return grid;
    grid.width = scene->width;
    grid.height = static_cast<int>(std::min<uint32_t>(scene->height, INT_MAX));
    char wkt[16384];
    if (remos_scene_transform(scene, grid.transform, wkt, sizeof wkt)) {
        grid.georeferenced = true;
        grid.crs_wkt = wkt;
    }
    return grid;
}

// How many times finer than the first file a grid may be, and its largest side: a file claiming a tiny pixel
// size makes no grid whose maps (four bytes a column and a line) would not fit; finer bands are then read at
// the grid's pixels like any band of another size.
constexpr double kMaxRefinement = 64;
constexpr double kMaxGridSide = double(1 << 24);

SceneGrid finest_scene_grid(const std::vector<SceneGrid>& grids) {
    if (grids.empty()) return SceneGrid();
    SceneGrid grid = grids.front();
    double rx = 1, ry = 1;  // how many times finer than the first
    for (size_t i = 1; i < grids.size(); ++i) {
        const SceneGrid& g = grids[i];
        if (g.width <= 0 || g.height <= 0) continue;
        if (grid.georeferenced && g.georeferenced) {
            double sx, sy;
            if (!north_up(grid.transform) || !pixel_size_in(grid, g, &sx, &sy) || !(sx > 0) || !(sy > 0))
                continue;
            rx = std::max(rx, std::fabs(grid.transform[1]) / sx);
            ry = std::max(ry, std::fabs(grid.transform[5]) / sy);
        } else if (g.width % grid.width == 0 && g.height % grid.height == 0) {
            // Without georeferencing only a whole multiple of the first's size tells how they lie.
            rx = std::max(rx, double(g.width) / grid.width);
            ry = std::max(ry, double(g.height) / grid.height);
        }
    }
    const SceneGrid& first = grids.front();
    rx = std::min({rx, kMaxRefinement, kMaxGridSide / std::max(1, first.width)});
    ry = std::min({ry, kMaxRefinement, kMaxGridSide / std::max(1, first.height)});
    // Sizes that differ by rounding alone leave the grid as it is.
    if (!(rx >= 1 + 1e-6 || ry >= 1 + 1e-6)) return grid;
    rx = std::max(rx, 1.0);
    ry = std::max(ry, 1.0);
    grid.width = static_cast<int>(std::min<double>(INT_MAX, std::lround(first.width * rx)));
    grid.height = static_cast<int>(std::min<double>(INT_MAX, std::lround(first.height * ry)));
    if (grid.georeferenced) {
        // The first's area, whole: the pixel size is what the rounded size gives.
        grid.transform[1] = first.transform[1] * first.width / grid.width;
        grid.transform[5] = first.transform[5] * first.height / grid.height;
    }
    return grid;
}

std::string grid_placement_problem(const SceneGrid& own, const SceneGrid& grid) {
    if (grid.width <= 0 || grid.height <= 0 || own.width <= 0 || own.height <= 0)
        return tr_text("SceneGrid", "大きさが 0 です");
    if (own.georeferenced && grid.georeferenced) return "";
    // Without georeferencing to place it by, the band covers the grid's area by a whole factor.
    if (grid.width % own.width != 0 || grid.height % own.height != 0)
        return fill_text(tr_text("SceneGrid",
                                 "大きさ %1 が格子 %2 の整数分の 1 ではなく、"
                                 "重ねる位置を決める地理情報もありません"),
                         {size_text(own.width, own.height), size_text(grid.width, grid.height)});
    return "";
}

std::string place_scene_on_grid(SceneFile* scene, const SceneGrid& grid) {
    GdalScene* s = remos_gdal::scene_state(scene);
    if (!s || !s->dataset) return tr_text("SceneGrid", "GDAL で読めないため格子に重ねられません");
    const SceneGrid own = scene_grid_of(scene);
    if (own.same_as(grid) || !s->own_records.empty()) return "";
    const std::string problem = grid_placement_problem(own, grid);
    if (!problem.empty()) return problem;
    if (grid.width > kMaxGridSide || grid.height > kMaxGridSide)
        return fill_text(tr_text("SceneGrid", "格子 %1 が大きすぎて重ねられません"),
                         {size_text(grid.width, grid.height)});

    std::vector<int32_t> column_of, line_of;
    GDALDatasetH warped = nullptr;
    if (!own.georeferenced || !grid.georeferenced) {
        factor_maps(grid, grid.width / own.width, grid.height / own.height, &column_of, &line_of);
    } else if (same_crs(own.crs_wkt, grid.crs_wkt) && north_up(own.transform) && north_up(grid.transform)) {
        if (!affine_maps(grid, own, &column_of, &line_of) || !any_inside(column_of) || !any_inside(line_of))
            return tr_text("SceneGrid", "範囲が格子と重なりません");
    } else {
        if (!north_up(grid.transform))
            return tr_text("SceneGrid", "回転した格子には別の座標系のバンドを重ねられません");
        bool known = false;
        const bool meets = overlaps(grid, own, &known);
        if (!known) return tr_text("SceneGrid", "座標系を格子の座標系に変換できません");
        if (!meets) return tr_text("SceneGrid", "範囲が格子と重なりません");
        remos_gdal::clear_last_error();
        warped = warp_onto(s->dataset, grid);
        if (!warped)
            return fill_text(tr_text("SceneGrid", "格子に投影し直せません: %1"), {remos_gdal::last_error()});
    }

    // The bands and records at their own size stay for histograms (and the mapped reads).
    const size_t count = s->bands.size();
    s->own_bands = s->bands;
    s->own_records.assign(scene->bands, scene->bands + count);
    s->own_transform[0] = 0;
    std::copy(own.transform, own.transform + 6, s->own_transform);
    s->own_georeferenced = own.georeferenced;
    s->own_unit = own.georeferenced ? unit_of(own.crs_wkt) : "";
    const int S = scene->bands[0].bytes_per_sample;
    for (size_t i = 0; i < count; ++i) {
        GdalBand& g = s->bands[i];
        BandInfo& own_record = s->own_records[i];
        own_record.source = &s->own_bands[i];
        own_record.value_counts = nullptr;
        g.own = &s->own_bands[i];
        if (warped) {
            g.handle = GDALGetRasterBand(warped, g.number);
            GDALGetBlockSize(g.handle, &g.block_width, &g.block_height);
            if (g.block_width < 1) g.block_width = grid.width;
            if (g.block_height < 1) g.block_height = 1;
            g.overview_count = GDALGetOverviewCount(g.handle);
            g.warped = true;
            g.text_lines = false;
            // The warp's reduced views come from its overviews or whole lines: no copy is kept.
            g.reduced.reset();
            s->own_bands[i].reduced.reset();
        }
        BandInfo& b = scene->bands[i];
        b.width = grid.width;
        b.lines = grid.height;
        const int64_t row_bytes = int64_t(grid.width) * S;
        b.record_length = row_bytes <= INT32_MAX ? static_cast<int32_t>(row_bytes) : 0;
    }
    s->column_of = std::move(column_of);
    s->line_of = std::move(line_of);
    s->warped = warped;
    scene->width = grid.width;
    scene->height = static_cast<uint32_t>(grid.height);
    if (warped) {
        remos_gdal::read_georeferencing(warped, "", &s->georef);
    } else if (grid.georeferenced && s->georef.valid) {
        adopt_transform(s, grid.transform);
    } else if (s->georef.valid) {
        // A grid without georeferencing: the band's own, spread over the grid's pixels.
        double t[6];
        std::copy(own.transform, own.transform + 6, t);
        const double fx = double(own.width) / grid.width, fy = double(own.height) / grid.height;
        t[1] *= fx;
        t[4] *= fx;
        t[2] *= fy;
        t[5] *= fy;
        adopt_transform(s, t);
    }
    return "";
}

const BandInfo* own_band_record(const BandInfo* band) {
    return remos_gdal::own_record(band);
}

std::string scene_own_pixel_size(const SceneFile* scene) {
    const GdalScene* s = remos_gdal::scene_state(scene);
    if (!s || s->own_records.empty()) return "";
    if (!s->own_georeferenced) return size_text(s->own_records.front().width, s->own_records.front().lines);
    auto number = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%.6g", std::fabs(v));
        return std::string(text);
    };
    const double sx = std::hypot(s->own_transform[1], s->own_transform[4]),
                 sy = std::hypot(s->own_transform[2], s->own_transform[5]);
    const std::string unit = s->own_unit == "°" ? "°" : " " + s->own_unit;
    const std::string x = number(sx);
    return (std::fabs(sx - sy) <= 1e-9 * sx ? x : x + " × " + number(sy)) + unit;
}
