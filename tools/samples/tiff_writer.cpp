// Uncompressed 8-bit TIFF files, one row per strip, strips stored contiguously behind the directory.
//
// Big-endian files store ImageWidth and ImageLength as SHORT, little-endian ones as LONG (both are valid
// TIFF), so the set exercises both readings of the value field.
#include <string>
#include <vector>

#include "tools/samples/output_file.h"
#include "tools/samples/sample_scenes.h"

namespace samples {
namespace {

enum { kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5 };

struct Entry {
    uint16_t tag, type;
    uint32_t count;
    uint32_t value;  // the value itself when it fits in the field, else the file offset of the values
};

const char kSoftware[] = "Orvenna sample scene writer";

size_t even(size_t n) {
    return (n + 1) & ~size_t(1);
}

bool write_tiff(const std::string& path, int width, int height, bool rgb, Band grey_band, bool big_endian,
                std::string* error) {
    const int spp = rgb ? 3 : 1;
    const uint64_t row_bytes = uint64_t(width) * uint64_t(spp);
    if (width < 1 || height < 1 ||
        row_bytes * uint64_t(height) + 4096 + 8ull * uint64_t(height) > 0xFFFFFFFFull)
        return fail(error, "TIFF size out of range: " + path);
    const bool short_size = big_endian && width <= 65535 && height <= 65535;

    // Where everything goes: header, directory, the out-of-field values, then the image rows.
    const int entry_count = 14;
    const size_t ifd = 8;
    size_t at = ifd + 2 + 12 * size_t(entry_count) + 4;
    const size_t bits_at = at;
    if (rgb) at += 6;
    const size_t xres_at = at;
    at += 8;
    const size_t yres_at = at;
    at += 8;
    const size_t software_at = at;
    at = even(at + sizeof(kSoftware));
    const size_t offsets_at = at;
    at += 4 * size_t(height);
    const size_t counts_at = at;
    at += 4 * size_t(height);
    const size_t image_at = at;

    // A single strip keeps its offset and byte count in the field itself.
    const uint32_t offsets_value = height == 1 ? uint32_t(image_at) : uint32_t(offsets_at);
    const uint32_t counts_value = height == 1 ? uint32_t(row_bytes) : uint32_t(counts_at);
    const Entry entries[entry_count] = {
        {254, kLong, 1, 0},  // NewSubfileType: full resolution image
        {256, uint16_t(short_size ? kShort : kLong), 1, uint32_t(width)},
        {257, uint16_t(short_size ? kShort : kLong), 1, uint32_t(height)},
        {258, kShort, uint32_t(spp), rgb ? uint32_t(bits_at) : 8u},  // BitsPerSample
        {259, kShort, 1, 1},                                         // Compression: none
        {262, kShort, 1, rgb ? 2u : 1u},                             // PhotometricInterpretation
        {273, kLong, uint32_t(height), offsets_value},               // StripOffsets
        {277, kShort, 1, uint32_t(spp)},                             // SamplesPerPixel
        {278, kLong, 1, 1},                                          // RowsPerStrip
        {279, kLong, uint32_t(height), counts_value},                // StripByteCounts
        {282, kRational, 1, uint32_t(xres_at)},                      // XResolution
        {283, kRational, 1, uint32_t(yres_at)},                      // YResolution
        {284, kShort, 1, 1},                                         // PlanarConfiguration: chunky
        {305, kAscii, uint32_t(sizeof(kSoftware)), uint32_t(software_at)},
    };

    Bytes head(image_at);
    head.text(0, big_endian ? "MM" : "II");
    head.u16(2, 42, big_endian);
    head.u32(4, uint32_t(ifd), big_endian);
    head.u16(ifd, entry_count, big_endian);
    for (int i = 0; i < entry_count; ++i) {
        const Entry& e = entries[i];
        const size_t p = ifd + 2 + 12 * size_t(i);
        head.u16(p, e.tag, big_endian);
        head.u16(p + 2, e.type, big_endian);
        head.u32(p + 4, e.count, big_endian);
        // A SHORT held in the field sits in its first two bytes, whatever the byte order.
        if (e.type == kShort && e.count <= 2)
            head.u16(p + 8, e.value, big_endian);
        else
            head.u32(p + 8, e.value, big_endian);
    }
    head.u32(ifd + 2 + 12 * size_t(entry_count), 0, big_endian);  // no further directory
    if (rgb)
        for (int i = 0; i < 3; ++i)
            head.u16(bits_at + 2 * size_t(i), 8, big_endian);
    for (size_t r : {xres_at, yres_at}) {
        head.u32(r, 72, big_endian);
        head.u32(r + 4, 1, big_endian);
    }
    head.text(software_at, std::string(kSoftware));
    for (int y = 0; y < height; ++y) {
        head.u32(offsets_at + 4 * size_t(y), uint32_t(image_at + row_bytes * uint64_t(y)), big_endian);
        head.u32(counts_at + 4 * size_t(y), uint32_t(row_bytes), big_endian);
    }

    OutputFile out(path);
    out.write(head);
    std::vector<uint8_t> row(static_cast<size_t>(row_bytes)), channel(static_cast<size_t>(width));
    for (int y = 0; y < height && out.ok(); ++y) {
        if (rgb) {
            const Band order[3] = {Band::Red, Band::Green, Band::Blue};
            for (int c = 0; c < 3; ++c) {
                band_row(order[c], y, width, height, channel.data());
                for (int x = 0; x < width; ++x)
                    row[3 * size_t(x) + size_t(c)] = channel[size_t(x)];
            }
        } else {
            band_row(grey_band, y, width, height, row.data());
        }
        out.write(row.data(), row.size());
    }
    return out.close(error);
}

}  // namespace

bool write_tiff_grey(const std::string& path, Band band, int width, int height, bool big_endian,
                     std::string* error) {
    return write_tiff(path, width, height, false, band, big_endian, error);
}

bool write_tiff_rgb(const std::string& path, int width, int height, bool big_endian, std::string* error) {
    return write_tiff(path, width, height, true, Band::Red, big_endian, error);
}

}  // namespace samples
