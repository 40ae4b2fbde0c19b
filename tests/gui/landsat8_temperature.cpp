// The "LANDSAT温度分布" preset on the real Landsat 8 band 10 clip: the dialog names the satellite and band of
// the constants of the clip's *_MTL.txt, and every drawn pixel has the scale's colour at the brightness
// temperature of its stored value; without the constants the dialog says so and nothing changes.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "WideBandTestSupport.h"
#include "dialogs/LandsatTemperatureDialog.h"
#include "display/ViewGeometry.h"
#include "platform/ImageControl.h"
#include "tests/support/preset_ramp.h"

namespace {

const std::string kScene = "LC08_L1TP_195025_20130707_20170503_01_T1";

// The constants of band 10 in the clip's MTL text.
constexpr double kMult = 3.3420e-04, kAdd = 0.10000, kK1 = 774.8853, kK2 = 1321.0789;

double celsiusOf(double dn) {
    return kK2 / std::log(kK1 / (kMult * dn + kAdd) + 1) - 273.15;
}

class Landsat8DialogTest : public guitest::MainWindowTest {
protected:
    // Copies the band 10 clip beside its MTL text, whose lines `dropped` is in are left out.
    std::string copyClip(const std::string& dropped = "") {
        const std::string data = std::string(ORVENNA_SOURCE_DIR) + "/tests/data/landsat/";
        const std::string tif = dir.file(kScene + "_B10.TIF");
        std::filesystem::copy_file(data + kScene + "_B10.TIF", tif);
        std::ifstream in(data + kScene + "_MTL.txt");
        std::ofstream out(dir.file(kScene + "_MTL.txt"));
        std::string line;
        while (std::getline(in, line))
            if (dropped.empty() || line.find(dropped) == std::string::npos) out << line << '\n';
        return tif;
    }
    void openAndShow(const std::string& tif) {
        window->resize(700, 500);
        window->show();
        window->openNow({tif});
        ASSERT_EQ(document().bandCount(), 1);
        dialog = window->landsatTemperatureDialog();
        window->landsatTemperatureAction->trigger();
        ASSERT_TRUE(dialog->isVisible());
        dialog->bandComboBox->setCurrentIndex(0);
    }

    LandsatTemperatureDialog* dialog = nullptr;
};

}  // namespace

// Scales inside the values the clip's Int16 samples hold, and one whose warm end (45 °C) lies past them.
TEST_F(Landsat8DialogTest, RealBand10IsColouredByItsTemperature) {
    openAndShow(copyClip());
    EXPECT_EQ(dialog->constantsLabel->text(), "定数: LANDSAT_8 バンド10 (*_MTL.txt)");
    EXPECT_TRUE(dialog->lmaxEdit->isHidden());
    EXPECT_TRUE(dialog->lminEdit->isHidden());
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

TEST_F(Landsat8DialogTest, MissingConstantsAreNamedAndChangeNothing) {
    openAndShow(copyClip("K1_CONSTANT_BAND_10"));
    EXPECT_EQ(dialog->constantsLabel->text(), "LANDSAT_8 バンド10 の定数が *_MTL.txt にありません");
    const double low = band(0)->display_low, high = band(0)->display_high;
    dialog->runButton->click();
    EXPECT_TRUE(window->waitForJobs());
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].caption, "失敗");
    EXPECT_TRUE(prompts.boxes[0].text.contains("K1_CONSTANT_BAND_10")) << prompts.boxes[0].text.toStdString();
    EXPECT_TRUE(prompts.boxes[0].text.startsWith("LANDSAT_8 バンド10"))
        << prompts.boxes[0].text.toStdString();
    for (QLineEdit* e : {window->redExpressionEdit, window->greenExpressionEdit, window->blueExpressionEdit})
        EXPECT_EQ(e->text(), "a");
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(document().expression(c).text(), "a");
    EXPECT_EQ(band(0)->display_low, low);
    EXPECT_EQ(band(0)->display_high, high);
}

ORVENNA_GUI_TEST_MAIN()
