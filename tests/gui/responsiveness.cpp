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
        progressWindow = new ProgressWindow(form.get());
        form->resize(400, 300);
        form->show();
    }
    void TearDown() override {
        progressWindow = nullptr;  // a child of the main window
        MainWindowTest::TearDown();
    }

    void OpenSmallScene() {
        const std::string path = dir.file("small.bil");
        guitest::WriteNativeScene(path, 40, 30, 1, [](int, int x, int y) { return uint8_t(x * 5 + y); });
        OpenScene(path);
    }

    // A 1 GiB native band that is all holes: its histogram pass reads zeros for a while.
    std::string LargeSparseScene() {
        const std::string path = dir.file("large.bil");
        guitest::WriteNativeScene(path, 32768, 2, 1, [](int, int, int) { return uint8_t(0); });
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
    void WhenReady(std::function<bool()> ready, std::function<void()> action) {
        auto* timer = new QTimer(form.get());
        QObject::connect(timer, &QTimer::timeout, form.get(), [timer, ready, action] {
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
    OpenSmallScene();
    const std::function<void()> stops[] = {
        [this] { QTest::mouseClick(form->stopRedrawButton, Qt::LeftButton); },
        [this] { QTest::keyClick(form.get(), Qt::Key_Escape); },
    };
    for (const auto& stop : stops) {
        form->redExpressionEdit->setText(kRunaway);
        bool ranWhileDrawing = false;
        WhenReady([this] { return form->stopRedrawButton->isVisible(); },
                  [&] {
                      ranWhileDrawing = form->drawing;
                      stop();
                  });
        form->drawComposite();
        EXPECT_TRUE(ranWhileDrawing);
        EXPECT_FALSE(form->drawing);
        EXPECT_FALSE(form->stopRedrawButton->isVisible());
        EXPECT_TRUE(form->statusPanelText(0).contains(QStringLiteral("途中")));
        EXPECT_FALSE(form->view->picture.isNull());
    }
}

// A redraw asked for while one runs replaces it: the picture that stays is the one of the latest texts,
// byte for byte what a redraw of them alone gives.
TEST_F(ResponsivenessTest, RedrawAskedForDuringARedrawShowsTheLatestState) {
    OpenSmallScene();
    form->redExpressionEdit->setText("a");
    form->drawComposite();
    const QImage expected = form->view->picture.copy();

    form->redExpressionEdit->setText(kRunaway);
    WhenReady([this] { return form->drawing; },
              [this] {
                  form->redExpressionEdit->setText("a");
                  form->drawComposite();  // as the redraw button does
              });
    form->drawComposite();
    EXPECT_FALSE(form->drawing);
    EXPECT_EQ(form->view->picture, expected);
}

// Closing the window (close box, ファイル > 終了) during a runaway redraw or during an opening's histogram
// pass: the work stops at its next step, the window closes once it has unwound, everything is released.
TEST_F(ResponsivenessTest, ClosingDuringARedrawClosesCleanly) {
    OpenSmallScene();
    form->redExpressionEdit->setText(kRunaway);
    WhenReady([this] { return form->stopRedrawButton->isVisible(); }, [this] { form->close(); });
    form->drawComposite();
    QCoreApplication::processEvents();  // the close held back until the redraw unwound
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->scenes.empty());
    EXPECT_TRUE(form->bandRows.empty());
}

TEST_F(ResponsivenessTest, ClosingDuringAnOpeningClosesCleanly) {
    const std::string large = LargeSparseScene();
    prompts.yesNoAnswers = {true};  // make the histogram of the 1 GiB file
    WhenReady([] { return progressWindow->stopButton->isEnabled(); }, [this] { form->onQuitTriggered(); });
    form->filesToOpen = {QByteArray::fromStdString(large)};
    form->openFiles();
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->opening);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->scenes.empty());
}

// "中止" in the progress window (or Esc) stops a long histogram pass: the band opens without a histogram,
// exactly as when the large-file question is answered No, and the opening goes on to its redraw.
TEST_F(ResponsivenessTest, StoppedHistogramOpensTheBandWithoutIt) {
    const std::string large = LargeSparseScene();
    prompts.yesNoAnswers = {true};
    bool ranDuringPass = false;
    WhenReady([] { return progressWindow->stopButton->isEnabled(); },
              [&] {
                  ranDuringPass = form->opening;
                  QTest::mouseClick(progressWindow->stopButton, Qt::LeftButton);
              });
    form->filesToOpen = {QByteArray::fromStdString(large)};
    form->openFiles();
    EXPECT_TRUE(ranDuringPass);
    ASSERT_EQ(form->bandRows.size(), 1u);
    const BandRow* row = form->bandRows[0].get();
    EXPECT_FALSE(row->histogramValid);
    EXPECT_EQ(row->band->hist_peak, 255);
    EXPECT_EQ(row->band->hist_peak_inner, 255);
    EXPECT_EQ(row->band->histogram[0], 0);
    EXPECT_FALSE(form->view->picture.isNull());  // the opening went on to its redraw
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
