// The tool bar and zoom strip pictures, drawn in code so that each command has a clear icon of its own.
#pragma once

#include <QIcon>
#include <QImage>

enum class ToolIcon {
    Open,
    Save,
    Close,
    Side,
    Update,
    Sync,
    WindowLeftTop,
    WindowRightTop,
    WindowLeftBottom,
    WindowRightBottom,
    WindowTop,
    WindowBottom,
    WindowLeft,
    WindowRight,
    ZoomIn,
    ZoomOut,
    ZoomFit,
};

// The picture of `icon`, `size` pixels square, transparent background.
QImage toolIconImage(ToolIcon icon, int size = 20);
QIcon makeToolIcon(ToolIcon icon);

// The application's own icon: a small satellite scene in three colour bands.
QImage applicationIconImage(int size = 32);
