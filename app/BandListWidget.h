// The band list: a scrolled column of band rows over the document's bands, in letter order. It follows the
// document: rows come and go with the bands, letters move up when a band is closed, a row shows its band's
// range and histogram anew when they change. The rows' requests reach the window through its signals.
#pragma once

#include <QScrollArea>

#include <vector>

class BandRowWidget;
class QVBoxLayout;

namespace orvenna {
class Document;
}

class BandListWidget : public QScrollArea {
    Q_OBJECT
public:
    BandListWidget(orvenna::Document& document, QWidget* parent = nullptr);

    int rowCount() const { return static_cast<int>(rows_.size()); }
    BandRowWidget* row(int index) const { return rows_.at(static_cast<size_t>(index)); }
    // Histogram pictures scale to the peak over 1..254 instead of 0..255.
    void setPeakExcludesEnds(bool exclude);

signals:
    void closeRequested(int index);
    void channelsChosen(int index, int channels);
    void autoRangeRequested(int index);
    void fullRangeRequested(int index);
    void rangeDragEnded();
    void histogramStopRequested(int index);

private:
    void onBandsChanged();
    void onBandChanged(int index);

    orvenna::Document& document_;
    QWidget* contents_;
    QVBoxLayout* layout_;
    std::vector<BandRowWidget*> rows_;
    bool peakExcludesEnds_ = true;
};
