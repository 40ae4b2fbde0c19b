// A window that never freezes: a runaway redraw and a long histogram pass run as jobs while the window
// handles events, and can be stopped; a newer redraw replaces a running one; closing the window while work
// runs closes it once the work has ended; a read that sits in GDAL for seconds holds neither 中止 nor the
// pointer readout. Each test would hang without its mend; this program's tests have a
// short time limit (see CMakeLists.txt).
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <functional>

#include "GuiTestSupport.h"
#include "dialogs/PixelValueWindow.h"
#include "dialogs/ProgressWindow.h"
#include "document/BackgroundJob.h"
#include "tests/unit/gdal_test_files.h"

using guitest::MainWindowTest;
using State = orvenna::ViewerJobs::State;

namespace {

// Counts to 10^8 in every pixel: without a way to stop it, a redraw of a few pixels takes hours.
const char kRunaway[] = "100000000@(x=x+1)";

class ResponsivenessTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        window->resize(400, 300);
        window->show();
    }

    void openSmallScene() {
        const std::string path = dir.file("small.bil");
        guitest::writeNativeScene(path, 40, 30, 1, [](int, int x, int y) { return uint8_t(x * 5 + y); });
        openScene(path);
    }

    // A 1 GiB native band that is all holes: its histogram pass reads zeros for a while.
    std::string largeSparseScene() {
        const std::string path = dir.file("large.bil");
        guitest::writeNativeScene(path, 32768, 2, 1, [](int, int, int) { return uint8_t(0); });
        // Rewrite the header's line count to 32768 and extend the file to match.
        const int fd = open(path.c_str(), O_RDWR);
        EXPECT_GE(fd, 0);
        const unsigned char lines[2] = {0x80, 0x00};
        EXPECT_EQ(pwrite(fd, lines, 2, 14), 2);
        EXPECT_EQ(ftruncate(fd, 512 + off_t(32768) * 32768), 0);
        close(fd);
        return path;
    }

    // A 256 x 256 VRT whose every read of it runs a 213 x 213 kernel over each pixel in one call into GDAL:
    // seconds in which the reading thread cannot be stopped, the stand-in for a read that does not return.
    std::string slowScene() {
        const std::string source = gdal_test::write_envi(dir.file("source"), 256, 256, 1,
                                                         [](int, int x, int y) { return (x + y) % 200; });
        EXPECT_TRUE(gdal_test::translate(source, dir.file("source.tif"), "-ot Byte"));
        const int kernel = 213;
        std::string coefficients;
        for (int i = 0; i < kernel * kernel; ++i)
            coefficients += "1 ";
        const std::string path = dir.file("slow.vrt");
        std::ofstream(path) << "<VRTDataset rasterXSize=\"256\" rasterYSize=\"256\"><VRTRasterBand "
                               "dataType=\"Byte\" band=\"1\"><KernelFilteredSource><SourceFilename>"
                            << dir.file("source.tif")
                            << "</SourceFilename><SourceBand>1</SourceBand><Kernel normalized=\"1\"><Size>"
                            << kernel << "</Size><Coefs>" << coefficients
                            << "</Coefs></Kernel></KernelFilteredSource></VRTRasterBand></VRTDataset>";
        return path;
    }

    bool drawing() { return window->jobs().state() == State::Drawing; }
    ProgressWindow* progress() { return window->progressWindow(); }
};

// Stopping a runaway redraw: from its "中止" button and with Esc. The window handles events meanwhile (a
// menu opens), and the status bar says the picture is partial.
TEST_F(ResponsivenessTest, RunawayRedrawIsStoppedByItsButtonOrEsc) {
    openSmallScene();
    const std::function<void()> stops[] = {
        [this] { QTest::mouseClick(window->stopRedrawButton, Qt::LeftButton); },
        [this] { QTest::keyClick(window.get(), Qt::Key_Escape); },
    };
    for (const auto& stop : stops) {
        SCOPED_TRACE(&stop == stops ? "button" : "Esc");
        window->redExpressionEdit->setText(kRunaway);
        window->redraw();
        ASSERT_TRUE(guitest::pumpUntil([this] { return window->stopRedrawButton->isVisible(); }));
        EXPECT_TRUE(drawing());
        window->fileMenu->popup(window->mapToGlobal(QPoint(10, 10)));
        EXPECT_TRUE(guitest::pumpUntil([this] { return window->fileMenu->isVisible(); }));
        window->fileMenu->close();
        window->activateWindow();
        EXPECT_TRUE(guitest::pumpUntil([this] { return window->isActiveWindow(); }));
        stop();
        EXPECT_TRUE(window->waitForJobs(5000));
        EXPECT_FALSE(window->stopRedrawButton->isVisible());
        EXPECT_TRUE(window->statusPanelText(0).contains(QStringLiteral("途中")));
        EXPECT_FALSE(window->viewPicture().isNull());
    }
}

// Redraws asked for while one runs replace it: the picture that stays is the one of the latest texts, byte
// for byte what a redraw of them alone gives, and a redraw that gave way is never shown.
TEST_F(ResponsivenessTest, RedrawAskedForDuringARedrawShowsTheLatestState) {
    openSmallScene();
    window->redExpressionEdit->setText("a");
    window->redrawNow();
    const QImage expected = window->viewPicture().copy();

    window->redExpressionEdit->setText(kRunaway);
    window->redraw();
    ASSERT_TRUE(drawing());
    int started = 0;
    QObject::connect(&window->jobs(), &orvenna::ViewerJobs::redrawStarted, [&] { ++started; });
    window->redExpressionEdit->setText("a");
    for (int i = 0; i < 3; ++i)
        window->redraw();  // as the redraw button does, again and again
    EXPECT_TRUE(window->waitForJobs(5000));
    EXPECT_EQ(started, 1);  // the requests made meanwhile came to one redraw
    EXPECT_EQ(window->viewPicture(), expected);
    EXPECT_FALSE(window->statusPanelText(0).contains(QStringLiteral("途中")));
}

// Closing the window (close box, ファイル > 終了) while a runaway redraw or an opening's histogram pass runs:
// the work stops at its next step and the window closes once it has ended.
TEST_F(ResponsivenessTest, ClosingDuringWorkClosesOnceTheWorkHasEnded) {
    struct Case {
        const char* what;
        std::function<void()> start;
        std::function<bool()> running;
    };
    const Case cases[] = {
        {"redraw",
         [this] {
             openSmallScene();
             window->redExpressionEdit->setText(kRunaway);
             window->redraw();
         },
         [this] { return window->stopRedrawButton->isVisible(); }},
        {"opening",
         [this] {
             prompts.yesNoAnswers = {true};  // count the histogram of the 1 GiB file
             EXPECT_TRUE(window->openFiles({QByteArray::fromStdString(largeSparseScene())}));
         },
         [this] { return progress()->stopButton->isEnabled(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window = std::make_unique<guitest::WindowUnderTest>();
        window->show();
        c.start();
        ASSERT_TRUE(guitest::pumpUntil(c.running, 10000));
        window->quitAction->trigger();     // ファイル > 終了
        EXPECT_TRUE(window->isVisible());  // held until the work has ended
        EXPECT_EQ(window->jobs().state(), State::Closing);
        EXPECT_TRUE(guitest::pumpUntil([this] { return !window->isVisible(); }, 10000));
        EXPECT_FALSE(window->jobs().busy());
    }
}

// "中止" in the progress window (or Esc) stops a long histogram pass: the band opens without a histogram,
// exactly as when the large-file question is answered No, and the opening goes on to its redraw.
TEST_F(ResponsivenessTest, StoppedHistogramOpensTheBandWithoutIt) {
    const std::string large = largeSparseScene();
    prompts.yesNoAnswers = {true};
    ASSERT_TRUE(window->openFiles({QByteArray::fromStdString(large)}));
    ASSERT_TRUE(guitest::pumpUntil([this] { return progress()->stopButton->isEnabled(); }, 10000));
    EXPECT_EQ(window->jobs().state(), State::Opening);
    QTest::mouseClick(progress()->stopButton, Qt::LeftButton);
    ASSERT_TRUE(window->waitForJobs());
    ASSERT_EQ(document().bandCount(), 1);
    EXPECT_FALSE(document().band(0).histogramMade);
    EXPECT_EQ(band(0)->hist_peak, 255);
    EXPECT_EQ(band(0)->hist_peak_inner, 255);
    EXPECT_EQ(band(0)->histogram[0], 0);
    EXPECT_FALSE(progress()->isVisible());
    EXPECT_FALSE(window->viewPicture().isNull());  // the opening went on to its redraw
}

// While the histogram pass of the opening sits in one long read, "中止" returns the window at once: the
// opening is given up and nothing of it is listed. While a background pass holds the band's file, the pointer
// readout says the band is busy instead of waiting, and shows the value once the pass has let go.
TEST_F(ResponsivenessTest, ReadThatDoesNotReturnHoldsNeitherStopNorReadout) {
    const std::string slow = slowScene();
    bool abandoned = false;
    QObject::connect(&window->jobs(), &orvenna::ViewerJobs::openingAbandoned, [&] { abandoned = true; });
    window->histogramOnOpenCheckBox->setChecked(true);
    ASSERT_TRUE(window->openFiles({QByteArray::fromStdString(slow)}));
    ASSERT_TRUE(guitest::pumpUntil([this] { return progress()->stopButton->isEnabled(); }, 10000));
    QTest::mouseClick(progress()->stopButton, Qt::LeftButton);
    ASSERT_TRUE(guitest::pumpUntil([this] { return window->jobs().state() != State::Opening; }, 10000));
    EXPECT_TRUE(abandoned);  // the read went on: the window did not wait for it
    EXPECT_EQ(document().bandCount(), 0);
    EXPECT_TRUE(window->statusPanelText(0).contains(QStringLiteral("読み込みを中止しました")));
    EXPECT_FALSE(progress()->isVisible());

    openScene(slow, false);
    prompts.yesNoAnswers = {true};  // "ヒストグラムが作成されていません。作成しますか？"
    bandRow(0).autoRangeButton->click();
    ASSERT_TRUE(window->jobs().countingHistogram());
    PixelValueWindow* values = window->pixelValueWindow();
    values->show();
    const QPoint centre(window->view->width() / 2, window->view->height() / 2);
    const auto movePointer = [&] {
        QMouseEvent move(QEvent::MouseMove, centre, window->view->mapToGlobal(centre), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->view, &move);
        return values->valueLabel->text().contains(QStringLiteral("a : 読み込み中"));
    };
    // Once the pass holds the file, a move of the pointer returns with the band marked busy.
    EXPECT_TRUE(guitest::pumpUntil(movePointer, 10000));
    EXPECT_TRUE(window->jobs().countingHistogram());
    ASSERT_TRUE(
        guitest::pumpUntil([&] { return !values->valueLabel->text().contains("読み込み中"); }, 30000));
    const int x = window->imageColumnAtView(centre.x()), y = window->imageLineAtView(centre.y());
    EXPECT_EQ(values->valueLabel->text(), window->pixelValueText(x, y));
    // The opening's read that was given up ends on its own.
    EXPECT_TRUE(guitest::pumpUntil([] { return orvenna::BackgroundJob::abandonedRunning() == 0; }, 30000));
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
