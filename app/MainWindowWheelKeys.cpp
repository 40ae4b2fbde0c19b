// The view's wheel and keys. The wheel zooms around the pointer (Shift: sideways, Ctrl: up and down; over a
// scroll bar: along it); with the picture focused the arrow keys pan, + and - zoom around the view centre and
// Home centres the scene. A scroll ends as a scroll bar's: a redraw, or with synchronisation on the bar's
// position announced. The zooms and pans they ask for are in MainWindowViewCommands.cpp.
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

#include "app/MainWindow.h"
#include "display/ViewGeometry.h"
#include "platform/ImageControl.h"

namespace {

// The view's wheel turns and key presses, and the scroll bars' wheel turns, go to the window's handlers.
class ViewWheelAndKeys : public QObject {
public:
    explicit ViewWheelAndKeys(MainWindow* window) : QObject(window), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Wheel) {
            auto* wheel = static_cast<QWheelEvent*>(event);
            if (watched == window_->view)
                window_->onViewWheel(wheel);
            else
                window_->onScrollBarWheel(watched == window_->horizontalScrollBar, wheel);
            return true;
        }
        if (event->type() == QEvent::KeyPress && watched == window_->view)
            return window_->onViewKeyPress(static_cast<QKeyEvent*>(event));
        return false;
    }

private:
    MainWindow* window_;
};

}  // namespace

void MainWindow::installWheelAndKeyHandlers() {
    // A click on the picture gives it the keyboard, so that the keys below reach it (Tab reaches it too).
    view->setFocusPolicy(Qt::StrongFocus);
    // A scroll bar's own wheel would move one image pixel a notch; it scrolls as Shift or Ctrl + wheel does.
    auto* wheelAndKeys = new ViewWheelAndKeys(this);
    for (QWidget* watched : {static_cast<QWidget*>(view), static_cast<QWidget*>(horizontalScrollBar),
                             static_cast<QWidget*>(verticalScrollBar)})
        watched->installEventFilter(wheelAndKeys);
}

// ---- The wheel ----------------------------------------------------------------------------------------

void MainWindow::onViewWheel(QWheelEvent* event) {
    event->accept();
    if (!imageLoaded || panning || zoomDragging) return;
    const QPoint delta = event->angleDelta();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (modifiers & Qt::ShiftModifier) {
        // Some systems turn Shift + wheel into a sideways turn themselves.
        wheelScroll(true, delta.y() != 0 ? delta.y() : delta.x());
    } else if (modifiers & Qt::ControlModifier) {
        wheelScroll(false, delta.y());
    } else if (std::abs(delta.x()) > std::abs(delta.y())) {
        wheelScroll(true, delta.x());  // a tilted wheel or a sideways swipe
    } else {
        // Turning away from the user magnifies, one step a notch.
        const int notches = wheelZoom.notches(delta.y());
        if (notches == 0) return;
        const QPoint at = event->position().toPoint();
        zoomAround(-notches, at.x(), at.y());
    }
}

void MainWindow::onScrollBarWheel(bool horizontal, QWheelEvent* event) {
    event->accept();
    if (!imageLoaded || panning || zoomDragging) return;
    const QPoint delta = event->angleDelta();
    wheelScroll(horizontal, std::abs(delta.x()) > std::abs(delta.y()) ? delta.x() : delta.y());
}

void MainWindow::wheelScroll(bool horizontal, int delta) {
    // A notch moves a tenth of the view; turning towards the user moves down (or right).
    const int viewSize = horizontal ? view->width() : view->height();
    const double perNotch = viewSize / 10.0 / orvenna::zoom_scale_for_step(zoomStep);
    const int pixels = (horizontal ? wheelScrollX : wheelScrollY).pixels(-delta, perNotch);
    if (pixels == 0) return;
    QScrollBar* bar = horizontal ? horizontalScrollBar : verticalScrollBar;
    const int before = bar->value();
    bar->setValue(before + pixels);
    if (bar->value() == before) return;  // already at the end
    // As the scroll bar's end of scroll.
    if (!syncOn)
        drawComposite();
    else if (horizontal)
        broadcastScrollX();
    else
        broadcastScrollY();
}
// ---- Keys with the picture focused ------------------------------------------------------------------------

bool MainWindow::onViewKeyPress(QKeyEvent* event) {
    if (!imageLoaded) return false;
    // An eighth of the view, with Shift the whole view, in image pixels (at least one).
    const bool whole = event->modifiers() & Qt::ShiftModifier;
    const float scale = orvenna::zoom_scale_for_step(zoomStep);
    auto distance = [&](int viewSize) {
        return std::max(1, static_cast<int>((whole ? viewSize : viewSize / 8) / scale));
    };
    switch (event->key()) {
        case Qt::Key_Left:
            panBy(-distance(view->width()), 0);
            return true;
        case Qt::Key_Right:
            panBy(distance(view->width()), 0);
            return true;
        case Qt::Key_Up:
            panBy(0, -distance(view->height()));
            return true;
        case Qt::Key_Down:
            panBy(0, distance(view->height()));
            return true;
        case Qt::Key_Plus:
        case Qt::Key_Equal:  // "+" without Shift on keyboards that put it there
            zoomAround(-1, view->width() / 2, view->height() / 2);
            return true;
        case Qt::Key_Minus:
            zoomAround(1, view->width() / 2, view->height() / 2);
            return true;
        case Qt::Key_Home:
            centreScene();
            return true;
        default:
            return false;
    }
}
