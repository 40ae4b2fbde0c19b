// The band list: row layout and labels, histogram pictures, every way of changing a display range, the
// colour squares, automatic range, closing bands with relabelling and scene release.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include <algorithm>

#include "GuiTestSupport.h"
#include "platform/ImageControl.h"
#include "platform/SpinButtons.h"

using guitest::MainWindowTest;

namespace {

const QRgb kBarInside = qRgb(30, 30, 255);
const QRgb kBarOutside = qRgb(50, 50, 130);
const QRgb kBackInside = qRgb(255, 255, 255);
const QRgb kBackOutside = qRgb(80, 80, 80);

class BandRowTest : public MainWindowTest {
protected:
    // One file "scene.vdm" of three 16 x 8 bands whose values are band * 40 + x.
    void openThreeBands() {
        path = dir.file("scene.vdm");
        guitest::writeNativeScene(path, 16, 8, 3,
                                  [](int band, int x, int) { return uint8_t(band * 40 + x); });
        scene = openScene(path);
    }
    int lowerBound(BandRow* row) { return row->lowerBoundSpin->value(); }
    int upperBound(BandRow* row) { return row->upperBoundSpin->value(); }
    QRgb histogramPixel(BandRow* row, int x, int y) {
        return row->histogramView->picture.pixel(x, y) | 0xFF000000u;
    }

    std::string path;
    SceneFile* scene = nullptr;
};

}  // namespace

TEST_F(BandRowTest, RowControlsAndLabels) {
    openThreeBands();
    ASSERT_EQ(window->bandRows.size(), 3u);
    BandRow* row = bandRow(2);
    EXPECT_EQ(row->nameLabel->text(), "C : scene.vdm - 2");
    EXPECT_EQ(row->nameLabel->toolTip(), row->nameLabel->text());
    EXPECT_EQ(bandRow(0)->nameLabel->text(), "A : scene.vdm - 0");
    EXPECT_EQ(row->panel->height(), 100);
    struct Place {
        QWidget* w;
        QRect rect;
    } places[] = {
        {row->histogramView, QRect(4, 24, 256, 45)}, {row->closeButton, QRect(4, 4, 21, 17)},
        {row->blueButton, QRect(224, 72, 17, 21)},   {row->redButton, QRect(184, 72, 17, 21)},
        {row->greenButton, QRect(204, 72, 17, 21)},  {row->autoRangeButton, QRect(128, 72, 29, 21)},
        {row->greyButton, QRect(244, 72, 17, 21)},   {row->fullRangeButton, QRect(156, 72, 21, 21)},
    };
    for (const Place& p : places)
        EXPECT_EQ(p.w->geometry(), p.rect);
    EXPECT_EQ(row->lowerBoundEdit->pos(), QPoint(24, 72));
    EXPECT_EQ(row->upperBoundEdit->pos(), QPoint(84, 72));
    EXPECT_EQ(row->lowerBoundEdit->width(), 25);
    EXPECT_EQ(row->nameLabel->pos(), QPoint(28, 8));
    EXPECT_EQ(row->lowerBoundLabel->text(), "下");
    EXPECT_EQ(row->upperBoundLabel->text(), "上");
    EXPECT_EQ(row->autoRangeButton->text(), "自動");
    EXPECT_EQ(row->fullRangeButton->text(), "<>");
    EXPECT_EQ(row->closeButton->text(), "×");
    EXPECT_EQ(row->closeButton->palette().color(QPalette::ButtonText), QColor(Qt::red));
    EXPECT_EQ(row->greenButton->palette().color(QPalette::ButtonText), QColor(0, 128, 0));
    EXPECT_EQ(lowerBound(row), 0);
    EXPECT_EQ(upperBound(row), 255);
    EXPECT_EQ(row->lowerBoundEdit->text(), "0");
    EXPECT_EQ(row->upperBoundEdit->text(), "255");
    EXPECT_EQ(row->lineBuffer.size(), 16u);
    // Rows are listed top-down in letter order.
    EXPECT_EQ(window->bandListLayout->indexOf(bandRow(0)->panel), 0);
    EXPECT_EQ(window->bandListLayout->indexOf(bandRow(2)->panel), 2);
}

TEST_F(BandRowTest, ColourChannelRowsAreMarked) {
    openThreeBands();
    for (int i = 0; i < 3; ++i) {
        bandRow(i)->isPicture = true;
        window->refreshBandRow(bandRow(i));
    }
    EXPECT_EQ(bandRow(0)->nameLabel->text(), "A : scene.vdm - 0 - R");
    EXPECT_EQ(bandRow(1)->nameLabel->text(), "B : scene.vdm - 1 - G");
    EXPECT_EQ(bandRow(2)->nameLabel->text(), "C : scene.vdm - 2 - B");
    EXPECT_EQ(bandRow(0)->nameLabel->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(bandRow(1)->nameLabel->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    EXPECT_EQ(bandRow(2)->nameLabel->palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

TEST_F(BandRowTest, HistogramPictureColoursAndScaling) {
    openThreeBands();
    BandRow* row = bandRow(0);
    BandInfo* band = row->band;
    std::fill(std::begin(band->histogram), std::end(band->histogram), 0);
    band->histogram[0] = 1000;  // tallest bin is an end bin
    band->histogram[10] = 100;  // tallest inner bin
    band->histogram[20] = 50;
    band->histogram[200] = 25;
    band->hist_peak = 1000;
    band->hist_peak_inner = 100;
    row->lowerBoundSpin->setValue(15);
    row->upperBoundSpin->setValue(200);
    window->drawBandHistogram(row);
    const int h = 45;
    struct Column {
        int v;
        int bar;  // expected bar height
        bool inside;
    } reduced[] = {
        {0, h, false},                          // taller than the reduced peak: fills its column
        {10, h, false},                         // the inner peak
        {20, int(h * (50.0 / 100.0)), true},    // 22
        {200, int(h * (25.0 / 100.0)), false},  // the upper bound itself is outside
        {100, 0, true},
    };
    for (const Column& c : reduced) {
        for (int y = 0; y < h; ++y) {
            const bool inBar = y >= h - c.bar;
            const QRgb want =
                inBar ? (c.inside ? kBarInside : kBarOutside) : (c.inside ? kBackInside : kBackOutside);
            ASSERT_EQ(histogramPixel(row, c.v, y), want) << "v=" << c.v << " y=" << y;
        }
    }
    // Unchecking the box rescales every row to the peak over all bins at once.
    BandRow* other = bandRow(1);
    std::fill(std::begin(other->band->histogram), std::end(other->band->histogram), 0);
    other->band->histogram[255] = 90;
    other->band->histogram[128] = 30;
    other->band->hist_peak = 90;
    other->band->hist_peak_inner = 30;
    window->drawBandHistogram(other);
    EXPECT_EQ(histogramPixel(other, 128, 0), kBarInside);  // full column with the reduced peak
    window->histogramPeakExcludesEndsCheckBox->click();
    EXPECT_FALSE(window->histogramPeakExcludesEndsCheckBox->isChecked());
    EXPECT_EQ(histogramPixel(other, 128, 0), kBackInside);
    EXPECT_EQ(histogramPixel(other, 128, h - 15), kBarInside);  // 30 / 90 of 45 = 15 pixels
    EXPECT_EQ(histogramPixel(other, 128, h - 16), kBackInside);
    EXPECT_EQ(histogramPixel(row, 10, h - 4), kBarOutside);  // 100 / 1000 of 45 = 4 pixels
    EXPECT_EQ(histogramPixel(row, 10, h - 5), kBackOutside);
}

TEST_F(BandRowTest, ZeroPeaksBecomeOne) {
    openThreeBands();
    BandRow* row = bandRow(0);
    std::fill(std::begin(row->band->histogram), std::end(row->band->histogram), 0);
    row->band->hist_peak = 0;
    row->band->hist_peak_inner = 0;
    window->drawBandHistogram(row);
    EXPECT_EQ(row->band->hist_peak, 1);
    EXPECT_EQ(row->band->hist_peak_inner, 1);
    EXPECT_EQ(histogramPixel(row, 50, 44), kBackInside);  // an empty picture
}

TEST_F(BandRowTest, TypedBoundsNeverMeet) {
    openThreeBands();
    BandRow* row = bandRow(1);
    struct Case {
        bool lower;
        const char* text;
        int wantLow, wantHigh;
    } cases[] = {
        {true, "255", 254, 255},  // lower typed at the upper bound stops one below it
        {true, "100", 100, 255},
        {false, "50", 100, 101},  // upper typed below the lower bound becomes lower + 1
        {false, "180", 100, 180},
        {true, "-7", 0, 180},   // outside 0..255: the nearest bound
        {true, "abc", 0, 180},  // not a number: the last valid position
        {false, "999", 0, 255},
    };
    for (const Case& c : cases) {
        (c.lower ? row->lowerBoundEdit : row->upperBoundEdit)->setText(QString::fromUtf8(c.text));
        EXPECT_EQ(row->band->range_low, c.wantLow) << c.text;
        EXPECT_EQ(row->band->range_high, c.wantHigh) << c.text;
        EXPECT_EQ(lowerBound(row), c.wantLow) << c.text;
        EXPECT_EQ(upperBound(row), c.wantHigh) << c.text;
    }
    // The histogram follows the range: column 254 is outside now, 0 inside.
    row->lowerBoundSpin->setValue(10);
    row->upperBoundSpin->setValue(20);
    EXPECT_EQ(histogramPixel(row, 9, 0), kBackOutside);
    EXPECT_EQ(histogramPixel(row, 10, 0), kBackInside);
    EXPECT_EQ(histogramPixel(row, 19, 0), kBackInside);
    EXPECT_EQ(histogramPixel(row, 20, 0), kBackOutside);
}

// Typed by the user, the bounds take whole numbers of the band's range only; a box left empty (or with a
// number past the range) gets the last good value back.
TEST_F(BandRowTest, KeyboardTakesOnlyNumbersOfTheRange) {
    window->show();
    QApplication::setActiveWindow(window.get());  // focus changes need an active window
    openThreeBands();
    BandRow* row = bandRow(0);
    row->lowerBoundSpin->setValue(40);
    row->lowerBoundEdit->setFocus();
    row->lowerBoundEdit->selectAll();
    QTest::keyClicks(row->lowerBoundEdit, "abc-5");
    EXPECT_EQ(row->lowerBoundEdit->text(), "5");  // letters and the minus sign are not taken
    EXPECT_EQ(row->band->range_low, 5);
    row->lowerBoundEdit->selectAll();
    QTest::keyClick(row->lowerBoundEdit, Qt::Key_Backspace);
    EXPECT_EQ(row->lowerBoundEdit->text(), "");
    EXPECT_EQ(row->band->range_low, 5);  // an empty box is no number: the range stays
    row->upperBoundEdit->setFocus();     // leaving the box puts the value back
    EXPECT_EQ(row->lowerBoundEdit->text(), "5");
    row->upperBoundEdit->selectAll();
    QTest::keyClicks(row->upperBoundEdit, "300");
    row->lowerBoundEdit->setFocus();
    EXPECT_EQ(row->upperBoundEdit->text(), "255");
    EXPECT_EQ(row->band->range_high, 255);
}

// "自動", "<>" and the colour squares redraw the view when automatic update is on, and only then.
TEST_F(BandRowTest, RowButtonsRedrawTheView) {
    openThreeBands();
    BandRow* row = bandRow(1);
    const int kUnset = -987654;
    for (bool autoUpdate : {true, false}) {
        window->autoUpdate = autoUpdate;
        for (QPushButton* button : {row->autoRangeButton, row->fullRangeButton, row->redButton,
                                    row->greenButton, row->blueButton, row->greyButton}) {
            SCOPED_TRACE(button->text().toStdString() + (autoUpdate ? " on" : " off"));
            window->viewOffsetX = kUnset;  // every redraw sets it
            button->click();
            EXPECT_EQ(window->viewOffsetX != kUnset, autoUpdate);
        }
    }
}

TEST_F(BandRowTest, SpinButtonsStepTheBound) {
    openThreeBands();
    BandRow* row = bandRow(0);
    row->lowerBoundSpin->setValue(253);
    row->lowerBoundSpin->upButton()->click();
    EXPECT_EQ(row->band->range_low, 254);
    row->lowerBoundSpin->upButton()->click();  // would meet the upper bound
    EXPECT_EQ(row->band->range_low, 254);
    row->upperBoundSpin->downButton()->click();  // would meet the lower bound
    EXPECT_EQ(row->band->range_high, 255);
}

TEST_F(BandRowTest, HistogramDraggingWithEachButton) {
    openThreeBands();
    BandRow* row = bandRow(0);
    row->lowerBoundSpin->setValue(50);
    row->upperBoundSpin->setValue(150);
    struct Case {
        Qt::MouseButton button;
        int x;
        int wantLow, wantHigh;
    } cases[] = {
        {Qt::LeftButton, 70, 70, 150},
        {Qt::LeftButton, 200, 149, 150},  // right of the upper bound: one below it
        {Qt::LeftButton, -20, 0, 150},
        {Qt::RightButton, 120, 0, 120},
        {Qt::RightButton, 300, 0, 255},  // beyond the picture: 255
        {Qt::LeftButton, 100, 100, 255},
        {Qt::RightButton, 40, 100, 101},   // left of the lower bound: one above it
        {Qt::MiddleButton, 30, 100, 101},  // the middle button shows counts only
    };
    for (const Case& c : cases) {
        window->onHistogramMousePress(row, c.button, c.x);
        EXPECT_TRUE(row->histogramDragging);
        window->onHistogramMouseRelease(row);
        EXPECT_FALSE(row->histogramDragging);
        EXPECT_EQ(row->band->range_low, c.wantLow) << c.button << " x=" << c.x;
        EXPECT_EQ(row->band->range_high, c.wantHigh) << c.button << " x=" << c.x;
    }
    // A move without a held button changes nothing.
    window->onHistogramMouseMove(row, 5);
    EXPECT_EQ(row->band->range_low, 100);
}

TEST_F(BandRowTest, DragThroughRealMouseEventsShowsTheCountAndRedraws) {
    openThreeBands();
    window->show();
    BandRow* row = bandRow(0);
    // Values of band 0 are x (0..15), eight lines: bin 5 counts 8.
    ASSERT_EQ(row->band->histogram[5], 8);
    // The middle button only shows counts: "0" for bin 20, at (22, 2), over an empty part of the picture.
    QTest::mousePress(row->histogramView, Qt::MiddleButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(row->histogramDragButton, 2);
    auto darkPixels = [&] {
        int dark = 0;
        for (int y = 0; y < 45; ++y)
            for (int x = 16; x < 60; ++x)
                dark += qGray(row->histogramView->picture.pixel(x, y)) < 100;
        return dark;
    };
    EXPECT_GT(darkPixels(), 0);
    QTest::mouseRelease(row->histogramView, Qt::MiddleButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(darkPixels(), 0);  // the release wiped the text
    EXPECT_EQ(row->band->range_low, 0);
    EXPECT_EQ(row->band->range_high, 255);

    QTest::mousePress(row->histogramView, Qt::LeftButton, Qt::NoModifier, QPoint(5, 20));
    EXPECT_EQ(lowerBound(row), 5);
    EXPECT_EQ(row->histogramDragButton, 0);
    QTest::mouseMove(row->histogramView, QPoint(9, 20));
    QTest::mouseRelease(row->histogramView, Qt::LeftButton, Qt::NoModifier, QPoint(9, 20));
    EXPECT_FALSE(row->histogramDragging);
    EXPECT_EQ(row->band->range_low, 9);
    EXPECT_EQ(histogramPixel(row, 8, 44), kBarOutside);
    EXPECT_EQ(histogramPixel(row, 9, 44), kBarInside);
    // The release redrew the view.
    EXPECT_FALSE(window->view->picture.isNull());

    QTest::mousePress(row->histogramView, Qt::RightButton, Qt::NoModifier, QPoint(200, 20));
    EXPECT_EQ(row->histogramDragButton, 1);
    QTest::mouseRelease(row->histogramView, Qt::RightButton, Qt::NoModifier, QPoint(200, 20));
    EXPECT_EQ(row->band->range_high, 200);
    EXPECT_EQ(row->band->range_low, 9);
}

TEST_F(BandRowTest, ColourSquaresWriteTheRowLetter) {
    const std::string p = dir.file("four.vdm");
    guitest::writeNativeScene(p, 4, 4, 4, [](int b, int x, int) { return uint8_t(b + x); });
    openScene(p);
    BandRow* d = bandRow(3);
    ASSERT_EQ(d->nameLabel->text(), "D : four.vdm - 3");
    d->redButton->click();
    EXPECT_EQ(window->redExpressionEdit->text(), "d");
    bandRow(1)->greenButton->click();
    EXPECT_EQ(window->greenExpressionEdit->text(), "b");
    bandRow(2)->blueButton->click();
    EXPECT_EQ(window->blueExpressionEdit->text(), "c");
    bandRow(0)->greyButton->click();
    EXPECT_EQ(window->redExpressionEdit->text(), "a");
    EXPECT_EQ(window->greenExpressionEdit->text(), "a");
    EXPECT_EQ(window->blueExpressionEdit->text(), "a");
}

TEST_F(BandRowTest, FullRangeResetsBothBounds) {
    openThreeBands();
    BandRow* row = bandRow(0);
    row->lowerBoundSpin->setValue(30);
    row->upperBoundSpin->setValue(60);
    row->fullRangeButton->click();
    EXPECT_EQ(row->band->range_low, 0);
    EXPECT_EQ(row->band->range_high, 255);
}

TEST_F(BandRowTest, AutomaticRangeAsksForAMissingHistogram) {
    path = dir.file("ramp.vdm");
    // Values 100..227 along x: the automatic range lies far above a narrow starting range.
    guitest::writeNativeScene(path, 128, 64, 1, [](int, int x, int) { return uint8_t(100 + x); });
    openScene(path, /*histogram=*/false);
    BandRow* row = bandRow(0);
    row->lowerBoundSpin->setValue(0);
    row->upperBoundSpin->setValue(10);

    // The answer No leaves the histogram as it is (empty) and still computes a range from it.
    prompts.yesNoAnswers = {false};
    BandInfo copy = *row->band;
    remos_auto_range(&copy, 0.00085, 1);
    row->autoRangeButton->click();
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].type, ScriptedPrompts::BoxType::YesNo);
    EXPECT_EQ(prompts.boxes[0].text, "ヒストグラムが作成されていません。作成しますか？");
    EXPECT_EQ(prompts.boxes[0].caption, "確認");
    EXPECT_EQ(prompts.boxes[0].kind, PromptKind::Information);
    EXPECT_FALSE(row->histogramValid);
    EXPECT_EQ(row->band->histogram[150], 0);
    EXPECT_EQ(row->band->range_low, copy.range_low);  // from the histogram as it stands
    EXPECT_EQ(row->band->range_high, copy.range_high);

    // Yes computes it; the automatic range is carried over unchanged, even above the old upper bound.
    row->lowerBoundSpin->setValue(0);
    row->upperBoundSpin->setValue(10);
    prompts.yesNoAnswers = {true};
    copy = *row->band;
    remos_make_histogram(&copy);
    remos_auto_range(&copy, 0.00085, 1);
    ASSERT_GT(copy.range_low, 10);
    ASSERT_LT(copy.range_low, copy.range_high);
    row->autoRangeButton->click();
    EXPECT_EQ(prompts.boxes.size(), 2u);
    EXPECT_TRUE(row->histogramValid);
    EXPECT_EQ(row->band->histogram[150], 64);
    EXPECT_EQ(row->band->range_low, copy.range_low);
    EXPECT_EQ(row->band->range_high, copy.range_high);
    EXPECT_EQ(lowerBound(row), copy.range_low);
    EXPECT_EQ(upperBound(row), copy.range_high);

    // With the histogram made, no question; a ratio that is not a number is reported, the range kept.
    window->clipRatioEdit->setText(QStringLiteral("abc"));
    row->lowerBoundSpin->setValue(5);
    row->autoRangeButton->click();
    ASSERT_EQ(prompts.boxes.size(), 3u);
    EXPECT_EQ(prompts.boxes[2].type, ScriptedPrompts::BoxType::Message);
    EXPECT_EQ(prompts.boxes[2].kind, PromptKind::Error);
    EXPECT_TRUE(prompts.boxes[2].text.contains("abc"));
    EXPECT_EQ(row->band->range_low, 5);
}

TEST_F(BandRowTest, ClosingABandRelabelsTheRest) {
    openThreeBands();
    window->redExpressionEdit->setText("c");
    BandRow* c = bandRow(2);
    bandRow(1)->closeButton->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(window->bandRows.size(), 2u);
    EXPECT_EQ(bandRow(1), c);
    EXPECT_EQ(c->listIndex, 1);
    EXPECT_EQ(c->nameLabel->text(), "B : scene.vdm - 2");
    EXPECT_EQ(window->bandListLayout->count(), 2);
    EXPECT_EQ(window->redExpressionEdit->text(), "c");  // expressions are not rewritten
    // The scene is still used by the other rows.
    ASSERT_EQ(window->scenes.size(), 1u);
    EXPECT_NE(scene->file, nullptr);
    EXPECT_TRUE(window->imageLoaded);

    window->closeBand(bandRow(0));
    window->geoValid = true;
    window->setStatusPanelText(1, "縦 : 4 横 : 5");
    window->setStatusPanelText(3, "座標設定有効");
    window->closeBand(bandRow(0));
    EXPECT_TRUE(window->bandRows.empty());
    EXPECT_TRUE(window->scenes.empty());
    EXPECT_FALSE(window->imageLoaded);
    EXPECT_FALSE(window->geoValid);
    EXPECT_EQ(window->statusPanelText(1), "");  // nothing open: no size, no metadata state
    EXPECT_EQ(window->statusPanelText(3), "");
}

TEST_F(BandRowTest, ScenesOfTheSameFileNameInDifferentFoldersStayApart) {
    std::filesystem::create_directories(dir.path() / "one");
    std::filesystem::create_directories(dir.path() / "two");
    const std::string first = (dir.path() / "one" / "IMG.vdm").string();
    const std::string second = (dir.path() / "two" / "IMG.vdm").string();
    guitest::writeNativeScene(first, 8, 8, 1, [](int, int x, int) { return uint8_t(x); });
    guitest::writeNativeScene(second, 8, 8, 1, [](int, int x, int) { return uint8_t(x + 1); });
    SceneFile* a = openScene(first);
    SceneFile* b = openScene(second);
    ASSERT_EQ(bandRow(0)->fileName, bandRow(1)->fileName);

    window->closeBand(bandRow(1));  // the second folder's band
    ASSERT_EQ(window->scenes.size(), 1u);
    EXPECT_EQ(window->scenes[0].get(), a);
    EXPECT_NE(a->file, nullptr);
    EXPECT_EQ(window->sceneOfBand(bandRow(0)->band), a);
    (void)b;
    // The remaining band still reads its own file.
    unsigned char buf[8] = {};
    remos_read_row(bandRow(0)->band, buf, 0, 0, 8);
    EXPECT_EQ(buf[7], 7);
    EXPECT_EQ(buf[0], 0);
}

TEST_F(BandRowTest, PictureIsReleasedWithItsLastRow) {
    // A picture as the opening workflow lists it: one scene record with three band records, three rows
    // sharing the decoded picture.
    const std::string p = dir.file("pic.bmp");
    {
        FILE* f = std::fopen(p.c_str(), "wb");
        std::fputs("BM", f);
        std::fclose(f);
    }
    auto scene = std::make_unique<SceneFile>();
    *scene = SceneFile{};
    ASSERT_EQ(remos_open(scene.get(), p.c_str(), FMT_OPEN_ONLY), REMOS_OK);
    ASSERT_NE(remos_alloc_bands(scene.get(), 3), nullptr);
    auto picture = std::make_shared<QImage>(6, 2, QImage::Format_BGR888);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x)
            picture->setPixel(x, y, qRgb(x * 10, 100 + y, 200));
    SceneFile* raw = scene.get();
    window->scenes.push_back(std::move(scene));
    for (int i = 0; i < 3; ++i) {
        BandInfo* band = &raw->bands[i];
        band->index = i;
        band->band_count = 3;
        band->width = 6;
        band->lines = 2;
        band->bits = 8;
        band->interleave = REMOS_BY_PIXEL_RGB;
        BandRow* row = window->addBandRow(band, "pic.bmp", i);
        row->isPicture = true;
        row->picture = picture;
        window->bandRows.emplace_back(row);
        window->computePictureHistogram(row);
        window->refreshBandRow(row);
    }
    window->imageLoaded = true;
    // Histograms of the channels: red 0,10,..,50 twice each, green 100 and 101 six times, blue 200 twelve.
    EXPECT_EQ(bandRow(0)->band->histogram[30], 2);
    EXPECT_EQ(bandRow(1)->band->histogram[101], 6);
    EXPECT_EQ(bandRow(2)->band->histogram[200], 12);
    EXPECT_EQ(bandRow(2)->band->hist_peak, 12);
    EXPECT_EQ(bandRow(2)->band->hist_peak_inner, 12);
    EXPECT_EQ(bandRow(0)->band->hist_peak_inner, 2);

    std::weak_ptr<QImage> watch = picture;
    picture.reset();
    window->closeBand(bandRow(0));
    EXPECT_FALSE(watch.expired());
    EXPECT_EQ(window->scenes.size(), 1u);
    window->closeBand(bandRow(0));
    EXPECT_FALSE(watch.expired());
    window->closeBand(bandRow(0));
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(window->scenes.empty());
    EXPECT_FALSE(window->imageLoaded);
}

TEST_F(BandRowTest, RowsBeyondTheTwentySixthHaveNoLetter) {
    const std::string p = dir.file("many.vdm");
    guitest::writeNativeScene(p, 4, 2, 28, [](int b, int, int) { return uint8_t(b); });
    openScene(p, false);
    ASSERT_EQ(window->bandRows.size(), 28u);
    EXPECT_EQ(bandRow(25)->nameLabel->text(), "Z : many.vdm - 25");
    EXPECT_TRUE(bandRow(25)->redButton->isEnabled());
    EXPECT_EQ(bandRow(26)->nameLabel->text(), "[27] : many.vdm - 26");
    EXPECT_FALSE(bandRow(26)->redButton->isEnabled());
    window->redExpressionEdit->setText("a");
    window->onRedClicked(bandRow(27));
    EXPECT_EQ(window->redExpressionEdit->text(), "a");
    // Closing an early band gives the 27th a letter.
    window->closeBand(bandRow(0));
    EXPECT_EQ(bandRow(25)->nameLabel->text(), "Z : many.vdm - 26");
    EXPECT_TRUE(bandRow(25)->redButton->isEnabled());
}

ORVENNA_GUI_TEST_MAIN()
