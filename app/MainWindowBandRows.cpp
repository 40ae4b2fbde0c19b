// The band list: building, refreshing, closing and destroying band rows, and the row's range controls.
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/MainWindow.h"
#include "display/DisplayRanges.h"
#include "platform/ElidedLabel.h"
#include "platform/ErrorDisplay.h"
#include "platform/Fonts.h"
#include "platform/ImageControl.h"
#include "platform/Prompts.h"
#include "platform/SpinButtons.h"
#include "platform/ValueSpinButtons.h"
#include "scene/remos.h"

QString bandRowLetter(int position) {
    if (position >= 0 && position < kBandLetterCount) return QString(QChar('A' + position));
    return QStringLiteral("[%1]").arg(position + 1);
}

namespace {

QPushButton* makeRowButton(QWidget* parent, const QString& text, int x, int y, int w, int h,
                           const QColor& colour, int points) {
    auto* button = new QPushButton(text, parent);
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

// The band's name: real file names are longer than the row, so the label keeps their start and their end
// (letter and band number included) and cuts the middle; the whole name is the tooltip.
constexpr int kNameLeft = 28;
constexpr int kNameRight = 261;  // the right edge of the grey colour square

QLabel* makeBandNameLabel(QWidget* parent) {
    auto* label = new ElidedLabel(parent);
    label->setElideMode(Qt::ElideMiddle);
    label->move(kNameLeft, 8);
    label->setMaximumWidth(kNameRight - kNameLeft);
    label->adjustSize();
    return label;
}

int mouseButtonCode(Qt::MouseButton button) {
    switch (button) {
        case Qt::RightButton:
            return 1;
        case Qt::MiddleButton:
            return 2;
        default:
            return 0;
    }
}

}  // namespace

BandRow* MainWindow::addBandRow(BandInfo* band, const QString& fileName, int position) {
    auto* row = new BandRow;
    row->panel = new QFrame(bandListContents);
    row->panel->setFrameShape(QFrame::StyledPanel);
    row->panel->setFixedHeight(100);
    row->panel->setProperty("BandRow", QVariant::fromValue(static_cast<void*>(row)));
    QWidget* panel = row->panel;

    row->closeButton = makeRowButton(panel, QStringLiteral("×"), 4, 4, 21, 17, Qt::red, 9);
    row->nameLabel = makeBandNameLabel(panel);
    row->histogramView = new ImageControl(panel);
    row->histogramView->setGeometry(4, 24, 256, 45);
    row->histogramView->picture = QImage(256, 45, QImage::Format_RGB32);
    row->histogramView->picture.fill(Qt::white);
    row->lowerBoundLabel = makeRowLabel(panel, QStringLiteral("下"), 8, 76);
    row->upperBoundLabel = makeRowLabel(panel, QStringLiteral("上"), 68, 76);
    row->lowerBoundEdit = new QLineEdit(panel);
    row->lowerBoundEdit->setGeometry(24, 72, 25, 21);
    row->upperBoundEdit = new QLineEdit(panel);
    row->upperBoundEdit->setGeometry(84, 72, 25, 21);
    // Three digits must fit into the narrow edits: no inner margins.
    row->lowerBoundEdit->setTextMargins(-3, 0, -3, 0);
    row->upperBoundEdit->setTextMargins(-3, 0, -3, 0);
    row->autoRangeButton = makeRowButton(panel, QStringLiteral("自動"), 128, 72, 29, 21, Qt::black, 8);
    row->fullRangeButton = makeRowButton(panel, QStringLiteral("<>"), 156, 72, 21, 21, Qt::black, 8);
    row->redButton = makeRowButton(panel, QStringLiteral("■"), 184, 72, 17, 21, Qt::red, 10);
    row->greenButton = makeRowButton(panel, QStringLiteral("■"), 204, 72, 17, 21, QColor(0, 128, 0), 10);
    row->blueButton = makeRowButton(panel, QStringLiteral("■"), 224, 72, 17, 21, Qt::blue, 10);
    row->greyButton = makeRowButton(panel, QStringLiteral("■"), 244, 72, 17, 21, Qt::black, 10);
    QWidget::setTabOrder(row->closeButton, row->lowerBoundEdit);
    QWidget::setTabOrder(row->lowerBoundEdit, row->upperBoundEdit);
    QWidget::setTabOrder(row->upperBoundEdit, row->autoRangeButton);
    QWidget::setTabOrder(row->autoRangeButton, row->fullRangeButton);
    QWidget::setTabOrder(row->fullRangeButton, row->redButton);
    QWidget::setTabOrder(row->redButton, row->greenButton);
    QWidget::setTabOrder(row->greenButton, row->blueButton);
    QWidget::setTabOrder(row->blueButton, row->greyButton);

    row->listIndex = position;
    row->band = band;
    row->fileName = fileName;

    // The spin buttons are attached before the change handlers, so that their first texts run nothing.
    // Bands wider than 8 bits take their bounds in their own values.
    if (band && remos_band_is_wide(band)) {
        buildWideBoundControls(row);
    } else {
        row->lowerBoundSpin = new SpinButtons(panel);
        row->upperBoundSpin = new SpinButtons(panel);
        row->lowerBoundSpin->setRange(0, 255);
        row->upperBoundSpin->setRange(0, 255);
        row->lowerBoundSpin->setEdit(row->lowerBoundEdit);
        row->upperBoundSpin->setEdit(row->upperBoundEdit);
        row->lowerBoundSpin->setValue(0);
        row->upperBoundSpin->setValue(255);
    }
    connectBandRow(row);

    row->nameLabel->setText(bandRowLetter(position) + QStringLiteral(" : ") + fileName);
    row->nameLabel->adjustSize();
    if (band) {
        band->range_low = 0;
        band->range_high = 255;
        row->lineBuffer.assign(static_cast<size_t>(std::max(band->width, 0)), 0);
    }
    row->histogramDragging = false;
    row->picture.reset();

    const int at = std::clamp(position, 0, bandListLayout->count());
    bandListLayout->insertWidget(at, row->panel);
    row->panel->show();
    return row;
}

void MainWindow::connectBandRow(BandRow* row) {
    row->histogramView->onMousePress = [this, row](QMouseEvent* e) {
        onHistogramMousePress(row, e->button(), static_cast<int>(e->position().x()));
    };
    row->histogramView->onMouseMove = [this, row](QMouseEvent* e) {
        onHistogramMouseMove(row, static_cast<int>(e->position().x()));
    };
    row->histogramView->onMouseRelease = [this, row](QMouseEvent*) { onHistogramMouseRelease(row); };
    connect(row->closeButton, &QPushButton::clicked, this, [this, row] { closeBand(row); });
    if (row->lowerValueSpin) {
        connect(row->lowerBoundEdit, &QLineEdit::textChanged, this,
                [this, row] { onWideBoundEdited(row, true); });
        connect(row->upperBoundEdit, &QLineEdit::textChanged, this,
                [this, row] { onWideBoundEdited(row, false); });
    } else {
        connect(row->lowerBoundEdit, &QLineEdit::textChanged, this,
                [this, row] { onLowerBoundChanged(row); });
        connect(row->upperBoundEdit, &QLineEdit::textChanged, this,
                [this, row] { onUpperBoundChanged(row); });
    }
    connect(row->redButton, &QPushButton::clicked, this, [this, row] { onRedClicked(row); });
    connect(row->greenButton, &QPushButton::clicked, this, [this, row] { onGreenClicked(row); });
    connect(row->blueButton, &QPushButton::clicked, this, [this, row] { onBlueClicked(row); });
    connect(row->greyButton, &QPushButton::clicked, this, [this, row] { onGreyClicked(row); });
    connect(row->autoRangeButton, &QPushButton::clicked, this, [this, row] { onAutoRangeClicked(row); });
    connect(row->fullRangeButton, &QPushButton::clicked, this, [this, row] { onFullRangeClicked(row); });
}

void MainWindow::refreshBandRow(BandRow* row) {
    for (size_t i = 0; i < bandRows.size(); ++i) {
        if (bandRows[i].get() == row) row->listIndex = static_cast<int>(i);
    }
    BandInfo* band = row->band;
    const int index = band ? band->index : 0;
    QString caption = bandRowLetter(row->listIndex) + QStringLiteral(" : ") + row->fileName +
                      QStringLiteral(" - ") + QString::number(index);
    QColor colour = palette().color(QPalette::WindowText);
    if (band && (row->isPicture || band->interleave == REMOS_BY_PIXEL_RGB)) {
        if (index == 0) {
            caption += QStringLiteral(" - R");
            colour = Qt::red;
        } else if (index == 1) {
            caption += QStringLiteral(" - G");
            colour = QColor(0, 128, 0);
        } else if (index == 2) {
            caption += QStringLiteral(" - B");
            colour = Qt::blue;
        }
    }
    row->nameLabel->setText(caption);
    row->nameLabel->adjustSize();
    QPalette labelPalette = row->nameLabel->palette();
    labelPalette.setColor(QPalette::WindowText, colour);
    row->nameLabel->setPalette(labelPalette);
    row->nameLabel->setToolTip(caption);  // the caption can be wider than the row
    row->nameLabel->setStatusTip(caption);

    // Rows without a letter cannot be put into an expression.
    const bool lettered = row->listIndex < kBandLetterCount;
    for (QPushButton* b : {row->redButton, row->greenButton, row->blueButton, row->greyButton})
        b->setEnabled(lettered);

    // The band's range is carried over as it stands: when the new lower bound is not below the upper bound
    // still shown, the upper bound moves first so that neither is clamped against a stale value.
    if (row->lowerValueSpin) {
        showWideBandRange(row);
    } else if (band) {
        const int low = band->range_low;
        const int high = band->range_high;
        if (low >= row->upperBoundSpin->value()) {
            row->upperBoundSpin->setValue(high);
            row->lowerBoundSpin->setValue(low);
        } else {
            row->lowerBoundSpin->setValue(low);
            row->upperBoundSpin->setValue(high);
        }
    }
    drawBandHistogram(row);
}

void MainWindow::onUpperBoundChanged(BandRow* row) {
    if (row->lowerBoundSpin->value() >= row->upperBoundSpin->value())
        row->upperBoundSpin->setValue(row->lowerBoundSpin->value() + 1);
    if (row->band) row->band->range_high = row->upperBoundSpin->value();
    drawBandHistogram(row);
}

void MainWindow::onLowerBoundChanged(BandRow* row) {
    if (row->lowerBoundSpin->value() >= row->upperBoundSpin->value())
        row->lowerBoundSpin->setValue(row->upperBoundSpin->value() - 1);
    if (row->band) row->band->range_low = row->lowerBoundSpin->value();
    drawBandHistogram(row);
}

void MainWindow::onHistogramMousePress(BandRow* row, Qt::MouseButton button, int x) {
    row->histogramDragging = true;
    row->histogramDragButton = static_cast<uint8_t>(mouseButtonCode(button));
    onHistogramMouseMove(row, x);
}

void MainWindow::onHistogramMouseMove(BandRow* row, int x) {
    x = std::clamp(x, 0, 255);
    if (!row->histogramDragging) return;
    if (row->lowerValueSpin) {
        drawHistogramCount(row, dragWideBound(row, x));
        return;
    }
    if (row->histogramDragButton == 0) {
        if (x < row->upperBoundSpin->value()) {
            row->lowerBoundSpin->setValue(x);
        } else {
            row->lowerBoundSpin->setValue(row->upperBoundSpin->value() - 1);
            x = row->upperBoundSpin->value() - 1;
        }
    } else if (row->histogramDragButton == 1) {
        if (x > row->lowerBoundSpin->value()) {
            row->upperBoundSpin->setValue(x);
        } else {
            x = row->lowerBoundSpin->value() + 1;
            row->upperBoundSpin->setValue(x);
        }
    }
    drawHistogramCount(row, x);
}

void MainWindow::onHistogramMouseRelease(BandRow* row) {
    row->histogramDragging = false;
    drawBandHistogram(row);
    drawComposite();
}

void MainWindow::onRedClicked(BandRow* row) {
    if (row->listIndex >= kBandLetterCount) return;
    redExpressionEdit->setText(QString(QChar('a' + row->listIndex)));
    drawComposite();
}

void MainWindow::onGreenClicked(BandRow* row) {
    if (row->listIndex >= kBandLetterCount) return;
    greenExpressionEdit->setText(QString(QChar('a' + row->listIndex)));
    drawComposite();
}

void MainWindow::onBlueClicked(BandRow* row) {
    if (row->listIndex >= kBandLetterCount) return;
    blueExpressionEdit->setText(QString(QChar('a' + row->listIndex)));
    drawComposite();
}

void MainWindow::onGreyClicked(BandRow* row) {
    if (row->listIndex >= kBandLetterCount) return;
    const QString letter(QChar('a' + row->listIndex));
    redExpressionEdit->setText(letter);
    greenExpressionEdit->setText(letter);
    blueExpressionEdit->setText(letter);
    drawComposite();
}

void MainWindow::onFullRangeClicked(BandRow* row) {
    if (row->lowerValueSpin) {
        // The band's smallest to largest value: known from its histogram only.
        if (!row->histogramValid && askForHistogram()) makeRowHistogram(row);
        orvenna::SetFullRange(row->band);
        setWideBandRange(row, row->band->display_low, row->band->display_high, false);
        drawComposite();
        return;
    }
    row->lowerBoundSpin->setValue(0);
    row->upperBoundSpin->setValue(255);
    drawComposite();
}

bool MainWindow::askForHistogram() {
    return Prompts::current().askYesNo(QStringLiteral("ヒストグラムが作成されていません。作成しますか？"),
                                       QStringLiteral("確認"), PromptKind::Information);
}

void MainWindow::makeRowHistogram(BandRow* row) {
    if (!row->band) return;
    row->histogramValid = true;
    if (row->isPicture)
        computePictureHistogram(row);
    else if (row->lowerValueSpin)
        remos_make_band_histogram(row->band, nullptr, nullptr);
    else
        remos_make_histogram(row->band);
}

void MainWindow::onAutoRangeClicked(BandRow* row) {
    if (!row->band) return;
    if (!row->histogramValid && askForHistogram()) makeRowHistogram(row);
    bool ok = false;
    const double ratio = clipRatioEdit->text().trimmed().toDouble(&ok);
    if (!ok) {
        showErrorText(QStringLiteral("'%1' は正しい数値ではありません").arg(clipRatioEdit->text()));
        return;
    }
    orvenna::SetAutomaticRange(row->band, ratio, autoRangeExcludesEndsCheckBox->isChecked());
    if (row->lowerValueSpin) setWideBandRange(row, row->band->display_low, row->band->display_high, false);
    refreshBandRow(row);
    drawComposite();
}

void MainWindow::onHistogramPeakExcludesEndsClicked() {
    for (auto& row : bandRows)
        drawBandHistogram(row.get());
}

SceneFile* MainWindow::sceneOfBand(const BandInfo* band) const {
    if (!band) return nullptr;
    for (const auto& scene : scenes) {
        if (!scene->bands) continue;
        // Compared as addresses, so that two scenes of the same file name are never confused.
        const auto first = reinterpret_cast<uintptr_t>(scene->bands);
        const auto last = reinterpret_cast<uintptr_t>(scene->bands + scene->band_count);
        const auto at = reinterpret_cast<uintptr_t>(band);
        if (at >= first && at < last) return scene.get();
    }
    return nullptr;
}

void MainWindow::closeBand(BandRow* row) {
    if (opening) return;  // an opening is appending rows; the list must not change under it
    const auto it = std::find_if(bandRows.begin(), bandRows.end(),
                                 [row](const std::unique_ptr<BandRow>& r) { return r.get() == row; });
    if (it == bandRows.end()) return;
    if (drawing) {
        // The running redraw reads this band's file: it ends first, and draws again without the band.
        stopRedrawAndWait();
        redrawAgain = true;
    }
    SceneFile* scene = sceneOfBand(row->band);
    std::unique_ptr<BandRow> closed = std::move(*it);
    bandRows.erase(it);
    destroyBandRow(closed.get());
    closed.reset();  // the last row of a picture releases the picture here

    for (auto& r : bandRows)
        refreshBandRow(r.get());

    if (!scene) return;
    for (auto& r : bandRows) {
        if (sceneOfBand(r->band) == scene) return;  // the scene is still in use
    }
    const auto sceneIt =
        std::find_if(scenes.begin(), scenes.end(),
                     [scene](const std::unique_ptr<SceneFile>& s) { return s.get() == scene; });
    const bool gaveGeography = scene == georeferencedScene();
    remos_close(scene);
    scenes.erase(sceneIt);
    if (scenes.empty()) {
        imageLoaded = false;
        geoValid = false;
        clearSceneStatus();
    } else if (gaveGeography) {
        setStatusPanelText(3, metadataStateText());  // another scene or the corners take over, or nothing
    }
}

void MainWindow::destroyBandRow(BandRow* row) {
    if (!row->panel) return;
    row->fileName.clear();
    // A control of the row may be the one whose event is running (the close button's click, a histogram
    // release that redraws while the window handles events): the panel leaves the list hidden, deaf to its
    // controls, and goes with them once control is back in the event loop.
    bandListLayout->removeWidget(row->panel);
    row->panel->hide();
    row->histogramView->onMousePress = nullptr;
    row->histogramView->onMouseMove = nullptr;
    row->histogramView->onMouseRelease = nullptr;
    for (QObject* control : row->panel->findChildren<QObject*>())
        control->blockSignals(true);
    row->panel->deleteLater();
    row->panel = nullptr;
    row->closeButton = nullptr;
    row->histogramView = nullptr;
    row->nameLabel = row->lowerBoundLabel = row->upperBoundLabel = nullptr;
    row->lowerBoundEdit = row->upperBoundEdit = nullptr;
    row->lowerBoundSpin = row->upperBoundSpin = nullptr;
    row->lowerValueSpin = row->upperValueSpin = nullptr;
    row->spanLowLabel = row->spanHighLabel = nullptr;
    row->blueButton = row->redButton = row->greenButton = row->autoRangeButton = row->greyButton = nullptr;
    row->fullRangeButton = nullptr;
    row->lineBuffer.clear();
    row->lineBuffer.shrink_to_fit();
}
