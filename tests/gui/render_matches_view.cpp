// The render command draws what the viewer draws: for bands of every kind (8-bit CEOS, UInt16 and Float32
// GeoTIFFs with their own georeferencing, a bitmap and a JPEG), with the three presets applied through their
// dialogs or expressions typed, the viewer's redraw of a view is compared byte for byte with orvenna-render's
// picture of the same window and step, magnified and reduced.
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <sys/wait.h>
#include <cstdio>
#include <cstring>

#include "GuiTestSupport.h"
#include "WideBandTestSupport.h"
#include "dialogs/LandsatTemperatureDialog.h"
#include "dialogs/NdviPresetDialog.h"
#include "dialogs/ThermographyPresetDialog.h"
#include "display/ViewGeometry.h"
#include "platform/SpinButtons.h"
#include "tools/samples/sample_scenes.h"

using guitest::MainWindowTest;

namespace {

const std::string kLandsat = std::string(ORVENNA_SOURCE_DIR) + "/tests/data/landsat/";

// How a case sets the channels: a preset made in its dialog (and as --preset), or typed expressions.
struct Channels {
    enum Kind { Typed, Ndvi, Thermography, Landsat } kind = Typed;
    std::string red, green, blue;  // Typed
    int a = 0, b = 1;              // the preset's bands (Ndvi: red and near infrared)
    int minTemperature = 0, maxTemperature = 40;

    std::string arguments() const {
        const auto letter = [](int i) { return std::string(1, static_cast<char>('a' + i)); };
        switch (kind) {
            case Ndvi:
                return "--preset ndvi:" + letter(a) + "," + letter(b);
            case Thermography:
                return "--preset thermography:" + letter(a);
            case Landsat:
                return "--preset landsat:" + letter(a) + "," + std::to_string(minTemperature) + "," +
                       std::to_string(maxTemperature);
            default:
                return "-r '" + red + "' -g '" + green + "' -b '" + blue + "'";
        }
    }
};

struct Case {
    const char* what;
    std::vector<std::string> files;
    Channels channels;
    int step, scrollX, scrollY;
};

class RenderMatchesViewTest : public MainWindowTest {
protected:
    // The preset made as the user makes it: the menu item, the dialog's choices, its OK or "実行".
    void applyInWindow(const Channels& c) {
        switch (c.kind) {
            case Channels::Typed:
                window->redExpressionEdit->setText(QString::fromStdString(c.red));
                window->greenExpressionEdit->setText(QString::fromStdString(c.green));
                window->blueExpressionEdit->setText(QString::fromStdString(c.blue));
                break;
            case Channels::Ndvi: {
                window->ndviAction->trigger();
                NdviPresetDialog* d = window->ndviPresetDialog();
                d->redBandComboBox->setCurrentIndex(c.a);
                d->nearInfraredBandComboBox->setCurrentIndex(c.b);
                d->okButton->click();
                break;
            }
            case Channels::Thermography: {
                window->thermographyAction->trigger();
                ThermographyPresetDialog* d = window->thermographyPresetDialog();
                d->bandRadioButton->click();
                d->bandComboBox->setCurrentIndex(c.a);
                d->okButton->click();
                break;
            }
            case Channels::Landsat: {
                window->landsatTemperatureAction->trigger();
                LandsatTemperatureDialog* d = window->landsatTemperatureDialog();
                d->bandComboBox->setCurrentIndex(c.a);
                d->minTemperatureSpin->setValue(c.minTemperature);
                d->maxTemperatureSpin->setValue(c.maxTemperature);
                d->runButton->click();
                d->close();
                break;
            }
        }
        EXPECT_TRUE(prompts.boxes.empty()) << prompts.boxes.back().text.toStdString();
    }
};

TEST_F(RenderMatchesViewTest, RenderCommandDrawsTheViewersPicture) {
    std::string error;
    ASSERT_TRUE(samples::write_sample_scenes(dir.path().string(), &error)) << error;
    const std::vector<std::string> ceos = {
        dir.file(samples::files::kCeosBand1), dir.file(samples::files::kCeosBand2),
        dir.file(samples::files::kCeosBand3), dir.file(samples::files::kCeosBand4)};
    // Landsat 8: B4, B5 and B10 (UInt16 GeoTIFFs in UTM, with their MTL).
    const std::string stem = kLandsat + "LC08_L1TP_195025_20130707_20170503_01_T1_";
    const std::vector<std::string> landsat8 = {stem + "B4.TIF", stem + "B5.TIF", stem + "B10.TIF"};
    // A UInt16 thermal band of Landsat 7 values beside a real *.met (LMAX/LMIN), and a Float32 band, both
    // georeferenced.
    const std::string folder = dir.file("wide");
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(
        std::string(ORVENNA_SOURCE_DIR) + "/tests/data/metadata/L71092085_08520100315_MTL.met",
        folder + "/L71092085_08520100315_MTL.met");
    const std::string georeference = "-a_srs EPSG:32654 -a_ullr 300000 4000000 303000 3997000";
    const std::string thermal = folder + "/thermal.tif", floats = folder + "/floats.tif";
    ASSERT_TRUE(widetest::writeGeoTiff(
        dir, thermal, "UInt16", 120, 90, [](int x, int y) { return 60 + (x * 3 + y * 2) % 190; },
        georeference));
    ASSERT_TRUE(widetest::writeGeoTiff(
        dir, floats, "Float32", 120, 90, [](int x, int y) { return -2.5 + 0.037 * x * y; }, georeference));
    const std::vector<std::string> pictures = {dir.file(samples::files::kBmp),
                                               dir.file(samples::files::kJpeg)};

    auto typed = [](const char* r, const char* g, const char* b) {
        Channels c;
        c.red = r, c.green = g, c.blue = b;
        return c;
    };
    auto preset = [](Channels::Kind kind, int a, int b = 0) {
        Channels c;
        c.kind = kind, c.a = a, c.b = b;
        return c;
    };
    const Case cases[] = {
        {"CEOS", ceos, typed("c", "b", "a"), 5, 400, 300},
        {"CEOS, letters carried over", ceos, typed("(d - c) / (d + c) * 128 + 128", "d", "x = x + 1, x"), 3,
         123, 456},
        {"CEOS reduced at a corner", ceos, typed("a", "b", "c"), 7, 10, 590},
        {"CEOS NDVI", ceos, preset(Channels::Ndvi, 2, 3), 7, 400, 300},
        {"Landsat 8 NDVI", landsat8, preset(Channels::Ndvi, 0, 1), 2, 20, 20},
        {"Landsat 8 thermography", landsat8, preset(Channels::Thermography, 2), 7, 20, 20},
        {"Landsat 8 temperature", landsat8, preset(Channels::Landsat, 2), 3, 10, 30},
        {"UInt16 Landsat 7 temperature", {thermal}, preset(Channels::Landsat, 0), 3, 60, 45},
        {"UInt16 Landsat 7 temperature reduced", {thermal}, preset(Channels::Landsat, 0), 6, 60, 45},
        {"Float32", {floats}, typed("a", "255 - a", "a / 2"), 4, 50, 20},
        {"Float32 thermography", {floats}, preset(Channels::Thermography, 0), 7, 60, 45},
        {"pictures", pictures, typed("a", "e", "(c + d) / 2"), 3, 700, 100},
        {"pictures reduced", pictures, typed("d", "b", "f"), 8, 400, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window = std::make_unique<guitest::WindowUnderTest>();
        window->resize(900, 600);
        window->show();
        window->openNow(c.files);
        ASSERT_GT(document().bandCount(), 0);
        applyInWindow(c.channels);
        window->setZoomStep(c.step);
        window->setScrollPosition(c.scrollX, c.scrollY);
        window->redrawNow();
        const QImage& shown = window->viewPicture();
        const orvenna::ViewGeometry g = orvenna::compute_view_geometry(
            shown.width(), shown.height(), window->scrollPosition().x(), window->scrollPosition().y(), c.step,
            document().width(), document().height());
        // The scene pixels the view draws, as a window for the command.
        const int F = g.factor;
        const int w = g.magnifying() ? g.columns : g.columns * F;
        const int h = g.magnifying() ? g.lines : g.lines * F;
        const std::string out = dir.file("rendered.bmp");
        std::string command = std::string(ORVENNA_BINARY_DIR) + "/orvenna-render -q --step " +
                              std::to_string(c.step) + " --window " + std::to_string(g.first_column) + "," +
                              std::to_string(g.first_line) + "," + std::to_string(w) + "," +
                              std::to_string(h) + " " + c.channels.arguments() + " -o " + out;
        for (const std::string& f : c.files)
            command += " '" + f + "'";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
        const QImage rendered = QImage(QString::fromStdString(out)).convertToFormat(QImage::Format_BGR888);
        const int drawnW = g.magnifying() ? g.columns * F : g.columns;
        const int drawnH = g.magnifying() ? g.lines * F : g.lines;
        ASSERT_EQ(rendered.size(), QSize(drawnW, drawnH));
        int differences = 0;
        for (int y = 0; y < drawnH; ++y) {
            const uchar* a = rendered.constScanLine(y);
            const uchar* b = shown.constScanLine(g.offset_y + y) + 3 * g.offset_x;
            if (std::memcmp(a, b, static_cast<size_t>(drawnW) * 3) != 0) ++differences;
        }
        EXPECT_EQ(differences, 0) << "of " << drawnH << " lines";
        // The picture is not flat: the case draws something the comparison can tell apart.
        EXPECT_NE(rendered.pixel(0, 0), rendered.pixel(drawnW / 2, drawnH / 2));
    }
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
