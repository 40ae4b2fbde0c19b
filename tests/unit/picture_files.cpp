// Bitmap layouts written byte by byte (the kinds a common writer does not make: run-length coded, 16-bit
// fields, top-down lines, the OS/2 header) decode to the colours their bytes say; damaged and unsupported
// files are refused with a reason.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "scene/picture_files.h"
#include "tests/unit/remos_test_files.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Rgb = std::array<int, 3>;

void put(Bytes& b, uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A bitmap with a 40-byte header (or the 12-byte OS/2 one), a palette of `palette` entries (blue, green, red)
// and `pixels` as stored; `masks` (red, green, blue) follow the header of a bit-field bitmap.
Bytes bitmap(int width, int height, int bits, uint32_t compression, const std::vector<Rgb>& palette,
             const Bytes& pixels, const std::vector<uint32_t>& masks = {}, bool os2 = false) {
    const int header = os2 ? 12 : 40;
    const int entry = os2 ? 3 : 4;
    const uint32_t offset = 14 + header + static_cast<uint32_t>(masks.size() * 4 + palette.size() * entry);
    Bytes b = {'B', 'M'};
    put(b, offset + static_cast<uint32_t>(pixels.size()), 4);
    put(b, 0, 4);
    put(b, offset, 4);
    put(b, header, 4);
    if (os2) {
        put(b, width, 2);
        put(b, height, 2);
        put(b, 1, 2);
        put(b, bits, 2);
    } else {
        put(b, static_cast<uint32_t>(width), 4);
        put(b, static_cast<uint32_t>(height), 4);
        put(b, 1, 2);
        put(b, bits, 2);
        put(b, compression, 4);
        put(b, static_cast<uint32_t>(pixels.size()), 4);
        put(b, 2835, 4);
        put(b, 2835, 4);
        put(b, static_cast<uint32_t>(palette.size()), 4);
        put(b, 0, 4);
    }
    for (uint32_t m : masks)
        put(b, m, 4);
    for (const Rgb& c : palette) {
        b.push_back(static_cast<uint8_t>(c[2]));
        b.push_back(static_cast<uint8_t>(c[1]));
        b.push_back(static_cast<uint8_t>(c[0]));
        if (!os2) b.push_back(0);
    }
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

Rgb pixelAt(const DecodedPicture& p, int x, int y) {
    const uint8_t* q = p.line(y) + 3 * x;
    return {q[2], q[1], q[0]};
}

const std::vector<Rgb> kPalette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {90, 80, 70}};

TEST(PictureFiles, BitmapLayoutsDecodeToTheirColours) {
    remos_test::TempDir dir;
    struct Case {
        const char* name;
        Bytes file;
        int width, height;
        std::vector<std::pair<std::array<int, 2>, Rgb>> expected;  // (x, y) from the top -> colour
    };
    const Case cases[] = {
        // Run-length coded 8-bit, bottom line first: a run, an end of line, absolute pixels (padded to two
        // bytes), an end of line, a move right, a run, the end. Pixels the runs skip keep index 0.
        {"rle8",
         bitmap(4, 3, 8, 1, kPalette, {3, 1, 0, 0, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 2, 0, 1, 4, 0, 1}),
         4,
         3,
         {{{0, 2}, {255, 0, 0}},
          {{2, 2}, {255, 0, 0}},
          {{3, 2}, {0, 0, 0}},
          {{0, 1}, {0, 255, 0}},
          {{2, 1}, {90, 80, 70}},
          {{1, 0}, {0, 0, 0}},
          {{2, 0}, {90, 80, 70}}}},
        // Run-length coded 4-bit: runs alternate the two nibbles, absolute nibbles padded to two bytes.
        {"rle4",
         bitmap(4, 2, 4, 2, kPalette, {4, 0x12, 0, 0, 0, 3, 0x34, 0x10, 0, 1}),
         4,
         2,
         {{{0, 1}, {255, 0, 0}},
          {{1, 1}, {0, 255, 0}},
          {{3, 1}, {0, 255, 0}},
          {{0, 0}, {0, 0, 255}},
          {{1, 0}, {90, 80, 70}},
          {{2, 0}, {255, 0, 0}}}},
        // 16-bit 5-6-5 bit fields: a component of n bits is multiplied by 256 / 2^n.
        {"565",
         bitmap(2, 1, 16, 3, {}, {0x00, 0xF8, 0xFF, 0x07}, {0xF800, 0x07E0, 0x001F}),
         2,
         1,
         {{{0, 0}, {248, 0, 0}}, {{1, 0}, {0, 252, 248}}}},
        // 16 bits without fields: 5-5-5.
        {"555", bitmap(1, 1, 16, 0, {}, {0x1F, 0x7C, 0, 0}), 1, 1, {{{0, 0}, {248, 0, 248}}}},
        // 24-bit lines stored top-down (negative height), padded to four bytes.
        {"top-down",
         bitmap(1, -2, 24, 0, {}, {10, 20, 30, 0, 40, 50, 60, 0}),
         1,
         2,
         {{{0, 0}, {30, 20, 10}}, {{0, 1}, {60, 50, 40}}}},
        // The OS/2 header: 16-bit sizes and three-byte palette entries.
        {"os2",
         bitmap(2, 1, 8, 0, kPalette, {4, 2, 0, 0}, {}, true),
         2,
         1,
         {{{0, 0}, {90, 80, 70}}, {{1, 0}, {0, 255, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(std::string(c.name) + ".bmp");
        remos_test::write_file(path, c.file);
        DecodedPicture picture;
        std::string error;
        ASSERT_TRUE(decode_picture(path, PictureType::Bitmap, &picture, &error)) << error;
        ASSERT_EQ(picture.width, c.width);
        ASSERT_EQ(picture.height, c.height);
        for (const auto& [at, colour] : c.expected)
            EXPECT_EQ(pixelAt(picture, at[0], at[1]), colour) << at[0] << "," << at[1];
    }
}

TEST(PictureFiles, DamagedAndUnsupportedBitmapsAreRefusedWithAReason) {
    remos_test::TempDir dir;
    Bytes cut = bitmap(8, 8, 24, 0, {}, Bytes(8 * 8 * 3));
    cut.resize(cut.size() - 10);
    Bytes huffman = bitmap(8, 1, 1, 3, {}, Bytes(4));  // bit fields are for 16 and 32 bits only
    Bytes topDownRuns = bitmap(2, -1, 8, 1, kPalette, {0, 1});
    Bytes shortRuns = bitmap(4, 1, 8, 1, kPalette, {0, 5, 1, 2});  // absolute pixels past the end
    Bytes broken = bitmap(0, 1, 24, 0, {}, Bytes(4));
    const std::pair<const char*, Bytes> cases[] = {
        {"cut", cut},
        {"huffman", huffman},
        {"top-down runs", topDownRuns},
        {"short runs", shortRuns},
        {"no width", broken},
        {"not a bitmap", {'P', 'K', 3, 4}},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const std::string path = dir.file("bad.bmp");
        remos_test::write_file(path, bytes);
        DecodedPicture picture;
        std::string error;
        EXPECT_FALSE(decode_picture(path, PictureType::Bitmap, &picture, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(picture.empty());
    }
}

}  // namespace
