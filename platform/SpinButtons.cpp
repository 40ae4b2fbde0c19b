#include "platform/SpinButtons.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QValidator>

#include <algorithm>

#include "platform/ArrowButtons.h"

SpinButtons::SpinButtons(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    stackArrowButtons(this, up_, down_);
    connect(up_, &QToolButton::clicked, this, [this] { step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
}

void SpinButtons::setEdit(QLineEdit* edit) {
    if (edit_) edit_->removeEventFilter(this);
    edit_ = edit;
    if (!edit) return;
    edit->installEventFilter(this);
    edit->setValidator(new QIntValidator(min_, max_, edit));
    setGeometry(edit->x() + edit->width(), edit->y(), width(), edit->height());
    edit->setText(QString::number(value_));
}

void SpinButtons::setRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    value_ = std::clamp(value_, min_, max_);
    if (edit_)
        if (auto* validator = qobject_cast<QIntValidator*>(const_cast<QValidator*>(edit_->validator())))
            validator->setRange(min_, max_);
}

int SpinButtons::value() const {
    if (!edit_) return value_;
    bool ok = false;
    const qlonglong typed = edit_->text().trimmed().toLongLong(&ok);
    if (ok) value_ = static_cast<int>(std::clamp<qlonglong>(typed, min_, max_));
    return value_;
}

void SpinButtons::setValue(int value) {
    value_ = std::clamp(value, min_, max_);
    if (edit_) edit_->setText(QString::number(value_));
}

void SpinButtons::step(int delta) {
    setValue(value() + delta);
}

bool SpinButtons::eventFilter(QObject* watched, QEvent* event) {
    // Leaving the edit with a text that is no number of the range (empty, "300") puts back the nearest
    // good value.
    if (watched == edit_ && event->type() == QEvent::FocusOut) setValue(value());
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
