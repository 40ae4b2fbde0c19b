// Opening scene files: detection, the header readers of every format, and the refusal of damaged headers.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "scene/SceneHandle.h"
#include "scene/remos.h"
#include "tests/unit/remos_test_files.h"

using namespace remos_test;

namespace {

// A scene that is always closed again, whatever the test asserts.
struct OpenScene {
    SceneFile scene;
    int result;
    OpenScene(const std::string& path, int format = FMT_DETECT) {
        memset(&scene, 0xA5, sizeof scene);  // the caller need not zero the record
        result = remos_open(&scene, path.c_str(), format);
    }
    ~OpenScene() {
        if (result != 0) remos_close(&scene);
    }
};

TiffLayout tiff_layout(bool little_endian, int width, int lines, int samples) {
    TiffLayout s;
    s.little_endian = little_endian;
    s.width = width;
    s.lines = lines;
    s.samples = samples;
    return s;
}

TEST(RemosDetect, SignaturesInOrder) {
    TempDir dir;
    struct Case {
        const char* name;
        std::function<void(Bytes&)> edit;
        int expected;
    } cases[] = {
        {"native", [](Bytes& b) { put_text(b, 0, "VELDAMOR"); }, FMT_NATIVE},
        {"native lower case", [](Bytes& b) { put_text(b, 0, "veldamor"); }, FMT_UNKNOWN},
        {"ceos general", [](Bytes& b) { put_text(b, 48, "AL"); }, FMT_CEOS},
        {"ceos psrc", [](Bytes& b) { put_text(b, 48, "AL  PSRC"); }, FMT_CEOS_PSRC},
        {"ceos psrb", [](Bytes& b) { put_text(b, 48, "AL  PSRB"); }, FMT_CEOS_PSRB},
        {"ceos psrb lower", [](Bytes& b) { put_text(b, 48, "AL  psrb"); }, FMT_CEOS},
        {"al lower", [](Bytes& b) { put_text(b, 48, "al"); }, FMT_UNKNOWN},
        {"tiff II", [](Bytes& b) { put_text(b, 0, "II"); }, FMT_TIFF},
        {"tiff MM", [](Bytes& b) { put_text(b, 0, "MM"); }, FMT_TIFF},
        {"tiff IM", [](Bytes& b) { put_text(b, 0, "IM"); }, FMT_UNKNOWN},
        {"II with AL is ceos",
         [](Bytes& b) {
             put_text(b, 0, "II");
             put_text(b, 48, "AL");
         },
         FMT_CEOS},
        {"native wins over AL",
         [](Bytes& b) {
             put_text(b, 0, "VELDAMOR");
             put_text(b, 48, "AL");
         },
         FMT_NATIVE},
        {"nothing", [](Bytes&) {}, FMT_UNKNOWN},
    };
    for (const Case& c : cases) {
        Bytes b(63, 'x');
        c.edit(b);
        write_file(dir.file("f"), b);
        SceneFile s;
        ASSERT_EQ(remos_open(&s, dir.file("f").c_str(), FMT_OPEN_ONLY), 1);
        EXPECT_EQ(remos_detect(&s), c.expected) << c.name;
        remos_close(&s);
    }
}

TEST(RemosDetect, FileShorterThanSignatureAreaIsUnknown) {
    TempDir dir;
    for (size_t n : {0, 2, 8, 50, 62}) {
        Bytes b(n, 0);
        if (n >= 8)
            put_text(b, 0, "VELDAMOR");
        else if (n >= 2)
            put_text(b, 0, "II");
        write_file(dir.file("short"), b);
        OpenScene s(dir.file("short"));
        EXPECT_EQ(s.result, 3) << n;
        EXPECT_EQ(s.scene.format, FMT_UNKNOWN) << n;
        EXPECT_NE(s.scene.file, nullptr) << "file stays open after result 3";
        EXPECT_EQ(s.scene.bands, nullptr);
        EXPECT_EQ(s.scene.band_count, 0u);
    }
}

TEST(RemosOpen, NativeFourBands) {
    TempDir dir;
    write_file(dir.file("n.vdm"), native_file(37, 11, 4));
    OpenScene s(dir.file("n.vdm"));
    ASSERT_EQ(s.result, 1);
    EXPECT_EQ(s.scene.format, FMT_NATIVE);
    EXPECT_EQ(s.scene.band_count, 4u);
    EXPECT_EQ(s.scene.width, 37);
    EXPECT_EQ(s.scene.height, 11u);
    EXPECT_STREQ(s.scene.path, dir.file("n.vdm").c_str());
    for (int i = 0; i < 4; ++i) {
        const BandInfo& b = s.scene.bands[i];
        EXPECT_EQ(b.index, i);
        EXPECT_EQ(b.band_count, 4);
        EXPECT_EQ(b.bits, 8);
        EXPECT_EQ(b.bytes_per_sample, 1);
        EXPECT_EQ(b.interleave, 0u);
        EXPECT_EQ(b.record_length, 37);
        EXPECT_EQ(b.width, 37);
        EXPECT_EQ(b.lines, 11);
        EXPECT_EQ(b.prefix_bytes, 0);
        EXPECT_EQ(b.suffix_bytes, 0);
        EXPECT_EQ(b.data_offset, 512);
        EXPECT_EQ(b.range_low, 0);
        EXPECT_EQ(b.range_high, 255);
        EXPECT_EQ(b.full_scale, 255u);
        EXPECT_EQ(b.file, s.scene.file);
    }
}

TEST(RemosOpen, CeosKindsTakeTheirOwnFieldOffsets) {
    TempDir dir;
    struct Case {
        const char* name;
        CeosLayout layout;
        int format, bands, width;
        uint32_t interleave;
        uint32_t full_scale;
    } cases[] = {
        // general: 8-bit, prefix 12 at 280, suffix 4 at 292; width = (100 - 16) / 1
        {"general 8", {3, 720, 5, 100, 8, 0, 12, 4}, FMT_CEOS, 1, 84, 0, 255},
        // general 16-bit: width = (100 - 16) / 2
        {"general 16", {3, 720, 5, 100, 16, 0, 12, 4}, FMT_CEOS, 1, 42, 0, 65535},
        // general 32-bit integers (scaled when drawn)
        {"general 32", {3, 720, 5, 100, 32, 0, 12, 4}, FMT_CEOS, 1, 21, 0, 0xFFFFFFFFu},
        // PSRC: prefix at 276, suffix at 288
        {"psrc", {7, 360, 6, 64, 8, 0, 20, 8}, FMT_CEOS_PSRC, 1, 36, 0, 255},
        // PSRB: lines at 236, two floats per group: width = (400 - 16) / 8
        {"psrb", {8, 720, 3, 400, 32, 2, 12, 4}, FMT_CEOS_PSRB, 2, 48, 2, 0xFFFFFFFFu},
        // PSRB with four samples per group: width = (400 - 16) / 16
        {"psrb 4", {8, 720, 3, 400, 32, 4, 12, 4}, FMT_CEOS_PSRB, 2, 24, 2, 0xFFFFFFFFu},
    };
    for (const Case& c : cases) {
        write_file(dir.file("c"), ceos_file(c.layout, [](int) { return Bytes(); }));
        OpenScene s(dir.file("c"));
        ASSERT_EQ(s.result, 1) << c.name;
        EXPECT_EQ(s.scene.format, c.format) << c.name;
        ASSERT_EQ(s.scene.band_count, static_cast<uint32_t>(c.bands)) << c.name;
        EXPECT_EQ(s.scene.width, c.width) << c.name;
        EXPECT_EQ(s.scene.height, static_cast<uint32_t>(c.layout.lines)) << c.name;
        for (int i = 0; i < c.bands; ++i) {
            const BandInfo& b = s.scene.bands[i];
            EXPECT_EQ(b.index, i) << c.name;
            EXPECT_EQ(b.band_count, c.bands) << c.name;
            EXPECT_EQ(b.bits, c.layout.bits) << c.name;
            EXPECT_EQ(b.bytes_per_sample, c.layout.bits / 8) << c.name;
            EXPECT_EQ(b.interleave, c.interleave) << c.name;
            EXPECT_EQ(b.record_length, c.layout.record_length) << c.name;
            EXPECT_EQ(b.lines, c.layout.lines) << c.name;
            EXPECT_EQ(b.prefix_bytes, c.layout.prefix) << c.name;
            EXPECT_EQ(b.suffix_bytes, c.layout.suffix) << c.name;
            EXPECT_EQ(b.width, c.width) << c.name;
            EXPECT_EQ(b.data_offset, c.layout.descriptor_length) << c.name;
            EXPECT_EQ(b.full_scale, c.full_scale) << c.name;
            EXPECT_EQ(static_cast<uint32_t>(b.range_high), c.full_scale) << c.name;
            EXPECT_EQ(b.range_low, 0) << c.name;
            EXPECT_EQ(b.samples_per_group, c.format == FMT_CEOS_PSRB ? c.layout.samples_per_group : 0)
                << c.name;
            EXPECT_EQ(b.file, s.scene.file) << c.name;
        }
    }
}

TEST(RemosOpen, DamagedHeadersAreRefused) {
    TempDir dir;
    const CeosLayout good{3, 720, 5, 100, 8, 0, 12, 4};
    struct Case {
        const char* name;
        Bytes bytes;
    };
    auto ceos_with = [&](std::function<void(CeosLayout&)> edit) {
        CeosLayout s = good;
        edit(s);
        return ceos_file(s, [](int) { return Bytes(); });
    };
    Bytes truncated_ceos = ceos_file(good, [](int) { return Bytes(); });
    truncated_ceos.resize(truncated_ceos.size() -
                          1);                        // last record one byte short of its last sample + suffix
    truncated_ceos.resize(720 + 4 * 100 + 12 + 83);  // ends just before the last sample
    Bytes ceos_header_only = ceos_descriptor(good);
    ceos_header_only.resize(295);  // the field block reaches byte 296
    Bytes native_short_header = native_file(4, 4, 1);
    native_short_header.resize(511);
    Bytes native_short_data = native_file(10, 10, 3);
    native_short_data.pop_back();
    Bytes huge_descriptor = ceos_file(good, [](int) { return Bytes(); });
    put_be(huge_descriptor, 8, 0x90000000u, 4);

    const Case cases[] = {
        {"ceos bits 4", ceos_with([](CeosLayout& s) { s.bits = 4; })},
        {"ceos bits 0", ceos_with([](CeosLayout& s) { s.bits = 0; })},
        {"ceos bits 12", ceos_with([](CeosLayout& s) { s.bits = 12; })},
        {"ceos bits 24", ceos_with([](CeosLayout& s) { s.bits = 24; })},
        {"ceos bits 64", ceos_with([](CeosLayout& s) { s.bits = 64; })},
        {"ceos zero lines", ceos_with([](CeosLayout& s) { s.lines = 0; })},
        {"ceos record shorter than prefix+suffix", ceos_with([](CeosLayout& s) {
             s.prefix = 60;
             s.suffix = 50;
         })},
        {"ceos record equal to prefix+suffix", ceos_with([](CeosLayout& s) {
             s.prefix = 60;
             s.suffix = 40;
         })},
        {"ceos negative prefix", ceos_with([](CeosLayout& s) { s.prefix = -5; })},
        {"ceos 16-bit one data byte", ceos_with([](CeosLayout& s) {
             s.bits = 16;
             s.prefix = 95;
         })},
        {"psrb zero group", ceos_with([](CeosLayout& s) {
             s.kind = 8;
             s.bits = 32;
             s.samples_per_group = 0;
         })},
        {"psrb one sample per group", ceos_with([](CeosLayout& s) {
             s.kind = 8;
             s.bits = 32;
             s.samples_per_group = 1;
         })},
        {"psrb 16-bit", ceos_with([](CeosLayout& s) {
             s.kind = 8;
             s.bits = 16;
         })},
        {"ceos data past end", truncated_ceos},
        {"ceos header cut", ceos_header_only},
        {"ceos descriptor length beyond int32", huge_descriptor},
        {"native header cut", native_short_header},
        {"native data past end", native_short_data},
        {"native zero width", native_file(0, 4, 1)},
        {"native zero height", native_file(4, 0, 1)},
        {"native zero bands", native_file(4, 4, 0)},
    };
    for (const Case& c : cases) {
        write_file(dir.file("bad"), c.bytes);
        OpenScene s(dir.file("bad"));
        EXPECT_EQ(s.result, 3) << c.name;
        EXPECT_NE(s.scene.file, nullptr) << c.name;
        EXPECT_EQ(s.scene.bands, nullptr) << c.name;
        EXPECT_EQ(s.scene.band_count, 0u) << c.name;
    }
}

TEST(RemosOpen, ExactFitIsAccepted) {
    // The last record may end right after its last sample.
    TempDir dir;
    const CeosLayout layout{3, 720, 5, 100, 8, 0, 12, 4};
    Bytes b = ceos_file(layout, [](int) { return Bytes(); });
    b.resize(b.size() - 4);
    write_file(dir.file("fit"), b);
    OpenScene s(dir.file("fit"));
    EXPECT_EQ(s.result, 1);
}

TEST(RemosOpen, FormatArgument) {
    TempDir dir;
    write_file(dir.file("n"), native_file(8, 8, 2));
    // Formats without a header reader fail like an unreadable header; the file stays open.
    for (int f : std::vector<int>{FMT_RAW_MULTI, FMT_RAW_SINGLE, 2, 5, 9, 100, -4, -100}) {
        OpenScene s(dir.file("n"), f);
        EXPECT_EQ(s.result, 3) << f;
        EXPECT_EQ(s.scene.format, f);
        EXPECT_NE(s.scene.file, nullptr);
        EXPECT_EQ(s.scene.bands, nullptr);
    }
    {
        OpenScene s(dir.file("n"), FMT_NATIVE);  // taken without detection
        EXPECT_EQ(s.result, 1);
        EXPECT_EQ(s.scene.band_count, 2u);
    }
    {
        OpenScene s(dir.file("n"), FMT_CEOS);  // wrong format given: its header makes no sense
        EXPECT_EQ(s.result, 3);
    }
    {
        OpenScene s(dir.file("n"), FMT_OPEN_ONLY);
        EXPECT_EQ(s.result, 1);
        EXPECT_EQ(s.scene.format, FMT_OPEN_ONLY);
        EXPECT_EQ(s.scene.band_count, 0u);
        EXPECT_EQ(s.scene.bands, nullptr);
        EXPECT_NE(s.scene.file, nullptr);
        EXPECT_STREQ(s.scene.path, dir.file("n").c_str());
    }
}

TEST(RemosOpen, UnopenableFilesGiveZero) {
    TempDir dir;
    {
        OpenScene s(dir.file("missing"));
        EXPECT_EQ(s.result, 0);
        EXPECT_EQ(s.scene.file, nullptr);
        EXPECT_EQ(s.scene.bands, nullptr);
    }
    {
        OpenScene s(dir.path().string());  // a folder is no file
        EXPECT_EQ(s.result, 0);
        EXPECT_EQ(s.scene.file, nullptr);
    }
    SceneFile scene;
    EXPECT_EQ(remos_open(&scene, nullptr, FMT_DETECT), 0);
    EXPECT_EQ(scene.file, nullptr);
}

TEST(RemosOpen, PathLengthLimit) {
    TempDir dir;
    // Build an existing file whose path is exactly 1023 bytes, and one of 1024.
    std::filesystem::path folder = dir.path();
    while (folder.string().size() < 1023 - 250) {
        folder /= std::string(200, 'd');
        std::filesystem::create_directory(folder);
    }
    std::string p1023 = folder.string() + "/" + std::string(1023 - folder.string().size() - 1, 'f');
    std::string p1024 = p1023 + "g";
    ASSERT_EQ(p1023.size(), 1023u);
    write_file(p1023, native_file(4, 4, 1));
    write_file(p1024, native_file(4, 4, 1));
    {
        OpenScene s(p1023);
        EXPECT_EQ(s.result, 1);
        EXPECT_EQ(std::string(s.scene.path), p1023);
    }
    {
        OpenScene s(p1024);
        EXPECT_EQ(s.result, 0);
        EXPECT_EQ(s.scene.file, nullptr);
        EXPECT_EQ(s.scene.bands, nullptr);
    }
    std::string p4000 = std::string(4000, 'x');
    OpenScene s(p4000);
    EXPECT_EQ(s.result, 0);
}

TEST(RemosOpen, CloseEmptiesTheRecord) {
    TempDir dir;
    write_file(dir.file("n"), native_file(8, 8, 3));
    SceneFile s;
    ASSERT_EQ(remos_open(&s, dir.file("n").c_str(), FMT_DETECT), 1);
    EXPECT_EQ(remos_close(&s), 1);
    EXPECT_EQ(s.file, nullptr);
    EXPECT_EQ(s.bands, nullptr);
    EXPECT_EQ(remos_close(&s), 1);  // a second close is harmless
}

// Opening a record that is still open closes it first: its file is not left open behind it.
TEST(RemosOpen, ReopeningAnOpenRecordClosesItsFile) {
    TempDir dir;
    write_file(dir.file("n"), native_file(8, 8, 3));
    auto open_files = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    OpenScene s(dir.file("n"));
    ASSERT_EQ(s.result, 1);
    const auto before = open_files();
    for (int format : {FMT_DETECT, FMT_OPEN_ONLY, FMT_NATIVE})
        ASSERT_EQ(remos_open(&s.scene, dir.file("n").c_str(), format), 1);
    EXPECT_EQ(open_files(), before);
    EXPECT_EQ(remos_open(&s.scene, dir.file("missing").c_str(), FMT_DETECT), 0);  // closed, then not opened
    EXPECT_EQ(open_files(), before - 1);
    s.result = 0;
}

// The handle over the record: one result with the reason in the user's words, and the record closed when the
// handle goes.
TEST(RemosOpen, SceneHandlesSayWhatOpeningGave) {
    TempDir dir;
    write_file(dir.file("n"), native_file(8, 8, 3));
    write_file(dir.file("text"), Bytes(100, 'x'));
    using Status = orvenna::SceneResult::Status;
    const struct {
        std::string path;
        Status status;
        const char* says;
    } cases[] = {{dir.file("n"), Status::Opened, ""},
                 {dir.file("missing"), Status::CannotOpen, "ありません"},
                 {dir.path().string(), Status::CannotOpen, "フォルダ"},
                 {dir.file("text"), Status::Refused, "不明な衛星データ形式"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        orvenna::SceneHandle scene;
        const orvenna::SceneResult r = scene.open(c.path);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.reason.find(c.says), std::string::npos) << r.reason;
        EXPECT_EQ(scene.band_count(), c.status == Status::Opened ? 3 : 0);
    }
}

TEST(RemosOpen, ReadHeaderTwiceReplacesTheBands) {
    TempDir dir;
    write_file(dir.file("n"), native_file(8, 8, 3));
    OpenScene s(dir.file("n"));
    ASSERT_EQ(s.result, 1);
    ASSERT_EQ(remos_read_header(&s.scene), 1);
    EXPECT_EQ(s.scene.band_count, 3u);
    EXPECT_EQ(s.scene.bands[2].index, 2);
}

// ---------------------------------------------------------------------------------------------------------
// TIFF headers written byte by byte.

TEST(RemosTiff, AcceptedLayouts) {
    TempDir dir;
    struct Case {
        const char* name;
        TiffLayout layout;
        int bands;
    } cases[] = {
        {"grey LE", tiff_layout(true, 5, 3, 1), 1},
        {"grey BE", tiff_layout(false, 5, 3, 1), 1},
        {"rgb LE", tiff_layout(true, 7, 4, 3), 3},
        {"rgb BE", tiff_layout(false, 7, 4, 3), 3},
        {"single strip, no RowsPerStrip",
         [] {
             TiffLayout s;
             s.rows_per_strip = 0;
             return s;
         }(),
         1},
        {"no PlanarConfiguration",
         [] {
             TiffLayout s;
             s.planar = 0;
             return s;
         }(),
         1},
        {"no Compression",
         [] {
             TiffLayout s;
             s.omit = {259};
             return s;
         }(),
         1},
        {"grey without SamplesPerPixel",
         [] {
             TiffLayout s;
             s.omit = {277};
             return s;
         }(),
         1},
        {"one line",
         [] {
             TiffLayout s;
             s.lines = 1;
             return s;
         }(),
         1},
    };
    for (const Case& c : cases) {
        write_file(dir.file("t.tif"), tiff_image(c.layout));
        OpenScene s(dir.file("t.tif"));
        ASSERT_EQ(s.result, 1) << c.name;
        EXPECT_EQ(s.scene.format, FMT_TIFF);
        ASSERT_EQ(s.scene.band_count, static_cast<uint32_t>(c.bands)) << c.name;
        EXPECT_EQ(s.scene.width, c.layout.width);
        EXPECT_EQ(s.scene.height, static_cast<uint32_t>(c.layout.lines));
        for (int i = 0; i < c.bands; ++i) {
            BandInfo& b = s.scene.bands[i];
            EXPECT_EQ(b.index, i);
            EXPECT_EQ(b.band_count, c.bands);
            EXPECT_EQ(b.bits, 8);
            EXPECT_EQ(b.interleave, c.bands == 3 ? 1u : 0u) << c.name;
            EXPECT_EQ(b.record_length, c.layout.width);
            EXPECT_EQ(b.data_offset, 8);
            EXPECT_EQ(b.range_high, 255);
            EXPECT_EQ(b.full_scale, 255u);
            std::vector<unsigned char> row(static_cast<size_t>(c.layout.width));
            for (int y = 0; y < c.layout.lines; ++y) {
                ASSERT_EQ(remos_read_row(&b, row.data(), y, 0, c.layout.width), 1);
                for (int x = 0; x < c.layout.width; ++x)
                    ASSERT_EQ(row[x], pattern(i, x, y))
                        << c.name << " band " << i << " x " << x << " y " << y;
            }
        }
    }
}

// Layouts the built-in TIFF reader refuses. With detection they go on to GDAL, which reads them or refuses
// them with its reason (the scene then stays a TIFF).
TEST(RemosTiff, RefusedLayouts) {
    TempDir dir;
    auto layout = [](std::function<void(TiffLayout&)> edit) {
        TiffLayout s;
        edit(s);
        return s;
    };
    struct Case {
        const char* name;
        TiffLayout layout;
    } cases[] = {
        {"rows per strip 16", layout([](TiffLayout& s) { s.rows_per_strip = 16; })},
        {"lzw", layout([](TiffLayout& s) { s.compression = 5; })},
        {"packbits", layout([](TiffLayout& s) { s.compression = 32773; })},
        {"16-bit", layout([](TiffLayout& s) { s.bits = {16}; })},
        {"1-bit", layout([](TiffLayout& s) { s.bits = {1}; })},
        {"palette", layout([](TiffLayout& s) { s.photometric = 3; })},
        {"white is zero", layout([](TiffLayout& s) { s.photometric = 0; })},
        {"rgb with 4 samples", layout([](TiffLayout& s) {
             s.samples = 4;
             s.photometric = 2;
         })},
        {"rgb with 1 sample", layout([](TiffLayout& s) { s.photometric = 2; })},
        {"grey with 3 samples", layout([](TiffLayout& s) {
             s.samples = 3;
             s.photometric = 1;
         })},
        {"rgb 8,8,16", layout([](TiffLayout& s) {
             s.samples = 3;
             s.bits = {8, 8, 16};
         })},
        {"planar separate", layout([](TiffLayout& s) {
             s.samples = 3;
             s.planar = 2;
         })},
        {"no ImageWidth", layout([](TiffLayout& s) { s.omit = {256}; })},
        {"no ImageLength", layout([](TiffLayout& s) { s.omit = {257}; })},
        {"no BitsPerSample", layout([](TiffLayout& s) { s.omit = {258}; })},
        {"no Photometric", layout([](TiffLayout& s) { s.omit = {262}; })},
        {"no StripOffsets", layout([](TiffLayout& s) { s.omit = {273}; })},
        {"rgb without SamplesPerPixel", layout([](TiffLayout& s) {
             s.samples = 3;
             s.omit = {277};
         })},
        {"StripOffsets as SHORT", layout([](TiffLayout& s) { s.strip_offsets_type = kShort; })},
        {"BitsPerSample as LONG", layout([](TiffLayout& s) { s.bits_type = kLong; })},
        {"strips out of order", layout([](TiffLayout& s) { s.swap_first_strips = true; })},
    };
    for (const Case& c : cases) {
        write_file(dir.file("t.tif"), tiff_image(c.layout));
        OpenScene s(dir.file("t.tif"), FMT_TIFF);
        EXPECT_EQ(s.result, 3) << c.name;
        EXPECT_EQ(s.scene.bands, nullptr) << c.name;
        OpenScene d(dir.file("t.tif"));
        if (d.result == 1) {
            EXPECT_EQ(d.scene.format, FMT_GDAL) << c.name;
        } else {
            EXPECT_EQ(d.result, 3) << c.name;
            EXPECT_EQ(d.scene.format, FMT_TIFF) << c.name;
            EXPECT_STRNE(remos_open_reason(&d.scene), "") << c.name;
        }
    }
}

// Writers that store every single-valued tag as LONG: the tags are taken by their value.
TEST(RemosTiff, SingleValuedTagsStoredAsLong) {
    TempDir dir;
    const Bytes pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    struct Case {
        const char* name;
        uint32_t compression, photometric, samples, planar;
        int result, bands;
    } cases[] = {
        {"grey", 1, 1, 1, 1, 1, 1},
        {"rgb", 1, 2, 3, 1, 1, 3},
        {"lzw", 5, 1, 1, 1, 3, 0},
        {"palette", 1, 3, 1, 1, 3, 0},
        {"rgb with 4 samples", 1, 2, 4, 1, 3, 0},
        {"planar separate", 1, 2, 3, 2, 3, 0},
    };
    for (bool little : {true, false})
        for (const Case& c : cases) {
            const uint32_t width = 2, lines = 3;
            Bytes b = tiff_file(little,
                                {{256, kLong, {width}},
                                 {257, kLong, {lines}},
                                 {258, kShort, std::vector<uint32_t>(c.samples == 3 ? 3 : 1, 8)},
                                 {259, kLong, {c.compression}},
                                 {262, kLong, {c.photometric}},
                                 {273, kLong, {8}},
                                 {277, kLong, {c.samples}},
                                 {278, kLong, {lines}},
                                 {284, kLong, {c.planar}}},
                                pixels);
            write_file(dir.file("long.tif"), b);
            // RowsPerStrip equal to the line count is not one line per strip (for the built-in reader).
            OpenScene whole(dir.file("long.tif"), FMT_TIFF);
            EXPECT_EQ(whole.result, 3) << c.name;
            b = tiff_file(little,
                          {{256, kLong, {width}},
                           {257, kLong, {lines}},
                           {258, kShort, std::vector<uint32_t>(c.samples == 3 ? 3 : 1, 8)},
                           {259, kLong, {c.compression}},
                           {262, kLong, {c.photometric}},
                           {273, kLong, {8}},
                           {277, kLong, {c.samples}},
                           {278, kLong, {1}},
                           {284, kLong, {c.planar}}},
                          pixels);
            write_file(dir.file("long.tif"), b);
            OpenScene s(dir.file("long.tif"), FMT_TIFF);
            ASSERT_EQ(s.result, c.result) << c.name << (little ? " II" : " MM");
            if (c.result != 1) continue;
            ASSERT_EQ(s.scene.band_count, static_cast<uint32_t>(c.bands)) << c.name;
            EXPECT_EQ(s.scene.width, 2);
            EXPECT_EQ(s.scene.height, 3u);
            for (int i = 0; i < c.bands; ++i) {
                EXPECT_EQ(s.scene.bands[i].interleave, c.bands == 3 ? 1u : 0u);
                EXPECT_EQ(s.scene.bands[i].data_offset, 8);
                unsigned char row[2];
                remos_read_row(&s.scene.bands[i], row, 2, 0, 2);
                EXPECT_EQ(row[1], pixels[static_cast<size_t>((2 * 2 + 1) * c.bands + i)]) << c.name;
            }
        }
}

TEST(RemosTiff, ImageBeyondEndOfFileIsRefused) {
    TempDir dir;
    // Claim many more lines than the strip holds.
    Bytes big = tiff_file(true,
                          {{256, kShort, {4}},
                           {257, kShort, {5000}},
                           {258, kShort, {8}},
                           {262, kShort, {1}},
                           {273, kLong, {8}},
                           {277, kShort, {1}}},
                          Bytes(8, 1));
    write_file(dir.file("big.tif"), big);
    OpenScene o(dir.file("big.tif"), FMT_TIFF);
    EXPECT_EQ(o.result, 3);
    // A strip offset pointing past the end.
    Bytes far = tiff_file(true,
                          {{256, kShort, {4}},
                           {257, kShort, {2}},
                           {258, kShort, {8}},
                           {262, kShort, {1}},
                           {273, kLong, {100000}},
                           {277, kShort, {1}}},
                          Bytes(8, 1));
    write_file(dir.file("far.tif"), far);
    OpenScene o2(dir.file("far.tif"), FMT_TIFF);
    EXPECT_EQ(o2.result, 3);
}

TEST(RemosTiff, NotATiffAfterAllIsRefused) {
    TempDir dir;
    Bytes b(100, 0);
    put_text(b, 0, "II");
    put_le(b, 4, 5000, 4);  // first directory far past the end
    write_file(dir.file("x.tif"), b);
    OpenScene s(dir.file("x.tif"));
    EXPECT_EQ(s.result, 3);
    EXPECT_EQ(s.scene.format, FMT_TIFF);
}

// ---------------------------------------------------------------------------------------------------------
// Field readers.

TEST(RemosFields, DecimalField) {
    struct Case {
        const char* text;
        int n;
        int expected;
    } cases[] = {
        {"   123", 6, 123},
        {"-45   ", 6, -45},
        {"+7", 2, 7},
        {"\t 9", 3, 9},
        {"12ab", 4, 12},
        {"abc", 3, 0},
        {"      ", 6, 0},
        {"-", 1, 0},
        {"12345", 3, 123},  // only n characters count
        {"99999999999", 11, INT32_MAX},
        {"-99999999999", 12, INT32_MIN},
        {"2147483647", 10, INT32_MAX},
        {"-2147483648", 11, INT32_MIN},
        {"2147483648", 10, INT32_MAX},
        {"1 2", 3, 1},
        {"", 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(remos_decimal_field(reinterpret_cast<const unsigned char*>(c.text), c.n), c.expected)
            << c.text;
    const unsigned char with_nul[] = {'4', '2', 0, '7'};
    EXPECT_EQ(remos_decimal_field(with_nul, 4), 42);
}

TEST(RemosFields, BigEndianIntegers) {
    const unsigned char b[] = {0xFF, 0xFE, 0x01, 0x02};
    EXPECT_EQ(remos_be_int(b, 1), 255);
    EXPECT_EQ(remos_be_int(b, 2), 0xFFFE);
    EXPECT_EQ(remos_be_int(b, 4), static_cast<int32_t>(0xFFFE0102u));
    EXPECT_EQ(remos_be_int(b, 3), 0);
    EXPECT_EQ(remos_be_int(b, 0), 0);
    struct Case {
        int n, le;
        uint32_t expected;
    } cases[] = {{1, 0, 0xFF}, {2, 0, 0xFFFE}, {3, 0, 0xFFFE01}, {4, 0, 0xFFFE0102},
                 {1, 1, 0xFF}, {2, 1, 0xFEFF}, {3, 1, 0x01FEFF}, {4, 1, 0x0201FEFF},
                 {0, 0, 0},    {5, 0, 0},      {-1, 1, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(remos_bytes_to_uint(b, c.n, c.le), c.expected) << c.n << " " << c.le;
}

TEST(RemosFields, Floats) {
    const unsigned char be[] = {0xC1, 0x4B, 0x33, 0x33};  // -12.7f
    const unsigned char le[] = {0x33, 0x33, 0x4B, 0xC1};
    EXPECT_FLOAT_EQ(remos_bytes_to_float(be, 4, 0), -12.7f);
    EXPECT_FLOAT_EQ(remos_bytes_to_float(le, 4, 1), -12.7f);
    EXPECT_EQ(remos_bytes_to_float(be, 2, 0), 0.0f);
}

TEST(RemosConveniences, BandAndRange) {
    TempDir dir;
    write_file(dir.file("n"), native_file(8, 8, 3));
    OpenScene s(dir.file("n"));
    ASSERT_EQ(s.result, 1);
    EXPECT_EQ(remos_band(&s.scene, 0), &s.scene.bands[0]);
    EXPECT_EQ(remos_band(&s.scene, 2), &s.scene.bands[2]);
    EXPECT_EQ(remos_band(&s.scene, 3), nullptr);
    EXPECT_EQ(remos_band(&s.scene, -1), nullptr);
    remos_set_range(remos_band(&s.scene, 1), 200, 20);
    EXPECT_EQ(s.scene.bands[1].range_high, 200);
    EXPECT_EQ(s.scene.bands[1].range_low, 20);
}

TEST(RemosConveniences, AllocBandsForPictures) {
    TempDir dir;
    write_file(dir.file("p.bmp"), Bytes(10, 0));
    SceneFile s;
    ASSERT_EQ(remos_open(&s, dir.file("p.bmp").c_str(), FMT_OPEN_ONLY), 1);
    BandInfo* b = remos_alloc_bands(&s, 3);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(s.band_count, 3u);
    EXPECT_EQ(b[2].range_high, 0);  // zeroed
    EXPECT_EQ(remos_alloc_bands(&s, 0), nullptr);
    EXPECT_EQ(s.band_count, 0u);
    remos_alloc_bands(&s, 3);
    remos_close(&s);  // releases what remos_alloc_bands gave
    EXPECT_EQ(s.bands, nullptr);
}

}  // namespace
