// Brightness temperature of the Landsat 8/9 thermal bands (10 and 11) from their stored values, with the
// calibration constants of the scene's *_MTL.txt, and its inverse; the same for the bytes of Landsat 7 band 6
// through LMAX/LMIN. Qt-free.
#pragma once

namespace orvenna {

// RADIANCE_MULT_BAND_n, RADIANCE_ADD_BAND_n, K1_CONSTANT_BAND_n and K2_CONSTANT_BAND_n of one thermal band.
struct ThermalCalibration {
    double radianceMult = 0;  // ML: radiance per stored value
    double radianceAdd = 0;   // AL
    double k1 = 0;
    double k2 = 0;
};

// The constants make a temperature of every value with a positive radiance: all finite, ML, K1 and K2 > 0.
bool ThermalCalibrationUsable(const ThermalCalibration& c);

// T = K2 / ln(K1 / (ML * value + AL) + 1) - 273.15, in degrees Celsius; not a number where the radiance
// ML * value + AL is not positive.
double BrightnessTemperature(const ThermalCalibration& c, double value);

// The (real) stored value whose temperature is `celsius`: (K1 / (exp(K2 / (celsius + 273.15)) - 1) - AL) /
// ML; not a number at or below absolute zero.
double ValueOfTemperature(const ThermalCalibration& c, double celsius);

// Landsat 7 band 6 as the temperature preset reads its bytes: radiance (value - 1) * (LMAX - LMIN) / 254 +
// LMIN with K1 666.09 and K2 1282.71. Usable only when LMAX > LMIN.
ThermalCalibration Landsat7Calibration(double lmax, double lmin);

// The Landsat 8/9 thermal band a file holds, from its name as the archives write it ("..._B10.TIF",
// "..._b11.tif"): 10, 11, or 0 when the name says neither.
int ThermalBandOfFileName(const char* fileName);

}  // namespace orvenna
