#include "display/LandsatThermalChoice.h"

#include "scene/scene_metadata.h"

namespace orvenna {

namespace {

bool startsWithIgnoringCase(const std::string& text, const char* head) {
    size_t i = 0;
    for (; head[i]; ++i) {
        if (i >= text.size()) return false;
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != head[i]) return false;
    }
    return true;
}

}  // namespace

LandsatThermalChoice ChooseLandsatThermal(const SceneMetadataState& metadata, const std::string& fileName) {
    LandsatThermalChoice choice;
    const int named = ThermalBandOfFileName(fileName.c_str());
    const bool landsat8Scene = metadata.band10.valid || metadata.band11.valid ||
                               startsWithIgnoringCase(metadata.spacecraft, "LANDSAT_8") ||
                               startsWithIgnoringCase(metadata.spacecraft, "LANDSAT_9");
    if (named != 0 || (landsat8Scene && !metadata.landsat7_valid)) {
        choice.band = named == 11 ? 11 : 10;
        choice.satellite = metadata.spacecraft.empty() ? std::string("LANDSAT 8/9") : metadata.spacecraft;
        const LandsatThermalBand& constants = choice.band == 11 ? metadata.band11 : metadata.band10;
        choice.calibration = {constants.radiance_mult, constants.radiance_add, constants.k1, constants.k2};
        choice.kind = constants.valid && ThermalCalibrationUsable(choice.calibration)
                          ? LandsatThermalChoice::Kind::Landsat8
                          : LandsatThermalChoice::Kind::Landsat8Missing;
        return choice;
    }
    choice.kind =
        metadata.landsat7_valid ? LandsatThermalChoice::Kind::Landsat7 : LandsatThermalChoice::Kind::Typed;
    return choice;
}

}  // namespace orvenna
