#include "display/LandsatThermalChoice.h"

#include <cmath>

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

bool landsat8Scene(const SceneMetadataState& metadata) {
    return metadata.band10.valid || metadata.band11.valid ||
           startsWithIgnoringCase(metadata.spacecraft, "LANDSAT_8") ||
           startsWithIgnoringCase(metadata.spacecraft, "LANDSAT_9");
}

// The name without folder and extension, in capitals.
std::string upperStem(const std::string& fileName) {
    std::string name =
        fileName.substr(fileName.rfind('/') == std::string::npos ? 0 : fileName.rfind('/') + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return name;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// How well the name fits Landsat 7's low-gain band 6: 1 best, 0 not at all.
int landsat7ThermalRank(const std::string& fileName) {
    const std::string name = upperStem(fileName);
    const char* tails[] = {"_B6_VCID_1", "_B61", "_B6"};
    for (int i = 0; i < 3; ++i)
        if (endsWith(name, tails[i])) return i + 1;
    return 0;
}

}  // namespace

LandsatThermalChoice ChooseLandsatThermal(const SceneMetadataState& metadata, const std::string& fileName) {
    LandsatThermalChoice choice;
    const int named = ThermalBandOfFileName(fileName.c_str());
    if (named != 0 || (landsat8Scene(metadata) && !metadata.landsat7_valid)) {
        choice.band = named == 11 ? 11 : 10;
        choice.satellite = metadata.spacecraft.empty() ? std::string("LANDSAT 8/9") : metadata.spacecraft;
        const LandsatThermalBand& constants = choice.band == 11 ? metadata.band11 : metadata.band10;
        choice.calibration = {constants.radiance_mult, constants.radiance_add, constants.k1, constants.k2};
        choice.constantsGiven = constants.valid;
        choice.kind = constants.valid && ThermalCalibrationUsable(choice.calibration)
                          ? LandsatThermalChoice::Kind::Landsat8
                          : LandsatThermalChoice::Kind::Landsat8Missing;
        return choice;
    }
    choice.kind =
        metadata.landsat7_valid ? LandsatThermalChoice::Kind::Landsat7 : LandsatThermalChoice::Kind::Typed;
    return choice;
}

int ThermalBandIndex(const SceneMetadataState& metadata, const std::vector<std::string>& fileNames) {
    const int count = static_cast<int>(fileNames.size());
    if (metadata.landsat7_valid && !landsat8Scene(metadata)) {
        int best = -1, bestRank = 0;
        for (int i = 0; i < count; ++i) {
            const int rank = landsat7ThermalRank(fileNames[static_cast<size_t>(i)]);
            if (rank != 0 && (bestRank == 0 || rank < bestRank)) {
                best = i;
                bestRank = rank;
            }
        }
        return best;
    }
    for (int band : {10, 11})
        for (int i = 0; i < count; ++i)
            if (ThermalBandOfFileName(fileNames[static_cast<size_t>(i)].c_str()) == band) return i;
    return -1;
}

bool ReadoutThermalCalibration(const SceneMetadataState& metadata, const std::string& fileName,
                               ThermalCalibration* calibration) {
    ThermalCalibration c;
    if (ThermalBandOfFileName(fileName.c_str()) != 0) {
        const LandsatThermalChoice choice = ChooseLandsatThermal(metadata, fileName);
        if (choice.kind != LandsatThermalChoice::Kind::Landsat8) return false;
        c = choice.calibration;
    } else if (metadata.landsat7_valid && !landsat8Scene(metadata) && landsat7ThermalRank(fileName) != 0 &&
               metadata.lmax > metadata.lmin) {
        c = Landsat7Calibration(metadata.lmax, metadata.lmin);
    } else {
        return false;
    }
    if (!ThermalCalibrationUsable(c)) return false;
    *calibration = c;
    return true;
}

namespace {

// The band a file name names after its last "_B" ("4", "04", "8A"), up to its end or the next "_"; ""
// without.
std::string bandToken(const std::string& stem) {
    for (size_t at = stem.rfind("_B"); at != std::string::npos;
         at = at ? stem.rfind("_B", at - 1) : std::string::npos) {
        size_t end = at + 2;
        while (end < stem.size() && ((stem[end] >= '0' && stem[end] <= '9') || stem[end] == 'A'))
            ++end;
        if (end > at + 2 && (end == stem.size() || stem[end] == '_'))
            return stem.substr(at + 2, end - at - 2);
        if (at == 0) break;
    }
    return std::string();
}

}  // namespace

NdviBandChoice NdviBandsByName(const std::vector<std::string>& fileNames) {
    NdviBandChoice choice;
    int nearInfraredRank = 0;  // Sentinel-2: B08 before B8A
    for (int i = 0; i < static_cast<int>(fileNames.size()); ++i) {
        const std::string stem = upperStem(fileNames[static_cast<size_t>(i)]);
        const std::string band = bandToken(stem);
        // Landsat product names start with the sensor and mission: LC08, LO09, LE07, LT05 ...
        const bool landsat = stem.size() > 4 && stem[0] == 'L' && stem[2] == '0';
        const bool oli = landsat && (stem[3] == '8' || stem[3] == '9');
        const char* red = landsat ? (oli ? "4" : "3") : "04";
        const char* nir = landsat ? (oli ? "5" : "4") : "08";
        if (band == red && choice.red < 0) choice.red = i;
        const int rank = band == nir ? 2 : (!landsat && band == "8A") ? 1 : 0;
        if (rank > nearInfraredRank) {
            choice.nearInfrared = i;
            nearInfraredRank = rank;
        }
    }
    return choice;
}

bool ReflectanceRescaling(const SceneMetadataState& metadata, const std::string& fileName,
                          LandsatReflectanceBand* rescaling) {
    const std::string name = upperStem(fileName);
    const size_t b = name.rfind("_B");
    if (b == std::string::npos || b + 2 >= name.size() || name.size() - b > 4) return false;
    int band = 0;
    for (size_t i = b + 2; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
        band = band * 10 + (name[i] - '0');
    }
    if (band < 1 || band >= kLandsatBandSlots || !metadata.reflectance[band].valid) return false;
    *rescaling = metadata.reflectance[band];
    return true;
}

bool ReadoutReflectance(const SceneMetadataState& metadata, const std::string& fileName, double value,
                        double* reflectance) {
    LandsatReflectanceBand rescaling;
    if (!ReflectanceRescaling(metadata, fileName, &rescaling)) return false;
    const double r = LandsatToaReflectance(rescaling, metadata.sun_elevation, value);
    if (!std::isfinite(r)) return false;
    *reflectance = r;
    return true;
}

}  // namespace orvenna
