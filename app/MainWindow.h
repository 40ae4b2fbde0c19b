// The main window: tool bar, view with its zoom strip and scroll bars, band panel (band list, settings,
// channel expressions) and status bar, and the state the viewer's workflows share.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/BandRow.h"
#include "dialogs/PresetTarget.h"
#include "display/BandValuePlot.h"
#include "display/WheelAccumulator.h"
#include "scene/scene_metadata.h"

class QAction;
class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QKeyEvent;
class QMouseEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QScrollBar;
class QShortcut;
class QTimer;
class QToolBar;
class QToolButton;
class QVBoxLayout;
class QWheelEvent;
class BackgroundTask;
class ElidedLabel;
class ImageControl;
class OperationGuideWindow;
class ViewerBusEndpoint;
struct CalcExpr;
struct SceneFile;

namespace orvenna {
class CompositeRenderer;
struct RedrawControl;
enum class ScrollCode : int;
enum class WindowPlacement;
}  // namespace orvenna

class MainWindow : public QMainWindow, public PresetTarget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // ---- Controls -------------------------------------------------------------------------------------
    QWidget* toolBarPanel;
    QToolBar* toolBar;
    QToolButton* openButton;
    QToolButton* saveButton;
    QToolButton* closeAllButton;
    QToolButton* bandListButton;
    QToolButton* autoUpdateButton;
    QToolButton* syncButton;
    QToolButton* placeTopLeftButton;
    QToolButton* placeTopRightButton;
    QToolButton* placeBottomLeftButton;
    QToolButton* placeBottomRightButton;
    QToolButton* placeTopButton;
    QToolButton* placeBottomButton;
    QToolButton* placeLeftButton;
    QToolButton* placeRightButton;

    QWidget* viewPanel;
    QWidget* zoomStrip;
    ImageControl* zoomInButton;
    ImageControl* zoomSlider;
    ImageControl* zoomOutButton;
    QToolButton* fitButton = nullptr;  // "全体表示", under the zoom-out button
    QWidget* viewFrame;
    ImageControl* view;
    QScrollBar* horizontalScrollBar;
    QScrollBar* verticalScrollBar;

    QWidget* bandPanel;
    QScrollArea* bandList;
    QWidget* bandListContents;  // the scrolled widget that holds the rows
    QVBoxLayout* bandListLayout;

    QWidget* settingsPanel;
    QCheckBox* histogramOnOpenCheckBox;
    QCheckBox* smoothScrollCheckBox;
    QCheckBox* autoRangeExcludesEndsCheckBox;
    QCheckBox* histogramPeakExcludesEndsCheckBox;
    QLabel* clipRatioLabel;
    QLineEdit* clipRatioEdit;

    QWidget* expressionPanel;
    QLabel* redLabel;
    QLabel* greenLabel;
    QLabel* blueLabel;
    QLineEdit* redExpressionEdit;
    QLineEdit* greenExpressionEdit;
    QLineEdit* blueExpressionEdit;
    QPushButton* presetButton;
    QPushButton* redrawButton;

    // Panel texts of the status bar, widths 200, 150, 240, 50; a text that does not fit shows whole as a
    // tooltip.
    ElidedLabel* statusPanels[4];

    QMenu* fileMenu;
    QAction* openAction;
    QAction* saveAction;
    QAction* closeAllAction;
    QAction* quitAction;
    QMenu* viewMenu;
    QAction* showToolBarAction;
    QAction* showBandListAction;
    QAction* showZoomStripAction;
    QAction* showStatusBarAction;
    QAction* showSettingsAction;
    QAction* fitAction = nullptr;     // "全体表示"
    QAction* redrawAction = nullptr;  // F5
    QMenu* windowMenu;
    QAction* placeTopLeftAction;
    QAction* placeTopRightAction;
    QAction* placeBottomLeftAction;
    QAction* placeBottomRightAction;
    QAction* placeTopAction;
    QAction* placeBottomAction;
    QAction* placeLeftAction;
    QAction* placeRightAction;
    QMenu* helpMenu;
    QAction* aboutAction;
    QAction* quickHelpAction;        // opens the quick help window
    QAction* guideAction = nullptr;  // opens "操作と式の説明"
    OperationGuideWindow* guideWindow = nullptr;

    QMenu* presetMenu;
    QAction* ndviAction;
    QAction* thermographyAction;
    QAction* landsatTemperatureAction;

    // ---- State ----------------------------------------------------------------------------------------
    std::vector<std::unique_ptr<SceneFile>> scenes;  // every opened file, in opening order
    std::vector<std::unique_ptr<BandRow>> bandRows;  // one row per listed band; position = letter
    CalcExpr* redExpression = nullptr;
    CalcExpr* greenExpression = nullptr;
    CalcExpr* blueExpression = nullptr;
    QImage gestureSnapshot;
    int imageWidth = 1;
    int imageHeight = 1;
    float zoomScale = 1.0f;
    bool imageLoaded = false;
    bool panning = false;
    bool drawing = false;
    bool zoomDragging = false;
    bool syncOn = false;
    bool autoUpdate = true;
    bool geoValid = false;
    bool landsatCalibrationValid = false;
    unsigned scrollXMessage = 0, scrollYMessage = 0, latitudeMessage = 0, longitudeMessage = 0,
             zoomStepMessage = 0, connectMessage = 0, drawMessage = 0;
    int syncScrollX = 0;
    int syncScrollY = 0;
    float syncLatitude = 0;
    float syncLongitude = 0;
    bool syncByGeo = false;
    // A position was received (or converted from latitude and longitude) for that axis; until then a group
    // that carries only the other axis leaves this one where it is.
    bool syncScrollXReceived = false;
    bool syncScrollYReceived = false;
    bool syncUnavailableShown = false;  // the status bar said once that this viewer is alone
    int panStartScrollY = 0;
    int panStartScrollX = 0;
    int panStartX = 0;
    int panStartY = 0;
    int zoomStep = 5;
    int zoomDragStartStep = 0;
    int zoomPreviewStep = 0;
    int viewOffsetX = 0;
    int viewOffsetY = 0;
    double landsatLmax = 0;
    double landsatLmin = 0;
    double ulLat = 0, ulLon = 0, urLat = 0, urLon = 0, llLat = 0, llLon = 0, lrLat = 0, lrLon = 0;
    // The rest of the scene metadata last read (Landsat 8/9 thermal constants, the satellite); the corners
    // and the Landsat 7 range above are the ones in use.
    SceneMetadataState sceneMetadata;

    // ---- Start-up and closing (MainWindow.cpp) ------------------------------------------------------------
    // Releases every scene, row and compiled expression; safe to run more than once.
    void releaseAll();
    void onQuitTriggered();
    void onAboutTriggered();
    void onQuickHelpTriggered();
    QString statusPanelText(int panel) const;
    void setStatusPanelText(int panel, const QString& text);

    // ---- Band list (MainWindowBandRows.cpp, MainWindowHistograms.cpp) -------------------------------------
    // Creates the row of `band` (its scene's file name `fileName`) for list position `position`; the caller
    // appends it to bandRows and then runs refreshBandRow.
    BandRow* addBandRow(BandInfo* band, const QString& fileName, int position);
    void refreshBandRow(BandRow* row);
    void drawBandHistogram(BandRow* row);
    void computePictureHistogram(BandRow* row);
    void destroyBandRow(BandRow* row);
    void closeBand(BandRow* row);
    void onLowerBoundChanged(BandRow* row);
    void onUpperBoundChanged(BandRow* row);
    void onHistogramMousePress(BandRow* row, Qt::MouseButton button, int x);
    void onHistogramMouseMove(BandRow* row, int x);
    void onHistogramMouseRelease(BandRow* row);
    void onRedClicked(BandRow* row);
    void onGreenClicked(BandRow* row);
    void onBlueClicked(BandRow* row);
    void onGreyClicked(BandRow* row);
    void onFullRangeClicked(BandRow* row);
    void onAutoRangeClicked(BandRow* row);
    void onHistogramPeakExcludesEndsClicked();
    // Writes the count of histogram bin x on the row's picture at (x + 2, 2) during a drag.
    void drawHistogramCount(BandRow* row, int x);
    // The open scene whose band array holds `band`; null when none does.
    SceneFile* sceneOfBand(const BandInfo* band) const;
    // "ヒストグラムが作成されていません。作成しますか？": true on Yes.
    bool askForHistogram();
    // Counts a row's histogram ("自動", "<>" of a wide band): from the picture, or the band's pass.
    void makeRowHistogram(BandRow* row);

    // ---- Bands wider than 8 bits (MainWindowWideBands.cpp) ------------------------------------------------
    // 下/上 in the band's own values. Lays the row out for wide values (span labels under the histogram,
    // wider edits on a line of their own) and gives it value spin buttons instead of the 0..255 ones.
    void buildWideBoundControls(BandRow* row);
    // Shows the band's display range as it holds it (and the histogram's span) in the row.
    void showWideBandRange(BandRow* row);
    // Sets the band's display range; the bound that moved gives way when they would meet or cross.
    void setWideBandRange(BandRow* row, double low, double high, bool lowerMoved);
    void onWideBoundEdited(BandRow* row, bool lower);
    // A histogram drag at column x over a wide row; returns the column whose count is shown.
    int dragWideBound(BandRow* row, int x);

    // ---- Composite (MainWindowComposite.cpp) --------------------------------------------------------------
    // Draws the view from the three expressions on a worker thread while the window stays responsive; returns
    // when the picture is done or stopped. A request while a redraw runs restarts it with what changed.
    void drawComposite() override;
    // Asks a running redraw to stop where it is (Esc, the "中止" button): what was drawn stays.
    void stopRedraw();
    // Stops a running redraw and waits for its worker, for actions that close what it reads.
    void stopRedrawAndWait();
    // Says once in status panel 0 that a scene had a block it could not decode (it drew as zeros).
    void reportSceneReadErrors();
    QPushButton* stopRedrawButton = nullptr;  // "中止", shown over the view during a long redraw
    QShortcut* escapeShortcut = nullptr;      // Esc stops a redraw or an opening's histogram pass
    void onRedExpressionChanged();
    void onGreenExpressionChanged();
    void onBlueExpressionChanged();
    void onRedrawClicked();
    void onAutoUpdateClicked();
    // The box of `channel` (0 red, 1 green, 2 blue) after a compile: the reason of a failure as its tooltip
    // and, when new, in status panel 0; its hint again once it compiles (MainWindowExpressionProblems.cpp).
    void showExpressionProblem(int channel, QLineEdit* edit, bool compiles);
    QString expressionProblems[3];  // the reason each box last showed; empty while it compiles

    // ---- Colour presets (MainWindowPresets.cpp) -----------------------------------------------------------
    void connectPresetHandlers();
    void onPresetClicked();
    QPoint presetMenuPosition() const;  // screen point of presetButton's top-right corner
    void onNdviTriggered();
    void onThermographyTriggered();
    void onLandsatTemperatureTriggered();
    // The band rows' captions in list order, for the dialogs' band lists.
    QStringList bandLabels() const;
    void setChannelExpressions(const QString& red, const QString& green, const QString& blue) override;
    void showBandAtFullRange(int index) override;
    PresetBandFacts presetBandFacts(int index) const override;
    void setBandDisplayRange(int index, double low, double high) override;

    // ---- Placement and panels (MainWindowPlacement.cpp) ---------------------------------------------------
    void connectPlacementHandlers();
    // Puts the window on a half or a quarter of the primary screen's available area.
    void placeWindow(orvenna::WindowPlacement placement);
    void onBandListClicked();
    void onShowToolBarTriggered();
    void onShowBandListTriggered();
    void onShowZoomStripTriggered();
    void onShowStatusBarTriggered();
    void onShowSettingsTriggered();
    void onViewMenuAboutToShow();  // the View menu opens: check marks from the panels' visibility
    // When valid, stands for the primary screen's available area (tests fake a screen with it).
    QRect fakeScreenArea;

    // ---- Opening, readout, close and save (MainWindowOpening.cpp, MainWindowReadout.cpp,
    // MainWindowCloseSave.cpp) ------------------------------------------------------------------------------
    void connectOpenHandlers();  // tool buttons, menu items and the view's pointer events
    // The open dialog's file list; the drop handler fills it as well. Paths are kept as the bytes the file
    // system holds, so names that are not UTF-8 (old archives) open too.
    QList<QByteArray> filesToOpen;
    bool opening = false;  // openFiles is working through filesToOpen
    // Size in bytes of a file, -1 when it is not found; tests replace it to fake large files.
    std::function<int64_t(const QByteArray&)> fileSizeLookup;
    void onOpenClicked();
    void openDroppedFiles(const QList<QByteArray>& names);
    void openDroppedFiles(const QStringList& names);
    // Asks the opening's running histogram pass to stop ("中止" of the progress window, Esc).
    void stopOpeningHistogram();
    bool openingStopRequested = false;  // the window is closing: the opening ends at its next step
    std::atomic<bool>* openingHistogramStop = nullptr;  // the running histogram pass's stop flag
    std::unique_ptr<BackgroundTask> histogramTask;
    void openFiles();
    void readSceneMetadata();
    // The three expressions hold their start-up texts.
    bool expressionsAtStartUp() const;
    // A picture or colour file opened first: its red, green and blue bands into the three expressions.
    void showFirstSceneInColour();
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    void onViewMouseMove(QMouseEvent* event);
    void onViewMousePress(QMouseEvent* event);
    // Pointer readout at view pixel (x, y): colour in status panel 2, the pixel value window's text.
    void showPointerReadout(int viewX, int viewY);
    // Shows the pixel value window 10 pixels right of and below the screen point.
    void showPixelValueWindowAt(const QPoint& globalPointer);
    int imageColumnAtView(int viewX) const;
    int imageLineAtView(int viewY) const;
    // Every row's value at image pixel (x, y), as stored (picture rows: their channel); empty outside the
    // scene. The pixel window's text and plot are made from one such read.
    std::vector<double> rowValuesAt(int x, int y);
    QString pixelValueText(int x, int y);
    QString pixelValueText(int x, int y, const std::vector<double>& values);
    QString longitudeText(int x, int y) const;
    QString latitudeText(int x, int y) const;
    int bandValueAt(BandRow* row, int64_t index);
    // The readout of a row's value at pixel index: the stored value as it is ("-12", "0.1234"), "NoData".
    QString bandValueText(BandRow* row, int64_t index);
    QString rowValueText(const BandRow* row, double value) const;

    // ---- Geography (MainWindowGeography.cpp) --------------------------------------------------------------
    // The first open scene with georeferencing of its own: it gives the scene's geography, before any
    // corners of metadata. Null when none has.
    const SceneFile* georeferencedScene() const;
    // Longitude and latitude can be told: a georeferenced scene or corner metadata.
    bool geographyKnown() const;
    // Exact position of pixel (x, y) from the georeferenced scene; false without one.
    bool exactPixelToGeo(int x, int y, double* lat, double* lon) const;
    // Status panel 3: "座標設定有効", "LANDSAT温度設定有効", both or "設定ファイル無効".
    QString metadataStateText() const;
    int pictureBandValue(BandRow* row, int64_t index) const;
    // The band value plot's samples of the rows' values (rowValuesAt; empty: outside the scene), one per row
    // (MainWindowBandValuePlot.cpp).
    std::vector<orvenna::BandValueSample> bandValueSamples(const std::vector<double>& values) const;

    void closeAll();
    void saveView();
    // Empties the status panels that describe the open scene (size, metadata state) once nothing is open.
    void clearSceneStatus();

    // ---- Scrolling, panning and magnification (MainWindowNavigation.cpp) ----------------------------------
    void connectNavigationHandlers();
    // Scroll-bar events: the kind and the new position (the bar still holds the old one while this runs).
    void onHorizontalScroll(orvenna::ScrollCode code, int scrollPos);
    void onVerticalScroll(orvenna::ScrollCode code, int scrollPos);
    void drawScrollOverlay(int x, int y);
    // The left-button pan; the other buttons and plain moves go on to the readout.
    void onViewPanMousePress(QMouseEvent* event);
    void onViewPanMouseMove(QMouseEvent* event);
    void onViewMouseRelease(QMouseEvent* event);
    void drawPanOverlay(int x, int y);
    // The pan overlay's text lines for image pixel (x, y): line 0 the position, line 1 longitude and latitude
    // (empty without coordinates), then one line per band.
    QStringList panOverlayLines(int x, int y);
    void onZoomSliderMousePress(QMouseEvent* event);
    void onZoomSliderMouseMove(QMouseEvent* event);
    void onZoomSliderMouseRelease(QMouseEvent* event);
    void onZoomInReleased(QMouseEvent* event);
    void onZoomOutReleased(QMouseEvent* event);
    void onZoomStripResized();
    void onShown();
    void onResized();
    // The view changed its size: redraws once the size has settled (automatic update on).
    void onViewResized();
    static constexpr int kResizeSettleMs = 150;
    QTimer* resizeRedrawTimer = nullptr;
    // Repaints the step slider; y is the pointer's line, used only while zoomDragging.
    void drawZoomSlider(int y);

    // ---- Wheel, keys, fit and shortcuts (MainWindowWheelKeys.cpp, MainWindowViewCommands.cpp) ------------
    void buildNavigationCommands();
    void installWheelAndKeyHandlers();
    void onViewWheel(QWheelEvent* event);
    void onScrollBarWheel(bool horizontal, QWheelEvent* event);
    // Keys with the picture focused; false for a key it does not use.
    bool onViewKeyPress(QKeyEvent* event);
    // `delta` in eighths of a degree, scrolled a tenth of the view a notch.
    void wheelScroll(bool horizontal, int delta);
    // Changes the step by `steps` (negative magnifies) keeping the image point under view pixel (x, y).
    void zoomAround(int steps, int x, int y);
    void panBy(int dx, int dy);  // image pixels
    void centreScene();
    // Scrolls to (x, y) and, when the view moved, ends it as a pan with the mouse ends.
    void scrollToByKey(int x, int y);
    // Takes a new magnification step, the scroll bars already placed, and redraws or announces it.
    void takeZoomStep(int newStep);
    void onFitClicked();
    void onGuideTriggered();
    orvenna::WheelAccumulator wheelZoom, wheelScrollX, wheelScrollY;

    // ---- Synchronising viewers (MainWindowSync.cpp) -------------------------------------------------------
    ViewerBusEndpoint* bus = nullptr;  // this viewer's socket on the viewer bus (a child of the window)
    void connectSyncHandlers();
    void onSyncClicked();
    // The message hook for viewer messages: the receiver actions by message number; anything else, the
    // connect message included, is left alone.
    void onViewerMessage(unsigned message, int32_t wParam);
    // Registers the message numbers and joins the bus; off the bus the numbers are this process's own.
    void joinViewerBus();
    void reportSyncUnavailable(const std::string& reason);
    void postViewerMessage(unsigned message, int32_t wParam);
    void postViewerGroup(const std::vector<std::pair<unsigned, int32_t>>& group);  // one datagram, in order
    void broadcastScrollX();  // horizontal position, then the draw message
    void broadcastScrollY();
    void broadcastPanEnd();  // latitude and longitude with corner coordinates, else both positions; draw
    void broadcastZoomOut();
    // On the draw message: the received or geographically converted position into the bars, then redraw.
    void applySyncPosition();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolBar();
    void buildViewArea();
    void buildBandPanel();
    void buildStatusBar();
    void buildMenus();
    void connectHandlers();
    void connectBandRow(BandRow* row);
    void recompileExpression(CalcExpr*& tree, QLineEdit* edit);

    // One redraw into a picture of its own; false when the user stopped it.
    bool redrawOnce();

    std::unique_ptr<orvenna::CompositeRenderer> renderer;
    std::unique_ptr<BackgroundTask> redrawTask;
    orvenna::RedrawControl* redrawControl = nullptr;  // the running redraw's, null when none runs
    bool redrawAgain = false;                         // asked for while a redraw ran
    bool redrawStoppedByUser = false;
    bool closePending = false;  // the window was asked to close while an opening or a redraw ran
};

extern MainWindow* mainWindow;

// Colours of the channel expression boxes: pure red, green (0, 128, 0) and pure blue, black for a text
// that does not compile.
QColor channelColour(int channel);  // 0 red, 1 green, 2 blue
