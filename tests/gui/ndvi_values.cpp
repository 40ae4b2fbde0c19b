// The NDVI preset computes the index of what the files store, whatever the display ranges: of the real
// Landsat 8 clip's top-of-atmosphere reflectance by its MTL, of its digital numbers without the MTL, of a
// Float32 pair with no-data, and of an Int16 pair through the scale and offset its files declare. The window
// and orvenna-render are compared with the index computed here from the files read through GDAL.
#include <QComboBox>
#include <QImage>
#include <QPushButton>

#include <gdal.h>
#include <sys/wait.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "WideBandTestSupport.h"
#include "dialogs/NdviPresetDialog.h"
#include "display/ViewGeometry.h"

namespace {

const std::string kClip = std::string(ORVENNA_SOURCE_DIR) + "/tests/data/landsat/";
const std::string kScene = "LC08_L1TP_195025_20130707_20170503_01_T1";

// A band as GDAL reads it: its values with the file's scale and offset applied, and which have no data.
struct Values {
    int width = 0, height = 0;
    std::vector<double> value;
    std::vector<bool> missing;
};

Values readThroughGdal(const std::string& path) {
    Values v;
    GDALAllRegister();
    GDALDatasetH ds = GDALOpen(path.c_str(), GA_ReadOnly);
    if (!ds) return v;
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    v.width = GDALGetRasterXSize(ds);
    v.height = GDALGetRasterYSize(ds);
    v.value.resize(static_cast<size_t>(v.width) * v.height);
    if (GDALRasterIO(band, GF_Read, 0, 0, v.width, v.height, v.value.data(), v.width, v.height, GDT_Float64,
                     0, 0) != CE_None)
        v.value.clear();
    int hasNoData = 0, hasScale = 0, hasOffset = 0;
    const double noData = GDALGetRasterNoDataValue(band, &hasNoData);
    const double scale = GDALGetRasterScale(band, &hasScale), offset = GDALGetRasterOffset(band, &hasOffset);
    for (double& x : v.value) {
        v.missing.push_back(std::isnan(x) || (hasNoData && x == noData));
        x = x * (hasScale ? scale : 1) + (hasOffset ? offset : 0);
    }
    GDALClose(ds);
    return v;
}

// trunc(NDVI x 128 + 128) kept to 0..255; a zero denominator gives 128.
int ndviByte(double red, double nir) {
    const double sum = nir + red;
    const double v = (sum == 0 ? 0 : (nir - red) / sum) * 128 + 128;
    return v <= 0 ? 0 : v >= 255 ? 255 : static_cast<int>(v);
}

struct Case {
    const char* what;
    std::vector<std::string> files;         // red, near infrared
    std::function<double(double)> rescale;  // the reflectance of a file value (identity: the stored index)
};

class NdviValuesTest : public guitest::MainWindowTest {
protected:
    // Compares a picture of the whole scene at 1:1 (at `x0`, `y0` in it) with the index of the files.
    void expectIndex(const QImage& picture, int x0, int y0, const Values& red, const Values& nir,
                     const Case& c) {
        int drawn = 0, missing = 0;
        for (int y = 0; y < red.height; ++y)
            for (int x = 0; x < red.width; ++x) {
                const size_t i = static_cast<size_t>(y) * red.width + x;
                const QRgb got = picture.pixel(x0 + x, y0 + y);
                if (red.missing[i] || nir.missing[i]) {
                    ASSERT_EQ(got & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
                    ++missing;
                    continue;
                }
                const int want = ndviByte(c.rescale(red.value[i]), c.rescale(nir.value[i]));
                ASSERT_EQ(qRed(got), want)
                    << "pixel " << x << "," << y << " red " << red.value[i] << " nir " << nir.value[i];
                ASSERT_EQ(qGreen(got), want);
                ASSERT_EQ(qBlue(got), want);
                ++drawn;
            }
        EXPECT_GT(drawn, red.width * red.height / 2);
    }
};

}  // namespace

TEST_F(NdviValuesTest, TheIndexOfTheStoredValuesOrOfTheReflectance) {
    // The clip with its MTL (REFLECTANCE_MULT_BAND_4/5 = 2.0000E-05, REFLECTANCE_ADD_BAND_4/5 = -0.100000),
    // and the same bands alone in a folder of their own.
    const std::vector<std::string> clip = {kClip + kScene + "_B4.TIF", kClip + kScene + "_B5.TIF"};
    const std::string bare = dir.file("bare");
    std::filesystem::create_directories(bare);
    for (const char* b : {"_B4.TIF", "_B5.TIF"})
        std::filesystem::copy_file(kClip + kScene + b, bare + "/" + kScene + b);
    const std::string floatRed = dir.file("f1_red.tif"), floatNir = dir.file("f2_nir.tif");
    ASSERT_TRUE(widetest::writeGeoTiff(
        dir, floatRed, "Float32", 60, 40,
        [](int x, int y) { return x == y       ? -9999
                                  : x == 2 * y ? NAN
                                               : 0.02 + 0.003 * x - 0.001 * y; },
        "-a_nodata -9999"));
    ASSERT_TRUE(widetest::writeGeoTiff(dir, floatNir, "Float32", 60, 40, [](int x, int y) {
        return x == 7 ? 0 : 0.4 - 0.005 * x + 0.002 * y;
    }));
    const std::string intRed = dir.file("i1_red.tif"), intNir = dir.file("i2_nir.tif");
    ASSERT_TRUE(widetest::writeGeoTiff(
        dir, intRed, "Int16", 60, 40, [](int x, int y) { return -2000 + 97 * x - 31 * y; },
        "-a_scale 0.0001 -a_offset 0.05"));
    ASSERT_TRUE(widetest::writeGeoTiff(
        dir, intNir, "Int16", 60, 40, [](int x, int y) { return 3000 - 53 * x + 77 * y; },
        "-a_scale 0.0002 -a_offset -0.1"));
    auto same = [](double v) { return v; };
    const Case cases[] = {
        {"Landsat 8 reflectance", clip, [](double dn) { return 2.0000e-05 * dn + -0.100000; }},
        {"Landsat 8 without its MTL",
         {bare + "/" + kScene + "_B4.TIF", bare + "/" + kScene + "_B5.TIF"},
         same},
        {"Float32 with no-data and NaN", {floatRed, floatNir}, same},
        {"Int16 with scale and offset", {intRed, intNir}, same},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Values red = readThroughGdal(c.files[0]), nir = readThroughGdal(c.files[1]);
        ASSERT_FALSE(red.value.empty());
        window = std::make_unique<guitest::WindowUnderTest>();
        window->cornerAfterOpening = true;
        window->resize(700, 500);
        window->show();
        window->openNow(c.files);
        ASSERT_EQ(document().bandCount(), 2);
        // Display ranges play no part.
        document().setValueRange(0, 0, 1, orvenna::MovedBound::Lower);
        window->ndviAction->trigger();
        window->ndviPresetDialog()->redBandComboBox->setCurrentIndex(0);
        window->ndviPresetDialog()->nearInfraredBandComboBox->setCurrentIndex(1);
        window->ndviPresetDialog()->okButton->click();
        window->redrawNow();
        const QImage& shown = window->viewPicture();
        const orvenna::ViewGeometry g = orvenna::compute_view_geometry(
            shown.width(), shown.height(), 0, 0, 5, document().width(), document().height());
        ASSERT_EQ(g.columns, red.width);
        expectIndex(shown, g.offset_x, g.offset_y, red, nir, c);

        const std::string out = dir.file("ndvi.bmp");
        const std::string command = std::string(ORVENNA_BINARY_DIR) +
                                    "/orvenna-render -q --preset ndvi:a,b -o " + out + " '" + c.files[0] +
                                    "' '" + c.files[1] + "'";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
        expectIndex(QImage(QString::fromStdString(out)), 0, 0, red, nir, c);
    }
}

ORVENNA_GUI_TEST_MAIN()
