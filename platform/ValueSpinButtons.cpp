#include "platform/ValueSpinButtons.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QValidator>

#include <algorithm>
#include <cmath>

#include "platform/ArrowButtons.h"

namespace {

// Lets the edit hold only values and the texts on their way to one.
class ValueValidator : public QValidator {
public:
    ValueValidator(ValueSpinButtons::ValueOf valueOf, ValueSpinButtons::MayBecomeValue mayBecomeValue,
                   QObject* parent)
        : QValidator(parent), valueOf_(std::move(valueOf)), mayBecomeValue_(std::move(mayBecomeValue)) {}

    State validate(QString& input, int&) const override {
        double v = 0;
        if (valueOf_ && valueOf_(input, &v)) return Acceptable;
        if (mayBecomeValue_ && mayBecomeValue_(input)) return Intermediate;
        return Invalid;
    }

private:
    ValueSpinButtons::ValueOf valueOf_;
    ValueSpinButtons::MayBecomeValue mayBecomeValue_;
};

}  // namespace

ValueSpinButtons::ValueSpinButtons(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    stackArrowButtons(this, up_, down_);
    connect(up_, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down_, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void ValueSpinButtons::setTextFormat(TextOf textOf, ValueOf valueOf, MayBecomeValue mayBecomeValue) {
    textOf_ = std::move(textOf);
    valueOf_ = std::move(valueOf);
    mayBecomeValue_ = std::move(mayBecomeValue);
    if (edit_) edit_->setValidator(new ValueValidator(valueOf_, mayBecomeValue_, edit_));
}

QString ValueSpinButtons::textOf(double value) const {
    return textOf_ ? textOf_(value) : QString::number(value, 'g', 17);
}

void ValueSpinButtons::setEdit(QLineEdit* edit) {
    if (edit_) edit_->removeEventFilter(this);
    edit_ = edit;
    if (!edit) return;
    edit->installEventFilter(this);
    edit->setValidator(new ValueValidator(valueOf_, mayBecomeValue_, edit));
    setGeometry(edit->x() + edit->width(), edit->y(), width(), edit->height());
    edit->setText(textOf(value_));
}

void ValueSpinButtons::setRange(double min, double max) {
    min_ = min;
    max_ = std::max(min, max);
    value_ = std::clamp(value_, min_, max_);
}

double ValueSpinButtons::value() const {
    if (!edit_) return value_;
    const QString text = edit_->text();
    // The value set last stands while its text does, with every digit the text leaves out.
    if (text == textOf(value_)) return value_;
    double typed = 0;
    bool ok = false;
    if (valueOf_) {
        ok = valueOf_(text, &typed);
    } else {
        typed = text.trimmed().toDouble(&ok);
    }
    if (ok && std::isfinite(typed)) value_ = std::clamp(typed, min_, max_);
    return value_;
}

void ValueSpinButtons::setValue(double value) {
    if (std::isnan(value)) return;
    value_ = std::clamp(value, min_, max_);
    if (edit_) edit_->setText(textOf(value_));
}

void ValueSpinButtons::stepBy(int steps) {
    setValue(value() + steps * step_);
}

bool ValueSpinButtons::eventFilter(QObject* watched, QEvent* event) {
    // Leaving the edit with a text that is no value puts back the last good one.
    if (watched == edit_ && event->type() == QEvent::FocusOut) setValue(value());
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            stepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
