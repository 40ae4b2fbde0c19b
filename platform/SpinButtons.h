// Up/down buttons attached to an edit box. The value is a number between minimum() and maximum() shown as the
// edit's text: setting the value writes the text (which runs the edit's change handlers), and reading it
// parses the text the user may have typed. The edit takes whole numbers of the range only; a number outside
// the range reads as the nearest bound, a text that is not a whole number (an empty box) as the last valid
// value, and leaving the edit writes the value back. Up and Down arrow keys in the edit step it too.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

class SpinButtons : public QWidget {
    Q_OBJECT
public:
    explicit SpinButtons(QWidget* parent = nullptr);

    // Attaches to `edit` and places the buttons at its right edge.
    void setEdit(QLineEdit* edit);
    QLineEdit* edit() const { return edit_; }

    void setRange(int min, int max);
    int minimum() const { return min_; }
    int maximum() const { return max_; }

    int value() const;
    void setValue(int value);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void step(int delta);

    QLineEdit* edit_ = nullptr;
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 0;
    int max_ = 100;
    mutable int value_ = 0;
};
