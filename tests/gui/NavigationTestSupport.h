// Helpers of the navigation and synchronisation tests: a private bus folder per test, an event pump that
// waits for a condition, a listener on the bus, mouse events, a scroll bar's thumb dragged as the user drags
// it, scene corners written beside a scene, and a redraw detector.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QThread>

#include <array>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "GuiTestSupport.h"
#include "platform/ViewerBus.h"

namespace navtest {

// Points ORVENNA_BUS_DIR at `path` while the object lives (windows built meanwhile bind their sockets there).
class BusFolderScope {
public:
    explicit BusFolderScope(const std::string& path) {
        if (const char* old = std::getenv("ORVENNA_BUS_DIR")) saved_ = old, hadOld_ = true;
        setenv("ORVENNA_BUS_DIR", path.c_str(), 1);
    }
    ~BusFolderScope() {
        if (hadOld_)
            setenv("ORVENNA_BUS_DIR", saved_.c_str(), 1);
        else
            unsetenv("ORVENNA_BUS_DIR");
    }

private:
    std::string saved_;
    bool hadOld_ = false;
};

using guitest::pumpUntil;

// Lets posted datagrams arrive and be handled (a short quiet period of the event loop).
inline void settle(int ms = 150) {
    pumpUntil([] { return false; }, ms);
}

// Viewer messages as they arrive: number and parameter.
using Group = std::vector<std::pair<unsigned, int32_t>>;

// A bus endpoint that records everything it receives.
struct Listener {
    Group got;
    ViewerBusEndpoint endpoint{[this](unsigned m, int32_t w) { got.emplace_back(m, w); }};
    Listener() { EXPECT_TRUE(endpoint.open()) << endpoint.error(); }
};

inline void sendMouse(QWidget* target, QEvent::Type type, int x, int y, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(x, y), target->mapToGlobal(QPointF(x, y)), button, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}
inline void pressAt(QWidget* w, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
    sendMouse(w, QEvent::MouseButtonPress, x, y, b, b);
}
inline void moveTo(QWidget* w, int x, int y, Qt::MouseButtons held = Qt::LeftButton) {
    sendMouse(w, QEvent::MouseMove, x, y, Qt::NoButton, held);
}
inline void releaseAt(QWidget* w, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
    sendMouse(w, QEvent::MouseButtonRelease, x, y, b, Qt::NoButton);
}

// Presses the thumb of `bar` where its style draws it and moves it to `position` as the bar's own drag does;
// the release ends the drag.
inline QPoint grabThumbTo(QScrollBar* bar, int position) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.pageStep = bar->pageStep();
    if (bar->orientation() == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
    const QPoint at =
        bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar).center();
    pressAt(bar, at.x(), at.y());
    bar->setSliderPosition(position);
    return at;
}
inline void dragThumbTo(QScrollBar* bar, int position) {
    const QPoint at = grabThumbTo(bar, position);
    releaseAt(bar, at.x(), at.y());
}

// A scene's corners in degrees (latitude and longitude of the top left, top right, bottom left and bottom
// right), written into the "summary.txt" of its folder.
using Corners = std::array<double, 8>;
inline void writeSummary(const std::string& folder, const Corners& c) {
    std::ofstream out(folder + "/summary.txt");
    const char* const corners[] = {"LeftTop", "RightTop", "LeftBottom", "RightBottom"};
    for (size_t i = 0; i < c.size(); ++i)
        out << "Img_ImageScene" << corners[i / 2] << (i % 2 ? "Longitude" : "Latitude") << " = " << c[i]
            << "\n";
}

// Counts the redraws the window starts; whether one started since arm().
struct RedrawProbe {
    int started = 0;
    QMetaObject::Connection connection;
    explicit RedrawProbe(MainWindow* window) {
        connection =
            QObject::connect(&window->jobs(), &orvenna::ViewerJobs::redrawStarted, [this] { ++started; });
    }
    ~RedrawProbe() { QObject::disconnect(connection); }
    void arm() { started = 0; }
    bool ran() const { return started > 0; }
};

// A shown 1100 x 700 main window, a private bus folder and a listener on it.
class ShownWindowTest : public guitest::MainWindowTest {
protected:
    void SetUp() override {
        scope = std::make_unique<BusFolderScope>(busDir.file("bus"));
        MainWindowTest::SetUp();
        window->cornerAfterOpening = true;
        window->resize(1100, 700);
        window->show();
        QCoreApplication::processEvents();
        listener = std::make_unique<Listener>();
    }
    void TearDown() override {
        listener.reset();
        MainWindowTest::TearDown();
        scope.reset();
    }

    guitest::TempDir busDir;
    std::unique_ptr<BusFolderScope> scope;
    std::unique_ptr<Listener> listener;
};

}  // namespace navtest
