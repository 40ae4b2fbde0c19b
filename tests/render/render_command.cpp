// The render command as scripts use it: exit codes and messages, the formats it writes, the georeferencing
// a GeoTIFF carries, and pictures drawn in bands on several cores that are the redraw core's picture.
#include <gtest/gtest.h>

#include <gdal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QImage>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "calc/ecalc.h"
#include "render/PictureWriters.h"
#include "render/Render.h"
#include "tests/support/document_opening.h"
#include "tests/support/legend_box.h"
#include "tests/support/range_server.h"
#include "tests/unit/gdal_test_files.h"
#include "tools/samples/sample_scenes.h"

namespace fs = std::filesystem;

namespace {

const std::string kCommand = std::string(ORVENNA_BINARY_DIR) + "/orvenna-render";
const std::string kLandsat = std::string(ORVENNA_SOURCE_DIR) + "/tests/data/landsat/";

struct CommandRun {
    int code = -1;
    std::string output;  // standard error and output together
};

CommandRun RunCommand(const std::string& arguments) {
    CommandRun run;
    FILE* pipe = popen((kCommand + " " + arguments + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class RenderCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        demo_ = new fs::path(fs::temp_directory_path() / ("orvenna-render-" + std::to_string(getpid())));
        std::string error;
        ASSERT_TRUE(samples::write_sample_scenes(demo_->string(), &error)) << error;
    }
    static void TearDownTestSuite() {
        fs::remove_all(*demo_);
        delete demo_;
    }
    static std::string Demo(const std::string& file) { return (*demo_ / file).string(); }
    static std::string CeosBands() {
        std::string list;
        for (const char* band : {samples::files::kCeosBand1, samples::files::kCeosBand2,
                                 samples::files::kCeosBand3, samples::files::kCeosBand4})
            list += " " + Demo(band);
        return list;
    }
    static fs::path* demo_;
};

fs::path* RenderCommandTest::demo_ = nullptr;

TEST_F(RenderCommandTest, ExitCodesSayWhatWentWrong) {
    const std::string out = Demo("out.png");
    fs::create_directories(Demo("locked"));
    chmod(Demo("locked").c_str(), 0555);
    // A Landsat 8 band 11 whose metadata gives the constants of band 10 only: refused, as in the window.
    const std::string stem = "LC08_L1TP_195025_20130707_20170503_01_T1_";
    fs::create_directories(Demo("band11"));
    fs::copy_file(kLandsat + stem + "B11.TIF", Demo("band11/" + stem + "B11.TIF"),
                  fs::copy_options::overwrite_existing);
    {
        std::ifstream in(kLandsat + stem + "MTL.txt");
        std::ofstream mtl(Demo("band11/" + stem + "MTL.txt"));
        for (std::string line; std::getline(in, line);)
            if (line.find("BAND_11") == std::string::npos) mtl << line << "\n";
    }
    // A few hundred bytes declaring 2^31 - 1 pixels square: a picture of 2^26 pixels square even at 1/32.
    std::ofstream(Demo("huge.vrt")) << "<VRTDataset rasterXSize=\"2147483647\" rasterYSize=\"2147483647\">"
                                       "<VRTRasterBand dataType=\"Byte\" band=\"1\"/></VRTDataset>";
    struct Case {
        std::string arguments;
        int code;
        const char* says;
    } cases[] = {
        {"--help", 0, "使い方"},
        {"", 2, "-o"},
        {"-o " + out, 2, "入力ファイル"},
        {"--step 11 -o " + out + CeosBands(), 2, "--step"},
        {"--frobnicate -o " + out + CeosBands(), 2, "--frobnicate"},
        {"-o " + Demo("out.gif") + CeosBands(), 2, ".png"},
        {"--range z=1:2 -o " + out + CeosBands(), 2, "バンド z"},
        {"-o " + out + " " + Demo("missing.bil"), 3, "\"missing.bil\" を開けません: ファイルがありません"},
        {"-o " + out + " " + Demo(samples::files::kCeosBand1) + " " + kLandsat +
             "LC08_L1TP_195025_20130707_20170503_01_T1_B10.TIF",
         3, "重ねて表示できません"},
        {"-o " + out + " " + Demo(samples::files::kCeosSummary) + " " + std::string(ORVENNA_SOURCE_DIR) +
             "/CMakeLists.txt",
         3, "不明な衛星データ形式"},
        {"--preset landsat:a,0,40 -o " + out + " " + Demo("band11/" + stem + "B11.TIF"), 2,
         "バンド11 の熱赤外の定数"},
        {"-r 'a+(b' -o " + out + CeosBands(), 4, "赤の式: 5文字目: ')' が足りません"},
        {"-g 'a $ b' -o " + out + CeosBands(), 4, "緑の式: 3文字目"},
        {"-o " + Demo("locked/out.png") + CeosBands(), getuid() == 0 ? 0 : 5,
         getuid() == 0 ? "" : "書き込めません"},
        {"-o " + Demo("no/such/folder/out.png") + CeosBands(), 5, "書き込めません"},
        {"--step 10 -o " + Demo("huge.tif") + " " + Demo("huge.vrt"), 2, "描く画像が大きすぎます"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const CommandRun run = RunCommand("-q " + c.arguments);
        EXPECT_EQ(run.code, c.code);
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
    }
    // Nothing half-written under the output name, and no temporary file left behind.
    for (const auto& entry : fs::directory_iterator(*demo_))
        EXPECT_EQ(entry.path().filename().string().rfind(".orvenna-render-", 0), std::string::npos);
}

// A container draws the parts named with --subdataset, their bands lettered in order (the time steps of
// "sst" are a, b, c); without the option, or with a name it does not hold, it is not opened and its names
// are listed.
TEST_F(RenderCommandTest, SubdatasetsAreChosenByName) {
    const std::string nc = Demo("x.nc"), out = Demo("sst.png");
    ASSERT_TRUE(gdal_test::write_netcdf_container(nc));
    const struct {
        std::string arguments;
        int code;
        const char* says;
    } cases[] = {
        {nc, 3,
         "\"x.nc\" はサブデータセットを複数持っています。--subdataset で選んでください: sst, t, depth"},
        {"--subdataset salinity " + nc, 3, "サブデータセット \"salinity\" はありません (sst, t, depth)"},
        {"--subdataset", 2, "--subdataset"},
        {"--subdataset sst -r c -g b -b a --range a=0:255 --range b=0:255 --range c=0:255 " + nc, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const CommandRun run = RunCommand("-q -o " + out + " " + c.arguments);
        EXPECT_EQ(run.code, c.code);
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
    }
    // sst is t * 100 + y * 10 + x, upside down (no y coordinates): pixel (3, 2) holds 213, 113 and 13.
    const QImage picture(QString::fromStdString(out));
    ASSERT_EQ(picture.size(), QSize(5, 4));
    const QRgb pixel = picture.pixel(3, 2);
    EXPECT_NEAR(qRed(pixel), 213, 1);
    EXPECT_NEAR(qGreen(pixel), 113, 1);
    EXPECT_NEAR(qBlue(pixel), 13, 1);
}

// A band of palette indices opens as its red, green and blue and is drawn in its table's colours.
TEST_F(RenderCommandTest, PaletteBandsDrawTheirColours) {
    const std::string tif = Demo("lc.tif"), out = Demo("lc.png");
    ASSERT_TRUE(gdal_test::write_palette_file(tif, "GTiff", false));
    const CommandRun run = RunCommand("-q -o " + out + " " + tif);
    ASSERT_EQ(run.code, 0) << run.output;
    const QImage picture(QString::fromStdString(out));
    ASSERT_EQ(picture.size(), QSize(6, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const unsigned char* colour = gdal_test::kPalette[(x + y) % 3];
            EXPECT_EQ(picture.pixel(x, y), qRgb(colour[0], colour[1], colour[2])) << x << "," << y;
        }
}

// Every format is written whole, at the size of the window and step; a GeoTIFF carries the scene's own
// georeferencing (Landsat clip: UTM transform) or its corners as ground control points (CEOS: summary.txt).
TEST_F(RenderCommandTest, FormatsAndGeoreferencing) {
    // One text in all three channels that assigns no letter writes one grey band.
    struct Case {
        std::string arguments;
        const char* output;
        int width, height;
        int bands;
    } cases[] = {
        {"-r c -g b -b a" + CeosBands(), "rgb.png", 800, 600, 3},
        {"--preset ndvi:c,d --window 100,50,300,200" + CeosBands(), "ndvi.bmp", 300, 200, 3},
        {"--preset thermography:d --step 7 --window 0,0,401,300" + CeosBands(), "thermo.jpg", 100, 75, 3},
        {"--step 3" + CeosBands(), "corners.tif", 3200, 2400, 1},  // a, a, a
        {"--step 7" + CeosBands(), "corners.png", 200, 150, 1},    // corners alone: no world file
        {"--preset landsat:a,15,35 " + kLandsat + "LC08_L1TP_195025_20130707_20170503_01_T1_B10.TIF",
         "ls8.tif", 41, 41, 3},
        {"-r 'a/2' -g 'a/2' -b 'a/2' --step 7" + CeosBands(), "grey.png", 200, 150, 1},
        {"-r 'a/2' -g 'a/2' -b 'a/2' --step 7" + CeosBands(), "grey.tif", 200, 150, 1},
        {"-r 'x = x + 1, x' -g 'x = x + 1, x' -b 'x = x + 1, x' --step 7" + CeosBands(), "counter.tif", 200,
         150, 3},
    };
    GDALAllRegister();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const std::string out = Demo(c.output);
        const CommandRun run = RunCommand("-q -o " + out + " " + c.arguments);
        ASSERT_EQ(run.code, 0) << run.output;
        QImage picture;
        if (std::string(c.output).find(".tif") == std::string::npos) {
            ASSERT_TRUE(picture.load(QString::fromStdString(out))) << out;
            EXPECT_EQ(picture.size(), QSize(c.width, c.height));
            EXPECT_EQ(picture.isGrayscale() && picture.format() == QImage::Format_Grayscale8, c.bands == 1);
        } else {
            GDALDatasetH written = GDALOpen(out.c_str(), GA_ReadOnly);
            ASSERT_NE(written, nullptr);
            EXPECT_EQ(GDALGetRasterXSize(written), c.width);
            EXPECT_EQ(GDALGetRasterCount(written), c.bands);
            GDALClose(written);
        }
    }
    // The grey picture is the colour one's value in one band.
    QImage grey(QString::fromStdString(Demo("grey.png")));
    const CommandRun colour = RunCommand("-q -o " + Demo("grey-rgb.png") +
                                         " -r 'a/2' -g 'a/2' -b 'a/2 + 0' --step 7" + CeosBands());
    ASSERT_EQ(colour.code, 0) << colour.output;
    QImage rgb(QString::fromStdString(Demo("grey-rgb.png")));
    EXPECT_EQ(rgb.convertToFormat(QImage::Format_Grayscale8), grey);
    EXPECT_FALSE(fs::exists(Demo("corners.pgw")));
    GDALDatasetH corners = GDALOpen(Demo("corners.tif").c_str(), GA_ReadOnly);
    ASSERT_NE(corners, nullptr);
    EXPECT_EQ(GDALGetRasterXSize(corners), 3200);
    ASSERT_EQ(GDALGetGCPCount(corners), 4);
    const GDAL_GCP* gcp = GDALGetGCPs(corners);
    // The upper-left corner pixel's centre, magnified 4 times, lies 2 output pixels in.
    EXPECT_DOUBLE_EQ(gcp[0].dfGCPPixel, 2.0);
    EXPECT_DOUBLE_EQ(gcp[0].dfGCPLine, 2.0);
    EXPECT_NE(std::string(GDALGetGCPProjection(corners)).find("4326"), std::string::npos);
    GDALClose(corners);

    GDALDatasetH scene =
        GDALOpen((kLandsat + "LC08_L1TP_195025_20130707_20170503_01_T1_B10.TIF").c_str(), GA_ReadOnly);
    GDALDatasetH ls8 = GDALOpen(Demo("ls8.tif").c_str(), GA_ReadOnly);
    ASSERT_NE(ls8, nullptr);
    double expected[6], got[6];
    ASSERT_EQ(GDALGetGeoTransform(scene, expected), CE_None);
    ASSERT_EQ(GDALGetGeoTransform(ls8, got), CE_None);
    for (int i = 0; i < 6; ++i)
        EXPECT_DOUBLE_EQ(got[i], expected[i]) << i;
    EXPECT_NE(std::string(GDALGetProjectionRef(ls8)).find("UTM zone 32N"), std::string::npos);
    GDALClose(ls8);
    GDALClose(scene);
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Band files given by URL, from a server on this machine, draw the picture of the same files on disk.
TEST_F(RenderCommandTest, UrlsDrawThePictureOfTheirLocalFiles) {
    const fs::path served = fs::path(ORVENNA_BINARY_DIR) / ("render-remote-" + std::to_string(getpid()));
    fs::create_directories(served);
    GDALAllRegister();
    const char* options[] = {"COMPRESS=DEFLATE", "BLOCKSIZE=16", nullptr};  // tiles and an overview
    std::string local, remote;
    rangeserver::RangeServer server(served);
    ASSERT_TRUE(server.running());
    for (const char* band : {"B4", "B5"}) {
        const std::string name = std::string(band) + ".tif";
        GDALDatasetH source = GDALOpen(
            (kLandsat + "LC08_L1TP_195025_20130707_20170503_01_T1_" + band + ".TIF").c_str(), GA_ReadOnly);
        ASSERT_NE(source, nullptr);
        GDALDatasetH cog = GDALCreateCopy(GDALGetDriverByName("COG"), (served / name).c_str(), source, FALSE,
                                          const_cast<char**>(options), nullptr, nullptr);
        ASSERT_NE(cog, nullptr);
        GDALClose(cog);
        GDALClose(source);
        local += " " + (served / name).string();
        remote += " " + server.url(name);
    }
    for (const char* arguments : {"-r b -g a -b a", "-r b -g a -b a --step 7", "--preset ndvi:a,b"}) {
        SCOPED_TRACE(arguments);
        const CommandRun fromDisk = RunCommand("-q -o " + Demo("disk.png") + " " + arguments + local);
        const CommandRun fromServer = RunCommand("-q -o " + Demo("server.png") + " " + arguments + remote);
        ASSERT_EQ(fromDisk.code, 0) << fromDisk.output;
        ASSERT_EQ(fromServer.code, 0) << fromServer.output;
        EXPECT_EQ(FileBytes(Demo("server.png")), FileBytes(Demo("disk.png")));
    }
    fs::remove_all(served);
}

// Collects what a render writes.
class MemoryWriter : public orvenna::PictureWriter {
public:
    bool begin(int width, int height, std::string*) override {
        width_ = width;
        pixels.reserve(static_cast<size_t>(width) * height * 3);
        return true;
    }
    bool write_lines(const uint8_t* bgr, std::ptrdiff_t stride, int count, std::string*) override {
        for (int k = 0; k < count; ++k)
            pixels.insert(pixels.end(), bgr + k * stride, bgr + k * stride + width_ * 3);
        return true;
    }
    bool finish(std::string*) override { return true; }
    std::vector<uint8_t> pixels;

private:
    int width_ = 0;
};

// --legend draws the preset's colour bar into the picture's bottom-right corner and changes nothing else,
// also in the last of the bands of a large picture; not once a channel is changed by hand.
TEST_F(RenderCommandTest, LegendIsDrawnIntoTheBoxAlone) {
    const std::string band = kLandsat + "LC08_L1TP_195025_20130707_20170503_01_T1_B10.TIF";
    for (const char* options :
         {"--preset thermography:a --step 0", "--preset thermography:a -g a --step 2"}) {
        SCOPED_TRACE(options);
        const std::string plain = Demo("plain.png"), with = Demo("legend.png");
        ASSERT_EQ(RunCommand(std::string(options) + " -q -o " + plain + " " + band).code, 0);
        ASSERT_EQ(RunCommand(std::string(options) + " -q --legend -o " + with + " " + band).code, 0);
        const QImage a(QString::fromStdString(with)), b(QString::fromStdString(plain));
        if (std::string(options).find("-g") != std::string::npos) {
            EXPECT_EQ(a, b);
            continue;
        }
        // 1312 x 1312, drawn in two bands; the ends of the ramp, pure blue and red, are on the bar.
        const QRect box = legendtest::ExpectLegendBox(a, b);
        EXPECT_GT(legendtest::CountInside(a, box, qRgb(0, 0, 255)), 0);
        EXPECT_GT(legendtest::CountInside(a, box, qRgb(255, 0, 0)), 0);
    }
}

// Bands drawn on several cores, or in order when letters carry over, give the picture the redraw core
// draws at once, at every kind of step.
TEST_F(RenderCommandTest, BandsOnSeveralCoresAreThePictureDrawnAtOnce) {
    orvenna::Document set;
    std::string error;
    ASSERT_TRUE(
        doctest::OpenInto(set, {Demo(samples::files::kCeosBand3), Demo(samples::files::kCeosBand4)}).empty());
    const orvenna::RedrawScene scene = set.redrawScene();
    const std::vector<orvenna::CompositeBandRow>& rows = scene.rows;
    for (const char* red : {"(b - a) / (b + a) * 128 + 128", "x = x + a / 40, x"}) {
        CalcExpr* r = ecalc_compile(red);
        CalcExpr* g = ecalc_compile("b");
        for (int step : {2, 5, 8}) {
            SCOPED_TRACE(std::string(red) + " at step " + std::to_string(step));
            orvenna::ViewGeometry geometry;
            ASSERT_TRUE(
                orvenna::RenderGeometry(37, 11, 700, 500, step, set.width(), set.height(), &geometry));
            std::vector<uint8_t> once(static_cast<size_t>(geometry.view_width) * geometry.view_height * 3);
            orvenna::CompositeRenderer renderer;
            renderer.draw(rows.data(), static_cast<int>(rows.size()), {r, g, nullptr}, geometry,
                          {once.data(), geometry.view_width, geometry.view_height, geometry.view_width * 3});
            for (int threads : {1, 2, 3}) {
                MemoryWriter writer;
                orvenna::RenderRequest request;
                request.rows = rows.data();
                request.rowCount = static_cast<int>(rows.size());
                request.expressions = {r, g, nullptr};
                request.geometry = geometry;
                request.threads = threads;
                request.bandBytes = 50000;  // many bands, of a few lines each
                ASSERT_TRUE(orvenna::RenderPicture(request, writer, &error)) << error;
                EXPECT_EQ(writer.pixels, once) << threads << " threads";
            }
        }
        ecalc_free(r);
        ecalc_free(g);
    }
}

}  // namespace
