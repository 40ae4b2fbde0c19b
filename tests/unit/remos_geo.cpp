// The scene file's own georeferencing: pixel centres to WGS 84 and back, checked against gdaltransform on
// the real Landsat clips and on files written here in other CRSs (Web Mercator, polar stereographic,
// geographic, a rotated transform, GML in JPEG 2000, a world file with its .prj).
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "scene/remos.h"
#include "tests/unit/gdal_test_files.h"
#include "tests/unit/remos_test_files.h"
#include "tools/samples/sample_scenes.h"

using namespace gdal_test;
using remos_test::TempDir;

namespace {

constexpr int kW = 40, kH = 30;

struct Scene {
    SceneFile scene;
    int result;
    explicit Scene(const std::string& path) { result = remos_open(&scene, path.c_str(), FMT_DETECT); }
    ~Scene() {
        if (result != 0) remos_close(&scene);
    }
};

std::string source(const TempDir& dir) {
    return write_envi(dir.file("src"), kW, kH, 1, [](int, int x, int y) { return 10.0 + x + 3 * y; });
}

// Compares every conversion of the scene with gdaltransform's answers about `truth_file` (the scene's own
// file, or a twin carrying the same georeferencing in GeoTIFF keys).
void expect_matches_gdaltransform(const std::string& path, const std::string& truth_file,
                                  const std::string& what) {
    Scene s(path);
    ASSERT_EQ(s.result, 1) << what << ": " << remos_open_reason(&s.scene);
    ASSERT_EQ(remos_is_georeferenced(&s.scene), 1) << what;
    const int w = s.scene.width, h = static_cast<int>(s.scene.height);
    const std::vector<Pixel> pixels = {{0, 0},         {w - 1, 0},     {0, h - 1},
                                       {w - 1, h - 1}, {w / 2, h / 3}, {7, h - 2}};
    std::vector<std::pair<double, double>> centres;
    for (const Pixel& p : pixels)
        centres.push_back({p.x + 0.5, p.y + 0.5});
    const std::vector<LonLat> truth = to_wgs84(truth_file, centres);
    ASSERT_EQ(truth.size(), pixels.size()) << what;
    for (size_t i = 0; i < pixels.size(); ++i) {
        double lat = NAN, lon = NAN;
        ASSERT_EQ(remos_pixel_to_geo(&s.scene, pixels[i].x, pixels[i].y, &lat, &lon), 1) << what;
        // Equal to far more than the 4 decimals the window shows.
        EXPECT_NEAR(lat, truth[i].lat, 1e-9) << what << " pixel " << pixels[i].x << "," << pixels[i].y;
        EXPECT_NEAR(lon, truth[i].lon, 1e-9) << what << " pixel " << pixels[i].x << "," << pixels[i].y;
        int x = -1, y = -1;
        ASSERT_EQ(remos_geo_to_pixel_exact(&s.scene, lat, lon, &x, &y), 1) << what;
        EXPECT_EQ(x, pixels[i].x) << what;
        EXPECT_EQ(y, pixels[i].y) << what;
    }
    // Positions near pixel corners and outside the image: the pixel is the floor of gdaltransform's inverse.
    const std::vector<std::pair<double, double>> spots = {{0.02, 0.97}, {w - 0.03, 0.01},   {12.99, 5.02},
                                                          {-3.4, 2.5},  {w + 2.5, h + 4.2}, {3.5, -1.5}};
    const std::vector<LonLat> at = to_wgs84(truth_file, spots);
    const std::vector<std::pair<double, double>> back = from_wgs84(truth_file, at);
    ASSERT_EQ(back.size(), spots.size()) << what;
    for (size_t i = 0; i < spots.size(); ++i) {
        int x = 0, y = 0;
        ASSERT_EQ(remos_geo_to_pixel_exact(&s.scene, at[i].lat, at[i].lon, &x, &y), 1) << what;
        EXPECT_EQ(x, static_cast<int>(std::floor(back[i].first))) << what << " spot " << i;
        EXPECT_EQ(y, static_cast<int>(std::floor(back[i].second))) << what << " spot " << i;
    }
}

TEST(RemosGeo, RealLandsatClipsGiveGdaltransformsCoordinates) {
    for (const char* name : {"LC08_L1TP_195025_20130707_20170503_01_T1_B10.TIF",
                             "LE07_L1TP_195025_20010730_20170204_01_T1_B6_VCID_1.TIF"}) {
        const std::string path = std::string(ORVENNA_SOURCE_DIR "/tests/data/landsat/") + name;
        expect_matches_gdaltransform(path, path, name);
    }
}

TEST(RemosGeo, WrittenFilesInOtherCoordinateSystems) {
    TempDir dir;
    const std::string src = source(dir);
    struct Case {
        const char* name;
        const char* options;
    } cases[] = {
        {"web_mercator.tif",
         "-a_srs EPSG:3857 -a_ullr 15540000 4260000 15560000 4245000 -co COMPRESS=DEFLATE"},
        {"antarctic_polar.tif", "-a_srs EPSG:3031 -a_ullr -250000 1200000 -150000 1125000"},
        {"arctic_polar.tif", "-a_srs EPSG:3413 -a_ullr 300000 -2000000 340000 -2030000 -co TILED=YES"},
        {"geographic.tif", "-a_srs EPSG:4326 -a_ullr 139.5 36.2 139.9 35.9"},
        {"southern_utm.tif", "-a_srs EPSG:32755 -a_ullr 300000 6100000 301200 6099100"},
        {"gml.jp2",
         "-of JP2OpenJPEG -ot UInt16 -a_srs EPSG:32654 -a_ullr 400000 3990000 401200 3989100 -co QUALITY=100 "
         "-co REVERSIBLE=YES"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(translate(src, path, c.options)) << c.name;
        expect_matches_gdaltransform(path, path, c.name);
    }
    // A transform with rotation, given by a VRT around the source.
    {
        std::ofstream vrt(dir.file("rotated.vrt"));
        vrt << "<VRTDataset rasterXSize=\"" << kW << "\" rasterYSize=\"" << kH << "\">\n"
            << " <SRS>EPSG:32633</SRS>\n"
            << " <GeoTransform>500000, 28, 9, 5600000, 7, -29</GeoTransform>\n"
            << " <VRTRasterBand dataType=\"Float64\" band=\"1\"><SimpleSource><SourceFilename "
               "relativeToVRT=\"1\">"
            << "src.raw</SourceFilename><SourceBand>1</SourceBand></SimpleSource></VRTRasterBand>\n"
            << "</VRTDataset>\n";
    }
    expect_matches_gdaltransform(dir.file("rotated.vrt"), dir.file("rotated.vrt"), "rotated.vrt");
}

// A world file with its .prj beside a plain TIFF: the coordinates equal those of a GeoTIFF twin carrying the
// same CRS and transform in its keys. The uncompressed 8-bit one-line-per-strip file is read by the
// built-in TIFF reader and still gets the georeferencing; the compressed one opens through GDAL.
TEST(RemosGeo, WorldFileWithPrjBesideTheImage) {
    TempDir dir;
    const std::string src = source(dir);
    const double ulx = 380000, uly = 3990000, px = 30, py = -30;
    const std::string twin = dir.file("twin.tif");
    ASSERT_TRUE(translate(src, twin,
                          "-ot Byte -a_srs EPSG:32654 -a_ullr " + std::to_string(ulx) + " " +
                              std::to_string(uly) + " " + std::to_string(ulx + px * kW) + " " +
                              std::to_string(uly + py * kH)));
    const std::string esri_wkt = shell("gdalsrsinfo -o wkt_esri EPSG:32654");
    ASSERT_FALSE(esri_wkt.empty());
    struct Case {
        const char* base;
        const char* options;
        const char* world_ext;
        const char* prj_ext;
        int format;
    } cases[] = {
        {"builtin", "-ot Byte -co BLOCKYSIZE=1", "tfw", "prj", FMT_TIFF},
        {"deflate", "-ot Byte -co COMPRESS=DEFLATE", "tfw", "PRJ", FMT_GDAL},
        {"picture", "-of PNG -ot Byte", "pgw", "prj", FMT_GDAL},
    };
    for (const Case& c : cases) {
        const std::string image =
            dir.file(std::string(c.base) + (std::string(c.world_ext) == "pgw" ? ".png" : ".tif"));
        ASSERT_TRUE(translate(src, image, c.options)) << c.base;
        {
            // Six lines: pixel sizes, rotations and the centre of the upper-left pixel.
            std::ofstream world(dir.file(std::string(c.base) + "." + c.world_ext));
            world.precision(12);
            world << px << "\n0\n0\n" << py << "\n" << ulx + px / 2 << "\n" << uly + py / 2 << "\n";
        }
        Scene plain(image);
        ASSERT_EQ(plain.result, 1) << c.base;
        EXPECT_EQ(plain.scene.format, c.format) << c.base;
        // Without its .prj the world file alone names no coordinate system.
        EXPECT_EQ(remos_is_georeferenced(&plain.scene), 0) << c.base;
        std::ofstream(dir.file(std::string(c.base) + "." + c.prj_ext)) << esri_wkt;
        expect_matches_gdaltransform(image, twin, c.base);
    }
}

TEST(RemosGeo, ScenesWithoutTheirOwnGeoreferencingSayNo) {
    TempDir dir;
    const std::string src = source(dir);
    ASSERT_TRUE(translate(src, dir.file("plain.tif"), "-ot UInt16 -co COMPRESS=LZW"));
    std::string error;
    ASSERT_TRUE(samples::write_native(dir.file("n.vdm"), 20, 10, 1, &error));
    ASSERT_TRUE(samples::write_ceos(dir.file("c"), samples::CeosKind::General, samples::Band::Red, 8, 20, 10,
                                    &error));
    for (const std::string& path : {dir.file("plain.tif"), dir.file("n.vdm"), dir.file("c")}) {
        Scene s(path);
        ASSERT_EQ(s.result, 1) << path;
        EXPECT_EQ(remos_is_georeferenced(&s.scene), 0) << path;
        double lat = 1, lon = 2;
        int x = 3, y = 4;
        EXPECT_EQ(remos_pixel_to_geo(&s.scene, 0, 0, &lat, &lon), 0) << path;
        EXPECT_EQ(remos_geo_to_pixel_exact(&s.scene, 35.0, 139.0, &x, &y), 0) << path;
        EXPECT_EQ(lat, 1);
        EXPECT_EQ(x, 3);
    }
    EXPECT_EQ(remos_pixel_to_geo(nullptr, 0, 0, nullptr, nullptr), 0);
    // Positions that cannot be transformed (latitudes beyond the poles, no numbers) give 0.
    Scene landsat(ORVENNA_SOURCE_DIR "/tests/data/landsat/LC08_L1TP_195025_20130707_20170503_01_T1_B4.TIF");
    ASSERT_EQ(landsat.result, 1);
    int x = 0, y = 0;
    EXPECT_EQ(remos_geo_to_pixel_exact(&landsat.scene, 95.0, 8.0, &x, &y), 0);
    EXPECT_EQ(remos_geo_to_pixel_exact(&landsat.scene, -91.0, 8.0, &x, &y), 0);
    EXPECT_EQ(remos_geo_to_pixel_exact(&landsat.scene, NAN, 8.0, &x, &y), 0);
    EXPECT_EQ(remos_geo_to_pixel_exact(&landsat.scene, 50.8, INFINITY, &x, &y), 0);
}

}  // namespace
