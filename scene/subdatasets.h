// Containers: files without bands of their own that hold several rasters (NetCDF and HDF variables, the
// tables of a GeoPackage), each opened as a scene of its own, and the labels of bands that stand for a value
// of a further dimension (a time step, a level) or carry a name of their own.
#pragma once

#include <string>
#include <vector>

#include "scene/SceneHandle.h"
#include "scene/remos.h"

namespace orvenna {

struct SubdatasetInfo {
    std::string name;                      // the part's own name: the variable, table or group path
    std::string gdal_name;                 // the name GDAL listed it under for its file
    int width = 0, height = 0, bands = 0;  // 0 when GDAL cannot open it
    std::string sample_type;  // GDAL's name of the first band's type ("Float32"), "" when unknown
    std::string description;  // GDAL's description of the part
};

// Longest list taken of one file; further parts are left out.
inline constexpr int kMaxSubdatasets = 1000;

// The subdatasets of a local file, in GDAL's order; empty when the file is not a container (or cannot be
// read, or is a URL). The file is checked and opened as every file GDAL reads (gdal_guard.h).
std::vector<SubdatasetInfo> list_subdatasets(const std::string& path);

// The entry `wanted` names, by its own name or its GDAL name; -1 when none.
int find_subdataset(const std::vector<SubdatasetInfo>& list, const std::string& wanted);

// The names of the list, ", " between them, for messages.
std::string subdataset_names(const std::vector<SubdatasetInfo>& list);

// Opens the subdataset of `path` that `wanted` names (as find_subdataset): the file's list is read anew, so
// only a name GDAL gave for this very file is ever opened. Refused with the reason when there is none.
SceneResult open_subdataset(SceneHandle* scene, const std::string& path, const std::string& wanted);

// Whether the scene opened a subdataset of its file (the first one, for a container opened as a file).
bool scene_is_subdataset(const SceneFile* scene);

// What a band stands for beyond its number: the values of the further dimensions of its variable (a time
// step as a date when its units say "days since 1800-01-01" and the like, else "level=850"), and the band's
// own description ("B4"); "" for bands without any. Made at opening: never waits on the file.
std::string band_label(const BandInfo* band);
// The unit of a band's stored values as its file gives it ("K", "m", "degC"), kept from its opening; "" when
// the file gives none.
std::string band_unit(const BandInfo* band);
// The scale and offset the file declares for a band's stored values (value = stored * scale + offset); 1 and
// 0 when it declares none.
void band_value_scale(const BandInfo* band, double* scale, double* offset);

}  // namespace orvenna
