#include "platform/UpDown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>

UpDown::UpDown(QWidget* parent) : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(b);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
    resize(15, 21);
}

void UpDown::SetAssociate(QLineEdit* edit) {
    if (associate_) associate_->removeEventFilter(this);
    associate_ = edit;
    if (!edit) return;
    edit->installEventFilter(this);
    edit->setValidator(new QIntValidator(min_, max_, edit));
    setGeometry(edit->x() + edit->width(), edit->y(), width(), edit->height());
    edit->setText(QString::number(position_));
}

void UpDown::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    position_ = std::clamp(position_, min_, max_);
    if (associate_)
        if (auto* validator = qobject_cast<QIntValidator*>(const_cast<QValidator*>(associate_->validator())))
            validator->setRange(min_, max_);
}

int UpDown::Position() const {
    if (!associate_) return position_;
    bool ok = false;
    const qlonglong typed = associate_->text().trimmed().toLongLong(&ok);
    if (ok) position_ = static_cast<int>(std::clamp<qlonglong>(typed, min_, max_));
    return position_;
}

void UpDown::SetPosition(int position) {
    position_ = std::clamp(position, min_, max_);
    if (associate_) associate_->setText(QString::number(position_));
}

void UpDown::Step(int delta) {
    SetPosition(Position() + delta);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    // Leaving the edit with a text that is no number of the range (empty, "300") puts back the nearest
    // good value.
    if (watched == associate_ && event->type() == QEvent::FocusOut) SetPosition(Position());
    if (watched == associate_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
