// Band rows of bands wider than 8 bits: opened with their histogram and the automatic range so that the view
// shows contrast at once, and every control of the row (typing, arrows, spin buttons, dragging on the
// histogram, "<>", "自動") working in the band's own values, integers and floats alike, and the histogram
// marking the range's columns. 8-bit bands keep their 0..255 controls.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest/QTest>

#include <cmath>
#include <functional>
#include <numeric>
#include <set>

#include "NavigationTestSupport.h"
#include "WideBandTestSupport.h"
#include "platform/ImageControl.h"
#include "platform/ValueSpinButtons.h"

using guitest::RowControls;

namespace {

constexpr int kW = 64, kH = 40, kPixels = kW * kH;

// 2560 different values, one per pixel, in pixel order: 1000..3559, -1280..1279, -1..1 in steps of 1/1279.5.
double u16Value(int x, int y) {
    return 1000 + y * kW + x;
}
double i16Value(int x, int y) {
    return -1280 + y * kW + x;
}
double f32Value(int x, int y) {
    return -1 + (y * kW + x) / 1279.5;
}

class WideBandRowTest : public guitest::MainWindowTest {
protected:
    // Closes what is open and opens a one-band GeoTIFF of `type`: true when its row is listed.
    bool openBand(const std::string& name, const std::string& type, double (*value)(int, int)) {
        window->closeAllButton->click();
        const std::string path = dir.file(name);
        EXPECT_TRUE(widetest::writeGeoTiff(dir, path, type, kW, kH, value));
        window->openNow({path});
        return document().bandCount() == 1 && window->rowCount() == 1;
    }
    static double parsed(const QLineEdit* edit) {
        bool ok = false;
        const double v = edit->text().toDouble(&ok);
        return ok ? v : NAN;
    }
};

}  // namespace

// The histogram is counted at opening over the band's own values, the range is what "自動" gives with the
// settings' defaults (0.00085 of the pixels cut at each end, leaving out the smallest and the largest value:
// here the third value from either end), and the view shows the whole grey scale.
TEST_F(WideBandRowTest, WideBandsOpenWithTheirHistogramAndContrast) {
    struct Case {
        const char* type;
        double (*value)(int, int);
        double low, high;                // the automatic range
        const char *spanLow, *spanHigh;  // the row's span labels
    } cases[] = {
        {"UInt16", u16Value, 1003, 3556, "1000", "3559"},
        {"Int16", i16Value, -1277, 1276, "-1280", "1279"},
        {"Float32", f32Value, -1 + 3 / 1279.5, 1 - 3 / 1279.5, "-1", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        ASSERT_TRUE(openBand(std::string(c.type) + ".tif", c.type, c.value));
        RowControls row = bandRow(0);
        ASSERT_NE(row->lowerValueSpin, nullptr);
        EXPECT_EQ(row->lowerBoundSpin, nullptr);
        EXPECT_TRUE(row->widget->isWide());
        EXPECT_TRUE(document().band(0).histogramMade);
        const BandInfo* band = row->band;
        EXPECT_EQ(std::accumulate(std::begin(band->histogram), std::end(band->histogram), int64_t(0)),
                  kPixels);
        // Floats are counted in fine bins of 2/65536: the bound is the start of its bin.
        EXPECT_NEAR(band->display_low, c.low, 2.0 / 65536);
        EXPECT_NEAR(band->display_high, c.high, 2.0 / 65536);
        EXPECT_NEAR(parsed(row->lowerBoundEdit), band->display_low, 1e-4);
        EXPECT_NEAR(parsed(row->upperBoundEdit), band->display_high, 1e-4);
        EXPECT_EQ(row->spanLowLabel->text(), c.spanLow);
        EXPECT_EQ(row->spanHighLabel->text(), c.spanHigh);

        // Without the range these bands would draw as a few greys at most (1000..3559 as 3..13).
        std::set<int> greys;
        const QImage& picture = window->viewPicture();
        ASSERT_FALSE(picture.isNull());
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                greys.insert(qGray(picture.pixel(x, y)));
        EXPECT_GT(greys.size(), 50u);
        EXPECT_EQ(*greys.begin(), 0);
    }

    // An 8-bit band keeps its 0..255 controls; it opens at its automatic range ("開いたときに自動範囲", on by
    // default: 0 and 255 left out, none clipped from 4 .. 252), and at 0..255 with the box off.
    const std::string bytes = dir.file("byte.tif");
    ASSERT_TRUE(widetest::writeGeoTiff(dir, bytes, "Byte", kW, kH, [](int x, int) { return x * 4; }));
    window->closeAllButton->click();
    window->openNow({bytes});
    ASSERT_EQ(document().bandCount(), 1);
    RowControls row = bandRow(0);
    EXPECT_EQ(row->lowerValueSpin, nullptr);
    ASSERT_NE(row->lowerBoundSpin, nullptr);
    EXPECT_FALSE(row->widget->isWide());
    EXPECT_EQ(row->widget->height(), 100);
    EXPECT_EQ(row->band->range_low, 4);
    EXPECT_EQ(row->band->range_high, 252);
    EXPECT_EQ(row->upperBoundEdit->text(), "252");
    window->autoRangeOnOpenCheckBox->setChecked(false);
    window->closeAllButton->click();
    window->openNow({bytes});
    EXPECT_EQ(bandRow(0)->band->range_low, 0);
    EXPECT_EQ(bandRow(0)->band->range_high, 255);
    EXPECT_EQ(bandRow(0)->upperBoundEdit->text(), "255");
}

// Every control sets the display range in the band's values; the steps follow one another on one row.
TEST_F(WideBandRowTest, ControlsWorkInTheBandsOwnValues) {
    window->show();
    using Action = std::function<void(RowControls&)>;
    auto typeLower = [](const char* t) { return [=](RowControls& r) { r->lowerBoundEdit->setText(t); }; };
    auto typeUpper = [](const char* t) { return [=](RowControls& r) { r->upperBoundEdit->setText(t); }; };
    auto keys = [](const char* text) {
        return [=](RowControls& r) {
            r->lowerBoundEdit->setFocus();
            r->lowerBoundEdit->selectAll();
            QTest::keyClicks(r->lowerBoundEdit, text);
        };
    };
    auto arrowUp = [](RowControls& r) { QTest::keyClick(r->lowerBoundEdit, Qt::Key_Up); };
    auto spinDown = [](RowControls& r) { r->lowerValueSpin->downButton()->click(); };
    auto dragAt = [](Qt::MouseButton button, int column) {
        return [=](RowControls& r) {
            navtest::pressAt(r->histogramView, column, 20, button);
            navtest::releaseAt(r->histogramView, column, 20, button);
        };
    };
    auto full = [](RowControls& r) { r->fullRangeButton->click(); };
    auto automatic = [this](const char* ratio) {
        return [=](RowControls& r) {
            window->clipRatioEdit->setText(ratio);
            r->autoRangeButton->click();
        };
    };
    // 2000..3009 covers histogram columns 100..200 (ten values each): their bars take the inside colour.
    auto columnsMarked = [](RowControls& r) {
        r->lowerBoundEdit->setText("2000");
        r->upperBoundEdit->setText("3009");
        const QImage& picture = r->widget->histogramPicture();
        for (int x : {99, 100, 200, 201})
            EXPECT_EQ(picture.pixel(x, picture.height() - 1) | 0xFF000000u,
                      x == 99 || x == 201 ? qRgb(50, 50, 130) : qRgb(30, 30, 255))
                << x;
    };
    struct Step {
        const char* what;
        Action action;
        double low, high;
        const char* lowText;  // the lower edit's text afterwards
    };
    struct Case {
        const char* type;
        double (*value)(int, int);
        std::vector<Step> steps;
    } cases[] = {
        // 1000..3559: ten values to a histogram column.
        {"UInt16",
         u16Value,
         {
             {"type", typeLower("1500"), 1500, 3556, "1500"},
             {"arrow key", arrowUp, 1501, 3556, "1501"},
             {"spin button", spinDown, 1500, 3556, "1500"},
             {"upper typed below the lower", typeUpper("1400"), 1500, 1501, "1500"},
             {"right drag", dragAt(Qt::RightButton, 200), 1500, 3010, "1500"},
             {"left drag", dragAt(Qt::LeftButton, 100), 2000, 3010, "2000"},
             {"left drag past the upper bound", dragAt(Qt::LeftButton, 250), 3009, 3010, "3009"},
             {"<>", full, 1000, 3559, "1000"},
             // 0.01 of 2560 pixels is 25.6: 26 values from either end, the ends themselves left out.
             {"自動", automatic("0.01"), 1026, 3533, "1026"},
             {"keys: no decimals, no letters", keys("1.5x"), 15, 3533, "15"},
             {"histogram columns of the range", columnsMarked, 2000, 3009, "2000"},
         }},
        // -1..1: a step is 2/256.
        {"Float32",
         f32Value,
         {
             {"type", typeLower("0.25"), 0.25, NAN, "0.25"},
             {"arrow key", arrowUp, 0.2578125, NAN, "0.2578"},
             {"spin button", spinDown, 0.25, NAN, "0.25"},
             {"right drag", dragAt(Qt::RightButton, 191), 0.25, 0.5, "0.25"},
             {"left drag", dragAt(Qt::LeftButton, 64), -0.5, 0.5, "-0.5"},
             {"<>", full, -1, 1, "-1"},
             {"keys: no letters", keys("-0.125x"), -0.125, 1, "-0.125"},
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        ASSERT_TRUE(openBand(std::string(c.type) + ".tif", c.type, c.value));
        QApplication::setActiveWindow(window.get());  // key clicks need an active window
        RowControls row = bandRow(0);
        ASSERT_TRUE(row->lowerValueSpin);
        for (const Step& s : c.steps) {
            SCOPED_TRACE(s.what);
            s.action(row);
            EXPECT_TRUE(window->waitForJobs());
            EXPECT_NEAR(row->band->display_low, s.low, 1e-9);
            if (!std::isnan(s.high)) {
                EXPECT_NEAR(row->band->display_high, s.high, 1e-9);
            }
            EXPECT_EQ(row->lowerBoundEdit->text(), s.lowText);
            EXPECT_LT(row->band->display_low, row->band->display_high);
        }
    }
}

ORVENNA_GUI_TEST_MAIN()
