// Up/down buttons attached to an edit box. The position is a number between Min and Max shown as the edit's
// text: setting the position writes the text (which runs the edit's change handlers), and reading it parses
// the text the user may have typed. The edit takes whole numbers of the range only; a number outside
// Min..Max reads as the nearest bound, a text that is not a whole number (an empty box) as the last valid
// position, and leaving the edit writes the position back. Up and Down arrow keys in the edit step it too.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);

    // Attaches to `edit` and places the buttons at its right edge.
    void SetAssociate(QLineEdit* edit);
    QLineEdit* Associate() const { return associate_; }

    void SetRange(int min, int max);
    int Min() const { return min_; }
    int Max() const { return max_; }

    int Position() const;
    void SetPosition(int position);

    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Step(int delta);

    QLineEdit* associate_ = nullptr;
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 0;
    int max_ = 100;
    mutable int position_ = 0;
};
