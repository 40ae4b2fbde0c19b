// The colour bar of a colour preset: what it shows (title, the values at its ends, its colours) and where it
// lies on a picture. Qt-free. The colours are never written down here: they come from evaluating the channel
// expressions the preset draws the picture with, the source letter stepping over its values in order as
// along one drawn row, so the bar shows what the picture shows.
//
// The text on the bar needs a font; the painter beside the window and the render command
// (platform/LegendPainter.h) measures and draws it. The box, frame, bar and ticks are drawn here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/Composite.h"

struct CalcExpr;  // calc/ecalc.h

namespace orvenna {

// One colour of the bar: the colour the picture shows for `value`.
struct LegendStop {
    double value = 0;
    uint8_t red = 0, green = 0, blue = 0;
};

struct Legend {
    enum class Kind { None, Ndvi, Thermography, Temperature };
    Kind kind = Kind::None;
    std::string title;              // UTF-8: "NDVI", the thermography source, "℃"
    double low = 0, high = 0;       // the values at the bar's left and right ends
    std::vector<LegendStop> stops;  // ascending values

    // Something to draw: a kind, colours and ends apart.
    bool drawable() const { return kind != Kind::None && !stops.empty() && high > low; }
    // The colour of the stop nearest `value` (ties: the lower one); null without stops.
    const LegendStop* stopAt(double value) const;
    // The value at the left end, the middle and the right end, as the bar's labels write them ("-1", "0.5",
    // "22.5": at most two decimals, no zeros at the end).
    std::string label(int which) const;
};

// NDVI: values -1 .. 1 in steps of 1/128 through the preset's text.
Legend NdviLegend();
// Thermography: the source's values 0 .. 255 through the preset's texts of a source that is one letter.
Legend ThermographyLegend(const std::string& title);
// Landsat temperature: `band`'s bytes 0 .. 255 through the channel texts, each stop at the temperature the
// texts compute for the byte (minTemperature + the value they leave in `temperatureLetter`).
Legend TemperatureLegend(const CalcExpr* const channels[3], char band, char temperatureLetter,
                         int minTemperature, int maxTemperature);

struct LegendRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// Sizes the painter measured for the legend's texts.
struct LegendTextSizes {
    int lineHeight = 0;  // height of one line of text
    int titleWidth = 0;
    int labelWidth[3] = {0, 0, 0};  // left, middle, right
};

// Where the parts lie, in the coordinates of a picture of the size given: a white box with a thin black
// frame in the bottom-right corner, the title on its first line, the bar below it with ticks at its ends
// and middle, and the labels under the ticks (left-aligned, centred, right-aligned).
struct LegendLayout {
    LegendRect box, bar;
    int titleX = 0, titleY = 0;  // top-left of the title's line
    int labelY = 0;              // top of the labels' line
    int tickX[3] = {0, 0, 0};
    int labelX[3] = {0, 0, 0};  // left end of each label
};
LegendLayout LayOutLegend(int pictureWidth, int pictureHeight, const LegendTextSizes& sizes);
// The same layout moved by (dx, dy): the box drawn into a picture of its own.
LegendLayout MovedBy(const LegendLayout& layout, int dx, int dy);

// The box, frame, bar and ticks of `legend` at `layout` into `target`; parts outside it are left out.
void DrawLegendBar(const Legend& legend, const LegendLayout& layout, const CompositeTarget& target);

// A legend drawn once: its box's pixels (blue, green, red) and where the box lies on the picture.
struct LegendPicture {
    LegendRect box;
    std::vector<uint8_t> bgr;  // box.height lines of box.width pixels
    bool empty() const { return bgr.empty(); }
};

// Copies the legend's box into `target`, whose line 0 is the picture's line `firstLine`.
void PutLegendPicture(const LegendPicture& legend, const CompositeTarget& target, int firstLine = 0);

}  // namespace orvenna
