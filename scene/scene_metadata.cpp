#include "scene/scene_metadata.h"

#include <sys/stat.h>

#include "scene/SceneHandle.h"
#include "scene/econf.h"
#include "scene/metadata_files.h"

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

}  // namespace

std::string read_scene_metadata(const std::string& first_file, SceneMetadataState* state) {
    const size_t slash = first_file.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : first_file.substr(0, slash + 1);
    const SceneMetadataFiles files = find_scene_metadata_files(dir);
    std::string too_large;
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
        state->spacecraft = landsat.spacecraft;
    }
    return too_large;
}
