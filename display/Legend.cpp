#include "display/Legend.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>

#include "calc/Expression.h"
#include "calc/ecalc.h"
#include "calc/ecalc_stored.h"
#include "display/PresetTexts.h"

namespace orvenna {

namespace {

constexpr int kLetters = 26;

// Around the box, inside it, and the bar's own size.
constexpr int kMargin = 8;
constexpr int kPadding = 6;
constexpr int kBarWidth = 181;  // odd: the middle tick falls on a column
constexpr int kBarHeight = 12;
constexpr int kTickLength = 4;
constexpr int kLabelGap = 12;  // least room between two labels

int LetterIndex(char letter) {
    return letter >= 'a' && letter <= 'z' ? letter - 'a' : -1;
}

// The colours of `count` samples: set(i, cells, stored) puts sample i's letters and stored values in, the
// three channels are evaluated in the composite's order, then value(cells) says where the stop lies. The
// cells carry from one sample to the next, as they carry along a drawn row of the samples in order. Stops of
// no finite value are left out.
std::vector<LegendStop> EvaluateStops(const CalcExpr* const channels[3], int count,
                                      const std::function<void(int, double*, double*)>& set,
                                      const std::function<double(int, const double*)>& value) {
    double cellValues[kLetters] = {}, stored[kLetters] = {};
    LetterCells cells;
    for (int k = 0; k < kLetters; ++k)
        cells[k] = &cellValues[k];
    std::vector<LegendStop> stops;
    stops.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        set(i, cellValues, stored);
        LegendStop stop;
        stop.red = static_cast<uint8_t>(ClampToByte(ecalc_evaluate_stored(channels[0], cells, stored, 0.0)));
        stop.green =
            static_cast<uint8_t>(ClampToByte(ecalc_evaluate_stored(channels[1], cells, stored, 0.0)));
        stop.blue = static_cast<uint8_t>(ClampToByte(ecalc_evaluate_stored(channels[2], cells, stored, 0.0)));
        stop.value = value(i, cellValues);
        if (std::isfinite(stop.value)) stops.push_back(stop);
    }
    std::stable_sort(stops.begin(), stops.end(),
                     [](const LegendStop& a, const LegendStop& b) { return a.value < b.value; });
    return stops;
}

void PutPixel(const CompositeTarget& target, int x, int y, uint8_t red, uint8_t green, uint8_t blue) {
    if (x < 0 || y < 0 || x >= target.width || y >= target.height) return;
    uint8_t* p = target.pixels + static_cast<std::ptrdiff_t>(y) * target.stride + 3 * x;
    p[0] = blue;
    p[1] = green;
    p[2] = red;
}

void FillRect(const CompositeTarget& target, const LegendRect& r, uint8_t grey) {
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x)
            PutPixel(target, x, y, grey, grey, grey);
}

// A one-pixel black line around r, just inside it.
void FrameRect(const CompositeTarget& target, const LegendRect& r) {
    for (int x = r.x; x < r.x + r.width; ++x) {
        PutPixel(target, x, r.y, 0, 0, 0);
        PutPixel(target, x, r.y + r.height - 1, 0, 0, 0);
    }
    for (int y = r.y; y < r.y + r.height; ++y) {
        PutPixel(target, r.x, y, 0, 0, 0);
        PutPixel(target, r.x + r.width - 1, y, 0, 0, 0);
    }
}

}  // namespace

const LegendStop* Legend::stopAt(double value) const {
    if (stops.empty()) return nullptr;
    auto above = std::lower_bound(stops.begin(), stops.end(), value,
                                  [](const LegendStop& s, double v) { return s.value < v; });
    if (above == stops.end()) return &stops.back();
    if (above == stops.begin()) return &*above;
    auto below = std::prev(above);
    return value - below->value <= above->value - value ? &*below : &*above;
}

std::string Legend::label(int which) const {
    const double value = which <= 0 ? low : which == 1 ? (low + high) / 2 : high;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    if (result.ec != std::errc()) return "?";
    std::string text(buffer, result.ptr);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

Legend NdviLegend() {
    // The preset's text of two bands' stored values: the index drawn the same whether the bands are rescaled
    // to reflectance or not.
    const int r = 0, n = 1;
    NdviBand red, nearInfrared;
    red.letter = 'a' + r;
    nearInfrared.letter = 'a' + n;
    const Expression text(NdviText(red, nearInfrared));
    const CalcExpr* const channels[3] = {text.tree(), text.tree(), text.tree()};
    Legend legend;
    legend.kind = Legend::Kind::Ndvi;
    legend.title = "NDVI";
    legend.low = -1;
    legend.high = 1;
    // Index v from a near-infrared 1 + v over a red 1 - v: (n - r) / (n + r) is v exactly at these steps.
    auto index = [](int i) { return -1.0 + i / 128.0; };
    legend.stops = EvaluateStops(
        channels, 257,
        [&](int i, double*, double* stored) {
            stored[r] = 1 - index(i);
            stored[n] = 1 + index(i);
        },
        [&](int i, const double*) { return index(i); });
    return legend;
}

Legend ThermographyLegend(const std::string& title) {
    const PresetChannelTexts texts = ThermographyTexts("a");
    const Expression red(texts.red), green(texts.green), blue(texts.blue);
    const CalcExpr* const channels[3] = {red.tree(), green.tree(), blue.tree()};
    Legend legend;
    legend.kind = Legend::Kind::Thermography;
    legend.title = title;
    legend.low = 0;
    legend.high = 255;
    legend.stops = EvaluateStops(
        channels, 256, [](int i, double* cells, double*) { cells[0] = i; },
        [](int i, const double*) { return i; });
    return legend;
}

Legend TemperatureLegend(const CalcExpr* const channels[3], char band, char temperatureLetter,
                         int minTemperature, int maxTemperature) {
    Legend legend;
    const int b = LetterIndex(band), t = LetterIndex(temperatureLetter);
    if (b < 0 || t < 0) return legend;
    legend.kind = Legend::Kind::Temperature;
    legend.title = "℃";
    legend.low = minTemperature;
    legend.high = maxTemperature;
    legend.stops = EvaluateStops(
        channels, 256, [&](int i, double* cells, double*) { cells[b] = i; },
        [&](int, const double* cells) { return minTemperature + cells[t]; });
    return legend;
}

LegendLayout LayOutLegend(int pictureWidth, int pictureHeight, const LegendTextSizes& sizes) {
    LegendLayout l;
    const int labels = sizes.labelWidth[0] + sizes.labelWidth[1] + sizes.labelWidth[2] + 2 * kLabelGap;
    int barWidth = std::max({kBarWidth, sizes.titleWidth, labels});
    barWidth |= 1;
    l.box.width = barWidth + 2 * kPadding;
    // Title, a gap, the bar in its frame, the ticks, the labels.
    l.box.height =
        kPadding + sizes.lineHeight + 3 + kBarHeight + 2 + kTickLength + 1 + sizes.lineHeight + kPadding;
    l.box.x = pictureWidth - kMargin - l.box.width;
    l.box.y = pictureHeight - kMargin - l.box.height;
    l.titleX = l.box.x + kPadding;
    l.titleY = l.box.y + kPadding - 1;
    l.bar = {l.box.x + kPadding, l.titleY + sizes.lineHeight + 3, barWidth, kBarHeight};
    l.tickX[0] = l.bar.x;
    l.tickX[1] = l.bar.x + (barWidth - 1) / 2;
    l.tickX[2] = l.bar.x + barWidth - 1;
    l.labelY = l.bar.y + kBarHeight + 1 + kTickLength + 1;
    l.labelX[0] = l.tickX[0];
    l.labelX[1] = l.tickX[1] - sizes.labelWidth[1] / 2;
    l.labelX[2] = l.tickX[2] + 1 - sizes.labelWidth[2];
    return l;
}

LegendLayout MovedBy(const LegendLayout& layout, int dx, int dy) {
    LegendLayout l = layout;
    l.box.x += dx;
    l.box.y += dy;
    l.bar.x += dx;
    l.bar.y += dy;
    l.titleX += dx;
    l.titleY += dy;
    l.labelY += dy;
    for (int k = 0; k < 3; ++k) {
        l.tickX[k] += dx;
        l.labelX[k] += dx;
    }
    return l;
}

void DrawLegendBar(const Legend& legend, const LegendLayout& layout, const CompositeTarget& target) {
    if (!target.pixels || !legend.drawable()) return;
    FillRect(target, layout.box, 255);
    FrameRect(target, layout.box);
    const LegendRect& bar = layout.bar;
    FrameRect(target, {bar.x - 1, bar.y - 1, bar.width + 2, bar.height + 2});
    // Each column shows the colour of its value; the end columns are the end values.
    for (int i = 0; i < bar.width; ++i) {
        const double value = legend.low + (legend.high - legend.low) * i / std::max(bar.width - 1, 1);
        const LegendStop* stop = legend.stopAt(value);
        for (int y = bar.y; y < bar.y + bar.height; ++y)
            PutPixel(target, bar.x + i, y, stop->red, stop->green, stop->blue);
    }
    for (int k = 0; k < 3; ++k)
        for (int y = bar.y + bar.height + 1; y < bar.y + bar.height + 1 + kTickLength; ++y)
            PutPixel(target, layout.tickX[k], y, 0, 0, 0);
}

void PutLegendPicture(const LegendPicture& legend, const CompositeTarget& target, int firstLine) {
    const LegendRect& box = legend.box;
    if (legend.empty() || !target.pixels) return;
    const int x0 = std::max(box.x, 0), x1 = std::min(box.x + box.width, target.width);
    if (x1 <= x0) return;
    for (int y = std::max(box.y, firstLine); y < std::min(box.y + box.height, firstLine + target.height);
         ++y) {
        const uint8_t* from =
            legend.bgr.data() + (static_cast<size_t>(y - box.y) * box.width + (x0 - box.x)) * 3;
        uint8_t* to = target.pixels + static_cast<std::ptrdiff_t>(y - firstLine) * target.stride + 3 * x0;
        std::memcpy(to, from, static_cast<size_t>(x1 - x0) * 3);
    }
}

}  // namespace orvenna
