// A label for texts that may not fit (status bar panels in a narrow window): the text is cut with "…" at
// the right edge, and the whole text shows as the tooltip whenever it was cut. text() stays the whole text.
#pragma once

#include <QLabel>

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // Whether the text is wider than the room the label has for it.
    bool isElided() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};
