// Synchronising viewers: two main windows in one process, each on its own socket of one bus folder. Pans,
// scrolls and zoom-outs of the synchronising window reach both, also when a viewer does not read for a while;
// positions travel as pixels or as latitude and longitude mapped into each receiver's scene. A viewer whose
// bus folder is refused still answers its own gestures.
#include <QScrollBar>
#include <QToolButton>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "GuiTestSupport.h"
#include "NavigationTestSupport.h"
#include "platform/ImageControl.h"

using namespace navtest;

namespace {

using Viewer = guitest::WindowUnderTest;

// Scene opening and gestures shared by the fixtures below.
class SyncWindowTest : public guitest::MainWindowTest {
protected:
    void TearDown() override {
        MainWindowTest::TearDown();
        scope.reset();
    }
    // Builds `window` with its bus in `busFolder`.
    void buildWindow(const std::string& busFolder) {
        scope = std::make_unique<BusFolderScope>(busFolder);
        MainWindowTest::SetUp();
        window->cornerAfterOpening = true;
        showWindow(window.get());
    }
    static void showWindow(Viewer* viewer) {
        viewer->resize(800, 600);
        viewer->show();
        QCoreApplication::processEvents();
    }

    // Opens a w x h one-band scene in `viewer` the way the user does, each in a folder of its own, with the
    // corners in its summary when given.
    void openScene(Viewer* viewer, int w, int h, std::optional<Corners> corners = std::nullopt) {
        static int counter = 0;
        const std::filesystem::path folder = dir.path() / ("scene" + std::to_string(counter++));
        std::filesystem::create_directories(folder);
        const std::string path = (folder / "scene.bil").string();
        guitest::writeNativeScene(path, w, h, 1,
                                  [](int, int x, int y) { return uint8_t((x * 3 + y) & 0xFF); });
        if (corners) writeSummary(folder.string(), *corners);
        viewer->openNow({path});
        ASSERT_EQ(viewer->document().width(), w);
        ASSERT_EQ(viewer->document().geographyKnown(), corners.has_value());
    }
    static void scrollAndRedraw(Viewer* viewer, int x, int y) {
        viewer->setScrollPosition(x, y);
        viewer->redrawNow();
    }
    // A left-button pan on the view of `viewer` by (dx, dy) view pixels.
    static void panBy(Viewer* viewer, int dx, int dy) {
        pressAt(viewer->view, 300, 300);
        moveTo(viewer->view, 300 + dx, 300 + dy);
        releaseAt(viewer->view, 300 + dx, 300 + dy);
    }
    // A scroll of one bar to `position`: its thumb dragged there and let go.
    static void scrollTo(Viewer* viewer, Qt::Orientation bar, int position) {
        dragThumbTo(bar == Qt::Horizontal ? viewer->horizontalScrollBar : viewer->verticalScrollBar,
                    position);
    }
    static bool isAt(Viewer* viewer, int x, int y) { return viewer->scrollPosition() == QPoint(x, y); }

    guitest::TempDir busDir;
    std::unique_ptr<BusFolderScope> scope;
};

// Two windows on one bus, and a listener that records the traffic.
class SyncTest : public SyncWindowTest {
protected:
    void SetUp() override {
        buildWindow(busDir.file("bus"));
        other = std::make_unique<Viewer>();
        other->cornerAfterOpening = true;
        showWindow(other.get());
        const ViewerBusEndpoint* bus = window->sync().bus();
        ASSERT_TRUE(bus->isOpen()) << bus->error();
        ASSERT_TRUE(other->sync().bus()->isOpen()) << other->sync().bus()->error();
        ASSERT_NE(bus->path(), other->sync().bus()->path());
        m = window->sync().messages();
        ASSERT_EQ(m.draw, other->sync().messages().draw);
        listener = std::make_unique<Listener>();
    }
    void TearDown() override {
        listener.reset();
        EXPECT_TRUE(other->waitForJobs());
        other.reset();
        SyncWindowTest::TearDown();
    }

    std::unique_ptr<Viewer> other;
    std::unique_ptr<Listener> listener;
    SyncController::Messages m;  // the same numbers in every viewer
};

// A pan of the synchronising viewer moves the other to the same centre pixel; the sender redraws when its own
// messages come back. A viewer that does not synchronise redraws at once and moves no other.
TEST_F(SyncTest, PanEndMovesTheOtherViewerToTheSameCentrePixel) {
    openScene(window.get(), 600, 400);
    openScene(other.get(), 600, 400);
    for (const bool senderSyncs : {true, false}) {
        SCOPED_TRACE(senderSyncs ? "sender synchronises" : "only the other synchronises");
        scrollAndRedraw(window.get(), 100, 100);
        scrollAndRedraw(other.get(), 20, 30);
        (senderSyncs ? window : other)->syncButton->click();
        ASSERT_TRUE(window->sync().isOn() == senderSyncs && other->sync().isOn() != senderSyncs);
        RedrawProbe ownRedraw(window.get());
        panBy(window.get(), -50, -30);  // the view follows the pointer: the centre moves right and down
        EXPECT_TRUE(isAt(window.get(), 150, 130));
        EXPECT_NE(ownRedraw.ran(), senderSyncs);
        EXPECT_EQ(pumpUntil([&] { return isAt(other.get(), 150, 130); }, senderSyncs ? 3000 : 300),
                  senderSyncs);
        EXPECT_TRUE(pumpUntil([&] { return ownRedraw.ran(); }));
        // Without corner coordinates the group is both positions, then the draw message with the line.
        settle();
        EXPECT_EQ(listener->got,
                  (senderSyncs ? Group{{m.scrollX, 150}, {m.scrollY, 130}, {m.draw, 130}} : Group{}));
        (senderSyncs ? window : other)->syncButton->click();
        listener->got.clear();
        ASSERT_TRUE(window->waitForJobs() && other->waitForJobs());
    }
}

// Latitude and longitude place the view in each receiver's own scene; a receiver without coordinates
// redraws where it is.
TEST_F(SyncTest, GeographicPositionsLandOnTheReceiversOwnPixel) {
    struct Case {
        const char* what;
        int w, h, fromX, fromY, panX, panY;  // the sender's scene, where it stands and the pan
        Corners corners;
        int32_t latitude, longitude;  // sent, in 1/10000 degree
        int rw, rh;                   // the receiver's scene, at (7, 9) before
        std::optional<Corners> receiverCorners;
        int rx, ry;
    };
    // The sender 36.0 .. 35.5 north and 139.0 .. 140.0 east; the receiver over 139.5 .. 140.5 east, 36.0 ..
    // 35.0 north. In the south, three lines from -35.0 to -35.5 and a receiver of five over 149.0 .. 151.0.
    const Corners north{36.0, 139.0, 36.0, 140.0, 35.5, 139.0, 35.5, 140.0};
    const Corners northReceiver{36.0, 139.5, 36.0, 140.5, 35.0, 139.5, 35.0, 140.5};
    const Corners south{-35.0, 150.0, -35.0, 151.0, -35.5, 150.0, -35.5, 151.0};
    const Corners southReceiver{-35.0, 149.0, -35.0, 151.0, -35.5, 149.0, -35.5, 151.0};
    const Case cases[] = {
        // Centre (600, 300): 139 + 600/999 = 139.6006 and 36 - 0.5 * 300/499 = 35.6994.
        {"receiver without coordinates", 1000, 500, 500, 200, -100, -100, north, 356994, 1396006, 1000, 500,
         std::nullopt, 7, 9},
        // Centre (700, 200): 139.7007 and 35.7996 (four decimals), in the receiver 0.2007 * 399 = 80.08 and
        // 0.2004 * 799 = 160.12.
        {"north", 1000, 500, 500, 200, -200, 0, north, 357996, 1397007, 400, 800, northReceiver, 80, 160},
        // The centre line is at -35.25 exactly: the receiver's middle line; 150.0 its middle column.
        {"south", 3, 3, 0, 1, 0, 0, south, -352500, 1500000, 5, 5, southReceiver, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window->closeAllButton->click();
        other->closeAllButton->click();
        openScene(window.get(), c.w, c.h, c.corners);
        openScene(other.get(), c.rw, c.rh, c.receiverCorners);
        scrollAndRedraw(window.get(), c.fromX, c.fromY);
        scrollAndRedraw(other.get(), 7, 9);
        if (!window->sync().isOn()) window->syncButton->click();
        settle();
        listener->got.clear();
        RedrawProbe otherRedraw(other.get());
        panBy(window.get(), c.panX, c.panY);
        ASSERT_TRUE(pumpUntil([&] { return listener->got.size() >= 3 && otherRedraw.ran(); }));
        EXPECT_EQ(listener->got,
                  (Group{{m.latitude, c.latitude}, {m.longitude, c.longitude}, {m.draw, c.fromY - c.panY}}));
        EXPECT_TRUE(isAt(other.get(), c.rx, c.ry))
            << other->scrollPosition().x() << "," << other->scrollPosition().y();
        ASSERT_TRUE(window->waitForJobs() && other->waitForJobs());
    }
}

TEST_F(SyncTest, ZoomOutChangesEveryStepZoomInOnlyItsOwn) {
    openScene(window.get(), 600, 400);
    openScene(other.get(), 600, 400);
    window->syncButton->click();
    releaseAt(window->zoomOutButton, 5, 5);
    EXPECT_EQ(window->zoomStep(), 6);
    ASSERT_TRUE(pumpUntil([&] { return other->zoomStep() == 6; }));
    releaseAt(window->zoomInButton, 5, 5);
    releaseAt(window->zoomInButton, 5, 5);
    EXPECT_EQ(window->zoomStep(), 4);
    settle(300);
    EXPECT_EQ(other->zoomStep(), 6);
    // A step outside 0..10 from the bus is brought into range.
    listener->endpoint.postToAll(m.zoomStep, 99);
    ASSERT_TRUE(pumpUntil([&] { return other->zoomStep() == 10 && window->zoomStep() == 10; }));
}

TEST_F(SyncTest, AnAxisNoViewerHasSentKeepsItsPosition) {
    // Fresh viewers for each axis: what a viewer has received is never forgotten.
    for (Qt::Orientation first : {Qt::Horizontal, Qt::Vertical}) {
        SCOPED_TRACE(first == Qt::Horizontal ? "horizontal first" : "vertical first");
        auto sender = std::make_unique<Viewer>();
        auto receiver = std::make_unique<Viewer>();
        showWindow(sender.get());
        showWindow(receiver.get());
        openScene(sender.get(), 600, 400);
        openScene(receiver.get(), 600, 400);
        scrollAndRedraw(sender.get(), 10, 50);
        scrollAndRedraw(receiver.get(), 70, 80);
        sender->syncButton->click();
        scrollTo(sender.get(), first, first == Qt::Horizontal ? 25 : 35);
        // Only the axis sent moves, in the sender as in the receiver.
        const int x = first == Qt::Horizontal ? 25 : 10, y = first == Qt::Horizontal ? 50 : 35;
        const int rx = first == Qt::Horizontal ? 25 : 70, ry = first == Qt::Horizontal ? 80 : 35;
        ASSERT_TRUE(pumpUntil([&] { return isAt(receiver.get(), rx, ry) && isAt(sender.get(), x, y); }))
            << receiver->scrollPosition().x() << "," << receiver->scrollPosition().y();
        settle(100);
        EXPECT_TRUE(isAt(receiver.get(), rx, ry));
        // Once both axes were sent, the receiver follows both.
        const Qt::Orientation second = first == Qt::Horizontal ? Qt::Vertical : Qt::Horizontal;
        scrollTo(sender.get(), second, 30);
        const int fx = first == Qt::Horizontal ? 25 : 30, fy = first == Qt::Horizontal ? 30 : 35;
        ASSERT_TRUE(pumpUntil([&] { return isAt(receiver.get(), fx, fy) && isAt(sender.get(), fx, fy); }));
        EXPECT_TRUE(sender->waitForJobs() && receiver->waitForJobs());
    }
}

// The end of a scroll announces the bar's position, then the draw message with the vertical position, once.
TEST_F(SyncTest, ScrollBarsAnnounceTheirGroups) {
    openScene(window.get(), 600, 400);
    window->syncButton->click();
    for (Qt::Orientation bar : {Qt::Horizontal, Qt::Vertical}) {
        SCOPED_TRACE(bar == Qt::Horizontal ? "horizontal" : "vertical");
        listener->got.clear();
        scrollTo(window.get(), bar, 42);
        ASSERT_TRUE(pumpUntil([&] { return listener->got.size() >= 2; }));
        settle();
        const unsigned scroll = bar == Qt::Horizontal ? m.scrollX : m.scrollY;
        EXPECT_EQ(listener->got, (Group{{scroll, 42}, {m.draw, window->scrollPosition().y()}}));
    }
}

TEST_F(SyncTest, AViewerThatDoesNotReadForAWhileEndsAtTheFinalPlace) {
    openScene(window.get(), 600, 400);
    openScene(other.get(), 600, 400);
    scrollAndRedraw(window.get(), 0, 0);
    window->syncButton->click();
    // Many gestures while no viewer reads (the event loop does not run), a zoom-out among them: far more
    // datagrams than a socket's queue holds. A pan moves (5, 3) image pixels at step 5, twice that at 6.
    for (int i = 1; i <= 40; ++i) {
        panBy(window.get(), -5, -3);
        if (i == 20) releaseAt(window->zoomOutButton, 5, 5);
    }
    ASSERT_TRUE(pumpUntil([&] { return isAt(other.get(), 300, 180) && isAt(window.get(), 300, 180); }))
        << other->scrollPosition().x() << "," << other->scrollPosition().y();
    settle(300);
    EXPECT_TRUE(isAt(other.get(), 300, 180));
    EXPECT_EQ(other->zoomStep(), 6);
    EXPECT_EQ(window->zoomStep(), 6);
}

// What a viewer received stays through closing and reopening: a draw message alone puts it back, a smaller
// scene clamps it without forgetting it.
TEST_F(SyncTest, ReceiverStateSurvivesClosingAndReopening) {
    openScene(window.get(), 600, 400);
    openScene(other.get(), 600, 400);
    window->syncButton->click();
    scrollAndRedraw(window.get(), 0, 0);
    panBy(window.get(), -40, -60);
    ASSERT_TRUE(pumpUntil([&] { return isAt(other.get(), 40, 60); }));
    for (const QPoint size : {QPoint(600, 400), QPoint(30, 20), QPoint(600, 400)}) {
        SCOPED_TRACE(size.x());
        ASSERT_TRUE(other->waitForJobs());
        other->closeAllButton->click();
        openScene(other.get(), size.x(), size.y());
        other->setScrollPosition(0, 0);
        listener->endpoint.postToAll(m.draw, 0);
        ASSERT_TRUE(pumpUntil(
            [&] { return isAt(other.get(), std::min(40, size.x() - 1), std::min(60, size.y() - 1)); }));
    }
}

// The connect message and numbers that are no viewer message change nothing; nothing was received, so a
// draw message alone leaves the view where it is.
TEST_F(SyncTest, ConnectAndUnknownNumbersChangeNothing) {
    openScene(other.get(), 600, 400);
    scrollAndRedraw(other.get(), 5, 6);
    RedrawProbe redraw(other.get());
    listener->endpoint.postToAll(m.connect, 123);
    listener->endpoint.postToAll(0xFFF0, 77);
    settle(200);
    EXPECT_FALSE(redraw.ran());
    EXPECT_TRUE(isAt(other.get(), 5, 6));
    EXPECT_EQ(other->zoomStep(), 5);
    listener->endpoint.postToAll(m.draw, 0);
    ASSERT_TRUE(pumpUntil([&] { return redraw.ran(); }));
    EXPECT_TRUE(isAt(other.get(), 5, 6));
}

// A viewer whose bus folder is refused: it cannot reach others, but a synchronising viewer still redraws
// itself after each of its gestures, and says why it is alone.
class RefusedBusTest : public SyncWindowTest {
protected:
    void SetUp() override {
        const std::string open = busDir.file("open");
        ASSERT_EQ(mkdir(open.c_str(), 0700), 0);
        ASSERT_EQ(chmod(open.c_str(), 0755), 0);
        buildWindow(open);
    }
};

TEST_F(RefusedBusTest, TheSenderStillRedrawsAndTheStatusBarSaysWhy) {
    ASSERT_FALSE(window->sync().bus()->isOpen());
    const QString hint = window->statusPanelText(0);
    EXPECT_TRUE(hint.startsWith(QStringLiteral("他のビューアとの同期は使えません: "))) << hint.toStdString();
    EXPECT_TRUE(hint.contains(QStringLiteral("他のユーザーにも開かれています"))) << hint.toStdString();

    openScene(window.get(), 600, 400);
    scrollAndRedraw(window.get(), 100, 100);
    window->syncButton->click();
    ASSERT_TRUE(window->sync().isOn());
    struct Case {
        const char* gesture;
        std::function<void(Viewer*)> run;
        int x, y, step;
    };
    const Case cases[] = {
        {"pan", [](Viewer* viewer) { panBy(viewer, -50, -30); }, 150, 130, 5},
        {"horizontal scroll", [](Viewer* viewer) { scrollTo(viewer, Qt::Horizontal, 200); }, 200, 130, 5},
        {"vertical scroll", [](Viewer* viewer) { scrollTo(viewer, Qt::Vertical, 300); }, 200, 300, 5},
        {"zoom-out", [](Viewer* viewer) { releaseAt(viewer->zoomOutButton, 5, 5); }, 200, 300, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gesture);
        ASSERT_TRUE(window->waitForJobs());
        RedrawProbe redraw(window.get());
        c.run(window.get());
        ASSERT_TRUE(pumpUntil([&] { return redraw.ran(); }));
        EXPECT_TRUE(isAt(window.get(), c.x, c.y));
        EXPECT_EQ(window->zoomStep(), c.step);
    }
    struct stat st {};
    ASSERT_EQ(stat(busDir.file("open").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);  // left as it was
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
