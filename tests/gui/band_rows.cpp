// The band list: row layout and labels (picture channels in their colours, rows past the 26th without a
// letter), histogram pictures, every way of changing a display range, the colour squares, automatic range,
// closing bands with relabelling and the release of scenes and pictures.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include <fstream>
#include <functional>
#include <memory>

#include "GuiTestSupport.h"
#include "NavigationTestSupport.h"

using guitest::MainWindowTest;
using guitest::RowControls;

namespace {

const QRgb kBarInside = qRgb(30, 30, 255);
const QRgb kBarOutside = qRgb(50, 50, 130);
const QRgb kBackInside = qRgb(255, 255, 255);
const QRgb kBackOutside = qRgb(80, 80, 80);

class BandRowTest : public MainWindowTest {
protected:
    // One file "scene.vdm" of three 16 x 8 bands whose values are band * 40 + x, opened at 0..255.
    void openThreeBands() {
        window->autoRangeOnOpenCheckBox->setChecked(false);
        path = dir.file("scene.vdm");
        guitest::writeNativeScene(path, 16, 8, 3,
                                  [](int band, int x, int) { return uint8_t(band * 40 + x); });
        openScene(path);
    }
    QRgb histogramPixel(int row, int x, int y) {
        return bandRow(row)->widget->histogramPicture().pixel(x, y) | 0xFF000000u;
    }
    // Presses `button` over column `x` of the row's histogram, drags to column `to` and lets go there.
    void drag(int row, Qt::MouseButton button, int x, int to) {
        QWidget* view = bandRow(row)->histogramView;
        navtest::pressAt(view, x, 20, button);
        navtest::moveTo(view, to, 20, button);
        navtest::releaseAt(view, to, 20, button);
    }

    std::string path;
};

}  // namespace

TEST_F(BandRowTest, RowControlsAndLabels) {
    openThreeBands();
    ASSERT_EQ(document().bandCount(), 3);
    RowControls row = bandRow(2);
    EXPECT_EQ(row->nameLabel->text(), "C : scene.vdm - 2");
    EXPECT_EQ(row->widget->caption(), row->nameLabel->text());
    EXPECT_EQ(row->nameLabel->toolTip(), row->nameLabel->text());
    EXPECT_EQ(bandRow(0)->nameLabel->text(), "A : scene.vdm - 0");
    EXPECT_EQ(row->widget->height(), 100);
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
    EXPECT_EQ(guitest::findNamed<QLabel>(row->widget, "lowerBoundLabel")->text(), "下");
    EXPECT_EQ(guitest::findNamed<QLabel>(row->widget, "upperBoundLabel")->text(), "上");
    EXPECT_EQ(row->autoRangeButton->text(), "自動");
    EXPECT_EQ(row->fullRangeButton->text(), "<>");
    EXPECT_EQ(row->closeButton->text(), "×");
    EXPECT_EQ(row->closeButton->palette().color(QPalette::ButtonText), QColor(Qt::red));
    EXPECT_EQ(row->greenButton->palette().color(QPalette::ButtonText), QColor(0, 128, 0));
    EXPECT_EQ(row->lowerBoundSpin->value(), 0);
    EXPECT_EQ(row->upperBoundSpin->value(), 255);
    EXPECT_EQ(row->lowerBoundEdit->text(), "0");
    EXPECT_EQ(row->upperBoundEdit->text(), "255");
    // Rows are listed top-down in letter order.
    const QLayout* list = window->bandList().widget()->layout();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list->indexOf(bandRow(i)->widget), i);
}

// Columns of a band without its histogram are empty; once counted, bars are scaled to the peak over 1..254
// (a taller end bin fills its column) or, with the box unchecked, over all bins, in the range's colours.
TEST_F(BandRowTest, HistogramPictureColoursAndScaling) {
    // 47 x 25 = 1175 pixels. Band A: 1000 zeros, 100 tens, 50 twenties, 25 of 200; band B: 1000 of 255, 100
    // of 128, 75 of 64.
    path = dir.file("counts.vdm");
    guitest::writeNativeScene(path, 47, 25, 2, [](int band, int x, int y) {
        const int p = y * 47 + x;
        if (band == 0) return uint8_t(p < 1000 ? 0 : p < 1100 ? 10 : p < 1150 ? 20 : 200);
        return uint8_t(p < 1000 ? 255 : p < 1100 ? 128 : 64);
    });
    openScene(path, /*histogram=*/false);
    for (int x : {0, 50, 254})
        for (int y : {0, 44})
            EXPECT_EQ(histogramPixel(0, x, y), kBackInside) << x << "," << y;
    EXPECT_EQ(histogramPixel(0, 255, 44), kBackOutside);  // the upper bound itself is outside

    ASSERT_TRUE(document().makeHistogram(0));
    ASSERT_TRUE(document().makeHistogram(1));
    bandRow(0)->lowerBoundSpin->setValue(15);
    bandRow(0)->upperBoundSpin->setValue(200);
    const int h = 45;
    struct Column {
        int row, v;
        int bar, allBinsBar;  // bar heights scaled to the inner peak, and to the peak over all bins
        bool inside;
    } columns[] = {
        {0, 0, h, h, false},  // taller than the inner peak: fills its column
        {0, 10, h, h * 100 / 1000, false},
        {0, 20, h * 50 / 100, h * 50 / 1000, true},
        {0, 200, h * 25 / 100, h * 25 / 1000, false},
        {0, 100, 0, 0, true},
        {1, 255, h, h, false},
        {1, 128, h, h * 100 / 1000, true},
        {1, 64, h * 75 / 100, h * 75 / 1000, true},
    };
    for (bool allBins : {false, true}) {
        if (allBins) {
            window->histogramPeakExcludesEndsCheckBox->click();
            ASSERT_FALSE(window->histogramPeakExcludesEndsCheckBox->isChecked());
        }
        for (const Column& c : columns) {
            const int bar = allBins ? c.allBinsBar : c.bar;
            for (int y = 0; y < h; ++y) {
                const QRgb want = y >= h - bar ? (c.inside ? kBarInside : kBarOutside)
                                               : (c.inside ? kBackInside : kBackOutside);
                ASSERT_EQ(histogramPixel(c.row, c.v, y), want)
                    << "row " << c.row << " v=" << c.v << " y=" << y << (allBins ? " all bins" : "");
            }
        }
    }
}

// Typing, the spin buttons, dragging on the histogram with each button and "<>" move the bounds, which never
// meet; the row's bounds and the histogram's columns show the range; a drag's release redraws.
TEST_F(BandRowTest, EveryControlSetsTheRange) {
    window->show();
    openThreeBands();  // band B holds 40..55, eight pixels each
    RowControls row = bandRow(1);
    navtest::RedrawProbe probe(window.get());
    auto type = [&](bool lower, const char* text) {
        return [=] { (lower ? row.lowerBoundEdit : row.upperBoundEdit)->setText(QString::fromUtf8(text)); };
    };
    auto dragged = [this, &probe](Qt::MouseButton button, int x, int to) {
        return [this, &probe, button, x, to] {
            probe.arm();
            drag(1, button, x, to);
            EXPECT_TRUE(window->waitForJobs());
            EXPECT_TRUE(probe.ran());
        };
    };
    auto darkPixels = [&] {
        int dark = 0;
        for (int y = 0; y < 45; ++y)
            for (int x = 16; x < 39; ++x)  // bins 16..38 are empty
                dark += qGray(row->widget->histogramPicture().pixel(x, y)) < 100;
        return dark;
    };
    struct Step {
        const char* what;
        std::function<void()> action;
        int low, high;
    } steps[] = {
        {"lower typed at the upper bound stops one below it", type(true, "255"), 254, 255},
        {"lower typed", type(true, "100"), 100, 255},
        {"upper typed below the lower bound becomes lower + 1", type(false, "50"), 100, 101},
        {"upper typed", type(false, "180"), 100, 180},
        {"outside 0..255: the nearest bound", type(true, "-7"), 0, 180},
        {"not a number: the last valid position", type(true, "abc"), 0, 180},
        {"upper typed past 255", type(false, "999"), 0, 255},
        {"lower spin set", [&] { row->lowerBoundSpin->setValue(253); }, 253, 255},
        {"lower spin up", [&] { row->lowerBoundSpin->upButton()->click(); }, 254, 255},
        {"lower spin up to the upper bound", [&] { row->lowerBoundSpin->upButton()->click(); }, 254, 255},
        {"upper spin down to the lower bound", [&] { row->upperBoundSpin->downButton()->click(); }, 254, 255},
        {"<> after narrowing",
         [&] {
             type(true, "30")();
             type(false, "60")();
             row->fullRangeButton->click();
         },
         0, 255},
        {"middle button: the column's count while held, the range stays",
         [&] {
             navtest::pressAt(row->histogramView, 20, 20, Qt::MiddleButton);
             EXPECT_GT(darkPixels(), 0);  // "0" for bin 20
             navtest::releaseAt(row->histogramView, 20, 20, Qt::MiddleButton);
             EXPECT_EQ(darkPixels(), 0);  // the release wiped the text
         },
         0, 255},
        {"set for the drags",
         [&] {
             row->upperBoundSpin->setValue(150);
             row->lowerBoundSpin->setValue(50);
         },
         50, 150},
        {"left drag", dragged(Qt::LeftButton, 70, 70), 70, 150},
        {"left drag right of the upper bound: one below it", dragged(Qt::LeftButton, 200, 200), 149, 150},
        {"left drag left of the picture", dragged(Qt::LeftButton, -20, -20), 0, 150},
        {"right drag", dragged(Qt::RightButton, 120, 120), 0, 120},
        {"right drag beyond the picture: 255", dragged(Qt::RightButton, 300, 300), 0, 255},
        {"left drag", dragged(Qt::LeftButton, 100, 100), 100, 255},
        {"right drag left of the lower bound: one above it", dragged(Qt::RightButton, 40, 40), 100, 101},
        {"middle drag only shows counts", dragged(Qt::MiddleButton, 30, 30), 100, 101},
        {"left press shows the bound at once, the drag follows",
         [&] {
             navtest::pressAt(row->histogramView, 5, 20);
             EXPECT_EQ(row->lowerBoundSpin->value(), 5);
             navtest::moveTo(row->histogramView, 9, 20);
             navtest::releaseAt(row->histogramView, 9, 20);
         },
         9, 101},
        {"a move without a held button changes nothing",
         [&] { navtest::moveTo(row->histogramView, 3, 20, Qt::NoButton); }, 9, 101},
        {"right drag", dragged(Qt::RightButton, 200, 200), 9, 200},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.action();
        EXPECT_EQ(band(1)->range_low, s.low);
        EXPECT_EQ(band(1)->range_high, s.high);
        EXPECT_EQ(row->lowerBoundSpin->value(), s.low);
        EXPECT_EQ(row->upperBoundSpin->value(), s.high);
        // Columns low..high - 1 are inside (light), their neighbours outside (dark).
        auto inside = [&](int v) {
            const QRgb p = histogramPixel(1, v, 0);
            return p == kBarInside || p == kBackInside;
        };
        EXPECT_TRUE(inside(s.low) && inside(s.high - 1));
        EXPECT_FALSE(inside(s.high) || (s.low > 0 && inside(s.low - 1)));
    }
}

// Typed by the user, the bounds take whole numbers of the band's range only; a box left empty (or with a
// number past the range) gets the last good value back.
TEST_F(BandRowTest, KeyboardTakesOnlyNumbersOfTheRange) {
    window->show();
    openThreeBands();
    QApplication::setActiveWindow(window.get());  // focus changes need an active window
    RowControls row = bandRow(0);
    row->lowerBoundSpin->setValue(40);
    row->lowerBoundEdit->setFocus();
    row->lowerBoundEdit->selectAll();
    QTest::keyClicks(row->lowerBoundEdit, "abc-5");
    EXPECT_EQ(row->lowerBoundEdit->text(), "5");  // letters and the minus sign are not taken
    EXPECT_EQ(band(0)->range_low, 5);
    row->lowerBoundEdit->selectAll();
    QTest::keyClick(row->lowerBoundEdit, Qt::Key_Backspace);
    EXPECT_EQ(row->lowerBoundEdit->text(), "");
    EXPECT_EQ(band(0)->range_low, 5);  // an empty box is no number: the range stays
    row->upperBoundEdit->setFocus();   // leaving the box puts the value back
    EXPECT_EQ(row->lowerBoundEdit->text(), "5");
    row->upperBoundEdit->selectAll();
    QTest::keyClicks(row->upperBoundEdit, "300");
    row->lowerBoundEdit->setFocus();
    EXPECT_EQ(row->upperBoundEdit->text(), "255");
    EXPECT_EQ(band(0)->range_high, 255);
}

// "自動", "<>" and the colour squares redraw the view when automatic update is on, and only then.
TEST_F(BandRowTest, RowButtonsRedrawTheView) {
    openThreeBands();
    RowControls row = bandRow(1);
    navtest::RedrawProbe probe(window.get());
    for (bool autoUpdate : {true, false}) {
        if (window->autoUpdateButton->isChecked() != autoUpdate) window->autoUpdateButton->click();
        for (QPushButton* button : {row->autoRangeButton, row->fullRangeButton, row->redButton,
                                    row->greenButton, row->blueButton, row->greyButton}) {
            SCOPED_TRACE(button->objectName().toStdString() + (autoUpdate ? " on" : " off"));
            probe.arm();
            button->click();
            EXPECT_TRUE(window->waitForJobs());
            EXPECT_EQ(probe.ran(), autoUpdate);
        }
    }
}

// The colour squares put the row's letter into the expressions; rows past the 26th have no letter and no
// squares to use, until a band above them is closed.
TEST_F(BandRowTest, ColourSquaresWriteTheRowLetter) {
    const std::string p = dir.file("many.vdm");
    guitest::writeNativeScene(p, 4, 2, 28, [](int b, int, int) { return uint8_t(b); });
    openScene(p, false);
    ASSERT_EQ(document().bandCount(), 28);
    struct Click {
        int row;
        QPushButton* RowControls::*square;
        const char *red, *green, *blue;
    } clicks[] = {
        {3, &RowControls::redButton, "d", "a", "a"},
        {1, &RowControls::greenButton, "d", "b", "a"},
        {2, &RowControls::blueButton, "d", "b", "c"},
        {0, &RowControls::greyButton, "a", "a", "a"},
        {25, &RowControls::blueButton, "a", "a", "z"},
        {27, &RowControls::redButton, "a", "a", "z"},  // no letter: nothing changes
    };
    for (const Click& c : clicks) {
        RowControls row = bandRow(c.row);
        (row.*c.square)->click();
        const char* want[3] = {c.red, c.green, c.blue};
        QLineEdit* edits[3] = {window->redExpressionEdit, window->greenExpressionEdit,
                               window->blueExpressionEdit};
        for (int ch = 0; ch < 3; ++ch) {
            EXPECT_EQ(edits[ch]->text(), want[ch]) << "row " << c.row << " channel " << ch;
            EXPECT_EQ(document().expression(ch).text(), want[ch]) << "row " << c.row << " channel " << ch;
        }
    }
    EXPECT_EQ(bandRow(25)->nameLabel->text(), "Z : many.vdm - 25");
    EXPECT_TRUE(bandRow(25)->redButton->isEnabled());
    EXPECT_EQ(bandRow(26)->nameLabel->text(), "[27] : many.vdm - 26");
    EXPECT_FALSE(bandRow(26)->redButton->isEnabled());
    // Closing an early band gives the 27th a letter.
    bandRow(0)->closeButton->click();
    EXPECT_EQ(bandRow(25)->nameLabel->text(), "Z : many.vdm - 26");
    EXPECT_TRUE(bandRow(25)->redButton->isEnabled());
}

TEST_F(BandRowTest, AutomaticRangeAsksForAMissingHistogram) {
    path = dir.file("ramp.vdm");
    // Values 100..227 along x: the automatic range lies far above a narrow starting range.
    guitest::writeNativeScene(path, 128, 64, 1, [](int, int x, int) { return uint8_t(100 + x); });
    openScene(path, /*histogram=*/false);
    RowControls row = bandRow(0);
    row->lowerBoundSpin->setValue(0);
    row->upperBoundSpin->setValue(10);

    // The answer No leaves the histogram as it is (empty) and still computes a range from it.
    prompts.yesNoAnswers = {false};
    BandInfo copy = *band(0);
    remos_auto_range(&copy, 0.00085, 1);
    row->autoRangeButton->click();
    EXPECT_TRUE(window->waitForJobs());
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].type, ScriptedPrompts::BoxType::YesNo);
    EXPECT_EQ(prompts.boxes[0].text, "ヒストグラムが作成されていません。作成しますか？");
    EXPECT_EQ(prompts.boxes[0].caption, "確認");
    EXPECT_EQ(prompts.boxes[0].kind, PromptKind::Information);
    EXPECT_FALSE(document().band(0).histogramMade);
    EXPECT_EQ(band(0)->histogram[150], 0);
    EXPECT_EQ(band(0)->range_low, copy.range_low);  // from the histogram as it stands
    EXPECT_EQ(band(0)->range_high, copy.range_high);

    // Yes counts it; the automatic range is carried over unchanged, even above the old upper bound.
    row->lowerBoundSpin->setValue(0);
    row->upperBoundSpin->setValue(10);
    prompts.yesNoAnswers = {true};
    copy = *band(0);
    remos_make_histogram(&copy);
    remos_auto_range(&copy, 0.00085, 1);
    ASSERT_GT(copy.range_low, 10);
    ASSERT_LT(copy.range_low, copy.range_high);
    row->autoRangeButton->click();
    EXPECT_TRUE(window->waitForJobs());
    EXPECT_EQ(prompts.boxes.size(), 2u);
    EXPECT_TRUE(document().band(0).histogramMade);
    EXPECT_EQ(band(0)->histogram[150], 64);
    EXPECT_EQ(band(0)->range_low, copy.range_low);
    EXPECT_EQ(band(0)->range_high, copy.range_high);
    EXPECT_EQ(row->lowerBoundSpin->value(), copy.range_low);
    EXPECT_EQ(row->upperBoundSpin->value(), copy.range_high);

    // With the histogram made, no question; a ratio that is not a number is reported, the range kept.
    window->clipRatioEdit->setText(QStringLiteral("abc"));
    row->lowerBoundSpin->setValue(5);
    row->autoRangeButton->click();
    ASSERT_EQ(prompts.boxes.size(), 3u);
    EXPECT_EQ(prompts.boxes[2].type, ScriptedPrompts::BoxType::Message);
    EXPECT_EQ(prompts.boxes[2].kind, PromptKind::Error);
    EXPECT_TRUE(prompts.boxes[2].text.contains("abc"));
    EXPECT_EQ(band(0)->range_low, 5);
}

// Closing a band moves the rows below it up a letter, keeps the expressions as typed and the scene while
// other bands use it; closing the last one lets the scene go and clears the size, the metadata state and
// the geography.
TEST_F(BandRowTest, ClosingABandRelabelsTheRest) {
    std::ofstream(dir.file("summary.txt")) << "Img_ImageSceneLeftTopLatitude = 35.0\n";
    openThreeBands();
    EXPECT_TRUE(document().geographyKnown());
    EXPECT_EQ(window->statusPanelText(1), "縦 : 8 横 : 16");
    EXPECT_EQ(window->statusPanelText(3), "座標設定有効");
    const std::weak_ptr<orvenna::SceneHandle> scene = document().band(0).scene;
    window->redExpressionEdit->setText("c");
    BandRowWidget* c = bandRow(2)->widget;
    bandRow(1)->closeButton->click();
    ASSERT_EQ(document().bandCount(), 2);
    EXPECT_EQ(bandRow(1)->widget, c);
    EXPECT_EQ(c->index(), 1);
    EXPECT_EQ(c->caption(), "B : scene.vdm - 2");
    EXPECT_EQ(window->bandList().widget()->layout()->count(), 2);
    EXPECT_EQ(window->redExpressionEdit->text(), "c");  // expressions are not rewritten
    EXPECT_EQ(document().expression(0).text(), "c");
    // The scene is still used by the other rows.
    ASSERT_EQ(document().scenes().size(), 1u);
    EXPECT_FALSE(scene.expired());
    EXPECT_TRUE(document().hasBands());

    for (int left = 2; left > 0; --left)
        bandRow(0)->closeButton->click();
    EXPECT_TRUE(window->waitForJobs());
    EXPECT_EQ(window->rowCount(), 0);
    EXPECT_TRUE(document().scenes().empty());
    EXPECT_TRUE(scene.expired());
    EXPECT_FALSE(document().hasBands());
    EXPECT_FALSE(document().geographyKnown());
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
    openScene(first);
    openScene(second);
    ASSERT_EQ(document().band(0).fileName, document().band(1).fileName);
    const std::weak_ptr<orvenna::SceneHandle> a = document().band(0).scene, b = document().band(1).scene;

    bandRow(1)->closeButton->click();  // the second folder's band
    EXPECT_TRUE(window->waitForJobs());
    ASSERT_EQ(document().scenes().size(), 1u);
    EXPECT_EQ(document().scenes()[0], a.lock().get());
    EXPECT_TRUE(b.expired());
    // The remaining band still reads its own file.
    EXPECT_EQ(document().valuesAt(7, 0), std::vector<double>{7});
    EXPECT_EQ(document().valuesAt(0, 0), std::vector<double>{0});
}

// A picture lists as three channel rows, marked R, G and B in their colours, each with its channel's
// histogram; the decoded picture goes with the last of them.
TEST_F(BandRowTest, PictureChannelsAreMarkedAndReleasedWithTheirLastRow) {
    const std::string p = dir.file("pic.bmp");
    QImage picture(6, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x)
            picture.setPixel(x, y, qRgb(x * 10, 100 + y, 200));
    ASSERT_TRUE(picture.save(QString::fromStdString(p), "BMP"));
    openScene(p);
    ASSERT_EQ(document().bandCount(), 3);
    const char* captions[3] = {"A : pic.bmp - 0 - R", "B : pic.bmp - 1 - G", "C : pic.bmp - 2 - B"};
    const QColor colours[3] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255)};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(document().band(i).isPicture());
        EXPECT_EQ(bandRow(i)->nameLabel->text(), captions[i]);
        EXPECT_EQ(bandRow(i)->nameLabel->palette().color(QPalette::WindowText), colours[i]);
    }
    // Histograms of the channels: red 0,10,..,50 twice each, green 100 and 101 six times, blue 200 twelve.
    EXPECT_EQ(band(0)->histogram[30], 2);
    EXPECT_EQ(band(1)->histogram[101], 6);
    EXPECT_EQ(band(2)->histogram[200], 12);
    EXPECT_EQ(band(2)->hist_peak, 12);
    EXPECT_EQ(band(2)->hist_peak_inner, 12);
    EXPECT_EQ(band(0)->hist_peak_inner, 2);

    const std::weak_ptr<const DecodedPicture> watch = document().band(0).picture;
    for (int left = 3; left > 0; --left) {
        EXPECT_FALSE(watch.expired());
        EXPECT_EQ(document().scenes().size(), 1u);
        bandRow(0)->closeButton->click();
        EXPECT_TRUE(window->waitForJobs());
    }
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(document().scenes().empty());
    EXPECT_FALSE(document().hasBands());
}

ORVENNA_GUI_TEST_MAIN()
