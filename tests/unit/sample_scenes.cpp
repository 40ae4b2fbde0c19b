// The sample scene writer: byte layouts checked with parsers of the test's own, determinism, the structure
// of the landscape model, and every scene read back through the scene reader.
#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "scene/remos.h"
#include "tools/samples/sample_scenes.h"

namespace fs = std::filesystem;
using namespace samples;

namespace {

std::vector<uint8_t> read_all(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t be(const std::vector<uint8_t>& d, size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v = v << 8 | d.at(at + size_t(i));
    return v;
}

uint32_t le(const std::vector<uint8_t>& d, size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = v << 8 | d.at(at + size_t(i));
    return v;
}

std::string text(const std::vector<uint8_t>& d, size_t at, size_t n) {
    return std::string(reinterpret_cast<const char*>(d.data()) + at, n);
}

// A blank-padded decimal text field; -1 when it holds anything but blanks and digits.
long decimal(const std::vector<uint8_t>& d, size_t at, size_t n) {
    const std::string s = text(d, at, n);
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos || s.find_first_not_of("0123456789", first) != std::string::npos)
        return -1;
    return std::strtol(s.c_str() + first, nullptr, 10);
}

fs::path unique_dir(const char* tag) {
    static int counter = 0;
    return fs::temp_directory_path() / ("orvenna_samples_" + std::string(tag) + "_" +
                                        std::to_string(::getpid()) + "_" + std::to_string(++counter));
}

// A test name made of the letters and digits of a file's relative path.
std::string test_name(const char* rel) {
    std::string n;
    for (const char* p = rel; *p; ++p)
        n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return n;
}

// The 8-bit value a reader shows for stored band k of a file at (x, y).
int expected_8bit(const SampleFile& f, int k, int x, int y) {
    if (f.encoding == Encoding::Psrb) {
        const double v = std::fabs(double(psrb_value(k, x, y, kWidth, kHeight))) * 0.000001 * 255;
        return int(v) & 0xFF;
    }
    return band_value(f.bands[k], x, y, kWidth, kHeight);
}

// The set is written once per test program and removed at exit.
struct WrittenSet {
    fs::path dir = unique_dir("set");
    std::string error;
    bool ok = write_sample_scenes(dir.string(), &error);
    ~WrittenSet() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

const WrittenSet& written_set() {
    static WrittenSet set;
    return set;
}

class SampleSet : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(written_set().ok) << written_set().error; }
    static fs::path path(const char* rel) { return written_set().dir / rel; }
};

// --- Determinism ----------------------------------------------------------------------------------------

TEST_F(SampleSet, SecondWriteGivesIdenticalBytes) {
    const fs::path again = unique_dir("again");
    std::string error;
    ASSERT_TRUE(write_sample_scenes(again.string(), &error)) << error;
    int count = 0;
    const SampleFile* files = sample_files(&count);
    std::vector<std::string> rels;
    for (int i = 0; i < count; ++i)
        rels.push_back(files[i].path);
    rels.push_back(files::kCeosSummary);
    rels.push_back(files::kLandsatMet);
    for (const std::string& rel : rels) {
        const auto a = read_all(path(rel.c_str())), b = read_all(again / rel);
        EXPECT_FALSE(a.empty()) << rel;
        EXPECT_TRUE(a == b) << rel << " differs between two writes";
    }
    fs::remove_all(again);
}

// --- Native format --------------------------------------------------------------------------------------

TEST_F(SampleSet, NativeHeaderAndSamples) {
    const auto d = read_all(path(files::kNative4));
    ASSERT_GE(d.size(), 512u);
    EXPECT_EQ(text(d, 0, 8), "VELDAMOR");
    EXPECT_EQ(be(d, 12, 2), uint32_t(kWidth));
    EXPECT_EQ(be(d, 14, 2), uint32_t(kHeight));
    EXPECT_EQ(be(d, 86, 2), 4u);
    ASSERT_EQ(d.size(), 512u + size_t(kWidth) * kHeight * 4);
    const Band order[4] = {Band::Blue, Band::Green, Band::Red, Band::NearInfrared};
    for (int y : {0, 123, kHeight - 1})
        for (int x : {0, 417, kWidth - 1})
            for (int b = 0; b < 4; ++b)
                EXPECT_EQ(d[512 + (size_t(y) * 4 + size_t(b)) * kWidth + size_t(x)],
                          band_value(order[b], x, y, kWidth, kHeight))
                    << "band " << b << " at " << x << "," << y;
}

// --- CEOS -----------------------------------------------------------------------------------------------

struct CeosCase {
    const char* rel;
    const char* kind;  // bytes 52..55, or "" for the general kind
    int bits, samples_per_group, prefix, suffix;
};

void PrintTo(const CeosCase& c, std::ostream* os) {
    *os << c.rel;
}

class CeosLayoutTest : public SampleSet, public ::testing::WithParamInterface<CeosCase> {};

TEST_P(CeosLayoutTest, DescriptorFieldsAgreeWithTheRecords) {
    const CeosCase& c = GetParam();
    const auto d = read_all(path(c.rel));
    ASSERT_GT(d.size(), 720u);
    EXPECT_EQ(text(d, 48, 2), "AL");
    const bool general = std::string(c.kind).empty();
    if (general) {
        EXPECT_NE(text(d, 52, 4), "PSRC");
        EXPECT_NE(text(d, 52, 4), "PSRB");
    } else {
        EXPECT_EQ(text(d, 52, 4), c.kind);
    }
    const uint32_t data_offset = be(d, 8, 4);
    EXPECT_EQ(data_offset, uint32_t(kCeosDescriptorLength));

    const long record_length = decimal(d, 186, 6);
    const long bits = decimal(d, 216, 4);
    const long lines = c.samples_per_group == 2 ? decimal(d, 236, 8) : decimal(d, 180, 6);
    const long prefix = general ? decimal(d, 280, 4) : decimal(d, 276, 4);
    const long suffix = general ? decimal(d, 292, 4) : decimal(d, 288, 4);
    EXPECT_EQ(bits, c.bits);
    EXPECT_EQ(lines, kHeight);
    EXPECT_EQ(prefix, c.prefix);
    EXPECT_EQ(suffix, c.suffix);
    if (c.samples_per_group == 2) {
        EXPECT_EQ(decimal(d, 220, 4), 2);
    }
    ASSERT_GT(record_length, 0);
    EXPECT_EQ((record_length - prefix - suffix) / (bits / 8 * c.samples_per_group), kWidth);
    EXPECT_EQ(d.size(), size_t(data_offset) + size_t(lines) * size_t(record_length));

    // Prefix and suffix bytes are never zero, so a reader that skips them wrongly shows it.
    for (int line : {0, kHeight / 2, kHeight - 1}) {
        const size_t rec = data_offset + size_t(line) * size_t(record_length);
        EXPECT_EQ(be(d, rec, 4), uint32_t(line + 2)) << "record sequence number";
        for (long i = 28; i < prefix; ++i)
            ASSERT_NE(d[rec + size_t(i)], 0) << "prefix byte " << i;
        for (long i = record_length - suffix; i < record_length; ++i)
            ASSERT_NE(d[rec + size_t(i)], 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, CeosLayoutTest,
                         ::testing::Values(CeosCase{files::kCeosBand1, "", 8, 1, kCeosPrefix, kCeosSuffix},
                                           CeosCase{files::kCeosBand4, "", 8, 1, kCeosPrefix, kCeosSuffix},
                                           CeosCase{files::kCeos16, "", 16, 1, kCeosPrefix, kCeosSuffix},
                                           CeosCase{files::kPsrc, "PSRC", 8, 1, kSarPrefix, kSarSuffix},
                                           CeosCase{files::kPsrb, "PSRB", 32, 2, kSarPrefix, kSarSuffix}),
                         [](const auto& info) { return test_name(info.param.rel); });

TEST_F(SampleSet, CeosSamplesFollowTheModel) {
    const auto c8 = read_all(path(files::kCeosBand3));
    const auto c16 = read_all(path(files::kCeos16));
    const auto sar = read_all(path(files::kPsrb));
    const size_t rl8 = kCeosPrefix + kWidth + kCeosSuffix, rl16 = kCeosPrefix + 2 * kWidth + kCeosSuffix;
    const size_t rlb = kSarPrefix + 8 * kWidth + kSarSuffix;
    for (int y : {0, 301, kHeight - 1}) {
        for (int x : {0, 555, kWidth - 1}) {
            EXPECT_EQ(c8.at(720 + y * rl8 + kCeosPrefix + size_t(x)),
                      band_value(Band::Red, x, y, kWidth, kHeight));
            const uint32_t v16 = be(c16, 720 + y * rl16 + kCeosPrefix + 2 * size_t(x), 2);
            EXPECT_EQ(v16, band_value16(Band::NearInfrared, x, y, kWidth, kHeight));
            EXPECT_EQ(v16 * 255 / 65535, band_value(Band::NearInfrared, x, y, kWidth, kHeight));
            for (int s = 0; s < 2; ++s) {
                const uint32_t bits =
                    be(sar, 720 + y * rlb + kSarPrefix + (2 * size_t(x) + size_t(s)) * 4, 4);
                float f;
                std::memcpy(&f, &bits, 4);
                EXPECT_EQ(f, psrb_value(s, x, y, kWidth, kHeight));
            }
        }
    }
}

// --- TIFF -----------------------------------------------------------------------------------------------

struct TiffTag {
    uint32_t type = 0, count = 0;
    std::vector<uint32_t> values;
};

// The first directory of a TIFF, integer-typed values only, parsed independently of the project's reader.
std::map<uint32_t, TiffTag> tiff_tags(const std::vector<uint8_t>& d, bool* big_endian) {
    *big_endian = text(d, 0, 2) == "MM";
    auto rd = [&](size_t at, int n) { return *big_endian ? be(d, at, n) : le(d, at, n); };
    std::map<uint32_t, TiffTag> tags;
    const size_t ifd = rd(4, 4);
    const uint32_t n = rd(ifd, 2);
    for (uint32_t i = 0; i < n; ++i) {
        const size_t e = ifd + 2 + 12 * size_t(i);
        TiffTag t;
        t.type = rd(e + 2, 2);
        t.count = rd(e + 4, 4);
        const int size = t.type == 3 ? 2 : t.type == 4 ? 4 : t.type == 5 ? 8 : 1;
        const size_t at = size_t(size) * t.count <= 4 ? e + 8 : rd(e + 8, 4);
        if (t.type == 3 || t.type == 4)
            for (uint32_t k = 0; k < t.count; ++k)
                t.values.push_back(rd(at + size_t(k) * size_t(size), size));
        tags[rd(e, 2)] = t;
    }
    return tags;
}

struct TiffCase {
    const char* rel;
    bool big_endian, rgb;
    Band grey;  // band of a grey file
};

void PrintTo(const TiffCase& c, std::ostream* os) {
    *os << c.rel;
}

class TiffLayoutTest : public SampleSet, public ::testing::WithParamInterface<TiffCase> {};

TEST_P(TiffLayoutTest, TagsDescribeContiguousRowStrips) {
    const TiffCase& c = GetParam();
    const auto d = read_all(path(c.rel));
    ASSERT_GT(d.size(), 8u);
    bool big_endian = false;
    auto tags = tiff_tags(d, &big_endian);
    EXPECT_EQ(big_endian, c.big_endian);
    EXPECT_EQ((big_endian ? be(d, 2, 2) : le(d, 2, 2)), 42u);
    const uint32_t spp = c.rgb ? 3 : 1;
    EXPECT_EQ(tags[256].values, std::vector<uint32_t>{uint32_t(kWidth)});
    EXPECT_EQ(tags[257].values, std::vector<uint32_t>{uint32_t(kHeight)});
    EXPECT_EQ(tags[256].type, c.big_endian ? 3u : 4u);
    EXPECT_EQ(tags[258].type, 3u);
    EXPECT_EQ(tags[258].values, std::vector<uint32_t>(spp, 8));
    EXPECT_EQ(tags[259].values, std::vector<uint32_t>{1});
    EXPECT_EQ(tags[262].values, std::vector<uint32_t>{c.rgb ? 2u : 1u});
    EXPECT_EQ(tags[277].values, std::vector<uint32_t>{spp});
    EXPECT_EQ(tags[278].values, std::vector<uint32_t>{1});
    EXPECT_EQ(tags[284].values, std::vector<uint32_t>{1});
    ASSERT_EQ(tags[273].type, 4u);
    ASSERT_EQ(tags[273].values.size(), size_t(kHeight));
    ASSERT_EQ(tags[279].values.size(), size_t(kHeight));
    const uint32_t row = kWidth * spp, first = tags[273].values[0];
    for (int y = 0; y < kHeight; ++y) {
        ASSERT_EQ(tags[273].values[size_t(y)], first + uint32_t(y) * row) << "strip " << y;
        ASSERT_EQ(tags[279].values[size_t(y)], row);
    }
    EXPECT_EQ(d.size(), size_t(first) + size_t(row) * kHeight);
    for (int y : {0, 222, kHeight - 1})
        for (int x : {0, 640, kWidth - 1}) {
            const size_t at = first + size_t(y) * row + size_t(x) * spp;
            if (c.rgb) {
                EXPECT_EQ(d[at], band_value(Band::Red, x, y, kWidth, kHeight));
                EXPECT_EQ(d[at + 1], band_value(Band::Green, x, y, kWidth, kHeight));
                EXPECT_EQ(d[at + 2], band_value(Band::Blue, x, y, kWidth, kHeight));
            } else {
                EXPECT_EQ(d[at], band_value(c.grey, x, y, kWidth, kHeight));
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Files, TiffLayoutTest,
                         ::testing::Values(TiffCase{files::kTiffGreyLE, false, false, Band::NearInfrared},
                                           TiffCase{files::kTiffGreyBE, true, false, Band::Red},
                                           TiffCase{files::kTiffRgbLE, false, true, Band::Red},
                                           TiffCase{files::kTiffRgbBE, true, true, Band::Red},
                                           TiffCase{files::kLandsatThermal, false, false, Band::Thermal}),
                         [](const auto& info) { return test_name(info.param.rel); });

// --- Pictures -------------------------------------------------------------------------------------------

TEST(SamplePictures, BmpHeaderAndPaddedBottomUpRows) {
    const fs::path dir = unique_dir("bmp");
    const int w = 801, h = 5;  // 801 * 3 = 2403 bytes: one padding byte per row
    std::string error;
    ASSERT_TRUE(write_bmp((dir / "odd.bmp").string(), w, h, &error)) << error;
    const auto d = read_all(dir / "odd.bmp");
    ASSERT_GE(d.size(), 54u);
    EXPECT_EQ(text(d, 0, 2), "BM");
    EXPECT_EQ(le(d, 2, 4), d.size());
    EXPECT_EQ(le(d, 10, 4), 54u);
    EXPECT_EQ(le(d, 14, 4), 40u);
    EXPECT_EQ(le(d, 18, 4), uint32_t(w));
    EXPECT_EQ(le(d, 22, 4), uint32_t(h));  // positive: bottom-up
    EXPECT_EQ(le(d, 26, 2), 1u);
    EXPECT_EQ(le(d, 28, 2), 24u);
    EXPECT_EQ(le(d, 30, 4), 0u);
    const size_t stride = 2404;
    EXPECT_EQ(le(d, 34, 4), stride * h);
    ASSERT_EQ(d.size(), 54 + stride * h);
    for (int y = 0; y < h; ++y) {
        const size_t row = 54 + size_t(h - 1 - y) * stride;
        for (int x : {0, 400, w - 1}) {
            EXPECT_EQ(d[row + 3 * size_t(x)], band_value(Band::Blue, x, y, w, h));
            EXPECT_EQ(d[row + 3 * size_t(x) + 1], band_value(Band::Green, x, y, w, h));
            EXPECT_EQ(d[row + 3 * size_t(x) + 2], band_value(Band::Red, x, y, w, h));
        }
        EXPECT_EQ(d[row + stride - 1], 0) << "padding byte";
    }
    fs::remove_all(dir);
}

TEST_F(SampleSet, BmpOfTheSetHasTheSceneSize) {
    const auto d = read_all(path(files::kBmp));
    ASSERT_GE(d.size(), 54u);
    EXPECT_EQ(le(d, 18, 4), uint32_t(kWidth));
    EXPECT_EQ(le(d, 22, 4), uint32_t(kHeight));
    EXPECT_EQ(d.size(), 54u + size_t((kWidth * 3 + 3) / 4 * 4) * kHeight);
}

TEST_F(SampleSet, JpegDecodesToTheSceneSizeCloseToTheModel) {
    FILE* f = std::fopen(path(files::kJpeg).c_str(), "rb");
    ASSERT_NE(f, nullptr);
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    ASSERT_EQ(jpeg_read_header(&cinfo, TRUE), JPEG_HEADER_OK);
    jpeg_start_decompress(&cinfo);
    EXPECT_EQ(int(cinfo.output_width), kWidth);
    EXPECT_EQ(int(cinfo.output_height), kHeight);
    ASSERT_EQ(cinfo.output_components, 3);
    std::vector<uint8_t> row(size_t(cinfo.output_width) * 3);
    double error_sum = 0;
    long n = 0;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = int(cinfo.output_scanline);
        JSAMPROW p = row.data();
        jpeg_read_scanlines(&cinfo, &p, 1);
        for (int x = 0; x < kWidth; ++x) {
            error_sum += std::abs(int(row[3 * size_t(x)]) - band_value(Band::Red, x, y, kWidth, kHeight));
            ++n;
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    EXPECT_LT(error_sum / double(n), 4.0) << "mean error of the red channel";
}

// --- Metadata texts -------------------------------------------------------------------------------------

// key -> value of "key = value" / key="value" lines (first occurrence).
std::map<std::string, std::string> key_values(const fs::path& p) {
    std::map<std::string, std::string> kv;
    std::ifstream in(p);
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        auto trim = [](std::string s) {
            s.erase(0, s.find_first_not_of(" \t"));
            s.erase(s.find_last_not_of(" \t\r") + 1);
            return s;
        };
        kv.emplace(trim(line.substr(0, eq)), trim(line.substr(eq + 1)));
    }
    return kv;
}

TEST_F(SampleSet, AlosSummaryHoldsQuotedCorners) {
    auto kv = key_values(path(files::kCeosSummary));
    const std::pair<const char*, double> corners[] = {
        {"Img_ImageSceneLeftTopLatitude", kAlosCorners.ul_lat},
        {"Img_ImageSceneLeftTopLongitude", kAlosCorners.ul_lon},
        {"Img_ImageSceneRightTopLatitude", kAlosCorners.ur_lat},
        {"Img_ImageSceneRightTopLongitude", kAlosCorners.ur_lon},
        {"Img_ImageSceneLeftBottomLatitude", kAlosCorners.ll_lat},
        {"Img_ImageSceneLeftBottomLongitude", kAlosCorners.ll_lon},
        {"Img_ImageSceneRightBottomLatitude", kAlosCorners.lr_lat},
        {"Img_ImageSceneRightBottomLongitude", kAlosCorners.lr_lon},
    };
    for (const auto& [key, value] : corners) {
        ASSERT_EQ(kv.count(key), 1u) << key;
        const std::string v = kv[key];
        ASSERT_GE(v.size(), 3u);
        EXPECT_EQ(v.front(), '"');
        EXPECT_EQ(v.back(), '"');
        EXPECT_NEAR(std::strtod(v.c_str() + 1, nullptr), value, 1e-9) << key;
    }
    EXPECT_EQ(kv.count("Img_SceneCenterDateTime"), 1u);
    // A rotated footprint: the top edge is not a line of constant latitude.
    EXPECT_NE(kAlosCorners.ul_lat, kAlosCorners.ur_lat);
}

TEST_F(SampleSet, LandsatMetadataHoldsCornersAndThermalCalibration) {
    auto kv = key_values(path(files::kLandsatMet));
    EXPECT_EQ(kv["LMAX_BAND61"], "17.040");
    EXPECT_EQ(kv["LMIN_BAND61"], "0.000");
    EXPECT_EQ(kv["GROUP"], "L1_METADATA_FILE");
    EXPECT_DOUBLE_EQ(std::strtod(kv["PRODUCT_UL_CORNER_LAT"].c_str(), nullptr), kLandsatCorners.ul_lat);
    EXPECT_DOUBLE_EQ(std::strtod(kv["PRODUCT_LR_CORNER_LON"].c_str(), nullptr), kLandsatCorners.lr_lon);
    for (const char* key : {"PRODUCT_UL_CORNER_LON", "PRODUCT_UR_CORNER_LAT", "PRODUCT_UR_CORNER_LON",
                            "PRODUCT_LL_CORNER_LAT", "PRODUCT_LL_CORNER_LON", "PRODUCT_LR_CORNER_LAT"})
        EXPECT_EQ(kv.count(key), 1u) << key;
    const auto d = read_all(path(files::kLandsatMet));
    EXPECT_EQ(text(d, d.size() - 4, 4), "END\n");
}

// --- The landscape model --------------------------------------------------------------------------------

struct ClassStats {
    long count = 0;
    double ndvi = 0, thermal = 0, nir = 0;
};

TEST(LandscapeModel, ClassesHaveTheirTypicalBandValues) {
    std::map<LandClass, ClassStats> s;
    for (int y = 0; y < kHeight; y += 2)
        for (int x = 0; x < kWidth; x += 2) {
            ClassStats& c = s[land_class(x, y, kWidth, kHeight)];
            const int red = band_value(Band::Red, x, y, kWidth, kHeight);
            const int nir = band_value(Band::NearInfrared, x, y, kWidth, kHeight);
            ++c.count;
            c.ndvi += red + nir > 0 ? double(nir - red) / (nir + red) : 0;
            c.nir += nir;
            c.thermal += band_value(Band::Thermal, x, y, kWidth, kHeight);
        }
    for (LandClass k :
         {LandClass::Water, LandClass::Vegetation, LandClass::Soil, LandClass::Town, LandClass::WarmPatch}) {
        ClassStats& c = s[k];
        ASSERT_GT(c.count, 100) << "class " << int(k) << " barely present";
        c.ndvi /= c.count;
        c.thermal /= c.count;
        c.nir /= c.count;
    }
    EXPECT_GT(s[LandClass::Vegetation].ndvi, s[LandClass::Soil].ndvi + 0.2);
    EXPECT_GT(s[LandClass::Soil].ndvi, s[LandClass::Water].ndvi + 0.2);
    for (LandClass k : {LandClass::Vegetation, LandClass::Soil, LandClass::Town, LandClass::WarmPatch}) {
        EXPECT_LT(s[LandClass::Water].nir, s[k].nir - 50) << "water is darkest in the near infrared";
        EXPECT_LT(s[LandClass::Water].thermal, s[k].thermal) << "water is coolest";
    }
    EXPECT_GT(s[LandClass::Town].thermal, s[LandClass::Soil].thermal);
    EXPECT_GT(s[LandClass::WarmPatch].thermal, s[LandClass::Town].thermal + 20);
}

TEST(LandscapeModel, EveryBandHasBothEndValuesAndASpreadHistogram) {
    for (int b = 0; b < 5; ++b) {
        std::vector<long> hist(256, 0);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                ++hist[band_value(Band(b), x, y, kWidth, kHeight)];
        const long total = long(kWidth) * kHeight;
        EXPECT_GT(hist[0], 0) << "band " << b;
        EXPECT_GT(hist[255], 0) << "band " << b;
        EXPECT_LT(hist[0] + hist[255], total / 50) << "band " << b << ": end values must stay rare";
        int distinct = 0;
        for (int v = 1; v < 255; ++v)
            distinct += hist[size_t(v)] > 0;
        EXPECT_GT(distinct, 80) << "band " << b;
    }
}

TEST(LandscapeModel, SixteenBitAndFloatValuesScaleBackToEightBits) {
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
            const int nir = band_value(Band::NearInfrared, x * 10, y * 10, kWidth, kHeight);
            // Reader arithmetic: v * (1/65535) * 255, truncated.
            const double v16 = band_value16(Band::NearInfrared, x * 10, y * 10, kWidth, kHeight);
            ASSERT_EQ(int(v16 * (1.0 / 65535) * 255), nir);
            const double f = psrb_value(1, x * 10, y * 10, kWidth, kHeight);
            ASSERT_EQ(int(std::fabs(f) * 0.000001 * 255), nir);
        }
}

TEST(LandscapeModel, LayoutScalesWithTheSceneSize) {
    std::map<LandClass, long> small;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            ++small[land_class(x, y, 160, 120)];
    EXPECT_EQ(small.size(), 5u) << "every class appears in a 160 x 120 scene";
    // The same normalised position has the same class at both sizes (away from edges).
    EXPECT_EQ(land_class(80, 30, 160, 120), land_class(400, 150, 800, 600));
    std::vector<uint8_t> row(kWidth);
    band_row(Band::Thermal, 77, kWidth, kHeight, row.data());
    for (int x = 0; x < kWidth; ++x)
        ASSERT_EQ(row[size_t(x)], band_value(Band::Thermal, x, 77, kWidth, kHeight));
}

// --- Other sizes ------------------------------------------------------------------------------------------

// Single-file writers at sizes with edge cases (one line: the strip offset sits in the TIFF entry itself;
// one column; odd widths), read back through the scene reader.
TEST(SampleWriters, OddSizesReadBackThroughTheSceneReader) {
    const fs::path dir = unique_dir("sizes");
    const std::pair<int, int> sizes[] = {{1, 1}, {7, 1}, {1, 6}, {801, 3}};
    for (const auto& [w, h] : sizes) {
        struct Written {
            std::string name;
            bool ok;
            Band band;
            int format;
        };
        std::string error;
        const std::string base = (dir / (std::to_string(w) + "x" + std::to_string(h))).string();
        const Written written[] = {
            {"native", write_native(base + ".vdm", w, h, 2, &error), Band::Blue, FMT_NATIVE},
            {"ceos8", write_ceos(base + ".c8", CeosKind::General, Band::Red, 8, w, h, &error), Band::Red,
             FMT_CEOS},
            {"ceos16", write_ceos(base + ".c16", CeosKind::General, Band::Thermal, 16, w, h, &error),
             Band::Thermal, FMT_CEOS},
            {"psrc", write_ceos(base + ".psrc", CeosKind::Psrc, Band::Green, 8, w, h, &error), Band::Green,
             FMT_CEOS_PSRC},
            {"tiff le", write_tiff_grey(base + "_le.tif", Band::NearInfrared, w, h, false, &error),
             Band::NearInfrared, FMT_TIFF},
            {"tiff be", write_tiff_rgb(base + "_be.tif", w, h, true, &error), Band::Red, FMT_TIFF},
        };
        const char* paths[] = {".vdm", ".c8", ".c16", ".psrc", "_le.tif", "_be.tif"};
        for (int i = 0; i < 6; ++i) {
            const Written& f = written[i];
            SCOPED_TRACE(f.name + " " + std::to_string(w) + "x" + std::to_string(h));
            ASSERT_TRUE(f.ok) << error;
            SceneFile scene;
            std::memset(&scene, 0, sizeof scene);
            ASSERT_EQ(remos_open(&scene, (base + paths[i]).c_str(), FMT_DETECT), REMOS_OK);
            EXPECT_EQ(scene.format, f.format);
            EXPECT_EQ(scene.width, w);
            EXPECT_EQ(int(scene.height), h);
            std::vector<unsigned char> row(static_cast<size_t>(w));
            for (int y = 0; y < h; ++y) {
                ASSERT_EQ(remos_read_row(&scene.bands[0], row.data(), y, 0, w), 1);
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(row[size_t(x)], band_value(f.band, x, y, w, h)) << x << "," << y;
            }
            remos_close(&scene);
        }
    }
    fs::remove_all(dir);
}

// --- Failures -------------------------------------------------------------------------------------------

TEST(SampleWriters, RefuseUnwritablePathsAndImpossibleSizes) {
    const fs::path dir = unique_dir("fail");
    fs::create_directories(dir);
    { std::ofstream(dir / "plain_file") << "x"; }
    std::string error;
    EXPECT_FALSE(write_sample_scenes((dir / "plain_file").string(), &error));
    EXPECT_FALSE(error.empty());
    struct Case {
        const char* what;
        bool ok;
    };
    const Case cases[] = {
        {"native too wide", write_native((dir / "a.vdm").string(), 70000, 10, 1, &error)},
        {"native no bands", write_native((dir / "b.vdm").string(), 10, 10, 0, &error)},
        {"ceos 12 bits", write_ceos((dir / "c").string(), CeosKind::General, Band::Red, 12, 10, 10, &error)},
        {"ceos record too long",
         write_ceos((dir / "d").string(), CeosKind::Psrb, Band::Red, 32, 200000, 2, &error)},
        {"tiff zero height", write_tiff_grey((dir / "e.tif").string(), Band::Red, 10, 0, false, &error)},
        {"bmp negative width", write_bmp((dir / "f.bmp").string(), -3, 10, &error)},
        {"jpeg too big", write_jpeg((dir / "g.jpg").string(), 70000, 10, 90, &error)},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(c.ok) << c.what;
    // Nothing half-written stays behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    fs::remove_all(dir);
}

// --- Read back through the scene reader -----------------------------------------------------------------

int expected_format(Container c) {
    switch (c) {
        case Container::Native:
            return FMT_NATIVE;
        case Container::Ceos:
            return FMT_CEOS;
        case Container::CeosPsrc:
            return FMT_CEOS_PSRC;
        case Container::CeosPsrb:
            return FMT_CEOS_PSRB;
        case Container::Tiff:
            return FMT_TIFF;
        default:
            return FMT_UNKNOWN;
    }
}

TEST_F(SampleSet, EverySceneFileReadsBackAsTheModel) {
    int count = 0;
    const SampleFile* files = sample_files(&count);
    int scenes = 0;
    std::vector<unsigned char> row(kWidth);
    for (int i = 0; i < count; ++i) {
        const SampleFile& f = files[i];
        if (f.container == Container::Bmp || f.container == Container::Jpeg) continue;
        ++scenes;
        SCOPED_TRACE(f.path);
        SceneFile scene;
        std::memset(&scene, 0, sizeof scene);
        ASSERT_EQ(remos_open(&scene, path(f.path).c_str(), FMT_DETECT), REMOS_OK);
        EXPECT_EQ(scene.format, expected_format(f.container));
        ASSERT_EQ(int(scene.band_count), f.band_count);
        EXPECT_EQ(scene.width, kWidth);
        EXPECT_EQ(int(scene.height), kHeight);
        for (int k = 0; k < f.band_count; ++k) {
            BandInfo* band = &scene.bands[k];
            int mismatches = 0;
            for (int y = 0; y < kHeight; ++y) {
                std::fill(row.begin(), row.end(), 0);
                ASSERT_EQ(remos_read_row(band, row.data(), y, 0, kWidth), 1);
                for (int x = 0; x < kWidth; ++x)
                    if (row[size_t(x)] != expected_8bit(f, k, x, y) && ++mismatches <= 3)
                        ADD_FAILURE() << "band " << k << " at " << x << "," << y << ": read "
                                      << int(row[size_t(x)]) << ", model " << expected_8bit(f, k, x, y);
            }
            EXPECT_EQ(mismatches, 0) << "band " << k;
            // Raw samples: 16-bit values and truncated floats as stored; a stored row holds them whole.
            const int x = 321, y = 456;
            const double raw = remos_read_sample(band, int64_t(y) * kWidth + x);
            std::vector<unsigned char> stored(size_t(kWidth) * 8);
            ASSERT_EQ(remos_read_row_stored(band, stored.data(), y, x, 2), 2);
            double whole = 0;
            if (f.encoding == Encoding::Value16) {
                EXPECT_EQ(band->sample_type, REMOS_SAMPLE_U16);
                EXPECT_EQ(raw, band_value16(f.bands[k], x, y, kWidth, kHeight));
                uint16_t v[2];
                std::memcpy(v, stored.data(), sizeof v);
                whole = v[0];
                EXPECT_EQ(v[1], band_value16(f.bands[k], x + 1, y, kWidth, kHeight));
            } else if (f.encoding == Encoding::Psrb) {
                EXPECT_EQ(band->sample_type, REMOS_SAMPLE_F32);
                EXPECT_EQ(raw, std::trunc(double(psrb_value(k, x, y, kWidth, kHeight))));
                float v[2];
                std::memcpy(v, stored.data(), sizeof v);
                EXPECT_EQ(v[0], psrb_value(k, x, y, kWidth, kHeight));
                whole = std::trunc(double(v[0]));
            } else {
                EXPECT_EQ(band->sample_type, REMOS_SAMPLE_U8);
                EXPECT_EQ(raw, band_value(f.bands[k], x, y, kWidth, kHeight));
                whole = stored[0];
            }
            EXPECT_EQ(whole, raw);
        }
        remos_close(&scene);
    }
    EXPECT_EQ(scenes, count - 2);
}

}  // namespace
