#include "document/ViewerJobs.h"

#include "document/Document.h"

namespace orvenna {

ViewerJobs::ViewerJobs(Document& document, QObject* parent) : QObject(parent), document_(document) {
    connect(&opening_, &OpeningJob::progressed, this, &ViewerJobs::openingProgressed);
    connect(&opening_, &OpeningJob::histogramPassRunning, this, &ViewerJobs::histogramPassRunning);
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
                      OpeningAnswers* answers) {
    if (state_ == State::Opening || state_ == State::Closing || opening_.running()) return false;
    // A redraw under way gives way: the opening ends with one of its own.
    redrawPending_ = false;
    redraw_.stop();
    setState(State::Opening);
    opening_.start(files, document_.openingOptions(histograms), answers);
    return true;
}

void ViewerJobs::stopHistogramPass() {
    opening_.stopHistogramPass();
}

void ViewerJobs::onOpeningFinished() {
    OpeningResult result = opening_.takeResult();
    OpeningSummary summary;
    summary.files = result.files;
    summary.bandsListed = result.bandCount();
    summary.finished = result.finished;
    summary.metadataTooLarge = result.metadataTooLarge;
    document_.adopt(std::move(result));
    if (state_ == State::Closing) {
        checkClosed();
        return;
    }
    setState(State::Idle);
    emit openingFinished(summary);
    // A stopped opening asks for no redraw.
    if (summary.finished) redraw();
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
    CompositeTarget target;
    if (!document_.hasBands() || !planner_ || !planner_(&geometry, &target)) {
        setState(State::Idle);
        return;
    }
    stoppedByUser_ = false;
    redraw_.start(document_.redrawScene(), geometry, target);
    setState(State::Drawing);
    emit redrawStarted();
}

void ViewerJobs::stopRedraw() {
    if (state_ != State::Drawing) return;
    redrawPending_ = false;
    stoppedByUser_ = true;
    redraw_.stop();
}

void ViewerJobs::onRedrawFinished(bool complete) {
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
            return;
    }
}

bool ViewerJobs::countHistogram(int index) {
    if (state_ == State::Closing || histogram_.running() || index < 0 || index >= document_.bandCount())
        return false;
    return histogram_.start(document_.band(index));
}

void ViewerJobs::onHistogramFinished() {
    int index = -1;
    BandHistogram counted = histogram_.takeHistogram();
    if (counted.counted()) {
        for (int i = 0; i < document_.bandCount(); ++i)
            if (document_.band(i).info == histogram_.record()) index = i;
        if (index >= 0) document_.adoptHistogram(index, std::move(counted));
    }
    if (state_ == State::Closing) {
        checkClosed();
        return;
    }
    emit histogramCounted(index);
}

void ViewerJobs::close() {
    setState(State::Closing);
    redrawPending_ = false;
    opening_.stopOpening();
    redraw_.stop();
    histogram_.stop();
    checkClosed();
}

void ViewerJobs::checkClosed() {
    if (busy()) return;
    // Queued: the caller (a close handler) finishes first.
    QMetaObject::invokeMethod(this, &ViewerJobs::readyToClose, Qt::QueuedConnection);
}

}  // namespace orvenna
