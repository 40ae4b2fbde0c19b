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
class UpDown;
struct BandInfo;

// Letters exist for the first 26 rows only ('a'..'z' in expressions).
inline constexpr int kBandLetterCount = 26;

struct BandRow {
    ImageControl* HistImage = nullptr;  // 256 x 45 at (4, 24): one column per 8-bit value
    QLabel* NameLabel = nullptr;        // letter, file name, band number and channel
    QLabel* LowLabel = nullptr;         // "下"
    QLabel* HighLabel = nullptr;        // "上"
    QLineEdit* MinEdit = nullptr;       // lower bound as text
    QLineEdit* MaxEdit = nullptr;       // upper bound as text
    UpDown* MinUpDown = nullptr;        // lower bound as a number, 0..255
    UpDown* MaxUpDown = nullptr;        // upper bound as a number, 0..255
    QFrame* RowPanel = nullptr;         // holds every control of the row
    QPushButton* CloseButton = nullptr;
    QPushButton* BlueButton = nullptr;
    QPushButton* RedButton = nullptr;
    QPushButton* GreenButton = nullptr;
    QPushButton* AutoButton = nullptr;
    QPushButton* GreyButton = nullptr;
    QPushButton* FullRangeButton = nullptr;
    std::vector<unsigned char> LineBuf;  // one line of the band (`width` bytes), filled by the redraw
    QString FileName;                    // the scene's file name without directory
    int ListIndex = 0;                   // position in BandRowList; letter = 'A' + ListIndex
    bool HistDragging = false;           // a mouse button is held on HistImage
    bool HistValid = false;              // the band's histogram has been computed
    bool IsPicture = false;              // a colour channel of a BMP/JPG picture
    std::shared_ptr<QImage> Picture;     // the decoded picture, shared by its three rows
    uint8_t HistDragButton = 0;          // 0 left, 1 right, 2 middle
    BandInfo* Band = nullptr;            // the band shown; lives in its scene's band array (not owned)
};

// "A".."Z" for the first 26 positions; later rows have no letter and show their number as "[27]".
QString BandRowLetter(int position);
