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
#include "display/ViewGeometry.h"
#include "document/Document.h"
#include "platform/Hint.h"
#include "platform/ImageControl.h"
#include "platform/ToolIcons.h"

void MainWindow::buildNavigationCommands() {
    installWheelAndKeyHandlers();

    fitButton_ = new QToolButton(zoomStrip_);
    fitButton_->setObjectName(QStringLiteral("fitButton"));
    fitButton_->setIcon(makeToolIcon(ToolIcon::ZoomFit));
    fitButton_->setIconSize(QSize(20, 20));
    fitButton_->setAutoRaise(true);
    fitButton_->setFixedSize(40, 28);
    fitButton_->setFocusPolicy(Qt::NoFocus);
    setHint(fitButton_, tr("全体表示"));
    if (auto* strip = qobject_cast<QVBoxLayout*>(zoomStrip_->layout())) strip->addWidget(fitButton_);
    connect(fitButton_, &QToolButton::clicked, this, [this] { onFitClicked(); });

    viewMenu_->addSeparator();
    fitAction_ = viewMenu_->addAction(tr("全体表示(&F)"));
    fitAction_->setObjectName(QStringLiteral("fitAction"));
    redrawAction_ = viewMenu_->addAction(tr("再描画(&R)"));
    redrawAction_->setObjectName(QStringLiteral("redrawAction"));
    connect(fitAction_, &QAction::triggered, this, [this] { onFitClicked(); });
    connect(redrawAction_, &QAction::triggered, this, [this] { onRedrawClicked(); });

    guideAction_ = helpMenu_->addAction(tr("操作と式の説明(&G)"));  // beside the quick help
    guideAction_->setObjectName(QStringLiteral("guideAction"));
    connect(guideAction_, &QAction::triggered, this, [this] { onGuideTriggered(); });

    // Window-wide shortcuts, shown in the menus beside their items.
    openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    saveAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    closeAllAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    quitAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    redrawAction_->setShortcut(QKeySequence(Qt::Key_F5));
}
// ---- Zoom, pan and fit ------------------------------------------------------------------------------------

void MainWindow::zoomAround(int steps, int x, int y) {
    const int newStep = orvenna::clamp_zoom_step(zoomStep_ + steps);
    if (newStep == zoomStep_) return;  // a wheel spun on at the last step changes nothing
    const orvenna::ViewGeometry old = orvenna::compute_view_geometry(
        std::max(view_->width(), 1), std::max(view_->height(), 1), horizontalScrollBar_->value(),
        verticalScrollBar_->value(), zoomStep_, document_->width(), document_->height());
    int scrollX = 0, scrollY = 0;
    orvenna::anchored_zoom_scroll(old, newStep, x, y, &scrollX, &scrollY);
    horizontalScrollBar_->setValue(scrollX);
    verticalScrollBar_->setValue(scrollY);
    takeZoomStep(newStep);
}

void MainWindow::takeZoomStep(int newStep) {
    const bool out = newStep > zoomStep_;
    zoomStep_ = newStep;
    drawZoomSlider(0);
    // As the zoom buttons: a zoom-out is announced when synchronising, a zoom-in stays with this viewer.
    if (out)
        sync_->zoomedOut();
    else
        redraw();
}

void MainWindow::panBy(int dx, int dy) {
    scrollToByKey(horizontalScrollBar_->value() + dx, verticalScrollBar_->value() + dy);
}

void MainWindow::centreScene() {
    scrollToByKey(document_->width() / 2, document_->height() / 2);
}

void MainWindow::scrollToByKey(int x, int y) {
    const int oldX = horizontalScrollBar_->value();
    const int oldY = verticalScrollBar_->value();
    horizontalScrollBar_->setValue(x);
    verticalScrollBar_->setValue(y);
    if (horizontalScrollBar_->value() == oldX && verticalScrollBar_->value() == oldY) return;
    sync_->panEnded();  // as the end of a pan with the mouse
}

void MainWindow::onFitClicked() {
    if (!document_->hasBands()) return;
    const int step = orvenna::fit_zoom_step(std::max(view_->width(), 1), std::max(view_->height(), 1),
                                            document_->width(), document_->height());
    horizontalScrollBar_->setValue(document_->width() / 2);
    verticalScrollBar_->setValue(document_->height() / 2);
    takeZoomStep(step);
}
