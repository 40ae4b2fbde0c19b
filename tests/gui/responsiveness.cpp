// A window that never freezes: a runaway redraw and a long histogram pass leave the window handling events
// and can be stopped; closing the window while either runs closes it cleanly. Each test would hang without
// the mend; this program's tests have a short time limit (see CMakeLists.txt).
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
#include "platform/ImageControl.h"

using guitest::MainWindowTest;

namespace {

// Counts to 10^8 in every pixel: without a way to stop it, a redraw of a few pixels takes hours.
const char kRunaway[] = "100000000@(x=x+1)";

class ResponsivenessTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        progressWindow = new ProgressWindow(window.get());
        window->resize(400, 300);
        window->show();
    }
    void TearDown() override {
        progressWindow = nullptr;  // a child of the main window
        MainWindowTest::TearDown();
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

    // Runs `action` from the event loop once `ready` holds, checking every 20 ms.
    void whenReady(std::function<bool()> ready, std::function<void()> action) {
        auto* timer = new QTimer(window.get());
        QObject::connect(timer, &QTimer::timeout, window.get(), [timer, ready, action] {
            if (!ready()) return;
            timer->stop();
            timer->deleteLater();
            action();
        });
        timer->start(20);
    }
};

// Stopping a runaway redraw: from its "中止" button and with Esc. The window handled events meanwhile (the
// timer that stops it ran while the redraw was under way), and the status bar says the picture is partial.
TEST_F(ResponsivenessTest, RunawayRedrawIsStoppedByItsButtonOrEsc) {
    openSmallScene();
    const std::function<void()> stops[] = {
        [this] { QTest::mouseClick(window->stopRedrawButton, Qt::LeftButton); },
        [this] { QTest::keyClick(window.get(), Qt::Key_Escape); },
    };
    for (const auto& stop : stops) {
        window->redExpressionEdit->setText(kRunaway);
        bool ranWhileDrawing = false;
        whenReady([this] { return window->stopRedrawButton->isVisible(); },
                  [&] {
                      ranWhileDrawing = window->drawing;
                      stop();
                  });
        window->drawComposite();
        EXPECT_TRUE(ranWhileDrawing);
        EXPECT_FALSE(window->drawing);
        EXPECT_FALSE(window->stopRedrawButton->isVisible());
        EXPECT_TRUE(window->statusPanelText(0).contains(QStringLiteral("途中")));
        EXPECT_FALSE(window->view->picture.isNull());
    }
}

// A redraw asked for while one runs replaces it: the picture that stays is the one of the latest texts,
// byte for byte what a redraw of them alone gives.
TEST_F(ResponsivenessTest, RedrawAskedForDuringARedrawShowsTheLatestState) {
    openSmallScene();
    window->redExpressionEdit->setText("a");
    window->drawComposite();
    const QImage expected = window->view->picture.copy();

    window->redExpressionEdit->setText(kRunaway);
    whenReady([this] { return window->drawing; },
              [this] {
                  window->redExpressionEdit->setText("a");
                  window->drawComposite();  // as the redraw button does
              });
    window->drawComposite();
    EXPECT_FALSE(window->drawing);
    EXPECT_EQ(window->view->picture, expected);
}

// Closing the window (close box, ファイル > 終了) during a runaway redraw or during an opening's histogram
// pass: the work stops at its next step, the window closes once it has unwound, everything is released.
TEST_F(ResponsivenessTest, ClosingDuringARedrawClosesCleanly) {
    openSmallScene();
    window->redExpressionEdit->setText(kRunaway);
    whenReady([this] { return window->stopRedrawButton->isVisible(); }, [this] { window->close(); });
    window->drawComposite();
    QCoreApplication::processEvents();  // the close held back until the redraw unwound
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->scenes.empty());
    EXPECT_TRUE(window->bandRows.empty());
}

TEST_F(ResponsivenessTest, ClosingDuringAnOpeningClosesCleanly) {
    const std::string large = largeSparseScene();
    prompts.yesNoAnswers = {true};  // make the histogram of the 1 GiB file
    whenReady([] { return progressWindow->stopButton->isEnabled(); }, [this] { window->onQuitTriggered(); });
    window->filesToOpen = {QByteArray::fromStdString(large)};
    window->openFiles();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->opening);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->scenes.empty());
}

// "中止" in the progress window (or Esc) stops a long histogram pass: the band opens without a histogram,
// exactly as when the large-file question is answered No, and the opening goes on to its redraw.
TEST_F(ResponsivenessTest, StoppedHistogramOpensTheBandWithoutIt) {
    const std::string large = largeSparseScene();
    prompts.yesNoAnswers = {true};
    bool ranDuringPass = false;
    whenReady([] { return progressWindow->stopButton->isEnabled(); },
              [&] {
                  ranDuringPass = window->opening;
                  QTest::mouseClick(progressWindow->stopButton, Qt::LeftButton);
              });
    window->filesToOpen = {QByteArray::fromStdString(large)};
    window->openFiles();
    EXPECT_TRUE(ranDuringPass);
    ASSERT_EQ(window->bandRows.size(), 1u);
    const BandRow* row = window->bandRows[0].get();
    EXPECT_FALSE(row->histogramValid);
    EXPECT_EQ(row->band->hist_peak, 255);
    EXPECT_EQ(row->band->hist_peak_inner, 255);
    EXPECT_EQ(row->band->histogram[0], 0);
    EXPECT_FALSE(window->view->picture.isNull());  // the opening went on to its redraw
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
