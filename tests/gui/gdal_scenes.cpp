// Files opened through GDAL in the window: stored values in the pixel window and the pan overlay (negative,
// fractional, "NoData"), the file's own georeferencing before corner metadata (status panel, readout,
// synchronisation by latitude and longitude), the refusal box's reason, and a block that cannot be decoded
// reported once in status panel 0.
#include <QCheckBox>
#include <QStringList>

#include <gdal.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "WideBandTestSupport.h"
#include "app/SyncController.h"
#include "platform/Prompts.h"
#include "tests/unit/gdal_test_files.h"

namespace {

using Box = ScriptedPrompts::Box;

class GdalSceneTest : public guitest::MainWindowTest {
protected:
    std::string writeFile(const std::string& name, const std::string& bytes) {
        const std::string path = dir.file(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
};

// A 16 x 8 UTM zone 32N clip of 30 m pixels (the real Landsat clips' place), with "summary.txt" corners of
// somewhere else beside it.
const char* const kUtmOptions = "-a_srs EPSG:32632 -a_ullr 483285 5628525 483765 5628285";
const char* const kFarAwaySummary =
    "Img_ImageSceneLeftTopLatitude = 35.5\nImg_ImageSceneLeftTopLongitude = 139.25\n"
    "Img_ImageSceneRightTopLatitude = 35.5\nImg_ImageSceneRightTopLongitude = 140.0\n"
    "Img_ImageSceneLeftBottomLatitude = 35.0\nImg_ImageSceneLeftBottomLongitude = 139.25\n"
    "Img_ImageSceneRightBottomLatitude = 35.0\nImg_ImageSceneRightBottomLongitude = 140.0\n";

}  // namespace

TEST_F(GdalSceneTest, ReadoutShowsStoredValuesAndNoData) {
    const int w = 16, h = 8;
    const std::string ints = dir.file("a_ints.tif"), floats = dir.file("b_floats.tif");
    // a: x - 10 y, no-data -9999 at (3, 2); b: (x - 8) / 16 + 100 y, 0.0123456 at (15, 7).
    ASSERT_TRUE(widetest::writeGeoTiff(
        dir, ints, "Int16", w, h, [](int x, int y) { return x == 3 && y == 2 ? -9999 : x - 10 * y; },
        "-a_nodata -9999"));
    ASSERT_TRUE(widetest::writeGeoTiff(dir, floats, "Float32", w, h, [](int x, int y) {
        return x == 15 && y == 7 ? 0.0123456 : (x - 8) / 16.0 + 100 * y;
    }));
    // b's values are in kelvin, as its file says; the readout names the unit after each value.
    GDALAllRegister();
    GDALDatasetH edited = GDALOpen(floats.c_str(), GA_Update);
    ASSERT_NE(edited, nullptr);
    ASSERT_EQ(GDALSetRasterUnitType(GDALGetRasterBand(edited, 1), "K"), CE_None);
    GDALClose(edited);
    window->openNow({ints, floats});
    ASSERT_EQ(document().bandCount(), 2);
    EXPECT_TRUE(prompts.boxes.empty());
    struct Case {
        int x, y;
        const char *a, *b;
    } cases[] = {
        {0, 0, "0", "-0.5 K"},          {1, 0, "1", "-0.4375 K"},   {0, 1, "-10", "99.5 K"},
        {3, 2, "NoData", "199.6875 K"}, {15, 7, "-55", "0.0123 K"}, {9, 7, "-61", "700.0625 K"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(window->pixelValueText(c.x, c.y),
                  QStringLiteral("X, Y : %1, %2\na : %3\nb : %4\n").arg(c.x).arg(c.y).arg(c.a, c.b));
        const QStringList lines = window->panOverlayLines(c.x, c.y);
        ASSERT_EQ(lines.size(), 4);
        EXPECT_EQ(lines[2], QStringLiteral("a : ") + c.a);
        EXPECT_EQ(lines[3], QStringLiteral("b : ") + c.b);
    }
}

// The file's georeferencing gives the place of every pixel exactly, as gdaltransform does, though corners of
// another place stand beside it; synchronisation by latitude and longitude lands on the pixel holding it.
TEST_F(GdalSceneTest, OwnGeoreferencingComesBeforeCornerMetadata) {
    const std::string path = dir.file("utm.tif");
    ASSERT_TRUE(widetest::writeGeoTiff(
        dir, path, "UInt16", 16, 8, [](int x, int y) { return 1000 + x + 16 * y; }, kUtmOptions));
    writeFile("summary.txt", kFarAwaySummary);
    window->openNow({path});
    ASSERT_EQ(document().bandCount(), 1);
    EXPECT_EQ(window->statusPanelText(3), "座標設定有効");

    const std::vector<std::pair<double, double>> centres = {{0.5, 0.5}, {15.5, 0.5}, {7.5, 3.5}, {0.5, 7.5}};
    const std::vector<gdal_test::LonLat> truth = gdal_test::to_wgs84(path, centres);
    ASSERT_EQ(truth.size(), centres.size());
    for (size_t i = 0; i < centres.size(); ++i) {
        const int x = static_cast<int>(centres[i].first), y = static_cast<int>(centres[i].second);
        const QString lon = QString::asprintf("%.4f", truth[i].lon),
                      lat = QString::asprintf("%.4f", truth[i].lat);
        double gotLat = 0, gotLon = 0;
        ASSERT_TRUE(document().geoAt(x, y, &gotLat, &gotLon));
        EXPECT_EQ(degreesText(gotLon), lon) << x << "," << y;
        EXPECT_EQ(degreesText(gotLat), lat) << x << "," << y;
        EXPECT_TRUE(
            window->pixelValueText(x, y).contains(QStringLiteral("経度, 緯度 : %1, %2\n").arg(lon, lat)));
        EXPECT_TRUE(lon.startsWith("8.76")) << lon.toStdString();  // not the 139 degrees of the summary
    }

    // A received position maps to the pixel whose area holds it (the receiver's own scene, exact inverse).
    SyncController& sync = window->sync();
    for (size_t i = 0; i < centres.size(); ++i) {
        // Whole ten-thousandths of a degree hold the place to about 6 m: well inside the 30 m pixel.
        sync.onViewerMessage(sync.messages().latitude, static_cast<int32_t>(std::lround(truth[i].lat * 1e4)));
        sync.onViewerMessage(sync.messages().longitude,
                             static_cast<int32_t>(std::lround(truth[i].lon * 1e4)));
        sync.onViewerMessage(sync.messages().draw, 0);
        EXPECT_EQ(window->scrollPosition(), QPoint(int(centres[i].first), int(centres[i].second))) << i;
    }
}

TEST_F(GdalSceneTest, ClosingTheGeoreferencedSceneTakesItsGeographyAlong) {
    const std::string utm = dir.file("utm.tif"), plain = dir.file("plain.bil");
    ASSERT_TRUE(widetest::writeGeoTiff(
        dir, utm, "UInt16", 16, 8, [](int x, int) { return x; }, kUtmOptions));
    guitest::writeNativeScene(plain, 16, 8, 1, [](int, int x, int) { return uint8_t(x); });
    window->openNow({plain, utm});
    ASSERT_EQ(document().bandCount(), 2);
    EXPECT_EQ(window->statusPanelText(3), "座標設定有効");
    EXPECT_TRUE(window->pixelValueText(1, 1).contains("経度, 緯度 : 8.76"));
    bandRow(1)->closeButton->click();
    EXPECT_EQ(window->statusPanelText(3), "設定ファイル無効");
    EXPECT_EQ(window->pixelValueText(1, 1), "X, Y : 1, 1\na : 1\n");
}

// Files no reader shows are named with the reason and passed over, all in one box once the opening has
// ended; the next file still opens.
TEST_F(GdalSceneTest, RefusalBoxesSayWhatTheFileIs) {
    const std::string junk = writeFile("junk.dat", std::string(600, 'x'));
    // A TIFF header whose first directory lies past the end: neither the built-in reader nor GDAL reads it.
    const std::string tiff =
        writeFile("broken.tif", std::string("II*\0\xff\xff\xff\x0f", 8) + std::string(100, '\0'));
    const std::string good = dir.file("zgood.bil");
    guitest::writeNativeScene(good, 9, 7, 1, [](int, int x, int) { return uint8_t(x); });
    window->openNow({junk, good, tiff});
    ASSERT_EQ(prompts.boxes.size(), 1u);
    const QStringList told = prompts.boxes[0].text.split(QStringLiteral("\n\n"));
    ASSERT_EQ(told.size(), 2);
    EXPECT_TRUE(told[0].startsWith("\"broken.tif\"\nTIFF ですが読めません: ")) << told[0].toStdString();
    EXPECT_GT(told[0].size(), QStringLiteral("\"broken.tif\"\nTIFF ですが読めません: ").size());
    EXPECT_EQ(told[1], "\"junk.dat\"\nは不明な衛星データ形式です");
    EXPECT_EQ(prompts.boxes[0].caption, "識別失敗");
    EXPECT_EQ(prompts.boxes[0].kind, PromptKind::Information);
    EXPECT_EQ(document().bandCount(), 1);
    EXPECT_EQ(window->statusPanelText(1), "縦 : 7 横 : 9");
}

// Two bands of one tiled file with a tile of garbage: both draw zeros there, and the window says so once,
// with GDAL's reason, however many rows and redraws read it.
TEST_F(GdalSceneTest, ABlockThatCannotBeDecodedIsReportedOnce) {
    const std::string good = dir.file("good.tif"), bad = dir.file("bad.tif");
    const std::string source = gdal_test::write_envi(
        dir.file("src"), 48, 48, 2, [](int b, int x, int y) { return 1000.0 + b * 5000 + x * 48 + y; });
    ASSERT_TRUE(gdal_test::translate(
        source, good, "-ot UInt16 -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 -co COMPRESS=DEFLATE"));
    std::filesystem::copy_file(good, bad);
    // The tile at (1, 1) of the pixel-interleaved file holds both bands.
    long offset = 0, size = 0;
    ASSERT_TRUE(gdal_test::tile_bytes(bad, 1, 1, &offset, &size));
    {
        std::fstream f(bad, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(offset);
        const std::string garbage(static_cast<size_t>(size), '\xA5');
        f.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    window->histogramOnOpenCheckBox->setChecked(false);  // the redraw is the first to read the tile
    window->resize(700, 500);                            // a view that shows the whole scene
    window->show();
    window->openNow({bad});
    ASSERT_EQ(document().bandCount(), 2);
    const QString report = window->statusPanelText(0);
    EXPECT_TRUE(report.startsWith("\"bad.tif\" の一部が読めないため 0 として表示しています: "))
        << report.toStdString();
    window->statusPanels[0]->setText(QString());
    window->redrawNow();
    EXPECT_EQ(window->pixelValueText(20, 20), "X, Y : 20, 20\na : 0\nb : 0\n");
    window->redrawNow();
    EXPECT_EQ(window->statusPanelText(0).toStdString(), "");
}

// A land-cover band of palette indices opens in its colours, its rows marked R, G and B, and the readout
// names the class under the pointer from the file's attribute table.
TEST_F(GdalSceneTest, PaletteBandsOpenInColourAndNameTheirClasses) {
    const std::string img = dir.file("lc.img");
    ASSERT_TRUE(gdal_test::write_palette_file(img, "HFA", true));
    window->openNow({img});
    ASSERT_EQ(document().bandCount(), 3);
    EXPECT_EQ(bandRow(2)->nameLabel->text(), "C : lc.img - 2 B");
    EXPECT_EQ(QStringList({window->redExpressionEdit->text(), window->greenExpressionEdit->text(),
                           window->blueExpressionEdit->text()}),
              QStringList({"a", "b", "c"}));
    EXPECT_EQ(window->pixelValueText(2, 0), "X, Y : 2, 0\na : 0 (urban)\nb : 255 (urban)\nc : 64 (urban)\n");
}

ORVENNA_GUI_TEST_MAIN()
