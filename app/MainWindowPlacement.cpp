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
QRect availableScreenArea(const MainWindow* window) {
    if (window->fakeScreenArea.isValid()) return window->fakeScreenArea;
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
    const std::tuple<QAction*, QToolButton*, WindowPlacement> placements[] = {
        {placeTopLeftAction, placeTopLeftButton, WindowPlacement::LeftTop},
        {placeTopRightAction, placeTopRightButton, WindowPlacement::RightTop},
        {placeBottomLeftAction, placeBottomLeftButton, WindowPlacement::LeftBottom},
        {placeBottomRightAction, placeBottomRightButton, WindowPlacement::RightBottom},
        {placeTopAction, placeTopButton, WindowPlacement::Top},
        {placeBottomAction, placeBottomButton, WindowPlacement::Bottom},
        {placeLeftAction, placeLeftButton, WindowPlacement::Left},
        {placeRightAction, placeRightButton, WindowPlacement::Right}};
    for (const auto& [action, button, placement] : placements) {
        connect(action, &QAction::triggered, this, [this, at = placement] { placeWindow(at); });
        connect(button, &QToolButton::clicked, this, [this, at = placement] { placeWindow(at); });
    }

    const std::pair<QAction*, void (MainWindow::*)()> panels[] = {
        {showToolBarAction, &MainWindow::onShowToolBarTriggered},
        {showBandListAction, &MainWindow::onShowBandListTriggered},
        {showZoomStripAction, &MainWindow::onShowZoomStripTriggered},
        {showStatusBarAction, &MainWindow::onShowStatusBarTriggered},
        {showSettingsAction, &MainWindow::onShowSettingsTriggered}};
    for (const auto& [action, handler] : panels)
        connect(action, &QAction::triggered, this, handler);
    connect(bandListButton, &QToolButton::clicked, this, &MainWindow::onBandListClicked);

    connect(viewMenu, &QMenu::aboutToShow, this, &MainWindow::onViewMenuAboutToShow);
}

// ---- Placement ----------------------------------------------------------------------------------------

void MainWindow::placeWindow(WindowPlacement placement) {
    // The outer frame: position first, then the size less the frame's own borders.
    const QRect area = availableScreenArea(this);
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

void MainWindow::onShowToolBarTriggered() {
    toggle(toolBarPanel);
}
void MainWindow::onShowZoomStripTriggered() {
    toggle(zoomStrip);
}
void MainWindow::onShowStatusBarTriggered() {
    toggle(statusBar());
}

void MainWindow::onShowBandListTriggered() {
    toggle(bandPanel);
    bandListButton->setChecked(shown(bandPanel));
}

void MainWindow::onShowSettingsTriggered() {
    if (shown(bandPanel)) {
        toggle(settingsPanel);
        return;
    }
    bandPanel->show();
    settingsPanel->show();
    bandListButton->setChecked(true);
}

void MainWindow::onBandListClicked() {
    bandPanel->setVisible(bandListButton->isChecked());
    showBandListAction->setChecked(bandListButton->isChecked());
    // Lay the window out now, so that the redraw fills the view at its new size.
    if (centralWidget() && centralWidget()->layout()) centralWidget()->layout()->activate();
    drawComposite();
}

void MainWindow::onViewMenuAboutToShow() {
    showBandListAction->setChecked(shown(bandPanel));
    showSettingsAction->setChecked(shown(bandPanel) && shown(settingsPanel));
    showToolBarAction->setChecked(shown(toolBarPanel));
    showZoomStripAction->setChecked(shown(zoomStrip));
    showStatusBarAction->setChecked(shown(statusBar()));
}
