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
        {MI_W_LT, &MainWindow::MI_W_LTClick},     {MI_W_RT, &MainWindow::MI_W_RTClick},
        {MI_W_LB, &MainWindow::MI_W_LBClick},     {MI_W_RB, &MainWindow::MI_W_RBClick},
        {MI_W_T, &MainWindow::MI_W_TClick},       {MI_W_B, &MainWindow::MI_W_BClick},
        {MI_W_L, &MainWindow::MI_W_LClick},       {MI_W_R, &MainWindow::MI_W_RClick},
        {MI_V_TOOL, &MainWindow::MI_V_TOOLClick}, {MI_V_BAND, &MainWindow::MI_V_BANDClick},
        {MI_V_ZOOM, &MainWindow::MI_V_ZOOMClick}, {MI_V_STATUS, &MainWindow::MI_V_STATUSClick},
        {MI_V_CONF, &MainWindow::MI_V_CONFClick}};
    for (const auto& [action, handler] : menu)
        connect(action, &QAction::triggered, this, handler);

    const std::pair<QToolButton*, void (MainWindow::*)()> buttons[] = {
        {TBLt, &MainWindow::TBLtClick},
        {TBRt, &MainWindow::TBRtClick},
        {TBLb, &MainWindow::TBLbClick},
        {TBRb, &MainWindow::TBRbClick},
        {ToolButton3, &MainWindow::ToolButton3Click},
        {ToolButton5, &MainWindow::ToolButton5Click},
        {ToolButton6, &MainWindow::ToolButton6Click},
        {ToolButton9, &MainWindow::ToolButton9Click},
        {TBSide, &MainWindow::TBSideClick}};
    for (const auto& [button, handler] : buttons)
        connect(button, &QToolButton::clicked, this, handler);

    connect(V1, &QMenu::aboutToShow, this, &MainWindow::V1Click);
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
    Toggle(ButtonPanel);
}
void MainWindow::MI_V_ZOOMClick() {
    Toggle(ZoomPanel);
}
void MainWindow::MI_V_STATUSClick() {
    Toggle(statusBar());
}

void MainWindow::MI_V_BANDClick() {
    Toggle(BandPanel);
    TBSide->setChecked(Shown(BandPanel));
}

void MainWindow::MI_V_CONFClick() {
    if (Shown(BandPanel)) {
        Toggle(ConfigPanel);
        return;
    }
    BandPanel->show();
    ConfigPanel->show();
    TBSide->setChecked(true);
}

void MainWindow::TBSideClick() {
    BandPanel->setVisible(TBSide->isChecked());
    MI_V_BAND->setChecked(TBSide->isChecked());
    // Lay the window out now, so that the redraw fills the view at its new size.
    if (centralWidget() && centralWidget()->layout()) centralWidget()->layout()->activate();
    drawComposite();
}

void MainWindow::V1Click() {
    MI_V_BAND->setChecked(Shown(BandPanel));
    MI_V_CONF->setChecked(Shown(BandPanel) && Shown(ConfigPanel));
    MI_V_TOOL->setChecked(Shown(ButtonPanel));
    MI_V_ZOOM->setChecked(Shown(ZoomPanel));
    MI_V_STATUS->setChecked(Shown(statusBar()));
}
