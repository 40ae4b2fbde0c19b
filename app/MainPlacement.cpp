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

#include "app/Main.h"
#include "app/WindowPlacement.h"

namespace {

using orvenna::WindowPlacement;

// The primary screen's area left to windows (without task bars and panels).
QRect AvailableScreenArea(const TGelvantMainForm* form) {
    if (form->FakeScreenArea.isValid()) return form->FakeScreenArea;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// Sets the window's outer frame: position first, then the size less the frame's own borders.
void Place(TGelvantMainForm* form, WindowPlacement placement) {
    const QRect area = AvailableScreenArea(form);
    if (!area.isValid()) return;
    const orvenna::PlacementRect r =
        orvenna::PlaceOnScreen(placement, area.width(), area.height(), area.left(), area.top());
    const QRect frame = form->frameGeometry();
    const QRect client = form->geometry();
    const int borderWidth = std::max(frame.width() - client.width(), 0);
    const int borderHeight = std::max(frame.height() - client.height(), 0);
    form->move(r.left, r.top);
    form->resize(std::max(r.width - borderWidth, 1), std::max(r.height - borderHeight, 1));
}

void Toggle(QWidget* panel) {
    panel->setVisible(panel->isHidden());
}

bool Shown(const QWidget* panel) {
    return !panel->isHidden();
}

}  // namespace

void TGelvantMainForm::ConnectPlacementHandlers() {
    const std::pair<QAction*, void (TGelvantMainForm::*)()> menu[] = {
        {MI_W_LT, &TGelvantMainForm::MI_W_LTClick},     {MI_W_RT, &TGelvantMainForm::MI_W_RTClick},
        {MI_W_LB, &TGelvantMainForm::MI_W_LBClick},     {MI_W_RB, &TGelvantMainForm::MI_W_RBClick},
        {MI_W_T, &TGelvantMainForm::MI_W_TClick},       {MI_W_B, &TGelvantMainForm::MI_W_BClick},
        {MI_W_L, &TGelvantMainForm::MI_W_LClick},       {MI_W_R, &TGelvantMainForm::MI_W_RClick},
        {MI_V_TOOL, &TGelvantMainForm::MI_V_TOOLClick}, {MI_V_BAND, &TGelvantMainForm::MI_V_BANDClick},
        {MI_V_ZOOM, &TGelvantMainForm::MI_V_ZOOMClick}, {MI_V_STATUS, &TGelvantMainForm::MI_V_STATUSClick},
        {MI_V_CONF, &TGelvantMainForm::MI_V_CONFClick}};
    for (const auto& [action, handler] : menu)
        connect(action, &QAction::triggered, this, handler);

    const std::pair<QToolButton*, void (TGelvantMainForm::*)()> buttons[] = {
        {TBLt, &TGelvantMainForm::TBLtClick},
        {TBRt, &TGelvantMainForm::TBRtClick},
        {TBLb, &TGelvantMainForm::TBLbClick},
        {TBRb, &TGelvantMainForm::TBRbClick},
        {ToolButton3, &TGelvantMainForm::ToolButton3Click},
        {ToolButton5, &TGelvantMainForm::ToolButton5Click},
        {ToolButton6, &TGelvantMainForm::ToolButton6Click},
        {ToolButton9, &TGelvantMainForm::ToolButton9Click},
        {TBSide, &TGelvantMainForm::TBSideClick}};
    for (const auto& [button, handler] : buttons)
        connect(button, &QToolButton::clicked, this, handler);

    connect(V1, &QMenu::aboutToShow, this, &TGelvantMainForm::V1Click);
}

// ---- Placement ----------------------------------------------------------------------------------------

void TGelvantMainForm::MI_W_LTClick() {
    Place(this, WindowPlacement::LeftTop);
}
void TGelvantMainForm::MI_W_RTClick() {
    Place(this, WindowPlacement::RightTop);
}
void TGelvantMainForm::MI_W_LBClick() {
    Place(this, WindowPlacement::LeftBottom);
}
void TGelvantMainForm::MI_W_RBClick() {
    Place(this, WindowPlacement::RightBottom);
}
void TGelvantMainForm::MI_W_TClick() {
    Place(this, WindowPlacement::Top);
}
void TGelvantMainForm::MI_W_BClick() {
    Place(this, WindowPlacement::Bottom);
}
void TGelvantMainForm::MI_W_LClick() {
    Place(this, WindowPlacement::Left);
}
void TGelvantMainForm::MI_W_RClick() {
    Place(this, WindowPlacement::Right);
}

void TGelvantMainForm::TBLtClick() {
    MI_W_LTClick();
}
void TGelvantMainForm::TBRtClick() {
    MI_W_RTClick();
}
void TGelvantMainForm::TBLbClick() {
    MI_W_LBClick();
}
void TGelvantMainForm::TBRbClick() {
    MI_W_RBClick();
}
void TGelvantMainForm::ToolButton3Click() {
    MI_W_TClick();
}
void TGelvantMainForm::ToolButton5Click() {
    MI_W_BClick();
}
void TGelvantMainForm::ToolButton6Click() {
    MI_W_LClick();
}
void TGelvantMainForm::ToolButton9Click() {
    MI_W_RClick();
}

// ---- Panels -------------------------------------------------------------------------------------------
// The menu toggles do not redraw: the view's picture keeps its size until the next redraw.

void TGelvantMainForm::MI_V_TOOLClick() {
    Toggle(ButtonPanel);
}
void TGelvantMainForm::MI_V_ZOOMClick() {
    Toggle(ZoomPanel);
}
void TGelvantMainForm::MI_V_STATUSClick() {
    Toggle(statusBar());
}

void TGelvantMainForm::MI_V_BANDClick() {
    Toggle(BandPanel);
    TBSide->setChecked(Shown(BandPanel));
}

void TGelvantMainForm::MI_V_CONFClick() {
    if (Shown(BandPanel)) {
        Toggle(ConfigPanel);
        return;
    }
    BandPanel->show();
    ConfigPanel->show();
    TBSide->setChecked(true);
}

void TGelvantMainForm::TBSideClick() {
    BandPanel->setVisible(TBSide->isChecked());
    MI_V_BAND->setChecked(TBSide->isChecked());
    // Lay the window out now, so that the redraw fills the view at its new size.
    if (centralWidget() && centralWidget()->layout()) centralWidget()->layout()->activate();
    drawComposite();
}

void TGelvantMainForm::V1Click() {
    MI_V_BAND->setChecked(Shown(BandPanel));
    MI_V_CONF->setChecked(Shown(BandPanel) && Shown(ConfigPanel));
    MI_V_TOOL->setChecked(Shown(ButtonPanel));
    MI_V_ZOOM->setChecked(Shown(ZoomPanel));
    MI_V_STATUS->setChecked(Shown(statusBar()));
}
