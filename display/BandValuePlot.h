// The band value plot of the pixel value window: one point per listed band, in list order, at the height of
// the band's value under the pointer. Bands of 8 bits (and picture channels) are plotted on 0..255 as
// stored; wider bands through their display range, the span the composite maps onto 0..255, so that bands of
// different kinds can be compared on one axis. Qt-free: the window only draws what this lays out.
#pragma once

#include <string>
#include <vector>

struct BandInfo;  // scene/remos.h

namespace orvenna {

// One band's value under the pointer, with the values drawn at the bottom and at the top of the plot.
struct BandValueSample {
    double value = 0;
    double low = 0;
    double high = 255;
    bool valid = false;  // false: no value there (outside the scene, no-data, not a number)
    std::string note;    // written beside the point (a thermal band's temperature, "24.6 ℃"); UTF-8
};

// The sample of `band` for the stored value `value` (as remos_read_sample gives it): its scale as above
// (a wide band without a display range: the span the composite maps onto 0..255 for its sample type), and
// whether the value is data at all.
BandValueSample band_value_sample_of(const BandInfo* band, bool is_picture, double value);

struct BandValuePoint {
    int x = 0;  // centre of the point, in the plot's own pixels
    int y = 0;
    bool valid = false;    // a value to draw; invalid points leave a gap in the line
    bool clipped = false;  // the value lies outside low..high and is drawn on the edge it passed
};

struct BandValuePlotLayout {
    // The value axis runs from `bottom` (low) up to `top` (high); the points lie between `left` and `right`.
    int left = 0, top = 0, right = 0, bottom = 0;
    std::vector<BandValuePoint> points;
    // The band letter under each point ("a" .. "z", then the list number); empty where the letters would
    // overlap and only every n-th is written.
    std::vector<std::string> labels;
};

// Lays out `samples` on a plot of width x height pixels whose letters are at most label_width wide and
// label_height high. Sizes too small for a plot give no points.
BandValuePlotLayout layout_band_value_plot(const std::vector<BandValueSample>& samples, int width, int height,
                                           int label_width, int label_height);

// The axis letter of list position i: "a" .. "z", "27", "28" ...
std::string band_value_label(int i);

}  // namespace orvenna
