// The metadata beside a scene's first file, as the viewer and the render command read it: corner
// coordinates from an ALOS "summary.txt", or corners and thermal calibration from the first Landsat "*.met" /
// "*_MTL.txt" of the folder. Plain C++, no Qt.
//
// Values are checked: corners must be finite with latitudes within ±90 and longitudes within ±180, the
// Landsat numbers finite; a group that fails is not used and `ignored` says why.
//
// Rules: a summary that opens is the only file consulted (it gives corners when it holds
// "Img_ImageSceneLeftTopLatitude", and clears the Landsat calibration); otherwise the Landsat file gives
// whatever of its groups it holds. Only the first key of a group is tested; a missing key of an accepted
// group reads as 0. Values that no file gives, or a file that cannot be read, leave the state as it was: it
// carries over from an earlier opening. Metadata is read only from regular files of at most 16 MB.
#pragma once

#include <string>

#include "scene/landsat_metadata.h"

struct SceneMetadataState {
    bool geo_valid = false;  // the corners below hold the scene's corners
    LandsatCorners corners;
    bool landsat7_valid = false;  // Landsat 7 band 6 radiance range (LMAX/LMIN)
    double lmax = 0, lmin = 0;
    LandsatThermalBand band10, band11;  // Landsat 8/9 thermal constants; each `valid` on its own
    LandsatReflectanceBand reflectance[kLandsatBandSlots];  // by band number; each `valid` on its own
    double sun_elevation = 0;                               // degrees; 0 when not given
    std::string spacecraft;                                 // of the Landsat file the constants came from
    // Values the last reading passed over as impossible (corners off the globe, numbers that are not finite),
    // in the user's words; empty when none.
    std::string ignored;
};

// Metadata files larger than this are passed over.
inline constexpr long long kMaxSceneMetadataBytes = 16ll << 20;

// Reads the metadata beside `first_file` (a path as bytes; its folder is searched) into *state. Returns the
// path of a metadata file that was passed over for its size (for a hint), or an empty text.
std::string read_scene_metadata(const std::string& first_file, SceneMetadataState* state);
