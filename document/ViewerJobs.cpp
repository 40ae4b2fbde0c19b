#include "document/ViewerJobs.h"

#include <algorithm>

#include "document/Document.h"
#include "scene/scene_url.h"

namespace orvenna {

ViewerJobs::ViewerJobs(Document& document, QObject* parent)
    : QObject(parent), document_(document), giveUp_(new QTimer(this)), histogramTicker_(new QTimer(this)) {
    histogramTicker_->setInterval(200);
    connect(histogramTicker_, &QTimer::timeout, this,
            [this] { emit histogramProgress(indexOf(histogram_.record()), histogram_.progress()); });
    giveUp_->setSingleShot(true);
    giveUp_->setInterval(kGiveUpMs);
    connect(giveUp_, &QTimer::timeout, this, &ViewerJobs::onGiveUp);
    connect(&opening_, &OpeningJob::progressed, this, &ViewerJobs::openingProgressed);
    connect(&opening_, &OpeningJob::histogramPassRunning, this, [this](bool running) {
        passRunning_ = running;
        emit histogramPassRunning(running);
    });
    connect(&opening_, &OpeningJob::finished, this, &ViewerJobs::onOpeningFinished);
    connect(&redraw_, &RedrawJob::finished, this, &ViewerJobs::onRedrawFinished);
    connect(&histogram_, &HistogramJob::finished, this, &ViewerJobs::onHistogramFinished);
}

ViewerJobs::~ViewerJobs() = default;

bool ViewerJobs::busy() const {
    return opening_.running() || redraw_.running() || histogram_.running();
}

void ViewerJobs::setState(State state) {
    if (state_ == state) return;
    state_ = state;
    emit stateChanged(state);
}

bool ViewerJobs::open(const std::vector<std::string>& files, OpeningOptions::Histograms histograms,
                      OpeningAnswers* answers, bool eightBitAutoRange) {
    if (state_ == State::Opening || state_ == State::Closing || opening_.running()) return false;
    // A redraw under way gives way: the opening ends with one of its own.
    redrawPending_ = false;
    redraw_.stop();
    setState(State::Opening);
    OpeningOptions options = document_.openingOptions(histograms);
    options.sampleAbove = sampleAbove_;
    options.eightBitAutoRange = eightBitAutoRange;
    opening_.start(files, options, answers);
    return true;
}

void ViewerJobs::stopHistogramPass() {
    if (!opening_.running() || !passRunning_) return;
    opening_.stopHistogramPass();
    passStopAsked_ = true;
    giveUp_->start();
}

void ViewerJobs::onOpeningFinished() {
    passStopAsked_ = passRunning_ = false;
    OpeningResult result = opening_.takeResult();
    OpeningSummary summary;
    summary.files = result.files;
    summary.bandsListed = result.bandCount();
    summary.finished = result.finished;
    summary.metadataTooLarge = result.metadataTooLarge;
    summary.metadataIgnored = result.metadataIgnored;
    const int before = document_.bandCount();
    document_.adopt(std::move(result));
    summary.firstBands = before == 0 && document_.bandCount() > 0;
    // Bands on a server keep their sampled histogram: the exact one would read the whole file.
    for (int i = before; i < document_.bandCount(); ++i)
        if (document_.band(i).histogramSampled && !is_scene_url(document_.band(i).scene->path()))
            histogramQueue_.push_back(document_.band(i).info);
    if (state_ == State::Closing) {
        checkClosed();
        return;
    }
    setState(State::Idle);
    emit openingFinished(summary);
    // A stopped opening asks for no redraw; the exact histograms follow the first picture.
    if (summary.finished)
        redraw();
    else
        startNextHistogram();
}

void ViewerJobs::redraw() {
    switch (state_) {
        case State::Closing:
        case State::Opening:  // the opening ends with a redraw
            return;
        case State::Drawing:
            // Something the picture shows changed while it is drawn: this redraw gives way to a new one.
            redrawPending_ = true;
            redraw_.stop();
            if (!giveUp_->isActive()) giveUp_->start();
            return;
        case State::Idle:
            startRedraw();
            return;
    }
}

void ViewerJobs::startRedraw() {
    if (redraw_.running()) {  // a redraw stopped earlier has not ended yet: the new one follows it
        redrawPending_ = true;
        setState(State::Drawing);
        return;
    }
    redrawPending_ = false;
    ViewGeometry geometry;
    if (!document_.hasBands() || !planner_ || !planner_(&geometry)) {
        setState(State::Idle);
        return;
    }
    stoppedByUser_ = false;
    redraw_.start(document_.redrawScene(), geometry);
    setState(State::Drawing);
    emit redrawStarted();
}

void ViewerJobs::stopRedraw() {
    if (state_ != State::Drawing) return;
    // The window comes back at once: the lines drawn so far are shown, and the thread ends on its own.
    redrawPending_ = false;
    redraw_.abandon();
    setState(State::Idle);
    emit redrawFinished(false, true);
    startNextHistogram();
}

void ViewerJobs::onRedrawFinished(bool complete) {
    giveUp_->stop();
    if (!redraw_.readError().empty())
        emit sceneReadError(QString::fromStdString(redraw_.readErrorFile()),
                            QString::fromStdString(redraw_.readError()));
    switch (state_) {
        case State::Closing:
            checkClosed();
            return;
        case State::Opening:  // stopped for the opening
        case State::Idle:
            return;
        case State::Drawing:
            if (redrawPending_) {
                startRedraw();
                return;
            }
            setState(State::Idle);
            emit redrawFinished(complete, stoppedByUser_);
            startNextHistogram();
            return;
    }
}

bool ViewerJobs::countHistogram(int index) {
    if (state_ == State::Closing || index < 0 || index >= document_.bandCount()) return false;
    const BandInfo* record = document_.band(index).info;
    if (histogram_.running() && histogram_.record() == record) return true;
    histogramQueue_.erase(std::remove(histogramQueue_.begin(), histogramQueue_.end(), record),
                          histogramQueue_.end());
    histogramQueue_.push_front(record);
    startNextHistogram();
    return true;
}

bool ViewerJobs::histogramPending(int index) const {
    if (index < 0 || index >= document_.bandCount()) return false;
    const BandInfo* record = document_.band(index).info;
    return (histogram_.running() && histogram_.record() == record) ||
           std::find(histogramQueue_.begin(), histogramQueue_.end(), record) != histogramQueue_.end();
}

void ViewerJobs::stopHistogram(int index) {
    if (index < 0 || index >= document_.bandCount()) return;
    const BandInfo* record = document_.band(index).info;
    histogramQueue_.erase(std::remove(histogramQueue_.begin(), histogramQueue_.end(), record),
                          histogramQueue_.end());
    if (histogram_.running() && histogram_.record() == record) histogram_.stop();
}

int ViewerJobs::indexOf(const BandInfo* record) const {
    for (int i = 0; record && i < document_.bandCount(); ++i)
        if (document_.band(i).info == record) return i;
    return -1;
}

void ViewerJobs::startNextHistogram() {
    // One count at a time, and none while an opening or a redraw runs: they come first.
    if (state_ != State::Idle || histogram_.running()) return;
    while (!histogramQueue_.empty()) {
        const int index = indexOf(histogramQueue_.front());
        histogramQueue_.pop_front();
        if (index < 0 || document_.band(index).histogramMade) continue;  // closed, or counted meanwhile
        if (!histogram_.start(document_.band(index))) continue;
        histogramTicker_->start();
        emit histogramProgress(index, 0.0);
        return;
    }
}

void ViewerJobs::onHistogramFinished() {
    histogramTicker_->stop();
    const BandInfo* record = histogram_.record();
    const int index = indexOf(record);
    BandHistogram counted = histogram_.takeHistogram();
    if (index >= 0) emit histogramProgress(index, -1.0);
    const bool taken = counted.counted() && index >= 0;
    if (taken) document_.adoptHistogram(index, std::move(counted));
    if (state_ == State::Closing) {
        checkClosed();
        return;
    }
    emit histogramCounted(taken ? index : -1);
    startNextHistogram();
}

void ViewerJobs::close() {
    setState(State::Closing);
    redrawPending_ = false;
    histogramQueue_.clear();
    opening_.stopOpening();
    redraw_.stop();
    histogram_.stop();
    if (busy()) giveUp_->start();
    checkClosed();
}

void ViewerJobs::onGiveUp() {
    if (state_ == State::Closing) {
        // Closing is not held by a job stuck in a read.
        opening_.abandon();
        redraw_.abandon();
        histogram_.abandon();
        checkClosed();
        return;
    }
    if (opening_.running() && passStopAsked_ && passRunning_) {
        // The pass did not stop: the opening is given up, and the viewer is back.
        opening_.abandon();
        passStopAsked_ = passRunning_ = false;
        setState(State::Idle);
        emit openingAbandoned();
        return;
    }
    if (state_ == State::Drawing && redrawPending_ && redraw_.running()) {
        // The redraw that was to give way is stuck: the newest state is drawn without waiting for it.
        redraw_.abandon();
        startRedraw();
    }
}

void ViewerJobs::checkClosed() {
    if (busy()) return;
    // Queued: the caller (a close handler) finishes first.
    QMetaObject::invokeMethod(this, &ViewerJobs::readyToClose, Qt::QueuedConnection);
}

}  // namespace orvenna
