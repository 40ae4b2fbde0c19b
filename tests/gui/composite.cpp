// The composite view: the picture drawn at several magnifications and scroll positions against a per-pixel
// computation made here, the channels' bytes, the expression boxes' colours, autoUpdate and redrawButton,
// the busy text, a redraw replaced by a newer one, and bands closed while a redraw runs.
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>

#include "GuiTestSupport.h"
#include "platform/ImageControl.h"
#include "platform/SpinButtons.h"

using guitest::MainWindowTest;
using State = orvenna::ViewerJobs::State;

namespace {

constexpr int kImgW = 80;
constexpr int kImgH = 50;

uint8_t Band0(int x, int y) {
    return uint8_t((x * 7 + y * 3) % 256);
}
uint8_t Band1(int x, int y) {
    return uint8_t((x * y + 5) % 256);
}

// Display-range mapping of an 8-bit value.
int stretched(int v, int low, int high) {
    if ((low == 0 && high == 255) || high <= low) return v;
    const double mapped = 255.999999 / (high - low) * (v - low);
    return std::clamp(static_cast<int>(mapped), 0, 255);
}

// Which image pixel the view shows at screen (sx, sy), from the magnification rules written out again here.
struct ExpectedView {
    int w, h, hpos, vpos, step;
    double s() const { return std::pow(2.0, 5 - step); }
    int f() const { return step <= 5 ? int(s()) : int(1.0 / s()); }
    void viewOrigin(int pos, int size, int* first, int* off) const {
        const double start = pos - (1.0 / s()) * (size * 0.5);
        if (start < 0) {
            *off = static_cast<int>(std::fabs(start) * s());
            *first = 0;
        } else {
            *off = 0;
            *first = static_cast<int>(start);
        }
    }
    bool imagePixel(int sx, int sy, int* ix, int* iy) const {
        int left, offX, top, offY;
        viewOrigin(hpos, w, &left, &offX);
        viewOrigin(vpos, h, &top, &offY);
        const int F = f();
        if (step <= 5) {
            const int cols = std::min((w - offX) / F, kImgW - left);
            const int lines = std::min((h - offY) / F, kImgH - top);
            if (sx < offX || sy < offY || sx >= offX + cols * F || sy >= offY + lines * F) return false;
            *ix = left + (sx - offX) / F;
            *iy = top + (sy - offY) / F;
        } else {
            int cols = w - offX, lines = h - offY;
            if (kImgW < cols * F + left) cols = (kImgW - left) / F;
            if (kImgH < lines * F + top) lines = (kImgH - top) / F;
            if (sx < offX || sy < offY || sx >= offX + cols || sy >= offY + lines) return false;
            *ix = left + (sx - offX) * F;
            *iy = top + (sy - offY) * F;
        }
        return true;
    }
};

class CompositeTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        window->cornerAfterOpening = true;
        window->autoRangeOnOpenCheckBox->setChecked(false);  // the expected pictures stretch over 0..255
        guitest::writeNativeScene(scene, kImgW, kImgH, 2,
                                  [](int b, int x, int y) { return b == 0 ? Band0(x, y) : Band1(x, y); });
        openScene(scene);
        window->view->setFixedSize(kViewW, kViewH);
        window->show();
        ASSERT_EQ(window->view->size(), QSize(kViewW, kViewH));
        window->redrawNow();
    }

    QRgb viewPixel(int x, int y) { return window->viewPicture().pixel(x, y) | 0xFF000000u; }
    // The whole view against `expected` of each view pixel.
    void expectView(const std::function<QRgb(int, int)>& expected) {
        const QImage& pic = window->viewPicture();
        ASSERT_EQ(pic.format(), QImage::Format_BGR888);
        ASSERT_EQ(pic.size(), window->view->size());
        for (int y = 0; y < pic.height(); ++y)
            for (int x = 0; x < pic.width(); ++x)
                ASSERT_EQ(viewPixel(x, y), expected(x, y) | 0xFF000000u) << "at " << x << "," << y;
    }

    static constexpr int kViewW = 60;
    static constexpr int kViewH = 40;
    const std::string scene = dir.file("scene.vdm");
};

}  // namespace

TEST_F(CompositeTest, PictureMatchesAPerPixelComputation) {
    bandRow(1)->lowerBoundSpin->setValue(10);
    bandRow(1)->upperBoundSpin->setValue(100);
    window->greenExpressionEdit->setText("b");
    struct Case {
        int step, hpos, vpos;
    } cases[] = {
        {5, 0, 0},    // start-up positions: the image's corner at the view centre
        {5, 50, 30},  // 1:1 inside the image
        {4, 12, 8},   // x2, image starting inside the view
        {3, 40, 25},  // x4
        {6, 20, 10},  // 1/2, reducing
        {7, 79, 49},  // 1/4 at the far corner
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        window->setZoomStep(c.step);
        window->setScrollPosition(c.hpos, c.vpos);
        window->redrawNow();
        const ExpectedView view{kViewW, kViewH, c.hpos, c.vpos, c.step};
        int drawn = 0;
        expectView([&](int x, int y) {
            int ix, iy;
            if (!view.imagePixel(x, y, &ix, &iy)) return qRgb(255, 255, 255);
            ++drawn;
            return qRgb(Band0(ix, iy), stretched(Band1(ix, iy), 10, 100), Band0(ix, iy));
        });
        EXPECT_GT(drawn, 0);
    }
}

// Each channel's bytes (blue, green, red in the picture's lines) are its expression's values; a text that
// does not compile draws nothing in its channel.
TEST_F(CompositeTest, ChannelsHoldTheirExpressionsValues) {
    window->setScrollPosition(30, 20);  // view pixel (x, y) shows image pixel (x, y)
    struct Case {
        const char *red, *green, *blue;
        int r, g, b;
    } cases[] = {
        {"200", "100", "50", 200, 100, 50},
        {"(a", "a", "b", 0, Band0(7, 5), Band1(7, 5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.red);
        window->redExpressionEdit->setText(c.red);
        window->greenExpressionEdit->setText(c.green);
        window->blueExpressionEdit->setText(c.blue);
        window->redrawNow();
        const uchar* line = window->viewPicture().constScanLine(5);
        EXPECT_EQ(line[3 * 7 + 0], c.b);
        EXPECT_EQ(line[3 * 7 + 1], c.g);
        EXPECT_EQ(line[3 * 7 + 2], c.r);
    }
}

// A box turns black while its text does not compile, with the reason as its tooltip; typing does not redraw.
TEST_F(CompositeTest, ExpressionBoxesTurnBlackWhileTheirTextDoesNotCompile) {
    const QImage drawn = window->viewPicture();
    QLineEdit* edits[] = {window->redExpressionEdit, window->greenExpressionEdit, window->blueExpressionEdit};
    const QColor colours[] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255)};
    for (int c = 0; c < 3; ++c) {
        QLineEdit* edit = edits[c];
        EXPECT_EQ(edit->palette().color(QPalette::Base), colours[c]);
        EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(Qt::white));
        edit->setText("(a");
        EXPECT_FALSE(document().expression(c).compiles());
        EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(Qt::black));
        EXPECT_EQ(edit->toolTip(), QString::fromStdString(document().expression(c).problem()));
        edit->setText("b");
        EXPECT_TRUE(document().expression(c).compiles());
        EXPECT_EQ(edit->palette().color(QPalette::Base), colours[c]);
    }
    EXPECT_TRUE(window->waitForJobs());
    EXPECT_EQ(window->viewPicture(), drawn);
}

TEST_F(CompositeTest, AutoUpdateOffDropsRedrawsButTheRedrawButtonStillDraws) {
    const QImage before = window->viewPicture();
    window->autoUpdateButton->click();
    EXPECT_FALSE(window->autoUpdateButton->isChecked());
    bandRow(1)->greyButton->click();  // b in every channel, and a redraw asked for: dropped
    window->redrawNow();
    EXPECT_EQ(document().expression(0).text(), "b");
    EXPECT_EQ(window->viewPicture(), before);

    window->redrawButton->click();
    ASSERT_TRUE(window->waitForJobs());
    // Start-up positions: image pixel (0, 0) at the view centre.
    EXPECT_EQ(viewPixel(kViewW / 2, kViewH / 2), qRgb(Band1(0, 0), Band1(0, 0), Band1(0, 0)));
    const QImage drawn = window->viewPicture();
    bandRow(0)->greyButton->click();  // automatic update stays off after the button's redraw
    EXPECT_TRUE(window->waitForJobs());
    EXPECT_EQ(window->viewPicture(), drawn);

    window->autoUpdateButton->click();  // on again: redraws are made
    window->redrawNow();
    EXPECT_EQ(window->viewPicture(), before);
}

TEST_F(MainWindowTest, NothingIsDrawnWithoutAScene) {
    window->show();
    window->redrawButton->click();
    EXPECT_EQ(window->jobs().state(), State::Idle);
    EXPECT_TRUE(window->viewPicture().isNull());
}

// While a redraw runs, "描画中" shows in red over the old picture; a redraw asked for meanwhile replaces it:
// the newest state is drawn, the one that gave way is never shown, and no busy text is left.
TEST_F(CompositeTest, ARedrawAskedForWhileOneRunsReplacesIt) {
    window->view->setFixedSize(200, 120);
    window->redrawNow();
    ASSERT_EQ(window->viewPicture().size(), QSize(200, 120));
    int started = 0, shown = 0;  // redraws started, and pictures put in the view
    QObject::connect(&window->jobs(), &orvenna::ViewerJobs::redrawStarted, window.get(), [&] { ++started; });
    QObject::connect(&window->jobs(), &orvenna::ViewerJobs::redrawFinished, window.get(), [&] { ++shown; });

    window->redExpressionEdit->setText("b");
    window->redraw();
    ASSERT_EQ(window->jobs().state(), State::Drawing);
    int redPixels = 0;
    QRect redBox;
    const QImage& busy = window->viewPicture();
    for (int y = 0; y < busy.height(); ++y)
        for (int x = 0; x < busy.width(); ++x) {
            const QRgb p = busy.pixel(x, y);
            if (qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60) {
                ++redPixels;
                redBox |= QRect(x, y, 1, 1);
            }
        }
    EXPECT_GT(redPixels, 20);
    // Centred horizontally, ending above the middle line.
    EXPECT_LT(std::abs(redBox.center().x() - 100), 6);
    EXPECT_LT(redBox.bottom(), 60 - 10 + 2);

    window->greenExpressionEdit->setText("0");
    window->redraw();
    ASSERT_TRUE(window->waitForJobs());
    EXPECT_EQ(started, 2);
    EXPECT_EQ(shown, 1);
    // Start-up positions: image pixel (0, 0) at the view centre.
    expectView([](int x, int y) {
        const int ix = x - 100, iy = y - 60;
        if (ix < 0 || iy < 0 || ix >= kImgW || iy >= kImgH) return qRgb(255, 255, 255);
        return qRgb(Band1(ix, iy), 0, Band0(ix, iy));
    });
}

// Bands closed with their close buttons while a redraw runs are not drawn: once the last is gone the view
// is white, whether the redraw started with it alone or with others.
TEST_F(CompositeTest, ClosingTheLastBandWhileARedrawRunsLeavesTheViewWhite) {
    struct Case {
        const char* what;
        std::vector<int> closedBefore, closedWhileDrawing;
    } cases[] = {
        {"both while drawing", {}, {1, 0}},
        {"the last while drawing", {1}, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!document().hasBands()) openScene(scene);
        for (int i : c.closedBefore)
            bandRow(i)->closeButton->click();
        window->redraw();
        ASSERT_EQ(window->jobs().state(), State::Drawing);
        for (int i : c.closedWhileDrawing)
            bandRow(i)->closeButton->click();
        ASSERT_TRUE(window->waitForJobs());
        EXPECT_FALSE(document().hasBands());
        EXPECT_EQ(window->rowCount(), 0);
        expectView([](int, int) { return qRgb(255, 255, 255); });
    }
}

ORVENNA_GUI_TEST_MAIN()
