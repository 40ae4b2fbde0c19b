// The render command draws what the viewer draws: the viewer's redraw of a view, at several magnifications
// and places, is compared byte for byte with orvenna-render's picture of the same window and step.
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>

#include <sys/wait.h>
#include <cstdio>

#include "GuiTestSupport.h"
#include "display/ViewGeometry.h"
#include "platform/ImageControl.h"
#include "tools/samples/sample_scenes.h"

using guitest::MainWindowTest;

namespace {

TEST_F(MainWindowTest, RenderCommandDrawsTheViewersPicture) {
    std::string error;
    ASSERT_TRUE(samples::write_sample_scenes(dir.path().string(), &error)) << error;
    std::vector<std::string> files;
    for (const char* band : {samples::files::kCeosBand1, samples::files::kCeosBand2,
                             samples::files::kCeosBand3, samples::files::kCeosBand4})
        files.push_back(dir.file(band));
    window->resize(900, 600);
    window->show();
    for (const std::string& f : files)
        window->filesToOpen << QByteArray::fromStdString(f);
    window->openFiles();
    ASSERT_EQ(window->bandRows.size(), 4u);

    struct Case {
        const char* red;
        const char* green;
        const char* blue;
        int step, scrollX, scrollY;
    } cases[] = {
        {"c", "b", "a", 5, 400, 300},
        {"(d - c) / (d + c) * 128 + 128", "d", "x = x + 1, x", 3, 123, 456},  // letters carried over
        {"a", "b", "c", 7, 10, 590},                                          // reduced, scene at a corner
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.red);
        window->redExpressionEdit->setText(c.red);
        window->greenExpressionEdit->setText(c.green);
        window->blueExpressionEdit->setText(c.blue);
        window->zoomStep = c.step;
        window->horizontalScrollBar->setValue(c.scrollX);
        window->verticalScrollBar->setValue(c.scrollY);
        window->drawComposite();
        const QImage& shown = window->view->picture;
        const orvenna::ViewGeometry g =
            orvenna::compute_view_geometry(shown.width(), shown.height(), c.scrollX, c.scrollY, c.step,
                                           window->imageWidth, window->imageHeight);
        // The scene pixels the view draws, as a window for the command.
        const int F = g.factor;
        const int w = g.magnifying() ? g.columns : g.columns * F;
        const int h = g.magnifying() ? g.lines : g.lines * F;
        const std::string out = dir.file("rendered.bmp");
        std::string command = std::string(ORVENNA_BINARY_DIR) + "/orvenna-render -q --step " +
                              std::to_string(c.step) + " --window " + std::to_string(g.first_column) + "," +
                              std::to_string(g.first_line) + "," + std::to_string(w) + "," +
                              std::to_string(h) + " -r '" + c.red + "' -g '" + c.green + "' -b '" + c.blue +
                              "' -o " + out;
        for (const std::string& f : files)
            command += " " + f;
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
        const QImage rendered = QImage(QString::fromStdString(out)).convertToFormat(QImage::Format_BGR888);
        const int drawnW = g.magnifying() ? g.columns * F : g.columns;
        const int drawnH = g.magnifying() ? g.lines * F : g.lines;
        ASSERT_EQ(rendered.size(), QSize(drawnW, drawnH));
        int differences = 0;
        for (int y = 0; y < drawnH; ++y) {
            const uchar* a = rendered.constScanLine(y);
            const uchar* b = shown.constScanLine(g.offset_y + y) + 3 * g.offset_x;
            if (std::memcmp(a, b, static_cast<size_t>(drawnW) * 3) != 0) ++differences;
        }
        EXPECT_EQ(differences, 0) << "of " << drawnH << " lines";
    }
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
