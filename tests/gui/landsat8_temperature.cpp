// The "LANDSAT温度分布" preset on the real Landsat clips: the dialog chooses the band the scene's calibration
// belongs to and names where its constants come from, every drawn pixel of band 10 has the scale's colour at
// the brightness temperature of its stored value, a calibration that makes no temperature is said in the
// dialog and changes nothing, and the pixel readout gives the thermal band's temperature.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest/QTest>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "WideBandTestSupport.h"
#include "dialogs/BandValuePlotView.h"
#include "dialogs/LandsatTemperatureDialog.h"
#include "dialogs/PixelValueWindow.h"
#include "display/ViewGeometry.h"
#include "platform/ImageControl.h"
#include "tests/support/preset_ramp.h"

namespace {

const std::string kScene = "LC08_L1TP_195025_20130707_20170503_01_T1";
const std::string kScene7 = "LE07_L1TP_195025_20010730_20170204_01_T1";

// The constants of band 10 in the clip's MTL text.
constexpr double kMult = 3.3420e-04, kAdd = 0.10000, kK1 = 774.8853, kK2 = 1321.0789;

double celsiusOf(double dn) {
    return kK2 / std::log(kK1 / (kMult * dn + kAdd) + 1) - 273.15;
}

// Landsat 7 band 6 (VCID 1) of the other clip: LMAX 17.04, LMIN 0 over the bytes 1..255.
double celsiusOf7(double dn) {
    return 1282.71 / std::log(666.09 / ((dn - 1) * (17.04 - 0.0) / 254.0) + 1) - 273.15;
}

// Copies the bands `bands` ("B10", ...) of `scene` from the repository's clips into `folder`, and its MTL
// text when `metadata` is set, with the lines that hold `changed` (none when empty) replaced by `replacement`
// or left out when it is empty. Returns the band files.
std::vector<std::string> copyBands(const std::string& folder, const std::string& scene,
                                   const std::vector<std::string>& bands, bool metadata,
                                   const std::string& changed = "", const std::string& replacement = "") {
    const std::string data = std::string(ORVENNA_SOURCE_DIR) + "/tests/data/landsat/";
    std::filesystem::create_directories(folder);
    std::vector<std::string> files;
    for (const std::string& b : bands) {
        files.push_back(folder + "/" + scene + "_" + b + ".TIF");
        std::filesystem::copy_file(data + scene + "_" + b + ".TIF", files.back());
    }
    if (metadata) {
        std::ifstream in(data + scene + "_MTL.txt");
        std::ofstream out(folder + "/" + scene + "_MTL.txt");
        std::string line;
        while (std::getline(in, line)) {
            if (!changed.empty() && line.find(changed) != std::string::npos) line = replacement;
            if (!line.empty()) out << line << '\n';
        }
    }
    return files;
}

class Landsat8DialogTest : public guitest::MainWindowTest {
protected:
    std::string copyClip() { return copyBands(dir.file("clip"), kScene, {"B10"}, true).front(); }
    void openAndShow(const std::vector<std::string>& files) {
        window->resize(700, 500);
        window->show();
        window->openNow(files);
        ASSERT_EQ(document().bandCount(), static_cast<int>(files.size()));
        dialog = window->landsatTemperatureDialog();
        window->landsatTemperatureAction->trigger();
        ASSERT_TRUE(dialog->isVisible());
    }
    QStringList expressionTexts() {
        QStringList texts;
        for (int c = 0; c < 3; ++c)
            texts << QString::fromStdString(document().expression(c).text());
        return texts;
    }

    LandsatTemperatureDialog* dialog = nullptr;
};

}  // namespace

// Scales inside the values the clip's Int16 samples hold, and one whose warm end (45 °C) lies past them.
TEST_F(Landsat8DialogTest, RealBand10IsColouredByItsTemperature) {
    openAndShow({copyClip()});
    EXPECT_EQ(window->statusPanelText(3), "座標設定有効");
    struct Scale {
        int minTemp, maxTemp;
    } scales[] = {{10, 35}, {0, 45}, {18, 28}};
    for (const Scale& s : scales) {
        SCOPED_TRACE(testing::Message() << s.minTemp << ".." << s.maxTemp);
        dialog->minTemperatureEdit->setText(QString::number(s.minTemp));
        dialog->maxTemperatureEdit->setText(QString::number(s.maxTemp));
        dialog->runButton->click();
        EXPECT_TRUE(window->waitForJobs());
        EXPECT_TRUE(prompts.boxes.empty());

        // The band's range narrows to the values of the scale: its low end is the last value at or below the
        // scale's coldest temperature, its high end at or above the warmest.
        BandInfo* band = bandRow(0)->band;
        EXPECT_LE(celsiusOf(band->display_low), s.minTemp);
        EXPECT_GT(celsiusOf(band->display_low + 1), s.minTemp);
        EXPECT_GE(celsiusOf(band->display_high), s.maxTemp);
        EXPECT_EQ(bandRow(0)->upperBoundEdit->text(), QString::number(band->display_high, 'f', 0));

        const QImage& picture = window->viewPicture();
        const orvenna::ViewGeometry g = orvenna::compute_view_geometry(
            picture.width(), picture.height(), window->horizontalScrollBar->value(),
            window->verticalScrollBar->value(), window->zoomStep(), document().width(), document().height());
        int drawn = 0, inside = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                int column, line;
                if (!orvenna::drawn_image_pixel_at(g, x, y, &column, &line)) continue;
                const double dn = remos_read_sample(band, int64_t(line) * document().width() + column);
                const double t = celsiusOf(dn);
                // One colour step of the scale: a byte of the band's range is 1/256 of the scale, about 5
                // levels of a channel.
                const std::array<double, 3> want =
                    presettest::Ramp(t - s.minTemp, (s.maxTemp - s.minTemp) / 5.0);
                const QRgb got = picture.pixel(x, y);
                const int channels[3] = {qRed(got), qGreen(got), qBlue(got)};
                for (int c = 0; c < 3; ++c)
                    ASSERT_NEAR(channels[c], want[c], 7) << "pixel " << column << "," << line << " DN " << dn
                                                         << " T " << t << " channel " << c;
                ++drawn;
                inside += t > s.minTemp && t < s.maxTemp;
            }
        }
        EXPECT_GE(drawn, 41 * 41);
        EXPECT_GT(inside, drawn / 4);  // the clip's summer temperatures lie on the scale
    }
}

// What the dialog shows as it opens on a scene, and what "実行" does with it.
struct DialogCase {
    const char* what;
    std::string scene;
    std::vector<std::string> bands;
    bool metadata;
    const char* changedLine;  // MTL lines that hold this are replaced by `replacement` (left out: "")
    const char* replacement;
    int target;             // the band chosen at opening
    const char* constants;  // the constants line; null: LMAX/LMIN are shown instead
    const char* lmax;       // the LMAX edit when shown
    const char* message;    // the dialog's message line
    const char* refusal;    // what the "失敗" box says on "実行"; null: the preset is made
};

void PrintTo(const DialogCase& c, std::ostream* out) {
    *out << c.what;
}

class LandsatDialogCases : public Landsat8DialogTest, public testing::WithParamInterface<DialogCase> {};

TEST_P(LandsatDialogCases, ChoosesTheCalibratedBandAndRefusesWhatMakesNoTemperature) {
    const DialogCase& c = GetParam();
    openAndShow(copyBands(dir.file("scene"), c.scene, c.bands, c.metadata, c.changedLine, c.replacement));
    EXPECT_EQ(dialog->bandComboBox->currentIndex(), c.target);
    if (c.constants) {
        EXPECT_EQ(dialog->constantsLabel->text(), c.constants);
        EXPECT_TRUE(dialog->lmaxEdit->isHidden() && dialog->lminEdit->isHidden());
    } else {
        EXPECT_TRUE(dialog->constantsLabel->isHidden());
        EXPECT_EQ(dialog->lmaxEdit->text(), c.lmax);
    }
    EXPECT_EQ(dialog->messageLabel->text(), c.message);
    // The scale's ends are the temperature fields from the start.
    EXPECT_EQ(dialog->redScaleLabel->text(), dialog->maxTemperatureEdit->text());
    EXPECT_EQ(dialog->blackScaleLabel->text(), dialog->minTemperatureEdit->text());

    const double low = band(c.target)->display_low, high = band(c.target)->display_high;
    dialog->runButton->click();
    EXPECT_TRUE(window->waitForJobs());
    if (!c.refusal) {
        EXPECT_TRUE(prompts.boxes.empty());
        EXPECT_TRUE(expressionTexts().at(0).contains(QChar('a' + c.target)))
            << expressionTexts().at(0).toStdString();
        return;
    }
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].caption, "失敗");
    EXPECT_TRUE(prompts.boxes[0].text.contains(c.refusal)) << prompts.boxes[0].text.toStdString();
    EXPECT_EQ(expressionTexts(), (QStringList{"a", "a", "a"}));
    EXPECT_EQ(window->redExpressionEdit->text(), "a");
    EXPECT_EQ(band(c.target)->display_low, low);
    EXPECT_EQ(band(c.target)->display_high, high);
}

const char kEqualRange[] = "LMAX と LMIN が同じです (0): 温度を計算できません";

INSTANTIATE_TEST_SUITE_P(Scenes, LandsatDialogCases,
                         testing::Values(DialogCase{"Landsat 8",
                                                    kScene,
                                                    {"B2", "B3", "B4", "B5", "B10", "B11"},
                                                    true,
                                                    "",
                                                    "",
                                                    4,
                                                    "定数: LANDSAT_8 バンド10 (*_MTL.txt)",
                                                    nullptr,
                                                    "",
                                                    nullptr},
                                         DialogCase{"Landsat 8, band 11 alone",
                                                    kScene,
                                                    {"B4", "B11"},
                                                    true,
                                                    "",
                                                    "",
                                                    1,
                                                    "定数: LANDSAT_8 バンド11 (*_MTL.txt)",
                                                    nullptr,
                                                    "",
                                                    nullptr},
                                         DialogCase{
                                             "Landsat 8 without K1",
                                             kScene,
                                             {"B10"},
                                             true,
                                             "K1_CONSTANT_BAND_10",
                                             "",
                                             0,
                                             "LANDSAT_8 バンド10 の定数が *_MTL.txt にありません",
                                             nullptr,
                                             "",
                                             "LANDSAT_8 バンド10 の熱赤外の定数 (RADIANCE_MULT_BAND_10"},
                                         DialogCase{"Landsat 8 with K2 0",
                                                    kScene,
                                                    {"B4", "B10"},
                                                    true,
                                                    "K2_CONSTANT_BAND_10",
                                                    "K2_CONSTANT_BAND_10 = 0",
                                                    1,
                                                    "LANDSAT_8 バンド10 の定数が使えない値です (*_MTL.txt)",
                                                    nullptr,
                                                    "",
                                                    "*_MTL.txt では使えない値のため"},
                                         DialogCase{"Landsat 7",
                                                    kScene7,
                                                    {"B1", "B2", "B3", "B4", "B6_VCID_1"},
                                                    true,
                                                    "",
                                                    "",
                                                    4,
                                                    nullptr,
                                                    "17.04",
                                                    "",
                                                    nullptr},
                                         DialogCase{"Landsat 7 without metadata",
                                                    kScene7,
                                                    {"B1", "B6_VCID_1"},
                                                    false,
                                                    "",
                                                    "",
                                                    0,
                                                    nullptr,
                                                    "0",
                                                    kEqualRange,
                                                    kEqualRange}),
                         [](const testing::TestParamInfo<DialogCase>& info) {
                             std::string name;
                             for (const char* p = info.param.what; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
                             return name;
                         });

// The thermal band's value under the pointer in degrees Celsius beside the stored value, in the text and
// beside its point in the band value plot; the red band's top-of-atmosphere reflectance by its MTL constants
// and the sun's elevation (written out from each clip's MTL text).
TEST_F(Landsat8DialogTest, ReadoutGivesTheThermalBandsTemperatureAndTheReflectance) {
    struct Case {
        std::string scene, thermal;
        double (*celsius)(double);
        double mult, add, sunElevation;  // REFLECTANCE_MULT_BAND_4, REFLECTANCE_ADD_BAND_4, SUN_ELEVATION
    } cases[] = {{kScene, "B10", celsiusOf, 2.0e-05, -0.1, 58.99675180},
                 {kScene7, "B6_VCID_1", celsiusOf7, 2.9302e-03, -0.018348, 53.87765310}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.thermal);
        window->closeAllButton->click();
        window->resize(700, 500);
        window->show();
        window->openNow(copyBands(dir.file(c.thermal), c.scene, {"B4", c.thermal}, true));
        ASSERT_EQ(document().bandCount(), 2);
        ASSERT_TRUE(window->waitForJobs());
        const QPoint centre(window->view->width() / 2, window->view->height() / 2);
        QTest::mousePress(window->view, Qt::RightButton, {}, centre);
        const int x = window->imageColumnAtView(centre.x()), y = window->imageLineAtView(centre.y());
        ASSERT_TRUE(x >= 0 && x < 41 && y >= 0 && y < 41) << x << "," << y;
        const double dn = remos_read_sample(bandRow(1)->band, int64_t(y) * document().width() + x);
        const double red = remos_read_sample(bandRow(0)->band, int64_t(y) * document().width() + x);
        const QString temperature = QString::number(c.celsius(dn), 'f', 1) + " ℃";
        const double reflectance = (c.mult * red + c.add) / std::sin(c.sunElevation * M_PI / 180);
        const QString text = window->pixelValueWindow()->valueLabel->text();
        EXPECT_TRUE(text.contains(QStringLiteral("\na : %1 (反射率 %2)\nb : %3 (%4)\n")
                                      .arg(red)
                                      .arg(reflectance, 0, 'f', 4)
                                      .arg(dn)
                                      .arg(temperature)))
            << text.toStdString();
        const auto& samples = window->pixelValueWindow()->bandValuePlot->samples();
        ASSERT_EQ(samples.size(), 2u);
        EXPECT_EQ(samples[0].note, "");
        EXPECT_EQ(QString::fromStdString(samples[1].note), temperature);
    }
}

ORVENNA_GUI_TEST_MAIN()
