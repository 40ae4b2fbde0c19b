// Small scene files written by the remos tests: native "VELDAMOR" files, CEOS image files of the three kinds
// and TIFF files with a chosen set of tags, each built byte by byte so that every header field is under the
// test's control.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace remos_test {

using Bytes = std::vector<unsigned char>;

// A fresh folder under the system temp dir, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> serial{0};
        path_ = std::filesystem::temp_directory_path() /
                ("remos_test_" + std::to_string(getpid()) + "_" + std::to_string(serial++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline void write_file(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void put_be(Bytes& b, size_t at, uint64_t v, int n) {
    if (b.size() < at + n) b.resize(at + n);
    for (int i = 0; i < n; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * (n - 1 - i)));
}

inline void put_le(Bytes& b, size_t at, uint64_t v, int n) {
    if (b.size() < at + n) b.resize(at + n);
    for (int i = 0; i < n; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

inline void put_text(Bytes& b, size_t at, const std::string& s) {
    if (b.size() < at + s.size()) b.resize(at + s.size());
    memcpy(b.data() + at, s.data(), s.size());
}

// Right-aligned decimal text of `width` characters, as CEOS descriptors store numbers.
inline void put_decimal(Bytes& b, size_t at, long long v, int width) {
    std::string s = std::to_string(v);
    if (static_cast<int>(s.size()) < width) s = std::string(width - s.size(), ' ') + s;
    put_text(b, at, s.substr(0, width));
}

// Value of pixel (x, y) of band `band` in generated 8-bit scenes: distinct per band, line and column.
inline unsigned char pattern(int band, int x, int y) {
    return static_cast<unsigned char>((x * 7 + y * 13 + band * 61 + (int64_t(x) * y) % 5) & 0xFF);
}

// Native file: 512-byte header, then for every line one record per band.
inline Bytes native_file(int width, int height, int bands,
                         const std::function<unsigned char(int, int, int)>& px = pattern) {
    Bytes b(512, 0);
    put_text(b, 0, "VELDAMOR");
    put_be(b, 12, width, 2);
    put_be(b, 14, height, 2);
    put_be(b, 86, bands, 2);
    for (int y = 0; y < height; ++y)
        for (int k = 0; k < bands; ++k)
            for (int x = 0; x < width; ++x)
                b.push_back(px(k, x, y));
    return b;
}

// Header fields of a CEOS image file; the kind decides which offsets carry them.
struct CeosLayout {
    int kind = 3;  // 3 general, 7 "PSRC", 8 "PSRB"
    int descriptor_length = 720;
    int lines = 4;
    int record_length = 0;
    int bits = 8;
    int samples_per_group = 2;  // kind 8 only
    int prefix = 12;
    int suffix = 4;
};

// Descriptor record only (descriptor_length bytes): "AL" at 48, the kind at 52 and the decimal fields.
inline Bytes ceos_descriptor(const CeosLayout& s) {
    Bytes b(static_cast<size_t>(s.descriptor_length), ' ');
    put_be(b, 0, 1, 4);
    put_be(b, 8, s.descriptor_length, 4);
    put_text(b, 48, "AL");
    put_text(b, 52, s.kind == 7 ? "PSRC" : s.kind == 8 ? "PSRB" : "AVN2");
    put_decimal(b, 186, s.record_length, 6);
    put_decimal(b, 216, s.bits, 4);
    if (s.kind == 3) {
        put_decimal(b, 180, s.lines, 6);
        put_decimal(b, 280, s.prefix, 4);
        put_decimal(b, 292, s.suffix, 4);
        // Decoys where the other kinds keep their fields.
        put_decimal(b, 276, 999, 4);
        put_decimal(b, 288, 999, 4);
    } else {
        if (s.kind == 7)
            put_decimal(b, 180, s.lines, 6);
        else
            put_decimal(b, 180, 777, 6);
        if (s.kind == 8) {
            put_decimal(b, 220, s.samples_per_group, 4);
            put_decimal(b, 236, s.lines, 8);
        }
        put_decimal(b, 276, s.prefix, 4);
        put_decimal(b, 288, s.suffix, 4);
        put_decimal(b, 280, 999, 4);
        put_decimal(b, 292, 999, 4);
    }
    return b;
}

// Whole CEOS file: descriptor, then `lines` records of prefix, `payload(y)` and suffix (0xEE filler).
inline Bytes ceos_file(const CeosLayout& s, const std::function<Bytes(int)>& payload) {
    Bytes b = ceos_descriptor(s);
    for (int y = 0; y < s.lines; ++y) {
        Bytes rec(static_cast<size_t>(std::max(0, s.prefix)), 0xEE);
        Bytes p = payload(y);
        rec.insert(rec.end(), p.begin(), p.end());
        rec.resize(static_cast<size_t>(std::max(0, s.record_length)), 0xEE);
        b.insert(b.end(), rec.begin(), rec.end());
    }
    return b;
}

// ------------------------------------------------------------------------------------------------------
// TIFF writer with full control over the first directory.

enum : uint16_t { kByte = 1, kAscii = 2, kShort = 3, kLong = 4 };

struct TiffTag {
    uint16_t tag;
    uint16_t type;
    std::vector<uint32_t> values;
};

// Writes header, image data (at offset 8) and one directory with `tags` (sorted by the caller's order).
// Values of StripOffsets may refer to the image data offset through `data_at` = 8.
inline Bytes tiff_file(bool little_endian, const std::vector<TiffTag>& tags, const Bytes& image) {
    auto put = [&](Bytes& b, size_t at, uint64_t v, int n) {
        if (little_endian)
            put_le(b, at, v, n);
        else
            put_be(b, at, v, n);
    };
    Bytes b;
    put_text(b, 0, little_endian ? "II" : "MM");
    put(b, 2, 42, 2);
    b.insert(b.end(), 4, 0);
    b.insert(b.end(), image.begin(), image.end());
    if (b.size() % 2) b.push_back(0);
    const size_t ifd = b.size();
    put(b, 4, ifd, 4);
    put(b, ifd, tags.size(), 2);
    size_t extra = ifd + 2 + 12 * tags.size() + 4;
    b.resize(extra, 0);
    for (size_t i = 0; i < tags.size(); ++i) {
        const TiffTag& t = tags[i];
        const size_t e = ifd + 2 + 12 * i;
        const int size = t.type == kShort ? 2 : t.type == kLong ? 4 : 1;
        put(b, e, t.tag, 2);
        put(b, e + 2, t.type, 2);
        put(b, e + 4, t.values.size(), 4);
        size_t at = e + 8;
        if (t.values.size() * size > 4) {
            at = b.size();
            put(b, e + 8, at, 4);
            b.resize(at + t.values.size() * size, 0);
        }
        for (size_t k = 0; k < t.values.size(); ++k)
            put(b, at + k * size, t.values[k], size);
    }
    return b;
}

// An 8-bit grey or RGB image stored as one strip per line; `strip_offsets` overrides the per-line offsets.
struct TiffLayout {
    bool little_endian = true;
    int width = 5;
    int lines = 3;
    int samples = 1;             // 1 grey, 3 RGB
    int photometric = -1;        // -1: 1 for grey, 2 for RGB
    std::vector<uint32_t> bits;  // empty: 8 per sample
    uint16_t bits_type = kShort;
    int compression = 1;
    int rows_per_strip = 1;  // 0: tag left out
    int planar = 1;          // 0: tag left out
    uint16_t strip_offsets_type = kLong;
    bool swap_first_strips = false;  // store lines 0 and 1 in each other's place
    std::vector<uint16_t> omit;      // tags to leave out
};

inline Bytes tiff_pixels(const TiffLayout& s) {
    Bytes img;
    for (int y = 0; y < s.lines; ++y)
        for (int x = 0; x < s.width; ++x)
            for (int k = 0; k < s.samples; ++k)
                img.push_back(pattern(k, x, y));
    return img;
}

inline Bytes tiff_image(const TiffLayout& s) {
    Bytes img = tiff_pixels(s);
    const uint32_t row = static_cast<uint32_t>(s.width * s.samples);
    std::vector<uint32_t> offsets, counts;
    const int strips = s.rows_per_strip == 1 ? s.lines : 1;
    for (int i = 0; i < strips; ++i) {
        offsets.push_back(8 + row * i);
        counts.push_back(s.rows_per_strip == 1 ? row : row * s.lines);
    }
    if (s.swap_first_strips && s.lines >= 2) {
        std::swap(offsets[0], offsets[1]);
        Bytes swapped(img);
        std::copy(img.begin(), img.begin() + row, swapped.begin() + row);
        std::copy(img.begin() + row, img.begin() + 2 * row, swapped.begin());
        img = swapped;
    }
    std::vector<uint32_t> bits = s.bits.empty() ? std::vector<uint32_t>(s.samples, 8) : s.bits;
    int photometric = s.photometric >= 0 ? s.photometric : (s.samples == 3 ? 2 : 1);
    std::vector<TiffTag> tags = {
        {256, kLong, {static_cast<uint32_t>(s.width)}},
        {257, kShort, {static_cast<uint32_t>(s.lines)}},
        {258, s.bits_type, bits},
        {259, kShort, {static_cast<uint32_t>(s.compression)}},
        {262, kShort, {static_cast<uint32_t>(photometric)}},
        {273, s.strip_offsets_type, offsets},
        {277, kShort, {static_cast<uint32_t>(s.samples)}},
        {278, kShort, {static_cast<uint32_t>(s.rows_per_strip)}},
        {279, kLong, counts},
        {284, kShort, {static_cast<uint32_t>(s.planar)}},
    };
    if (photometric == 3) {
        // A palette needs its colour map: 3 * 2^bits SHORT values.
        std::vector<uint32_t> map(3 * 256);
        for (size_t i = 0; i < map.size(); ++i)
            map[i] = static_cast<uint32_t>(i * 85);
        tags.push_back({320, kShort, map});
    }
    std::vector<TiffTag> kept;
    for (const TiffTag& t : tags) {
        bool drop = (t.tag == 278 && s.rows_per_strip == 0) || (t.tag == 284 && s.planar == 0);
        for (uint16_t o : s.omit)
            drop = drop || o == t.tag;
        if (!drop) kept.push_back(t);
    }
    return tiff_file(s.little_endian, kept, img);
}

}  // namespace remos_test
