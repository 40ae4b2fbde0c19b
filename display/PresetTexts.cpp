#include "display/PresetTexts.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>

namespace orvenna {

namespace {

const char kNdviFormat[] = "( %c - %c ) / ( %c + %c ) * 128 + 128";

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

const char kLandsatRed[] =
    "( v = %c - 1 ), ( v < 0 )if( v = 0 ), ( %c = 1282.71 / ( ln( 666.09 / ( ( %c ) * ( %f - %f ) / ( 255.0 "
    "- 1.0 "
    ") + %f ) + 1 ) ) - 273.15 - %d ), ( %c < ( %d / 5 * 4 ) )if( x = 0 ), ( %c >= ( %d / 5 * 4 ) )if( x = "
    "255 ), "
    "( ( %c < ( %d / 5 * 4 ) ) * ( %c >= ( %d / 5 * 3 ) ) )if( x = 255 * ( ( %c - ( %d / 5 * 3 ) ) / ( %d / "
    "5 ) ) "
    "), x";
const char kLandsatGreen[] =
    "( v = %c - 1 ), ( v < 0 )if( v = 0 ), ( %c = 1282.71 / ( ln( 666.09 / ( ( %c ) * ( %f - %f ) / ( 255.0 "
    "- 1.0 "
    ") + %f ) + 1 ) ) - 273.15 - %d ), ( %c < ( %d / 5 * 2 ) )if( y = 0 ), ( %c >= ( %d / 5 * 2 ) )if( y = "
    "255 ), "
    "( ( %c >= ( %d / 5 ) ) * ( %c < ( %d / 5 * 2 ) ) )if( y = 255 * ( ( %c - %d / 5 ) / ( %d / 5 ) ) ), ( ( "
    "%c "
    ">= ( %d / 5 * 4 ) ) )if( y = 255 - 255 * ( ( %c - ( %d / 5 * 4 ) ) / ( %d / 5 ) ) ), y";
const char kLandsatBlue[] =
    "( v = %c - 1 ), ( v < 0 )if( v = 0 ), ( %c = 1282.71 / ( ln( 666.09 / ( ( %c ) * ( %f - %f ) / ( 255.0 "
    "- 1.0 "
    ") + %f ) + 1 ) ) - 273.15 - %d ), ( %c < ( %d / 5 * 3 ) )if( z = 255 ), ( %c >= ( %d / 5 * 3 ) )if( z = "
    "0 ), "
    "( %c < ( %d / 5 ) )if( z = 255 * ( %c / ( %d / 5 ) ) ), ( ( %c >= ( %d / 5 * 2 ) ) * ( %c < ( %d / 5 * "
    "3 ) ) "
    ")if( z = 255 - 255 * ( ( %c - ( %d / 5 * 2 ) ) / ( %d / 5 ) ) ), z";

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

std::string ToChars(double value, std::chars_format format, int precision) {
    char buffer[400];  // %f of the largest float needs 39 digits before the point; a double up to 309
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    if (result.ec != std::errc()) return "0";
    return std::string(buffer, result.ptr);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

}  // namespace

char PresetBandLetter(int index) {
    return index >= 0 && index < 26 ? static_cast<char>('a' + index) : '?';
}

std::string NdviText(char red, char nearInfrared) {
    return FillPlaceholders(kNdviFormat,
                            [&](int k, char) { return std::string(1, k % 2 == 0 ? nearInfrared : red); });
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
    return {FillPlaceholders(kLandsatRed, fill), FillPlaceholders(kLandsatGreen, fill),
            FillPlaceholders(kLandsatBlue, fill)};
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

}  // namespace orvenna
