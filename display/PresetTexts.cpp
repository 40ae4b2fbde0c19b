#include "display/PresetTexts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>

#include "text/translated_text.h"

namespace orvenna {

namespace {

const char kNdviFormat[] = "( %s - %s ) / ( %s + %s ) * 128 + 128";

const char kThermRed[] =
    "( w = %s ), ( w < ( 255 / 5 * 4 ) )if( x = 0 ), ( w > ( 255 / 5 * 4 ) )if( x = 255 ), ( ( w < ( 255 / 5 "
    "* 4 "
    ") ) * ( w > ( 255 / 5 * 3 ) ) )if( x = 255 * ( ( w - ( 255 / 5 * 3 ) ) / ( 255 / 5 ) ) ), x";
const char kThermGreen[] =
    "( w = %s ), ( w < ( 255 / 5 * 2 ) )if( y = 0 ), ( w > ( 255 / 5 * 2 ) )if( y = 255 ), ( ( w > ( 255 / 5 "
    ") ) "
    "* ( w < ( 255 / 5 * 2 ) ) )if( y = 255 * ( ( w - 255 / 5 ) / ( 255 / 5 ) ) ), ( ( w > ( 255 / 5 * 4 ) ) "
    "* ( "
    "w < ( 256 ) ) )if( y = 255 - 255 * ( ( w - ( 255 / 5 * 4 ) ) / ( 255 / 5 ) ) ), y";
const char kThermBlue[] =
    "( w = %s ), ( w < ( 255 / 5 * 3 ) )if( z = 255 ), ( w > ( 255 / 5 * 3 ) )if( z = 0 ), ( w < ( 255 / 5 ) "
    ")if( "
    "z = 255 * ( w / ( 255 / 5 ) ) ), ( ( w > ( 255 / 5 * 2 ) ) * ( w < ( 255 / 5 * 3 ) ) )if( z = 255 - 255 "
    "* ( "
    "( w - ( 255 / 5 * 2 ) ) / ( 255 / 5 ) ) ), z";

// Landsat 7 band 6: the temperature w above the minimum, from the band value through LMAX/LMIN.
const char kLandsat7Head[] =
    "( v = %c - 1 ), ( v < 0 )if( v = 0 ), ( %c = 1282.71 / ( ln( 666.09 / ( ( %c ) * ( %f - %f ) / "
    "( 255.0 - 1.0 ) + %f ) + 1 ) ) - 273.15 - %d ), ";
// Landsat 8/9 band 10 or 11: the stored value v in the middle of the byte's share of the display range,
// then the temperature w above the minimum through ML, AL, K1 and K2.
const char kLandsat8Head[] =
    "( v = ( %c + 0.5 ) * %s + %s ), ( w = %s / ( ln( %s / ( %s * v + %s ) + 1 ) ) - 273.15 - %d ), ";
// The colour scale of w, shared by both: one channel each.
const char kLandsatRedTail[] =
    "( %c < ( %d / 5 * 4 ) )if( x = 0 ), ( %c >= ( %d / 5 * 4 ) )if( x = 255 ), ( ( %c < ( %d / 5 * "
    "4 ) ) * ( %c >= ( %d / 5 * 3 ) ) )if( x = 255 * ( ( %c - ( %d / 5 * 3 ) ) / ( %d / 5 ) ) ), x";
const char kLandsatGreenTail[] =
    "( %c < ( %d / 5 * 2 ) )if( y = 0 ), ( %c >= ( %d / 5 * 2 ) )if( y = 255 ), ( ( %c >= ( %d / 5 ) "
    ") * ( %c < ( %d / 5 * 2 ) ) )if( y = 255 * ( ( %c - %d / 5 ) / ( %d / 5 ) ) ), ( ( %c >= ( %d / "
    "5 * 4 ) ) )if( y = 255 - 255 * ( ( %c - ( %d / 5 * 4 ) ) / ( %d / 5 ) ) ), y";
const char kLandsatBlueTail[] =
    "( %c < ( %d / 5 * 3 ) )if( z = 255 ), ( %c >= ( %d / 5 * 3 ) )if( z = 0 ), ( %c < ( %d / 5 ) "
    ")if( z = 255 * ( %c / ( %d / 5 ) ) ), ( ( %c >= ( %d / 5 * 2 ) ) * ( %c < ( %d / 5 * 3 ) ) )if( "
    "z = 255 - 255 * ( ( %c - ( %d / 5 * 2 ) ) / ( %d / 5 ) ) ), z";

// Copies `format`, replacing its k-th placeholder (%c, %d, %f or %s, counted from 0) by fill(k, conversion).
// "%%" stands for one '%'. Filling one placeholder at a time keeps every argument's type explicit, which a
// variadic printf call with 23 arguments would not.
std::string FillPlaceholders(const char* format, const std::function<std::string(int, char)>& fill) {
    std::string out;
    int index = 0;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] != '\0') {
            ++p;
            if (*p == '%') {
                out += '%';
            } else {
                out += fill(index++, *p);
            }
        } else {
            out += *p;
        }
    }
    return out;
}

// `value` in `format` with `precision` digits, or the fewest that read back as the same double without one.
std::string ToChars(double value, std::chars_format format, int precision = -1) {
    char buffer[400];  // %f of the largest float needs 39 digits before the point; a double up to 309
    const auto result = precision < 0
                            ? std::to_chars(buffer, buffer + sizeof buffer, value, format)
                            : std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    if (result.ec != std::errc()) return "0";
    return std::string(buffer, result.ptr);
}

// The three Landsat texts: the head that computes w, then each channel's colour scale.
PresetChannelTexts LandsatTexts(const char* head, const std::function<std::string(int, char)>& fill) {
    const std::string h(head);
    return {FillPlaceholders((h + kLandsatRedTail).c_str(), fill),
            FillPlaceholders((h + kLandsatGreenTail).c_str(), fill),
            FillPlaceholders((h + kLandsatBlueTail).c_str(), fill)};
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

}  // namespace

char PresetBandLetter(int index) {
    return index >= 0 && index < 26 ? static_cast<char>('a' + index) : '?';
}

std::string NdviText(const NdviBand& red, const NdviBand& nearInfrared) {
    // Reflectance only when both bands have it: the index of a reflectance and a stored value means nothing.
    const bool rescaled = red.rescaled && nearInfrared.rescaled;
    auto term = [rescaled](const NdviBand& band) {
        const std::string stored = std::string("#") + band.letter;
        if (!rescaled) return stored;
        // mult * value - a equals mult * value + (-a) to the last bit, and reads without a sign of its own.
        return "( " + stored + " * " + ExactDecimalText(band.mult) + (band.add < 0 ? " - " : " + ") +
               ExactDecimalText(std::fabs(band.add)) + " )";
    };
    const std::string n = term(nearInfrared), r = term(red);
    return FillPlaceholders(kNdviFormat, [&](int k, char) { return k % 2 == 0 ? n : r; });
}

PresetChannelTexts ThermographyTexts(const std::string& source) {
    const std::string wrapped = "( " + source + " )";
    auto fill = [&](int, char) { return wrapped; };
    return {FillPlaceholders(kThermRed, fill), FillPlaceholders(kThermGreen, fill),
            FillPlaceholders(kThermBlue, fill)};
}

PresetChannelTexts LandsatTemperatureTexts(char band, float lmax, float lmin, int minTemp, int maxTemp) {
    const int span = maxTemp - minTemp;
    // Fixed order of the leading placeholders, then 'w' for every further %c and the span for every %d.
    auto fill = [&](int k, char conversion) -> std::string {
        switch (k) {
            case 0:
                return std::string(1, band);
            case 1:
                return "w";
            case 2:
                return "v";
            case 3:
                return FixedSixText(lmax);
            case 4:
            case 5:
                return FixedSixText(lmin);
            case 6:
                return std::to_string(minTemp);
            default:
                return conversion == 'c' ? std::string("w") : std::to_string(span);
        }
    };
    return LandsatTexts(kLandsat7Head, fill);
}

bool Landsat8TemperaturePreset(char band, const ThermalCalibration& calibration, int minTemp, int maxTemp,
                               bool integerValues, Landsat8Preset* preset) {
    if (!preset || !ThermalCalibrationUsable(calibration) || maxTemp < minTemp) return false;
    double low = ValueOfTemperature(calibration, minTemp);
    double high = ValueOfTemperature(calibration, maxTemp);
    if (!std::isfinite(low) || !std::isfinite(high)) return false;
    if (integerValues) {
        low = std::floor(low);
        high = std::ceil(high);
    }
    // A scale of one temperature still needs a range the composite can map through.
    if (!(high > low)) high = low + (integerValues ? 1 : std::max(1e-6, std::fabs(low) * 1e-9));
    // Stored values per byte: byte b covers low + b * step .. low + (b + 1) * step.
    const double step = (high - low) / 255.999999;
    const int span = maxTemp - minTemp;
    auto fill = [&](int k, char conversion) -> std::string {
        switch (k) {
            case 0:
                return std::string(1, band);
            case 1:
                return PlainDecimalText(step);
            case 2:
                return PlainDecimalText(low);
            case 3:
                return PlainDecimalText(calibration.k2);
            case 4:
                return PlainDecimalText(calibration.k1);
            case 5:
                return PlainDecimalText(calibration.radianceMult);
            case 6:
                return PlainDecimalText(calibration.radianceAdd);
            case 7:
                return std::to_string(minTemp);
            default:
                return conversion == 'c' ? std::string("w") : std::to_string(span);
        }
    };
    preset->texts = LandsatTexts(kLandsat8Head, fill);
    preset->displayLow = low;
    preset->displayHigh = high;
    return true;
}

std::string Landsat7CalibrationProblem(double lmax, double lmin) {
    auto text = [](double v) { return ToChars(v, std::chars_format::general, 6); };
    if (!std::isfinite(lmax) || !std::isfinite(lmin))
        return tr_text("PresetTexts", "LMAX と LMIN が数ではありません: 温度を計算できません");
    if (lmax == lmin)
        return fill_text(tr_text("PresetTexts", "LMAX と LMIN が同じです (%1): 温度を計算できません"),
                         {text(lmax)});
    if (lmax < lmin)
        return fill_text(
            tr_text("PresetTexts", "LMAX (%1) が LMIN (%2) より小さいです: 温度を計算できません"),
            {text(lmax), text(lmin)});
    return std::string();
}

TemperatureScaleLabels TemperatureScale(int maxTemp, int minTemp) {
    const int q = (maxTemp - minTemp) / 5;  // C++ division truncates toward zero
    return {maxTemp, minTemp + 4 * q, minTemp + 3 * q, minTemp + 2 * q, minTemp + q, minTemp};
}

bool ParseCalibrationNumber(const std::string& text, float* value) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    if (begin < end && text[begin] == '+') ++begin;
    if (begin == end) return false;
    // from_chars reads only decimal notation here, and never consults the process locale.
    const char c = text[begin];
    if (!(c == '-' || c == '.' || (c >= '0' && c <= '9'))) return false;  // refuses "nan", "inf"
    double parsed = 0;
    const auto result = std::from_chars(text.data() + begin, text.data() + end, parsed);
    if (result.ec != std::errc() || result.ptr != text.data() + end) return false;
    if (!std::isfinite(parsed) || std::fabs(parsed) > std::numeric_limits<float>::max()) return false;
    *value = static_cast<float>(parsed);
    return true;
}

std::string GeneralNumberText(double value) {
    return ToChars(value, std::chars_format::general, 15);
}

std::string FixedSixText(double value) {
    return ToChars(value, std::chars_format::fixed, 6);
}

std::string ExactDecimalText(double value) {
    return std::isfinite(value) ? ToChars(value, std::chars_format::fixed) : std::string("0");
}

std::string PlainDecimalText(double value) {
    if (!std::isfinite(value) || value == 0) return "0";
    // Decimals for 15 significant digits, then the zeros at the end dropped.
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::clamp(14 - magnitude, 0, 340);
    std::string text = ToChars(value, std::chars_format::fixed, decimals);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    return text;
}

}  // namespace orvenna
