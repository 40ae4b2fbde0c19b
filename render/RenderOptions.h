// The render command's options: what the command line asks for, checked, before anything is opened.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "document/Presets.h"

namespace orvenna {

struct RangeRequest {
    char letter = 'a';  // the band's letter, lower case
    enum Kind { Values, Automatic, Full } kind = Values;
    double low = 0, high = 0;  // Values only
};

struct RenderOptions {
    std::optional<std::string> red, green, blue;  // channel expressions; missing ones are "a"
    std::optional<PresetRequest> preset;          // band positions from the letters given
    std::vector<RangeRequest> ranges;
    bool eight_bit_auto_range = true;  // 8-bit bands open at their automatic range, as in the viewer
    int step = 5;                      // magnification step as in the viewer: 0 (x32) .. 5 (1:1) .. 10 (1/32)
    bool has_window = false;
    int window_x = 0, window_y = 0, window_width = 0, window_height = 0;  // in scene pixels
    std::string output;
    std::vector<std::string> files;
    std::vector<std::string> subdatasets;  // --subdataset: the parts of a container to open
    bool legend = false;                   // the preset's colour bar in the bottom-right corner
    bool quiet = false;
    bool help = false;
    int threads = 0;  // 0: every core
};

// Reads the arguments after the program name. False with *error (Japanese, one line) on a bad argument.
bool parse_render_options(int argc, const char* const* argv, RenderOptions* options, std::string* error);

// The --help text.
std::string render_usage();

}  // namespace orvenna
