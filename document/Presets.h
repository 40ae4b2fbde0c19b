// The colour presets as one request, made by the preset dialogs and by the render command alike, and what
// applying one gives. Document::applyPreset carries them out.
#pragma once

#include <string>

namespace orvenna {

struct PresetRequest {
    enum class Kind {
        Ndvi,                // the vegetation index of two bands
        Thermography,        // one band or expression coloured black .. red
        LandsatTemperature,  // a thermal band in degrees Celsius, coloured between two temperatures
    };
    Kind kind = Kind::Ndvi;
    int red = 0, nearInfrared = 1;  // Ndvi: band positions
    std::string source;             // Thermography: a band letter or any expression
    int band = 0;                   // LandsatTemperature: the thermal band's position
    int minTemperature = 0, maxTemperature = 45;
    // LandsatTemperature of a Landsat 7 band 6 (or a band without known calibration): LMAX and LMIN as typed
    // in the dialog. Without them the metadata's are taken.
    bool typedCalibration = false;
    float lmax = 0, lmin = 0;

    static PresetRequest ndvi(int red, int nearInfrared);
    static PresetRequest thermography(std::string source);
    static PresetRequest landsatTemperature(int band, int minTemperature, int maxTemperature);
};

struct PresetResult {
    bool applied = false;
    std::string problem;  // why not, in the user's words (UTF-8)
};

}  // namespace orvenna
