// Which calibration the "LANDSAT温度分布" preset uses for a chosen band: the Landsat 8/9 thermal constants of
// the scene's *_MTL.txt for band 10 or 11, the Landsat 7 band 6 LMAX/LMIN, or the numbers the user types.
// Qt-free.
#pragma once

#include <string>
#include <vector>

#include "display/LandsatThermal.h"
#include "scene/landsat_metadata.h"

struct SceneMetadataState;  // scene/scene_metadata.h

namespace orvenna {

struct LandsatThermalChoice {
    enum class Kind {
        Typed,            // no Landsat calibration known: the dialog's LMAX/LMIN as the user typed them
        Landsat7,         // band 6 LMAX/LMIN from the metadata (the dialog's edits are filled with them)
        Landsat8,         // `calibration` of TIRS band `band` from the metadata
        Landsat8Missing,  // a Landsat 8/9 thermal band whose constants the metadata does not give
    };
    Kind kind = Kind::Typed;
    int band = 0;           // 10 or 11 for the Landsat 8/9 kinds
    std::string satellite;  // SPACECRAFT_ID of the metadata ("LANDSAT_8"), "LANDSAT 8/9" when not given
    ThermalCalibration calibration;
    bool constantsGiven = false;  // Landsat 8/9: the metadata names the band's constants (usable or not)
};

// The choice for the band stored in `fileName`. The band is a Landsat 8/9 thermal band when its name says
// B10 or B11, or when the metadata is of Landsat 8/9 (its thermal constants or SPACECRAFT_ID) and holds no
// Landsat 7 band 6 range; such a band takes the constants of the band its name says (band 10 when it says
// neither) and no others. Otherwise the Landsat 7 range when the metadata gives one, else the typed numbers.
LandsatThermalChoice ChooseLandsatThermal(const SceneMetadataState& metadata, const std::string& fileName);

// The band the scene's thermal calibration belongs to, among the listed bands' file names: for a Landsat 8/9
// scene (or no metadata) the first band 10, else the first band 11; for a Landsat 7 scene band 6 (low gain:
// "_B6_VCID_1", then "_B61", "_B6"). -1 when no name fits.
int ThermalBandIndex(const SceneMetadataState& metadata, const std::vector<std::string>& fileNames);

// The calibration that turns the values of the band stored in `fileName` into degrees Celsius for the
// readout: the band's own constants when the file is the scene's thermal band (named as above) and they make
// temperatures. False otherwise.
bool ReadoutThermalCalibration(const SceneMetadataState& metadata, const std::string& fileName,
                               ThermalCalibration* calibration);

// The red and near-infrared bands among the files by their names, for the NDVI: Landsat 8/9 ("LC08_..._B4",
// "_B5"), Landsat 4-7 ("LE07_..._B3", "_B4"), Sentinel-2 ("_B04", "_B08", else "_B8A", also before "_10m");
// -1 where no file fits.
struct NdviBandChoice {
    int red = -1, nearInfrared = -1;
};
NdviBandChoice NdviBandsByName(const std::vector<std::string>& fileNames);

// The reflectance rescaling (REFLECTANCE_MULT/ADD) the metadata gives for the band stored in `fileName` (a
// name ending "_B4" is band 4); false when it gives none.
bool ReflectanceRescaling(const SceneMetadataState& metadata, const std::string& fileName,
                          LandsatReflectanceBand* rescaling);

// The top-of-atmosphere reflectance of a stored value of the band stored in `fileName` (a name ending "_B4"
// is band 4) by the metadata's REFLECTANCE_MULT/ADD of that band and the sun's elevation. False when the
// metadata gives none for it (thermal bands, files without an *_MTL.txt) or the value is the fill value 0.
bool ReadoutReflectance(const SceneMetadataState& metadata, const std::string& fileName, double value,
                        double* reflectance);

}  // namespace orvenna
