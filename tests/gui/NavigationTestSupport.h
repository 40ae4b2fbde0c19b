// Helpers of the navigation and synchronisation tests: a private bus folder per test, an event pump that
// waits for a condition, a listener on the bus, mouse events, and a redraw detector.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>

#include <cstdlib>
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

// A bus endpoint that records everything it receives.
struct Listener {
    std::vector<std::pair<unsigned, int32_t>> got;
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

// Counts the redraws the window starts; whether one started since arm().
struct RedrawProbe {
    int started = 0;
    QMetaObject::Connection connection;
    explicit RedrawProbe(MainWindow* window) {
        connection = QObject::connect(&window->jobs(), &orvenna::ViewerJobs::redrawStarted, [this] { ++started; });
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
