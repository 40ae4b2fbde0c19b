// Bands of different pixel sizes opened together: the grid is the first file's area at the finest pixel
// size, every band reads on it as GDAL's nearest-neighbour warp onto that grid gives it (byte for byte, in
// the same and in another coordinate system), histograms count each band's own pixels, and a band that
// cannot be placed is refused by name while the others open.
#include <gtest/gtest.h>

#include <gdal.h>

#include <QCoreApplication>

#include <numeric>
#include <vector>

#include "document/Document.h"
#include "scene/scene_grid.h"
#include "tests/support/document_opening.h"
#include "tests/unit/gdal_test_files.h"
#include "tests/unit/remos_test_files.h"

using namespace orvenna;

namespace {

// Every stored sample of band 1 of a file GDAL reads, as doubles, in line order.
std::vector<double> gdal_values(const std::string& path, int* width, int* height) {
    GDALAllRegister();
    GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
    std::vector<double> values;
    if (!ds) return values;
    *width = GDALGetRasterXSize(ds);
    *height = GDALGetRasterYSize(ds);
    values.resize(static_cast<size_t>(*width) * *height);
    if (GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Read, 0, 0, *width, *height, values.data(), *width, *height,
                     GDT_Float64, 0, 0) != CE_None)
        values.clear();
    GDALClose(ds);
    return values;
}

// Every sample of a listed band on the grid, as the viewer reads it (stored samples, line by line).
std::vector<double> grid_values(const DocumentBand& band) {
    BandInfo* b = band.info;
    const int S = remos_sample_size(b->sample_type);
    std::vector<unsigned char> line(static_cast<size_t>(b->width) * S);
    std::vector<double> values;
    for (int y = 0; y < b->lines; ++y) {
        remos_read_row_stored(b, line.data(), y, 0, b->width);
        for (int x = 0; x < b->width; ++x) {
            const unsigned char* p = line.data() + static_cast<size_t>(x) * S;
            values.push_back(S == 1 ? double(p[0]) : double(*reinterpret_cast<const uint16_t*>(p)));
        }
    }
    return values;
}

}  // namespace

TEST(GridOpenings, BandsOfOtherPixelSizesReadOnTheFinestGridAsGdalwarpNear) {
    remos_test::TempDir dir;
    const std::string src = gdal_test::write_envi(
        dir.file("src"), 60, 45, 1, [](int, int x, int y) { return 100 + (x * 37 + y * 101) % 900; });
    using gdal_test::translate;
    // 10 m and 20 m bands of one area (UTM 53), a 5 m pan band of a Byte type, a 20 m band shifted by 7 m
    // with no-data, the same area in the next UTM zone, and a band far away.
    const std::string a10 = dir.file("a_10m.tif"), b20 = dir.file("b_20m.tif"), pan = dir.file("c_pan.tif"),
                      shifted = dir.file("d_shift.tif"), zone = dir.file("e_zone54.tif"),
                      far = dir.file("f_far.tif");
    ASSERT_TRUE(translate(
        src, a10,
        "-ot UInt16 -outsize 120 90 -r near -a_srs EPSG:32653 -a_ullr 500000 4000000 501200 3999100"));
    ASSERT_TRUE(translate(src, b20, "-ot UInt16 -a_srs EPSG:32653 -a_ullr 500000 4000000 501200 3999100"));
    ASSERT_TRUE(translate(src, pan,
                          "-ot Byte -scale 100 1000 0 255 -outsize 240 180 -a_srs EPSG:32653 -a_ullr 500000 "
                          "4000000 501200 3999100"));
    ASSERT_TRUE(translate(src, shifted,
                          "-ot UInt16 -a_nodata 0 -a_srs EPSG:32653 -a_ullr 500007 3999993 501207 3999093"));
    bool warped = false;
    gdal_test::shell("gdalwarp -q -r near -t_srs EPSG:32654 -tr 20 20 " + gdal_test::quoted(b20) + " " +
                         gdal_test::quoted(zone),
                     &warped);
    ASSERT_TRUE(warped);
    ASSERT_TRUE(translate(src, far, "-ot UInt16 -a_srs EPSG:32653 -a_ullr 600000 4000000 601200 3999100"));

    Document document;
    const std::vector<OpeningRefusal> refusals =
        doctest::OpenInto(document, {zone, far, shifted, pan, b20, a10});
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(FileNameOf(refusals[0].path), "f_far.tif");
    EXPECT_EQ(refusals[0].kind, OpeningRefusal::Kind::NotOnGrid);
    EXPECT_NE(refusals[0].words().find("範囲が格子と重なりません"), std::string::npos) << refusals[0].words();
    // The 5 m grid over the first file's area (a_10m.tif).
    ASSERT_EQ(document.bandCount(), 5);
    EXPECT_EQ(document.width(), 240);
    EXPECT_EQ(document.height(), 180);

    const char* const te = " -te 500000 3999100 501200 4000000 -ts 240 180 -t_srs EPSG:32653 ";
    struct Expected {
        const char* name;
        const char* ownSize;  // the row's own pixel size; "" when the band is on the grid's
        int ownPixels;        // what its histogram counts
    } expected[] = {{"a_10m.tif", "10 m", 120 * 90},
                    {"b_20m.tif", "20 m", 60 * 45},
                    {"c_pan.tif", "", 240 * 180},
                    {"d_shift.tif", "20 m", 60 * 45},
                    {"e_zone54.tif", "", 0}};
    for (int i = 0; i < document.bandCount(); ++i) {
        const DocumentBand& band = document.band(i);
        const Expected& e = expected[i];
        SCOPED_TRACE(e.name);
        ASSERT_EQ(band.fileName, e.name);
        const std::string reference = dir.file(std::string("ref_") + e.name);
        bool ok = false;
        gdal_test::shell(std::string("gdalwarp -q -r near") + te + gdal_test::quoted(dir.file(e.name)) + " " +
                             gdal_test::quoted(reference),
                         &ok);
        ASSERT_TRUE(ok);
        int w = 0, h = 0;
        const std::vector<double> want = gdal_values(reference, &w, &h);
        ASSERT_EQ(w, 240);
        EXPECT_EQ(grid_values(band), want);
        // A reduced run at a step the band's own pixels divide gives the grid's samples at those places.
        std::vector<uint64_t> reduced(60);
        ASSERT_EQ(remos_read_row_stored_reduced(band.info, reduced.data(), 100, 0, 60, 4), 60);
        for (int i = 0; i < 60; ++i) {
            const auto* p = reinterpret_cast<const unsigned char*>(reduced.data());
            const double got =
                band.info->sample_type == REMOS_SAMPLE_U8 ? p[i] : reinterpret_cast<const uint16_t*>(p)[i];
            ASSERT_EQ(got, want[100 * 240 + static_cast<size_t>(i) * 4]) << i;
        }
        // The readout's samples agree with the rows.
        for (const auto& p : {std::pair<int, int>{0, 0}, {239, 179}, {77, 131}, {5, 178}})
            EXPECT_EQ(remos_read_sample(band.info, int64_t(p.second) * 240 + p.first),
                      want[static_cast<size_t>(p.second) * 240 + p.first]);
        if (std::string(e.name) == "e_zone54.tif") {
            // Warped from another coordinate system: its own pixel size is the zone's.
            EXPECT_NE(scene_own_pixel_size(band.scene->get()), "");
            continue;
        }
        EXPECT_EQ(scene_own_pixel_size(band.scene->get()), e.ownSize);
        // The histogram counts the band's own pixels .
        const long long counted =
            std::accumulate(std::begin(band.info->histogram), std::end(band.info->histogram), 0LL);
        EXPECT_EQ(counted, e.ownPixels);
    }
    // The grid's georeferencing: the centre of the first grid pixel.
    double lat = 0, lon = 0;
    ASSERT_TRUE(document.geoAt(0, 0, &lat, &lon));
    int x = -1, y = -1;
    ASSERT_TRUE(document.pixelAt(lat, lon, &x, &y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    // Without georeferencing, a band covers the grid's area by a whole factor; another size is refused.
    const std::string plain = dir.file("g_plain.tif"), half = dir.file("h_half.tif"),
                      odd = dir.file("i_odd.tif");
    ASSERT_TRUE(translate(src, plain, "-ot UInt16 -outsize 120 90"));
    ASSERT_TRUE(translate(src, half, "-ot UInt16"));
    ASSERT_TRUE(translate(src, odd, "-ot UInt16 -outsize 50 45"));
    Document ungeoreferenced;
    const std::vector<OpeningRefusal> refused = doctest::OpenInto(ungeoreferenced, {plain, half, odd});
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(FileNameOf(refused[0].path), "i_odd.tif");
    ASSERT_EQ(ungeoreferenced.bandCount(), 2);
    int hw = 0, hh = 0;
    const std::vector<double> own = gdal_values(half, &hw, &hh);
    const std::vector<double> onGrid = grid_values(ungeoreferenced.band(1));
    ASSERT_EQ(onGrid.size(), 120u * 90u);
    for (int gy = 0; gy < 90; gy += 7)
        for (int gx = 0; gx < 120; gx += 3)
            ASSERT_EQ(onGrid[static_cast<size_t>(gy) * 120 + gx],
                      own[static_cast<size_t>(gy / 2) * 60 + gx / 2]);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
