// The viewer's long work as jobs with one explicit state: idle, opening, drawing, or closing. An opening
// lists what it opened in the document and ends with a redraw; a redraw asked for while one runs stops it
// and draws the newest state once it has ended (the latest request wins); closing stops everything and says
// when nothing runs any more. Every job reports back through signals on the thread that owns this object;
// nothing here waits for a job. A job that does not end soon after it was asked to (a thread stuck in a read)
// is given up: "中止" returns the viewer at once, and closing is never held by it.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "display/ViewGeometry.h"
#include "document/HistogramJob.h"
#include "document/OpeningJob.h"
#include "document/RedrawJob.h"

namespace orvenna {

class Document;

// What an opening did, for the view.
struct OpeningSummary {
    std::vector<std::string> files;  // in the order they were opened
    int bandsListed = 0;
    bool finished = false;         // every file was worked through
    bool firstBands = false;       // the list was empty before: these bands make a new scene
    std::string metadataTooLarge;  // a metadata file passed over for its size
    std::string metadataIgnored;   // metadata values passed over as impossible
};

class ViewerJobs : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Opening, Drawing, Closing };

    explicit ViewerJobs(Document& document, QObject* parent = nullptr);
    ~ViewerJobs() override;

    State state() const { return state_; }
    // Some job still runs (also a redraw that was stopped and has not ended yet, or a histogram pass).
    bool busy() const;

    // How long a stopped job may take to end before it is given up.
    static constexpr int kGiveUpMs = 300;

    // The view's part of a redraw, asked for when one starts: the geometry (view_width x view_height is the
    // picture drawn). False: nothing to draw now.
    using RedrawPlanner = std::function<bool(ViewGeometry* geometry)>;
    void setRedrawPlanner(RedrawPlanner planner) { planner_ = std::move(planner); }

    // Opens `files` (paths as bytes); `answers` answers its questions and must outlive it. 8-bit bands open
    // at their automatic range with `eightBitAutoRange`. False, with nothing done, while an opening runs or
    // the viewer closes.
    bool open(const std::vector<std::string>& files, OpeningOptions::Histograms histograms,
              OpeningAnswers* answers, bool eightBitAutoRange = false);
    // Stops the opening's running histogram pass ("中止", Esc); an opening whose pass does not end at once is
    // given up (what it opened is not listed).
    void stopHistogramPass();

    void redraw();
    // Stops the running redraw where it is ("中止", Esc) and returns at once: what it drew stays.
    void stopRedraw();
    // The redraw's picture: the lines it finished so far, and all of it once it has finished.
    const RedrawJob& redrawPicture() const { return redraw_; }

    // Histograms are counted in the background, one band at a time: the exact histograms of the bands an
    // opening listed from a sample (they wait until its first picture is drawn), and those asked for here.
    // The band at `index` is counted next, before the exact counts still waiting. False when the viewer
    // closes.
    bool countHistogram(int index);
    bool countingHistogram() const { return histogram_.running(); }
    // The band's histogram is being counted, or waits to be.
    bool histogramPending(int index) const;
    // Stops the count of the band's histogram, or takes it out of the queue: it keeps the histogram it has.
    void stopHistogram(int index);
    // Bands that open with a histogram from a sample: those with more samples than this (0: none).
    void setSampleAbove(int64_t samples) { sampleAbove_ = samples; }

    // Stops every job; readyToClose follows once none runs.
    void close();

signals:
    void stateChanged(orvenna::ViewerJobs::State state);
    void openingProgressed(double done);
    void histogramPassRunning(bool running);
    // The opening has ended and the document lists what it opened.
    void openingFinished(const orvenna::OpeningSummary& summary);
    // The opening was given up before it ended (its pass did not stop): nothing of it was listed.
    void openingAbandoned();
    // A redraw job started (also one that replaces a redraw that gave way).
    void redrawStarted();
    // A redraw that was not replaced by a newer one has ended.
    void redrawFinished(bool complete, bool stoppedByUser);
    // A scene had a block it could not decode; it drew as zeros.
    void sceneReadError(const QString& file, const QString& reason);
    // The histogram of the band at `index` was counted and taken into the document; -1 when the pass was
    // stopped or the band was closed meanwhile.
    void histogramCounted(int index);
    // The share done of the count of the band at `index`, now and then while it runs; -1 when it has ended.
    void histogramProgress(int index, double done);
    void readyToClose();

private:
    void setState(State state);
    void startRedraw();
    void onOpeningFinished();
    void onRedrawFinished(bool complete);
    void onHistogramFinished();
    // Starts the next histogram of the queue when nothing else runs that it would slow down.
    void startNextHistogram();
    int indexOf(const BandInfo* record) const;
    void checkClosed();
    // Gives up what is still running when the timer fires after a stop was asked for.
    void onGiveUp();

    Document& document_;
    RedrawPlanner planner_;
    State state_ = State::Idle;
    bool redrawPending_ = false;  // asked for while one ran: drawn once it has ended
    bool stoppedByUser_ = false;
    bool passStopAsked_ = false;  // "中止" of the opening's histogram pass
    bool passRunning_ = false;
    QTimer* giveUp_;
    OpeningJob opening_;
    RedrawJob redraw_;
    HistogramJob histogram_;
    std::deque<const BandInfo*> histogramQueue_;  // bands by record, the next first
    QTimer* histogramTicker_;                     // reports the running count's progress
    int64_t sampleAbove_ = OpeningOptions::kLargeBandSamples;
};

}  // namespace orvenna
