// Expression texts of the three colour presets (NDVI, thermography, Landsat surface temperature), the
// temperature scale labels of the Landsat dialog and the number conversions the preset dialogs use. Qt-free:
// the dialogs only collect the user's choices and hand them to these functions.
//
// The texts are built from fixed C-style format strings ("%c", "%d", "%f", "%s"). Numbers are written in the
// C locale whatever locale the process runs in, because the expression language reads "." as the decimal
// point.
#pragma once

#include <string>

#include "display/LandsatThermal.h"

namespace orvenna {

// The three channel texts of a preset.
struct PresetChannelTexts {
    std::string red;
    std::string green;
    std::string blue;
};

// Expression letter of band-list position `index`: 'a' + index for the 26 lettered positions. Positions
// without a letter give '?', which no expression accepts, so such a text does not compile (the channel stays
// black) instead of naming some other band.
char PresetBandLetter(int index);

// One band of the vegetation index: its letter and, when its file's metadata gives it, the rescaling of its
// stored values to top-of-atmosphere reflectance (mult * value + add; the sun's elevation cancels in the
// index).
struct NdviBand {
    char letter = 'a';
    bool rescaled = false;
    double mult = 1, add = 0;
};

// "( #n - #r ) / ( #n + #r ) * 128 + 128": the vegetation index -1..1 of the stored values mapped to 0..256,
// the same text for all three channels; with both bands rescaled, of their reflectances
// ("( #n * mult + add )"). A zero denominator gives 128.
std::string NdviText(const NdviBand& red, const NdviBand& nearInfrared);

// Thermography texts of `source` (a band letter or any expression the user typed), wrapped as "( source )".
// Scratch letters w, x, y, z carry the value and the channel results.
PresetChannelTexts ThermographyTexts(const std::string& source);

// The scratch letter in which both Landsat temperature texts leave a pixel's temperature above minTemp
// (degrees Celsius) before they colour it.
constexpr char kTemperatureLetter = 'w';

// Landsat band 6 temperature texts: band `band`, calibration `lmax`/`lmin` (single precision, printed with
// six decimals), temperature range `minTemp`..`maxTemp` in whole degrees Celsius. Scratch letters v..z.
PresetChannelTexts LandsatTemperatureTexts(char band, float lmax, float lmin, int minTemp, int maxTemp);

// The Landsat 8/9 temperature preset for a thermal band (10 or 11) of stored values: the band's display range
// narrowed to the stored values of minTemp..maxTemp (whole values for integer bands), and texts that turn
// the byte the composite draws for a pixel back into the middle of that byte's share of the range, then into
// the brightness temperature (K1, K2, ML, AL) and today's colour scale of minTemp..maxTemp (scratch letters
// v..z, the same scale as LandsatTemperatureTexts). Each byte spans 1/256 of the scale, so a pixel shows the
// scale's colour of its temperature within one byte of the scale.
struct Landsat8Preset {
    PresetChannelTexts texts;
    double displayLow = 0;  // the band's new display range, in stored values
    double displayHigh = 0;
};
// False (and *preset untouched) when the calibration is unusable, maxTemp < minTemp, or a temperature lies
// at or below absolute zero.
bool Landsat8TemperaturePreset(char band, const ThermalCalibration& calibration, int minTemp, int maxTemp,
                               bool integerValues, Landsat8Preset* preset);

// Why Landsat 7 LMAX/LMIN make no temperature, in the user's words ("LMAX と LMIN が同じです (0): 温度を計算
// できません"); empty when both are finite and LMAX > LMIN.
std::string Landsat7CalibrationProblem(double lmax, double lmin);

// Captions of the six labels under the Landsat colour scale, from the red (left) end to the black end.
struct TemperatureScaleLabels {
    int red, yellow, green, water, blue, black;
};
// q = (maxTemp - minTemp) / 5 truncated toward zero; labels max, min + 4q, min + 3q, min + 2q, min + q, min.
TemperatureScaleLabels TemperatureScale(int maxTemp, int minTemp);

// Reads an LMAX/LMIN text as a single-precision number. Surrounding blanks and a leading '+' are accepted;
// anything else that is not a complete finite decimal number (empty text, "abc", "1.5x", "nan", "inf", a
// value beyond single precision) is refused with false and *value untouched.
bool ParseCalibrationNumber(const std::string& text, float* value);

// `value` in general format with up to 15 significant digits ("%.15g": 17.04 gives "17.04").
std::string GeneralNumberText(double value);

// `value` with six decimals ("%f": 17.04f gives "17.040001").
std::string FixedSixText(double value);

// `value` in plain decimal notation that reads back as exactly the same double, in the fewest digits
// ("0.00002", "-0.1", "1321.0789").
std::string ExactDecimalText(double value);

// `value` in plain decimal notation (no exponent, which the expression language does not read) with 15
// significant digits and no zeros at the end: 3.342e-4 gives "0.0003342", 1321.0789 gives "1321.0789".
std::string PlainDecimalText(double value);

}  // namespace orvenna
