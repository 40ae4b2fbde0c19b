// The colour bar's box, found as the rectangle around every pixel where a picture drawn with it differs
// from the same picture without it; the window's and the render command's tests check that it is the box
// (8 pixels from the bottom-right corner, framed in black).
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QRect>

namespace legendtest {

inline QRect DifferingRect(const QImage& with, const QImage& without) {
    QRect box;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x)
            if (with.pixel(x, y) != without.pixel(x, y)) box |= QRect(x, y, 1, 1);
    return box;
}

inline QRect ExpectLegendBox(const QImage& with, const QImage& without) {
    const QRect box = DifferingRect(with, without);
    EXPECT_EQ(box.bottomRight(), QPoint(with.width() - 9, with.height() - 9));
    EXPECT_GT(box.width(), 100);
    int frame = 0;
    for (int x = box.left(); x <= box.right(); ++x)
        frame += (with.pixel(x, box.top()) == qRgb(0, 0, 0)) + (with.pixel(x, box.bottom()) == qRgb(0, 0, 0));
    for (int y = box.top(); y <= box.bottom(); ++y)
        frame += (with.pixel(box.left(), y) == qRgb(0, 0, 0)) + (with.pixel(box.right(), y) == qRgb(0, 0, 0));
    EXPECT_EQ(frame, 2 * (box.width() + box.height()));
    return box;
}

// How many pixels inside `box` are `colour`.
inline int CountInside(const QImage& image, const QRect& box, QRgb colour) {
    int n = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}

}  // namespace legendtest
