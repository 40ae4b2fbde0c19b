// Whether a TIFF's blocks lie in its file: GDAL-written classic and BigTIFF files whole and cut, and
// directories written byte by byte with the ways a header can lie about where its data is.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "scene/tiff_blocks.h"
#include "tests/unit/gdal_test_files.h"
#include "tests/unit/remos_test_files.h"

using namespace remos_test;

namespace {

// A 3 x 2 grey image of one uncompressed strip, written by hand; `edit` changes its tags.
Bytes strip_tiff(bool little, const std::function<void(std::vector<TiffTag>&)>& edit = {}) {
    const Bytes image(6, 7);
    std::vector<TiffTag> tags = {{256, kLong, {3}},  {257, kShort, {2}}, {258, kShort, {8}},
                                 {259, kShort, {1}}, {262, kShort, {1}}, {273, kLong, {8}},
                                 {277, kShort, {1}}, {278, kShort, {2}}, {279, kLong, {6}}};
    if (edit) edit(tags);
    return tiff_file(little, tags, image);
}

void set_tag(std::vector<TiffTag>& tags, uint16_t tag, std::vector<uint32_t> values) {
    for (TiffTag& t : tags)
        if (t.tag == tag) t.values = std::move(values);
}

}  // namespace

TEST(TiffBlocks, DataOutsideTheFileIsNamedAndEverythingElsePasses) {
    TempDir dir;
    const std::string source =
        gdal_test::write_envi(dir.file("ramp"), 300, 200, 1, [](int, int x, int y) { return (x + y) % 250; });
    struct Written {
        const char* name;
        const char* options;
        double keep;  // share of the file kept
    } written[] = {
        {"strips.tif", "-ot Byte", 1},
        {"cut_strips.tif", "-ot Byte", 0.5},
        {"big_tiles.tif", "-ot UInt16 -co BIGTIFF=YES -co TILED=YES -co COMPRESS=DEFLATE", 1},
        {"cut_big_tiles.tif", "-ot UInt16 -co BIGTIFF=YES -co TILED=YES -co COMPRESS=DEFLATE", 0.7},
        {"cut_overviews.tif", "-of COG -co BLOCKSIZE=64 -co COMPRESS=DEFLATE", 0.9},
    };
    for (const Written& w : written) {
        ASSERT_TRUE(gdal_test::translate(source, dir.file(w.name), w.options)) << w.name;
        const auto size = std::filesystem::file_size(dir.file(w.name));
        std::filesystem::resize_file(dir.file(w.name), static_cast<uintmax_t>(size * w.keep));
    }
    Bytes loop = strip_tiff(true);
    put_le(loop, loop.size() - 4, loop[4] | loop[5] << 8, 4);  // the next directory is this one again
    write_file(dir.file("loop.tif"), loop);
    write_file(dir.file("big_endian.tif"), strip_tiff(false));
    write_file(dir.file("not_a_tiff.tif"), Bytes(100, 'x'));
    const std::pair<const char*, std::function<void(std::vector<TiffTag>&)>> edits[] = {
        {"strip_past_end.tif", [](auto& t) { set_tag(t, 273, {4000}); }},
        {"wider_than_its_strip.tif", [](auto& t) { set_tag(t, 256, {100000}); }},
        {"compressed_short.tif",
         [](auto& t) {
             set_tag(t, 256, {100000});
             set_tag(t, 259, {8});
         }},
        {"left_out.tif",
         [](auto& t) {
             set_tag(t, 273, {0});
             set_tag(t, 279, {0});
         }},
        {"counts_differ.tif",
         [](auto& t) {
             set_tag(t, 279, {3, 3});
         }},
    };
    for (const auto& [name, edit] : edits)
        write_file(dir.file(name), strip_tiff(true, edit));
    // The offsets of two strips kept outside the entry, pointed past the end of the file.
    Bytes outside = strip_tiff(true, [](auto& t) {
        set_tag(t, 278, {1});
        set_tag(t, 273, {8, 11});
        set_tag(t, 279, {3, 3});
    });
    const size_t ifd = outside[4] | outside[5] << 8;
    for (size_t e = ifd + 2; e < ifd + 2 + 12 * 9; e += 12)
        if ((outside[e] | outside[e + 1] << 8) == 273) put_le(outside, e + 8, 1u << 30, 4);
    write_file(dir.file("table_outside.tif"), outside);
    Bytes lost = strip_tiff(true);
    put_le(lost, 4, 1u << 30, 4);
    write_file(dir.file("directory_outside.tif"), lost);

    const std::pair<const char*, const char*> cases[] = {
        {"strips.tif", ""},
        {"cut_strips.tif", "ファイルが途中で切れています: ブロック"},
        {"big_tiles.tif", ""},
        {"cut_big_tiles.tif", "ファイルが途中で切れています: ブロック"},
        {"cut_overviews.tif", "ファイルが途中で切れています"},
        {"loop.tif", ""},
        {"big_endian.tif", ""},
        {"not_a_tiff.tif", ""},
        {"strip_past_end.tif", "は 4000 から 6 バイトですが、ファイルは"},
        {"wider_than_its_strip.tif", "6 バイトしかありません (画像の大きさ 100000 x 2 では 200000 バイト)"},
        {"compressed_short.tif", ""},
        {"left_out.tif", ""},
        {"counts_differ.tif", "TIFF が壊れています: ブロックの位置と長さの数が違います"},
        {"table_outside.tif", "TIFF が壊れています: ブロックの表がファイルの外にあります"},
        {"directory_outside.tif", "TIFF が壊れています: ディレクトリがファイルの外にあります"},
    };
    for (const auto& [name, says] : cases) {
        SCOPED_TRACE(name);
        const std::string problem = tiff_block_problem(dir.file(name).c_str());
        if (*says == '\0')
            EXPECT_EQ(problem, "");
        else
            EXPECT_NE(problem.find(says), std::string::npos) << problem;
    }
}
