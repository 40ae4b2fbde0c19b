#include "app/BandRowWidget.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <cfloat>

#include "display/BandValues.h"
#include "document/Document.h"
#include "platform/ElidedLabel.h"
#include "platform/Fonts.h"
#include "platform/ImageControl.h"
#include "platform/SpinButtons.h"
#include "platform/SystemErrors.h"
#include "platform/ValueSpinButtons.h"
#include "scene/remos.h"
#include "scene/subdatasets.h"

QString bandRowLetter(int position) {
    if (position >= 0 && position < orvenna::kBandLetterCount) return QString(QChar('A' + position));
    return QStringLiteral("[%1]").arg(position + 1);
}

namespace {

// Colours of a histogram column: bar and background, inside and outside the display range.
const QRgb kBarInside = qRgb(30, 30, 255);
const QRgb kBarOutside = qRgb(50, 50, 130);
const QRgb kBackInside = qRgb(255, 255, 255);
const QRgb kBackOutside = qRgb(80, 80, 80);

// The band's name: real file names are longer than the row, so the label keeps their start and their end
// (letter and band number included) and cuts the middle; the whole name is the tooltip.
constexpr int kNameLeft = 28;
constexpr int kNameRight = 261;  // the right edge of the grey colour square

// A wide row is taller: the span labels go under the histogram, the bounds get a line of their own.
constexpr int kRowHeight = 100;
constexpr int kWideRowHeight = 134;
constexpr int kSpanLabelsY = 70;
constexpr int kBoundsY = 86;
constexpr int kButtonsY = 110;
constexpr int kBoundEditWidth = 88;

QPushButton* makeRowButton(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h,
                           const QColor& colour, int points) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(x, y, w, h);
    button->setFont(uiPointFont(points));
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, colour);
    button->setPalette(palette);
    return button;
}

QLabel* makeRowLabel(QWidget* parent, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLineEdit* makeBoundEdit(QWidget* parent, const char* name, int x, int y) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(x, y, 25, 21);
    edit->setTextMargins(-3, 0, -3, 0);  // three digits must fit into the narrow edits
    return edit;
}

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
    // temperature scale); what the user types or steps is kept inside the kind by the document.
    spin->setRange(-DBL_MAX, DBL_MAX);
    spin->setEdit(edit);
}

}  // namespace

BandRowWidget::BandRowWidget(orvenna::Document& document, int index, QWidget* parent)
    : QFrame(parent), document_(document), index_(index), record_(document.band(index).info) {
    setObjectName(QStringLiteral("BandRow"));
    setFrameShape(QFrame::StyledPanel);
    setFixedHeight(kRowHeight);

    closeButton_ = makeRowButton(this, "closeButton", QStringLiteral("×"), 4, 4, 21, 17, Qt::red, 9);
    nameLabel_ = new ElidedLabel(this);
    nameLabel_->setObjectName(QStringLiteral("nameLabel"));
    nameLabel_->setElideMode(Qt::ElideMiddle);
    nameLabel_->move(kNameLeft, 8);
    nameLabel_->setMaximumWidth(kNameRight - kNameLeft);
    histogramView_ = new ImageControl(this);
    histogramView_->setObjectName(QStringLiteral("histogramView"));
    histogramView_->setGeometry(4, 24, 256, 45);
    histogramView_->picture = QImage(256, 45, QImage::Format_RGB32);
    histogramView_->picture.fill(Qt::white);
    histogramStopButton_ =
        makeRowButton(this, "histogramStopButton", tr("中止"), 224, 26, 34, 17, Qt::black, 8);
    histogramStopButton_->hide();
    lowerBoundLabel_ = makeRowLabel(this, tr("下"), 8, 76);
    lowerBoundLabel_->setObjectName(QStringLiteral("lowerBoundLabel"));
    upperBoundLabel_ = makeRowLabel(this, tr("上"), 68, 76);
    upperBoundLabel_->setObjectName(QStringLiteral("upperBoundLabel"));
    lowerBoundEdit_ = makeBoundEdit(this, "lowerBoundEdit", 24, 72);
    upperBoundEdit_ = makeBoundEdit(this, "upperBoundEdit", 84, 72);
    autoRangeButton_ = makeRowButton(this, "autoRangeButton", tr("自動"), 128, 72, 29, 21, Qt::black, 8);
    fullRangeButton_ =
        makeRowButton(this, "fullRangeButton", QStringLiteral("<>"), 156, 72, 21, 21, Qt::black, 8);
    redButton_ = makeRowButton(this, "redButton", QStringLiteral("■"), 184, 72, 17, 21, Qt::red, 10);
    greenButton_ =
        makeRowButton(this, "greenButton", QStringLiteral("■"), 204, 72, 17, 21, QColor(0, 128, 0), 10);
    blueButton_ = makeRowButton(this, "blueButton", QStringLiteral("■"), 224, 72, 17, 21, Qt::blue, 10);
    greyButton_ = makeRowButton(this, "greyButton", QStringLiteral("■"), 244, 72, 17, 21, Qt::black, 10);
    QWidget::setTabOrder(closeButton_, lowerBoundEdit_);
    QWidget::setTabOrder(lowerBoundEdit_, upperBoundEdit_);
    QWidget::setTabOrder(upperBoundEdit_, autoRangeButton_);
    QWidget::setTabOrder(autoRangeButton_, fullRangeButton_);
    QWidget::setTabOrder(fullRangeButton_, redButton_);
    QWidget::setTabOrder(redButton_, greenButton_);
    QWidget::setTabOrder(greenButton_, blueButton_);
    QWidget::setTabOrder(blueButton_, greyButton_);

    // The spin buttons are attached before the change handlers, so that their first texts run nothing.
    if (document.band(index).isWide())
        buildWideControls();
    else
        buildEightBitControls();

    histogramView_->onMousePress = [this](QMouseEvent* e) {
        onHistogramPress(e->button(), static_cast<int>(e->position().x()));
    };
    histogramView_->onMouseMove = [this](QMouseEvent* e) {
        onHistogramMove(static_cast<int>(e->position().x()));
    };
    histogramView_->onMouseRelease = [this](QMouseEvent*) { onHistogramRelease(); };
    connect(lowerBoundEdit_, &QLineEdit::textChanged, this, [this] { onBoundEdited(true); });
    connect(upperBoundEdit_, &QLineEdit::textChanged, this, [this] { onBoundEdited(false); });
    connect(closeButton_, &QPushButton::clicked, this, [this] { emit closeRequested(index_); });
    connect(histogramStopButton_, &QPushButton::clicked, this,
            [this] { emit histogramStopRequested(index_); });
    connect(autoRangeButton_, &QPushButton::clicked, this, [this] { emit autoRangeRequested(index_); });
    connect(fullRangeButton_, &QPushButton::clicked, this, [this] { emit fullRangeRequested(index_); });
    connect(redButton_, &QPushButton::clicked, this, [this] { emit channelsChosen(index_, Red); });
    connect(greenButton_, &QPushButton::clicked, this, [this] { emit channelsChosen(index_, Green); });
    connect(blueButton_, &QPushButton::clicked, this, [this] { emit channelsChosen(index_, Blue); });
    connect(greyButton_, &QPushButton::clicked, this,
            [this] { emit channelsChosen(index_, Red | Green | Blue); });
    refresh();
}

const BandInfo* BandRowWidget::band() const {
    return document_.band(index_).info;
}

QString BandRowWidget::caption() const {
    return nameLabel_->text();
}

const QImage& BandRowWidget::histogramPicture() const {
    return histogramView_->picture;
}

void BandRowWidget::buildEightBitControls() {
    lowerBoundSpin_ = new SpinButtons(this);
    upperBoundSpin_ = new SpinButtons(this);
    lowerBoundSpin_->setObjectName(QStringLiteral("lowerBoundSpin"));
    upperBoundSpin_->setObjectName(QStringLiteral("upperBoundSpin"));
    for (SpinButtons* spin : {lowerBoundSpin_, upperBoundSpin_})
        spin->setRange(0, 255);
    lowerBoundSpin_->setEdit(lowerBoundEdit_);
    upperBoundSpin_->setEdit(upperBoundEdit_);
}

void BandRowWidget::buildWideControls() {
    setFixedHeight(kWideRowHeight);
    const QFont small = uiPointFont(7);
    spanLowLabel_ = new QLabel(this);
    spanHighLabel_ = new QLabel(this);
    spanLowLabel_->setObjectName(QStringLiteral("spanLowLabel"));
    spanHighLabel_->setObjectName(QStringLiteral("spanHighLabel"));
    for (QLabel* label : {spanLowLabel_, spanHighLabel_}) {
        label->setFont(small);
        label->setGeometry(4, kSpanLabelsY, 256, 13);
    }
    spanLowLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    spanHighLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    lowerBoundLabel_->move(8, kBoundsY + 4);
    lowerBoundEdit_->setGeometry(24, kBoundsY, kBoundEditWidth, 21);
    upperBoundLabel_->move(136, kBoundsY + 4);
    upperBoundEdit_->setGeometry(152, kBoundsY, kBoundEditWidth, 21);
    lowerBoundEdit_->setTextMargins(0, 0, 0, 0);
    upperBoundEdit_->setTextMargins(0, 0, 0, 0);
    for (QPushButton* b :
         {autoRangeButton_, fullRangeButton_, redButton_, greenButton_, blueButton_, greyButton_})
        b->move(b->x(), kButtonsY);

    lowerValueSpin_ = new ValueSpinButtons(this);
    upperValueSpin_ = new ValueSpinButtons(this);
    lowerValueSpin_->setObjectName(QStringLiteral("lowerValueSpin"));
    upperValueSpin_->setObjectName(QStringLiteral("upperValueSpin"));
    attachValueSpin(lowerValueSpin_, lowerBoundEdit_, band());
    attachValueSpin(upperValueSpin_, upperBoundEdit_, band());
}

void BandRowWidget::detach() {
    histogramView_->onMousePress = nullptr;
    histogramView_->onMouseMove = nullptr;
    histogramView_->onMouseRelease = nullptr;
    dragging_ = false;
    for (QObject* control : findChildren<QObject*>())
        control->blockSignals(true);
    blockSignals(true);
}

void BandRowWidget::setIndex(int index) {
    index_ = index;
    refresh();
}

void BandRowWidget::setPeakExcludesEnds(bool exclude) {
    peakExcludesEnds_ = exclude;
    drawHistogram();
}

void BandRowWidget::refresh() {
    showLabel();
    showRange();
    drawHistogram();
}

void BandRowWidget::showLabel() {
    const orvenna::DocumentBand& b = document_.band(index_);
    const int bandIndex = b.info ? b.info->index : 0;
    QString caption = bandRowLetter(index_) + QStringLiteral(" : ") +
                      displayFileName(QByteArray::fromStdString(b.fileName)) + QStringLiteral(" - ") +
                      QString::number(bandIndex);
    // What the band stands for: a time step's date, a level, its own name ("B4").
    const std::string label = b.info ? orvenna::band_label(b.info) : std::string();
    if (!label.empty()) caption += QStringLiteral(" ") + QString::fromStdString(label);
    QColor colour = palette().color(QPalette::WindowText);
    if (b.info && (b.isPicture() || b.info->interleave == REMOS_BY_PIXEL_RGB)) {
        const char* const letters[3] = {" - R", " - G", " - B"};
        const QColor colours[3] = {Qt::red, QColor(0, 128, 0), Qt::blue};
        if (bandIndex >= 0 && bandIndex < 3) {
            caption += QLatin1String(letters[bandIndex]);
            colour = colours[bandIndex];
        }
    }
    // A band placed on a finer grid says its own pixel size.
    const std::string ownSize = b.scene ? b.scene->ownPixelSize() : std::string();
    if (!ownSize.empty()) caption += QStringLiteral(" (%1)").arg(QString::fromStdString(ownSize));
    nameLabel_->setText(caption);
    nameLabel_->adjustSize();
    QPalette labelPalette = nameLabel_->palette();
    labelPalette.setColor(QPalette::WindowText, colour);
    nameLabel_->setPalette(labelPalette);
    nameLabel_->setToolTip(caption);  // the caption can be wider than the row
    nameLabel_->setStatusTip(caption);

    // Rows without a letter cannot be put into an expression.
    const bool lettered = index_ < orvenna::kBandLetterCount;
    for (QPushButton* button : {redButton_, greenButton_, blueButton_, greyButton_}) {
        button->setEnabled(lettered);
        button->setToolTip(lettered ? QString() : tr("27番目以降のバンドには式の文字がありません"));
    }
}

// Writes the document's range into the edits, where it differs from what they hold: a text on its way to a
// number stays as typed.
void BandRowWidget::showRange() {
    const BandInfo* b = band();
    if (!b) return;
    showing_ = true;
    if (lowerValueSpin_) {
        double low, high;
        orvenna::ShownDisplayRange(b, &low, &high);
        if (lowerValueSpin_->value() != low) lowerValueSpin_->setValue(low);
        if (upperValueSpin_->value() != high) upperValueSpin_->setValue(high);
        const double step = orvenna::BoundStep(b);
        lowerValueSpin_->setStep(step);
        upperValueSpin_->setStep(step);
        // The span the histogram's columns cover; before a histogram the band's whole kind.
        double spanLow = b->value_min, spanHigh = b->value_max;
        if (!b->value_counts) orvenna::ImpliedDisplayRange(b, &spanLow, &spanHigh);
        const QString spanLowText = valueText(b, spanLow), spanHighText = valueText(b, spanHigh);
        spanLowLabel_->setText(spanLowText);
        spanHighLabel_->setText(spanHighText);
        lowerBoundEdit_->setToolTip(tr("下限 (値の範囲 %1 .. %2)").arg(spanLowText, spanHighText));
        upperBoundEdit_->setToolTip(tr("上限 (値の範囲 %1 .. %2)").arg(spanLowText, spanHighText));
    } else {
        if (lowerBoundSpin_->value() != b->range_low) lowerBoundSpin_->setValue(b->range_low);
        if (upperBoundSpin_->value() != b->range_high) upperBoundSpin_->setValue(b->range_high);
    }
    showing_ = false;
}

void BandRowWidget::onBoundEdited(bool lower) {
    if (showing_) return;
    const orvenna::MovedBound moved = lower ? orvenna::MovedBound::Lower : orvenna::MovedBound::Upper;
    // The document keeps the bounds apart; its bandChanged brings what it kept back into the edits. A bound
    // pushed against the other leaves the range as it was, with no bandChanged: the edits are put back here.
    if (lowerValueSpin_)
        document_.setValueRange(index_, lowerValueSpin_->value(), upperValueSpin_->value(), moved);
    else
        document_.setEightBitRange(index_, lowerBoundSpin_->value(), upperBoundSpin_->value(), moved);
    showRange();
}

void BandRowWidget::drawHistogram() {
    const BandInfo* b = band();
    if (!b) return;
    QImage& picture = histogramView_->picture;
    const int h = picture.height();
    const int peakCount = peakExcludesEnds_ ? b->hist_peak_inner : b->hist_peak;
    const double peak = peakCount > 0 ? peakCount : 1;
    // Bar from the bottom up over n pixels, background above; a bin taller than the reduced peak fills its
    // column. A wide band's columns stand for spans of its values, its range is in those values.
    for (int v = 0; v < 256 && v < picture.width(); ++v) {
        const double ratio = static_cast<double>(b->histogram[v]) / peak;
        const int n = std::clamp(static_cast<int>(h * ratio), 0, h);
        const bool inside = lowerValueSpin_
                                ? orvenna::ColumnInsideRange(b, v, b->display_low, b->display_high)
                                : b->range_low <= v && v < b->range_high;
        const QRgb bar = inside ? kBarInside : kBarOutside;
        const QRgb back = inside ? kBackInside : kBackOutside;
        for (int y = 0; y < h; ++y)
            reinterpret_cast<QRgb*>(picture.scanLine(y))[v] = y >= h - n ? bar : back;
    }
    if (histogramProgress_ >= 0) {
        // The histogram shown comes from a sample while the exact one is counted: its progress over it.
        QPainter painter(&picture);
        painter.fillRect(0, h - 3, static_cast<int>(picture.width() * std::min(histogramProgress_, 1.0)), 3,
                         QColor(0, 120, 215));
        painter.setFont(font());
        painter.setPen(Qt::black);
        painter.drawText(QRect(2, 2, 200, h - 6), Qt::AlignLeft | Qt::AlignTop,
                         tr("ヒストグラム計算中 %1%").arg(static_cast<int>(histogramProgress_ * 100)));
    }
    histogramView_->update();
}

void BandRowWidget::setHistogramProgress(double done) {
    if (done == histogramProgress_) return;
    histogramProgress_ = done;
    histogramStopButton_->setVisible(done >= 0);
    drawHistogram();
}

// The count of histogram column x at (x + 2, 2) during a drag.
void BandRowWidget::drawHistogramCount(int x) {
    const BandInfo* b = band();
    if (!b) return;
    QPainter painter(&histogramView_->picture);
    painter.setFont(uiPointFont(8));
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    const QFontMetrics metrics(painter.font());
    painter.drawText(x + 2, 2 + metrics.ascent(), QString::number(b->histogram[std::clamp(x, 0, 255)]));
    painter.end();
    histogramView_->update();
}

void BandRowWidget::onHistogramPress(Qt::MouseButton button, int x) {
    dragging_ = true;
    dragButton_ = button == Qt::RightButton ? 1 : button == Qt::MiddleButton ? 2 : 0;
    onHistogramMove(x);
}

// The left button drags the lower bound, the right one the upper bound; a bound that would meet the other
// stops a step before it, and the count shown is that of the column where the bound stands.
void BandRowWidget::onHistogramMove(int x) {
    if (!dragging_) return;
    x = std::clamp(x, 0, 255);
    const BandInfo* b = band();
    if (!b) return;
    if (dragButton_ > 1) {  // the middle button only reads the counts
        drawHistogramCount(x);
        return;
    }
    const bool lower = dragButton_ == 0;
    const orvenna::MovedBound moved = lower ? orvenna::MovedBound::Lower : orvenna::MovedBound::Upper;
    if (lowerValueSpin_) {
        const double value = lower ? orvenna::DraggedLowerBound(b, x) : orvenna::DraggedUpperBound(b, x);
        document_.setValueRange(index_, lower ? value : b->display_low, lower ? b->display_high : value,
                                moved);
        const double kept = lower ? b->display_low : b->display_high;
        if (kept != value) x = remos_histogram_column(b, kept);
    } else {
        document_.setEightBitRange(index_, lower ? x : b->range_low, lower ? b->range_high : x, moved);
        x = lower ? b->range_low : b->range_high;
    }
    drawHistogramCount(std::clamp(x, 0, 255));
}

void BandRowWidget::onHistogramRelease() {
    if (!dragging_) return;
    dragging_ = false;
    drawHistogram();
    emit rangeDragEnded();
}
