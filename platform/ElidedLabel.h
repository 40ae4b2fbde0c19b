// A label for texts that may not fit (status bar panels in a narrow window, band names in a band row): the
// text is cut with "…" (at the right edge, or in the middle so that both ends stay readable), and the whole
// text shows as the tooltip whenever it was cut. text() stays the whole text.
#pragma once

#include <QLabel>

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // Where the text is cut: Qt::ElideRight (the default) or Qt::ElideMiddle.
    void setElideMode(Qt::TextElideMode mode);
    Qt::TextElideMode elideMode() const { return elideMode_; }

    // Whether the text is wider than the room the label has for it.
    bool isElided() const;
    // The text as drawn: whole when it fits, else cut where elideMode says.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QRect textRoom() const;

    Qt::TextElideMode elideMode_ = Qt::ElideRight;
};
