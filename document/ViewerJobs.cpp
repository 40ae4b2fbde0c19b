#include "document/ViewerJobs.h"

#include "document/Document.h"

namespace orvenna {

ViewerJobs::ViewerJobs(Document& document, QObject* parent)
    : QObject(parent), document_(document), giveUp_(new QTimer(this)) {
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
    const BandInfo* record = histogram_.record();
    BandHistogram counted = histogram_.takeHistogram();
    if (counted.counted()) {
        for (int i = 0; i < document_.bandCount(); ++i)
            if (document_.band(i).info == record) index = i;
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
