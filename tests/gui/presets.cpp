// The colour presets and the panels and placement of the main window: the preset dialogs' contents, what
// their OK buttons put into the document and draw on the demo scenes (against a per-pixel computation made
// here), the Landsat preset on a wide thermal band, presets not made (cancelled, or saying why), the Landsat
// dialog's scale labels and number checks, the View menu toggles and check marks, the band-panel tool
// button, and window placement on a faked screen.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolButton>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "GuiTestSupport.h"
#include "WideBandTestSupport.h"
#include "dialogs/LandsatTemperatureDialog.h"
#include "dialogs/NdviPresetDialog.h"
#include "dialogs/ThermographyPresetDialog.h"
#include "platform/ImageControl.h"
#include "platform/SpinButtons.h"
#include "tests/support/preset_ramp.h"
#include "tools/samples/sample_scenes.h"

using guitest::MainWindowTest;
using samples::Band;

namespace {

// The demo scene set, written once for the whole program.
const std::string& sampleDir() {
    static guitest::TempDir* dir = [] {
        auto* d = new guitest::TempDir;
        std::string error;
        if (!samples::write_sample_scenes(d->path().string(), &error)) ADD_FAILURE() << error;
        return d;
    }();
    static const std::string path = dir->path().string();
    return path;
}

QStringList textLines(const QPlainTextEdit* memo) {
    QStringList lines;
    for (QTextBlock b = memo->document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    return lines;
}

QStringList comboItems(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

using presettest::Ramp;

int toByte(double v) {
    return std::isnan(v) ? 0 : static_cast<int>(std::clamp(v, 0.0, 255.0));
}

class PresetTest : public MainWindowTest {
protected:
    static constexpr int kViewW = 72;
    static constexpr int kViewH = 48;
    // Scroll positions that put the view inside the image at 1:1: view pixel (x, y) shows image pixel
    // (kLeft + x, kTop + y).
    static constexpr int kHpos = 420;
    static constexpr int kVpos = 310;
    static constexpr int kLeft = kHpos - kViewW / 2;
    static constexpr int kTop = kVpos - kViewH / 2;

    void SetUp() override {
        MainWindowTest::SetUp();
        window->cornerAfterOpening = true;
        ndvi = window->ndviPresetDialog();
        thm = window->thermographyPresetDialog();
        lsthm = window->landsatTemperatureDialog();
    }

    void openSample(const char* relative) { openScene(sampleDir() + "/" + relative); }

    void showView() {
        window->view->setFixedSize(kViewW, kViewH);
        window->setScrollPosition(kHpos, kVpos);
        window->show();
        ASSERT_EQ(window->view->size(), QSize(kViewW, kViewH));
        window->redrawNow();
    }

    QStringList expressionTexts() {
        QStringList texts;
        for (int c = 0; c < 3; ++c)
            texts << QString::fromStdString(document().expression(c).text());
        return texts;
    }

    static int bandValue(Band band, int x, int y) {
        return samples::band_value(band, kLeft + x, kTop + y, samples::kWidth, samples::kHeight);
    }

    // Waits for the redraw the preset asked for, then compares the whole view with `expected`, channel by
    // channel within `tolerance`.
    void expectView(const std::function<std::array<int, 3>(int, int)>& expected, int tolerance) {
        ASSERT_TRUE(window->waitForJobs());
        const QImage& picture = window->viewPicture();
        ASSERT_EQ(picture.size(), QSize(kViewW, kViewH));
        for (int y = 0; y < kViewH; ++y) {
            for (int x = 0; x < kViewW; ++x) {
                const std::array<int, 3> want = expected(x, y);
                const QColor p = picture.pixelColor(x, y);
                const std::array<int, 3> got{p.red(), p.green(), p.blue()};
                for (int c = 0; c < 3; ++c)
                    ASSERT_LE(std::abs(got[c] - want[c]), tolerance)
                        << "at " << x << "," << y << " channel " << c << " got " << got[c] << " want "
                        << want[c];
            }
        }
    }

    NdviPresetDialog* ndvi = nullptr;
    ThermographyPresetDialog* thm = nullptr;
    LandsatTemperatureDialog* lsthm = nullptr;
};

// ---- Dialog contents ------------------------------------------------------------------------------------

TEST_F(PresetTest, DialogsCarryTheirCaptionsSizesAndTexts) {
    EXPECT_EQ((QStringList{ndvi->windowTitle(), ndvi->titleLabel->text(), ndvi->redBandLabel->text(),
                           ndvi->nearInfraredBandLabel->text(), ndvi->okButton->text(),
                           ndvi->cancelButton->text()}),
              (QStringList{"NDVI", "NDVI", "赤", "近赤外", "OK", "キャンセル"}));
    EXPECT_EQ((QStringList{thm->windowTitle(), textLines(thm->explanationText).at(5),
                           thm->bandRadioButton->text(), thm->expressionRadioButton->text()}),
              (QStringList{"サーモグラフィー風", "ただし、W, X, Y, Zは内部で計算用に使用しているので",
                           "バンドに処理(&B)", "式に処理(&E)"}));
    EXPECT_EQ((QStringList{lsthm->windowTitle(), lsthm->lmaxEdit->text(), lsthm->lminEdit->text(),
                           lsthm->maxTemperatureEdit->text(), lsthm->minTemperatureEdit->text(),
                           lsthm->maxTemperatureLabel->text(), lsthm->runButton->text(),
                           lsthm->closeButton->text()}),
              (QStringList{"LANDSAT温度分布", "0", "0", "45", "0", "最大温度(℃)", "実行", "閉じる"}));
    EXPECT_EQ(textLines(ndvi->explanationText),
              (QStringList{"植物の元気具合を合成します。", "白ければ白いほど、その部分の植物が元気であること",
                           "を表しています。", "", "以下の２つのバンドを選択してください"}));
    EXPECT_EQ(textLines(thm->explanationText).size(), 9);
    EXPECT_EQ(textLines(lsthm->explanationText).size(), 7);
    EXPECT_EQ((std::vector<QSize>{ndvi->size(), thm->size(), lsthm->size()}),
              (std::vector<QSize>{{315, 221}, {315, 313}, {315, 307}}));
    EXPECT_TRUE(ndvi->explanationText->isReadOnly() && ndvi->okButton->isDefault());
    EXPECT_TRUE(thm->bandRadioButton->isChecked() && thm->expressionComboBox->isEditable());
    EXPECT_FALSE(ndvi->redBandComboBox->isEditable() || thm->bandComboBox->isEditable());
    EXPECT_FALSE(thm->expressionComboBox->isEnabled());
    EXPECT_TRUE(lsthm->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(lsthm->maxTemperatureSpin->minimum(), -255);
    EXPECT_EQ(lsthm->maxTemperatureSpin->maximum(), 255);
    EXPECT_EQ(lsthm->minTemperatureSpin->value(), 0);
    const QStringList scale{"45", "36", "27", "18", "9", "0"};  // from the temperature fields
    const QLabel* labels[] = {lsthm->redScaleLabel,  lsthm->yellowScaleLabel, lsthm->greenScaleLabel,
                              lsthm->cyanScaleLabel, lsthm->blueScaleLabel,   lsthm->blackScaleLabel};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(labels[i]->text(), scale[i]);
    // The scale picture: red at the left end, black at the right, labels left to right under it.
    const QImage& ramp = lsthm->scaleView->picture;
    ASSERT_EQ(ramp.size(), QSize(256, 10));
    EXPECT_EQ(QColor(ramp.pixel(0, 5)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(ramp.pixel(255, 5)), QColor(0, 0, 0));
    for (int i = 1; i < 6; ++i)
        EXPECT_GT(labels[i]->x(), labels[i - 1]->x());
}

TEST_F(PresetTest, MenuItemsRefillTheListsAndCentreTheDialogsWithoutModality) {
    openSample(samples::files::kNative4);
    window->setGeometry(60, 40, 900, 578);
    window->show();
    window->greenExpressionEdit->setText("a+b");
    thm->bandComboBox->addItem("stale");
    lsthm->lmaxEdit->setText("5");

    struct Case {
        QAction* item;
        QDialog* dialog;
        std::vector<QComboBox*> combos;
    } cases[] = {
        {window->ndviAction, ndvi, {ndvi->redBandComboBox, ndvi->nearInfraredBandComboBox}},
        {window->thermographyAction, thm, {thm->bandComboBox}},
        {window->landsatTemperatureAction, lsthm, {lsthm->bandComboBox}},
    };
    QStringList captions;
    for (int i = 0; i < 4; ++i)
        captions << bandRow(i)->nameLabel->text();
    for (const Case& c : cases) {
        c.item->trigger();
        ASSERT_TRUE(c.dialog->isVisible());
        EXPECT_FALSE(c.dialog->isModal());
        for (QComboBox* combo : c.combos) {
            EXPECT_EQ(comboItems(combo), captions);
            EXPECT_EQ(combo->currentIndex(), 0);
        }
        const QRect main = window->frameGeometry();
        const QRect own = c.dialog->frameGeometry();
        EXPECT_EQ(own.left(), main.left() + main.width() / 2 - own.width() / 2);
        EXPECT_EQ(own.top(), main.top() + main.height() / 2 - own.height() / 2);
        c.dialog->hide();
    }
    EXPECT_EQ(comboItems(thm->expressionComboBox), (QStringList{"a", "a+b", "a"}));
    EXPECT_EQ(thm->expressionComboBox->currentText(), "a");
    // Without Landsat metadata the calibration edits keep what they hold; with it they show its values.
    EXPECT_EQ(lsthm->lmaxEdit->text(), "5");
    lsthm->lminEdit->setText("3");
    openSample(samples::files::kLandsatThermal);
    ASSERT_TRUE(document().landsat7CalibrationValid());
    window->landsatTemperatureAction->trigger();
    EXPECT_EQ(lsthm->lmaxEdit->text(), "17.04");
    EXPECT_EQ(lsthm->lminEdit->text(), "0");
}

TEST_F(PresetTest, PresetButtonPopsTheMenuAtItsTopRightCorner) {
    window->setGeometry(0, 0, 640, 480);
    window->show();
    window->presetButton->click();
    ASSERT_TRUE(window->presetMenu->isVisible());
    EXPECT_EQ(window->presetMenu->pos(),
              window->presetButton->mapToGlobal(QPoint(window->presetButton->width(), 0)));
    window->presetMenu->hide();
}

// Without an image the menu items do nothing. A dialog cancelled, a calibration that is not a number or a
// band chosen and closed since leaves the expressions and ranges as they were; what cannot be made says why.
TEST_F(PresetTest, PresetsNotMadeChangeNothing) {
    for (QAction* item : {window->ndviAction, window->thermographyAction, window->landsatTemperatureAction})
        item->trigger();
    EXPECT_TRUE(ndvi->isHidden() && thm->isHidden() && lsthm->isHidden());

    openSample(samples::files::kNative4);
    bandRow(1)->lowerBoundSpin->setValue(50);
    bandRow(1)->upperBoundSpin->setValue(180);
    const auto typeAndRun = [this](QLineEdit* edit, const char* text) {
        return [this, edit, text] {
            const QString before = edit->text();
            edit->setText(text);
            lsthm->runButton->click();
            edit->setText(before);
        };
    };
    const auto closeChosenAndApply = [this](QComboBox* combo, QPushButton* button) {
        return [this, combo, button] {
            const int last = document().bandCount() - 1;
            combo->setCurrentIndex(last);
            bandRow(last)->closeButton->click();
            button->click();
        };
    };
    struct Case {
        QAction* item;
        std::function<void()> act;
        const char* says;  // in a "失敗" box; nothing when null
    } cases[] = {
        {window->ndviAction, [this] { ndvi->cancelButton->click(); }, nullptr},
        {window->thermographyAction, [this] { thm->cancelButton->click(); }, nullptr},
        {window->landsatTemperatureAction, [this] { lsthm->closeButton->click(); }, nullptr},
        {window->landsatTemperatureAction, typeAndRun(lsthm->lmaxEdit, "17,04"), "LMAX の値「17,04」"},
        {window->landsatTemperatureAction, typeAndRun(lsthm->lminEdit, "abc"), "LMIN の値「abc」"},
        {window->ndviAction, closeChosenAndApply(ndvi->nearInfraredBandComboBox, ndvi->okButton),
         "バンド d がありません"},
        {window->landsatTemperatureAction, closeChosenAndApply(lsthm->bandComboBox, lsthm->runButton),
         "バンド c がありません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item->text().toStdString());
        c.item->trigger();
        prompts.boxes.clear();
        c.act();
        ASSERT_EQ(prompts.boxes.size(), c.says ? 1u : 0u);
        if (c.says) {
            EXPECT_EQ(prompts.boxes[0].caption, "失敗");
            EXPECT_TRUE(prompts.boxes[0].text.contains(c.says)) << prompts.boxes[0].text.toStdString();
        }
        EXPECT_EQ(expressionTexts(), (QStringList{"a", "a", "a"}));
        EXPECT_EQ(band(1)->range_low, 50);
        EXPECT_EQ(band(1)->range_high, 180);
        EXPECT_TRUE(lsthm->runButton->isEnabled());
    }
    EXPECT_TRUE(ndvi->isHidden() && thm->isHidden());
}

// ---- NDVI -----------------------------------------------------------------------------------------------

TEST_F(PresetTest, NdviWritesOneTextOfStoredValuesAndDrawsTheIndexWhateverTheRanges) {
    openSample(samples::files::kNative4);  // a blue, b green, c red, d near infrared
    showView();
    // The same band twice is grey everywhere.
    struct Case {
        int red, nir;
        Band redBand, nirBand;
        const char* text;   // the preset's
        const char* typed;  // the text of the display bytes that draws the same at 0..255
    } cases[] = {
        {2, 3, Band::Red, Band::NearInfrared, "( #d - #c ) / ( #d + #c ) * 128 + 128",
         "( d - c ) / ( d + c ) * 128 + 128"},
        {1, 1, Band::Green, Band::Green, "( #b - #b ) / ( #b + #b ) * 128 + 128",
         "( b - b ) / ( b + b ) * 128 + 128"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        for (int i : {c.red, c.nir}) {
            bandRow(i)->lowerBoundSpin->setValue(30);
            bandRow(i)->upperBoundSpin->setValue(120);
        }
        window->ndviAction->trigger();
        EXPECT_TRUE(ndvi->okButton->isEnabled());  // every showing enables it again
        ndvi->redBandComboBox->setCurrentIndex(c.red);
        ndvi->nearInfraredBandComboBox->setCurrentIndex(c.nir);
        ndvi->okButton->click();

        EXPECT_EQ(expressionTexts(), QStringList(3, c.text));
        EXPECT_EQ(window->blueExpressionEdit->text(), c.text);
        EXPECT_TRUE(ndvi->isHidden());
        EXPECT_FALSE(ndvi->okButton->isEnabled());
        auto index = [&](int x, int y) {
            const double r = bandValue(c.redBand, x, y), n = bandValue(c.nirBand, x, y);
            const int v = toByte(r + n == 0 ? 128 : (n - r) / (n + r) * 128 + 128);
            return std::array<int, 3>{v, v, v};
        };
        // The ranges stay as they were and do not change the picture.
        for (int i : {c.red, c.nir}) {
            EXPECT_EQ(band(i)->range_low, 30);
            EXPECT_EQ(band(i)->range_high, 120);
        }
        expectView(index, 0);
        // The text of the display bytes, the preset before stored values, draws the same at 0..255.
        for (int i : {c.red, c.nir}) {
            bandRow(i)->lowerBoundSpin->setValue(0);
            bandRow(i)->upperBoundSpin->setValue(255);
        }
        for (QLineEdit* edit :
             {window->redExpressionEdit, window->greenExpressionEdit, window->blueExpressionEdit})
            edit->setText(c.typed);
        expectView(index, 0);
    }
}

// ---- Thermography ---------------------------------------------------------------------------------------

TEST_F(PresetTest, ThermographyOfABandFollowsTheRampInDrawingOrder) {
    openSample(samples::files::kNative4);
    showView();
    bandRow(3)->lowerBoundSpin->setValue(40);
    bandRow(3)->upperBoundSpin->setValue(200);
    window->thermographyAction->trigger();
    thm->bandComboBox->setCurrentIndex(3);
    thm->okButton->click();
    EXPECT_TRUE(window->redExpressionEdit->text().startsWith("( w = ( d ) ), "));
    EXPECT_TRUE(thm->isHidden());
    EXPECT_EQ(band(3)->range_low, 40);  // thermography leaves ranges alone

    // Pixels are drawn line by line, left to right; at a joint of the ramp the channel repeats its previous
    // value (strict comparisons leave no branch there).
    std::vector<std::array<int, 3>> expected(kViewW * kViewH);
    std::array<double, 3> last{0, 0, 0};
    int joints = 0;
    for (int y = 0; y < kViewH; ++y) {
        for (int x = 0; x < kViewW; ++x) {
            const int raw = bandValue(Band::NearInfrared, x, y);
            const int w = std::clamp(static_cast<int>(255.999999 / (200 - 40) * (raw - 40)), 0, 255);
            std::array<double, 3> c = Ramp(w, 51);
            if (w == 204) c[0] = last[0];
            if (w == 102) c[1] = last[1];
            if (w == 153) c[2] = last[2];
            joints += (w == 204 || w == 102 || w == 153);
            last = c;
            expected[y * kViewW + x] = {toByte(c[0]), toByte(c[1]), toByte(c[2])};
        }
    }
    expectView([&](int x, int y) { return expected[y * kViewW + x]; }, 1);
    EXPECT_GT(joints, 0);  // the view does reach the joints
}

TEST_F(PresetTest, ThermographyOfAnExpressionAndOfABrokenOne) {
    openSample(samples::files::kNative4);
    showView();
    window->thermographyAction->trigger();
    thm->expressionRadioButton->click();
    EXPECT_TRUE(thm->expressionComboBox->isEnabled());
    EXPECT_FALSE(thm->bandComboBox->isEnabled());
    thm->expressionComboBox->setEditText("a+b");
    thm->okButton->click();
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(document().expression(c).text().rfind("( w = ( a+b ) ), ", 0), 0u);
        EXPECT_TRUE(document().expression(c).compiles());
    }

    // An empty source does not compile: the boxes turn black and the picture has no colour; no message.
    window->thermographyAction->trigger();
    EXPECT_TRUE(thm->expressionRadioButton->isChecked());  // the radio buttons keep their state
    thm->expressionComboBox->setEditText("");
    thm->okButton->click();
    EXPECT_NE(window->redExpressionEdit->text().indexOf("( w = (  ) )"), -1);
    for (QLineEdit* e : {window->redExpressionEdit, window->greenExpressionEdit, window->blueExpressionEdit})
        EXPECT_EQ(e->palette().color(QPalette::Base), QColor(Qt::black));
    for (int c = 0; c < 3; ++c)
        EXPECT_FALSE(document().expression(c).compiles());
    EXPECT_TRUE(prompts.boxes.empty());
    expectView([](int, int) { return std::array<int, 3>{0, 0, 0}; }, 0);

    thm->bandRadioButton->click();
    EXPECT_TRUE(thm->bandComboBox->isEnabled());
    EXPECT_FALSE(thm->expressionComboBox->isEnabled());
}

// ---- Landsat temperature --------------------------------------------------------------------------------

TEST_F(PresetTest, LandsatTemperatureRunDrawsTheMapAndStaysOpen) {
    openSample(samples::files::kLandsatRed);      // a
    openSample(samples::files::kLandsatNir);      // b
    openSample(samples::files::kLandsatThermal);  // c, beside the metadata's LMAX/LMIN
    showView();
    bandRow(2)->lowerBoundSpin->setValue(50);
    bandRow(2)->upperBoundSpin->setValue(180);
    window->landsatTemperatureAction->trigger();
    lsthm->bandComboBox->setCurrentIndex(2);
    EXPECT_EQ(lsthm->lmaxEdit->text(), "17.04");
    lsthm->minTemperatureEdit->setText("10");
    lsthm->maxTemperatureEdit->setText("35");
    lsthm->runButton->click();

    EXPECT_TRUE(lsthm->isVisible());
    EXPECT_TRUE(lsthm->runButton->isEnabled());
    EXPECT_TRUE(window->redExpressionEdit->text().startsWith(
        "( v = c - 1 ), ( v < 0 )if( v = 0 ), ( w = 1282.71 / ( ln( 666.09 "
        "/ ( ( v ) * ( 17.040001 - 0.000000 ) "));
    EXPECT_EQ(band(2)->range_low, 0);
    EXPECT_EQ(band(2)->range_high, 255);

    int warm = 0;
    expectView(
        [&](int x, int y) {
            const double v = std::max(bandValue(Band::Thermal, x, y) - 1, 0);
            const double radiance = v * (17.040001 - 0.0) / 254.0;
            const double celsius =
                radiance == 0 ? -273.15 : 1282.71 / std::log(666.09 / radiance + 1) - 273.15;
            const std::array<double, 3> c = Ramp(celsius - 10, 25 / 5.0);
            if (c[0] > 0) ++warm;
            return std::array<int, 3>{toByte(c[0]), toByte(c[1]), toByte(c[2])};
        },
        1);
    EXPECT_GT(warm, 0);

    // A second run with other temperatures works from the open dialog.
    lsthm->maxTemperatureEdit->setText("60");
    lsthm->runButton->click();
    EXPECT_NE(window->redExpressionEdit->text().indexOf("( w < ( 50 / 5 * 4 ) )"), -1);
    EXPECT_TRUE(lsthm->isVisible() && lsthm->runButton->isEnabled());
}

TEST_F(PresetTest, LandsatScaleLabelsFollowTheTemperatures) {
    struct Case {
        const char* max;
        const char* min;
        QStringList labels;
    } cases[] = {
        {"35", "10", {"35", "30", "25", "20", "15", "10"}},
        {"47", "0", {"47", "36", "27", "18", "9", "0"}},
        {"300", "0", {"255", "204", "153", "102", "51", "0"}},  // read through the up/down's range
        {"x", "0", {"0", "0", "0", "0", "0", "0"}},
    };
    const QLabel* labels[] = {lsthm->redScaleLabel,  lsthm->yellowScaleLabel, lsthm->greenScaleLabel,
                              lsthm->cyanScaleLabel, lsthm->blueScaleLabel,   lsthm->blackScaleLabel};
    for (const Case& c : cases) {
        lsthm->minTemperatureEdit->setText(c.min);
        lsthm->maxTemperatureEdit->setText(c.max);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(labels[i]->text(), c.labels[i]) << c.max << " " << c.min << " " << i;
    }
}

// The calibration is of band 6's bytes: a wider band holding them is read at 0..255 as well.
TEST_F(PresetTest, LandsatSevenTemperatureReadsAWideThermalBandAt0To255) {
    std::filesystem::copy_file(sampleDir() + "/" + samples::files::kLandsatMet, dir.file("L7DEMO_MTL.met"));
    const std::string thermal = dir.file("thermal.tif");
    ASSERT_TRUE(
        widetest::writeGeoTiff(dir, thermal, "UInt16", 40, 30, [](int x, int y) { return 60 + x * 5 + y; }));
    openScene(thermal);
    ASSERT_TRUE(document().band(0).isWide());
    ASSERT_GT(band(0)->display_low, 0);
    window->landsatTemperatureAction->trigger();
    lsthm->runButton->click();
    EXPECT_TRUE(prompts.boxes.empty());
    EXPECT_EQ(band(0)->display_low, 0);
    EXPECT_EQ(band(0)->display_high, 255);
}

// ---- Panels ---------------------------------------------------------------------------------------------

TEST_F(MainWindowTest, ViewMenuTogglesPanelsAndSetsCheckMarksWhenOpened) {
    window->show();
    emit window->viewMenu->aboutToShow();
    EXPECT_TRUE(window->showToolBarAction->isChecked());
    EXPECT_TRUE(window->showBandListAction->isChecked());
    EXPECT_TRUE(window->showZoomStripAction->isChecked());
    EXPECT_TRUE(window->showStatusBarAction->isChecked());
    EXPECT_FALSE(window->showSettingsAction->isChecked());

    struct Case {
        QAction* item;
        QWidget* panel;
    } cases[] = {
        {window->showToolBarAction, window->toolBarPanel},
        {window->showZoomStripAction, window->zoomStrip},
        {window->showStatusBarAction, window->statusBar()},
    };
    for (const Case& c : cases) {
        c.item->trigger();
        EXPECT_TRUE(c.panel->isHidden());
        c.item->setChecked(true);  // a stale mark: opening the menu corrects it
        emit window->viewMenu->aboutToShow();
        EXPECT_FALSE(c.item->isChecked());
        c.item->trigger();
        EXPECT_FALSE(c.panel->isHidden());
        emit window->viewMenu->aboutToShow();
        EXPECT_TRUE(c.item->isChecked());
    }
}

// The band list hides and shows from the View menu and from the tool button, each keeping the other's mark;
// the picture follows the view's new width.
TEST_F(PresetTest, BandListHidesFromTheMenuAndTheToolButton) {
    openSample(samples::files::kNative4);
    window->resize(900, 578);
    window->show();
    window->redrawNow();
    const QSize before = window->viewPicture().size();
    const std::function<void()> toggles[] = {[this] { window->showBandListAction->trigger(); },
                                             [this] { window->bandListButton->click(); }};
    for (const auto& toggle : toggles) {
        for (bool shown : {false, true}) {
            toggle();
            EXPECT_EQ(window->bandPanel->isHidden(), !shown);
            EXPECT_EQ(window->bandListButton->isChecked(), shown);
            emit window->viewMenu->aboutToShow();
            EXPECT_EQ(window->showBandListAction->isChecked(), shown);
            QCoreApplication::processEvents();  // laid out: the view has its new width
            EXPECT_TRUE(guitest::pumpUntil([this] {
                return !window->jobs().busy() && window->viewPicture().size() == window->view->size();
            }));
            EXPECT_EQ(window->viewPicture().width() > before.width(), !shown);
        }
    }

    // "設定" with the band list hidden shows both and puts the tool button down.
    window->bandListButton->click();
    window->showSettingsAction->trigger();
    EXPECT_FALSE(window->bandPanel->isHidden());
    EXPECT_FALSE(window->settingsPanel->isHidden());
    EXPECT_TRUE(window->bandListButton->isChecked());
    emit window->viewMenu->aboutToShow();
    EXPECT_TRUE(window->showSettingsAction->isChecked());
    window->showSettingsAction->trigger();
    EXPECT_TRUE(window->settingsPanel->isHidden());
    EXPECT_FALSE(window->bandPanel->isHidden());
}

// ---- Placement ------------------------------------------------------------------------------------------

TEST_F(MainWindowTest, PlacementOnAFakedScreen) {
    window->setScreenAreaForPlacement(QRect(0, 0, 1280, 974));
    window->show();
    struct Case {
        QAction* item;
        QToolButton* button;
        QRect frame;
    } cases[] = {
        {window->placeTopLeftAction, window->placeTopLeftButton, {0, 0, 640, 487}},
        {window->placeTopRightAction, window->placeTopRightButton, {640, 0, 640, 487}},
        {window->placeBottomLeftAction, window->placeBottomLeftButton, {0, 487, 640, 487}},
        {window->placeBottomRightAction, window->placeBottomRightButton, {640, 487, 640, 487}},
        {window->placeTopAction, window->placeTopButton, {0, 0, 1280, 487}},
        {window->placeBottomAction, window->placeBottomButton, {0, 487, 1280, 487}},
        {window->placeLeftAction, window->placeLeftButton, {0, 0, 640, 974}},
        {window->placeRightAction, window->placeRightButton, {640, 0, 640, 974}},
    };
    for (const Case& c : cases) {
        window->setGeometry(33, 44, 700, 500);
        c.item->trigger();
        EXPECT_EQ(window->frameGeometry(), c.frame) << c.item->text().toStdString();
        window->setGeometry(33, 44, 700, 500);
        c.button->click();
        EXPECT_EQ(window->frameGeometry(), c.frame) << c.item->text().toStdString();
    }
    // An available area that starts below a panel carries its origin into every placement.
    window->setScreenAreaForPlacement(QRect(0, 30, 1600, 1170));
    window->placeBottomRightAction->trigger();
    EXPECT_EQ(window->frameGeometry(), QRect(800, 615, 800, 585));
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
