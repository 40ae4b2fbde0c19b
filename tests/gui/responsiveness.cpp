// A window that never freezes: a runaway redraw and a long histogram pass run as jobs while the window
// handles events, and can be stopped; a newer redraw replaces a running one; closing the window while work
// runs closes it once the work has ended. Each test would hang without its mend; this program's tests have a
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
#include "dialogs/ProgressWindow.h"

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

}  // namespace

ORVENNA_GUI_TEST_MAIN()
