#include "scene/scene_metadata.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <string>

#include "scene/SceneHandle.h"
#include "scene/econf.h"
#include "scene/metadata_files.h"
#include "text/translated_text.h"

using orvenna::fill_text;
using orvenna::tr_text;

namespace {

// A regular file of at most the size limit; *too_large names one that is larger.
bool readable(const std::string& path, std::string* too_large) {
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (st.st_size > kMaxSceneMetadataBytes) {
        if (too_large->empty()) *too_large = path;
        return false;
    }
    return true;
}

double number(ConfFile* conf, const char* key) {
    return econf_number(econf_find(conf, key));
}

std::string file_name_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool finite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

// A number as the file gave it, near enough: "95", "400.5", "1e+308".
std::string number_text(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

// Why corners cannot lie on the globe, or "".
std::string corner_problem(const LandsatCorners& c) {
    if (!finite({c.ul_lat, c.ul_lon, c.ur_lat, c.ur_lon, c.ll_lat, c.ll_lon, c.lr_lat, c.lr_lon}))
        return tr_text("SceneMetadata", "数ではない値があります");
    for (double lat : {c.ul_lat, c.ur_lat, c.ll_lat, c.lr_lat})
        if (std::fabs(lat) > 90)
            return fill_text(tr_text("SceneMetadata", "緯度 %1 は ±90 を越えています"), {number_text(lat)});
    for (double lon : {c.ul_lon, c.ur_lon, c.ll_lon, c.lr_lon})
        if (std::fabs(lon) > 180)
            return fill_text(tr_text("SceneMetadata", "経度 %1 は ±180 を越えています"), {number_text(lon)});
    return std::string();
}

// Drops what the file gave that cannot be right, saying why in state->ignored.
void check_values(const std::string& file, SceneMetadataState* state) {
    const std::string name = file_name_of(file);
    if (state->geo_valid) {
        const std::string problem = corner_problem(state->corners);
        if (!problem.empty()) {
            state->geo_valid = false;
            state->ignored =
                fill_text(tr_text("SceneMetadata", "\"%1\" の隅の座標は使いません: %2"), {name, problem});
        }
    }
    if (state->landsat7_valid && !finite({state->lmax, state->lmin})) {
        state->landsat7_valid = false;
        state->ignored = fill_text(
            tr_text("SceneMetadata", "\"%1\" のLMAX/LMIN は使いません: 数ではない値があります"), {name});
    }
    for (LandsatReflectanceBand& band : state->reflectance) {
        if (band.valid && !finite({band.mult, band.add})) {
            band.valid = false;
            state->ignored = fill_text(
                tr_text("SceneMetadata", "\"%1\" の反射率の定数は使いません: 数ではない値があります"),
                {name});
        }
    }
    if (!finite({state->sun_elevation})) state->sun_elevation = 0;
    for (LandsatThermalBand* band : {&state->band10, &state->band11}) {
        if (band->valid && !finite({band->radiance_mult, band->radiance_add, band->k1, band->k2})) {
            band->valid = false;
            state->ignored = fill_text(
                tr_text("SceneMetadata", "\"%1\" の熱赤外の定数は使いません: 数ではない値があります"),
                {name});
        }
    }
}

}  // namespace

std::string read_scene_metadata(const std::string& first_file, SceneMetadataState* state) {
    const size_t slash = first_file.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : first_file.substr(0, slash + 1);
    const SceneMetadataFiles files = find_scene_metadata_files(dir);
    std::string too_large;
    state->ignored.clear();
    // The summary first: when it opens, no Landsat file is consulted.
    if (orvenna::ConfHandle summary;
        readable(files.summary, &too_large) &&
        summary.open(files.summary).status != orvenna::SceneResult::Status::CannotOpen) {
        // ALOS scene summary: corner coordinates only.
        if (summary.find("Img_ImageSceneLeftTopLatitude")) {
            ConfFile* conf = summary.get();
            state->geo_valid = true;
            state->landsat7_valid = false;
            state->band10 = LandsatThermalBand{};
            state->band11 = LandsatThermalBand{};
            std::fill(std::begin(state->reflectance), std::end(state->reflectance), LandsatReflectanceBand{});
            state->sun_elevation = 0;
            state->spacecraft.clear();
            LandsatCorners& c = state->corners;
            c.ul_lat = number(conf, "Img_ImageSceneLeftTopLatitude");
            c.ul_lon = number(conf, "Img_ImageSceneLeftTopLongitude");
            c.ur_lat = number(conf, "Img_ImageSceneRightTopLatitude");
            c.ur_lon = number(conf, "Img_ImageSceneRightTopLongitude");
            c.ll_lat = number(conf, "Img_ImageSceneLeftBottomLatitude");
            c.ll_lon = number(conf, "Img_ImageSceneLeftBottomLongitude");
            c.lr_lat = number(conf, "Img_ImageSceneRightBottomLatitude");
            c.lr_lon = number(conf, "Img_ImageSceneRightBottomLongitude");
            check_values(files.summary, state);
        }
    } else if (orvenna::ConfHandle landsatText;
               readable(files.landsat, &too_large) && landsatText.open(files.landsat).opened()) {
        const LandsatMetadata landsat = read_landsat_metadata(landsatText.get());
        state->landsat7_valid = landsat.has_band61;
        if (landsat.has_band61) {
            state->lmax = landsat.lmax_band61;
            state->lmin = landsat.lmin_band61;
        }
        state->geo_valid = landsat.has_corners;
        if (landsat.has_corners) state->corners = landsat.corners;
        state->band10 = landsat.band10;
        state->band11 = landsat.band11;
        std::copy(std::begin(landsat.reflectance), std::end(landsat.reflectance),
                  std::begin(state->reflectance));
        state->sun_elevation = landsat.sun_elevation;
        state->spacecraft = landsat.spacecraft;
        check_values(files.landsat, state);
    }
    return too_large;
}
