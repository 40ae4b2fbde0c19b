// The composite view: the picture drawn at several magnifications and scroll positions against a per-pixel
// computation made here, the expression boxes' colours, the redraw guards, autoUpdate and redrawButton.
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
    int viewOffsetX() const {
        int left, off;
        viewOrigin(hpos, w, &left, &off);
        return off > 0 ? 0 : static_cast<int>(w / 2 - (hpos - left) * s());
    }
};

class CompositeTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        const std::string p = dir.file("scene.vdm");
        guitest::writeNativeScene(p, kImgW, kImgH, 2,
                                  [](int b, int x, int y) { return b == 0 ? Band0(x, y) : Band1(x, y); });
        openScene(p);
        window->horizontalScrollBar->setMaximum(kImgW - 1);
        window->verticalScrollBar->setMaximum(kImgH - 1);
        window->view->setFixedSize(kViewW, kViewH);
        window->show();
        ASSERT_EQ(window->view->size(), QSize(kViewW, kViewH));
    }

    QRgb viewPixel(int x, int y) { return window->view->picture.pixel(x, y) | 0xFF000000u; }

    static constexpr int kViewW = 60;
    static constexpr int kViewH = 40;
};

}  // namespace

TEST_F(CompositeTest, PictureMatchesAPerPixelComputation) {
    bandRow(1)->lowerBoundSpin->setValue(10);
    bandRow(1)->upperBoundSpin->setValue(100);
    window->redExpressionEdit->setText("a");
    window->greenExpressionEdit->setText("b");
    window->blueExpressionEdit->setText("a");
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
        window->zoomStep = c.step;
        window->horizontalScrollBar->setValue(c.hpos);
        window->verticalScrollBar->setValue(c.vpos);
        window->drawComposite();
        const QImage& pic = window->view->picture;
        ASSERT_EQ(pic.format(), QImage::Format_BGR888);
        ASSERT_EQ(pic.size(), QSize(kViewW, kViewH));
        const ExpectedView view{kViewW, kViewH, c.hpos, c.vpos, c.step};
        EXPECT_FLOAT_EQ(window->zoomScale, float(view.s()));
        EXPECT_EQ(window->viewOffsetX, view.viewOffsetX()) << "step " << c.step;
        int drawn = 0;
        for (int y = 0; y < kViewH; ++y) {
            for (int x = 0; x < kViewW; ++x) {
                int ix, iy;
                QRgb want = qRgb(255, 255, 255);
                if (view.imagePixel(x, y, &ix, &iy)) {
                    ++drawn;
                    const int a = Band0(ix, iy);
                    const int b = stretched(Band1(ix, iy), 10, 100);
                    want = qRgb(a, b, a);
                }
                ASSERT_EQ(viewPixel(x, y), want) << "step " << c.step << " at " << x << "," << y;
            }
        }
        EXPECT_GT(drawn, 0) << "step " << c.step;
    }
}

TEST_F(CompositeTest, BytesAreBlueGreenRedInTheLines) {
    window->redExpressionEdit->setText("200");
    window->greenExpressionEdit->setText("100");
    window->blueExpressionEdit->setText("50");
    window->horizontalScrollBar->setValue(30);
    window->verticalScrollBar->setValue(20);
    window->drawComposite();
    const uchar* line = window->view->picture.constScanLine(5);
    EXPECT_EQ(line[3 * 7 + 0], 50);
    EXPECT_EQ(line[3 * 7 + 1], 100);
    EXPECT_EQ(line[3 * 7 + 2], 200);
}

TEST_F(CompositeTest, ExpressionBoxesTurnBlackWhileTheirTextDoesNotCompile) {
    struct Case {
        QLineEdit* edit;
        CalcExpr** tree;
        QColor colour;
    } cases[] = {
        {window->redExpressionEdit, &window->redExpression, QColor(255, 0, 0)},
        {window->greenExpressionEdit, &window->greenExpression, QColor(0, 128, 0)},
        {window->blueExpressionEdit, &window->blueExpression, QColor(0, 0, 255)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.edit->palette().color(QPalette::Base), c.colour);
        EXPECT_EQ(c.edit->palette().color(QPalette::Text), QColor(Qt::white));
        c.edit->setText("(a");
        EXPECT_EQ(*c.tree, nullptr);
        EXPECT_EQ(c.edit->palette().color(QPalette::Base), QColor(Qt::black));
        c.edit->setText("b");
        EXPECT_NE(*c.tree, nullptr);
        EXPECT_EQ(c.edit->palette().color(QPalette::Base), c.colour);
    }
}

TEST_F(CompositeTest, ARedTextThatDoesNotCompileDrawsNoRed) {
    window->horizontalScrollBar->setValue(30);
    window->verticalScrollBar->setValue(20);
    window->redExpressionEdit->setText("(a");
    window->greenExpressionEdit->setText("a");
    window->blueExpressionEdit->setText("a");
    const QImage before = window->view->picture;
    window->drawComposite();
    EXPECT_EQ(qRed(viewPixel(10, 10)), 0);
    EXPECT_EQ(qGreen(viewPixel(10, 10)), Band0(30 - 30 + 10, 20 - 20 + 10));
    // Fixing the text turns the box red again but does not redraw.
    const QImage drawn = window->view->picture;
    window->redExpressionEdit->setText("a");
    EXPECT_EQ(window->redExpressionEdit->palette().color(QPalette::Base), QColor(255, 0, 0));
    EXPECT_EQ(window->view->picture, drawn);
}

TEST_F(CompositeTest, AutoUpdateOffDropsRedrawsButTheRedrawButtonStillDraws) {
    window->autoUpdateButton->click();
    EXPECT_FALSE(window->autoUpdateButton->isChecked());
    EXPECT_FALSE(window->autoUpdate);
    window->drawComposite();
    EXPECT_TRUE(window->view->picture.isNull());
    bandRow(0)->greyButton->click();  // asks for a redraw: ignored
    EXPECT_TRUE(window->view->picture.isNull());

    window->redrawButton->click();
    EXPECT_FALSE(window->view->picture.isNull());
    EXPECT_FALSE(window->autoUpdate);  // only for that one redraw
    EXPECT_EQ(viewPixel(kViewW / 2, kViewH / 2), qRgb(Band0(0, 0), Band0(0, 0), Band0(0, 0)));

    window->autoUpdateButton->click();
    EXPECT_TRUE(window->autoUpdate);
}

TEST_F(CompositeTest, NothingIsDrawnWithoutAScene) {
    window->imageLoaded = false;
    window->redrawButton->click();
    EXPECT_TRUE(window->view->picture.isNull());
}

TEST_F(CompositeTest, BusyTextIsShownOnceAndRequestsDuringTheRedrawAreDropped) {
    window->view->setFixedSize(200, 120);
    QCoreApplication::processEvents();
    ASSERT_EQ(window->view->size(), QSize(200, 120));
    int redPixels = 0;
    QRect redBox;
    bool drawingSeen = false;
    int runs = 0;
    QMetaObject::invokeMethod(
        window.get(),
        [&] {
            ++runs;
            drawingSeen = window->drawing;
            const QImage& pic = window->view->picture;
            for (int y = 0; y < pic.height(); ++y)
                for (int x = 0; x < pic.width(); ++x) {
                    const QRgb p = pic.pixel(x, y);
                    if (qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60) {
                        ++redPixels;
                        redBox |= QRect(x, y, 1, 1);
                    }
                }
            window->drawComposite();  // dropped: a redraw is running
        },
        Qt::QueuedConnection);
    window->drawComposite();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(drawingSeen);
    EXPECT_FALSE(window->drawing);
    EXPECT_GT(redPixels, 20);
    // Centred horizontally, ending above the middle line.
    EXPECT_LT(std::abs(redBox.center().x() - 100), 6);
    EXPECT_LT(redBox.bottom(), 60 - 10 + 2);
    // The finished picture has no busy text left.
    const QImage& pic = window->view->picture;
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x) {
            const QRgb p = pic.pixel(x, y);
            ASSERT_FALSE(qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60 && qRed(p) != qGreen(p));
        }
}

TEST_F(CompositeTest, BandsClosedWhileTheBusyTextShowsAreNotRead) {
    QMetaObject::invokeMethod(
        window.get(),
        [&] {
            window->closeBand(bandRow(1));
            window->closeBand(bandRow(0));
        },
        Qt::QueuedConnection);
    window->drawComposite();
    EXPECT_TRUE(window->bandRows.empty());
    EXPECT_FALSE(window->imageLoaded);
    EXPECT_EQ(viewPixel(kViewW / 2, kViewH / 2), qRgb(255, 255, 255));
    EXPECT_FALSE(window->drawing);
}

ORVENNA_GUI_TEST_MAIN()
