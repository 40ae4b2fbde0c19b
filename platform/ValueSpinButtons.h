// Up/down buttons attached to an edit box, for a value that need not be whole: a number between minimum()
// and maximum() shown as the edit's text in a format of the caller's (setTextFormat), stepped by step().
// Like SpinButtons: setting the value writes the text (which runs the edit's change handlers), reading it
// parses what the user may have typed; a text that is no value (an empty box, "-") reads as the last good
// value and leaving the edit writes that back; a number outside the range reads as the nearest bound; the Up
// and Down arrow keys in the edit step too. A value set here is kept exactly while its text stands, however
// many digits the text shows.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QLineEdit;
class QToolButton;

class ValueSpinButtons : public QWidget {
    Q_OBJECT
public:
    explicit ValueSpinButtons(QWidget* parent = nullptr);

    // The text of a value, the value of a complete text (false: not a value), and whether a text may still
    // become one while it is typed (the edit refuses anything else).
    using TextOf = std::function<QString(double)>;
    using ValueOf = std::function<bool(const QString&, double*)>;
    using MayBecomeValue = std::function<bool(const QString&)>;
    void setTextFormat(TextOf textOf, ValueOf valueOf, MayBecomeValue mayBecomeValue);

    // Attaches to `edit` and places the buttons at its right edge.
    void setEdit(QLineEdit* edit);
    QLineEdit* edit() const { return edit_; }

    void setRange(double min, double max);
    double minimum() const { return min_; }
    double maximum() const { return max_; }
    void setStep(double step) { step_ = step; }
    double step() const { return step_; }

    double value() const;
    void setValue(double value);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stepBy(int steps);
    QString textOf(double value) const;

    QLineEdit* edit_ = nullptr;
    QToolButton* up_;
    QToolButton* down_;
    double min_ = 0;
    double max_ = 100;
    double step_ = 1;
    mutable double value_ = 0;
    TextOf textOf_;
    ValueOf valueOf_;
    MayBecomeValue mayBecomeValue_;
};
