// Scenes read through GDAL: the real Landsat clips of tests/data/landsat and files written here with
// gdal_translate in every sample type and several formats. Values are checked against gdallocationinfo.
// Also: the built-in readers keep precedence, refusals give their reason, damaged files read as zeros with a
// reason, reduced runs, no-data, and reads from several threads at once.
#include <gdal.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "scene/BandHistogram.h"
#include "scene/remos.h"
#include "scene/remos_lines.h"
#include "tests/unit/gdal_test_files.h"
#include "tests/unit/remos_test_files.h"
#include "tools/samples/sample_scenes.h"

using namespace gdal_test;
using remos_test::TempDir;

namespace {

struct OpenScene {
    SceneFile scene;
    int result;
    explicit OpenScene(const std::string& path, int format = FMT_DETECT) {
        memset(&scene, 0xA5, sizeof scene);
        result = remos_open(&scene, path.c_str(), format);
    }
    ~OpenScene() {
        if (result != 0) remos_close(&scene);
    }
    OpenScene(const OpenScene&) = delete;
    OpenScene& operator=(const OpenScene&) = delete;
};

// The 8-bit value remos_read_row gives for a stored value, computed here on its own terms.
int expected_byte(int sample_type, double v) {
    switch (sample_type) {
        case REMOS_SAMPLE_U8:
            return static_cast<int>(v);
        case REMOS_SAMPLE_U16:
            return static_cast<int>(static_cast<uint64_t>(v) * 255 / 65535);
        case REMOS_SAMPLE_I16:
            return static_cast<int>(static_cast<uint64_t>(v + 32768) * 255 / 65535);
        case REMOS_SAMPLE_U32:
            return static_cast<int>(static_cast<uint64_t>(v) * 255 / 4294967295ull);
        case REMOS_SAMPLE_I32:
            return static_cast<int>(static_cast<uint64_t>(v + 2147483648.0) * 255 / 4294967295ull);
        default:  // floats
            return std::isnan(v) || v <= 0 ? 0 : v >= 255 ? 255 : static_cast<int>(v);
    }
}

// The stored sample at index i of a buffer filled by remos_read_row_stored.
double stored_value(int sample_type, const std::vector<unsigned char>& buf, int i) {
    auto get = [&](auto t) {
        decltype(t) v;
        memcpy(&v, buf.data() + static_cast<size_t>(i) * sizeof v, sizeof v);
        return static_cast<double>(v);
    };
    switch (sample_type) {
        case REMOS_SAMPLE_U8:
            return get(uint8_t{});
        case REMOS_SAMPLE_U16:
            return get(uint16_t{});
        case REMOS_SAMPLE_I16:
            return get(int16_t{});
        case REMOS_SAMPLE_U32:
            return get(uint32_t{});
        case REMOS_SAMPLE_I32:
            return get(int32_t{});
        case REMOS_SAMPLE_F32:
            return get(float{});
        default:
            return get(double{});
    }
}

bool same_value(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(b));
}

std::vector<Pixel> spread_pixels(int width, int height) {
    std::vector<Pixel> p = {{0, 0}, {width - 1, 0}, {0, height - 1}, {width - 1, height - 1}};
    for (int y = 1; y < height; y += std::max(1, height / 5))
        for (int x = 2; x < width; x += std::max(1, width / 4))
            p.push_back({x, y});
    return p;
}

// Checks every band of an open scene against gdallocationinfo at the pixels: the stored value
// (remos_read_sample and remos_read_row_stored) and the 8-bit value of remos_read_row.
void expect_values_match_gdal(SceneFile& scene, const std::string& path, const std::string& what) {
    const std::vector<Pixel> pixels = spread_pixels(scene.width, static_cast<int>(scene.height));
    for (uint32_t k = 0; k < scene.band_count; ++k) {
        BandInfo* b = &scene.bands[k];
        const std::vector<double> truth = location_values(path, pixels, static_cast<int>(k) + 1);
        ASSERT_EQ(truth.size(), pixels.size()) << what << " band " << k;
        const int S = remos_sample_size(b->sample_type);
        std::vector<unsigned char> stored(static_cast<size_t>(b->width) * S);
        std::vector<unsigned char> bytes(static_cast<size_t>(b->width));
        for (size_t i = 0; i < pixels.size(); ++i) {
            const Pixel p = pixels[i];
            const double sample = remos_read_sample(b, static_cast<int64_t>(p.y) * b->width + p.x);
            EXPECT_TRUE(same_value(sample, truth[i])) << what << " band " << k << " at " << p.x << "," << p.y
                                                      << ": " << sample << " vs " << truth[i];
            ASSERT_EQ(remos_read_row_stored(b, stored.data(), p.y, 0, b->width), b->width) << what;
            EXPECT_TRUE(same_value(stored_value(b->sample_type, stored, p.x), truth[i]))
                << what << " band " << k;
            ASSERT_EQ(remos_read_row(b, bytes.data(), p.y, 0, b->width), 1);
            EXPECT_EQ(bytes[static_cast<size_t>(p.x)], expected_byte(b->sample_type, truth[i]))
                << what << " band " << k << " at " << p.x << "," << p.y;
        }
    }
}

TEST(RemosGdal, RealLandsatClipsOpenWithEveryBandAndTheirValues) {
    const std::string dir = ORVENNA_SOURCE_DIR "/tests/data/landsat";
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.path().extension() != ".TIF") continue;
        ++files;
        const std::string path = e.path().string();
        OpenScene s(path);
        ASSERT_EQ(s.result, 1) << path << ": " << remos_open_reason(&s.scene);
        EXPECT_EQ(s.scene.format, FMT_GDAL);
        ASSERT_EQ(s.scene.band_count, 1u);
        EXPECT_EQ(s.scene.width, 41);
        EXPECT_EQ(s.scene.height, 41u);
        const BandInfo& b = s.scene.bands[0];
        EXPECT_EQ(b.sample_type, REMOS_SAMPLE_I16);
        EXPECT_EQ(b.bits, 16);
        EXPECT_EQ(b.has_nodata, 1);
        EXPECT_EQ(b.nodata, -32768.0);
        EXPECT_EQ(remos_is_georeferenced(&s.scene), 1);
        expect_values_match_gdal(s.scene, path, path);
    }
    EXPECT_EQ(files, 11);
}

// A Float64 source with negative values, fractions and a no-data marker, three bands that differ.
constexpr int kW = 37, kH = 29;
constexpr double kNoData = -9999;
double source_value(int band, int x, int y) {
    if ((x + y) % 11 == 0) return kNoData;
    return (x * 97 - y * 61) * 1.75 + ((x * y) % 7) * 0.125 + band * 311;
}

struct WrittenCase {
    const char* name;
    const char* options;  // gdal_translate options
    int bands;            // of the source used (1 or 3)
    int sample_type;
    int bits;
};

const WrittenCase kWrittenCases[] = {
    {"cog_u16.tif", "-of COG -ot UInt16 -scale -3000 7000 0 65535 -co BLOCKSIZE=16", 1, REMOS_SAMPLE_U16, 16},
    {"deflate_u16.tif",
     "-ot UInt16 -scale -3000 7000 0 65535 -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 -co "
     "COMPRESS=DEFLATE",
     1, REMOS_SAMPLE_U16, 16},
    {"lzw_i16_nodata.tif", "-ot Int16 -a_nodata -9999 -co COMPRESS=LZW", 1, REMOS_SAMPLE_I16, 16},
    {"f32.tif",
     "-ot Float32 -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 -co COMPRESS=DEFLATE -co PREDICTOR=3", 1,
     REMOS_SAMPLE_F32, 32},
    {"f64.tif", "-ot Float64", 1, REMOS_SAMPLE_F64, 64},
    {"u32.tif", "-ot UInt32 -scale -3000 7000 0 4000000000", 1, REMOS_SAMPLE_U32, 32},
    {"i32.tif", "-ot Int32 -scale -3000 7000 -2000000000 2000000000", 1, REMOS_SAMPLE_I32, 32},
    {"rgb_lzw.tif", "-ot Byte -scale -3000 7000 0 255 -co COMPRESS=LZW", 3, REMOS_SAMPLE_U8, 8},
    {"planar_u16.tif", "-ot UInt16 -scale -3000 7000 0 65535 -co INTERLEAVE=BAND", 3, REMOS_SAMPLE_U16, 16},
    {"byte_strips16.tif", "-ot Byte -scale -3000 7000 0 255 -co BLOCKYSIZE=16", 1, REMOS_SAMPLE_U8, 8},
    {"lossless_u16.jp2",
     "-of JP2OpenJPEG -ot UInt16 -scale -3000 7000 0 65535 -co QUALITY=100 -co REVERSIBLE=YES", 1,
     REMOS_SAMPLE_U16, 16},
    {"tiles_byte.jp2",
     "-of JP2OpenJPEG -ot Byte -scale -3000 7000 0 255 -co QUALITY=100 -co REVERSIBLE=YES -co BLOCKXSIZE=32 "
     "-co BLOCKYSIZE=32",
     3, REMOS_SAMPLE_U8, 8},
    {"f32.nc", "-of netCDF -ot Float32", 1, REMOS_SAMPLE_F32, 32},
    {"i16.png", "-of PNG -ot UInt16 -scale -3000 7000 0 65535", 1, REMOS_SAMPLE_U16, 16},
    {"f32.envi", "-of ENVI -ot Float32", 3, REMOS_SAMPLE_F32, 32},
};

TEST(RemosGdal, WrittenFilesOpenInEverySampleTypeWithGdalsValues) {
    TempDir dir;
    const std::string one = write_envi(dir.file("one"), kW, kH, 1, source_value);
    const std::string three = write_envi(dir.file("three"), kW, kH, 3, source_value);
    for (const WrittenCase& c : kWrittenCases) {
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(translate(c.bands == 3 ? three : one, path, c.options)) << c.name;
        OpenScene s(path);
        ASSERT_EQ(s.result, 1) << c.name << ": " << remos_open_reason(&s.scene);
        EXPECT_EQ(s.scene.format, FMT_GDAL) << c.name;
        ASSERT_EQ(s.scene.band_count, static_cast<uint32_t>(c.bands)) << c.name;
        EXPECT_EQ(s.scene.width, kW) << c.name;
        EXPECT_EQ(s.scene.height, static_cast<uint32_t>(kH)) << c.name;
        for (uint32_t k = 0; k < s.scene.band_count; ++k) {
            const BandInfo& b = s.scene.bands[k];
            EXPECT_EQ(b.sample_type, c.sample_type) << c.name;
            EXPECT_EQ(b.bits, c.bits) << c.name;
            EXPECT_EQ(b.bytes_per_sample, c.bits / 8) << c.name;
            EXPECT_EQ(b.index, static_cast<int>(k));
            EXPECT_EQ(b.band_count, c.bands);
            EXPECT_EQ(b.width, kW);
            EXPECT_EQ(b.lines, kH);
        }
        expect_values_match_gdal(s.scene, path, c.name);
    }
}

TEST(RemosGdal, NoDataValueAndNegativeSamplesAsStored) {
    TempDir dir;
    const std::string src = write_envi(dir.file("src"), kW, kH, 1, source_value);
    ASSERT_TRUE(translate(src, dir.file("i16.tif"), "-ot Int16 -a_nodata -9999 -co COMPRESS=DEFLATE"));
    ASSERT_TRUE(
        translate(src, dir.file("byte.tif"), "-ot Byte -scale -3000 7000 0 255 -a_nodata 0 -co TILED=YES"));
    {
        OpenScene s(dir.file("i16.tif"));
        ASSERT_EQ(s.result, 1);
        BandInfo* b = &s.scene.bands[0];
        EXPECT_EQ(b->has_nodata, 1);
        EXPECT_EQ(b->nodata, kNoData);
        // (0, 0) holds the marker; (0, 5) is negative, (5, 0) positive.
        EXPECT_EQ(remos_read_sample(b, 0), kNoData);
        EXPECT_EQ(remos_read_sample(b, 5 * kW), std::round(source_value(0, 0, 5)));
        EXPECT_LT(remos_read_sample(b, 5 * kW), 0);
        EXPECT_EQ(remos_read_sample(b, 5), std::round(source_value(0, 5, 0)));
    }
    {
        // The histogram of a Byte band leaves the no-data pixels out.
        OpenScene s(dir.file("byte.tif"));
        ASSERT_EQ(s.result, 1);
        BandInfo* b = &s.scene.bands[0];
        ASSERT_EQ(b->has_nodata, 1);
        ASSERT_EQ(remos_make_histogram(b), 1);
        std::vector<unsigned char> row(kW);
        int64_t zeros = 0, total = 0;
        for (int y = 0; y < kH; ++y) {
            remos_read_row(b, row.data(), y, 0, kW);
            for (unsigned char v : row)
                zeros += v == 0;
        }
        for (int v = 0; v < 256; ++v)
            total += b->histogram[v];
        EXPECT_GT(zeros, 0);
        EXPECT_EQ(b->histogram[0], 0);
        EXPECT_EQ(total, int64_t(kW) * kH - zeros);
    }
}

TEST(RemosGdal, ByteHistogramCountsEverySampleAndStops) {
    TempDir dir;
    const std::string src = write_envi(dir.file("src"), kW, kH, 1, source_value);
    ASSERT_TRUE(translate(src, dir.file("b.tif"),
                          "-ot Byte -scale -3000 7000 0 255 -co TILED=YES -co BLOCKXSIZE=16 "
                          "-co BLOCKYSIZE=16 -co COMPRESS=DEFLATE"));
    OpenScene s(dir.file("b.tif"));
    ASSERT_EQ(s.result, 1);
    BandInfo* b = &s.scene.bands[0];
    int64_t expected[256] = {};
    std::vector<unsigned char> row(kW);
    for (int y = 0; y < kH; ++y) {
        remos_read_row(b, row.data(), y, 0, kW);
        for (unsigned char v : row)
            expected[v]++;
    }
    ASSERT_EQ(remos_make_histogram(b), 1);
    int32_t peak = 0;
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(b->histogram[v], expected[v]) << v;
        peak = std::max(peak, b->histogram[v]);
    }
    EXPECT_EQ(b->hist_peak, peak);
    // A pass stopped by its progress callback leaves the histogram as it was.
    b->histogram[3] = 12345;
    auto stop = [](void*, double) { return 0; };
    EXPECT_EQ(remos_make_histogram_progress(b, stop, nullptr), 0);
    EXPECT_EQ(b->histogram[3], 12345);
}

TEST(RemosGdal, BuiltInReadersKeepTheirFilesAndValues) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(samples::write_sample_scenes(dir.path().string(), &error)) << error;
    int count = 0;
    const samples::SampleFile* files = samples::sample_files(&count);
    for (int i = 0; i < count; ++i) {
        const samples::SampleFile& f = files[i];
        if (f.container == samples::Container::Bmp || f.container == samples::Container::Jpeg) continue;
        const int expected = f.container == samples::Container::Native     ? FMT_NATIVE
                             : f.container == samples::Container::Ceos     ? FMT_CEOS
                             : f.container == samples::Container::CeosPsrc ? FMT_CEOS_PSRC
                             : f.container == samples::Container::CeosPsrb ? FMT_CEOS_PSRB
                                                                           : FMT_TIFF;
        OpenScene s(dir.file(f.path));
        ASSERT_EQ(s.result, 1) << f.path;
        EXPECT_EQ(s.scene.format, expected) << f.path;
        EXPECT_EQ(s.scene.band_count, static_cast<uint32_t>(f.band_count)) << f.path;
        for (uint32_t k = 0; k < s.scene.band_count; ++k)
            EXPECT_EQ(s.scene.bands[k].source, nullptr) << f.path;
        // None of them carries georeferencing of its own.
        EXPECT_EQ(remos_is_georeferenced(&s.scene), 0) << f.path;
        if (f.encoding == samples::Encoding::Value8) {
            const int x = 123, y = 77;
            EXPECT_EQ(remos_read_sample(&s.scene.bands[0], int64_t(y) * samples::kWidth + x),
                      samples::band_value(f.bands[0], x, y, samples::kWidth, samples::kHeight))
                << f.path;
        }
    }
}

// Raw bytes GDAL opens through the ENVI header beside them; with a built-in signature written into them the
// built-in reader claims the file, refuses it, and GDAL never sees it.
TEST(RemosGdal, SignatureClaimedAndRefusedNeverReachesGdal) {
    TempDir dir;
    struct Case {
        const char* name;
        const char* mark;
        int at;
        int result;
        int format;
    } cases[] = {
        {"plain", "", 0, 1, FMT_GDAL},
        {"ceos", "AL", 48, 3, FMT_CEOS},
        {"psrb", "AL  PSRB", 48, 3, FMT_CEOS_PSRB},
        {"native", "VELDAMOR", 0, 3, FMT_NATIVE},
    };
    for (const Case& c : cases) {
        const std::string base = dir.file(c.name);
        write_envi(base, 16, 16, 1, [](int, int x, int y) { return 100.0 + x + y; });
        {
            FILE* f = fopen((base + ".raw").c_str(), "r+b");
            ASSERT_TRUE(f);
            fseek(f, c.at, SEEK_SET);
            fwrite(c.mark, 1, strlen(c.mark), f);
            fclose(f);
        }
        OpenScene s(base + ".raw");
        EXPECT_EQ(s.result, c.result) << c.name;
        EXPECT_EQ(s.scene.format, c.format) << c.name;
        EXPECT_EQ(s.scene.source != nullptr, c.result == 1) << c.name;
    }
}

TEST(RemosGdal, ExplicitFormatsReadOnlyThatFormat) {
    TempDir dir;
    const std::string src = write_envi(dir.file("src"), kW, kH, 1, source_value);
    ASSERT_TRUE(
        translate(src, dir.file("g.tif"), "-ot UInt16 -scale -3000 7000 0 65535 -co COMPRESS=DEFLATE"));
    std::string error;
    ASSERT_TRUE(samples::write_native(dir.file("n.vdm"), 20, 10, 2, &error)) << error;
    struct Case {
        std::string path;
        int format;
        int result;
        int format_after;
    } cases[] = {
        {dir.file("g.tif"), FMT_TIFF, 3, FMT_TIFF},    // the built-in TIFF reader alone refuses DEFLATE
        {dir.file("g.tif"), FMT_GDAL, 1, FMT_GDAL},    // GDAL alone reads it
        {dir.file("g.tif"), FMT_DETECT, 1, FMT_GDAL},  // detection falls back to GDAL
        {dir.file("n.vdm"), FMT_GDAL, 3, FMT_GDAL},    // GDAL does not know the native format
        {dir.file("n.vdm"), FMT_DETECT, 1, FMT_NATIVE},
    };
    for (const Case& c : cases) {
        OpenScene s(c.path, c.format);
        EXPECT_EQ(s.result, c.result) << c.path << " " << c.format;
        EXPECT_EQ(s.scene.format, c.format_after) << c.path << " " << c.format;
    }
}

TEST(RemosGdal, RefusalsSayWhy) {
    TempDir dir;
    const std::string src = write_envi(dir.file("src"), kW, kH, 1, source_value);
    ASSERT_TRUE(translate(src, dir.file("complex.tif"), "-ot CInt16"));
    ASSERT_TRUE(translate(src, dir.file("complex.envi"), "-of ENVI -ot CFloat32"));
    ASSERT_TRUE(translate(src, dir.file("i64.tif"), "-ot Int64"));
    ASSERT_TRUE(translate(src, dir.file("byte.tif"), "-ot Byte"));
    ASSERT_TRUE(translate(src, dir.file("u16.tif"), "-ot UInt16"));
    // A VRT whose bands are of two types.
    {
        std::ofstream vrt(dir.file("mixed.vrt"));
        vrt << "<VRTDataset rasterXSize=\"" << kW << "\" rasterYSize=\"" << kH << "\">\n";
        int n = 1;
        for (const char* t : {"Byte", "UInt16"}) {
            vrt << " <VRTRasterBand dataType=\"" << t << "\" band=\"" << n++
                << "\"><SimpleSource><SourceFilename relativeToVRT=\"1\">"
                << (std::string(t) == "Byte" ? "byte.tif" : "u16.tif")
                << "</SourceFilename><SourceBand>1</SourceBand></SimpleSource></VRTRasterBand>\n";
        }
        vrt << "</VRTDataset>\n";
    }
    // A TIFF header whose first directory lies past the end.
    remos_test::Bytes broken(100, 0);
    remos_test::put_text(broken, 0, "II");
    remos_test::put_le(broken, 2, 42, 2);
    remos_test::put_le(broken, 4, 0xFFFF, 4);
    remos_test::write_file(dir.file("broken.tif"), broken);
    remos_test::write_file(dir.file("text.txt"), remos_test::Bytes(100, 'x'));
    struct Case {
        const char* name;
        int format;         // after the refusal
        const char* words;  // the reason holds these words ("" for any non-empty reason)
    } cases[] = {
        {"complex.tif", FMT_TIFF, "複素数"}, {"complex.envi", FMT_GDAL, "CFloat32"},
        {"i64.tif", FMT_TIFF, "Int64"},      {"mixed.vrt", FMT_GDAL, "サンプル型が揃っていません"},
        {"broken.tif", FMT_TIFF, ""},        {"text.txt", FMT_UNKNOWN, ""},
    };
    for (const Case& c : cases) {
        OpenScene s(dir.file(c.name));
        EXPECT_EQ(s.result, 3) << c.name;
        EXPECT_EQ(s.scene.format, c.format) << c.name;
        const std::string reason = remos_open_reason(&s.scene);
        EXPECT_FALSE(reason.empty()) << c.name;
        EXPECT_NE(reason.find(c.words), std::string::npos) << c.name << ": " << reason;
        EXPECT_EQ(s.scene.band_count, 0u) << c.name;
        EXPECT_EQ(s.scene.bands, nullptr) << c.name;
    }
}

TEST(RemosGdal, OnlyRegularFilesGoToGdal) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("pipe.tif").c_str(), 0600), 0);
    for (const std::string& path : {dir.file("pipe.tif"), dir.path().string(), std::string("/dev/zero")}) {
        OpenScene s(path);
        EXPECT_EQ(s.result, 0) << path;
        OpenScene g(path, FMT_GDAL);
        EXPECT_EQ(g.result, 0) << path;
    }
}

TEST(RemosGdal, GarbageTileReadsAsZerosWithTheReasonOnce) {
    TempDir dir;
    const std::string src =
        write_envi(dir.file("src"), 48, 48, 1, [](int, int x, int y) { return 1000.0 + x * 48 + y; });
    const std::string good = dir.file("good.tif"), bad = dir.file("bad.tif");
    ASSERT_TRUE(translate(
        src, good, "-ot UInt16 -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 -co COMPRESS=DEFLATE"));
    std::filesystem::copy_file(good, bad);
    long offset = 0, size = 0;
    ASSERT_TRUE(gdal_test::tile_bytes(bad, 1, 1, &offset, &size));
    {
        FILE* f = fopen(bad.c_str(), "r+b");
        ASSERT_TRUE(f);
        fseek(f, offset, SEEK_SET);
        std::vector<unsigned char> garbage(static_cast<size_t>(size), 0xA5);
        fwrite(garbage.data(), 1, garbage.size(), f);
        fclose(f);
    }
    OpenScene s(bad);
    ASSERT_EQ(s.result, 1);
    BandInfo* b = &s.scene.bands[0];
    char message[256];
    EXPECT_EQ(remos_take_read_error(&s.scene, message, sizeof message), 0);
    std::vector<uint16_t> row(48);
    for (int y = 0; y < 48; ++y) {
        ASSERT_EQ(remos_read_row_stored(b, row.data(), y, 0, 48), 48);
        for (int x = 0; x < 48; ++x) {
            const bool in_bad_tile = x >= 16 && x < 32 && y >= 16 && y < 32;
            EXPECT_EQ(row[x], in_bad_tile ? 0 : 1000 + x * 48 + y) << x << "," << y;
        }
    }
    EXPECT_EQ(remos_read_sample(b, 20 * 48 + 20), 0.0);
    ASSERT_EQ(remos_take_read_error(&s.scene, message, sizeof message), 1);
    EXPECT_GT(strlen(message), 0u);
    EXPECT_EQ(remos_take_read_error(&s.scene, message, sizeof message), 0);  // once per scene
}

TEST(RemosGdal, CutJpeg2000IsRefusedOrReadsAsZerosWithTheReason) {
    TempDir dir;
    const std::string src =
        write_envi(dir.file("src"), 64, 64, 1, [](int, int x, int y) { return (x * 7 + y * 3) % 251; });
    const std::string whole = dir.file("whole.jp2");
    ASSERT_TRUE(translate(
        src, whole,
        "-of JP2OpenJPEG -ot Byte -co QUALITY=100 -co REVERSIBLE=YES -co BLOCKXSIZE=32 -co BLOCKYSIZE=32"));
    const remos_test::Bytes bytes = remos_test::read_file(whole);
    for (size_t keep : {bytes.size() * 6 / 10, bytes.size() / 3, size_t(200), size_t(40)}) {
        const std::string cut = dir.file("cut" + std::to_string(keep) + ".jp2");
        remos_test::write_file(cut,
                               remos_test::Bytes(bytes.begin(), bytes.begin() + static_cast<long>(keep)));
        OpenScene s(cut);
        ASSERT_TRUE(s.result == 1 || s.result == 3) << keep;
        if (s.result == 3) {
            EXPECT_GT(strlen(remos_open_reason(&s.scene)), 0u) << keep;
            continue;
        }
        BandInfo* b = &s.scene.bands[0];
        std::vector<unsigned char> row(static_cast<size_t>(b->width));
        for (int y = 0; y < b->lines; ++y)
            remos_read_row(b, row.data(), y, 0, b->width);
        char message[256];
        EXPECT_EQ(remos_take_read_error(&s.scene, message, sizeof message), 1) << keep;
    }
}

TEST(RemosGdal, ReducedRunsPickSamplesOrReadTheOverview) {
    TempDir dir;
    const int W = 200, H = 130;
    const std::string src =
        write_envi(dir.file("src"), W, H, 1, [](int, int x, int y) { return (x * 13 + y * 7) % 65536; });
    const std::string plain = dir.file("plain.tif"), ovr = dir.file("ovr.tif");
    ASSERT_TRUE(translate(
        src, plain, "-ot UInt16 -co TILED=YES -co BLOCKXSIZE=32 -co BLOCKYSIZE=32 -co COMPRESS=DEFLATE"));
    ASSERT_TRUE(translate(src, ovr, "-ot UInt16 -co TILED=YES -co BLOCKXSIZE=32 -co BLOCKYSIZE=32"));
    bool ok = false;
    shell("gdaladdo -q -r average " + quoted(ovr) + " 2 4 8", &ok);
    ASSERT_TRUE(ok);
    struct Case {
        int line, x0, n, step;
    } cases[] = {{0, 0, 25, 8},    {17, 5, 100, 8}, {129, 3, 7, 4},
                 {40, 190, 10, 8}, {8, 0, 50, 2},   {3, 1, 10, 1}};
    for (const Case& c : cases) {
        const int expected_n = std::min(c.n, (W - 1 - c.x0) / c.step + 1);
        {
            // Without overviews: exactly the samples named, also for the 8-bit form.
            OpenScene s(plain);
            ASSERT_EQ(s.result, 1);
            BandInfo* b = &s.scene.bands[0];
            std::vector<uint16_t> reduced(static_cast<size_t>(c.n)), full(W);
            std::vector<unsigned char> bytes(static_cast<size_t>(c.n)), full_bytes(W);
            ASSERT_EQ(remos_read_row_stored_reduced(b, reduced.data(), c.line, c.x0, c.n, c.step),
                      expected_n);
            ASSERT_EQ(remos_read_row_reduced(b, bytes.data(), c.line, c.x0, c.n, c.step), expected_n);
            remos_read_row_stored(b, full.data(), c.line, 0, W);
            remos_read_row(b, full_bytes.data(), c.line, 0, W);
            for (int i = 0; i < expected_n; ++i) {
                EXPECT_EQ(reduced[i], full[c.x0 + i * c.step]);
                EXPECT_EQ(bytes[i], full_bytes[c.x0 + i * c.step]);
            }
        }
        if (c.step != 8 || c.line % 8 != 0 || c.x0 % 8 != 0) continue;
        {
            // With overviews: the 1/8 overview's values, as gdallocationinfo reads that overview (level 3;
            // it takes the positions in pixels of the full band).
            OpenScene s(ovr);
            ASSERT_EQ(s.result, 1);
            std::vector<uint16_t> reduced(static_cast<size_t>(c.n));
            ASSERT_EQ(remos_read_row_stored_reduced(&s.scene.bands[0], reduced.data(), c.line, c.x0, c.n, 8),
                      expected_n);
            std::vector<Pixel> at;
            for (int i = 0; i < expected_n; ++i)
                at.push_back({c.x0 + i * 8, c.line});
            std::ostringstream input;
            for (const Pixel& p : at)
                input << p.x << ' ' << p.y << '\n';
            std::istringstream out(shell("printf '%s' '" + input.str() +
                                         "' | gdallocationinfo -valonly -overview 3 " + quoted(ovr)));
            for (int i = 0; i < expected_n; ++i) {
                double v = -1;
                out >> v;
                EXPECT_EQ(reduced[i], v) << i;
            }
        }
    }
    // Built-in bands pick the samples too.
    std::string error;
    ASSERT_TRUE(samples::write_native(dir.file("n.vdm"), W, H, 1, &error)) << error;
    OpenScene n(dir.file("n.vdm"));
    ASSERT_EQ(n.result, 1);
    std::vector<unsigned char> reduced(30), full(W);
    ASSERT_EQ(remos_read_row_reduced(&n.scene.bands[0], reduced.data(), 50, 7, 30, 7), 28);
    remos_read_row(&n.scene.bands[0], full.data(), 50, 0, W);
    for (int i = 0; i < 28; ++i)
        EXPECT_EQ(reduced[i], full[7 + i * 7]);
}

TEST(RemosGdal, TwoThreadsReadOneSceneAtOnce) {
    TempDir dir;
    const int W = 300, H = 220;
    const std::string src = write_envi(
        dir.file("src"), W, H, 3, [](int b, int x, int y) { return (x * 31 + y * 17 + b * 1000) % 60000; });
    const std::string path = dir.file("t.tif");
    ASSERT_TRUE(translate(src, path,
                          "-ot UInt16 -a_srs EPSG:32654 -a_ullr 500000 4000000 509000 3993400 -co TILED=YES "
                          "-co BLOCKXSIZE=64 -co BLOCKYSIZE=64 -co COMPRESS=DEFLATE"));
    OpenScene s(path);
    ASSERT_EQ(s.result, 1);
    ASSERT_EQ(s.scene.band_count, 3u);
    std::atomic<int> mismatches{0};
    // One thread draws rows of every band, the other reads single samples, as the readout does.
    std::thread rows([&] {
        std::vector<uint16_t> row(W);
        for (int pass = 0; pass < 3; ++pass)
            for (int y = 0; y < H; ++y)
                for (int b = 0; b < 3; ++b) {
                    remos_read_row_stored(&s.scene.bands[b], row.data(), y, 0, W);
                    for (int x = 0; x < W; x += 37)
                        if (row[x] != (x * 31 + y * 17 + b * 1000) % 60000) ++mismatches;
                }
    });
    std::thread samples_thread([&] {
        for (int i = 0; i < 3000; ++i) {
            const int x = (i * 7) % W, y = (i * 13) % H, b = i % 3;
            if (remos_read_sample(&s.scene.bands[b], int64_t(y) * W + x) !=
                (x * 31 + y * 17 + b * 1000) % 60000)
                ++mismatches;
            double lat, lon;
            int px = -1, py = -1;
            if (!remos_pixel_to_geo(&s.scene, x, y, &lat, &lon) ||
                !remos_geo_to_pixel_exact(&s.scene, lat, lon, &px, &py) || px != x || py != y)
                ++mismatches;
        }
    });
    rows.join();
    samples_thread.join();
    EXPECT_EQ(mismatches.load(), 0);

    // Histogram passes of two and four parts, read at once through the main and spare datasets, count as one
    // part does.
    std::vector<int32_t> counts[3];
    for (int threads : {1, 2, 4}) {
        remos_set_pass_threads(threads);
        ASSERT_EQ(remos_make_band_histogram(&s.scene.bands[1], nullptr, nullptr), 1) << threads;
        counts[threads / 2].assign(s.scene.bands[1].histogram, s.scene.bands[1].histogram + 256);
    }
    remos_set_pass_threads(0);
    EXPECT_EQ(counts[1], counts[0]);
    EXPECT_EQ(counts[2], counts[0]);
    int64_t total = 0;
    for (int32_t c : counts[0])
        total += c;
    EXPECT_EQ(total, int64_t(W) * H);
}

}  // namespace

// A text grid cut short: GDAL would search every earlier line again for each missing one (exponential time);
// the lines it holds read as written, the missing ones as zeros with the reason, whichever is read first.
TEST(RemosGdal, CutTextGridReadsItsLinesAndZerosAfterThem) {
    TempDir dir;
    std::string text = "ncols 4\nnrows 60\nxllcorner 0\nyllcorner 0\ncellsize 1\n";
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            text += std::to_string(y * 10 - x) + (x == 3 ? "\n" : " ");
    std::ofstream(dir.file("cut.asc")) << text;
    OpenScene s(dir.file("cut.asc"));
    ASSERT_EQ(s.result, 1);
    BandInfo* b = &s.scene.bands[0];
    ASSERT_EQ(b->lines, 60);
    ASSERT_EQ(b->sample_type, REMOS_SAMPLE_I32);
    std::vector<int32_t> row(4);
    for (int y : {59, 30, 0, 1, 2, 3, 58}) {
        ASSERT_EQ(remos_read_row_stored(b, row.data(), y, 0, 4), 4);
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(row[x], y < 3 ? y * 10 - x : 0) << x << "," << y;
    }
    EXPECT_EQ(remos_read_sample(b, 2 * 4 + 3), 17.0);
    char message[256];
    EXPECT_EQ(remos_take_read_error(&s.scene, message, sizeof message), 1);
}

// A container without bands of its own (a GeoPackage with two raster tables, like HDF or NetCDF files with
// several variables) opens its first subdataset.
TEST(RemosGdal, ContainerWithoutBandsOpensItsFirstSubdataset) {
    TempDir dir;
    const std::string a = write_envi(dir.file("a"), 20, 12, 1, [](int, int x, int y) { return x * 5 + y; });
    const std::string b = write_envi(dir.file("b"), 20, 12, 1, [](int, int x, int y) { return 200 - x - y; });
    const std::string gpkg = dir.file("two.gpkg");
    ASSERT_TRUE(
        translate(a, gpkg, "-of GPKG -ot Byte -a_srs EPSG:3857 -a_ullr 0 12 20 0 -co RASTER_TABLE=first"));
    ASSERT_TRUE(translate(b, gpkg,
                          "-of GPKG -ot Byte -a_srs EPSG:3857 -a_ullr 0 12 20 0 -co RASTER_TABLE=second -co "
                          "APPEND_SUBDATASET=YES"));
    OpenScene s(gpkg);
    ASSERT_EQ(s.result, 1) << remos_open_reason(&s.scene);
    EXPECT_EQ(s.scene.format, FMT_GDAL);
    ASSERT_GE(s.scene.band_count, 1u);
    EXPECT_EQ(s.scene.width, 20);
    for (int y : {0, 5, 11})
        for (int x : {0, 7, 19})
            EXPECT_EQ(remos_read_sample(&s.scene.bands[0], int64_t(y) * 20 + x), x * 5 + y) << x << "," << y;
}

// GDAL prints nothing, even for damaged files, and writes nothing beside the files it reads.
TEST(RemosGdal, QuietAndReadOnly) {
    TempDir dir;
    const std::string src = write_envi(dir.file("src"), kW, kH, 1, source_value);
    ASSERT_TRUE(translate(src, dir.file("g.tif"),
                          "-ot Byte -scale -3000 7000 0 255 -a_srs EPSG:32654 -a_ullr 0 30 37 0"));
    ASSERT_TRUE(translate(src, dir.file("j.jp2"), "-of JP2OpenJPEG -ot UInt16 -scale -3000 7000 0 65535"));
    remos_test::Bytes jp2 = remos_test::read_file(dir.file("j.jp2"));
    jp2.resize(jp2.size() / 2);
    remos_test::write_file(dir.file("cut.jp2"), jp2);
    remos_test::Bytes broken(100, 0x11);
    remos_test::put_text(broken, 0, "MM");
    remos_test::write_file(dir.file("broken.tif"), broken);
    std::vector<std::string> before;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        before.push_back(e.path().filename().string());

    // Standard error goes to a file while the files are opened, read and closed.
    const std::string err_path = dir.file("stderr.txt");
    fflush(stderr);
    const int saved = dup(2);
    FILE* err = fopen(err_path.c_str(), "w");
    ASSERT_TRUE(err);
    dup2(fileno(err), 2);
    for (const char* name : {"g.tif", "cut.jp2", "broken.tif", "src.raw"}) {
        OpenScene s(dir.file(name));
        if (s.result != 1) continue;
        for (uint32_t k = 0; k < s.scene.band_count; ++k) {
            BandInfo* b = &s.scene.bands[k];
            remos_make_histogram(b);
            std::vector<unsigned char> row(static_cast<size_t>(b->width));
            for (int y = 0; y < b->lines; ++y)
                remos_read_row(b, row.data(), y, 0, b->width);
        }
        double lat, lon;
        remos_pixel_to_geo(&s.scene, 1, 1, &lat, &lon);
    }
    fflush(stderr);
    dup2(saved, 2);
    close(saved);
    fclose(err);
    EXPECT_EQ(remos_test::read_file(err_path).size(), 0u);
    std::vector<std::string> after;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().filename() != "stderr.txt") after.push_back(e.path().filename().string());
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before);
}

// A large band without overviews: its exact histogram pass leaves a reduced copy (factors 2 .. 64 here) that
// reduced reads at a step that is a multiple of 2 take, each the sample at or before its position on the grid
// of the step's level; other steps, and every read before the pass or after a stopped one, are exact. A quick
// histogram from spread blocks spans most of the band's values; lines read at once are those read one by one.
TEST(RemosGdal, ReducedReadsComeFromTheCopyTheExactPassLeaves) {
    TempDir dir;
    const int w = 2100, h = 2100;  // above the size that gets a copy
    const std::string src =
        write_envi(dir.file("src"), w, h, 1, [](int, int x, int y) { return x * 7 + y * 3; });
    ASSERT_TRUE(translate(src, dir.file("u16.tif"), "-ot UInt16 -co TILED=YES -co COMPRESS=DEFLATE"));
    OpenScene s(dir.file("u16.tif"));
    ASSERT_EQ(s.result, 1);
    BandInfo* b = &s.scene.bands[0];
    auto reduced = [&](int line, int x0, int step) {
        std::vector<uint16_t> got(4);
        remos_read_row_stored_reduced(b, got.data(), line, x0, 4, step);
        return got;
    };
    auto sampled = [&](int line, int x0, int step, int grid) {
        std::vector<uint16_t> want;
        for (int i = 0; i < 4; ++i)
            want.push_back(static_cast<uint16_t>((x0 + i * step) / grid * grid * 7 + line / grid * grid * 3));
        return want;
    };
    // Lines read several at a time are the lines read one by one, cut at the band's last line.
    for (const int first : {500, 2090}) {
        std::vector<uint16_t> lines(20 * 1000), line(1000);
        const int got = remos_read_lines_stored(b, lines.data(), first, 20, 7, 1000);
        EXPECT_EQ(got, std::min(20, h - first));
        for (int k = 0; k < got; ++k) {
            remos_read_row_stored(b, line.data(), first + k, 7, 1000);
            EXPECT_TRUE(std::equal(line.begin(), line.end(), lines.begin() + k * 1000)) << first + k;
        }
    }
    orvenna::BandHistogram quick;
    ASSERT_EQ(quick.countSample(*b, 100000), orvenna::BandHistogram::Sample::Blocks);
    quick.applyTo(b);
    EXPECT_LT(b->value_min, 5000);  // of 0 .. 20990: blocks from all over the band
    EXPECT_GT(b->value_max, 15000);

    auto stop = [](void*, double) { return 0; };
    orvenna::BandHistogram stopped, exact;
    EXPECT_FALSE(stopped.count(*b, stop, nullptr));
    EXPECT_EQ(reduced(9, 5, 4), sampled(9, 5, 4, 1));
    ASSERT_TRUE(exact.count(*b));
    struct Read {
        int line, x0, step, grid;
    } reads[] = {{9, 5, 4, 4}, {10, 6, 16, 16}, {9, 5, 3, 1}, {2099, 2001, 32, 32}, {11, 3, 2, 2}};
    for (const Read& r : reads)
        EXPECT_EQ(reduced(r.line, r.x0, r.step), sampled(r.line, r.x0, r.step, r.grid))
            << r.line << " " << r.x0 << " step " << r.step;
}
