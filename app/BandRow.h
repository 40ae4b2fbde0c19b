// One row of the band list: the band's label, histogram picture and display-range controls.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QFrame;
class QImage;
class QLabel;
class QLineEdit;
class QPushButton;
class ImageControl;
class SpinButtons;
class ValueSpinButtons;
struct BandInfo;

// Letters exist for the first 26 rows only ('a'..'z' in expressions).
inline constexpr int kBandLetterCount = 26;

struct BandRow {
    ImageControl* histogramView = nullptr;  // 256 x 45 at (4, 24): one column per 8-bit value
    QLabel* nameLabel = nullptr;            // letter, file name, band number and channel
    QLabel* lowerBoundLabel = nullptr;      // "下"
    QLabel* upperBoundLabel = nullptr;      // "上"
    QLineEdit* lowerBoundEdit = nullptr;    // lower bound as text
    QLineEdit* upperBoundEdit = nullptr;    // upper bound as text
    SpinButtons* lowerBoundSpin = nullptr;  // lower bound as a number, 0..255 (8-bit bands)
    SpinButtons* upperBoundSpin = nullptr;  // upper bound as a number, 0..255 (8-bit bands)
    // Bands wider than 8 bits have these instead: the bounds in the band's own values, and the ends of the
    // value span the histogram's columns cover.
    ValueSpinButtons* lowerValueSpin = nullptr;
    ValueSpinButtons* upperValueSpin = nullptr;
    QLabel* spanLowLabel = nullptr;
    QLabel* spanHighLabel = nullptr;
    QFrame* panel = nullptr;  // holds every control of the row
    QPushButton* closeButton = nullptr;
    QPushButton* blueButton = nullptr;
    QPushButton* redButton = nullptr;
    QPushButton* greenButton = nullptr;
    QPushButton* autoRangeButton = nullptr;
    QPushButton* greyButton = nullptr;
    QPushButton* fullRangeButton = nullptr;
    std::vector<unsigned char> lineBuffer;  // one line of the band (`width` bytes), filled by the redraw
    QString fileName;                       // the scene's file name without directory
    int listIndex = 0;                      // position in bandRows; letter = 'A' + listIndex
    bool histogramDragging = false;         // a mouse button is held on histogramView
    bool histogramValid = false;            // the band's histogram has been computed
    bool isPicture = false;                 // a colour channel of a BMP/JPG picture
    std::shared_ptr<QImage> picture;        // the decoded picture, shared by its three rows
    uint8_t histogramDragButton = 0;        // 0 left, 1 right, 2 middle
    BandInfo* band = nullptr;               // the band shown; lives in its scene's band array (not owned)
};

// "A".."Z" for the first 26 positions; later rows have no letter and show their number as "[27]".
QString bandRowLetter(int position);
