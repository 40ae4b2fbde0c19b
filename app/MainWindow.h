// The main window, a view of the document: tool bar, the picture with its zoom strip and scroll bars, the
// band panel (band list, settings, channel expressions) and the status bar. What the viewer shows lives in
// the document; the long work (opening, redrawing, histogram passes) runs as jobs that report back; the
// window keeps only the view's own state (where the view stands, gestures under way) and wires its controls
// to them. The windows beside it (progress, pixel values, presets, help) are its own.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/SyncController.h"
#include "display/BandValuePlot.h"
#include "display/Legend.h"
#include "display/ViewGeometry.h"
#include "display/WheelAccumulator.h"
#include "document/OpeningJob.h"
#include "document/ViewerJobs.h"

class QAction;
class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QMouseEvent;
class QPushButton;
class QScrollBar;
class QShortcut;
class QTimer;
class QToolBar;
class QToolButton;
class QWheelEvent;
class AboutDialog;
class BandListWidget;
class ElidedLabel;
class ImageControl;
class LandsatTemperatureDialog;
class NdviPresetDialog;
class OperationGuideWindow;
class PictureExport;
class PixelValueWindow;
class ProgressWindow;
class QuickHelpWindow;
class ThermographyPresetDialog;

namespace orvenna {
class Document;
struct PixelValues;
class ValueReadJob;
enum class ScrollCode : int;
enum class WindowPlacement;
}  // namespace orvenna

class MainWindow : public QMainWindow, public SyncedView, private orvenna::OpeningAnswers {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    orvenna::Document& document() { return *document_; }
    const orvenna::Document& document() const { return *document_; }
    orvenna::ViewerJobs& jobs() { return *jobs_; }
    SyncController& sync() { return *sync_; }
    BandListWidget& bandList() { return *bandList_; }
    ProgressWindow* progressWindow() const { return progressWindow_; }
    PixelValueWindow* pixelValueWindow() const { return pixelValueWindow_; }
    NdviPresetDialog* ndviPresetDialog() const { return ndviDialog_; }
    ThermographyPresetDialog* thermographyPresetDialog() const { return thermographyDialog_; }
    LandsatTemperatureDialog* landsatTemperatureDialog() const { return landsatDialog_; }
    PictureExport& pictureExport();  // saving and exporting pictures off the window's thread

    // Opens files as if they had been dropped on the window (paths as the file system's bytes), in natural
    // order; the opening runs as a job. False while an opening runs.
    bool openFiles(const QList<QByteArray>& paths);
    // Takes the size and place the window had when it last closed, and keeps them when it closes (the
    // viewer's start does this; a window made otherwise keeps nothing of its own).
    void restoreKeptGeometry();
    // Redraws the view from the document, when a scene is listed and automatic update is on; a redraw under
    // way gives way to it.
    void redraw();
    // The picture the view shows.
    const QImage& viewPicture() const;
    QString statusPanelText(int panel) const;

    // Where the view stands: the image pixel at its centre and the magnification step (0 x32 .. 10 x1/32).
    QPoint scrollPosition() const override;
    // Moves the view (an axis not given stays; positions are clamped to the scene) without redrawing.
    void setScrollPosition(std::optional<int> x, std::optional<int> y) override;
    int zoomStep() const override;
    // Takes the step (clamped to 0..10) without redrawing.
    void setZoomStep(int step) override;
    // The image pixel under a view pixel, by the geometry of the picture shown.
    int imageColumnAtView(int viewX) const;
    int imageLineAtView(int viewY) const;
    // The pixel value window's text for image pixel (x, y), and the pan overlay's lines (position, longitude
    // and latitude or an empty line, one line per band).
    QString pixelValueText(int x, int y) const;
    QStringList panOverlayLines(int x, int y) const;
    // Stands for the primary screen's available area in window placement (tests fake a screen with it).
    void setScreenAreaForPlacement(const QRect& area) { fakeScreenArea_ = area; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // ---- Construction (MainWindow.cpp) --------------------------------------------------------------------
    void buildToolBar();
    void buildViewArea();
    void buildBandPanel();
    void buildStatusBar();
    void buildMenus();
    void buildDialogs();
    void connectHandlers();
    void setStatusPanelText(int panel, const QString& text);
    void onQuitTriggered();
    void onAboutTriggered();
    void onQuickHelpTriggered();
    void onGuideTriggered();

    // ---- Opening (MainWindowOpening.cpp) ------------------------------------------------------------------
    void onOpenClicked();
    void onOpenUrlClicked();  // a scene on a server, by its URL
    void onOpeningStateChanged(bool opening);
    void onOpeningProgressed(double done);
    void onOpeningFinished(const orvenna::OpeningSummary& summary);
    // The File menu's last openings, made afresh each time it opens.
    void fillRecentMenu();
    // OpeningAnswers: the opening's questions answered with the window's dialogs.
    bool countHistogramsOfLargeFile(const std::string& path) override;
    bool refused(const orvenna::OpeningRefusal& refusal) override;
    std::vector<int> chooseSubdatasets(const std::string& path,
                                       const std::vector<orvenna::SubdatasetInfo>& list) override;
    void showOpeningRefusals();
    class ProgressWindowAside;
    // Status panels 1 and 3: the scene's size and what the metadata gives.
    void showSceneStatus();
    void reportOpeningTime();

    // ---- Band list, ranges and histograms (MainWindowBandList.cpp) ----------------------------------------
    void onCloseBandRequested(int index);
    void onChannelsChosen(int index, int channels);
    void onRangeRequested(int index, bool automatic);
    void onHistogramCounted(int index);
    // "自動" or "<>" on a band that has its histogram (or need not have one).
    void applyRange(int index, bool automatic);

    // ---- Composite and expressions (MainWindowComposite.cpp) ----------------------------------------------
    // The view's part of a redraw: its geometry and the picture the job draws into.
    bool planRedraw(orvenna::ViewGeometry* geometry);
    void showRedrawLines(int first, int end);
    void onJobsStateChanged(orvenna::ViewerJobs::State state);
    void onRedrawTick();
    void onRedrawFinished(bool complete, bool stoppedByUser);
    void onExpressionEdited(int channel);
    void onExpressionChanged(int channel);
    // The box of `channel`: black with the reason as its tooltip (and once in status panel 0) while its
    // text does not compile, its own colour and hint when it does.
    void showExpressionProblem(int channel);
    void onRedrawClicked();
    void stopWork();  // Esc: the redraw, or the opening's histogram pass

    // ---- Presets (MainWindowPresets.cpp) ------------------------------------------------------------------
    void onNdviTriggered();
    void onThermographyTriggered();
    void onLandsatTemperatureTriggered();
    QStringList bandLabels() const;

    // ---- Closing and saving (MainWindowCloseSave.cpp) -----------------------------------------------------
    void closeAll();
    void saveView();

    // ---- Saving with geography, exporting (MainWindowExport.cpp) ------------------------------------------
    // The part of the view the scene covers, with the legend when shown, written with its georeferencing.
    void saveScenePart(const QString& name);
    void exportScene();  // "シーン全体を書き出す..."

    // ---- Legend (MainWindowLegend.cpp) --------------------------------------------------------------------
    void connectLegendHandlers();
    // View menu: the interface's language for the next start.
    void buildLanguageMenu();
    // The preset's colour bar for the picture shown, while "凡例" is on; empty otherwise.
    const orvenna::LegendPicture& shownLegend();
    // The picture shown with the legend over it, as it is saved.
    QImage pictureToSave();

    // ---- Navigation (MainWindowNavigation.cpp, MainWindowWheelKeys.cpp, MainWindowViewCommands.cpp) -------
    void connectNavigationHandlers();
    void onHorizontalScroll(orvenna::ScrollCode code, int scrollPos);
    void onVerticalScroll(orvenna::ScrollCode code, int scrollPos);
    void queueScrollEnd(QScrollBar* bar);
    void drawScrollOverlay(int x, int y);
    void onViewPanMousePress(QMouseEvent* event);
    void onViewPanMouseMove(QMouseEvent* event);
    void onViewMouseRelease(QMouseEvent* event);
    void drawPanOverlay(int x, int y);
    void onZoomSliderMousePress(QMouseEvent* event);
    void onZoomSliderMouseMove(QMouseEvent* event);
    void onZoomSliderMouseRelease(QMouseEvent* event);
    void onZoomInReleased();
    void onZoomOutReleased();
    void onViewResized();
    void drawZoomSlider(int y);  // y: the pointer's line while the slider is dragged
    void buildNavigationCommands();
    void installWheelAndKeyHandlers();
    void onViewWheel(QWheelEvent* event);
    void onScrollBarWheel(bool horizontal, QWheelEvent* event);
    bool onViewKeyPress(QKeyEvent* event);
    void wheelScroll(bool horizontal, int delta);
    // Changes the step by `steps` (negative magnifies) keeping the image point under view pixel (x, y).
    void zoomAround(int steps, int x, int y);
    void panBy(int dx, int dy);
    void centreScene();
    void scrollToByKey(int x, int y);
    void takeZoomStep(int newStep);
    void onFitClicked();
    QImage& canvas();  // the view's picture, white of the view's size when none was drawn

    // ---- Readout (MainWindowReadout.cpp) ------------------------------------------------------------------
    void onViewMouseMove(QMouseEvent* event);
    void onViewMousePress(QMouseEvent* event);
    void showPointerReadout(int viewX, int viewY);
    void showPixelValues(int x, int y, const orvenna::PixelValues& values);
    // The pixel value window's text for the bands' values at (x, y) (empty: outside the scene).
    QString readoutText(int x, int y, const orvenna::PixelValues& values) const;
    QString bandValueText(const orvenna::PixelValues& values, int band) const;
    QString temperatureText(const orvenna::PixelValues& values, int band) const;
    std::vector<orvenna::BandValueSample> bandValueSamples(const orvenna::PixelValues& values) const;
    // "a".."z", then the list number of a band past the 26th ("[27]").
    static QString readoutLetter(int band);

    // ---- Placement and panels (MainWindowPlacement.cpp) ---------------------------------------------------
    void connectPlacementHandlers();
    void placeWindow(orvenna::WindowPlacement placement);
    void onBandListClicked();
    void onShowSettingsTriggered();
    void onViewMenuAboutToShow();

    // ---- SyncedView ---------------------------------------------------------------------------------------
    void showStatus(const QString& text) override;

    // ---- State --------------------------------------------------------------------------------------------
    std::unique_ptr<orvenna::Document> document_;
    std::unique_ptr<orvenna::ViewerJobs> jobs_;
    SyncController* sync_ = nullptr;
    orvenna::ViewGeometry drawnGeometry_;  // of the picture shown (or being drawn)
    int zoomStep_ = 5;
    int linesShown_ = 0;  // lines of a long redraw already copied into the view
    QElapsedTimer redrawClock_;
    QElapsedTimer openingClock_;  // ORVENNA_TIMING: from the start of an opening to its first redraw
    bool timingOpening_ = false;
    int openedBands_ = 0, openedFiles_ = 0;
    QStringList openingAsked_;     // the files the running opening was asked for, kept when it lists bands
    bool keepsGeometry_ = false;   // restoreKeptGeometry was called
    bool closeAfterWork_ = false;  // the window was asked to close while jobs ran
    bool autoUpdate_ = true;
    // "自動" or "<>" asked for a band whose histogram is being counted: applied when the pass is done.
    struct PendingRange {
        const BandInfo* band;
        bool automatic;
    };
    std::optional<PendingRange> pendingRange_;
    std::vector<orvenna::OpeningRefusal> openingRefusals_;  // told when the opening ends
    std::array<QString, 3> expressionProblems_;  // the reason each box last showed; empty while it compiles
    // Gestures.
    QImage gestureSnapshot_;
    bool panning_ = false;
    bool inScrollBarMenu_ = false;
    int panStartX_ = 0, panStartY_ = 0, panStartScrollX_ = 0, panStartScrollY_ = 0;
    bool zoomDragging_ = false;
    int zoomDragStartStep_ = 0, zoomPreviewStep_ = 0;
    orvenna::WheelAccumulator wheelZoom_, wheelScrollX_, wheelScrollY_;
    QTimer* resizeRedrawTimer_ = nullptr;
    // Reads what the readout could not read at once; the pixel the readout shows.
    orvenna::ValueReadJob* valueReads_ = nullptr;
    int readoutX_ = -1, readoutY_ = -1;
    QTimer* redrawTicker_ = nullptr;
    QRect fakeScreenArea_;
    // The legend drawn for the picture's size (redrawn when the size or the document's legend changes).
    orvenna::LegendPicture legendPicture_;
    QSize legendPictureSize_;

    // ---- Controls -----------------------------------------------------------------------------------------
    QWidget* toolBarPanel_;
    QToolBar* toolBar_;
    QToolButton* openButton_;
    QToolButton* saveButton_;
    QToolButton* closeAllButton_;
    QToolButton* bandListButton_;
    QToolButton* autoUpdateButton_;
    QToolButton* syncButton_;
    QToolButton* placeButtons_[8];
    QWidget* viewPanel_;
    QWidget* zoomStrip_;
    ImageControl* zoomInButton_;
    ImageControl* zoomSlider_;
    ImageControl* zoomOutButton_;
    QToolButton* fitButton_ = nullptr;
    ImageControl* view_;
    QScrollBar* horizontalScrollBar_;
    QScrollBar* verticalScrollBar_;
    QPushButton* stopRedrawButton_ = nullptr;
    QShortcut* escapeShortcut_ = nullptr;
    QWidget* bandPanel_;
    BandListWidget* bandList_;
    QWidget* settingsPanel_;
    QCheckBox* histogramOnOpenCheckBox_;
    QCheckBox* smoothScrollCheckBox_;
    QCheckBox* autoRangeExcludesEndsCheckBox_;
    QCheckBox* autoRangeOnOpenCheckBox_ = nullptr;
    QCheckBox* histogramPeakExcludesEndsCheckBox_;
    QLineEdit* clipRatioEdit_;
    QLineEdit* expressionEdits_[3];
    QPushButton* presetButton_;
    QPushButton* redrawButton_;
    // 0 hints and messages, 1 the scene's size, 2 the colour under the pointer, 3 the metadata state,
    // 4 the pointer's longitude and latitude (shown between 2 and 3).
    static constexpr int kStatusPanels = 5;
    ElidedLabel* statusPanels_[kStatusPanels];
    QMenu* fileMenu_;
    QAction* openAction_;
    QAction* openUrlAction_;
    QMenu* recentMenu_;
    QAction* forgetRecentAction_;
    QAction* saveAction_;
    QAction* closeAllAction_;
    QAction* quitAction_;
    QMenu* viewMenu_;
    QMenu* languageMenu_;
    QAction* showToolBarAction_;
    QAction* showBandListAction_;
    QAction* showZoomStripAction_;
    QAction* showStatusBarAction_;
    QAction* showLegendAction_;
    QAction* showSettingsAction_;
    QAction* fitAction_ = nullptr;
    QAction* redrawAction_ = nullptr;
    QMenu* windowMenu_;
    QAction* placeActions_[8];
    QMenu* helpMenu_;
    QAction* aboutAction_;
    QAction* quickHelpAction_;
    QAction* guideAction_ = nullptr;
    QMenu* presetMenu_;
    QAction* ndviAction_;
    QAction* thermographyAction_;
    QAction* landsatTemperatureAction_;

    // ---- The windows beside this one ----------------------------------------------------------------------
    ProgressWindow* progressWindow_ = nullptr;
    PixelValueWindow* pixelValueWindow_ = nullptr;
    AboutDialog* aboutDialog_ = nullptr;
    QuickHelpWindow* quickHelpWindow_ = nullptr;
    OperationGuideWindow* guideWindow_ = nullptr;
    NdviPresetDialog* ndviDialog_ = nullptr;
    ThermographyPresetDialog* thermographyDialog_ = nullptr;
    LandsatTemperatureDialog* landsatDialog_ = nullptr;
    PictureExport* pictureExport_ = nullptr;  // made when first used
};

// Colours of the channel expression boxes: pure red, green (0, 128, 0) and pure blue, black for a text
// that does not compile.
QColor channelColour(int channel);  // 0 red, 1 green, 2 blue
