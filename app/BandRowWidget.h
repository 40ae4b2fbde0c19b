// One row of the band list, a view of one band of the document: the band's label, its histogram with the
// display range drawn over it, the range as two numbers with up/down buttons (0..255 for 8-bit bands, the
// band's own values for wider ones), "自動", "<>", the colour squares and the close button. Range edits go
// straight to the document; the actions that need the window (closing, the colour squares, "自動" and "<>",
// the end of a drag) are asked for through signals.
#pragma once

#include <QFrame>
#include <QImage>

class QLabel;
class QLineEdit;
class QPushButton;
class ElidedLabel;
class ImageControl;
class SpinButtons;
class ValueSpinButtons;
struct BandInfo;

namespace orvenna {
class Document;
}

class BandRowWidget : public QFrame {
    Q_OBJECT
public:
    // Bit of each channel a colour square puts the band's letter into.
    enum Channel { Red = 1, Green = 2, Blue = 4 };

    BandRowWidget(orvenna::Document& document, int index, QWidget* parent = nullptr);

    // The band's record: it identifies the row while other bands come and go.
    const BandInfo* record() const { return record_; }
    int index() const { return index_; }
    // The row's list position (its letter) changed, or the band's range or histogram: shows them anew.
    void setIndex(int index);
    void refresh();
    // Histogram pictures scale to the peak over 1..254 instead of 0..255.
    void setPeakExcludesEnds(bool exclude);

    bool isWide() const { return lowerValueSpin_ != nullptr; }
    // The label: letter, file name, band number and colour.
    QString caption() const;
    // The band has left the list: the row no longer reads it and asks for nothing.
    void detach();
    const QImage& histogramPicture() const;
    // The share done of the band's histogram count running in the background (shown over the histogram with
    // a "中止" button); negative when none runs.
    void setHistogramProgress(double done);

signals:
    void closeRequested(int index);
    void channelsChosen(int index, int channels);  // Channel bits
    void autoRangeRequested(int index);
    void fullRangeRequested(int index);
    void rangeDragEnded();
    void histogramStopRequested(int index);

private:
    const BandInfo* band() const;
    void buildEightBitControls();
    void buildWideControls();
    void showLabel();
    void showRange();
    void drawHistogram();
    void drawHistogramCount(int x);
    void onBoundEdited(bool lower);
    void onHistogramPress(Qt::MouseButton button, int x);
    void onHistogramMove(int x);
    void onHistogramRelease();

    orvenna::Document& document_;
    int index_;
    const BandInfo* record_;
    bool peakExcludesEnds_ = true;
    bool showing_ = false;  // the row writes the document's values into its edits
    bool dragging_ = false;
    double histogramProgress_ = -1;
    int dragButton_ = 0;  // 0 left (lower bound), 1 right (upper bound)

    ElidedLabel* nameLabel_;
    ImageControl* histogramView_;
    QLabel* lowerBoundLabel_;
    QLabel* upperBoundLabel_;
    QLineEdit* lowerBoundEdit_;
    QLineEdit* upperBoundEdit_;
    SpinButtons* lowerBoundSpin_ = nullptr;  // 8-bit bands
    SpinButtons* upperBoundSpin_ = nullptr;
    ValueSpinButtons* lowerValueSpin_ = nullptr;  // wider bands
    ValueSpinButtons* upperValueSpin_ = nullptr;
    QLabel* spanLowLabel_ = nullptr;
    QLabel* spanHighLabel_ = nullptr;
    QPushButton* closeButton_;
    QPushButton* autoRangeButton_;
    QPushButton* fullRangeButton_;
    QPushButton* redButton_;
    QPushButton* greenButton_;
    QPushButton* blueButton_;
    QPushButton* greyButton_;
    QPushButton* histogramStopButton_;
};

// "A".."Z" for the first 26 positions; later rows have no letter and show their number as "[27]".
QString bandRowLetter(int position);
