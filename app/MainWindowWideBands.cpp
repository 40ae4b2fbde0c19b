// Band rows of bands wider than 8 bits (16- and 32-bit integers, signed or not, floats): the display range in
// the band's own values in 下 and 上, the span of the histogram's columns under the picture, and dragging on
// the histogram in those values. The rules of the values live in display/BandValues.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <cfloat>

#include "app/MainWindow.h"
#include "display/BandValues.h"
#include "platform/Fonts.h"
#include "platform/ImageControl.h"
#include "platform/ValueSpinButtons.h"
#include "scene/remos.h"

namespace {

// A wide row is taller: the span labels go under the histogram, the bounds get a line of their own.
constexpr int kWideRowHeight = 134;
constexpr int kSpanLabelsY = 70;
constexpr int kBoundsY = 86;
constexpr int kButtonsY = 110;
constexpr int kBoundEditWidth = 88;

QString valueText(const BandInfo* band, double value) {
    return QString::fromStdString(orvenna::BandValueText(value, orvenna::BandHoldsIntegers(band)));
}

void attachValueSpin(ValueSpinButtons* spin, QLineEdit* edit, const BandInfo* band) {
    const bool integer = orvenna::BandHoldsIntegers(band);
    spin->setTextFormat(
        [integer](double v) { return QString::fromStdString(orvenna::BandValueText(v, integer)); },
        [integer](const QString& text, double* v) {
            return orvenna::ParseBandValue(text.toStdString(), integer, v);
        },
        [integer](const QString& text) { return orvenna::IsPartialBandValue(text.toStdString(), integer); });
    // The edits show any range the band holds, also one reaching past the values its kind stores (a preset's
    // temperature scale); what the user types or steps is kept inside the kind by SeparateBounds.
    spin->setRange(-DBL_MAX, DBL_MAX);
    spin->setEdit(edit);
}

}  // namespace

void MainWindow::buildWideBoundControls(BandRow* row) {
    QWidget* panel = row->panel;
    panel->setFixedHeight(kWideRowHeight);
    const QFont small = uiPointFont(7);
    row->spanLowLabel = new QLabel(panel);
    row->spanHighLabel = new QLabel(panel);
    for (QLabel* label : {row->spanLowLabel, row->spanHighLabel}) {
        label->setFont(small);
        label->setGeometry(4, kSpanLabelsY, 256, 13);
    }
    row->spanLowLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    row->spanHighLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    row->lowerBoundLabel->move(8, kBoundsY + 4);
    row->lowerBoundEdit->setGeometry(24, kBoundsY, kBoundEditWidth, 21);
    row->upperBoundLabel->move(136, kBoundsY + 4);
    row->upperBoundEdit->setGeometry(152, kBoundsY, kBoundEditWidth, 21);
    row->lowerBoundEdit->setTextMargins(0, 0, 0, 0);
    row->upperBoundEdit->setTextMargins(0, 0, 0, 0);
    for (QPushButton* b : {row->autoRangeButton, row->fullRangeButton, row->redButton, row->greenButton,
                           row->blueButton, row->greyButton})
        b->move(b->x(), kButtonsY);

    row->lowerValueSpin = new ValueSpinButtons(panel);
    row->upperValueSpin = new ValueSpinButtons(panel);
    attachValueSpin(row->lowerValueSpin, row->lowerBoundEdit, row->band);
    attachValueSpin(row->upperValueSpin, row->upperBoundEdit, row->band);
    showWideBandRange(row);
}

void MainWindow::showWideBandRange(BandRow* row) {
    BandInfo* band = row->band;
    if (!band || !row->lowerValueSpin) return;
    // A band without a range of its own gets the one it is drawn with.
    double low, high;
    orvenna::ShownDisplayRange(band, &low, &high);
    band->display_low = low;
    band->display_high = high;
    {
        // The band holds the range already: the edits only show it.
        const QSignalBlocker lowerBlocker(row->lowerBoundEdit);
        const QSignalBlocker upperBlocker(row->upperBoundEdit);
        row->lowerValueSpin->setValue(low);
        row->upperValueSpin->setValue(high);
    }
    const double step = orvenna::BoundStep(band);
    row->lowerValueSpin->setStep(step);
    row->upperValueSpin->setStep(step);
    // The span the histogram's columns cover; before a histogram the band's whole kind.
    double spanLow = band->value_min, spanHigh = band->value_max;
    if (!band->value_counts) orvenna::ImpliedDisplayRange(band, &spanLow, &spanHigh);
    row->spanLowLabel->setText(valueText(band, spanLow));
    row->spanHighLabel->setText(valueText(band, spanHigh));
    const QString span =
        QStringLiteral(" (値の範囲 %1 .. %2)").arg(valueText(band, spanLow), valueText(band, spanHigh));
    row->lowerBoundEdit->setToolTip(QStringLiteral("下限") + span);
    row->upperBoundEdit->setToolTip(QStringLiteral("上限") + span);
}

void MainWindow::setWideBandRange(BandRow* row, double low, double high, bool lowerMoved) {
    BandInfo* band = row->band;
    if (!band || !row->lowerValueSpin) return;
    orvenna::SeparateBounds(band, lowerMoved, &low, &high);
    band->display_low = low;
    band->display_high = high;
    showWideBandRange(row);
    drawBandHistogram(row);
}

void MainWindow::onWideBoundEdited(BandRow* row, bool lower) {
    BandInfo* band = row->band;
    if (!band || !row->lowerValueSpin) return;
    const double typedLow = row->lowerValueSpin->value();
    const double typedHigh = row->upperValueSpin->value();
    double low = typedLow, high = typedHigh;
    orvenna::SeparateBounds(band, lower, &low, &high);
    band->display_low = low;
    band->display_high = high;
    // Only a bound that had to give way is written back: a text on its way to a number stays as typed.
    if (low != typedLow) {
        const QSignalBlocker blocker(row->lowerBoundEdit);
        row->lowerValueSpin->setValue(low);
    }
    if (high != typedHigh) {
        const QSignalBlocker blocker(row->upperBoundEdit);
        row->upperValueSpin->setValue(high);
    }
    drawBandHistogram(row);
}

int MainWindow::dragWideBound(BandRow* row, int x) {
    BandInfo* band = row->band;
    x = std::clamp(x, 0, 255);
    if (!band) return x;
    const double low = band->display_low, high = band->display_high;
    if (row->histogramDragButton == 0) {
        const double value = orvenna::DraggedLowerBound(band, x);
        // Past the upper bound the lower one stops a step below it.
        setWideBandRange(row, value, high, true);
        if (!(value < high)) x = remos_histogram_column(band, band->display_low);
    } else if (row->histogramDragButton == 1) {
        const double value = orvenna::DraggedUpperBound(band, x);
        setWideBandRange(row, low, value, false);
        if (!(value > low)) x = remos_histogram_column(band, band->display_high);
    }
    return std::clamp(x, 0, 255);
}
