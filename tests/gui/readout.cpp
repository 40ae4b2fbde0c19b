// Pointer readout: the colour in the status bar, the pixel value window's text, longitude and latitude from
// the corner coordinates, band values of data and picture bands, and calling up the window.
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QtTest/QTest>

#include <fstream>
#include <optional>

#include "GuiTestSupport.h"
#include "dialogs/PixelValueWindow.h"
#include "platform/ImageControl.h"
#include "tools/samples/sample_scenes.h"

using guitest::MainWindowTest;

namespace {

// Band b of the test scenes holds b * 40 + x + 2 * y.
uint8_t sceneValue(int b, int x, int y) {
    return uint8_t(b * 40 + x + 2 * y);
}

class ReadoutTest : public MainWindowTest {
protected:
    // Opens a w x h scene of `bands` bands, in a folder of its own with an ALOS summary giving `corners`
    // when there are any, after closing what was open.
    void openTestScene(int w, int h, int bands,
                       const std::optional<samples::Corners>& corners = std::nullopt) {
        window->closeAllButton->click();
        window->cornerAfterOpening = true;
        const std::string folder = dir.file("scene" + std::to_string(scenes++));
        std::filesystem::create_directories(folder);
        if (corners) {
            const samples::Corners& c = *corners;
            std::ofstream summary(folder + "/summary.txt");
            summary.precision(17);
            const std::pair<const char*, double> keys[] = {
                {"LeftTopLatitude", c.ul_lat},     {"LeftTopLongitude", c.ul_lon},
                {"RightTopLatitude", c.ur_lat},    {"RightTopLongitude", c.ur_lon},
                {"LeftBottomLatitude", c.ll_lat},  {"LeftBottomLongitude", c.ll_lon},
                {"RightBottomLatitude", c.lr_lat}, {"RightBottomLongitude", c.lr_lon}};
            for (const auto& [key, value] : keys)
                summary << "Img_ImageScene" << key << " = " << value << "\n";
        }
        guitest::writeNativeScene(folder + "/scene.bil", w, h, bands, sceneValue);
        openScene(folder + "/scene.bil", false);
        ASSERT_EQ(document().bandCount(), bands);
        ASSERT_EQ(document().metadata().geo_valid, corners.has_value());
    }
    void movePointer(int x, int y) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), window->view->mapToGlobal(QPointF(x, y)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->view, &move);
    }
    PixelValueWindow* pixelValueWindow() { return window->pixelValueWindow(); }
    int scenes = 0;
};

// The pixel value window's text: the position, longitude and latitude between the corners of the metadata
// when it gives them, and every band's value; nothing to read in the white margin around the scene.
TEST_F(ReadoutTest, PixelWindowTextWithAndWithoutCoordinates) {
    struct Case {
        int w, h, bands;
        std::optional<samples::Corners> corners;
        int x, y;
        const char* lon;
        const char* lat;
    } cases[] = {
        {16, 8, 3, std::nullopt, 3, 2, nullptr, nullptr},
        // One degree of longitude per column, one degree of latitude per line.
        {16, 8, 3, samples::Corners{50, 100, 50, 115, 43, 100, 43, 115}, 3, 2, "103.0000", "48.0000"},
        // 1/999 degree per pixel across.
        {1000, 1000, 1, samples::Corners{0, 139.0, 0, 140.0, 0, 139.0, 0, 140.0}, 500, 0, "139.5005",
         "0.0000"},
        {1000, 1000, 1, samples::Corners{0, 139.0, 0, 140.0, 0, 139.0, 0, 140.0}, 500, 999, "139.5005",
         "0.0000"},
        // The corner pixels give the corner values.
        {800, 600, 1, samples::kAlosCorners, 0, 0, "139.4021", "35.9412"},
        {800, 600, 1, samples::kAlosCorners, 799, 0, "140.1838", "35.8953"},
        {800, 600, 1, samples::kAlosCorners, 0, 599, "139.3482", "35.3127"},
        {800, 600, 1, samples::kAlosCorners, 799, 599, "140.1255", "35.2671"},
        // The centre of a skewed scene is the mean of the corners.
        {801, 601, 1, samples::Corners{36.0, 139.0, 35.8, 140.0, 35.2, 139.2, 35.0, 140.4}, 400, 300,
         "139.6500", "35.5000"},
        // Southern and western degrees keep their sign.
        {11, 11, 1, samples::Corners{-35.0, -1.0, -35.0, 0.0, -37.0, -1.0, -37.0, 0.0}, 5, 5, "-0.5000",
         "-36.0000"},
        // One pixel wide: no division by zero, the value follows the lines only.
        {1, 5, 1, samples::Corners{10.0, 20.0, 10.0, 20.0, 14.0, 24.0, 14.0, 24.0}, 0, 4, "24.0000",
         "14.0000"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n++);
        openTestScene(c.w, c.h, c.bands, c.corners);
        QString want = QStringLiteral("X, Y : %1, %2\n").arg(c.x).arg(c.y);
        if (c.lon) want += QStringLiteral("経度, 緯度 : %1, %2\n\n").arg(c.lon, c.lat);
        for (int b = 0; b < c.bands; ++b)
            want += QStringLiteral("%1 : %2\n").arg(QChar('a' + b)).arg(sceneValue(b, c.x, c.y));
        EXPECT_EQ(window->pixelValueText(c.x, c.y), want);
        for (const auto& [x, y] : {std::pair{-1, 0}, {c.w, 0}, {0, -1}, {0, c.h}})
            EXPECT_EQ(window->pixelValueText(x, y), QStringLiteral("X, Y : %1, %2\n範囲外\n").arg(x).arg(y));
    }
}

TEST_F(ReadoutTest, PictureBandsReportTheirChannelEverywhere) {
    std::string error;
    const int w = 40, h = 30;
    const std::string path = dir.file("pic.bmp");
    ASSERT_TRUE(samples::write_bmp(path, w, h, &error)) << error;
    openScene(path, false);
    ASSERT_EQ(document().bandCount(), 3);
    const samples::Band channels[3] = {samples::Band::Red, samples::Band::Green, samples::Band::Blue};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::vector<double> values = document().valuesAt(x, y);
            ASSERT_EQ(values.size(), 3u);
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(values[k], samples::band_value(channels[k], x, y, w, h))
                    << x << "," << y << " channel " << k;
        }
    }
    EXPECT_EQ(window->pixelValueText(1, 2), QStringLiteral("X, Y : 1, 2\na : %1\nb : %2\nc : %3\n")
                                                .arg(samples::band_value(samples::Band::Red, 1, 2, w, h))
                                                .arg(samples::band_value(samples::Band::Green, 1, 2, w, h))
                                                .arg(samples::band_value(samples::Band::Blue, 1, 2, w, h)));
    EXPECT_EQ(window->pixelValueText(5, h), QStringLiteral("X, Y : 5, %1\n範囲外\n").arg(h));
}

TEST_F(ReadoutTest, PointerMovesReportColourAndValuesUnderThePointer) {
    window->resize(900, 578);
    window->show();
    QCoreApplication::processEvents();
    // One degree of longitude per column, one degree of latitude per line.
    openTestScene(16, 8, 3, samples::Corners{50, 100, 50, 115, 43, 100, 43, 115});
    window->greenExpressionEdit->setText("b");
    window->blueExpressionEdit->setText("0");
    const int cx = window->view->width() / 2, cy = window->view->height() / 2;

    struct Case {
        int step;
        int vx, vy;  // offset from the view centre
        int x, y;    // image pixel read there (scroll 0, 0 puts the image's corner at the centre; left of and
                     // above it, the corner is read)
    } cases[] = {{5, 3, 2, 3, 2}, {4, 7, 5, 3, 2}, {3, 13, 9, 3, 2}, {5, -20, -3, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        window->setZoomStep(c.step);
        window->redrawNow();
        pixelValueWindow()->hide();
        movePointer(cx + c.vx, cy + c.vy);
        const QColor shown = window->viewPicture().pixelColor(cx + c.vx, cy + c.vy);
        EXPECT_EQ(window->statusPanelText(2), QStringLiteral("座標値 : ( R, G, B ) = ( %1, %2, %3 )")
                                                  .arg(shown.red())
                                                  .arg(shown.green())
                                                  .arg(shown.blue()));
        if (c.vx >= 0) {
            EXPECT_EQ(shown, QColor(sceneValue(0, c.x, c.y), sceneValue(1, c.x, c.y), 0));
        } else {
            EXPECT_EQ(shown, QColor(Qt::white));
        }
        // The status bar's place on the ground, over the picture only.
        EXPECT_EQ(window->statusPanelText(4),
                  c.vx >= 0 ? QStringLiteral("経度 %1.0000, 緯度 %2.0000").arg(100 + c.x).arg(50 - c.y)
                            : QString());
        EXPECT_EQ(pixelValueWindow()->valueLabel->text(), "座標値");  // hidden window: untouched
        pixelValueWindow()->show();
        movePointer(cx + c.vx, cy + c.vy);
        EXPECT_EQ(pixelValueWindow()->valueLabel->text(), window->pixelValueText(c.x, c.y));
        pixelValueWindow()->valueLabel->setText("座標値");
    }
}

TEST_F(ReadoutTest, NonLeftButtonCallsUpThePixelWindow) {
    window->resize(900, 578);
    window->show();
    QCoreApplication::processEvents();
    QTest::mousePress(window->view, Qt::RightButton, {}, QPoint(30, 40));
    EXPECT_FALSE(pixelValueWindow()->isVisible());  // nothing loaded: nothing happens
    openTestScene(16, 8, 3);
    QTest::mousePress(window->view, Qt::LeftButton, {}, QPoint(30, 40));
    QTest::mouseRelease(window->view, Qt::LeftButton, {}, QPoint(30, 40));
    EXPECT_FALSE(pixelValueWindow()->isVisible());
    QTest::mousePress(window->view, Qt::RightButton, {}, QPoint(30, 40));
    ASSERT_TRUE(pixelValueWindow()->isVisible());
    EXPECT_EQ(pixelValueWindow()->pos(), window->view->mapToGlobal(QPoint(30, 40)) + QPoint(10, 10));
    // Filled at once for the clicked pixel, before the pointer moves.
    EXPECT_EQ(pixelValueWindow()->valueLabel->text(),
              window->pixelValueText(window->imageColumnAtView(30), window->imageLineAtView(40)));
    QTest::mousePress(window->view, Qt::MiddleButton, {}, QPoint(50, 60));  // already shown: moved
    EXPECT_TRUE(pixelValueWindow()->isVisible());
    EXPECT_EQ(pixelValueWindow()->pos(), window->view->mapToGlobal(QPoint(50, 60)) + QPoint(10, 10));
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
