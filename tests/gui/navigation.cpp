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

class NavigationTest : public guitest::MainWindowTest {
protected:
    void SetUp() override {
        scope = std::make_unique<BusFolderScope>(busDir.file("bus"));
        MainWindowTest::SetUp();
        progressWindow = new ProgressWindow(form.get());
        form->resize(1100, 700);
        form->show();
        QCoreApplication::processEvents();
        listener = std::make_unique<Listener>();
    }
    void TearDown() override {
        listener.reset();
        progressWindow = nullptr;
        MainWindowTest::TearDown();
        scope.reset();
    }
    // A 1000 x 500 scene, band a = (x + y) mod 256, band b = 100, opened as the user opens files.
    void OpenScene1000x500() {
        const std::string path = dir.file("scene.bil");
        guitest::WriteNativeScene(path, 1000, 500, 2, [](int b, int x, int y) {
            return b == 0 ? uint8_t((x + y) & 0xFF) : uint8_t(100);
        });
        form->filesToOpen = {QByteArray::fromStdString(path)};
        form->openFiles();
        ASSERT_TRUE(form->imageLoaded);
        ASSERT_EQ(form->horizontalScrollBar->maximum(), 999);
    }
    QColor At(int x, int y) const { return form->view->picture.pixelColor(x, y); }
    int ViewW() const { return form->view->picture.width(); }
    int ViewH() const { return form->view->picture.height(); }

    guitest::TempDir busDir;
    std::unique_ptr<BusFolderScope> scope;
    std::unique_ptr<Listener> listener;
};

TEST_F(NavigationTest, ScrollOverlayNavigatorOnA1000By500Scene) {
    OpenScene1000x500();
    form->verticalScrollBar->setValue(250);
    form->view->picture.fill(Qt::white);
    RedrawProbe redraw(form.get());
    form->onHorizontalScroll(orvenna::ScrollCode::Track, 500);

    // 100 x 50 pink rectangle, red outline, lines crossing at (50, 25).
    EXPECT_EQ(At(10, 10), kPink);
    EXPECT_EQ(At(0, 10), kRed);
    EXPECT_EQ(At(99, 10), kRed);
    EXPECT_EQ(At(10, 49), kRed);
    EXPECT_EQ(At(10, 50), kWhite);
    EXPECT_EQ(At(100, 10), kWhite);
    EXPECT_EQ(At(50, 10), kRed);
    EXPECT_EQ(At(10, 25), kRed);
    EXPECT_EQ(At(50, 25), kRed);
    EXPECT_EQ(At(49, 10), kPink);
    // Crosshair through the view centre.
    EXPECT_EQ(At(ViewW() / 2, ViewH() - 1), kRed);
    EXPECT_EQ(At(ViewW() - 1, ViewH() / 2), kRed);
    EXPECT_EQ(At(ViewW() / 2 + 1, 2), kWhite);
    // The overlay moves nothing and redraws nothing.
    EXPECT_EQ(form->horizontalScrollBar->value(), 0);
    EXPECT_FALSE(redraw.Ran());

    // Thumb position, top and bottom draw nothing.
    form->view->picture.fill(Qt::white);
    for (auto code : {orvenna::ScrollCode::Position, orvenna::ScrollCode::Top, orvenna::ScrollCode::Bottom})
        form->onHorizontalScroll(code, 0);
    EXPECT_EQ(At(10, 10), kWhite);
    EXPECT_FALSE(redraw.Ran());
}

TEST_F(NavigationTest, NothingHappensWithoutAScene) {
    RedrawProbe redraw(form.get());
    form->onHorizontalScroll(orvenna::ScrollCode::Track, 10);
    form->onVerticalScroll(orvenna::ScrollCode::EndScroll, 10);
    Press(form->view, 10, 10);
    EXPECT_FALSE(form->panning);
    Release(form->view, 20, 20);
    EXPECT_FALSE(redraw.Ran());
}

TEST_F(NavigationTest, PanArithmeticAtSteps3And7) {
    OpenScene1000x500();
    const struct { int step, expected; } cases[] = {{3, 97}, {7, 60}};
    for (const auto& c : cases) {
        form->zoomStep = c.step;
        form->horizontalScrollBar->setValue(100);
        form->verticalScrollBar->setValue(100);
        form->onRedrawClicked();
        Press(form->view, 300, 200);
        ASSERT_TRUE(form->panning);
        Move(form->view, 310, 200);  // 10 view pixels to the right
        EXPECT_EQ(form->horizontalScrollBar->value(), c.expected) << "step " << c.step;
        EXPECT_EQ(form->verticalScrollBar->value(), 100);
        RedrawProbe redraw(form.get());
        Release(form->view, 310, 200);
        EXPECT_FALSE(form->panning);
        EXPECT_TRUE(redraw.Ran());  // not synchronising: the redraw follows at once
    }
    // Bars clamp at their ends.
    Press(form->view, 300, 200);
    Move(form->view, 100000, -100000);
    EXPECT_EQ(form->horizontalScrollBar->value(), 0);
    EXPECT_EQ(form->verticalScrollBar->value(), 499);
    Release(form->view, 100000, -100000);
    Settle();
    EXPECT_TRUE(listener->got.empty());  // nothing was broadcast
}

TEST_F(NavigationTest, PanShowsTheShiftedSnapshotWithItsOverlay) {
    OpenScene1000x500();
    form->horizontalScrollBar->setValue(500);
    form->verticalScrollBar->setValue(250);
    form->onRedrawClicked();
    const QImage before = form->view->picture.copy();
    const int offsetX = form->viewOffsetX, offsetY = form->viewOffsetY;
    Press(form->view, 200, 200);
    Move(form->view, 240, 230);
    EXPECT_EQ(form->horizontalScrollBar->value(), 460);
    EXPECT_EQ(form->verticalScrollBar->value(), 220);
    // Far from every overlay part, the view shows the snapshot moved by (40, 30); uncovered edges are white.
    const int w = ViewW(), h = ViewH();
    EXPECT_EQ(At(w - 5, h - 5), before.pixelColor(w - 45, h - 35));
    EXPECT_EQ(At(w - 30, h - 3), before.pixelColor(w - 70, h - 33));
    EXPECT_EQ(At(w - 5, 10), kWhite);  // above the moved snapshot's top
    // Crosshair through the centre pixel, navigator at the top-left.
    const int cx = w / 2 - form->viewOffsetX;
    const int cy = h / 2 - form->viewOffsetY;
    EXPECT_EQ(At(cx, h - 2), kRed);
    EXPECT_EQ(At(w - 2, cy), kRed);
    EXPECT_EQ(At(10, 10), kPink);
    // The text block starts 5 pixels right of and below the crosshair, on pink.
    bool pinkText = false;
    for (int dx = 5; dx < 60 && !pinkText; ++dx)
        pinkText = At(cx + dx, cy + 8) == kPink;
    EXPECT_TRUE(pinkText);
    // Its lines: the position, the coordinates line (left empty without coordinates; two blanks after
    // the colon), then each band's value from line 2.
    const int x = form->horizontalScrollBar->value(), y = form->verticalScrollBar->value();
    QStringList lines = form->panOverlayLines(x, y);
    ASSERT_EQ(lines.size(), 2 + int(form->bandRows.size()));
    EXPECT_EQ(lines[0], QStringLiteral("X, Y : %1, %2").arg(x).arg(y));
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2],
              QStringLiteral("a : %1").arg(form->bandValueAt(form->bandRows[0].get(), 1000 * y + x)));
    form->geoValid = true;
    lines = form->panOverlayLines(x, y);
    EXPECT_EQ(lines[1],
              QStringLiteral("経度, 緯度 :  ") + form->longitudeText(x, y) + ", " + form->latitudeText(x, y));
    form->geoValid = false;
    // The crosshair stays where the last redraw put the centre pixel; the release shows the final shift
    // and, not synchronising, redraws.
    EXPECT_EQ(form->viewOffsetX, offsetX);
    EXPECT_EQ(form->viewOffsetY, offsetY);
    RedrawProbe redraw(form.get());
    Release(form->view, 240, 230);
    EXPECT_TRUE(redraw.Ran());
}

TEST_F(NavigationTest, RightButtonAndStrayReleaseDoNotPan) {
    OpenScene1000x500();
    Press(form->view, 50, 50, Qt::RightButton);
    EXPECT_FALSE(form->panning);
    RedrawProbe redraw(form.get());
    Release(form->view, 60, 60, Qt::RightButton);
    Release(form->view, 60, 60);
    EXPECT_FALSE(redraw.Ran());
}

TEST_F(NavigationTest, ZoomLimitsStillRedrawAndBroadcast) {
    OpenScene1000x500();
    form->zoomStep = 0;
    RedrawProbe redraw(form.get());
    Release(form->zoomInButton, 5, 5);
    EXPECT_EQ(form->zoomStep, 0);
    EXPECT_TRUE(redraw.Ran());

    // Zoom-out without synchronising: one step, redrawn at once, nothing sent.
    form->zoomStep = 5;
    redraw.Arm();
    Release(form->zoomOutButton, 5, 5);
    EXPECT_EQ(form->zoomStep, 6);
    EXPECT_TRUE(redraw.Ran());
    Settle();
    EXPECT_TRUE(listener->got.empty());

    // At step 10 with synchronisation on: the step stays 10, is sent, and the viewer redraws when its own
    // message comes back.
    form->syncButton->click();
    ASSERT_TRUE(form->syncOn);
    form->zoomStep = 10;
    redraw.Arm();
    Release(form->zoomOutButton, 5, 5);
    EXPECT_EQ(form->zoomStep, 10);
    EXPECT_FALSE(redraw.Ran());
    EXPECT_TRUE(PumpUntil([&] { return redraw.Ran(); }));
    ASSERT_TRUE(PumpUntil([&] { return !listener->got.empty(); }));
    EXPECT_EQ(listener->got[0], std::make_pair(form->zoomStepMessage, int32_t(10)));

    // The zoom-in button never sends.
    listener->got.clear();
    Release(form->zoomInButton, 5, 5);
    EXPECT_EQ(form->zoomStep, 9);
    Settle();
    EXPECT_TRUE(listener->got.empty());
}

TEST_F(NavigationTest, SliderPicksTheStepFromThePointerLine) {
    OpenScene1000x500();
    const int hz = form->zoomSlider->height();
    ASSERT_GT(hz, 130);
    const int y2 = orvenna::slider_tick_y(hz, 2);
    Press(form->zoomSlider, 20, y2);
    EXPECT_TRUE(form->zoomDragging);
    EXPECT_EQ(form->zoomDragStartStep, 5);
    EXPECT_EQ(form->zoomStep, 2);
    EXPECT_EQ(form->zoomScale, 8.0f);
    // The knob follows the pointer, not the tick.
    Move(form->zoomSlider, 20, y2 + 3);
    const QImage& slider = form->zoomSlider->picture;
    EXPECT_EQ(slider.pixelColor(20, y2 + 3 - 10), QColor(0, 0, 255));
    EXPECT_EQ(slider.pixelColor(20, y2 + 3 - 8), QColor(100, 100, 255));
    // Beyond the bottom: the largest step.
    Move(form->zoomSlider, 20, hz + 50);
    EXPECT_EQ(form->zoomStep, 10);
    Move(form->zoomSlider, 20, orvenna::slider_tick_y(hz, 7));
    EXPECT_EQ(form->zoomStep, 7);
    RedrawProbe redraw(form.get());
    Release(form->zoomSlider, 20, orvenna::slider_tick_y(hz, 7));
    EXPECT_FALSE(form->zoomDragging);
    EXPECT_TRUE(redraw.Ran());
    EXPECT_EQ(form->zoomScale, 0.25f);
    // Knob back on the chosen step's tick.
    const int y7 = orvenna::slider_tick_y(hz, 7);
    EXPECT_EQ(slider.pixelColor(20, y7 - 10), QColor(0, 0, 255));
    // Other buttons are ignored; the slider's choice is not sent.
    Press(form->zoomSlider, 20, y2, Qt::RightButton);
    EXPECT_FALSE(form->zoomDragging);
    EXPECT_EQ(form->zoomStep, 7);
    Settle();
    EXPECT_TRUE(listener->got.empty());
}

TEST_F(NavigationTest, SliderPreviewsOnlyOnAStepChange) {
    OpenScene1000x500();
    form->horizontalScrollBar->setValue(500);
    form->verticalScrollBar->setValue(250);
    form->onRedrawClicked();
    const int hz = form->zoomSlider->height();
    const int y5 = orvenna::slider_tick_y(hz, 5);
    const int y6 = orvenna::slider_tick_y(hz, 6);
    Press(form->zoomSlider, 20, y5);
    const QImage snapshot = form->gestureSnapshot.copy();
    ASSERT_FALSE(snapshot.isNull());

    form->view->picture.fill(kMagenta);
    Move(form->zoomSlider, 20, y5 + 2);  // same step: no preview
    EXPECT_EQ(At(300, 300), kMagenta);
    Move(form->zoomSlider, 20, y6);  // one step out: the snapshot at half size about the centre
    const int w = ViewW(), h = ViewH();
    EXPECT_EQ(At(2, 2), kWhite);
    const orvenna::PixelRect r = orvenna::zoom_preview_rect(w, h, 5, 6);
    ASSERT_GT(r.left, 0);
    EXPECT_EQ(At(r.left, r.top), snapshot.pixelColor(0, 0));
    EXPECT_EQ(At(r.left - 1, r.top), kWhite);
    EXPECT_EQ(At(r.right, r.bottom), kWhite);
    EXPECT_NE(At(w / 2, h / 2), kMagenta);
    form->view->picture.fill(kMagenta);
    Move(form->zoomSlider, 20, y6 + 1);  // still step 6
    EXPECT_EQ(At(300, 300), kMagenta);
    Move(form->zoomSlider, 20, y5);  // back to the start: the snapshot at its own size
    EXPECT_EQ(form->view->picture, snapshot);
    Release(form->zoomSlider, 20, y5);
}

TEST_F(NavigationTest, SmoothScrollingLagsOneEvent) {
    OpenScene1000x500();
    form->syncButton->click();
    form->smoothScrollCheckBox->setChecked(true);
    form->horizontalScrollBar->setValue(10);
    // Each moving event sends the position the bar holds before it takes the new one.
    form->horizontalScrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    form->horizontalScrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ASSERT_TRUE(PumpUntil([&] { return listener->got.size() >= 4; }));
    const std::vector<std::pair<unsigned, int32_t>> expected = {{form->scrollXMessage, 10},
                                                                {form->drawMessage, 0},
                                                                {form->scrollXMessage, 11},
                                                                {form->drawMessage, 0}};
    EXPECT_EQ(listener->got, expected);
    // The sender follows its own messages: it ends one event behind the bar's last position.
    EXPECT_TRUE(PumpUntil([&] { return form->horizontalScrollBar->value() == 11; }));

    // Without smooth scrolling the moving events only draw the overlay; the release of the bar's arrow
    // ends the scroll and sends the final position.
    form->smoothScrollCheckBox->setChecked(false);
    listener->got.clear();
    form->view->picture.fill(Qt::white);
    form->horizontalScrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(At(10, 10), kPink);
    Settle();
    EXPECT_TRUE(listener->got.empty());
    QScrollBar* bar = form->horizontalScrollBar;
    const QPoint arrow(bar->width() - 3, bar->height() / 2);
    Press(bar, arrow.x(), arrow.y());
    Release(bar, arrow.x(), arrow.y());
    ASSERT_TRUE(PumpUntil([&] { return listener->got.size() >= 2; }));
    EXPECT_EQ(listener->got[0].first, form->scrollXMessage);
    EXPECT_EQ(listener->got[0].second, form->horizontalScrollBar->value());
    EXPECT_EQ(listener->got[0].second, 13);
    EXPECT_EQ(listener->got[1].first, form->drawMessage);
}

// The scroll bar's own context menu scrolls too; its scroll ends, with the redraw, when the menu closes.
TEST_F(NavigationTest, ContextMenuScrollEndsWithTheRedraw) {
    OpenScene1000x500();
    struct Row {
        int item;  // among the menu's actions that are not separators
        int expected;
    };
    for (const Row& row : {Row{1, 0}, Row{4, 501}}) {
        SCOPED_TRACE(row.item);
        form->horizontalScrollBar->setValue(500);
        RedrawProbe redraw(form.get());
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
        QScrollBar* bar = form->horizontalScrollBar;
        const QPoint at(bar->width() / 2, bar->height() / 2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, bar->mapToGlobal(at));
        QCoreApplication::sendEvent(bar, &event);
        ASSERT_TRUE(chosen);
        EXPECT_EQ(bar->value(), row.expected);
        EXPECT_TRUE(PumpUntil([&] { return redraw.Ran(); }, 1000));
    }
}

TEST_F(NavigationTest, AutoUpdateOffIgnoresEveryRequestButBtnDraw) {
    OpenScene1000x500();
    form->autoUpdateButton->click();
    ASSERT_FALSE(form->autoUpdate);
    RedrawProbe redraw(form.get());
    Release(form->zoomInButton, 5, 5);
    Release(form->zoomOutButton, 5, 5);
    const int hz = form->zoomSlider->height();
    Press(form->zoomSlider, 20, orvenna::slider_tick_y(hz, 3));
    Release(form->zoomSlider, 20, orvenna::slider_tick_y(hz, 3));
    Press(form->view, 100, 100);
    Move(form->view, 120, 90);
    Release(form->view, 120, 90);
    form->onHorizontalScroll(orvenna::ScrollCode::EndScroll, 5);
    form->onVerticalScroll(orvenna::ScrollCode::EndScroll, 5);
    form->onViewerMessage(form->drawMessage, 0);
    form->onViewerMessage(form->zoomStepMessage, 4);
    EXPECT_FALSE(redraw.Ran());

    form->onRedrawClicked();
    EXPECT_TRUE(redraw.Ran());
    EXPECT_FALSE(form->autoUpdate);  // set for that one redraw only
    form->autoUpdateButton->click();
    EXPECT_TRUE(form->autoUpdate);
}

// A resize repaints the slider at once and redraws the view once its size has settled (several resize steps
// give one redraw), not with the old picture in a corner; with automatic update off nothing is redrawn.
TEST_F(NavigationTest, ResizeRepaintsTheSliderAndRedrawsOnceSettled) {
    const QImage& slider = form->zoomSlider->picture;
    ASSERT_EQ(slider.size(), form->zoomSlider->size());
    const int hz = form->zoomSlider->height();
    EXPECT_EQ(slider.pixelColor(20, orvenna::slider_tick_y(hz, 5) - 10), QColor(0, 0, 255));
    OpenScene1000x500();
    const QSize pictureBefore = form->view->picture.size();
    RedrawProbe redraw(form.get());
    form->resize(880, 590);
    QCoreApplication::processEvents();
    form->resize(900, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->zoomSlider->picture.size(), form->zoomSlider->size());
    EXPECT_NE(form->zoomSlider->height(), hz);
    EXPECT_FALSE(redraw.Ran());
    EXPECT_EQ(form->view->picture.size(), pictureBefore);  // not while the size is still changing
    QTest::qWait(MainWindow::kResizeSettleMs * 3);
    EXPECT_TRUE(redraw.Ran());
    EXPECT_EQ(form->view->picture.size(), form->view->size());

    form->autoUpdate = false;
    redraw.Arm();
    form->resize(800, 560);
    QTest::qWait(MainWindow::kResizeSettleMs * 3);
    EXPECT_FALSE(redraw.Ran());
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
