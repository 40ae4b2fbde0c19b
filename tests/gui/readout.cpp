// Pointer readout: the colour in the status bar, the pixel value window's text, longitude and latitude from
// the corner coordinates, band values of data and picture bands, and calling up the window.
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QtTest/QTest>

#include "GuiTestSupport.h"
#include "dialogs/PixelValueWindow.h"
#include "dialogs/ProgressWindow.h"
#include "platform/ImageControl.h"
#include "tools/samples/sample_scenes.h"

using guitest::MainWindowTest;

namespace {

class ReadoutTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        progressWindow = new ProgressWindow(window.get());
        pixelValueWindow = new PixelValueWindow(window.get());
    }
    void TearDown() override {
        progressWindow = nullptr;
        pixelValueWindow = nullptr;
        MainWindowTest::TearDown();
    }
    void setCorners(double ulLat, double ulLon, double urLat, double urLon, double llLat, double llLon,
                    double lrLat, double lrLon) {
        window->ulLat = ulLat, window->ulLon = ulLon, window->urLat = urLat, window->urLon = urLon;
        window->llLat = llLat, window->llLon = llLon, window->lrLat = lrLat, window->lrLon = lrLon;
    }
    // A 16 x 8 scene of three bands: band b holds b * 40 + x + 2 * y.
    void openThreeBands() {
        const std::string path = dir.file("three.bil");
        guitest::writeNativeScene(path, 16, 8, 3,
                                  [](int b, int x, int y) { return uint8_t(b * 40 + x + 2 * y); });
        window->filesToOpen = {QByteArray::fromStdString(path)};
        window->openFiles();
        ASSERT_EQ(window->bandRows.size(), 3u);
    }
    void movePointer(int x, int y) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), window->view->mapToGlobal(QPointF(x, y)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->view, &move);
    }
};

TEST_F(ReadoutTest, LongitudeAndLatitudeTexts) {
    struct Case {
        int w, h;
        double ulLat, ulLon, urLat, urLon, llLat, llLon, lrLat, lrLon;
        int x, y;
        const char* lon;
        const char* lat;
    } cases[] = {
        // 1/999 degree per pixel across.
        {1000, 1000, 0, 139.0, 0, 140.0, 0, 139.0, 0, 140.0, 500, 0, "139.5005", "0.0000"},
        {1000, 1000, 0, 139.0, 0, 140.0, 0, 139.0, 0, 140.0, 500, 999, "139.5005", "0.0000"},
        // The corner pixels give the corner values.
        {800, 600, 35.9412, 139.4021, 35.8953, 140.1838, 35.3127, 139.3482, 35.2671, 140.1255, 0, 0,
         "139.4021", "35.9412"},
        {800, 600, 35.9412, 139.4021, 35.8953, 140.1838, 35.3127, 139.3482, 35.2671, 140.1255, 799, 0,
         "140.1838", "35.8953"},
        {800, 600, 35.9412, 139.4021, 35.8953, 140.1838, 35.3127, 139.3482, 35.2671, 140.1255, 0, 599,
         "139.3482", "35.3127"},
        {800, 600, 35.9412, 139.4021, 35.8953, 140.1838, 35.3127, 139.3482, 35.2671, 140.1255, 799, 599,
         "140.1255", "35.2671"},
        // The centre of a skewed scene is the mean of the corners.
        {801, 601, 36.0, 139.0, 35.8, 140.0, 35.2, 139.2, 35.0, 140.4, 400, 300, "139.6500", "35.5000"},
        // Southern and western degrees keep their sign.
        {11, 11, -35.0, -1.0, -35.0, 0.0, -37.0, -1.0, -37.0, 0.0, 5, 5, "-0.5000", "-36.0000"},
        // One pixel wide: no division by zero, the value follows the lines only.
        {1, 5, 10.0, 20.0, 10.0, 20.0, 14.0, 24.0, 14.0, 24.0, 0, 4, "24.0000", "14.0000"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n++);
        window->imageWidth = c.w;
        window->imageHeight = c.h;
        setCorners(c.ulLat, c.ulLon, c.urLat, c.urLon, c.llLat, c.llLon, c.lrLat, c.lrLon);
        EXPECT_EQ(window->longitudeText(c.x, c.y), c.lon);
        EXPECT_EQ(window->latitudeText(c.x, c.y), c.lat);
    }
}

TEST_F(ReadoutTest, PixelWindowTextWithAndWithoutCoordinates) {
    openThreeBands();
    window->geoValid = false;
    EXPECT_EQ(window->pixelValueText(3, 2), "X, Y : 3, 2\na : 7\nb : 47\nc : 87\n");
    // One degree of longitude per column, one degree of latitude per line.
    setCorners(50, 100, 50, 115, 43, 100, 43, 115);
    window->geoValid = true;
    EXPECT_EQ(window->pixelValueText(3, 2),
              "X, Y : 3, 2\n経度, 緯度 : 103.0000, 48.0000\n\na : 7\nb : 47\nc : 87\n");
    // In the white margin around the scene there is nothing to read, for any kind of band.
    for (const auto& [x, y] : {std::pair{-1, 2}, {16, 2}, {3, -1}, {3, 8}})
        EXPECT_EQ(window->pixelValueText(x, y), QStringLiteral("X, Y : %1, %2\n範囲外\n").arg(x).arg(y));
    // Past the last pixel the data bands read 0.
    EXPECT_EQ(window->bandValueAt(bandRow(0), 16 * 8), 0);
    EXPECT_EQ(window->bandValueAt(bandRow(2), 16 * 7 + 15), 40 * 2 + 15 + 14);
}

TEST_F(ReadoutTest, PictureBandsReportTheirChannelEverywhere) {
    std::string error;
    const int w = 40, h = 30;
    const std::string path = dir.file("pic.bmp");
    ASSERT_TRUE(samples::write_bmp(path, w, h, &error)) << error;
    window->filesToOpen = {QByteArray::fromStdString(path)};
    window->openFiles();
    ASSERT_EQ(window->bandRows.size(), 3u);
    const samples::Band channels[3] = {samples::Band::Red, samples::Band::Green, samples::Band::Blue};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(window->bandValueAt(bandRow(k), int64_t(w) * y + x),
                          samples::band_value(channels[k], x, y, w, h))
                    << x << "," << y << " channel " << k;
            }
        }
    }
    // Beyond the last line the last line is read, at the same column.
    EXPECT_EQ(window->pictureBandValue(bandRow(0), int64_t(w) * h + 5),
              samples::band_value(samples::Band::Red, 5, h - 1, w, h));
    EXPECT_EQ(window->pictureBandValue(bandRow(2), int64_t(w) * 100 + 7),
              samples::band_value(samples::Band::Blue, 7, h - 1, w, h));
    EXPECT_EQ(window->pixelValueText(1, 2), QStringLiteral("X, Y : 1, 2\na : %1\nb : %2\nc : %3\n")
                                                .arg(samples::band_value(samples::Band::Red, 1, 2, w, h))
                                                .arg(samples::band_value(samples::Band::Green, 1, 2, w, h))
                                                .arg(samples::band_value(samples::Band::Blue, 1, 2, w, h)));
}

TEST_F(ReadoutTest, PointerMovesReportColourAndValuesUnderThePointer) {
    window->resize(900, 578);
    window->show();
    QCoreApplication::processEvents();
    openThreeBands();
    window->greenExpressionEdit->setText("b");
    window->blueExpressionEdit->setText("0");
    const int cx = window->view->width() / 2, cy = window->view->height() / 2;

    struct Case {
        int step;
        int vx, vy;  // offset from the view centre
        int x, y;    // image pixel expected there (scroll 0, 0 puts the image's corner at the centre)
    } cases[] = {{5, 3, 2, 3, 2}, {4, 7, 5, 3, 2}, {3, 13, 9, 3, 2}, {5, -20, -3, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        window->zoomStep = c.step;
        window->drawComposite();
        ASSERT_EQ(window->viewOffsetX, 0);
        pixelValueWindow->hide();
        movePointer(cx + c.vx, cy + c.vy);
        const QColor shown = window->view->picture.pixelColor(cx + c.vx, cy + c.vy);
        EXPECT_EQ(window->statusPanelText(2), QStringLiteral("座標値 : ( R, G, B ) = ( %1, %2, %3 )")
                                                  .arg(shown.red())
                                                  .arg(shown.green())
                                                  .arg(shown.blue()));
        if (c.vx >= 0) {
            EXPECT_EQ(shown.red(), c.x + 2 * c.y);
            EXPECT_EQ(shown.green(), 40 + c.x + 2 * c.y);
            EXPECT_EQ(shown.blue(), 0);
        }
        EXPECT_EQ(pixelValueWindow->valueLabel->text(), "座標値");  // hidden window: untouched
        pixelValueWindow->show();
        movePointer(cx + c.vx, cy + c.vy);
        EXPECT_EQ(pixelValueWindow->valueLabel->text(), window->pixelValueText(c.x, c.y));
        EXPECT_TRUE(pixelValueWindow->valueLabel->text().startsWith(
            QStringLiteral("X, Y : %1, %2\n").arg(c.x).arg(c.y)));
        pixelValueWindow->valueLabel->setText("座標値");
    }
}

TEST_F(ReadoutTest, NonLeftButtonCallsUpThePixelWindow) {
    window->resize(900, 578);
    window->show();
    QCoreApplication::processEvents();
    QTest::mousePress(window->view, Qt::RightButton, {}, QPoint(30, 40));
    EXPECT_FALSE(pixelValueWindow->isVisible());  // nothing loaded: nothing happens
    openThreeBands();
    QTest::mousePress(window->view, Qt::LeftButton, {}, QPoint(30, 40));
    QTest::mouseRelease(window->view, Qt::LeftButton, {}, QPoint(30, 40));
    EXPECT_FALSE(pixelValueWindow->isVisible());
    QTest::mousePress(window->view, Qt::RightButton, {}, QPoint(30, 40));
    ASSERT_TRUE(pixelValueWindow->isVisible());
    EXPECT_EQ(pixelValueWindow->pos(), window->view->mapToGlobal(QPoint(30, 40)) + QPoint(10, 10));
    // Filled at once for the clicked pixel, before the pointer moves.
    EXPECT_EQ(pixelValueWindow->valueLabel->text(),
              window->pixelValueText(window->imageColumnAtView(30), window->imageLineAtView(40)));
    QTest::mousePress(window->view, Qt::MiddleButton, {}, QPoint(50, 60));  // already shown: moved
    EXPECT_TRUE(pixelValueWindow->isVisible());
    EXPECT_EQ(pixelValueWindow->pos(), window->view->mapToGlobal(QPoint(50, 60)) + QPoint(10, 10));
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
