// Decoding of the picture files the viewer lists as three bands (Windows bitmaps and JPEG files) into one
// 24-bit picture: each line holds the pixels as blue, green, red bytes, whatever the file's own pixel format
// (palette, grey, 16 or 32 bits, run-length coded, CMYK JPEG). Plain C++, no Qt.
//
// Damaged files are refused with a reason, never shown with a grey or black part: a bitmap shorter than its
// pixels, a JPEG with damaged or missing data. A size that the file cannot plausibly hold is refused before
// any pixel memory is allocated (a header can claim any size).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class PictureType { Bitmap, Jpeg };

// Largest decoded picture accepted, in bytes of 24-bit pixels.
inline constexpr int64_t kMaxPictureBytes = 0x7FFFFFFF;

struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgr;  // `height` lines of `width` pixels, 3 bytes each (blue, green, red)

    std::ptrdiff_t stride() const { return static_cast<std::ptrdiff_t>(width) * 3; }
    const uint8_t* line(int y) const { return bgr.data() + stride() * y; }
    uint8_t* line(int y) { return bgr.data() + stride() * y; }
    bool empty() const { return bgr.empty(); }
};

// The picture type a file name asks for: ".BMP" or ".JPG" in any letter case. False for other names.
bool picture_type_of_name(const std::string& path, PictureType* type);

// Decodes the file at `path` (only regular files are opened). False with *error (UTF-8, the user's words)
// when it cannot; *out is then empty.
bool decode_picture(const std::string& path, PictureType type, DecodedPicture* out, std::string* error);

// The byte offset of a colour channel in a pixel of a decoded picture: red 2, green 1, blue 0 for channel
// index 0, 1, 2 (red, green, blue); -1 for any other index.
int picture_channel_offset(int channel);

struct BandInfo;  // scene/remos.h

// Counts the histogram of channel `channel` (0 red, 1 green, 2 blue) of the picture into `band`: its 256
// bins and their peaks over 0..255 and 1..254 (at least 1 each).
void count_picture_histogram(const DecodedPicture& picture, int channel, BandInfo* band);
