// "全体表示" (tool button and View menu), "再描画" in the View menu, the window-wide shortcuts, the guide in
// the help menu, and the zooms and pans the wheel and the keys ask for. Each of them ends as the mouse
// gesture it stands for: a redraw, or with synchronisation on the same announcement (zoom-out: the step;
// panning: the view's centre).
#include <QAction>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/MainWindow.h"
#include "app/ToolIcons.h"
#include "dialogs/OperationGuideWindow.h"
#include "display/ViewGeometry.h"
#include "platform/Hint.h"
#include "platform/ImageControl.h"

void MainWindow::buildNavigationCommands() {
    installWheelAndKeyHandlers();

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
    takeZoomStep(newStep);
}

void MainWindow::takeZoomStep(int newStep) {
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
    scrollToByKey(horizontalScrollBar->value() + dx, verticalScrollBar->value() + dy);
}

void MainWindow::centreScene() {
    scrollToByKey(imageWidth / 2, imageHeight / 2);
}

void MainWindow::scrollToByKey(int x, int y) {
    const int oldX = horizontalScrollBar->value();
    const int oldY = verticalScrollBar->value();
    horizontalScrollBar->setValue(x);
    verticalScrollBar->setValue(y);
    if (horizontalScrollBar->value() == oldX && verticalScrollBar->value() == oldY) return;
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
    takeZoomStep(step);
}

// ---- The guide ----------------------------------------------------------------------------------------

void MainWindow::onGuideTriggered() {
    if (!guideWindow) guideWindow = new OperationGuideWindow(this);
    guideWindow->show();
    guideWindow->raise();
    guideWindow->activateWindow();
}
