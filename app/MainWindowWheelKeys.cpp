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

void MainWindow::installWheelAndKeyHandlers() {
    // A click on the picture gives it the keyboard, so that the keys below reach it (Tab reaches it too).
    // The wheel and the keys reach the handlers below through the window's event filter.
    view_->setFocusPolicy(Qt::StrongFocus);
}

// ---- The wheel ----------------------------------------------------------------------------------------

void MainWindow::onViewWheel(QWheelEvent* event) {
    event->accept();
    if (!document_->hasBands() || panning_ || zoomDragging_) return;
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
        const int notches = wheelZoom_.notches(delta.y());
        if (notches == 0) return;
        const QPoint at = event->position().toPoint();
        zoomAround(-notches, at.x(), at.y());
    }
}

void MainWindow::onScrollBarWheel(bool horizontal, QWheelEvent* event) {
    event->accept();
    if (!document_->hasBands() || panning_ || zoomDragging_) return;
    const QPoint delta = event->angleDelta();
    wheelScroll(horizontal, std::abs(delta.x()) > std::abs(delta.y()) ? delta.x() : delta.y());
}

void MainWindow::wheelScroll(bool horizontal, int delta) {
    // A notch moves a tenth of the view; turning towards the user moves down (or right).
    const int viewSize = horizontal ? view_->width() : view_->height();
    const double perNotch = viewSize / 10.0 / orvenna::zoom_scale_for_step(zoomStep_);
    const int pixels = (horizontal ? wheelScrollX_ : wheelScrollY_).pixels(-delta, perNotch);
    if (pixels == 0) return;
    QScrollBar* bar = horizontal ? horizontalScrollBar_ : verticalScrollBar_;
    const int before = bar->value();
    bar->setValue(before + pixels);
    if (bar->value() == before) return;  // already at the end
    sync_->scrollEnded(horizontal);      // as the scroll bar's end of scroll
}
// ---- Keys with the picture focused ------------------------------------------------------------------------

bool MainWindow::onViewKeyPress(QKeyEvent* event) {
    if (!document_->hasBands()) return false;
    // An eighth of the view, with Shift the whole view, in image pixels (at least one).
    const bool whole = event->modifiers() & Qt::ShiftModifier;
    const float scale = orvenna::zoom_scale_for_step(zoomStep_);
    auto distance = [&](int viewSize) {
        return std::max(1, static_cast<int>((whole ? viewSize : viewSize / 8) / scale));
    };
    switch (event->key()) {
        case Qt::Key_Left:
            panBy(-distance(view_->width()), 0);
            return true;
        case Qt::Key_Right:
            panBy(distance(view_->width()), 0);
            return true;
        case Qt::Key_Up:
            panBy(0, -distance(view_->height()));
            return true;
        case Qt::Key_Down:
            panBy(0, distance(view_->height()));
            return true;
        case Qt::Key_Plus:
        case Qt::Key_Equal:  // "+" without Shift on keyboards that put it there
            zoomAround(-1, view_->width() / 2, view_->height() / 2);
            return true;
        case Qt::Key_Minus:
            zoomAround(1, view_->width() / 2, view_->height() / 2);
            return true;
        case Qt::Key_Home:
            centreScene();
            return true;
        default:
            return false;
    }
}
