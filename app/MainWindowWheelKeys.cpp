// The view's wheel and keys, "全体表示" and the window-wide shortcuts. The wheel zooms around the pointer
// (Shift: sideways, Ctrl: up and down); with the picture focused the arrow keys pan, + and - zoom around the
// view centre and Home centres the scene. Each of them ends as the mouse gesture it stands for: a redraw,
// or with synchronisation on the same announcement (zoom-out: the step; scrolling: the position of the bar
// moved; panning: the view's centre).
#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

#include "app/MainWindow.h"
#include "app/ToolIcons.h"
#include "dialogs/OperationGuideWindow.h"
#include "display/ViewGeometry.h"
#include "platform/Hint.h"
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

void MainWindow::buildNavigationCommands() {
    // A click on the picture gives it the keyboard, so that the keys below reach it (Tab reaches it too).
    view->setFocusPolicy(Qt::StrongFocus);
    // A scroll bar's own wheel would move one image pixel a notch; it scrolls as Shift or Ctrl + wheel does.
    auto* wheelAndKeys = new ViewWheelAndKeys(this);
    for (QWidget* watched : {static_cast<QWidget*>(view), static_cast<QWidget*>(horizontalScrollBar),
                             static_cast<QWidget*>(verticalScrollBar)})
        watched->installEventFilter(wheelAndKeys);

    fitButton = new QToolButton(zoomStrip);
    fitButton->setIcon(makeToolIcon(ToolIcon::ZoomFit));
    fitButton->setIconSize(QSize(20, 20));
    fitButton->setAutoRaise(true);
    fitButton->setFixedSize(40, 28);
    fitButton->setFocusPolicy(Qt::NoFocus);
    setHint(fitButton, QStringLiteral("全体表示"));
    if (auto* strip = qobject_cast<QVBoxLayout*>(zoomStrip->layout())) strip->addWidget(fitButton);
    connect(fitButton, &QToolButton::clicked, this, [this] { onFitClicked(); });

    viewMenu->addSeparator();
    fitAction = viewMenu->addAction(QStringLiteral("全体表示(&F)"));
    redrawAction = viewMenu->addAction(QStringLiteral("再描画(&R)"));
    connect(fitAction, &QAction::triggered, this, [this] { onFitClicked(); });
    connect(redrawAction, &QAction::triggered, this, [this] { onRedrawClicked(); });

    guideAction = helpMenu->addAction(QStringLiteral("操作と式の説明(&G)"));  // beside the quick help
    connect(guideAction, &QAction::triggered, this, [this] { onGuideTriggered(); });

    // Window-wide shortcuts, shown in the menus beside their items.
    openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    closeAllAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    redrawAction->setShortcut(QKeySequence(Qt::Key_F5));
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

// ---- Zoom, pan and fit ------------------------------------------------------------------------------------

void MainWindow::zoomAround(int steps, int x, int y) {
    const int newStep = orvenna::clamp_zoom_step(zoomStep + steps);
    if (newStep == zoomStep) return;  // a wheel spun on at the last step changes nothing
    const orvenna::ViewGeometry old = orvenna::compute_view_geometry(
        std::max(view->width(), 1), std::max(view->height(), 1), horizontalScrollBar->value(),
        verticalScrollBar->value(), zoomStep, imageWidth, imageHeight);
    int scrollX = 0, scrollY = 0;
    orvenna::anchored_zoom_scroll(old, newStep, x, y, &scrollX, &scrollY);
    horizontalScrollBar->setValue(scrollX);
    verticalScrollBar->setValue(scrollY);
    const bool out = newStep > zoomStep;
    zoomStep = newStep;
    zoomScale = orvenna::zoom_scale_for_step(zoomStep);
    drawZoomSlider(0);
    // As the zoom buttons: a zoom-out is announced when synchronising, a zoom-in stays with this viewer.
    if (out && syncOn)
        broadcastZoomOut();
    else
        drawComposite();
}

void MainWindow::panBy(int dx, int dy) {
    const int x = horizontalScrollBar->value();
    const int y = verticalScrollBar->value();
    horizontalScrollBar->setValue(x + dx);
    verticalScrollBar->setValue(y + dy);
    if (horizontalScrollBar->value() == x && verticalScrollBar->value() == y) return;
    endKeyPan();
}

void MainWindow::centreScene() {
    const int x = horizontalScrollBar->value();
    const int y = verticalScrollBar->value();
    horizontalScrollBar->setValue(imageWidth / 2);
    verticalScrollBar->setValue(imageHeight / 2);
    if (horizontalScrollBar->value() == x && verticalScrollBar->value() == y) return;
    endKeyPan();
}

void MainWindow::endKeyPan() {
    // As the end of a pan with the mouse.
    if (syncOn)
        broadcastPanEnd();
    else
        drawComposite();
}

void MainWindow::onFitClicked() {
    if (!imageLoaded) return;
    const int step = orvenna::fit_zoom_step(std::max(view->width(), 1), std::max(view->height(), 1),
                                            imageWidth, imageHeight);
    horizontalScrollBar->setValue(imageWidth / 2);
    verticalScrollBar->setValue(imageHeight / 2);
    const bool out = step > zoomStep;
    zoomStep = step;
    zoomScale = orvenna::zoom_scale_for_step(zoomStep);
    drawZoomSlider(0);
    if (out && syncOn)
        broadcastZoomOut();
    else
        drawComposite();
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

// ---- The guide ----------------------------------------------------------------------------------------

void MainWindow::onGuideTriggered() {
    if (!guideWindow) guideWindow = new OperationGuideWindow(this);
    guideWindow->show();
    guideWindow->raise();
    guideWindow->activateWindow();
}
