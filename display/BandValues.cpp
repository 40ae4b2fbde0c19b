#include "display/BandValues.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "scene/remos.h"

namespace orvenna {

namespace {

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Fixed-point text with `decimals` decimals, without zeros at the end (nor a bare point).
std::string fixedText(double value, int decimals) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    std::string text = buf;
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        if (!text.empty() && text.back() == '.') text.pop_back();
    }
    if (text == "-0") text = "0";
    return text;
}

// Parts of a number text: sign, digits, one point and digits (the point only when allowed).
struct NumberShape {
    bool ok = false;      // only those parts
    bool digits = false;  // at least one digit
};

NumberShape shapeOf(const std::string& text, bool integer) {
    NumberShape shape;
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            shape.digits = true;
        } else if (c == '.' && !integer && !point) {
            point = true;
        } else {
            return shape;
        }
    }
    shape.ok = true;
    return shape;
}

bool hasHistogramSpan(const BandInfo* band) {
    return band->value_counts != nullptr && band->value_min <= band->value_max;
}

}  // namespace

bool BandHoldsIntegers(const BandInfo* band) {
    return !band || (band->sample_type != REMOS_SAMPLE_F32 && band->sample_type != REMOS_SAMPLE_F64);
}

std::string BandValueText(double value, bool integer) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    if (integer) return fixedText(std::trunc(value), 0);
    const double magnitude = std::fabs(value);
    if (magnitude == 0 || magnitude >= 0.01) return fixedText(value, 4);
    // Four significant digits: 0.001234 needs six decimals.
    const int decimals = std::min(3 - static_cast<int>(std::floor(std::log10(magnitude))), 20);
    return fixedText(value, decimals);
}

bool IsNoDataValue(const BandInfo* band, double value) {
    if (!band || band->has_nodata != 1) return false;
    double nodata = band->nodata;
    // Single-precision samples equal the no-data value as a float, as the histogram compares them.
    if (band->sample_type == REMOS_SAMPLE_F32) nodata = static_cast<float>(nodata);
    return value == nodata || (std::isnan(value) && std::isnan(nodata));
}

std::string StoredValueText(const BandInfo* band, double value) {
    if (IsNoDataValue(band, value)) return "NoData";
    return BandValueText(value, BandHoldsIntegers(band));
}

bool ParseBandValue(const std::string& text, bool integer, double* value) {
    const std::string t = trimmed(text);
    const NumberShape shape = shapeOf(t, integer);
    if (!shape.ok || !shape.digits) return false;
    // from_chars reads no leading '+' and no bare leading point.
    std::string plain = t[0] == '+' ? t.substr(1) : t;
    const bool negative = !plain.empty() && plain[0] == '-';
    std::string body = negative ? plain.substr(1) : plain;
    if (!body.empty() && body[0] == '.') body = "0" + body;
    double v = 0;
    const auto result = std::from_chars(body.data(), body.data() + body.size(), v);
    if (result.ec != std::errc() || result.ptr != body.data() + body.size() || !std::isfinite(v))
        return false;
    *value = negative ? -v : v;
    return true;
}

bool IsPartialBandValue(const std::string& text, bool integer) {
    return shapeOf(trimmed(text), integer).ok;
}

void BandValueLimits(const BandInfo* band, double* lowest, double* highest) {
    switch (band ? band->sample_type : REMOS_SAMPLE_U8) {
        case REMOS_SAMPLE_U16:
            *lowest = 0;
            *highest = 65535;
            return;
        case REMOS_SAMPLE_I16:
            *lowest = -32768;
            *highest = 32767;
            return;
        case REMOS_SAMPLE_U32:
            *lowest = 0;
            *highest = 4294967295.0;
            return;
        case REMOS_SAMPLE_I32:
            *lowest = INT32_MIN;
            *highest = INT32_MAX;
            return;
        case REMOS_SAMPLE_F32:
            *lowest = -FLT_MAX;
            *highest = FLT_MAX;
            return;
        case REMOS_SAMPLE_F64:
            *lowest = -DBL_MAX;
            *highest = DBL_MAX;
            return;
        default:
            *lowest = 0;
            *highest = 255;
            return;
    }
}

void ImpliedDisplayRange(const BandInfo* band, double* low, double* high) {
    if (!BandHoldsIntegers(band)) {
        *low = 0;
        *high = 255;
        return;
    }
    BandValueLimits(band, low, high);
}

void ShownDisplayRange(const BandInfo* band, double* low, double* high) {
    if (band && std::isfinite(band->display_low) && std::isfinite(band->display_high) &&
        band->display_high > band->display_low) {
        *low = band->display_low;
        *high = band->display_high;
        return;
    }
    ImpliedDisplayRange(band, low, high);
}

double BoundStep(const BandInfo* band) {
    if (BandHoldsIntegers(band)) return 1;
    double span = band->value_max - band->value_min;
    if (!(span > 0) || !std::isfinite(span)) {
        double low, high;
        ShownDisplayRange(band, &low, &high);
        span = high - low;
    }
    const double step = span / 256;
    return step > 0 && std::isfinite(step) ? step : 1;
}

void SeparateBounds(const BandInfo* band, bool lowerMoved, double* low, double* high) {
    double lowest, highest;
    BandValueLimits(band, &lowest, &highest);
    *low = std::clamp(*low, lowest, highest);
    *high = std::clamp(*high, lowest, highest);
    if (*low < *high) return;
    const double step = BoundStep(band);
    if (lowerMoved) {
        *low = *high - step;
        if (*low < lowest) {
            *low = lowest;
            *high = lowest + step;
        }
    } else {
        *high = *low + step;
        if (*high > highest) {
            *high = highest;
            *low = highest - step;
        }
    }
    // A step lost in the rounding of very large values still leaves the bounds apart.
    if (!(*low < *high)) *low = std::nextafter(*high, -HUGE_VAL);
}

double ColumnValue(const BandInfo* band, int column) {
    column = std::clamp(column, 0, 256);
    if (band && remos_band_is_wide(band) && hasHistogramSpan(band)) {
        if (column < 256) return remos_histogram_column_value(band, column);
        return BandHoldsIntegers(band) ? band->value_max + 1 : band->value_max;
    }
    // Without a histogram the columns stand still under a drag: they cover the implied range.
    double low, high;
    ImpliedDisplayRange(band, &low, &high);
    return low + (high - low) * column / 256;
}

bool ColumnInsideRange(const BandInfo* band, int column, double low, double high) {
    const double start = ColumnValue(band, column);
    const double end = ColumnValue(band, column + 1);
    if (end <= start) return start >= low && start < high;  // a column that stands for no value of its own
    return start < high && end > low;
}

double DraggedLowerBound(const BandInfo* band, int column) {
    return ColumnValue(band, std::clamp(column, 0, 255));
}

double DraggedUpperBound(const BandInfo* band, int column) {
    column = std::clamp(column, 0, 255);
    if (column == 255) {
        if (band && remos_band_is_wide(band) && hasHistogramSpan(band)) return band->value_max;
        double low, high;
        ImpliedDisplayRange(band, &low, &high);
        return high;
    }
    return ColumnValue(band, column + 1);
}

}  // namespace orvenna
