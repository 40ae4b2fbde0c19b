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
    // Builds `form` with its bus in `busFolder`.
    void BuildForm(const std::string& busFolder) {
        scope = std::make_unique<BusFolderScope>(busFolder);
        MainWindowTest::SetUp();
        progressWindow = new ProgressWindow(form.get());
        Show(form.get());
    }
    static void Show(MainWindow* f) {
        f->resize(800, 600);
        f->show();
        QCoreApplication::processEvents();
    }

    // Opens a w x h one-band scene in `f` the way the user does (each in a folder of its own, no metadata).
    void Open(MainWindow* f, int w, int h) {
        static int counter = 0;
        const std::filesystem::path folder = dir.path() / ("scene" + std::to_string(counter++));
        std::filesystem::create_directories(folder);
        const std::string path = (folder / "scene.bil").string();
        guitest::WriteNativeScene(path, w, h, 1,
                                  [](int, int x, int y) { return uint8_t((x * 3 + y) & 0xFF); });
        f->filesToOpen = {QByteArray::fromStdString(path)};
        f->openFiles();
        ASSERT_TRUE(f->imageLoaded);
        ASSERT_EQ(f->imageWidth, w);
    }
    static void SetCorners(MainWindow* f, const Corners& c) {
        f->ulLat = c.ulLat, f->ulLon = c.ulLon, f->urLat = c.urLat, f->urLon = c.urLon;
        f->llLat = c.llLat, f->llLon = c.llLon, f->lrLat = c.lrLat, f->lrLon = c.lrLon;
        f->geoValid = true;
    }
    static void SetPosition(MainWindow* f, int x, int y) {
        f->horizontalScrollBar->setValue(x);
        f->verticalScrollBar->setValue(y);
        f->onRedrawClicked();
    }
    // A left-button pan on the view of `f` by (dx, dy) view pixels.
    static void Pan(MainWindow* f, int dx, int dy) {
        Press(f->view, 300, 300);
        Move(f->view, 300 + dx, 300 + dy);
        Release(f->view, 300 + dx, 300 + dy);
    }
    // The end of a scroll of one bar to `position`, as the bar reports it.
    static void ScrollTo(MainWindow* f, Qt::Orientation bar, int position) {
        if (bar == Qt::Horizontal) {
            f->horizontalScrollBar->setValue(position);
            f->onHorizontalScroll(orvenna::ScrollCode::EndScroll, position);
        } else {
            f->verticalScrollBar->setValue(position);
            f->onVerticalScroll(orvenna::ScrollCode::EndScroll, position);
        }
    }
    static bool At(MainWindow* f, int x, int y) {
        return f->horizontalScrollBar->value() == x && f->verticalScrollBar->value() == y;
    }

    guitest::TempDir busDir;
    std::unique_ptr<BusFolderScope> scope;
};

// Two windows on one bus, and a listener that records the traffic.
class SyncTest : public SyncWindowTest {
protected:
    void SetUp() override {
        BuildForm(busDir.file("bus"));
        other = std::make_unique<MainWindow>();
        Show(other.get());
        ASSERT_TRUE(form->bus->isOpen()) << form->bus->error();
        ASSERT_TRUE(other->bus->isOpen()) << other->bus->error();
        ASSERT_NE(form->bus->path(), other->bus->path());
        ASSERT_EQ(form->drawMessage, other->drawMessage);
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
    Open(form.get(), 600, 400);
    Open(other.get(), 600, 400);
    SetPosition(form.get(), 100, 100);
    form->syncButton->click();
    ASSERT_TRUE(form->syncOn);
    RedrawProbe ownRedraw(form.get());
    Pan(form.get(), -50, -30);  // the view follows the pointer: the centre moves right and down
    EXPECT_TRUE(At(form.get(), 150, 130));
    EXPECT_FALSE(ownRedraw.Ran());  // the sender redraws when its own messages come back
    ASSERT_TRUE(PumpUntil([&] { return At(other.get(), 150, 130); }));
    EXPECT_TRUE(PumpUntil([&] { return ownRedraw.Ran(); }));
    // Without corner coordinates the group is both positions, then the draw message with the line.
    ASSERT_TRUE(PumpUntil([&] { return listener->got.size() >= 3; }));
    const std::vector<std::pair<unsigned, int32_t>> group = {
        {form->scrollXMessage, 150}, {form->scrollYMessage, 130}, {form->drawMessage, 130}};
    EXPECT_EQ(listener->got, group);
    EXPECT_FALSE(other->syncByGeo);
    EXPECT_EQ(other->syncScrollX, 150);
}

TEST_F(SyncTest, WithSynchronisationOnlyInTheOtherNothingMoves) {
    Open(form.get(), 600, 400);
    Open(other.get(), 600, 400);
    SetPosition(other.get(), 20, 30);
    other->syncButton->click();
    ASSERT_TRUE(other->syncOn);
    ASSERT_FALSE(form->syncOn);
    RedrawProbe ownRedraw(form.get());
    Pan(form.get(), -50, -30);
    EXPECT_TRUE(At(form.get(), 50, 30));
    EXPECT_TRUE(ownRedraw.Ran());  // not synchronising: redrawn at once
    Settle(300);
    EXPECT_TRUE(At(other.get(), 20, 30));
    EXPECT_TRUE(listener->got.empty());
}

TEST_F(SyncTest, GeographicPositionLandsOnTheReceiversOwnPixel) {
    // Sender: 1000 x 500 over 139.0 .. 140.0 east, 36.0 .. 35.5 north. Receiver: 400 x 800 over
    // 139.5 .. 140.5 east, 36.0 .. 35.0 north. Both axis-parallel.
    Open(form.get(), 1000, 500);
    Open(other.get(), 400, 800);
    SetCorners(form.get(), {36.0, 139.0, 36.0, 140.0, 35.5, 139.0, 35.5, 140.0});
    SetCorners(other.get(), {36.0, 139.5, 36.0, 140.5, 35.0, 139.5, 35.0, 140.5});
    SetPosition(form.get(), 500, 200);
    SetPosition(other.get(), 7, 9);
    form->syncButton->click();
    Pan(form.get(), -200, 0);  // centre (700, 200)
    ASSERT_TRUE(At(form.get(), 700, 200));
    // 139 + 700/999 = 139.7007 and 36 - 0.5 * 200/499 = 35.7996 (four decimals).
    ASSERT_TRUE(PumpUntil([&] { return listener->got.size() >= 3; }));
    const std::vector<std::pair<unsigned, int32_t>> group = {
        {form->latitudeMessage, 357996}, {form->longitudeMessage, 1397007}, {form->drawMessage, 200}};
    EXPECT_EQ(listener->got, group);
    // Receiver: (139.7007 - 139.5) / 1 * 399 = 80.08 and (36 - 35.7996) / 1 * 799 = 160.12.
    ASSERT_TRUE(PumpUntil([&] { return other->syncByGeo && At(other.get(), 80, 160); }))
        << other->horizontalScrollBar->value() << "," << other->verticalScrollBar->value();
    EXPECT_FLOAT_EQ(other->syncLatitude, 35.7996f);
    EXPECT_FLOAT_EQ(other->syncLongitude, 139.7007f);
}

TEST_F(SyncTest, ReceiverWithoutCoordinatesStaysWhereItIs) {
    Open(form.get(), 1000, 500);
    Open(other.get(), 1000, 500);
    SetCorners(form.get(), {36.0, 139.0, 36.0, 140.0, 35.5, 139.0, 35.5, 140.0});
    SetPosition(other.get(), 33, 44);
    form->syncButton->click();
    RedrawProbe otherRedraw(other.get());
    Pan(form.get(), -100, -100);
    ASSERT_TRUE(PumpUntil([&] { return otherRedraw.Ran(); }));
    EXPECT_TRUE(other->syncByGeo);
    EXPECT_TRUE(At(other.get(), 33, 44));
    EXPECT_EQ(other->syncScrollX, 33);
    EXPECT_EQ(other->syncScrollY, 44);
}

TEST_F(SyncTest, ZoomOutChangesEveryStepZoomInOnlyItsOwn) {
    Open(form.get(), 600, 400);
    Open(other.get(), 600, 400);
    form->syncButton->click();
    Release(form->zoomOutButton, 5, 5);
    EXPECT_EQ(form->zoomStep, 6);
    ASSERT_TRUE(PumpUntil([&] { return other->zoomStep == 6; }));
    Release(form->zoomInButton, 5, 5);
    Release(form->zoomInButton, 5, 5);
    EXPECT_EQ(form->zoomStep, 4);
    Settle(300);
    EXPECT_EQ(other->zoomStep, 6);
    // A step outside 0..10 from the bus is brought into range.
    listener->endpoint.postToAll(form->zoomStepMessage, 99);
    ASSERT_TRUE(PumpUntil([&] { return other->zoomStep == 10 && form->zoomStep == 10; }));
}

TEST_F(SyncTest, SouthernLatitudeTravelsAndComesBack) {
    // Three lines from -35.0 to -35.5: the centre line is at -35.25 exactly.
    Open(form.get(), 3, 3);
    SetCorners(form.get(), {-35.0, 150.0, -35.0, 151.0, -35.5, 150.0, -35.5, 151.0});
    form->horizontalScrollBar->setValue(0);
    form->verticalScrollBar->setValue(1);
    form->syncButton->click();
    Pan(form.get(), 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return listener->got.size() >= 3; }));
    EXPECT_EQ(listener->got[0], std::make_pair(form->latitudeMessage, int32_t(-352500)));
    EXPECT_EQ(listener->got[1], std::make_pair(form->longitudeMessage, int32_t(1500000)));
    ASSERT_TRUE(PumpUntil([&] { return other->syncByGeo; }));
    EXPECT_EQ(other->syncLatitude, -35.25f);
    EXPECT_EQ(other->syncLongitude, 150.0f);
}

TEST_F(SyncTest, AnAxisNoViewerHasSentKeepsItsPosition) {
    // Fresh viewers for each axis: what a viewer has received is never forgotten.
    for (Qt::Orientation first : {Qt::Horizontal, Qt::Vertical}) {
        SCOPED_TRACE(first == Qt::Horizontal ? "horizontal first" : "vertical first");
        auto sender = std::make_unique<MainWindow>();
        auto receiver = std::make_unique<MainWindow>();
        Show(sender.get());
        Show(receiver.get());
        Open(sender.get(), 600, 400);
        Open(receiver.get(), 600, 400);
        SetPosition(sender.get(), 10, 50);
        SetPosition(receiver.get(), 70, 80);
        sender->syncButton->click();
        ScrollTo(sender.get(), first, first == Qt::Horizontal ? 25 : 35);
        // Only the axis sent moves, in the sender as in the receiver.
        const int x = first == Qt::Horizontal ? 25 : 10, y = first == Qt::Horizontal ? 50 : 35;
        const int rx = first == Qt::Horizontal ? 25 : 70, ry = first == Qt::Horizontal ? 80 : 35;
        ASSERT_TRUE(PumpUntil([&] { return At(receiver.get(), rx, ry) && At(sender.get(), x, y); }))
            << receiver->horizontalScrollBar->value() << "," << receiver->verticalScrollBar->value();
        Settle(100);
        EXPECT_TRUE(At(receiver.get(), rx, ry));
        // Once both axes were sent, the receiver follows both.
        const Qt::Orientation second = first == Qt::Horizontal ? Qt::Vertical : Qt::Horizontal;
        ScrollTo(sender.get(), second, 30);
        const int fx = first == Qt::Horizontal ? 25 : 30, fy = first == Qt::Horizontal ? 30 : 35;
        ASSERT_TRUE(PumpUntil([&] { return At(receiver.get(), fx, fy) && At(sender.get(), fx, fy); }));
    }
}

// The end of a scroll announces the bar's position, then the draw message with the vertical position.
TEST_F(SyncTest, ScrollBarsAnnounceTheirGroups) {
    Open(form.get(), 600, 400);
    form->syncButton->click();
    for (Qt::Orientation bar : {Qt::Horizontal, Qt::Vertical}) {
        SCOPED_TRACE(bar == Qt::Horizontal ? "horizontal" : "vertical");
        listener->got.clear();
        ScrollTo(form.get(), bar, 42);
        ASSERT_TRUE(PumpUntil([&] { return listener->got.size() >= 2; }));
        const unsigned scroll = bar == Qt::Horizontal ? form->scrollXMessage : form->scrollYMessage;
        EXPECT_EQ(listener->got[0], std::make_pair(scroll, int32_t(42)));
        EXPECT_EQ(listener->got[1],
                  std::make_pair(form->drawMessage, int32_t(form->verticalScrollBar->value())));
    }
}

TEST_F(SyncTest, AViewerThatDoesNotReadForAWhileEndsAtTheFinalPlace) {
    Open(form.get(), 600, 400);
    Open(other.get(), 600, 400);
    form->syncButton->click();
    // Many gestures while no viewer reads (the event loop does not run), a zoom-out among them: far more
    // datagrams than a socket's queue holds.
    for (int i = 1; i <= 40; ++i) {
        ScrollTo(form.get(), Qt::Horizontal, 5 * i);
        ScrollTo(form.get(), Qt::Vertical, 3 * i);
        if (i == 20) Release(form->zoomOutButton, 5, 5);
    }
    ASSERT_TRUE(PumpUntil([&] { return At(other.get(), 200, 120) && At(form.get(), 200, 120); }))
        << other->horizontalScrollBar->value() << "," << other->verticalScrollBar->value();
    Settle(300);
    EXPECT_TRUE(At(other.get(), 200, 120));
    EXPECT_EQ(other->zoomStep, 6);
    EXPECT_EQ(form->zoomStep, 6);
}

TEST_F(SyncTest, ReceiverStateSurvivesClosingAndReopening) {
    Open(form.get(), 600, 400);
    Open(other.get(), 600, 400);
    form->syncButton->click();
    SetPosition(form.get(), 0, 0);
    Pan(form.get(), -40, -60);
    ASSERT_TRUE(PumpUntil([&] { return At(other.get(), 40, 60); }));
    other->closeAll();
    Open(other.get(), 600, 400);
    EXPECT_EQ(other->syncScrollX, 40);
    EXPECT_EQ(other->syncScrollY, 60);
    // A draw message alone puts the remembered position back; a smaller scene clamps it.
    other->horizontalScrollBar->setValue(0);
    other->verticalScrollBar->setValue(0);
    listener->endpoint.postToAll(form->drawMessage, 0);
    ASSERT_TRUE(PumpUntil([&] { return At(other.get(), 40, 60); }));
    other->closeAll();
    Open(other.get(), 30, 20);
    listener->endpoint.postToAll(form->drawMessage, 0);
    ASSERT_TRUE(PumpUntil([&] { return At(other.get(), 29, 19); }));
    EXPECT_EQ(other->syncScrollX, 40);
}

TEST_F(SyncTest, ConnectAndUnknownNumbersChangeNothing) {
    Open(other.get(), 600, 400);
    SetPosition(other.get(), 5, 6);
    RedrawProbe redraw(other.get());
    listener->endpoint.postToAll(form->connectMessage, 123);
    listener->endpoint.postToAll(0xFFF0, 77);
    Settle(200);
    EXPECT_FALSE(redraw.Ran());
    EXPECT_TRUE(At(other.get(), 5, 6));
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
        BuildForm(open);
    }
};

TEST_F(RefusedBusTest, TheSenderStillRedrawsAndTheStatusBarSaysWhy) {
    ASSERT_FALSE(form->bus->isOpen());
    const QString hint = form->statusPanelText(0);
    EXPECT_TRUE(hint.startsWith(QStringLiteral("他のビューアとの同期は使えません: "))) << hint.toStdString();
    EXPECT_TRUE(hint.contains(QStringLiteral("他のユーザーにも開かれています"))) << hint.toStdString();

    Open(form.get(), 600, 400);
    SetPosition(form.get(), 100, 100);
    form->syncButton->click();
    ASSERT_TRUE(form->syncOn);
    struct Case {
        const char* gesture;
        std::function<void(MainWindow*)> run;
        int x, y, step;
    };
    const Case cases[] = {
        {"pan", [](MainWindow* f) { Pan(f, -50, -30); }, 150, 130, 5},
        {"horizontal scroll", [](MainWindow* f) { ScrollTo(f, Qt::Horizontal, 200); }, 200, 130, 5},
        {"vertical scroll", [](MainWindow* f) { ScrollTo(f, Qt::Vertical, 300); }, 200, 300, 5},
        {"zoom-out", [](MainWindow* f) { Release(f->zoomOutButton, 5, 5); }, 200, 300, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gesture);
        RedrawProbe redraw(form.get());
        c.run(form.get());
        ASSERT_TRUE(PumpUntil([&] { return redraw.Ran(); }));
        EXPECT_TRUE(At(form.get(), c.x, c.y));
        EXPECT_EQ(form->zoomStep, c.step);
    }
    struct stat st {};
    ASSERT_EQ(stat(busDir.file("open").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);  // left as it was
}

}  // namespace

ORVENNA_GUI_TEST_MAIN()
