#include "app/BandListWidget.h"

#include <QVBoxLayout>

#include <algorithm>

#include "app/BandRowWidget.h"
#include "document/Document.h"

BandListWidget::BandListWidget(orvenna::Document& document, QWidget* parent)
    : QScrollArea(parent), document_(document) {
    setObjectName(QStringLiteral("bandList"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setWidgetResizable(true);
    contents_ = new QWidget;
    layout_ = new QVBoxLayout(contents_);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    layout_->setAlignment(Qt::AlignTop);
    setWidget(contents_);
    connect(&document, &orvenna::Document::bandsChanged, this, &BandListWidget::onBandsChanged);
    connect(&document, &orvenna::Document::bandChanged, this, &BandListWidget::onBandChanged);
}

void BandListWidget::setPeakExcludesEnds(bool exclude) {
    peakExcludesEnds_ = exclude;
    for (BandRowWidget* row : rows_)
        row->setPeakExcludesEnds(exclude);
}

// Rows follow the bands by their records: a band still listed keeps its row (and what is typed in it), a new
// band gets one, a closed band's row goes once control is back in the event loop (its own button may be the
// one being clicked).
void BandListWidget::onBandsChanged() {
    std::vector<BandRowWidget*> rows;
    for (int i = 0; i < document_.bandCount(); ++i) {
        const BandInfo* record = document_.band(i).info;
        const auto kept = std::find_if(rows_.begin(), rows_.end(),
                                       [record](BandRowWidget* r) { return r && r->record() == record; });
        BandRowWidget* row = nullptr;
        if (kept != rows_.end()) {
            row = *kept;
            *kept = nullptr;
            row->setIndex(i);
        } else {
            row = new BandRowWidget(document_, i, contents_);
            row->setPeakExcludesEnds(peakExcludesEnds_);
            auto at = [row] { return row->index(); };
            connect(row, &BandRowWidget::closeRequested, this, [this, at] { emit closeRequested(at()); });
            connect(row, &BandRowWidget::channelsChosen, this,
                    [this, at](int, int channels) { emit channelsChosen(at(), channels); });
            connect(row, &BandRowWidget::autoRangeRequested, this,
                    [this, at] { emit autoRangeRequested(at()); });
            connect(row, &BandRowWidget::fullRangeRequested, this,
                    [this, at] { emit fullRangeRequested(at()); });
            connect(row, &BandRowWidget::rangeDragEnded, this, &BandListWidget::rangeDragEnded);
            connect(row, &BandRowWidget::histogramStopRequested, this,
                    [this, at] { emit histogramStopRequested(at()); });
        }
        rows.push_back(row);
    }
    for (BandRowWidget* gone : rows_) {
        if (!gone) continue;
        layout_->removeWidget(gone);
        gone->hide();
        gone->detach();
        gone->deleteLater();
    }
    rows_ = rows;
    for (size_t i = 0; i < rows_.size(); ++i) {
        layout_->removeWidget(rows_[i]);
        layout_->insertWidget(static_cast<int>(i), rows_[i]);
        rows_[i]->show();
    }
}

void BandListWidget::onBandChanged(int index) {
    if (index >= 0 && index < rowCount()) rows_[static_cast<size_t>(index)]->refresh();
}
