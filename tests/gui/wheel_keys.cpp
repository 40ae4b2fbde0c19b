// The view's wheel and keys, "全体表示" and the window-wide shortcuts: the wheel zooms about the pointer
// and gathers small turns, Shift and Ctrl (and the scroll bars' own wheels) scroll, the focused picture pans
// and zooms with its keys, and every one of them redraws or announces once, as the mouse gesture it stands
// for.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest/QTest>

#include "GuiTestSupport.h"
#include "NavigationTestSupport.h"
#include "dialogs/OperationGuideWindow.h"
#include "display/ViewGeometry.h"
#include "platform/ImageControl.h"

using namespace navtest;

namespace {

class WheelKeysTest : public ShownWindowTest {
protected:
    // A w x h one-band scene of its own, opened as the user opens files.
    void openSized(int w, int h) {
        const std::string path = dir.file("scene" + std::to_string(w) + "x" + std::to_string(h) + ".bil");
        guitest::writeNativeScene(path, w, h, 1, [](int, int x, int y) { return uint8_t((x + y) & 0xFF); });
        openScene(path);
    }
    void wheel(int x, int y, QPoint angle, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
               QWidget* over = nullptr) {
        if (!over) over = window->view;
        QWheelEvent event(QPointF(x, y), over->mapToGlobal(QPointF(x, y)), QPoint(), angle, Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(over, &event);
    }
    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, k, modifiers);
        QCoreApplication::sendEvent(window->view, &event);
    }
    orvenna::ViewGeometry geometry() const {
        return orvenna::compute_view_geometry(window->view->width(), window->view->height(), scroll().x(),
                                              scroll().y(), window->zoomStep(), window->document().width(),
                                              window->document().height());
    }
    QPoint scroll() const { return window->scrollPosition(); }
    // The view at `step` around (x, y), with no redraw running.
    void placeAt(int step, int x, int y) {
        EXPECT_TRUE(window->waitForJobs());
        window->setZoomStep(step);
        window->setScrollPosition(x, y);
    }
};

TEST_F(WheelKeysTest, WheelZoomKeepsTheImagePointUnderThePointer) {
    openSized(1000, 500);
    const struct {
        int step, x, y;  // start: step and view pixel of the pointer
        int notches;     // away from the user magnifies
        int newStep;
    } cases[] = {
        {5, 100, 80, 1, 4},  {5, 600, 400, 1, 4},  {4, 250, 300, -1, 5},
        {3, 700, 100, 2, 1}, {6, 300, 200, -1, 7}, {0, 200, 200, 3, 0},  // past the last step: nothing
    };
    for (const auto& c : cases) {
        placeAt(c.step, 500, 250);
        int column = 0, line = 0;
        ASSERT_TRUE(orvenna::drawn_image_pixel_at(geometry(), c.x, c.y, &column, &line));
        RedrawProbe redraw(window.get());
        wheel(c.x, c.y, QPoint(0, 120 * c.notches));
        EXPECT_EQ(window->zoomStep(), c.newStep);
        EXPECT_EQ(redraw.ran(), c.newStep != c.step);
        int after = 0, afterLine = 0;
        ASSERT_TRUE(orvenna::drawn_image_pixel_at(geometry(), c.x, c.y, &after, &afterLine));
        // One image pixel of the coarser of the two steps is the most rounding can move it.
        const int slack =
            std::max(1, static_cast<int>(1 / orvenna::zoom_scale_for_step(std::max(c.step, c.newStep))));
        EXPECT_LE(std::abs(after - column), slack) << c.step << " at " << c.x;
        EXPECT_LE(std::abs(afterLine - line), slack) << c.step << " at " << c.y;
    }
}

TEST_F(WheelKeysTest, SmallTurnsGatherIntoOneStep) {
    openSized(1000, 500);
    placeAt(5, 500, 250);
    for (int i = 0; i < 3; ++i) {
        wheel(200, 200, QPoint(0, 30));
        EXPECT_EQ(window->zoomStep(), 5) << "after " << i + 1 << " quarter notches";
    }
    wheel(200, 200, QPoint(0, 30));
    EXPECT_EQ(window->zoomStep(), 4);
}

TEST_F(WheelKeysTest, ShiftAndCtrlWheelAndTheScrollBarsWheelsScrollATenthOfTheView) {
    openSized(4000, 3000);
    placeAt(5, 2000, 1500);
    const int tenthX = window->view->width() / 10, tenthY = window->view->height() / 10;
    const struct {
        Qt::KeyboardModifiers modifiers;
        QPoint angle;
        QPoint moved;
        QWidget* over = nullptr;  // the view
    } cases[] = {
        {Qt::NoModifier, QPoint(0, -120), QPoint(0, tenthY), window->verticalScrollBar},
        {Qt::NoModifier, QPoint(0, 120), QPoint(-tenthX, 0), window->horizontalScrollBar},
        {Qt::ShiftModifier, QPoint(0, -120), QPoint(tenthX, 0)},
        {Qt::ShiftModifier, QPoint(0, 120), QPoint(-tenthX, 0)},
        {Qt::ShiftModifier, QPoint(-120, 0), QPoint(tenthX, 0)},  // systems that turn Shift + wheel sideways
        {Qt::ControlModifier, QPoint(0, -120), QPoint(0, tenthY)},
        {Qt::ControlModifier, QPoint(0, 240), QPoint(0, -2 * tenthY)},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(window->waitForJobs());
        const QPoint before = scroll();
        RedrawProbe redraw(window.get());
        wheel(c.over ? 5 : 300, c.over ? 5 : 300, c.angle, c.modifiers, c.over);
        EXPECT_LE(std::abs((scroll() - before - c.moved).manhattanLength()), 1) << c.modifiers;
        EXPECT_EQ(window->zoomStep(), 5);
        EXPECT_TRUE(window->waitForJobs());
        EXPECT_EQ(redraw.started, 1) << c.modifiers;  // the turn ends its scroll once
    }
}

TEST_F(WheelKeysTest, AClickFocusesThePictureWhoseKeysPanZoomAndCentre) {
    openSized(4000, 3000);
    window->redExpressionEdit->setFocus();
    QTest::mouseClick(window->view, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_EQ(window->focusWidget(), window->view);

    const int w = window->view->width(), h = window->view->height();
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        int step;  // before
        QPoint moved;
        int newStep;
    } cases[] = {
        {Qt::Key_Right, Qt::NoModifier, 5, {w / 8, 0}, 5},
        {Qt::Key_Left, Qt::NoModifier, 4, {-(w / 8) / 2, 0}, 4},  // image pixels: half at twice the size
        {Qt::Key_Down, Qt::NoModifier, 6, {0, (h / 8) * 2}, 6},
        {Qt::Key_Up, Qt::ShiftModifier, 5, {0, -h}, 5},
        {Qt::Key_Right, Qt::ShiftModifier, 5, {w, 0}, 5},
        {Qt::Key_Plus, Qt::ShiftModifier, 5, {0, 0}, 4},
        {Qt::Key_Minus, Qt::NoModifier, 5, {0, 0}, 6},
    };
    for (const auto& c : cases) {
        placeAt(c.step, 2000, 1500);
        RedrawProbe redraw(window.get());
        key(c.key, c.modifiers);
        // Zooming about the centre may round the centre pixel by one either way.
        const QPoint off = scroll() - QPoint(2000, 1500) - c.moved;
        EXPECT_LE(std::abs(off.x()), c.step == c.newStep ? 0 : 1) << c.key;
        EXPECT_LE(std::abs(off.y()), c.step == c.newStep ? 0 : 1) << c.key;
        EXPECT_EQ(window->zoomStep(), c.newStep) << c.key;
        EXPECT_TRUE(redraw.ran()) << c.key;
    }
    placeAt(5, 10, 20);
    key(Qt::Key_Home);
    EXPECT_EQ(scroll(), QPoint(2000, 1500));
}

TEST_F(WheelKeysTest, FitShowsTheWholeSceneCentredAtTheLargestStepThatFits) {
    const struct {
        int w, h;
        bool fromMenu;
    } cases[] = {{41, 41, false}, {3000, 200, true}, {900, 900, false}};
    for (const auto& c : cases) {
        window->closeAllButton->click();
        openSized(c.w, c.h);
        placeAt(5, 0, 0);
        if (c.fromMenu)
            window->fitAction->trigger();
        else
            window->fitButton->click();
        const int expected = orvenna::fit_zoom_step(window->view->width(), window->view->height(), c.w, c.h);
        EXPECT_EQ(window->zoomStep(), expected) << c.w << "x" << c.h;
        EXPECT_EQ(scroll(), QPoint(c.w / 2, c.h / 2));
        // The whole scene lies inside the view, its first pixel drawn, and the step before does not fit.
        const float scale = orvenna::zoom_scale_for_step(expected);
        EXPECT_LE(c.w * scale, window->view->width());
        EXPECT_LE(c.h * scale, window->view->height());
        orvenna::ScreenBlock block;
        EXPECT_TRUE(orvenna::screen_block_of(geometry(), 0, 0, &block));
        EXPECT_GE(block.x, 0);
        EXPECT_GE(block.y, 0);
        if (expected > 0) {
            const float larger = orvenna::zoom_scale_for_step(expected - 1);
            EXPECT_TRUE(c.w * larger > window->view->width() || c.h * larger > window->view->height());
        }
    }
}

TEST_F(WheelKeysTest, ShortcutsStandBesideTheirMenuItems) {
    const struct {
        QMenu* menu;
        QAction* action;
        QKeySequence keys;
    } cases[] = {
        {window->fileMenu, window->openAction, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {window->fileMenu, window->saveAction, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {window->fileMenu, window->closeAllAction, QKeySequence(Qt::CTRL | Qt::Key_W)},
        {window->fileMenu, window->quitAction, QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {window->viewMenu, window->redrawAction, QKeySequence(Qt::Key_F5)},
        {window->viewMenu, window->fitAction, QKeySequence()},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(c.menu->actions().contains(c.action)) << c.action->text().toStdString();
        EXPECT_EQ(c.action->shortcut(), c.keys) << c.action->text().toStdString();
    }
    EXPECT_EQ(window->fitAction->text(), QStringLiteral("全体表示(&F)"));
    EXPECT_EQ(window->fitButton->toolTip(), QStringLiteral("全体表示"));

    // Ctrl+W closes everything wherever the keyboard is.
    openSized(40, 30);
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    window->redExpressionEdit->setFocus();
    QTest::keyClick(window->redExpressionEdit, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(document().hasBands());

    // The guide stands beside the quick help.
    const QList<QAction*> help = window->helpMenu->actions();
    EXPECT_EQ(help.indexOf(window->guideAction), help.indexOf(window->quickHelpAction) + 1);
    window->guideAction->trigger();
    auto* guide = window->findChild<OperationGuideWindow*>();
    ASSERT_NE(guide, nullptr);
    EXPECT_TRUE(guide->isVisible());
    EXPECT_EQ(guide->windowTitle(), QStringLiteral("操作と式の説明"));
}

// A wheel turn over a scroll bar ends its scroll once: one group, not a second one after it.
TEST_F(WheelKeysTest, WithSyncOnWheelAndKeysAnnounceAsTheirMouseGestures) {
    openSized(1000, 500);
    window->syncButton->click();
    ASSERT_TRUE(window->sync().isOn());
    const SyncController::Messages& m = window->sync().messages();
    struct Case {
        const char* what;
        std::function<void()> act;
        std::function<Group()> expected;  // once the act is done
    };
    const Case cases[] = {
        {"wheel zoom-out: the step, as the zoom-out button", [&] { wheel(300, 200, QPoint(0, -120)); },
         [&] {
             return Group{{m.zoomStep, 6}};
         }},
        {"wheel zoom-in: nothing, as the zoom-in button", [&] { wheel(300, 200, QPoint(0, 120)); },
         [&] { return Group{}; }},
        {"arrow key: the end of a pan", [&] { key(Qt::Key_Right); },
         [&] {
             return Group{{m.scrollX, scroll().x()}, {m.scrollY, scroll().y()}, {m.draw, scroll().y()}};
         }},
        {"Shift + wheel: the end of a horizontal scroll",
         [&] { wheel(300, 200, QPoint(0, -120), Qt::ShiftModifier); },
         [&] {
             return Group{{m.scrollX, scroll().x()}, {m.draw, scroll().y()}};
         }},
        {"wheel over the vertical bar: the end of a vertical scroll",
         [&] { wheel(5, 5, QPoint(0, -120), Qt::NoModifier, window->verticalScrollBar); },
         [&] {
             return Group{{m.scrollY, scroll().y()}, {m.draw, scroll().y()}};
         }},
    };
    for (const Case& c : cases) {
        placeAt(5, 500, 250);
        settle();
        listener->got.clear();
        c.act();
        const Group expected = c.expected();
        EXPECT_TRUE(pumpUntil([&] { return listener->got.size() >= expected.size(); })) << c.what;
        settle();
        EXPECT_EQ(listener->got, expected) << c.what;
    }
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
