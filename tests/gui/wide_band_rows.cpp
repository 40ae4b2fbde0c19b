// Band rows of bands wider than 8 bits: opened with their histogram and the automatic range so that the view
// shows contrast at once, and every control of the row (typing, arrows, spin buttons, dragging on the
// histogram, "<>", "自動") working in the band's own values, integers and floats alike. 8-bit bands keep
// their 0..255 controls.
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

#include "WideBandTestSupport.h"
#include "platform/ImageControl.h"
#include "platform/ValueSpinButtons.h"

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

class WideBandRowTest : public widetest::OpeningWindowTest {
protected:
    BandRow* openBand(const std::string& name, const std::string& type, double (*value)(int, int)) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(widetest::writeGeoTiff(dir, path, type, kW, kH, value));
        openFiles({path});
        return window->bandRows.empty() ? nullptr : window->bandRows.back().get();
    }
    static double parsed(const QLineEdit* edit) {
        bool ok = false;
        const double v = edit->text().toDouble(&ok);
        return ok ? v : NAN;
    }
    void drag(BandRow* row, Qt::MouseButton button, int column) {
        window->onHistogramMousePress(row, button, column);
        window->onHistogramMouseRelease(row);
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
        window->closeAll();
        BandRow* row = openBand(std::string(c.type) + ".tif", c.type, c.value);
        ASSERT_TRUE(row && row->band);
        ASSERT_NE(row->lowerValueSpin, nullptr);
        EXPECT_EQ(row->lowerBoundSpin, nullptr);
        EXPECT_TRUE(row->histogramValid);
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
        const QImage& picture = window->view->picture;
        ASSERT_FALSE(picture.isNull());
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                greys.insert(qGray(picture.pixel(x, y)));
        EXPECT_GT(greys.size(), 50u);
        EXPECT_EQ(*greys.begin(), 0);
    }

    // An 8-bit band keeps its 0..255 controls and range beside them.
    const std::string bytes = dir.file("byte.tif");
    ASSERT_TRUE(widetest::writeGeoTiff(dir, bytes, "Byte", kW, kH, [](int x, int) { return x * 4; }));
    window->closeAll();
    openFiles({bytes});
    ASSERT_EQ(window->bandRows.size(), 1u);
    BandRow* row = bandRow(0);
    EXPECT_EQ(row->lowerValueSpin, nullptr);
    ASSERT_NE(row->lowerBoundSpin, nullptr);
    EXPECT_EQ(row->panel->height(), 100);
    EXPECT_EQ(row->band->range_low, 0);
    EXPECT_EQ(row->band->range_high, 255);
    EXPECT_EQ(row->upperBoundEdit->text(), "255");
}

// Every control sets the display range in the band's values; the steps follow one another on one row.
TEST_F(WideBandRowTest, ControlsWorkInTheBandsOwnValues) {
    window->show();
    QApplication::setActiveWindow(window.get());  // key clicks need an active window
    using Action = std::function<void(BandRow*)>;
    auto typeLower = [](const char* text) { return [=](BandRow* r) { r->lowerBoundEdit->setText(text); }; };
    auto typeUpper = [](const char* text) { return [=](BandRow* r) { r->upperBoundEdit->setText(text); }; };
    auto keys = [](const char* text) {
        return [=](BandRow* r) {
            r->lowerBoundEdit->setFocus();
            r->lowerBoundEdit->selectAll();
            QTest::keyClicks(r->lowerBoundEdit, text);
        };
    };
    auto arrowUp = [](BandRow* r) { QTest::keyClick(r->lowerBoundEdit, Qt::Key_Up); };
    auto spinDown = [](BandRow* r) { r->lowerValueSpin->downButton()->click(); };
    auto dragAt = [this](Qt::MouseButton button, int column) {
        return [=](BandRow* r) { drag(r, button, column); };
    };
    auto full = [](BandRow* r) { r->fullRangeButton->click(); };
    auto automatic = [this](const char* ratio) {
        return [=](BandRow* r) {
            window->clipRatioEdit->setText(ratio);
            r->autoRangeButton->click();
        };
    };
    struct Step {
        const char* what;
        Action action;
        double low, high;
        const char* lowText;  // the lower edit's text afterwards (null: not checked)
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
        window->closeAll();
        BandRow* row = openBand(std::string(c.type) + ".tif", c.type, c.value);
        ASSERT_TRUE(row && row->lowerValueSpin);
        for (const Step& s : c.steps) {
            SCOPED_TRACE(s.what);
            s.action(row);
            EXPECT_NEAR(row->band->display_low, s.low, 1e-9);
            if (!std::isnan(s.high)) {
                EXPECT_NEAR(row->band->display_high, s.high, 1e-9);
            }
            if (s.lowText) {
                EXPECT_EQ(row->lowerBoundEdit->text(), s.lowText);
            }
            EXPECT_LT(row->band->display_low, row->band->display_high);
        }
    }
}

// The histogram picture marks the columns inside the range: here 2000..3009, columns 100..200.
TEST_F(WideBandRowTest, HistogramShowsTheRangeInColumnsOfValues) {
    BandRow* row = openBand("u16.tif", "UInt16", u16Value);
    ASSERT_TRUE(row && row->lowerValueSpin);
    row->lowerBoundEdit->setText("2000");
    row->upperBoundEdit->setText("3009");
    const QImage& picture = row->histogramView->picture;
    const QRgb inside = qRgb(30, 30, 255), outside = qRgb(50, 50, 130);  // the bars' colours
    struct Column {
        int x;
        QRgb bar;
    } columns[] = {{99, outside}, {100, inside}, {200, inside}, {201, outside}};
    for (const Column& c : columns)
        EXPECT_EQ(picture.pixel(c.x, picture.height() - 1) | 0xFF000000u, c.bar) << c.x;
}

ORVENNA_GUI_TEST_MAIN()
