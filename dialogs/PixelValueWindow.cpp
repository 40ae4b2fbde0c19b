#include "dialogs/PixelValueWindow.h"

#include "platform/Fonts.h"

#include <QLabel>

PixelValueWindow* pixelValueWindow = nullptr;

PixelValueWindow::PixelValueWindow(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("座標値"));
    setFont(uiFont());
    resize(203, 21);
    valueLabel = new QLabel(QStringLiteral("座標値"), this);
    valueLabel->move(4, 4);
    valueLabel->adjustSize();
}

void PixelValueWindow::popupAt(const QPoint& globalPointer) {
    if (isHidden()) show();
    move(globalPointer + QPoint(10, 10));
}

void PixelValueWindow::setValueText(const QString& text) {
    valueLabel->setText(text);
    valueLabel->adjustSize();
    // The height compared is the window's outer height, as the user sees it.
    const int frameExtra = isVisible() ? frameGeometry().height() - height() : 0;
    const int wanted = valueLabel->height() + 30;
    if (wanted > height() + frameExtra) resize(width(), wanted - frameExtra);
}
