// Scrolling, panning and magnification in the main window: the scroll overlay's navigator, pan arithmetic
// and the shifted snapshot, the zoom buttons at their limits, the step slider and its previews, smooth
// scrolling's one-event lag, and autoUpdate.
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include "GuiTestSupport.h"
#include "NavigationTestSupport.h"
#include "dialogs/ProgressWindow.h"
#include "display/Navigator.h"
#include "display/StepSlider.h"
#include "platform/ImageControl.h"

using namespace navtest;

namespace {

const QColor kPink(255, 200, 200);
const QColor kRed(255, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kMagenta(255, 0, 255);

class NavigationTest : public ShownWindowTest {
protected:
    // A 1000 x 500 scene, band a = (x + y) mod 256, band b = 100, opened as the user opens files.
    void openScene1000x500() {
        const std::string path = dir.file("scene.bil");
        guitest::writeNativeScene(path, 1000, 500, 2, [](int b, int x, int y) {
            return b == 0 ? uint8_t((x + y) & 0xFF) : uint8_t(100);
        });
        window->filesToOpen = {QByteArray::fromStdString(path)};
        window->openFiles();
        ASSERT_TRUE(window->imageLoaded);
        ASSERT_EQ(window->horizontalScrollBar->maximum(), 999);
    }
    QColor viewColour(int x, int y) const { return window->view->picture.pixelColor(x, y); }
    int viewWidth() const { return window->view->picture.width(); }
    int viewHeight() const { return window->view->picture.height(); }
};

TEST_F(NavigationTest, ScrollOverlayNavigatorOnA1000By500Scene) {
    openScene1000x500();
    window->verticalScrollBar->setValue(250);
    window->view->picture.fill(Qt::white);
    RedrawProbe redraw(window.get());
    window->onHorizontalScroll(orvenna::ScrollCode::Track, 500);

    // 100 x 50 pink rectangle, red outline, lines crossing at (50, 25).
    EXPECT_EQ(viewColour(10, 10), kPink);
    EXPECT_EQ(viewColour(0, 10), kRed);
    EXPECT_EQ(viewColour(99, 10), kRed);
    EXPECT_EQ(viewColour(10, 49), kRed);
    EXPECT_EQ(viewColour(10, 50), kWhite);
    EXPECT_EQ(viewColour(100, 10), kWhite);
    EXPECT_EQ(viewColour(50, 10), kRed);
    EXPECT_EQ(viewColour(10, 25), kRed);
    EXPECT_EQ(viewColour(50, 25), kRed);
    EXPECT_EQ(viewColour(49, 10), kPink);
    // Crosshair through the view centre.
    EXPECT_EQ(viewColour(viewWidth() / 2, viewHeight() - 1), kRed);
    EXPECT_EQ(viewColour(viewWidth() - 1, viewHeight() / 2), kRed);
    EXPECT_EQ(viewColour(viewWidth() / 2 + 1, 2), kWhite);
    // The overlay moves nothing and redraws nothing.
    EXPECT_EQ(window->horizontalScrollBar->value(), 0);
    EXPECT_FALSE(redraw.ran());

    // Thumb position, top and bottom draw nothing.
    window->view->picture.fill(Qt::white);
    for (auto code : {orvenna::ScrollCode::Position, orvenna::ScrollCode::Top, orvenna::ScrollCode::Bottom})
        window->onHorizontalScroll(code, 0);
    EXPECT_EQ(viewColour(10, 10), kWhite);
    EXPECT_FALSE(redraw.ran());
}

TEST_F(NavigationTest, NothingHappensWithoutAScene) {
    RedrawProbe redraw(window.get());
    window->onHorizontalScroll(orvenna::ScrollCode::Track, 10);
    window->onVerticalScroll(orvenna::ScrollCode::EndScroll, 10);
    pressAt(window->view, 10, 10);
    EXPECT_FALSE(window->panning);
    releaseAt(window->view, 20, 20);
    EXPECT_FALSE(redraw.ran());
}

TEST_F(NavigationTest, PanArithmeticAtSteps3And7) {
    openScene1000x500();
    const struct { int step, expected; } cases[] = {{3, 97}, {7, 60}};
    for (const auto& c : cases) {
        window->zoomStep = c.step;
        window->horizontalScrollBar->setValue(100);
        window->verticalScrollBar->setValue(100);
        window->onRedrawClicked();
        pressAt(window->view, 300, 200);
        ASSERT_TRUE(window->panning);
        moveTo(window->view, 310, 200);  // 10 view pixels to the right
        EXPECT_EQ(window->horizontalScrollBar->value(), c.expected) << "step " << c.step;
        EXPECT_EQ(window->verticalScrollBar->value(), 100);
        RedrawProbe redraw(window.get());
        releaseAt(window->view, 310, 200);
        EXPECT_FALSE(window->panning);
        EXPECT_TRUE(redraw.ran());  // not synchronising: the redraw follows at once
    }
    // Bars clamp at their ends.
    pressAt(window->view, 300, 200);
    moveTo(window->view, 100000, -100000);
    EXPECT_EQ(window->horizontalScrollBar->value(), 0);
    EXPECT_EQ(window->verticalScrollBar->value(), 499);
    releaseAt(window->view, 100000, -100000);
    settle();
    EXPECT_TRUE(listener->got.empty());  // nothing was broadcast
}

TEST_F(NavigationTest, PanShowsTheShiftedSnapshotWithItsOverlay) {
    openScene1000x500();
    window->horizontalScrollBar->setValue(500);
    window->verticalScrollBar->setValue(250);
    window->onRedrawClicked();
    const QImage before = window->view->picture.copy();
    const int offsetX = window->viewOffsetX, offsetY = window->viewOffsetY;
    pressAt(window->view, 200, 200);
    moveTo(window->view, 240, 230);
    EXPECT_EQ(window->horizontalScrollBar->value(), 460);
    EXPECT_EQ(window->verticalScrollBar->value(), 220);
    // Far from every overlay part, the view shows the snapshot moved by (40, 30); uncovered edges are white.
    const int w = viewWidth(), h = viewHeight();
    EXPECT_EQ(viewColour(w - 5, h - 5), before.pixelColor(w - 45, h - 35));
    EXPECT_EQ(viewColour(w - 30, h - 3), before.pixelColor(w - 70, h - 33));
    EXPECT_EQ(viewColour(w - 5, 10), kWhite);  // above the moved snapshot's top
    // Crosshair through the centre pixel, navigator at the top-left.
    const int cx = w / 2 - window->viewOffsetX;
    const int cy = h / 2 - window->viewOffsetY;
    EXPECT_EQ(viewColour(cx, h - 2), kRed);
    EXPECT_EQ(viewColour(w - 2, cy), kRed);
    EXPECT_EQ(viewColour(10, 10), kPink);
    // The text block starts 5 pixels right of and below the crosshair, on pink.
    bool pinkText = false;
    for (int dx = 5; dx < 60 && !pinkText; ++dx)
        pinkText = viewColour(cx + dx, cy + 8) == kPink;
    EXPECT_TRUE(pinkText);
    // Its lines: the position, the coordinates line (left empty without coordinates; two blanks after
    // the colon), then each band's value from line 2.
    const int x = window->horizontalScrollBar->value(), y = window->verticalScrollBar->value();
    QStringList lines = window->panOverlayLines(x, y);
    ASSERT_EQ(lines.size(), 2 + int(window->bandRows.size()));
    EXPECT_EQ(lines[0], QStringLiteral("X, Y : %1, %2").arg(x).arg(y));
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2],
              QStringLiteral("a : %1").arg(window->bandValueAt(window->bandRows[0].get(), 1000 * y + x)));
    window->geoValid = true;
    lines = window->panOverlayLines(x, y);
    EXPECT_EQ(lines[1], QStringLiteral("経度, 緯度 :  ") + window->longitudeText(x, y) + ", " +
                            window->latitudeText(x, y));
    window->geoValid = false;
    // The crosshair stays where the last redraw put the centre pixel; the release shows the final shift
    // and, not synchronising, redraws.
    EXPECT_EQ(window->viewOffsetX, offsetX);
    EXPECT_EQ(window->viewOffsetY, offsetY);
    RedrawProbe redraw(window.get());
    releaseAt(window->view, 240, 230);
    EXPECT_TRUE(redraw.ran());
}

TEST_F(NavigationTest, RightButtonAndStrayReleaseDoNotPan) {
    openScene1000x500();
    pressAt(window->view, 50, 50, Qt::RightButton);
    EXPECT_FALSE(window->panning);
    RedrawProbe redraw(window.get());
    releaseAt(window->view, 60, 60, Qt::RightButton);
    releaseAt(window->view, 60, 60);
    EXPECT_FALSE(redraw.ran());
}

TEST_F(NavigationTest, ZoomLimitsStillRedrawAndBroadcast) {
    openScene1000x500();
    window->zoomStep = 0;
    RedrawProbe redraw(window.get());
    releaseAt(window->zoomInButton, 5, 5);
    EXPECT_EQ(window->zoomStep, 0);
    EXPECT_TRUE(redraw.ran());

    // Zoom-out without synchronising: one step, redrawn at once, nothing sent.
    window->zoomStep = 5;
    redraw.arm();
    releaseAt(window->zoomOutButton, 5, 5);
    EXPECT_EQ(window->zoomStep, 6);
    EXPECT_TRUE(redraw.ran());
    settle();
    EXPECT_TRUE(listener->got.empty());

    // At step 10 with synchronisation on: the step stays 10, is sent, and the viewer redraws when its own
    // message comes back.
    window->syncButton->click();
    ASSERT_TRUE(window->syncOn);
    window->zoomStep = 10;
    redraw.arm();
    releaseAt(window->zoomOutButton, 5, 5);
    EXPECT_EQ(window->zoomStep, 10);
    EXPECT_FALSE(redraw.ran());
    EXPECT_TRUE(pumpUntil([&] { return redraw.ran(); }));
    ASSERT_TRUE(pumpUntil([&] { return !listener->got.empty(); }));
    EXPECT_EQ(listener->got[0], std::make_pair(window->zoomStepMessage, int32_t(10)));

    // The zoom-in button never sends.
    listener->got.clear();
    releaseAt(window->zoomInButton, 5, 5);
    EXPECT_EQ(window->zoomStep, 9);
    settle();
    EXPECT_TRUE(listener->got.empty());
}

TEST_F(NavigationTest, SliderPicksTheStepFromThePointerLine) {
    openScene1000x500();
    const int hz = window->zoomSlider->height();
    ASSERT_GT(hz, 130);
    const int y2 = orvenna::slider_tick_y(hz, 2);
    pressAt(window->zoomSlider, 20, y2);
    EXPECT_TRUE(window->zoomDragging);
    EXPECT_EQ(window->zoomDragStartStep, 5);
    EXPECT_EQ(window->zoomStep, 2);
    EXPECT_EQ(window->zoomScale, 8.0f);
    // The knob follows the pointer, not the tick.
    moveTo(window->zoomSlider, 20, y2 + 3);
    const QImage& slider = window->zoomSlider->picture;
    EXPECT_EQ(slider.pixelColor(20, y2 + 3 - 10), QColor(0, 0, 255));
    EXPECT_EQ(slider.pixelColor(20, y2 + 3 - 8), QColor(100, 100, 255));
    // Beyond the bottom: the largest step.
    moveTo(window->zoomSlider, 20, hz + 50);
    EXPECT_EQ(window->zoomStep, 10);
    moveTo(window->zoomSlider, 20, orvenna::slider_tick_y(hz, 7));
    EXPECT_EQ(window->zoomStep, 7);
    RedrawProbe redraw(window.get());
    releaseAt(window->zoomSlider, 20, orvenna::slider_tick_y(hz, 7));
    EXPECT_FALSE(window->zoomDragging);
    EXPECT_TRUE(redraw.ran());
    EXPECT_EQ(window->zoomScale, 0.25f);
    // Knob back on the chosen step's tick.
    const int y7 = orvenna::slider_tick_y(hz, 7);
    EXPECT_EQ(slider.pixelColor(20, y7 - 10), QColor(0, 0, 255));
    // Other buttons are ignored; the slider's choice is not sent.
    pressAt(window->zoomSlider, 20, y2, Qt::RightButton);
    EXPECT_FALSE(window->zoomDragging);
    EXPECT_EQ(window->zoomStep, 7);
    settle();
    EXPECT_TRUE(listener->got.empty());
}

TEST_F(NavigationTest, SliderPreviewsOnlyOnAStepChange) {
    openScene1000x500();
    window->horizontalScrollBar->setValue(500);
    window->verticalScrollBar->setValue(250);
    window->onRedrawClicked();
    const int hz = window->zoomSlider->height();
    const int y5 = orvenna::slider_tick_y(hz, 5);
    const int y6 = orvenna::slider_tick_y(hz, 6);
    pressAt(window->zoomSlider, 20, y5);
    const QImage snapshot = window->gestureSnapshot.copy();
    ASSERT_FALSE(snapshot.isNull());

    window->view->picture.fill(kMagenta);
    moveTo(window->zoomSlider, 20, y5 + 2);  // same step: no preview
    EXPECT_EQ(viewColour(300, 300), kMagenta);
    moveTo(window->zoomSlider, 20, y6);  // one step out: the snapshot at half size about the centre
    const int w = viewWidth(), h = viewHeight();
    EXPECT_EQ(viewColour(2, 2), kWhite);
    const orvenna::PixelRect r = orvenna::zoom_preview_rect(w, h, 5, 6);
    ASSERT_GT(r.left, 0);
    EXPECT_EQ(viewColour(r.left, r.top), snapshot.pixelColor(0, 0));
    EXPECT_EQ(viewColour(r.left - 1, r.top), kWhite);
    EXPECT_EQ(viewColour(r.right, r.bottom), kWhite);
    EXPECT_NE(viewColour(w / 2, h / 2), kMagenta);
    window->view->picture.fill(kMagenta);
    moveTo(window->zoomSlider, 20, y6 + 1);  // still step 6
    EXPECT_EQ(viewColour(300, 300), kMagenta);
    moveTo(window->zoomSlider, 20, y5);  // back to the start: the snapshot at its own size
    EXPECT_EQ(window->view->picture, snapshot);
    releaseAt(window->zoomSlider, 20, y5);
}

TEST_F(NavigationTest, SmoothScrollingLagsOneEvent) {
    openScene1000x500();
    window->syncButton->click();
    window->smoothScrollCheckBox->setChecked(true);
    window->horizontalScrollBar->setValue(10);
    // Each moving event sends the position the bar holds before it takes the new one.
    window->horizontalScrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    window->horizontalScrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ASSERT_TRUE(pumpUntil([&] { return listener->got.size() >= 4; }));
    const std::vector<std::pair<unsigned, int32_t>> expected = {{window->scrollXMessage, 10},
                                                                {window->drawMessage, 0},
                                                                {window->scrollXMessage, 11},
                                                                {window->drawMessage, 0}};
    EXPECT_EQ(listener->got, expected);
    // The sender follows its own messages: it ends one event behind the bar's last position.
    EXPECT_TRUE(pumpUntil([&] { return window->horizontalScrollBar->value() == 11; }));

    // Without smooth scrolling the moving events only draw the overlay; the release of the bar's arrow
    // ends the scroll and sends the final position.
    window->smoothScrollCheckBox->setChecked(false);
    listener->got.clear();
    window->view->picture.fill(Qt::white);
    window->horizontalScrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(viewColour(10, 10), kPink);
    settle();
    EXPECT_TRUE(listener->got.empty());
    QScrollBar* bar = window->horizontalScrollBar;
    const QPoint arrow(bar->width() - 3, bar->height() / 2);
    pressAt(bar, arrow.x(), arrow.y());
    releaseAt(bar, arrow.x(), arrow.y());
    ASSERT_TRUE(pumpUntil([&] { return listener->got.size() >= 2; }));
    EXPECT_EQ(listener->got[0].first, window->scrollXMessage);
    EXPECT_EQ(listener->got[0].second, window->horizontalScrollBar->value());
    EXPECT_EQ(listener->got[0].second, 13);
    EXPECT_EQ(listener->got[1].first, window->drawMessage);
}

// The scroll bar's own context menu scrolls too; its scroll ends, with the redraw, when the menu closes.
TEST_F(NavigationTest, ContextMenuScrollEndsWithTheRedraw) {
    openScene1000x500();
    struct bandRow {
        int item;  // among the menu's actions that are not separators
        int expected;
    };
    for (const bandRow& row : {bandRow{1, 0}, bandRow{4, 501}}) {
        SCOPED_TRACE(row.item);
        window->horizontalScrollBar->setValue(500);
        RedrawProbe redraw(window.get());
        bool chosen = false;
        QTimer::singleShot(50, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            std::vector<QAction*> items;
            for (QAction* a : menu->actions())
                if (!a->isSeparator()) items.push_back(a);
            menu->setActiveAction(items.at(static_cast<size_t>(row.item)));
            QTest::keyClick(menu, Qt::Key_Return);
            chosen = true;
        });
        QScrollBar* bar = window->horizontalScrollBar;
        const QPoint at(bar->width() / 2, bar->height() / 2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, bar->mapToGlobal(at));
        QCoreApplication::sendEvent(bar, &event);
        ASSERT_TRUE(chosen);
        EXPECT_EQ(bar->value(), row.expected);
        EXPECT_TRUE(pumpUntil([&] { return redraw.ran(); }, 1000));
    }
}

TEST_F(NavigationTest, AutoUpdateOffIgnoresEveryRequestButTheRedrawButton) {
    openScene1000x500();
    window->autoUpdateButton->click();
    ASSERT_FALSE(window->autoUpdate);
    RedrawProbe redraw(window.get());
    releaseAt(window->zoomInButton, 5, 5);
    releaseAt(window->zoomOutButton, 5, 5);
    const int hz = window->zoomSlider->height();
    pressAt(window->zoomSlider, 20, orvenna::slider_tick_y(hz, 3));
    releaseAt(window->zoomSlider, 20, orvenna::slider_tick_y(hz, 3));
    pressAt(window->view, 100, 100);
    moveTo(window->view, 120, 90);
    releaseAt(window->view, 120, 90);
    window->onHorizontalScroll(orvenna::ScrollCode::EndScroll, 5);
    window->onVerticalScroll(orvenna::ScrollCode::EndScroll, 5);
    window->onViewerMessage(window->drawMessage, 0);
    window->onViewerMessage(window->zoomStepMessage, 4);
    EXPECT_FALSE(redraw.ran());

    window->onRedrawClicked();
    EXPECT_TRUE(redraw.ran());
    EXPECT_FALSE(window->autoUpdate);  // set for that one redraw only
    window->autoUpdateButton->click();
    EXPECT_TRUE(window->autoUpdate);
}

// A resize repaints the slider at once and redraws the view once its size has settled (several resize steps
// give one redraw), not with the old picture in a corner; with automatic update off nothing is redrawn.
TEST_F(NavigationTest, ResizeRepaintsTheSliderAndRedrawsOnceSettled) {
    const QImage& slider = window->zoomSlider->picture;
    ASSERT_EQ(slider.size(), window->zoomSlider->size());
    const int hz = window->zoomSlider->height();
    EXPECT_EQ(slider.pixelColor(20, orvenna::slider_tick_y(hz, 5) - 10), QColor(0, 0, 255));
    openScene1000x500();
    const QSize pictureBefore = window->view->picture.size();
    RedrawProbe redraw(window.get());
    window->resize(880, 590);
    QCoreApplication::processEvents();
    window->resize(900, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->zoomSlider->picture.size(), window->zoomSlider->size());
    EXPECT_NE(window->zoomSlider->height(), hz);
    EXPECT_FALSE(redraw.ran());
    EXPECT_EQ(window->view->picture.size(), pictureBefore);  // not while the size is still changing
    QTest::qWait(MainWindow::kResizeSettleMs * 3);
    EXPECT_TRUE(redraw.ran());
    EXPECT_EQ(window->view->picture.size(), window->view->size());

    window->autoUpdate = false;
    redraw.arm();
    window->resize(800, 560);
    QTest::qWait(MainWindow::kResizeSettleMs * 3);
    EXPECT_FALSE(redraw.ran());
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
