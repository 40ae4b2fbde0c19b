// A band's own values as the window shows and takes them: the texts of stored values (pixel readout, the
// band row's bounds and span), reading typed bounds, and the rules of the display range of a band wider than
// 8 bits (the arrows' step, the bounds that never meet, the histogram columns a drag or the picture stands
// for). Qt-free.
#pragma once

#include <string>

struct BandInfo;  // scene/remos.h

namespace orvenna {

// The band stores whole numbers (every kind but the floats).
bool BandHoldsIntegers(const BandInfo* band);

// A stored value as text: integers as integers ("-32768", "4294967295"); other values with up to four
// decimals and no zeros at the end ("0.1234", "273.5", "-12"), values below 0.01 with four significant
// digits ("0.0001234"); "NaN", "inf", "-inf" for the values that are no number.
std::string BandValueText(double value, bool integer);

// The stored value is the band's no-data value (single-precision bands compare it as a float).
bool IsNoDataValue(const BandInfo* band, double value);

// The readout of a pixel's stored value: "NoData" for the band's no-data value, else BandValueText.
std::string StoredValueText(const BandInfo* band, double value);

// Reads a typed bound: an optional sign, digits and (floats only) one decimal point with digits on either
// side; surrounding blanks allowed. False for anything else (empty, "1e5", "12a", "1.5" for integers).
bool ParseBandValue(const std::string& text, bool integer, double* value);

// A typed text that may still become a value of that kind ("", "-", "3." ...): the edit lets it stand.
bool IsPartialBandValue(const std::string& text, bool integer);

// The smallest and the largest value the band's kind stores (floats: the largest finite values).
void BandValueLimits(const BandInfo* band, double* lowest, double* highest);

// The range the band is drawn with while it has none of its own (no histogram yet): the one remos_read_row
// maps onto 0..255 (unsigned 0..2^bits - 1, signed -2^(bits-1)..2^(bits-1) - 1, floats 0..255).
void ImpliedDisplayRange(const BandInfo* band, double* low, double* high);

// The display range the band row shows: display_low..display_high when high > low, else the implied one.
void ShownDisplayRange(const BandInfo* band, double* low, double* high);

// One press of an arrow on a bound: 1 for integer bands; for floats 1/256 of the value span
// (value_min..value_max), or of the shown range when the band has no span.
double BoundStep(const BandInfo* band);

// Keeps the bounds apart, as the 8-bit rows do: both inside the kind's limits, and when low is not below
// high, the bound that moved (lowerMoved) goes one step to the other side of the one that stayed (or, at a
// limit, the one that stayed gives way).
void SeparateBounds(const BandInfo* band, bool lowerMoved, double* low, double* high);

// Smallest value histogram column `column` (0..255) stands for; at 256 the end of the last column. Over the
// span value_min..value_max once a histogram was made, else linearly over the implied range.
double ColumnValue(const BandInfo* band, int column);

// The column's values lie (at least partly) inside low..high, so the picture draws it in the range's colours.
bool ColumnInsideRange(const BandInfo* band, int column, double low, double high);

// A drag on the histogram at `column`: the left button's lower bound (the column's first value) and the right
// button's upper bound (the column's end, so that the column is inside; the largest value at the last one).
double DraggedLowerBound(const BandInfo* band, int column);
double DraggedUpperBound(const BandInfo* band, int column);

}  // namespace orvenna
