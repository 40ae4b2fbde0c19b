#include "display/LandsatThermal.h"

#include <string>

#include <cmath>
#include <limits>

namespace orvenna {

namespace {
constexpr double kZeroCelsius = 273.15;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

bool ThermalCalibrationUsable(const ThermalCalibration& c) {
    return std::isfinite(c.radianceMult) && std::isfinite(c.radianceAdd) && std::isfinite(c.k1) &&
           std::isfinite(c.k2) && c.radianceMult > 0 && c.k1 > 0 && c.k2 > 0;
}

double BrightnessTemperature(const ThermalCalibration& c, double value) {
    const double radiance = c.radianceMult * value + c.radianceAdd;
    if (!(radiance > 0)) return kNaN;
    return c.k2 / std::log(c.k1 / radiance + 1) - kZeroCelsius;
}

double ValueOfTemperature(const ThermalCalibration& c, double celsius) {
    const double kelvin = celsius + kZeroCelsius;
    if (!(kelvin > 0)) return kNaN;
    // expm1 keeps the precision where K2 / T is small.
    const double radiance = c.k1 / std::expm1(c.k2 / kelvin);
    return (radiance - c.radianceAdd) / c.radianceMult;
}

ThermalCalibration Landsat7Calibration(double lmax, double lmin) {
    // The preset's v = value - 1 folded into the offset.
    const double mult = (lmax - lmin) / 254.0;
    return {mult, lmin - mult, 666.09, 1282.71};
}

int ThermalBandOfFileName(const char* fileName) {
    if (!fileName) return 0;
    std::string name = fileName;
    const size_t slash = name.rfind('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name = name.substr(0, dot);
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    auto endsWith = [&](const char* tail) {
        const std::string t = tail;
        return name.size() >= t.size() && name.compare(name.size() - t.size(), t.size(), t) == 0;
    };
    if (endsWith("_B10") || name == "B10") return 10;
    if (endsWith("_B11") || name == "B11") return 11;
    return 0;
}

}  // namespace orvenna
