// Synchronising viewers: two main windows in one process, each on its own socket of one bus folder. Pans,
// scrolls and zoom-outs of the synchronising window reach both, also when a viewer does not read for a while;
// positions travel as pixels or as latitude and longitude mapped into each receiver's scene. A viewer whose
// bus folder is refused still answers its own gestures.
#include <QScrollBar>
#include <QToolButton>

#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "GuiTestSupport.h"
#include "NavigationTestSupport.h"
#include "dialogs/ProgressWindow.h"
#include "display/Navigator.h"
#include "platform/ImageControl.h"

using namespace navtest;

namespace {

struct Corners {
    double ulLat, ulLon, urLat, urLon, llLat, llLon, lrLat, lrLon;
};

// Scene opening and gestures shared by the fixtures below.
class SyncWindowTest : public guitest::MainWindowTest {
protected:
    void TearDown() override {
        progressWindow = nullptr;
        MainWindowTest::TearDown();
        scope.reset();
    }
    // Builds `window` with its bus in `busFolder`.
    void buildWindow(const std::string& busFolder) {
        scope = std::make_unique<BusFolderScope>(busFolder);
        MainWindowTest::SetUp();
        progressWindow = new ProgressWindow(window.get());
        showWindow(window.get());
    }
    static void showWindow(MainWindow* viewer) {
        viewer->resize(800, 600);
        viewer->show();
        QCoreApplication::processEvents();
    }

    // Opens a w x h one-band scene in `viewer` the way the user does (each in a folder of its own, no
    // metadata).
    void openScene(MainWindow* viewer, int w, int h) {
        static int counter = 0;
        const std::filesystem::path folder = dir.path() / ("scene" + std::to_string(counter++));
        std::filesystem::create_directories(folder);
        const std::string path = (folder / "scene.bil").string();
        guitest::writeNativeScene(path, w, h, 1,
                                  [](int, int x, int y) { return uint8_t((x * 3 + y) & 0xFF); });
        viewer->filesToOpen = {QByteArray::fromStdString(path)};
        viewer->openFiles();
        ASSERT_TRUE(viewer->imageLoaded);
        ASSERT_EQ(viewer->imageWidth, w);
    }
    static void setCorners(MainWindow* viewer, const Corners& c) {
        viewer->ulLat = c.ulLat, viewer->ulLon = c.ulLon, viewer->urLat = c.urLat, viewer->urLon = c.urLon;
        viewer->llLat = c.llLat, viewer->llLon = c.llLon, viewer->lrLat = c.lrLat, viewer->lrLon = c.lrLon;
        viewer->geoValid = true;
    }
    static void scrollAndRedraw(MainWindow* viewer, int x, int y) {
        viewer->horizontalScrollBar->setValue(x);
        viewer->verticalScrollBar->setValue(y);
        viewer->onRedrawClicked();
    }
    // A left-button pan on the view of `viewer` by (dx, dy) view pixels.
    static void panBy(MainWindow* viewer, int dx, int dy) {
        pressAt(viewer->view, 300, 300);
        moveTo(viewer->view, 300 + dx, 300 + dy);
        releaseAt(viewer->view, 300 + dx, 300 + dy);
    }
    // The end of a scroll of one bar to `position`, as the bar reports it.
    static void endScrollAt(MainWindow* viewer, Qt::Orientation bar, int position) {
        if (bar == Qt::Horizontal) {
            viewer->horizontalScrollBar->setValue(position);
            viewer->onHorizontalScroll(orvenna::ScrollCode::EndScroll, position);
        } else {
            viewer->verticalScrollBar->setValue(position);
            viewer->onVerticalScroll(orvenna::ScrollCode::EndScroll, position);
        }
    }
    static bool isAt(MainWindow* viewer, int x, int y) {
        return viewer->horizontalScrollBar->value() == x && viewer->verticalScrollBar->value() == y;
    }

    guitest::TempDir busDir;
    std::unique_ptr<BusFolderScope> scope;
};

// Two windows on one bus, and a listener that records the traffic.
class SyncTest : public SyncWindowTest {
protected:
    void SetUp() override {
        buildWindow(busDir.file("bus"));
        other = std::make_unique<MainWindow>();
        showWindow(other.get());
        ASSERT_TRUE(window->bus->isOpen()) << window->bus->error();
        ASSERT_TRUE(other->bus->isOpen()) << other->bus->error();
        ASSERT_NE(window->bus->path(), other->bus->path());
        ASSERT_EQ(window->drawMessage, other->drawMessage);
        listener = std::make_unique<Listener>();
    }
    void TearDown() override {
        listener.reset();
        other.reset();
        SyncWindowTest::TearDown();
    }

    std::unique_ptr<MainWindow> other;
    std::unique_ptr<Listener> listener;
};

TEST_F(SyncTest, PanEndMovesTheOtherViewerToTheSameCentrePixel) {
    openScene(window.get(), 600, 400);
    openScene(other.get(), 600, 400);
    scrollAndRedraw(window.get(), 100, 100);
    window->syncButton->click();
    ASSERT_TRUE(window->syncOn);
    RedrawProbe ownRedraw(window.get());
    panBy(window.get(), -50, -30);  // the view follows the pointer: the centre moves right and down
    EXPECT_TRUE(isAt(window.get(), 150, 130));
    EXPECT_FALSE(ownRedraw.ran());  // the sender redraws when its own messages come back
    ASSERT_TRUE(pumpUntil([&] { return isAt(other.get(), 150, 130); }));
    EXPECT_TRUE(pumpUntil([&] { return ownRedraw.ran(); }));
    // Without corner coordinates the group is both positions, then the draw message with the line.
    ASSERT_TRUE(pumpUntil([&] { return listener->got.size() >= 3; }));
    const std::vector<std::pair<unsigned, int32_t>> group = {
        {window->scrollXMessage, 150}, {window->scrollYMessage, 130}, {window->drawMessage, 130}};
    EXPECT_EQ(listener->got, group);
    EXPECT_FALSE(other->syncByGeo);
    EXPECT_EQ(other->syncScrollX, 150);
}

TEST_F(SyncTest, WithSynchronisationOnlyInTheOtherNothingMoves) {
    openScene(window.get(), 600, 400);
    openScene(other.get(), 600, 400);
    scrollAndRedraw(other.get(), 20, 30);
    other->syncButton->click();
    ASSERT_TRUE(other->syncOn);
    ASSERT_FALSE(window->syncOn);
    RedrawProbe ownRedraw(window.get());
    panBy(window.get(), -50, -30);
    EXPECT_TRUE(isAt(window.get(), 50, 30));
    EXPECT_TRUE(ownRedraw.ran());  // not synchronising: redrawn at once
    settle(300);
    EXPECT_TRUE(isAt(other.get(), 20, 30));
    EXPECT_TRUE(listener->got.empty());
}

TEST_F(SyncTest, GeographicPositionLandsOnTheReceiversOwnPixel) {
    // Sender: 1000 x 500 over 139.0 .. 140.0 east, 36.0 .. 35.5 north. Receiver: 400 x 800 over
    // 139.5 .. 140.5 east, 36.0 .. 35.0 north. Both axis-parallel.
    openScene(window.get(), 1000, 500);
    openScene(other.get(), 400, 800);
    setCorners(window.get(), {36.0, 139.0, 36.0, 140.0, 35.5, 139.0, 35.5, 140.0});
    setCorners(other.get(), {36.0, 139.5, 36.0, 140.5, 35.0, 139.5, 35.0, 140.5});
    scrollAndRedraw(window.get(), 500, 200);
    scrollAndRedraw(other.get(), 7, 9);
    window->syncButton->click();
    panBy(window.get(), -200, 0);  // centre (700, 200)
    ASSERT_TRUE(isAt(window.get(), 700, 200));
    // 139 + 700/999 = 139.7007 and 36 - 0.5 * 200/499 = 35.7996 (four decimals).
    ASSERT_TRUE(pumpUntil([&] { return listener->got.size() >= 3; }));
    const std::vector<std::pair<unsigned, int32_t>> group = {
        {window->latitudeMessage, 357996}, {window->longitudeMessage, 1397007}, {window->drawMessage, 200}};
    EXPECT_EQ(listener->got, group);
    // Receiver: (139.7007 - 139.5) / 1 * 399 = 80.08 and (36 - 35.7996) / 1 * 799 = 160.12.
    ASSERT_TRUE(pumpUntil([&] { return other->syncByGeo && isAt(other.get(), 80, 160); }))
        << other->horizontalScrollBar->value() << "," << other->verticalScrollBar->value();
    EXPECT_FLOAT_EQ(other->syncLatitude, 35.7996f);
    EXPECT_FLOAT_EQ(other->syncLongitude, 139.7007f);
}

TEST_F(SyncTest, ReceiverWithoutCoordinatesStaysWhereItIs) {
    openScene(window.get(), 1000, 500);
    openScene(other.get(), 1000, 500);
    setCorners(window.get(), {36.0, 139.0, 36.0, 140.0, 35.5, 139.0, 35.5, 140.0});
    scrollAndRedraw(other.get(), 33, 44);
    window->syncButton->click();
    RedrawProbe otherRedraw(other.get());
    panBy(window.get(), -100, -100);
    ASSERT_TRUE(pumpUntil([&] { return otherRedraw.ran(); }));
    EXPECT_TRUE(other->syncByGeo);
    EXPECT_TRUE(isAt(other.get(), 33, 44));
    EXPECT_EQ(other->syncScrollX, 33);
    EXPECT_EQ(other->syncScrollY, 44);
}

TEST_F(SyncTest, ZoomOutChangesEveryStepZoomInOnlyItsOwn) {
    openScene(window.get(), 600, 400);
    openScene(other.get(), 600, 400);
    window->syncButton->click();
    releaseAt(window->zoomOutButton, 5, 5);
    EXPECT_EQ(window->zoomStep, 6);
    ASSERT_TRUE(pumpUntil([&] { return other->zoomStep == 6; }));
    releaseAt(window->zoomInButton, 5, 5);
    releaseAt(window->zoomInButton, 5, 5);
    EXPECT_EQ(window->zoomStep, 4);
    settle(300);
    EXPECT_EQ(other->zoomStep, 6);
    // A step outside 0..10 from the bus is brought into range.
    listener->endpoint.postToAll(window->zoomStepMessage, 99);
    ASSERT_TRUE(pumpUntil([&] { return other->zoomStep == 10 && window->zoomStep == 10; }));
}

TEST_F(SyncTest, SouthernLatitudeTravelsAndComesBack) {
    // Three lines from -35.0 to -35.5: the centre line is at -35.25 exactly.
    openScene(window.get(), 3, 3);
    setCorners(window.get(), {-35.0, 150.0, -35.0, 151.0, -35.5, 150.0, -35.5, 151.0});
    window->horizontalScrollBar->setValue(0);
    window->verticalScrollBar->setValue(1);
    window->syncButton->click();
    panBy(window.get(), 0, 0);
    ASSERT_TRUE(pumpUntil([&] { return listener->got.size() >= 3; }));
    EXPECT_EQ(listener->got[0], std::make_pair(window->latitudeMessage, int32_t(-352500)));
    EXPECT_EQ(listener->got[1], std::make_pair(window->longitudeMessage, int32_t(1500000)));
    ASSERT_TRUE(pumpUntil([&] { return other->syncByGeo; }));
    EXPECT_EQ(other->syncLatitude, -35.25f);
    EXPECT_EQ(other->syncLongitude, 150.0f);
}

TEST_F(SyncTest, AnAxisNoViewerHasSentKeepsItsPosition) {
    // Fresh viewers for each axis: what a viewer has received is never forgotten.
    for (Qt::Orientation first : {Qt::Horizontal, Qt::Vertical}) {
        SCOPED_TRACE(first == Qt::Horizontal ? "horizontal first" : "vertical first");
        auto sender = std::make_unique<MainWindow>();
        auto receiver = std::make_unique<MainWindow>();
        showWindow(sender.get());
        showWindow(receiver.get());
        openScene(sender.get(), 600, 400);
        openScene(receiver.get(), 600, 400);
        scrollAndRedraw(sender.get(), 10, 50);
        scrollAndRedraw(receiver.get(), 70, 80);
        sender->syncButton->click();
        endScrollAt(sender.get(), first, first == Qt::Horizontal ? 25 : 35);
        // Only the axis sent moves, in the sender as in the receiver.
        const int x = first == Qt::Horizontal ? 25 : 10, y = first == Qt::Horizontal ? 50 : 35;
        const int rx = first == Qt::Horizontal ? 25 : 70, ry = first == Qt::Horizontal ? 80 : 35;
        ASSERT_TRUE(pumpUntil([&] { return isAt(receiver.get(), rx, ry) && isAt(sender.get(), x, y); }))
            << receiver->horizontalScrollBar->value() << "," << receiver->verticalScrollBar->value();
        settle(100);
        EXPECT_TRUE(isAt(receiver.get(), rx, ry));
        // Once both axes were sent, the receiver follows both.
        const Qt::Orientation second = first == Qt::Horizontal ? Qt::Vertical : Qt::Horizontal;
        endScrollAt(sender.get(), second, 30);
        const int fx = first == Qt::Horizontal ? 25 : 30, fy = first == Qt::Horizontal ? 30 : 35;
        ASSERT_TRUE(pumpUntil([&] { return isAt(receiver.get(), fx, fy) && isAt(sender.get(), fx, fy); }));
    }
}

// The end of a scroll announces the bar's position, then the draw message with the vertical position.
TEST_F(SyncTest, ScrollBarsAnnounceTheirGroups) {
    openScene(window.get(), 600, 400);
    window->syncButton->click();
    for (Qt::Orientation bar : {Qt::Horizontal, Qt::Vertical}) {
        SCOPED_TRACE(bar == Qt::Horizontal ? "horizontal" : "vertical");
        listener->got.clear();
        endScrollAt(window.get(), bar, 42);
        ASSERT_TRUE(pumpUntil([&] { return listener->got.size() >= 2; }));
        const unsigned scroll = bar == Qt::Horizontal ? window->scrollXMessage : window->scrollYMessage;
        EXPECT_EQ(listener->got[0], std::make_pair(scroll, int32_t(42)));
        EXPECT_EQ(listener->got[1],
                  std::make_pair(window->drawMessage, int32_t(window->verticalScrollBar->value())));
    }
}

TEST_F(SyncTest, AViewerThatDoesNotReadForAWhileEndsAtTheFinalPlace) {
    openScene(window.get(), 600, 400);
    openScene(other.get(), 600, 400);
    window->syncButton->click();
    // Many gestures while no viewer reads (the event loop does not run), a zoom-out among them: far more
    // datagrams than a socket's queue holds.
    for (int i = 1; i <= 40; ++i) {
        endScrollAt(window.get(), Qt::Horizontal, 5 * i);
        endScrollAt(window.get(), Qt::Vertical, 3 * i);
        if (i == 20) releaseAt(window->zoomOutButton, 5, 5);
    }
    ASSERT_TRUE(pumpUntil([&] { return isAt(other.get(), 200, 120) && isAt(window.get(), 200, 120); }))
        << other->horizontalScrollBar->value() << "," << other->verticalScrollBar->value();
    settle(300);
    EXPECT_TRUE(isAt(other.get(), 200, 120));
    EXPECT_EQ(other->zoomStep, 6);
    EXPECT_EQ(window->zoomStep, 6);
}

TEST_F(SyncTest, ReceiverStateSurvivesClosingAndReopening) {
    openScene(window.get(), 600, 400);
    openScene(other.get(), 600, 400);
    window->syncButton->click();
    scrollAndRedraw(window.get(), 0, 0);
    panBy(window.get(), -40, -60);
    ASSERT_TRUE(pumpUntil([&] { return isAt(other.get(), 40, 60); }));
    other->closeAll();
    openScene(other.get(), 600, 400);
    EXPECT_EQ(other->syncScrollX, 40);
    EXPECT_EQ(other->syncScrollY, 60);
    // A draw message alone puts the remembered position back; a smaller scene clamps it.
    other->horizontalScrollBar->setValue(0);
    other->verticalScrollBar->setValue(0);
    listener->endpoint.postToAll(window->drawMessage, 0);
    ASSERT_TRUE(pumpUntil([&] { return isAt(other.get(), 40, 60); }));
    other->closeAll();
    openScene(other.get(), 30, 20);
    listener->endpoint.postToAll(window->drawMessage, 0);
    ASSERT_TRUE(pumpUntil([&] { return isAt(other.get(), 29, 19); }));
    EXPECT_EQ(other->syncScrollX, 40);
}

TEST_F(SyncTest, ConnectAndUnknownNumbersChangeNothing) {
    openScene(other.get(), 600, 400);
    scrollAndRedraw(other.get(), 5, 6);
    RedrawProbe redraw(other.get());
    listener->endpoint.postToAll(window->connectMessage, 123);
    listener->endpoint.postToAll(0xFFF0, 77);
    settle(200);
    EXPECT_FALSE(redraw.ran());
    EXPECT_TRUE(isAt(other.get(), 5, 6));
    EXPECT_EQ(other->syncScrollX, 0);
    EXPECT_EQ(other->zoomStep, 5);
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
    ASSERT_FALSE(window->bus->isOpen());
    const QString hint = window->statusPanelText(0);
    EXPECT_TRUE(hint.startsWith(QStringLiteral("他のビューアとの同期は使えません: "))) << hint.toStdString();
    EXPECT_TRUE(hint.contains(QStringLiteral("他のユーザーにも開かれています"))) << hint.toStdString();

    openScene(window.get(), 600, 400);
    scrollAndRedraw(window.get(), 100, 100);
    window->syncButton->click();
    ASSERT_TRUE(window->syncOn);
    struct Case {
        const char* gesture;
        std::function<void(MainWindow*)> run;
        int x, y, step;
    };
    const Case cases[] = {
        {"pan", [](MainWindow* viewer) { panBy(viewer, -50, -30); }, 150, 130, 5},
        {"horizontal scroll", [](MainWindow* viewer) { endScrollAt(viewer, Qt::Horizontal, 200); }, 200, 130,
         5},
        {"vertical scroll", [](MainWindow* viewer) { endScrollAt(viewer, Qt::Vertical, 300); }, 200, 300, 5},
        {"zoom-out", [](MainWindow* viewer) { releaseAt(viewer->zoomOutButton, 5, 5); }, 200, 300, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gesture);
        RedrawProbe redraw(window.get());
        c.run(window.get());
        ASSERT_TRUE(pumpUntil([&] { return redraw.ran(); }));
        EXPECT_TRUE(isAt(window.get(), c.x, c.y));
        EXPECT_EQ(window->zoomStep, c.step);
    }
    struct stat st {};
    ASSERT_EQ(stat(busDir.file("open").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);  // left as it was
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
