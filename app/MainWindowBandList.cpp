// What the band rows ask of the window: closing a band, putting its letter into the expressions, and "自動"
// and "<>", which may need the band's histogram first (counted as a job, asked for with a question).
#include <QCheckBox>
#include <QLineEdit>

#include "app/BandListWidget.h"
#include "app/BandRowWidget.h"
#include "app/MainWindow.h"
#include "document/Document.h"
#include "platform/ErrorDisplay.h"
#include "platform/ImageControl.h"
#include "platform/Prompts.h"

void MainWindow::onCloseBandRequested(int index) {
    // An opening is appending bands: the list must not change under it.
    if (jobs_->state() == orvenna::ViewerJobs::State::Opening) return;
    const bool wasShown = document_->hasBands();
    document_->closeBand(index);  // a redraw under way keeps reading its own copy of the band
    // A redraw under way gives way: the next one draws without the band (nothing, when none is left), and
    // the picture of the one that gave way is never shown.
    if (jobs_->state() == orvenna::ViewerJobs::State::Drawing) jobs_->redraw();
    if (!document_->hasBands() && wasShown) {
        // Every band was closed: there is nothing left to show.
        canvas().fill(Qt::white);
        view_->update();
    }
}

void MainWindow::onChannelsChosen(int index, int channels) {
    if (index >= orvenna::kBandLetterCount) return;
    const std::string letter(1, static_cast<char>('a' + index));
    for (int c = 0; c < 3; ++c)
        if (channels & (1 << c)) document_->setExpression(c, letter);
    redraw();
}

void MainWindow::onRangeRequested(int index, bool automatic) {
    if (index < 0 || index >= document_->bandCount()) return;
    const orvenna::DocumentBand& band = document_->band(index);
    // An 8-bit band's "<>" is 0..255 whatever its histogram; the other ranges come from the histogram.
    const bool needsHistogram = automatic || band.isWide();
    // A band opened from a sample takes its range from the exact histogram once that is counted.
    if (needsHistogram && !band.histogramMade && jobs_->histogramPending(index)) {
        jobs_->countHistogram(index);  // next, before the bands still waiting
        pendingRange_ = PendingRange{band.info, automatic};
        return;
    }
    if (needsHistogram && !band.histogramMade &&
        Prompts::current().askYesNo(tr("ヒストグラムが作成されていません。作成しますか？"), tr("確認"),
                                    PromptKind::Information)) {
        if (band.isPicture()) {
            document_->makeHistogram(index);  // from the decoded picture, at once
        } else if (jobs_->countHistogram(index)) {
            pendingRange_ = PendingRange{band.info, automatic};
            return;
        }
    }
    applyRange(index, automatic);
}

void MainWindow::onHistogramCounted(int index) {
    if (!pendingRange_) return;
    const PendingRange pending = *pendingRange_;
    pendingRange_.reset();
    // The band may have moved up (or gone) meanwhile.
    for (int i = 0; i < document_->bandCount(); ++i)
        if (document_->band(i).info == pending.band) applyRange(i, pending.automatic);
    (void)index;
}

void MainWindow::applyRange(int index, bool automatic) {
    if (!automatic) {
        document_->setFullRange(index);
        redraw();
        return;
    }
    // Without a histogram the range is computed from the histogram as it stands.
    bool ok = false;
    const double ratio = clipRatioEdit_->text().trimmed().toDouble(&ok);
    if (!ok) {
        showErrorText(tr("'%1' は正しい数値ではありません").arg(clipRatioEdit_->text()));
        return;
    }
    document_->setAutomaticRange(index, ratio, autoRangeExcludesEndsCheckBox_->isChecked());
    redraw();
}
