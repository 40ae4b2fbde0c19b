#include "dialogs/WindowCentring.h"

#include <QWidget>

void centreOverWindow(QWidget* window, const QWidget* over) {
    if (!window || !over) return;
    const QRect target = over->frameGeometry();
    const QRect own = window->frameGeometry();
    window->move(target.left() + target.width() / 2 - own.width() / 2,
                 target.top() + target.height() / 2 - own.height() / 2);
}
