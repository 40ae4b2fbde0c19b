// One-click window placement on screen halves and quarters: the arithmetic, Qt-free so that it can be checked
// without a screen.
#pragma once

namespace orvenna {

enum class WindowPlacement { LeftTop, RightTop, LeftBottom, RightBottom, Top, Bottom, Left, Right };

// Outer frame of the window, in screen pixels.
struct PlacementRect {
    int left, top, width, height;
};

// Frame of `placement` on an available screen area of cx x cy pixels whose top-left corner is
// (originX, originY); halves are integer divisions, so on 1280 x 974 the bottom-right quarter is
// (640, 487) with size 640 x 487.
constexpr PlacementRect placeOnScreen(WindowPlacement placement, int cx, int cy, int originX = 0,
                                      int originY = 0) {
    const int hx = cx / 2;
    const int hy = cy / 2;
    PlacementRect r{0, 0, 0, 0};
    switch (placement) {
        case WindowPlacement::LeftTop:
            r = {0, 0, hx, hy};
            break;
        case WindowPlacement::RightTop:
            r = {hx, 0, hx, hy};
            break;
        case WindowPlacement::LeftBottom:
            r = {0, hy, hx, hy};
            break;
        case WindowPlacement::RightBottom:
            r = {hx, hy, hx, hy};
            break;
        case WindowPlacement::Top:
            r = {0, 0, cx, hy};
            break;
        case WindowPlacement::Bottom:
            r = {0, hy, cx, hy};
            break;
        case WindowPlacement::Left:
            r = {0, 0, hx, cy};
            break;
        case WindowPlacement::Right:
            r = {hx, 0, hx, cy};
            break;
    }
    r.left += originX;
    r.top += originY;
    return r;
}

}  // namespace orvenna
