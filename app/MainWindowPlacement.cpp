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

#include "app/MainWindow.h"
#include "app/WindowPlacement.h"

namespace {

using orvenna::WindowPlacement;

// The primary screen's area left to windows (without task bars and panels).
QRect AvailableScreenArea(const MainWindow* window) {
    if (window->FakeScreenArea.isValid()) return window->FakeScreenArea;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// Sets the window's outer frame: position first, then the size less the frame's own borders.
void Place(MainWindow* window, WindowPlacement placement) {
    const QRect area = AvailableScreenArea(window);
    if (!area.isValid()) return;
    const orvenna::PlacementRect r =
        orvenna::PlaceOnScreen(placement, area.width(), area.height(), area.left(), area.top());
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    const int borderWidth = std::max(frame.width() - client.width(), 0);
    const int borderHeight = std::max(frame.height() - client.height(), 0);
    window->move(r.left, r.top);
    window->resize(std::max(r.width - borderWidth, 1), std::max(r.height - borderHeight, 1));
}

void Toggle(QWidget* panel) {
    panel->setVisible(panel->isHidden());
}

bool Shown(const QWidget* panel) {
    return !panel->isHidden();
}

}  // namespace

void MainWindow::ConnectPlacementHandlers() {
    const std::pair<QAction*, void (MainWindow::*)()> menu[] = {
        {placeTopLeftAction, &MainWindow::MI_W_LTClick},
        {placeTopRightAction, &MainWindow::MI_W_RTClick},
        {placeBottomLeftAction, &MainWindow::MI_W_LBClick},
        {placeBottomRightAction, &MainWindow::MI_W_RBClick},
        {placeTopAction, &MainWindow::MI_W_TClick},
        {placeBottomAction, &MainWindow::MI_W_BClick},
        {placeLeftAction, &MainWindow::MI_W_LClick},
        {placeRightAction, &MainWindow::MI_W_RClick},
        {showToolBarAction, &MainWindow::MI_V_TOOLClick},
        {showBandListAction, &MainWindow::MI_V_BANDClick},
        {showZoomStripAction, &MainWindow::MI_V_ZOOMClick},
        {showStatusBarAction, &MainWindow::MI_V_STATUSClick},
        {showSettingsAction, &MainWindow::MI_V_CONFClick}};
    for (const auto& [action, handler] : menu)
        connect(action, &QAction::triggered, this, handler);

    const std::pair<QToolButton*, void (MainWindow::*)()> buttons[] = {
        {placeTopLeftButton, &MainWindow::TBLtClick},     {placeTopRightButton, &MainWindow::TBRtClick},
        {placeBottomLeftButton, &MainWindow::TBLbClick},  {placeBottomRightButton, &MainWindow::TBRbClick},
        {placeTopButton, &MainWindow::ToolButton3Click},  {placeBottomButton, &MainWindow::ToolButton5Click},
        {placeLeftButton, &MainWindow::ToolButton6Click}, {placeRightButton, &MainWindow::ToolButton9Click},
        {bandListButton, &MainWindow::TBSideClick}};
    for (const auto& [button, handler] : buttons)
        connect(button, &QToolButton::clicked, this, handler);

    connect(viewMenu, &QMenu::aboutToShow, this, &MainWindow::V1Click);
}

// ---- Placement ----------------------------------------------------------------------------------------

void MainWindow::MI_W_LTClick() {
    Place(this, WindowPlacement::LeftTop);
}
void MainWindow::MI_W_RTClick() {
    Place(this, WindowPlacement::RightTop);
}
void MainWindow::MI_W_LBClick() {
    Place(this, WindowPlacement::LeftBottom);
}
void MainWindow::MI_W_RBClick() {
    Place(this, WindowPlacement::RightBottom);
}
void MainWindow::MI_W_TClick() {
    Place(this, WindowPlacement::Top);
}
void MainWindow::MI_W_BClick() {
    Place(this, WindowPlacement::Bottom);
}
void MainWindow::MI_W_LClick() {
    Place(this, WindowPlacement::Left);
}
void MainWindow::MI_W_RClick() {
    Place(this, WindowPlacement::Right);
}

void MainWindow::TBLtClick() {
    MI_W_LTClick();
}
void MainWindow::TBRtClick() {
    MI_W_RTClick();
}
void MainWindow::TBLbClick() {
    MI_W_LBClick();
}
void MainWindow::TBRbClick() {
    MI_W_RBClick();
}
void MainWindow::ToolButton3Click() {
    MI_W_TClick();
}
void MainWindow::ToolButton5Click() {
    MI_W_BClick();
}
void MainWindow::ToolButton6Click() {
    MI_W_LClick();
}
void MainWindow::ToolButton9Click() {
    MI_W_RClick();
}

// ---- Panels -------------------------------------------------------------------------------------------
// The menu toggles do not redraw: the view's picture keeps its size until the next redraw.

void MainWindow::MI_V_TOOLClick() {
    Toggle(toolBarPanel);
}
void MainWindow::MI_V_ZOOMClick() {
    Toggle(zoomStrip);
}
void MainWindow::MI_V_STATUSClick() {
    Toggle(statusBar());
}

void MainWindow::MI_V_BANDClick() {
    Toggle(bandPanel);
    bandListButton->setChecked(Shown(bandPanel));
}

void MainWindow::MI_V_CONFClick() {
    if (Shown(bandPanel)) {
        Toggle(settingsPanel);
        return;
    }
    bandPanel->show();
    settingsPanel->show();
    bandListButton->setChecked(true);
}

void MainWindow::TBSideClick() {
    bandPanel->setVisible(bandListButton->isChecked());
    showBandListAction->setChecked(bandListButton->isChecked());
    // Lay the window out now, so that the redraw fills the view at its new size.
    if (centralWidget() && centralWidget()->layout()) centralWidget()->layout()->activate();
    drawComposite();
}

void MainWindow::V1Click() {
    showBandListAction->setChecked(Shown(bandPanel));
    showSettingsAction->setChecked(Shown(bandPanel) && Shown(settingsPanel));
    showToolBarAction->setChecked(Shown(toolBarPanel));
    showZoomStripAction->setChecked(Shown(zoomStrip));
    showStatusBarAction->setChecked(Shown(statusBar()));
}
