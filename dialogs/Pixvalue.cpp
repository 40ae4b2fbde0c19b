#include "dialogs/Pixvalue.h"

#include "platform/Fonts.h"

#include <QLabel>

TPixForm* PixForm = nullptr;

TPixForm::TPixForm(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("座標値"));
    setFont(FormFont());
    resize(203, 21);
    ValueLabel = new QLabel(QStringLiteral("座標値"), this);
    ValueLabel->move(4, 4);
    ValueLabel->adjustSize();
}

void TPixForm::PopupAt(const QPoint& globalPointer) {
    if (isHidden()) show();
    move(globalPointer + QPoint(10, 10));
}

void TPixForm::SetValueText(const QString& text) {
    ValueLabel->setText(text);
    ValueLabel->adjustSize();
    // The height compared is the window's outer height, as the user sees it.
    const int frameExtra = isVisible() ? frameGeometry().height() - height() : 0;
    const int wanted = ValueLabel->height() + 30;
    if (wanted > height() + frameExtra) resize(width(), wanted - frameExtra);
}
