// Landsat metadata texts: the real *_MTL.txt of the Landsat 7 and 8 clips, the old *.met keys, and which
// metadata files are found beside a scene.
#include "scene/landsat_metadata.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scene/econf.h"
#include "scene/metadata_files.h"
#include "tests/unit/remos_test_files.h"

using remos_test::TempDir;

namespace {

LandsatMetadata read_file(const std::string& path) {
    ConfFile conf{};
    EXPECT_EQ(econf_open(&conf, path.c_str()), 1) << path;
    EXPECT_EQ(econf_read(&conf), 1) << path;
    LandsatMetadata m = read_landsat_metadata(&conf);
    econf_close(&conf);
    return m;
}

struct Expected {
    const char* spacecraft;
    bool corners;
    LandsatCorners c;
    bool band61;
    double lmax, lmin;
    LandsatThermalBand band10, band11;
};

void expect_metadata(const LandsatMetadata& m, const Expected& e, const std::string& what) {
    EXPECT_EQ(m.spacecraft, e.spacecraft) << what;
    ASSERT_EQ(m.has_corners, e.corners) << what;
    const double got[8] = {m.corners.ul_lat, m.corners.ul_lon, m.corners.ur_lat, m.corners.ur_lon,
                           m.corners.ll_lat, m.corners.ll_lon, m.corners.lr_lat, m.corners.lr_lon};
    const double want[8] = {e.c.ul_lat, e.c.ul_lon, e.c.ur_lat, e.c.ur_lon,
                            e.c.ll_lat, e.c.ll_lon, e.c.lr_lat, e.c.lr_lon};
    for (int i = 0; i < 8; ++i)
        EXPECT_DOUBLE_EQ(got[i], want[i]) << what << " corner value " << i;
    ASSERT_EQ(m.has_band61, e.band61) << what;
    EXPECT_DOUBLE_EQ(m.lmax_band61, e.lmax) << what;
    EXPECT_DOUBLE_EQ(m.lmin_band61, e.lmin) << what;
    const LandsatThermalBand* got_t[2] = {&m.band10, &m.band11};
    const LandsatThermalBand* want_t[2] = {&e.band10, &e.band11};
    for (int b = 0; b < 2; ++b) {
        ASSERT_EQ(got_t[b]->valid, want_t[b]->valid) << what << " band " << 10 + b;
        EXPECT_DOUBLE_EQ(got_t[b]->radiance_mult, want_t[b]->radiance_mult) << what;
        EXPECT_DOUBLE_EQ(got_t[b]->radiance_add, want_t[b]->radiance_add) << what;
        EXPECT_DOUBLE_EQ(got_t[b]->k1, want_t[b]->k1) << what;
        EXPECT_DOUBLE_EQ(got_t[b]->k2, want_t[b]->k2) << what;
    }
}

TEST(LandsatMetadata, RealMtlFilesOfTheClips) {
    const std::string dir = ORVENNA_SOURCE_DIR "/tests/data/landsat/";
    expect_metadata(read_file(dir + "LE07_L1TP_195025_20010730_20170204_01_T1_MTL.txt"),
                    {"LANDSAT_7",
                     true,
                     {51.26868, 7.28558, 51.26807, 10.75597, 49.27295, 7.35580, 49.27238, 10.68405},
                     true,
                     17.040,
                     0.000,
                     {},
                     {}},
                    "Landsat 7");
    expect_metadata(read_file(dir + "LC08_L1TP_195025_20130707_20170503_01_T1_MTL.txt"),
                    {"LANDSAT_8",
                     true,
                     {51.34342, 7.42064, 51.34001, 10.81471, 49.18843, 7.49036, 49.18527, 10.73461},
                     false,
                     0,
                     0,
                     {true, 3.3420E-04, 0.10000, 774.8853, 1321.0789},
                     {true, 3.3420E-04, 0.10000, 480.8883, 1201.1442}},
                    "Landsat 8");
}

TEST(LandsatMetadata, OldKeysMissingKeysAndPrecedence) {
    TempDir dir;
    struct Case {
        const char* name;
        const char* text;
        Expected expected;
    } cases[] = {
        {"old met",
         "GROUP = L1_METADATA_FILE\n  SPACECRAFT_ID = \"Landsat7\"\n"
         "  PRODUCT_UL_CORNER_LAT = -35.07\n  PRODUCT_UL_CORNER_LON = 144.87\n"
         "  PRODUCT_UR_CORNER_LAT = -35.08\n  PRODUCT_UR_CORNER_LON = 147.59\n"
         "  PRODUCT_LL_CORNER_LAT = -37.0\n  PRODUCT_LL_CORNER_LON = 144.86\n"
         "  PRODUCT_LR_CORNER_LAT = -37.01\n  PRODUCT_LR_CORNER_LON = 147.58\n"
         "  LMAX_BAND61 = 17.040\n  LMIN_BAND61 = 0.000\nEND_GROUP = L1_METADATA_FILE\nEND\n",
         {"Landsat7",
          true,
          {-35.07, 144.87, -35.08, 147.59, -37.0, 144.86, -37.01, 147.58},
          true,
          17.04,
          0,
          {},
          {}}},
        {"old LMAX before new",
         "LMAX_BAND61 = 12.65\nLMIN_BAND61 = 3.2\nRADIANCE_MAXIMUM_BAND_6_VCID_1 = 17.04\n"
         "RADIANCE_MINIMUM_BAND_6_VCID_1 = 0.0\n",
         {"", false, {}, true, 12.65, 3.2, {}, {}}},
        {"new corners before old",
         "PRODUCT_UL_CORNER_LAT = 1\nCORNER_UL_LAT_PRODUCT = 2\nCORNER_UL_LON_PRODUCT = 3\n",
         {"", true, {2, 3, 0, 0, 0, 0, 0, 0}, false, 0, 0, {}, {}}},
        {"band 10 without K2, band 11 whole",
         "RADIANCE_MULT_BAND_10 = 3.342E-04\nRADIANCE_ADD_BAND_10 = 0.1\nK1_CONSTANT_BAND_10 = 774.8853\n"
         "RADIANCE_MULT_BAND_11 = 3.342E-04\nRADIANCE_ADD_BAND_11 = 0.1\nK1_CONSTANT_BAND_11 = 480.8883\n"
         "K2_CONSTANT_BAND_11 = 1201.1442\nSPACECRAFT_ID = LANDSAT_9\n",
         {"LANDSAT_9", false, {}, false, 0, 0, {}, {true, 3.342E-04, 0.1, 480.8883, 1201.1442}}},
        {"nothing of Landsat",
         "Img_ImageSceneLeftTopLatitude = 35.9\n",
         {"", false, {}, false, 0, 0, {}, {}}},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("meta.txt");
        std::ofstream(path) << c.text;
        expect_metadata(read_file(path), c.expected, c.name);
    }
}

TEST(SceneMetadataFiles, MetAndMtlInNameOrderSummaryBeside) {
    struct Case {
        std::vector<std::string> files;
        std::vector<std::string> folders;
        const char* summary;
        const char* landsat;
    } cases[] = {
        {{"a.met", "B_MTL.txt", "LC08_X_MTL.TXT"}, {"0_MTL.txt"}, "", "a.met"},
        {{"z_mtl.txt", "LC08_X_MTL.TXT", "L7.MET"}, {}, "", "L7.MET"},
        {{"z_mtl.txt", "LC08_X_MTL.TXT"}, {}, "", "LC08_X_MTL.TXT"},
        {{"MTL.txt", "x_MTL.txt.bak", "mtl_x.txt"}, {}, "", ""},
        {{"summary.txt", "LE07_MTL.txt"}, {}, "summary.txt", "LE07_MTL.txt"},
        {{"SUMMARY.TXT", "image.tif"}, {"a.met"}, "SUMMARY.TXT", ""},
    };
    for (const Case& c : cases) {
        TempDir dir;
        for (const std::string& f : c.files)
            std::ofstream(dir.file(f)) << "X = 1\n";
        for (const std::string& f : c.folders)
            std::filesystem::create_directory(dir.file(f));
        const std::string base = dir.path().string() + "/";
        const SceneMetadataFiles found = find_scene_metadata_files(base);
        const std::string summary = c.summary, landsat = c.landsat;
        EXPECT_EQ(found.summary, summary.empty() ? "" : base + summary) << c.files[0];
        EXPECT_EQ(found.landsat, landsat.empty() ? "" : base + landsat) << c.files[0];
    }
}

}  // namespace
