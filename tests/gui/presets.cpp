// The colour presets and the panels and placement of the main window: the preset dialogs' contents, what
// their OK buttons write and draw on the demo scenes (against a per-pixel computation made here), the
// Landsat dialog's scale labels and number checks, the View menu toggles and check marks, the band-panel
// tool button, and window placement on a faked screen.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolButton>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "GuiTestSupport.h"
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
        ndvi = new NdviPresetDialog;
        thm = new ThermographyPresetDialog;
        lsthm = new LandsatTemperatureDialog;
        ndviPresetDialog = ndvi;
        thermographyPresetDialog = thm;
        landsatTemperatureDialog = lsthm;
    }
    void TearDown() override {
        ndviPresetDialog = nullptr;
        thermographyPresetDialog = nullptr;
        landsatTemperatureDialog = nullptr;
        delete ndvi;
        delete thm;
        delete lsthm;
        MainWindowTest::TearDown();
    }

    void openSample(const char* relative) { openScene(sampleDir() + "/" + relative); }

    void showView() {
        window->view->setFixedSize(kViewW, kViewH);
        window->horizontalScrollBar->setValue(kHpos);
        window->verticalScrollBar->setValue(kVpos);
        window->show();
        ASSERT_EQ(window->view->size(), QSize(kViewW, kViewH));
    }

    std::array<int, 3> viewRgb(int x, int y) const {
        const QRgb p = window->view->picture.pixel(x, y);
        return {qRed(p), qGreen(p), qBlue(p)};
    }

    static int bandValue(Band band, int x, int y) {
        return samples::band_value(band, kLeft + x, kTop + y, samples::kWidth, samples::kHeight);
    }

    // Compares the whole view with `expected`, channel by channel within `tolerance`.
    void expectView(const std::function<std::array<int, 3>(int, int)>& expected, int tolerance) {
        ASSERT_EQ(window->view->picture.size(), QSize(kViewW, kViewH));
        for (int y = 0; y < kViewH; ++y) {
            for (int x = 0; x < kViewW; ++x) {
                const std::array<int, 3> want = expected(x, y);
                const std::array<int, 3> got = viewRgb(x, y);
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
    EXPECT_EQ(ndvi->windowTitle(), "NDVI");
    EXPECT_EQ(ndvi->size(), QSize(315, 221));
    EXPECT_EQ(ndvi->titleLabel->text(), "NDVI");
    EXPECT_EQ(textLines(ndvi->explanationText),
              (QStringList{"植物の元気具合を合成します。", "白ければ白いほど、その部分の植物が元気であること",
                           "を表しています。", "", "以下の２つのバンドを選択してください"}));
    EXPECT_TRUE(ndvi->explanationText->isReadOnly());
    EXPECT_EQ(ndvi->redBandLabel->text(), "赤");
    EXPECT_EQ(ndvi->nearInfraredBandLabel->text(), "近赤外");
    EXPECT_FALSE(ndvi->redBandComboBox->isEditable());
    EXPECT_EQ(ndvi->okButton->text(), "OK");
    EXPECT_TRUE(ndvi->okButton->isDefault());
    EXPECT_EQ(ndvi->cancelButton->text(), "キャンセル");

    EXPECT_EQ(thm->windowTitle(), "サーモグラフィー風");
    EXPECT_EQ(thm->size(), QSize(315, 313));
    EXPECT_EQ(textLines(thm->explanationText).size(), 9);
    EXPECT_EQ(textLines(thm->explanationText).at(5), "ただし、W, X, Y, Zは内部で計算用に使用しているので");
    EXPECT_TRUE(thm->bandRadioButton->isChecked());
    EXPECT_EQ(thm->bandRadioButton->text(), "バンドに処理(&B)");
    EXPECT_EQ(thm->expressionRadioButton->text(), "式に処理(&E)");
    EXPECT_FALSE(thm->expressionComboBox->isEnabled());
    EXPECT_TRUE(thm->expressionComboBox->isEditable());
    EXPECT_FALSE(thm->bandComboBox->isEditable());

    EXPECT_EQ(lsthm->windowTitle(), "LANDSAT温度分布");
    EXPECT_EQ(lsthm->size(), QSize(315, 307));
    EXPECT_TRUE(lsthm->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(textLines(lsthm->explanationText).size(), 7);
    EXPECT_EQ(lsthm->lmaxEdit->text(), "0");
    EXPECT_EQ(lsthm->lminEdit->text(), "0");
    EXPECT_EQ(lsthm->maxTemperatureEdit->text(), "45");
    EXPECT_EQ(lsthm->minTemperatureEdit->text(), "0");
    EXPECT_EQ(lsthm->maxTemperatureSpin->minimum(), -255);
    EXPECT_EQ(lsthm->maxTemperatureSpin->maximum(), 255);
    EXPECT_EQ(lsthm->minTemperatureSpin->value(), 0);
    EXPECT_EQ(lsthm->maxTemperatureLabel->text(), "最大温度(℃)");
    EXPECT_EQ(lsthm->runButton->text(), "実行");
    EXPECT_EQ(lsthm->closeButton->text(), "閉じる");
    const QStringList scale{"50", "40", "30", "20", "10", "0"};
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

TEST_F(PresetTest, MenuItemsDoNothingWithoutAnImage) {
    window->ndviAction->trigger();
    window->thermographyAction->trigger();
    window->landsatTemperatureAction->trigger();
    EXPECT_TRUE(ndvi->isHidden());
    EXPECT_TRUE(thm->isHidden());
    EXPECT_TRUE(lsthm->isHidden());
}

TEST_F(PresetTest, MenuItemsRefillTheListsAndCentreTheDialogsWithoutModality) {
    openSample(samples::files::kNative4);
    window->setGeometry(60, 40, 900, 578);
    window->show();
    window->greenExpressionEdit->setText("a+b");
    thm->bandComboBox->addItem("stale");

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
    // Without valid Landsat metadata the calibration edits keep what they hold.
    EXPECT_EQ(lsthm->lmaxEdit->text(), "0");
    window->landsatCalibrationValid = true;
    window->landsatLmax = samples::kLandsatLmax61;
    window->landsatLmin = -1.25;
    window->landsatTemperatureAction->trigger();
    EXPECT_EQ(lsthm->lmaxEdit->text(), "17.04");
    EXPECT_EQ(lsthm->lminEdit->text(), "-1.25");
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

// ---- NDVI -----------------------------------------------------------------------------------------------

TEST_F(PresetTest, NdviWritesOneTextResetsBothRangesAndDrawsTheIndex) {
    openSample(samples::files::kNative4);  // a blue, b green, c red, d near infrared
    showView();
    for (int i : {2, 3}) {
        bandRow(i)->lowerBoundSpin->setValue(30);
        bandRow(i)->upperBoundSpin->setValue(120);
    }
    window->ndviAction->trigger();
    ndvi->redBandComboBox->setCurrentIndex(2);
    ndvi->nearInfraredBandComboBox->setCurrentIndex(3);
    ndvi->okButton->click();

    for (QLineEdit* e : {window->redExpressionEdit, window->greenExpressionEdit, window->blueExpressionEdit})
        EXPECT_EQ(e->text(), "( d - c ) / ( d + c ) * 128 + 128");
    for (int i : {2, 3}) {
        EXPECT_EQ(bandRow(i)->band->range_low, 0);
        EXPECT_EQ(bandRow(i)->band->range_high, 255);
        EXPECT_EQ(bandRow(i)->lowerBoundEdit->text(), "0");
        EXPECT_EQ(bandRow(i)->upperBoundEdit->text(), "255");
    }
    EXPECT_TRUE(ndvi->isHidden());
    EXPECT_FALSE(ndvi->okButton->isEnabled());
    expectView(
        [](int x, int y) {
            const double r = bandValue(Band::Red, x, y);
            const double n = bandValue(Band::NearInfrared, x, y);
            const int v = toByte(r + n == 0 ? 128 : (n - r) / (n + r) * 128 + 128);
            return std::array<int, 3>{v, v, v};
        },
        0);
    // Showing the dialog again enables its button.
    window->ndviAction->trigger();
    EXPECT_TRUE(ndvi->okButton->isEnabled());
}

TEST_F(PresetTest, NdviOfOneBandTwiceIsGreyEverywhere) {
    openSample(samples::files::kNative4);
    showView();
    window->ndviAction->trigger();
    ndvi->redBandComboBox->setCurrentIndex(1);
    ndvi->nearInfraredBandComboBox->setCurrentIndex(1);
    ndvi->okButton->click();
    EXPECT_EQ(window->redExpressionEdit->text(), "( b - b ) / ( b + b ) * 128 + 128");
    expectView([](int, int) { return std::array<int, 3>{128, 128, 128}; }, 0);
}

TEST_F(PresetTest, CancelChangesNothing) {
    openSample(samples::files::kNative4);
    window->ndviAction->trigger();
    ndvi->cancelButton->click();
    window->thermographyAction->trigger();
    thm->cancelButton->click();
    window->landsatTemperatureAction->trigger();
    lsthm->closeButton->click();
    EXPECT_TRUE(ndvi->isHidden() && thm->isHidden() && lsthm->isHidden());
    for (QLineEdit* e : {window->redExpressionEdit, window->greenExpressionEdit, window->blueExpressionEdit})
        EXPECT_EQ(e->text(), "a");
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
    EXPECT_EQ(bandRow(3)->band->range_low, 40);  // thermography leaves ranges alone

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
    for (QLineEdit* e : {window->redExpressionEdit, window->greenExpressionEdit, window->blueExpressionEdit})
        EXPECT_TRUE(e->text().startsWith("( w = ( a+b ) ), ")) << e->text().toStdString();
    EXPECT_NE(window->redExpression, nullptr);

    // An empty source does not compile: the boxes turn black and the picture has no colour; no message.
    window->thermographyAction->trigger();
    EXPECT_TRUE(thm->expressionRadioButton->isChecked());  // the radio buttons keep their state
    thm->expressionComboBox->setEditText("");
    thm->okButton->click();
    EXPECT_NE(window->redExpressionEdit->text().indexOf("( w = (  ) )"), -1);
    for (QLineEdit* e : {window->redExpressionEdit, window->greenExpressionEdit, window->blueExpressionEdit})
        EXPECT_EQ(e->palette().color(QPalette::Base), QColor(Qt::black));
    EXPECT_TRUE(prompts.boxes.empty());
    expectView([](int, int) { return std::array<int, 3>{0, 0, 0}; }, 0);

    thm->bandRadioButton->click();
    EXPECT_TRUE(thm->bandComboBox->isEnabled());
    EXPECT_FALSE(thm->expressionComboBox->isEnabled());
}

// ---- Landsat temperature --------------------------------------------------------------------------------

class LandsatPresetTest : public PresetTest {
protected:
    void SetUp() override {
        PresetTest::SetUp();
        openSample(samples::files::kLandsatRed);      // a
        openSample(samples::files::kLandsatNir);      // b
        openSample(samples::files::kLandsatThermal);  // c
        window->landsatCalibrationValid = true;
        window->landsatLmax = samples::kLandsatLmax61;
        window->landsatLmin = samples::kLandsatLmin61;
        showView();
    }
};

TEST_F(LandsatPresetTest, RunDrawsTheTemperatureMapAndStaysOpen) {
    bandRow(2)->lowerBoundSpin->setValue(50);
    bandRow(2)->upperBoundSpin->setValue(180);
    window->landsatTemperatureAction->trigger();
    EXPECT_EQ(lsthm->lmaxEdit->text(), "17.04");
    lsthm->bandComboBox->setCurrentIndex(2);
    lsthm->minTemperatureEdit->setText("10");
    lsthm->maxTemperatureEdit->setText("35");
    lsthm->runButton->click();

    EXPECT_TRUE(lsthm->isVisible());
    EXPECT_TRUE(lsthm->runButton->isEnabled());
    EXPECT_TRUE(window->redExpressionEdit->text().startsWith(
        "( v = c - 1 ), ( v < 0 )if( v = 0 ), ( w = 1282.71 / ( ln( 666.09 "
        "/ ( ( v ) * ( 17.040001 - 0.000000 ) "));
    EXPECT_EQ(bandRow(2)->band->range_low, 0);
    EXPECT_EQ(bandRow(2)->band->range_high, 255);

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

TEST_F(LandsatPresetTest, CalibrationThatIsNotANumberIsReportedAndChangesNothing) {
    bandRow(2)->lowerBoundSpin->setValue(50);
    bandRow(2)->upperBoundSpin->setValue(180);
    window->landsatTemperatureAction->trigger();
    lsthm->bandComboBox->setCurrentIndex(2);
    for (auto [edit, text] : {std::pair{lsthm->lmaxEdit, "17,04"}, std::pair{lsthm->lminEdit, "abc"}}) {
        const QString before = edit->text();
        edit->setText(text);
        prompts.boxes.clear();
        lsthm->runButton->click();
        ASSERT_EQ(prompts.boxes.size(), 1u);
        EXPECT_EQ(prompts.boxes[0].caption, "失敗");
        EXPECT_NE(prompts.boxes[0].text.indexOf(text), -1) << prompts.boxes[0].text.toStdString();
        for (QLineEdit* e :
             {window->redExpressionEdit, window->greenExpressionEdit, window->blueExpressionEdit})
            EXPECT_EQ(e->text(), "a");
        EXPECT_EQ(bandRow(2)->band->range_low, 50);
        EXPECT_EQ(bandRow(2)->band->range_high, 180);
        EXPECT_TRUE(lsthm->runButton->isEnabled());
        edit->setText(before);
    }
}

TEST_F(LandsatPresetTest, ScaleLabelsFollowTheTemperatures) {
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

TEST_F(PresetTest, BandListFromTheMenuDoesNotRedrawButTheToolButtonDoes) {
    openSample(samples::files::kNative4);
    window->resize(900, 578);
    window->show();
    window->drawComposite();
    const QSize before = window->view->picture.size();

    window->showBandListAction->trigger();
    EXPECT_TRUE(window->bandPanel->isHidden());
    EXPECT_FALSE(window->bandListButton->isChecked());
    emit window->viewMenu->aboutToShow();
    EXPECT_FALSE(window->showBandListAction->isChecked());
    EXPECT_EQ(window->view->picture.size(), before);  // no redraw from the menu

    // "設定" with the band list hidden shows both and puts the tool button down.
    window->showSettingsAction->trigger();
    EXPECT_FALSE(window->bandPanel->isHidden());
    EXPECT_FALSE(window->settingsPanel->isHidden());
    EXPECT_TRUE(window->bandListButton->isChecked());
    emit window->viewMenu->aboutToShow();
    EXPECT_TRUE(window->showSettingsAction->isChecked());
    window->showSettingsAction->trigger();
    EXPECT_TRUE(window->settingsPanel->isHidden());
    EXPECT_FALSE(window->bandPanel->isHidden());

    // The tool button hides the band list and redraws at once, at the view's new width.
    window->bandListButton->click();
    EXPECT_TRUE(window->bandPanel->isHidden());
    EXPECT_FALSE(window->showBandListAction->isChecked());
    EXPECT_EQ(window->view->picture.width(), window->view->width());
    EXPECT_GT(window->view->picture.width(), before.width());
    window->bandListButton->click();
    EXPECT_FALSE(window->bandPanel->isHidden());
    EXPECT_TRUE(window->showBandListAction->isChecked());
    EXPECT_EQ(window->view->picture.size(), before);
}

TEST_F(MainWindowTest, SettingsPanelDefaults) {
    EXPECT_TRUE(window->settingsPanel->isHidden());
    EXPECT_EQ(window->settingsPanel->height(), 124);
    const QCheckBox* boxes[] = {window->histogramOnOpenCheckBox, window->smoothScrollCheckBox,
                                window->autoRangeExcludesEndsCheckBox,
                                window->histogramPeakExcludesEndsCheckBox};
    const bool checked[] = {true, false, true, true};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(boxes[i]->isChecked(), checked[i]) << i;
        EXPECT_EQ(boxes[i]->geometry(), QRect(12, 8 + 20 * i, 253, 17)) << i;
    }
    EXPECT_EQ(window->clipRatioLabel->pos(), QPoint(12, 96));
    EXPECT_EQ(window->clipRatioEdit->text(), "0.00085");
    EXPECT_EQ(window->clipRatioEdit->y(), 92);
    EXPECT_GE(window->clipRatioEdit->width(),
              window->clipRatioEdit->fontMetrics().horizontalAdvance("0.00085"));
}

// ---- Placement ------------------------------------------------------------------------------------------

TEST_F(MainWindowTest, PlacementOnAFakedScreen) {
    window->fakeScreenArea = QRect(0, 0, 1280, 974);
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
    window->fakeScreenArea = QRect(0, 30, 1600, 1170);
    window->placeBottomRightAction->trigger();
    EXPECT_EQ(window->frameGeometry(), QRect(800, 615, 800, 585));
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
