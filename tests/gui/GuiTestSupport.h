// Helpers shared by the window tests: a QApplication main, a temporary folder, native scene files written by
// the test itself, and a fixture that builds the main window with scripted prompts and waits for its jobs.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QToolButton>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/BandListWidget.h"
#include "app/BandRowWidget.h"
#include "app/MainWindow.h"
#include "document/Document.h"
#include "platform/Application.h"
#include "platform/ElidedLabel.h"
#include "platform/ImageControl.h"
#include "platform/Prompts.h"
#include "platform/SpinButtons.h"
#include "platform/ValueSpinButtons.h"
#include "scene/remos.h"
#include "tests/support/event_pump.h"

namespace guitest {

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("orvenna-gui-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

using PixelFn = std::function<uint8_t(int band, int x, int y)>;

// Writes a "VELDAMOR" native file: 512-byte header, then per line one record of `width` bytes per band.
inline void writeNativeScene(const std::string& path, int width, int height, int bands,
                             const PixelFn& value) {
    std::vector<unsigned char> header(512, 0);
    std::copy_n("VELDAMOR", 8, header.begin());
    header[12] = static_cast<unsigned char>(width >> 8);
    header[13] = static_cast<unsigned char>(width & 0xFF);
    header[14] = static_cast<unsigned char>(height >> 8);
    header[15] = static_cast<unsigned char>(height & 0xFF);
    header[86] = static_cast<unsigned char>(bands >> 8);
    header[87] = static_cast<unsigned char>(bands & 0xFF);
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(header.data(), 1, header.size(), f);
    std::vector<unsigned char> record(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        for (int b = 0; b < bands; ++b) {
            for (int x = 0; x < width; ++x)
                record[static_cast<size_t>(x)] = value(b, x, y);
            std::fwrite(record.data(), 1, record.size(), f);
        }
    }
    std::fclose(f);
}

using testsupport::pumpUntil;

template <typename T>
T* findNamed(const QObject* parent, const char* name) {
    T* found = parent->findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << "no control named " << name;
    return found;
}

// The controls of one band row, found by their names, and the document's record of its band.
struct RowControls {
    RowControls(BandRowWidget* row, BandInfo* record)
        : widget(row),
          band(record),
          nameLabel(findNamed<ElidedLabel>(row, "nameLabel")),
          histogramView(findNamed<ImageControl>(row, "histogramView")),
          lowerBoundEdit(findNamed<QLineEdit>(row, "lowerBoundEdit")),
          upperBoundEdit(findNamed<QLineEdit>(row, "upperBoundEdit")),
          lowerBoundSpin(row->findChild<SpinButtons*>(QStringLiteral("lowerBoundSpin"))),
          upperBoundSpin(row->findChild<SpinButtons*>(QStringLiteral("upperBoundSpin"))),
          lowerValueSpin(row->findChild<ValueSpinButtons*>(QStringLiteral("lowerValueSpin"))),
          upperValueSpin(row->findChild<ValueSpinButtons*>(QStringLiteral("upperValueSpin"))),
          spanLowLabel(row->findChild<QLabel*>(QStringLiteral("spanLowLabel"))),
          spanHighLabel(row->findChild<QLabel*>(QStringLiteral("spanHighLabel"))),
          closeButton(findNamed<QPushButton>(row, "closeButton")),
          autoRangeButton(findNamed<QPushButton>(row, "autoRangeButton")),
          fullRangeButton(findNamed<QPushButton>(row, "fullRangeButton")),
          redButton(findNamed<QPushButton>(row, "redButton")),
          greenButton(findNamed<QPushButton>(row, "greenButton")),
          blueButton(findNamed<QPushButton>(row, "blueButton")),
          greyButton(findNamed<QPushButton>(row, "greyButton")) {}
    RowControls* operator->() { return this; }
    BandRowWidget* widget;
    BandInfo* band;
    ElidedLabel* nameLabel;
    ImageControl* histogramView;
    QLineEdit* lowerBoundEdit;
    QLineEdit* upperBoundEdit;
    SpinButtons* lowerBoundSpin;  // 8-bit bands
    SpinButtons* upperBoundSpin;
    ValueSpinButtons* lowerValueSpin;  // wider bands
    ValueSpinButtons* upperValueSpin;
    QLabel* spanLowLabel;
    QLabel* spanHighLabel;
    QPushButton* closeButton;
    QPushButton* autoRangeButton;
    QPushButton* fullRangeButton;
    QPushButton* redButton;
    QPushButton* greenButton;
    QPushButton* blueButton;
    QPushButton* greyButton;
};

// The main window as the tests drive it: the window itself, with its controls found by their object names
// (as a user finds them by what they show), the way a test reaches into it without the window exposing
// them.
class WindowUnderTest : public MainWindow {
public:
    WindowUnderTest()
        : openButton(control<QToolButton>("openButton")),
          saveButton(control<QToolButton>("saveButton")),
          closeAllButton(control<QToolButton>("closeAllButton")),
          bandListButton(control<QToolButton>("bandListButton")),
          autoUpdateButton(control<QToolButton>("autoUpdateButton")),
          syncButton(control<QToolButton>("syncButton")),
          placeTopLeftButton(control<QToolButton>("placeTopLeftButton")),
          placeTopRightButton(control<QToolButton>("placeTopRightButton")),
          placeBottomLeftButton(control<QToolButton>("placeBottomLeftButton")),
          placeBottomRightButton(control<QToolButton>("placeBottomRightButton")),
          placeTopButton(control<QToolButton>("placeTopButton")),
          placeBottomButton(control<QToolButton>("placeBottomButton")),
          placeLeftButton(control<QToolButton>("placeLeftButton")),
          placeRightButton(control<QToolButton>("placeRightButton")),
          toolBarPanel(control<QWidget>("toolBarPanel")),
          zoomStrip(control<QWidget>("zoomStrip")),
          zoomInButton(control<ImageControl>("zoomInButton")),
          zoomSlider(control<ImageControl>("zoomSlider")),
          zoomOutButton(control<ImageControl>("zoomOutButton")),
          fitButton(control<QToolButton>("fitButton")),
          view(control<ImageControl>("view")),
          horizontalScrollBar(control<QScrollBar>("horizontalScrollBar")),
          verticalScrollBar(control<QScrollBar>("verticalScrollBar")),
          stopRedrawButton(control<QPushButton>("stopRedrawButton")),
          bandPanel(control<QWidget>("bandPanel")),
          settingsPanel(control<QWidget>("settingsPanel")),
          expressionPanel(control<QWidget>("expressionPanel")),
          histogramOnOpenCheckBox(control<QCheckBox>("histogramOnOpenCheckBox")),
          smoothScrollCheckBox(control<QCheckBox>("smoothScrollCheckBox")),
          autoRangeExcludesEndsCheckBox(control<QCheckBox>("autoRangeExcludesEndsCheckBox")),
          histogramPeakExcludesEndsCheckBox(control<QCheckBox>("histogramPeakExcludesEndsCheckBox")),
          autoRangeOnOpenCheckBox(control<QCheckBox>("autoRangeOnOpenCheckBox")),
          clipRatioLabel(control<QLabel>("clipRatioLabel")),
          clipRatioEdit(control<QLineEdit>("clipRatioEdit")),
          redExpressionEdit(control<QLineEdit>("redExpressionEdit")),
          greenExpressionEdit(control<QLineEdit>("greenExpressionEdit")),
          blueExpressionEdit(control<QLineEdit>("blueExpressionEdit")),
          presetButton(control<QPushButton>("presetButton")),
          redrawButton(control<QPushButton>("redrawButton")),
          statusPanels{control<ElidedLabel>("statusPanel0"), control<ElidedLabel>("statusPanel1"),
                       control<ElidedLabel>("statusPanel2"), control<ElidedLabel>("statusPanel3"),
                       control<ElidedLabel>("statusPanel4")},
          fileMenu(control<QMenu>("fileMenu")),
          openAction(control<QAction>("openAction")),
          saveAction(control<QAction>("saveAction")),
          closeAllAction(control<QAction>("closeAllAction")),
          quitAction(control<QAction>("quitAction")),
          viewMenu(control<QMenu>("viewMenu")),
          showToolBarAction(control<QAction>("showToolBarAction")),
          showBandListAction(control<QAction>("showBandListAction")),
          showZoomStripAction(control<QAction>("showZoomStripAction")),
          showStatusBarAction(control<QAction>("showStatusBarAction")),
          showLegendAction(control<QAction>("showLegendAction")),
          showSettingsAction(control<QAction>("showSettingsAction")),
          fitAction(control<QAction>("fitAction")),
          redrawAction(control<QAction>("redrawAction")),
          windowMenu(control<QMenu>("windowMenu")),
          placeTopLeftAction(control<QAction>("placeTopLeftAction")),
          placeTopRightAction(control<QAction>("placeTopRightAction")),
          placeBottomLeftAction(control<QAction>("placeBottomLeftAction")),
          placeBottomRightAction(control<QAction>("placeBottomRightAction")),
          placeTopAction(control<QAction>("placeTopAction")),
          placeBottomAction(control<QAction>("placeBottomAction")),
          placeLeftAction(control<QAction>("placeLeftAction")),
          placeRightAction(control<QAction>("placeRightAction")),
          helpMenu(control<QMenu>("helpMenu")),
          aboutAction(control<QAction>("aboutAction")),
          quickHelpAction(control<QAction>("quickHelpAction")),
          guideAction(control<QAction>("guideAction")),
          presetMenu(control<QMenu>("presetMenu")),
          ndviAction(control<QAction>("ndviAction")),
          thermographyAction(control<QAction>("thermographyAction")),
          landsatTemperatureAction(control<QAction>("landsatTemperatureAction")) {}

    QToolButton *openButton, *saveButton, *closeAllButton, *bandListButton, *autoUpdateButton, *syncButton;
    QToolButton *placeTopLeftButton, *placeTopRightButton, *placeBottomLeftButton, *placeBottomRightButton;
    QToolButton *placeTopButton, *placeBottomButton, *placeLeftButton, *placeRightButton;
    QWidget* toolBarPanel;
    QWidget* zoomStrip;
    ImageControl *zoomInButton, *zoomSlider, *zoomOutButton;
    QToolButton* fitButton;
    ImageControl* view;
    QScrollBar *horizontalScrollBar, *verticalScrollBar;
    QPushButton* stopRedrawButton;
    QWidget *bandPanel, *settingsPanel, *expressionPanel;
    QCheckBox *histogramOnOpenCheckBox, *smoothScrollCheckBox, *autoRangeExcludesEndsCheckBox,
        *histogramPeakExcludesEndsCheckBox, *autoRangeOnOpenCheckBox;
    QLabel* clipRatioLabel;
    QLineEdit* clipRatioEdit;
    QLineEdit *redExpressionEdit, *greenExpressionEdit, *blueExpressionEdit;
    QPushButton *presetButton, *redrawButton;
    ElidedLabel* statusPanels[5];
    QMenu* fileMenu;
    QAction *openAction, *saveAction, *closeAllAction, *quitAction;
    QMenu* viewMenu;
    QAction *showToolBarAction, *showBandListAction, *showZoomStripAction, *showStatusBarAction,
        *showLegendAction, *showSettingsAction, *fitAction, *redrawAction;
    QMenu* windowMenu;
    QAction *placeTopLeftAction, *placeTopRightAction, *placeBottomLeftAction, *placeBottomRightAction;
    QAction *placeTopAction, *placeBottomAction, *placeLeftAction, *placeRightAction;
    QMenu* helpMenu;
    QAction *aboutAction, *quickHelpAction, *guideAction;
    QMenu* presetMenu;
    QAction *ndviAction, *thermographyAction, *landsatTemperatureAction;

    // The band list's rows, in letter order.
    int rowCount() { return bandList().rowCount(); }
    RowControls row(int index) { return RowControls(bandList().row(index), document().band(index).info); }

    // Waits until no job runs (openings, redraws, histogram passes); false after `timeoutMs`.
    bool waitForJobs(int timeoutMs = 30000) {
        return pumpUntil(
            [this] { return !jobs().busy() && jobs().state() != orvenna::ViewerJobs::State::Drawing; },
            timeoutMs);
    }
    // A redraw as the window asks for one, waited for.
    void redrawNow() {
        redraw();
        EXPECT_TRUE(waitForJobs());
    }
    // An opening of `paths` as a drop gives it, waited for (with its redraw).
    void openNow(const std::vector<std::string>& paths) {
        QList<QByteArray> list;
        for (const std::string& p : paths)
            list << QByteArray::fromStdString(p);
        const bool first = !document().hasBands();
        EXPECT_TRUE(openFiles(list));
        EXPECT_TRUE(waitForJobs());
        if (first && cornerAfterOpening && document().hasBands()) {
            setZoomStep(5);
            setScrollPosition(0, 0);
            redrawNow();
        }
    }
    // Tests that place the pointer by the scene's top-left corner at the view's centre at 1:1 move there
    // after the fitted first view of an opening.
    bool cornerAfterOpening = false;

private:
    template <typename T>
    T* control(const char* name) {
        return findNamed<T>(this, name);
    }
};

// Builds the main window with scripted prompts installed.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Prompts::install(&prompts);
        window = std::make_unique<WindowUnderTest>();
    }
    void TearDown() override {
        if (window) {
            EXPECT_TRUE(window->waitForJobs());
        }
        window.reset();
        Prompts::install(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Opens `path` as the user does (with or without histograms at opening), waited for.
    void openScene(const std::string& path, bool histogram = true) {
        window->histogramOnOpenCheckBox->setChecked(histogram);
        const int before = window->document().bandCount();
        window->openNow({path});
        EXPECT_GT(window->document().bandCount(), before) << "cannot open " << path;
    }

    orvenna::Document& document() { return window->document(); }
    const BandInfo* band(int i) { return window->document().band(i).info; }
    RowControls bandRow(int i) { return window->row(i); }

    ScriptedPrompts prompts;
    std::unique_ptr<WindowUnderTest> window;
    TempDir dir;
};

}  // namespace guitest

// Each GUI test program brings this main: the application object first, then the tests.
// Without any display (test discovery runs the program bare) the offscreen platform is used.
#define ORVENNA_GUI_TEST_MAIN()                                                                         \
    int main(int argc, char** argv) {                                                                   \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") && \
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))                                             \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                    \
        Application app(argc, argv);                                                                    \
        /* What the viewer keeps between starts goes to a folder of this run, not the user's. */        \
        QTemporaryDir kept;                                                                             \
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, kept.path());                 \
        ::testing::InitGoogleTest(&argc, argv);                                                         \
        return RUN_ALL_TESTS();                                                                         \
    }
