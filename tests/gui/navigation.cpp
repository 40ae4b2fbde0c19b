// Scrolling, panning and magnification in the main window: the scroll overlay's navigator while a thumb is
// dragged, pan arithmetic and the shifted snapshot with its overlay, the gestures that do nothing, the zoom
// buttons at their limits and what they announce, the step slider and its previews, smooth scrolling's
// one-event lag, the scroll bar's context menu, automatic update, and resizes.
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
        openScene(path);
        ASSERT_EQ(window->horizontalScrollBar->maximum(), 999);
    }
    // Moves the view there and redraws, waited for.
    void showAt(int x, int y) {
        window->setScrollPosition(x, y);
        window->redrawNow();
    }
    QColor viewColour(int x, int y) const { return window->view->picture.pixelColor(x, y); }
    int viewWidth() const { return window->view->picture.width(); }
    int viewHeight() const { return window->view->picture.height(); }
};

TEST_F(NavigationTest, DraggingAThumbDrawsTheNavigatorAndItsReleaseRedraws) {
    openScene1000x500();
    showAt(0, 250);
    QScrollBar* bar = window->horizontalScrollBar;
    window->view->picture.fill(Qt::white);
    RedrawProbe redraw(window.get());
    // Jumps to the bar's ends draw nothing; a thumb being dragged draws the navigator.
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(viewColour(10, 10), kWhite);
    const QPoint thumb = grabThumbTo(bar, 500);
    ASSERT_TRUE(bar->isSliderDown());

    // 100 x 50 pink rectangle, red outline, lines crossing at (50, 25); a crosshair through the view centre.
    const int w = viewWidth(), h = viewHeight();
    const struct {
        int x, y;
        QColor colour;
    } marks[] = {{10, 10, kPink},       {0, 10, kRed},     {99, 10, kRed},       {10, 49, kRed},
                 {10, 50, kWhite},      {100, 10, kWhite}, {50, 10, kRed},       {10, 25, kRed},
                 {50, 25, kRed},        {49, 10, kPink},   {w / 2, h - 1, kRed}, {w - 1, h / 2, kRed},
                 {w / 2 + 1, 2, kWhite}};
    for (const auto& mark : marks)
        EXPECT_EQ(viewColour(mark.x, mark.y), mark.colour) << mark.x << "," << mark.y;
    EXPECT_FALSE(redraw.ran());  // neither redraws
    releaseAt(bar, thumb.x(), thumb.y());
    EXPECT_TRUE(pumpUntil([&] { return redraw.ran(); }));
    EXPECT_EQ(window->scrollPosition(), QPoint(500, 250));
}

// Without a scene neither a bar nor a pan draws or redraws; with one, the right button and a release without
// its press do not pan.
TEST_F(NavigationTest, GesturesThatDoNothing) {
    auto expectNothing = [&](const char* what, const std::function<void()>& act) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(window->waitForJobs());
        const QImage before = window->view->picture.copy();
        const QPoint at = window->scrollPosition();
        RedrawProbe redraw(window.get());
        act();
        settle();
        EXPECT_FALSE(redraw.ran());
        EXPECT_EQ(window->view->picture, before);
        EXPECT_TRUE(!document().hasBands() || window->scrollPosition() == at);
    };
    auto pan = [&](Qt::MouseButton button) {
        pressAt(window->view, 50, 50, button);
        moveTo(window->view, 60, 60, button);
        releaseAt(window->view, 60, 60, button);
    };
    QScrollBar* bar = window->horizontalScrollBar;
    expectNothing("scroll without a scene", [&] {
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        dragThumbTo(bar, 100);
    });
    expectNothing("pan without a scene", [&] { pan(Qt::LeftButton); });
    openScene1000x500();
    expectNothing("right button", [&] { pan(Qt::RightButton); });
    expectNothing("stray release", [&] { releaseAt(window->view, 60, 60); });
}

// A left-button pan moves the bars by the pointer's way in image pixels and shows the snapshot moved with the
// pointer under the navigator, a crosshair through the centre pixel where the last redraw put it, and the
// overlay's lines; its release redraws (not synchronising: nothing is sent). The bars clamp at their ends.
TEST_F(NavigationTest, PanMovesByThePointersWayOverTheShiftedSnapshot) {
    openScene1000x500();
    const struct {
        int step, x, y, dx, dy, newX, newY;
    } cases[] = {
        {3, 100, 100, 10, 0, 97, 100}, {7, 100, 100, 10, 0, 60, 100}, {5, 500, 250, 40, 30, 460, 220}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        window->setZoomStep(c.step);
        showAt(c.x, c.y);
        const QImage before = window->view->picture.copy();
        const int w = viewWidth(), h = viewHeight();
        const orvenna::ViewGeometry drawn = orvenna::compute_view_geometry(w, h, c.x, c.y, c.step, 1000, 500);
        RedrawProbe redraw(window.get());
        pressAt(window->view, 200, 200);
        moveTo(window->view, 200 + c.dx, 200 + c.dy);
        EXPECT_EQ(window->scrollPosition(), QPoint(c.newX, c.newY));
        // Far from every overlay part the snapshot is moved by the pointer's way; uncovered edges are white.
        EXPECT_EQ(viewColour(w - 5, h - 5), before.pixelColor(w - 5 - c.dx, h - 5 - c.dy));
        EXPECT_EQ(viewColour(w - 30, h - 3), before.pixelColor(w - 30 - c.dx, h - 3 - c.dy));
        EXPECT_EQ(viewColour(5, h - 5), kWhite);
        const int cx = drawn.centre_screen_x(), cy = drawn.centre_screen_y();
        EXPECT_EQ(viewColour(cx, h - 2), kRed);
        EXPECT_EQ(viewColour(w - 2, cy), kRed);
        EXPECT_EQ(viewColour(30, 5), kPink);  // clear of the navigator's lines
        // The text block starts 5 pixels right of and below the crosshair, on pink. Its lines: the position,
        // the coordinates line (left empty without coordinates), then each band's value.
        bool pinkText = false;
        for (int dx = 5; dx < 60 && !pinkText; ++dx)
            pinkText = viewColour(cx + dx, cy + 8) == kPink;
        EXPECT_TRUE(pinkText);
        EXPECT_EQ(window->panOverlayLines(c.newX, c.newY),
                  (QStringList{QStringLiteral("X, Y : %1, %2").arg(c.newX).arg(c.newY), "",
                               QStringLiteral("a : %1").arg((c.newX + c.newY) & 0xFF), "b : 100"}));
        EXPECT_FALSE(redraw.ran());
        releaseAt(window->view, 200 + c.dx, 200 + c.dy);
        EXPECT_TRUE(redraw.ran());
        moveTo(window->view, 400, 300, Qt::NoButton);  // the pan has ended
        EXPECT_EQ(window->scrollPosition(), QPoint(c.newX, c.newY));
        ASSERT_TRUE(window->waitForJobs());
    }
    pressAt(window->view, 300, 200);
    moveTo(window->view, 100000, -100000);
    EXPECT_EQ(window->scrollPosition(), QPoint(0, 499));
    releaseAt(window->view, 100000, -100000);
    settle();
    EXPECT_TRUE(listener->got.empty());

    // With corners the second line gives longitude, then latitude (two blanks after the colon).
    ASSERT_TRUE(window->waitForJobs());
    window->closeAllButton->click();
    writeSummary(dir.path().string(), {36.0, 139.0, 36.0, 140.0, 35.5, 139.0, 35.5, 140.0});
    openScene(dir.file("scene.bil"));
    double lat = 0, lon = 0;
    ASSERT_TRUE(document().geoAt(460, 220, &lat, &lon));
    EXPECT_EQ(window->panOverlayLines(460, 220)[1],
              QStringLiteral("経度, 緯度 :  ") + degreesText(lon) + ", " + degreesText(lat));
}

// The zoom buttons redraw also at the last step; with synchronisation on, a zoom-out announces the step
// (the viewer redraws when its own message comes back) and a zoom-in stays with this viewer.
TEST_F(NavigationTest, ZoomButtonsAtTheirLimitsAndWhatTheyAnnounce) {
    openScene1000x500();
    const SyncController::Messages& m = window->sync().messages();
    const struct {
        const char* what;
        int step;
        ImageControl* button;
        int newStep;
        bool sync, announced;
    } cases[] = {
        {"zoom-in at step 0", 0, window->zoomInButton, 0, false, false},
        {"zoom-out", 5, window->zoomOutButton, 6, false, false},
        {"zoom-out at step 10, synchronising", 10, window->zoomOutButton, 10, true, true},
        {"zoom-in, synchronising", 10, window->zoomInButton, 9, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(window->waitForJobs());
        if (window->sync().isOn() != c.sync) window->syncButton->click();
        window->setZoomStep(c.step);
        settle();
        listener->got.clear();
        RedrawProbe redraw(window.get());
        releaseAt(c.button, 5, 5);
        EXPECT_EQ(window->zoomStep(), c.newStep);
        EXPECT_NE(redraw.ran(), c.announced);
        EXPECT_TRUE(pumpUntil([&] { return redraw.ran(); }));
        settle();
        EXPECT_EQ(listener->got, (c.announced ? Group{{m.zoomStep, 10}} : Group{}));
    }
}

TEST_F(NavigationTest, SliderPicksTheStepFromThePointerLine) {
    openScene1000x500();
    const int hz = window->zoomSlider->height();
    ASSERT_GT(hz, 130);
    const int y2 = orvenna::slider_tick_y(hz, 2);
    pressAt(window->zoomSlider, 20, y2);
    EXPECT_EQ(window->zoomStep(), 2);
    // The knob follows the pointer, not the tick.
    moveTo(window->zoomSlider, 20, y2 + 3);
    const QImage& slider = window->zoomSlider->picture;
    EXPECT_EQ(slider.pixelColor(20, y2 + 3 - 10), QColor(0, 0, 255));
    EXPECT_EQ(slider.pixelColor(20, y2 + 3 - 8), QColor(100, 100, 255));
    // Beyond the bottom: the largest step.
    moveTo(window->zoomSlider, 20, hz + 50);
    EXPECT_EQ(window->zoomStep(), 10);
    const int y7 = orvenna::slider_tick_y(hz, 7);
    moveTo(window->zoomSlider, 20, y7);
    EXPECT_EQ(window->zoomStep(), 7);
    RedrawProbe redraw(window.get());
    releaseAt(window->zoomSlider, 20, y7);
    EXPECT_TRUE(redraw.ran());
    // Knob back on the chosen step's tick; moves after the release choose nothing.
    EXPECT_EQ(slider.pixelColor(20, y7 - 10), QColor(0, 0, 255));
    moveTo(window->zoomSlider, 20, y2);
    EXPECT_EQ(window->zoomStep(), 7);
    // Other buttons are ignored; the slider's choice is not sent.
    pressAt(window->zoomSlider, 20, y2, Qt::RightButton);
    moveTo(window->zoomSlider, 20, y2 + 1, Qt::RightButton);
    EXPECT_EQ(window->zoomStep(), 7);
    settle();
    EXPECT_TRUE(listener->got.empty());
}

TEST_F(NavigationTest, SliderPreviewsOnlyOnAStepChange) {
    openScene1000x500();
    showAt(500, 250);
    const int hz = window->zoomSlider->height();
    const int y5 = orvenna::slider_tick_y(hz, 5);
    const int y6 = orvenna::slider_tick_y(hz, 6);
    const QImage snapshot = window->view->picture.copy();
    pressAt(window->zoomSlider, 20, y5);

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
    const SyncController::Messages& m = window->sync().messages();
    window->syncButton->click();
    window->smoothScrollCheckBox->setChecked(true);
    window->setScrollPosition(10, 0);
    // Each moving event sends the position the bar holds before it takes the new one.
    window->horizontalScrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    window->horizontalScrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ASSERT_TRUE(pumpUntil([&] { return listener->got.size() >= 4; }));
    EXPECT_EQ(listener->got, (Group{{m.scrollX, 10}, {m.draw, 0}, {m.scrollX, 11}, {m.draw, 0}}));
    // The sender follows its own messages: it ends one event behind the bar's last position.
    EXPECT_TRUE(pumpUntil([&] { return window->horizontalScrollBar->value() == 11; }));

    // Without smooth scrolling the moving events only draw the overlay; the release of the bar's arrow
    // ends the scroll and sends the final position.
    window->smoothScrollCheckBox->setChecked(false);
    ASSERT_TRUE(window->waitForJobs());
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
    settle();
    EXPECT_EQ(listener->got, (Group{{m.scrollX, 13}, {m.draw, 0}}));
}

// The scroll bar's own context menu scrolls too; its scroll ends, with the redraw, when the menu closes.
TEST_F(NavigationTest, ContextMenuScrollEndsWithTheRedraw) {
    openScene1000x500();
    const struct {
        int item;  // among the menu's actions that are not separators
        int expected;
    } cases[] = {{1, 0}, {4, 501}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        window->setScrollPosition(500, std::nullopt);
        ASSERT_TRUE(window->waitForJobs());
        RedrawProbe redraw(window.get());
        bool chosen = false;
        QTimer::singleShot(50, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            std::vector<QAction*> items;
            for (QAction* a : menu->actions())
                if (!a->isSeparator()) items.push_back(a);
            menu->setActiveAction(items.at(static_cast<size_t>(c.item)));
            QTest::keyClick(menu, Qt::Key_Return);
            chosen = true;
        });
        QScrollBar* bar = window->horizontalScrollBar;
        const QPoint at(bar->width() / 2, bar->height() / 2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, bar->mapToGlobal(at));
        QCoreApplication::sendEvent(bar, &event);
        ASSERT_TRUE(chosen);
        EXPECT_EQ(bar->value(), c.expected);
        EXPECT_TRUE(pumpUntil([&] { return redraw.ran(); }, 1000));
    }
}

TEST_F(NavigationTest, AutoUpdateOffIgnoresEveryRequestButTheRedrawButton) {
    openScene1000x500();
    const SyncController::Messages& m = window->sync().messages();
    window->autoUpdateButton->click();
    RedrawProbe redraw(window.get());
    releaseAt(window->zoomInButton, 5, 5);
    releaseAt(window->zoomOutButton, 5, 5);
    const int y3 = orvenna::slider_tick_y(window->zoomSlider->height(), 3);
    pressAt(window->zoomSlider, 20, y3);
    releaseAt(window->zoomSlider, 20, y3);
    pressAt(window->view, 100, 100);
    moveTo(window->view, 120, 90);
    releaseAt(window->view, 120, 90);
    dragThumbTo(window->horizontalScrollBar, 5);
    dragThumbTo(window->verticalScrollBar, 5);
    window->sync().onViewerMessage(m.draw, 0);
    window->sync().onViewerMessage(m.zoomStep, 4);
    settle();
    EXPECT_FALSE(redraw.ran());

    window->redrawButton->click();
    EXPECT_TRUE(redraw.ran());
    EXPECT_FALSE(window->autoUpdateButton->isChecked());  // still off: that was one redraw only
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
    EXPECT_TRUE(pumpUntil([&] { return redraw.ran(); }));
    ASSERT_TRUE(window->waitForJobs());
    EXPECT_EQ(redraw.started, 1);
    EXPECT_EQ(window->view->picture.size(), window->view->size());

    window->autoUpdateButton->click();
    redraw.arm();
    window->resize(800, 560);
    QTest::qWait(600);  // well past the time the size takes to settle
    EXPECT_FALSE(redraw.ran());
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
