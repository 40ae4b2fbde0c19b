// The scene file's own georeferencing: its pixel-to-map transform and CRS (from the file, or from a world
// file and the .prj beside it), and the exact conversions between pixels and WGS 84 latitude/longitude.
#include <cpl_conv.h>
#include <cpl_string.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "scene/gdal_scene.h"
#include "scene/regular_file.h"

namespace remos_gdal {

namespace {

constexpr long kMaxPrjBytes = 64 * 1024;

// The CRS of the .prj beside `path` (same name, extension .prj or .PRJ), or null.
OGRSpatialReferenceH crs_from_prj(const char* path) {
    if (!path || !*path) return nullptr;  // a scene on a server: no side files
    for (const char* ext : {"prj", "PRJ"}) {
        const std::string prj = CPLResetExtension(path, ext);
        FILE* f = open_regular_file(prj.c_str());
        if (!f) continue;
        std::string text(static_cast<size_t>(kMaxPrjBytes), '\0');
        const size_t n = fread(&text[0], 1, text.size(), f);
        fclose(f);
        text.resize(n);
        if (text.empty()) continue;
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        // ESRI .prj files hold ESRI WKT (or, in old ones, keyword lines); OGC WKT is accepted too.
        char** lines = CSLTokenizeStringComplex(text.c_str(), "\r\n", FALSE, FALSE);
        OGRErr err = OSRImportFromESRI(srs, lines);
        CSLDestroy(lines);
        if (err != OGRERR_NONE) {
            const char* wkt = text.c_str();
            err = OSRImportFromWkt(srs, const_cast<char**>(&wkt));
        }
        if (err == OGRERR_NONE) return srs;
        OSRDestroySpatialReference(srs);
    }
    return nullptr;
}

bool both_finite(double a, double b) {
    return std::isfinite(a) && std::isfinite(b);
}

// Floor of v as an int, kept inside the int range.
int floor_to_int(double v) {
    const double f = std::floor(v);
    if (f <= static_cast<double>(INT32_MIN)) return INT32_MIN;
    if (f >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    return static_cast<int>(f);
}

}  // namespace

bool read_georeferencing(GDALDatasetH dataset, const char* path, Georeferencing* georef) {
    release_georeferencing(georef);
    double to_map[6], from_map[6];
    if (GDALGetGeoTransform(dataset, to_map) != CE_None) return false;
    if (!GDALInvGeoTransform(to_map, from_map)) return false;
    OGRSpatialReferenceH own = GDALGetSpatialRef(dataset);
    OGRSpatialReferenceH crs = own ? OSRClone(own) : crs_from_prj(path);
    if (!crs) return false;
    OGRSpatialReferenceH wgs84 = OSRNewSpatialReference(nullptr);
    bool ok = OSRImportFromEPSG(wgs84, 4326) == OGRERR_NONE;
    // Longitude first, whatever the axis order the CRS's definition names.
    OSRSetAxisMappingStrategy(crs, OAMS_TRADITIONAL_GIS_ORDER);
    OSRSetAxisMappingStrategy(wgs84, OAMS_TRADITIONAL_GIS_ORDER);
    char* wkt = nullptr;
    if (OSRExportToWkt(crs, &wkt) == OGRERR_NONE && wkt) georef->crs_wkt = wkt;
    CPLFree(wkt);
    if (ok) {
        georef->to_wgs84 = OCTNewCoordinateTransformation(crs, wgs84);
        georef->from_wgs84 = OCTNewCoordinateTransformation(wgs84, crs);
        ok = georef->to_wgs84 && georef->from_wgs84;
    }
    OSRDestroySpatialReference(crs);
    OSRDestroySpatialReference(wgs84);
    if (!ok) {
        release_georeferencing(georef);
        return false;
    }
    for (int i = 0; i < 6; ++i) {
        georef->to_map[i] = to_map[i];
        georef->from_map[i] = from_map[i];
    }
    georef->valid = true;
    return true;
}

void release_georeferencing(Georeferencing* georef) {
    if (georef->to_wgs84) OCTDestroyCoordinateTransformation(georef->to_wgs84);
    if (georef->from_wgs84) OCTDestroyCoordinateTransformation(georef->from_wgs84);
    georef->to_wgs84 = nullptr;
    georef->from_wgs84 = nullptr;
    georef->valid = false;
}

}  // namespace remos_gdal

using remos_gdal::both_finite;
using remos_gdal::GdalScene;
using remos_gdal::scene_state;

int remos_is_georeferenced(const SceneFile* scene) {
    const GdalScene* s = scene_state(scene);
    return s && s->georef.valid ? 1 : 0;
}

int remos_scene_transform(const SceneFile* scene, double transform[6], char* crs_wkt, int crs_size) {
    const GdalScene* s = scene_state(scene);
    if (!s || !s->georef.valid || !transform || !crs_wkt || crs_size <= 0) return 0;
    if (s->georef.crs_wkt.size() >= static_cast<size_t>(crs_size)) return 0;
    for (int i = 0; i < 6; ++i)
        transform[i] = s->georef.to_map[i];
    std::memcpy(crs_wkt, s->georef.crs_wkt.c_str(), s->georef.crs_wkt.size() + 1);
    return 1;
}

int remos_pixel_to_geo(const SceneFile* scene, int x, int y, double* lat, double* lon) {
    GdalScene* s = scene_state(scene);
    if (!s || !s->georef.valid || !lat || !lon) return 0;
    const double* t = s->georef.to_map;
    const double px = x + 0.5, py = y + 0.5;
    double mx = t[0] + px * t[1] + py * t[2];
    double my = t[3] + px * t[4] + py * t[5];
    {
        std::lock_guard<std::mutex> lock(s->geo);
        if (!OCTTransform(s->georef.to_wgs84, 1, &mx, &my, nullptr)) return 0;
    }
    if (!both_finite(mx, my)) return 0;
    *lon = mx;
    *lat = my;
    return 1;
}

int remos_geo_to_pixel_exact(const SceneFile* scene, double lat, double lon, int* x, int* y) {
    GdalScene* s = scene_state(scene);
    if (!s || !s->georef.valid || !x || !y || !both_finite(lat, lon)) return 0;
    double mx = lon, my = lat;
    {
        std::lock_guard<std::mutex> lock(s->geo);
        if (!OCTTransform(s->georef.from_wgs84, 1, &mx, &my, nullptr)) return 0;
    }
    if (!both_finite(mx, my)) return 0;
    const double* t = s->georef.from_map;
    const double px = t[0] + mx * t[1] + my * t[2];
    const double py = t[3] + mx * t[4] + my * t[5];
    if (!both_finite(px, py)) return 0;
    *x = remos_gdal::floor_to_int(px);
    *y = remos_gdal::floor_to_int(py);
    return 1;
}
