// The small always-on-top window that shows the values under the pointer. It grows to fit its text and never
// shrinks.
#pragma once

#include <QPoint>
#include <QWidget>

class QLabel;

class PixelValueWindow : public QWidget {
    Q_OBJECT
public:
    explicit PixelValueWindow(QWidget* parent = nullptr);

    QLabel* valueLabel;

    // Shows the window if hidden and puts its top-left corner 10 pixels right of and below `globalPointer`.
    void popupAt(const QPoint& globalPointer);
    // Sets the readout text; the window grows when the text is taller than it (label height + 30).
    void setValueText(const QString& text);
};

extern PixelValueWindow* pixelValueWindow;
