// Window placement on screen halves and quarters, the View menu's panel toggles with their check marks, and
// the band-panel tool button.
#include <QAction>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>

#include <algorithm>
#include <tuple>
#include <utility>

#include "app/MainWindow.h"
#include "app/WindowPlacement.h"

namespace {

using orvenna::WindowPlacement;

// The primary screen's area left to windows (without task bars and panels).
QRect primaryScreenArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void toggle(QWidget* panel) {
    panel->setVisible(panel->isHidden());
}

bool shown(const QWidget* panel) {
    return !panel->isHidden();
}

}  // namespace

void MainWindow::connectPlacementHandlers() {
    // The menu items and the tool buttons of the same placement do the same.
    const WindowPlacement placements[8] = {WindowPlacement::LeftTop,    WindowPlacement::RightTop,
                                           WindowPlacement::LeftBottom, WindowPlacement::RightBottom,
                                           WindowPlacement::Top,        WindowPlacement::Bottom,
                                           WindowPlacement::Left,       WindowPlacement::Right};
    for (int i = 0; i < 8; ++i) {
        connect(placeActions_[i], &QAction::triggered, this, [this, at = placements[i]] { placeWindow(at); });
        connect(placeButtons_[i], &QToolButton::clicked, this,
                [this, at = placements[i]] { placeWindow(at); });
    }

    connect(showToolBarAction_, &QAction::triggered, this, [this] { toggle(toolBarPanel_); });
    connect(showZoomStripAction_, &QAction::triggered, this, [this] { toggle(zoomStrip_); });
    connect(showStatusBarAction_, &QAction::triggered, this, [this] { toggle(statusBar()); });
    connect(showBandListAction_, &QAction::triggered, this, [this] {
        toggle(bandPanel_);
        bandListButton_->setChecked(shown(bandPanel_));
    });
    connect(showSettingsAction_, &QAction::triggered, this, &MainWindow::onShowSettingsTriggered);
    connect(bandListButton_, &QToolButton::clicked, this, &MainWindow::onBandListClicked);

    connect(viewMenu_, &QMenu::aboutToShow, this, &MainWindow::onViewMenuAboutToShow);
}

// ---- Placement ----------------------------------------------------------------------------------------

void MainWindow::placeWindow(WindowPlacement placement) {
    // The outer frame: position first, then the size less the frame's own borders.
    const QRect area = fakeScreenArea_.isValid() ? fakeScreenArea_ : primaryScreenArea();
    if (!area.isValid()) return;
    const orvenna::PlacementRect r =
        orvenna::placeOnScreen(placement, area.width(), area.height(), area.left(), area.top());
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    const int borderWidth = std::max(frame.width() - client.width(), 0);
    const int borderHeight = std::max(frame.height() - client.height(), 0);
    move(r.left, r.top);
    resize(std::max(r.width - borderWidth, 1), std::max(r.height - borderHeight, 1));
}

// ---- Panels -------------------------------------------------------------------------------------------
// The menu toggles do not redraw: the view's picture keeps its size until the next redraw.

void MainWindow::onShowSettingsTriggered() {
    if (shown(bandPanel_)) {
        toggle(settingsPanel_);
        return;
    }
    bandPanel_->show();
    settingsPanel_->show();
    bandListButton_->setChecked(true);
}

void MainWindow::onBandListClicked() {
    bandPanel_->setVisible(bandListButton_->isChecked());
    showBandListAction_->setChecked(bandListButton_->isChecked());
    // Lay the window out now, so that the redraw fills the view at its new size.
    if (centralWidget() && centralWidget()->layout()) centralWidget()->layout()->activate();
    redraw();
}

void MainWindow::onViewMenuAboutToShow() {
    showBandListAction_->setChecked(shown(bandPanel_));
    showSettingsAction_->setChecked(shown(bandPanel_) && shown(settingsPanel_));
    showToolBarAction_->setChecked(shown(toolBarPanel_));
    showZoomStripAction_->setChecked(shown(zoomStrip_));
    showStatusBarAction_->setChecked(shown(statusBar()));
}
