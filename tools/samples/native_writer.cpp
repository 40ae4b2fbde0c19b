// The native raw format: a 512-byte header starting "VELDAMOR", then band-interleaved 8-bit line records.
#include <string>
#include <vector>

#include "tools/samples/landscape_internal.h"
#include "tools/samples/output_file.h"
#include "tools/samples/sample_scenes.h"

namespace samples {
namespace {

constexpr int kHeaderSize = 512;
const char* const kBandNames[5] = {"BLUE", "GREEN", "RED", "NIR", "THERMAL"};

Bytes native_header(int width, int height, int bands) {
    Bytes h(kHeaderSize);
    h.text(0, "VELDAMOR");
    h.be32(8, kHeaderSize);  // header length
    h.be16(12, uint32_t(width));
    h.be16(14, uint32_t(height));
    h.be16(16, 8);  // bits per sample
    h.be16(18, 0);  // band-interleaved by line
    h.text(20, "ORVENNA SAMPLE SCENE");
    h.be16(86, uint32_t(bands));
    // Band names, 8 characters each, as far as the header has room.
    for (int b = 0; b < bands && 88 + 8 * (b + 1) <= kHeaderSize; ++b)
        h.text(88 + 8 * size_t(b), kBandNames[b % 5]);
    return h;
}

}  // namespace

bool write_native(const std::string& path, int width, int height, int bands, std::string* error) {
    if (width < 1 || width > 65535 || height < 1 || height > 65535 || bands < 1 || bands > 65535)
        return fail(error, "native size out of range (1..65535 pixels, lines and bands): " + path);
    OutputFile out(path);
    out.write(native_header(width, height, bands));
    std::vector<Ground> ground(size_t(width), Ground{});
    std::vector<uint8_t> row(static_cast<size_t>(width));
    for (int y = 0; y < height && out.ok(); ++y) {
        for (int x = 0; x < width; ++x)
            ground[size_t(x)] = ground_at(x, y, width, height);
        for (int b = 0; b < bands; ++b) {
            const Band band = Band(b % 5);
            for (int x = 0; x < width; ++x)
                row[size_t(x)] = value_of(ground[size_t(x)], band, x, y);
            out.write(row.data(), row.size());
        }
    }
    return out.close(error);
}

bool write_large_native(const std::string& path, int width, int height, int bands, std::string* error) {
    return write_native(path, width, height, bands, error);
}

}  // namespace samples
